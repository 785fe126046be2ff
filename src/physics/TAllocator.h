#pragma once
// The memory interface the engine takes all its blocks from.

#include <cstddef>
#include <cstdint>

class TAllocator {
public:
    virtual ~TAllocator() = default;
    // A block of at least size bytes, 16-byte aligned, or null. The engine passes flags 0.
    virtual void* Alloc(size_t size, uint32_t flags) = 0;
    virtual void Free(void* block) = 0;
};

#pragma once
// malloc and free, with a running total of the bytes asked for.

#include "physics/TAllocator.h"

class TDefaultAllocator : public TAllocator {
public:
    void* Alloc(size_t size, uint32_t flags) override;
    void Free(void* block) override;

    uint64_t bytesRequested = 0; // never lowered
};

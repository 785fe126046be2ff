#include "physics/TDefaultAllocator.h"

#include <cstdlib>

void* TDefaultAllocator::Alloc(size_t size, uint32_t)
{
    bytesRequested += size;
    return std::malloc(size == 0 ? 1 : size);
}

void TDefaultAllocator::Free(void* block)
{
    std::free(block);
}

#include "engine/platform/Memory.h"

#include <cstdlib>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <cstring>
#include <new>

MemoryCategoryTable g_MemoryCategories = {};

namespace {
// The category new allocations are counted in; nothing sets it.
MemoryCategory* g_CurrentCategory = nullptr;

void* AllocateOrThrow(size_t size)
{
    void* block = AllocateInCategory(size == 0 ? 1 : size, g_CurrentCategory);
    if (!block)
        throw std::bad_alloc();
    return block;
}
} // namespace

void* AllocateInCategory(size_t size, MemoryCategory*)
{
    return std::malloc(size);
}

void FreeAllocation(void* block)
{
    std::free(block);
}

void ReturnFreedMemory()
{
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}

MemoryCategory* FindOrAddMemoryCategory(const char* name)
{
    if (name == nullptr)
        return nullptr;
    // A longer name is stored cut to 31 characters, and is found by that.
    const size_t stored = sizeof(g_MemoryCategories.records[0].name) - 1;
    for (int i = 0; i < g_MemoryCategories.count; ++i)
        if (std::strncmp(g_MemoryCategories.records[i].name, name, stored) == 0)
            return &g_MemoryCategories.records[i];
    if (g_MemoryCategories.count >= MEMORY_CATEGORY_CAPACITY)
        return nullptr;
    MemoryCategory& record = g_MemoryCategories.records[g_MemoryCategories.count++];
    std::memset(&record, 0, sizeof(record));
    std::strncpy(record.name, name, sizeof(record.name) - 1);
    return &record;
}

// The program's operator new and delete go through the allocation function.
// A failed allocation throws instead of handing back null.
void* operator new(size_t size)
{
    return AllocateOrThrow(size);
}

void* operator new[](size_t size)
{
    return AllocateOrThrow(size);
}

void* operator new(size_t size, const std::nothrow_t&) noexcept
{
    return AllocateInCategory(size == 0 ? 1 : size, g_CurrentCategory);
}

void* operator new[](size_t size, const std::nothrow_t&) noexcept
{
    return AllocateInCategory(size == 0 ? 1 : size, g_CurrentCategory);
}

void operator delete(void* block) noexcept
{
    FreeAllocation(block);
}

void operator delete[](void* block) noexcept
{
    FreeAllocation(block);
}

void operator delete(void* block, size_t) noexcept
{
    FreeAllocation(block);
}

void operator delete[](void* block, size_t) noexcept
{
    FreeAllocation(block);
}

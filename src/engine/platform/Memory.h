#pragma once
// The program's one allocation function and its table of named categories.

#include <cstddef>
#include <cstdint>

struct MemoryCategory {
    char name[32];
    uint32_t counters[4];
};

constexpr int MEMORY_CATEGORY_CAPACITY = 32;

struct MemoryCategoryTable {
    MemoryCategory records[MEMORY_CATEGORY_CAPACITY];
    int count;
};

extern MemoryCategoryTable g_MemoryCategories;

// malloc of the runtime; the category does not change how memory is obtained.
void* AllocateInCategory(size_t size, MemoryCategory* category);
void FreeAllocation(void* block);
// Hands the pages of freed blocks back to the system, after a large set of
// blocks (a race) has been freed.
void ReturnFreedMemory();

// The record of that name (exact match of its first 31 characters, as many as a
// record keeps), a new one, or null when all 32 are used or the name is null.
MemoryCategory* FindOrAddMemoryCategory(const char* name);

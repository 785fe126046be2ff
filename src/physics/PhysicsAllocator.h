#pragma once
// The game's TAllocator: the engine's memory goes through the program's allocation function under the
// memory category "Physics". The program installs its functions once at start-up; until then the
// runtime's malloc and free stand in for them.

#include "physics/TAllocator.h"

#include <cstddef>

struct PhysicsMemoryFunctions {
    void* (*allocate)(size_t size, void* category) = nullptr; // the program's AllocateInCategory
    void (*release)(void* block) = nullptr;                   // its matching free
    void* (*findCategory)(const char* name) = nullptr;        // its FindOrAddMemoryCategory
};

class PhysicsAllocator : public TAllocator {
public:
    void* Alloc(size_t size, uint32_t flags) override;
    void Free(void* block) override;
    void SetMemoryFunctions(const PhysicsMemoryFunctions& memory);

    void* category = nullptr; // looked up on the first allocation
    PhysicsMemoryFunctions functions;
};

extern PhysicsAllocator g_PhysicsAllocator;

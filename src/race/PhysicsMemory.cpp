#include "race/PhysicsMemory.h"

#include "engine/platform/Memory.h"
#include "physics/PhysicsAllocator.h"

namespace {

void* AllocatePhysicsBlock(size_t size, void* category)
{
    return AllocateInCategory(size == 0 ? 1 : size, static_cast<MemoryCategory*>(category));
}

void* FindPhysicsCategory(const char* name)
{
    return FindOrAddMemoryCategory(name);
}

} // namespace

void InstallPhysicsMemory()
{
    PhysicsMemoryFunctions functions;
    functions.allocate = AllocatePhysicsBlock;
    functions.release = FreeAllocation;
    functions.findCategory = FindPhysicsCategory;
    g_PhysicsAllocator.SetMemoryFunctions(functions);
}

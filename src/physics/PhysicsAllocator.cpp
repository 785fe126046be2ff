#include "physics/PhysicsAllocator.h"

#include <cstdlib>

PhysicsAllocator g_PhysicsAllocator;

void PhysicsAllocator::SetMemoryFunctions(const PhysicsMemoryFunctions& memory)
{
    functions = memory;
    category = nullptr;
}

void* PhysicsAllocator::Alloc(size_t size, uint32_t)
{
    if (category == nullptr && functions.findCategory != nullptr) {
        category = functions.findCategory("Physics"); // stays null when the table is full
    }
    if (functions.allocate != nullptr) {
        return functions.allocate(size, category);
    }
    return std::malloc(size == 0 ? 1 : size);
}

void PhysicsAllocator::Free(void* block)
{
    if (functions.release != nullptr) {
        functions.release(block);
        return;
    }
    std::free(block);
}

#include "race/PhysicsMemory.h"

#include "engine/platform/Memory.h"
#include "physics/PhysicsAllocator.h"
#include "physics/PhysicsEngine.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

MemoryCategory* FindCategory(const char* name)
{
    for (int i = 0; i < g_MemoryCategories.count; ++i)
        if (std::strcmp(g_MemoryCategories.records[i].name, name) == 0)
            return &g_MemoryCategories.records[i];
    return nullptr;
}

} // namespace

TEST(PhysicsMemory, SimulatorsShareTheProgramsPhysicsCategory)
{
    InstallPhysicsMemory();
    TVec4 gravity = {0.0f, -9.81f, 0.0f, 0.0f};
    PhysicsEngine first, second;
    ASSERT_TRUE(first.Create(10, 5, 0, 40, 0, 5, 3, 10, 0, 200, 0, &gravity));
    MemoryCategory* physics = FindCategory("Physics");
    ASSERT_NE(physics, nullptr);
    EXPECT_EQ(g_PhysicsAllocator.category, physics);
    ASSERT_TRUE(second.Create(1, 0, 0, 4, 0, 0, 0, 10, 0, 200, 0, &gravity));
    EXPECT_EQ(g_PhysicsAllocator.category, physics);
    EXPECT_EQ(first.sizeInfo.overlapPairsCount, 105);
    EXPECT_EQ(second.sizeInfo.overlapPairsCount, 0);
    first.Destroy();
    second.Destroy();
}

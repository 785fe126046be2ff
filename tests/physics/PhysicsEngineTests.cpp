#include "PhysicsTestSupport.h"

#include "physics/PhysicsAllocator.h"
#include "physics/PhysicsEngine.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

int g_CategoryLookups = 0;
int g_Allocations = 0;
int g_Releases = 0;
char g_Category[] = "Physics";
std::string g_Error;

void* FindCategory(const char* name)
{
    ++g_CategoryLookups;
    return std::string(name) == "Physics" ? g_Category : nullptr;
}

void* Allocate(size_t size, void* category)
{
    EXPECT_EQ(category, g_Category);
    ++g_Allocations;
    return std::malloc(size);
}

void* RefuseAll(size_t, void*)
{
    return nullptr;
}

void Release(void* block)
{
    ++g_Releases;
    std::free(block);
}

bool Report(const char* message, bool, const char*)
{
    g_Error = message;
    return false;
}

class PhysicsEngineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_CategoryLookups = g_Allocations = g_Releases = 0;
        g_Error.clear();
        PhysicsMemoryFunctions memory;
        memory.allocate = &Allocate;
        memory.release = &Release;
        memory.findCategory = &FindCategory;
        g_PhysicsAllocator.SetMemoryFunctions(memory);
    }
    void TearDown() override { g_PhysicsAllocator.SetMemoryFunctions(PhysicsMemoryFunctions{}); }
};

} // namespace

TEST_F(PhysicsEngineTest, CountsGoToTheirFieldsInTheRightOrderAndFailureIsReported)
{
    PhysicsEngine engine;
    TVec4 gravity = Vec(0, -9.81f, 0);
    ASSERT_TRUE(engine.Create(10, 5, 0, 40, 0, 5, 3, 10, 0, 200, 0, &gravity));
    EXPECT_EQ(engine.sizeInfo.overlapPairsCount, 105);
    EXPECT_EQ(engine.sizeInfo.geometriesCount, 40);
    EXPECT_EQ(engine.sizeInfo.forceUpdatersCount, 0);
    EXPECT_EQ(engine.sizeInfo.constraintsCount, 5);
    EXPECT_EQ(engine.sizeInfo.constraintSetsCount, 3);
    EXPECT_EQ(engine.sizeInfo.reservedSize, 10);
    EXPECT_EQ(engine.sizeInfo.reservedStartCount, 200);
    EXPECT_EQ(engine.sizeInfo.reservedGrowBy, 0);
    ASSERT_NE(engine.simulator, nullptr);
    EXPECT_FLOAT_EQ(engine.simulator->GetGravity().y, -9.81f);
    EXPECT_EQ(engine.simulator->GetAllocator(), &g_PhysicsAllocator);
    EXPECT_GT(g_Allocations, 0);

    ASSERT_TRUE(engine.Create(1, 0, 0, 1, 0, 0, 0, 0, 0, 10, 0, &gravity));
    EXPECT_EQ(engine.sizeInfo.overlapPairsCount, 0);
    engine.Destroy();
    engine.Destroy();
    EXPECT_EQ(engine.simulator, nullptr);
    EXPECT_EQ(g_Allocations, g_Releases);

    PhysicsMemoryFunctions refusing;
    refusing.allocate = &RefuseAll;
    refusing.release = &Release;
    g_PhysicsAllocator.SetMemoryFunctions(refusing);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(engine.Create(70000, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, &gravity));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("Error initializing physics engine!"), std::string::npos)
        << "reported even without a reporter";
    EXPECT_EQ(engine.sizeInfo.overlapPairsCount, INT32_MAX) << "clamped, not overflowed";
    engine.reportError = &Report;
    EXPECT_FALSE(engine.Create(10, 5, 0, 40, 0, 5, 3, 10, 0, 200, 0, &gravity));
    EXPECT_EQ(g_Error, "Error initializing physics engine!");
    EXPECT_EQ(engine.simulator, nullptr);
}

TEST_F(PhysicsEngineTest, TwoSimulatorsShareOneCategoryLookup)
{
    PhysicsEngine first, second;
    TVec4 gravity = Vec(0, -9.81f, 0);
    ASSERT_TRUE(first.Create(2, 2, 0, 4, 0, 1, 1, 10, 0, 200, 0, &gravity));
    ASSERT_TRUE(second.Create(2, 2, 0, 4, 0, 1, 1, 10, 0, 200, 0, &gravity));
    EXPECT_EQ(g_CategoryLookups, 1);
}

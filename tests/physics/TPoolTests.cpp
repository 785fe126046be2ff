#include "PhysicsTestSupport.h"

#include "physics/TGrowArray.h"
#include "physics/TPool.h"

#include <gtest/gtest.h>

namespace {

struct Record {
    int value = 7;
};

} // namespace

TEST(TPool, TakesInSlotOrderAndReusesTheSlotFreedLast)
{
    CountingAllocator allocator;
    TPool<Record> pool;
    ASSERT_TRUE(pool.Create(&allocator, 3));
    Record* a = pool.Take();
    Record* b = pool.Take();
    Record* c = pool.Take();
    EXPECT_EQ(pool.SlotOf(a), 0);
    EXPECT_EQ(pool.SlotOf(b), 1);
    EXPECT_EQ(pool.SlotOf(c), 2);
    EXPECT_EQ(pool.Take(), nullptr);
    a->value = 99;
    pool.Give(b);
    pool.Give(a);
    Record* again = pool.Take();
    EXPECT_EQ(again, a);
    EXPECT_EQ(again->value, 7) << "a taken record starts from its defaults";
    EXPECT_EQ(pool.Take(), b);
    EXPECT_EQ(pool.FreeCount(), 0);
    EXPECT_EQ(pool.UsedCount(), 3);
}

TEST(TPool, RefusesForeignAndFreedRecords)
{
    CountingAllocator allocator;
    TPool<Record> pool;
    ASSERT_TRUE(pool.Create(&allocator, 2));
    Record outside;
    Record* a = pool.Take();
    EXPECT_FALSE(pool.IsInUse(&outside));
    EXPECT_EQ(pool.SlotOf(&outside), -1);
    EXPECT_EQ(pool.SlotOf(reinterpret_cast<char*>(a) + 1), -1);
    pool.Give(&outside);
    pool.Give(a);
    pool.Give(a);
    EXPECT_EQ(pool.FreeCount(), 2) << "giving a record twice must not list its slot twice";
    pool.Release();
    EXPECT_EQ(allocator.frees, allocator.allocations);
}

TEST(TGrowArray, GrowsByStepDoublesFromEmptyAndRefusesWithoutStep)
{
    CountingAllocator allocator;
    TGrowArray<int> stepped;
    ASSERT_TRUE(stepped.Create(&allocator, 2, 3));
    for (int i = 0; i < 6; ++i) {
        ASSERT_TRUE(stepped.Push(i));
    }
    EXPECT_EQ(stepped.Capacity(), 8);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(stepped[i], i);
    }

    TGrowArray<int> doubling;
    ASSERT_TRUE(doubling.Create(&allocator, 0, -1));
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(doubling.Push(i));
    }
    EXPECT_EQ(doubling.Capacity(), 8);

    TGrowArray<int> fixed;
    ASSERT_TRUE(fixed.Create(&allocator, 2, 0));
    EXPECT_TRUE(fixed.Push(1));
    EXPECT_TRUE(fixed.Push(2));
    EXPECT_FALSE(fixed.Push(3));
    EXPECT_EQ(fixed.Count(), 2);
}

TEST(TGrowArray, KeepsItsEntriesWhenTheAllocatorRefusesToGrow)
{
    CountingAllocator allocator;
    TGrowArray<int> array;
    ASSERT_TRUE(array.Create(&allocator, 1, 1));
    ASSERT_TRUE(array.Push(5));
    allocator.failAt = allocator.calls + 1;
    EXPECT_FALSE(array.Push(6));
    EXPECT_EQ(array.Count(), 1);
    EXPECT_EQ(array[0], 5);
}

#include "physics/TCollisionTable.h"

#include <gtest/gtest.h>

TEST(TCollisionTable, StartsResolvingEveryPairWithoutCallback)
{
    TCollisionTable table;
    for (int i = -1; i < 64; ++i) {
        for (int j = 0; j < 64; ++j) {
            ASSERT_EQ(table.Get(i, j), TCOLLISION_RESOLVE);
        }
    }
    EXPECT_EQ(table.Get(-1, -1), 0u);
}

TEST(TCollisionTable, SetIsSymmetricAndTerrainRowIsSeparate)
{
    TCollisionTable table;
    table.Set(1, 4, 3);
    EXPECT_EQ(table.Get(1, 4), 3u);
    EXPECT_EQ(table.Get(4, 1), 3u);
    table.Set(3, -1, 2);
    EXPECT_EQ(table.Get(3, -1), 2u);
    EXPECT_EQ(table.Get(-1, 3), 2u);
    EXPECT_EQ(table.Get(3, 3), 1u) << "the terrain entry of id 3 is not its pair entry";
    table.Set(-1, -1, 3);
    EXPECT_EQ(table.Get(-1, -1), 0u);
}

TEST(TCollisionTable, IdsOutsideTheTableAreRefused)
{
    TCollisionTable table;
    table.Set(64, 1, 0);
    table.Set(-2, 1, 0);
    table.Set(255, -1, 0);
    for (int j = 0; j < 64; ++j) {
        EXPECT_EQ(table.Get(1, j), 1u);
        EXPECT_EQ(table.Get(j, -1), 1u);
    }
    EXPECT_EQ(table.Get(200, 1), 1u);
}

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

TEST(TCollisionTable, SetIsSymmetricKeepsTheTerrainRowApartAndRefusesIdsOutsideTheTable)
{
    TCollisionTable table;
    table.Set(1, 4, 3);
    EXPECT_EQ(table.Get(4, 1), 3u);
    table.Set(3, -1, 2);
    EXPECT_EQ(table.Get(-1, 3), 2u);
    EXPECT_EQ(table.Get(3, 3), 1u) << "the terrain entry of id 3 is not its pair entry";
    table.Set(-1, -1, 3);
    EXPECT_EQ(table.Get(-1, -1), 0u);
    table.Set(64, 2, 0);
    table.Set(-2, 2, 0);
    table.Set(255, -1, 0);
    for (int j = 0; j < 64; ++j) {
        EXPECT_EQ(table.Get(2, j), 1u);
        EXPECT_EQ(table.Get(j == 3 ? 0 : j, -1), 1u);
    }
    EXPECT_EQ(table.Get(200, 1), 1u);
}

#include "datagen/TrackLandscape.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>

using namespace datagen;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

namespace {

TrackRoad RoadOf(const LandscapeDesign& design)
{
    return TrackRoad(design.polygon, design.gateLeft, design.gateRight, design.gateSpacing, 3);
}

size_t TreeCount(const Landscape& landscape)
{
    size_t trees = 0;
    for (const std::vector<uint8_t>& mask : landscape.masks)
        for (uint8_t b : mask)
            trees += b != 0;
    return trees;
}

TEST(TrackLandscape, BothTracksKeepEveryRuleWithGateZeroBetweenThePoles)
{
    for (const LandscapeDesign& design : {FinlandLandscape(), UKLandscape()}) {
        SCOPED_TRACE(design.directory);
        const TrackRoad road = RoadOf(design);
        const Landscape landscape = BuildLandscape(design, road);
        EXPECT_THAT(CheckLandscape(design, road, landscape), IsEmpty());
        const TrackGate& gate = landscape.trackData.gates.front();
        EXPECT_FLOAT_EQ(gate.left.x, design.gateLeft.x);
        EXPECT_FLOAT_EQ(gate.left.z, design.gateLeft.z);
        EXPECT_FLOAT_EQ(gate.right.x, design.gateRight.x);
        EXPECT_FLOAT_EQ(gate.right.z, design.gateRight.z);
        EXPECT_EQ(landscape.trackData.startPositions.size(), 6u);
        EXPECT_GE(landscape.trackData.gates.size(), 60u);
        EXPECT_GE(TreeCount(landscape), 300u);
        EXPECT_LE(TreeCount(landscape), 1500u);
    }
}

TEST(TrackLandscape, ChecksRefuseAStartInCellZeroATreeOnTheRoadASunkPoleAndATwistedCell)
{
    const LandscapeDesign design = UKLandscape();
    const TrackRoad road = RoadOf(design);
    const Landscape sound = BuildLandscape(design, road);
    const TrackConstants& c = design.constants;
    auto problems = [&](Landscape broken) { return CheckLandscape(design, road, broken); };

    // Just past gate 0: inside cell 0, so the race would count an extra lap.
    Landscape early = sound;
    const TrackGate& first = sound.trackData.gates[0];
    const TrackGate& second = sound.trackData.gates[1];
    early.trackData.startPositions[0] = {first.centre.x + (second.centre.x - first.centre.x) * 0.3f, 0.0f,
                                         first.centre.z + (second.centre.z - first.centre.z) * 0.3f};
    EXPECT_THAT(problems(early), ElementsAre(HasSubstr("start position 0")));

    Landscape blocked = sound;
    const Float3 onRoad = sound.trackData.gates[20].centre;
    const int column = int(std::lround((onRoad.x / c.worldSize.x + 0.5f) * float(c.heightMapWidth)));
    const int row = int(std::lround((0.5f - onRoad.z / c.worldSize.z) * float(c.heightMapHeight)));
    blocked.masks[0][size_t(row) * c.heightMapWidth + column] = 1;
    EXPECT_THAT(problems(blocked), ElementsAre(HasSubstr("tree")));

    // Two steps up under the left pole only.
    Landscape sunk = sound;
    for (int r = 0; r < c.heightMapHeight; ++r)
        for (int k = 0; k < c.heightMapWidth; ++k) {
            const float x = (float(k) / float(c.heightMapWidth) - 0.5f) * c.worldSize.x;
            const float z = (0.5f - float(r) / float(c.heightMapHeight)) * c.worldSize.z;
            if (std::hypot(x - design.gateLeft.x, z - design.gateLeft.z) < 3.0f)
                sunk.heightMap[size_t(r) * c.heightMapWidth + k] += 2;
        }
    EXPECT_THAT(problems(sunk), ElementsAre(HasSubstr("finish pole")));

    Landscape twisted = sound;
    std::swap(twisted.trackData.gates[40].left, twisted.trackData.gates[40].right);
    EXPECT_THAT(problems(twisted), ElementsAre(HasSubstr("cell 39"), HasSubstr("cell 40")));
}

} // namespace

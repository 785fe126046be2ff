#include "TrackTestKit.h"

#include "tracks/GermanyDefs.h"

#include <cmath>
#include <map>
#include <set>

using namespace GermanyDefs;

namespace {

constexpr float ROTATIONS[] = {-2.47837f, -1.92859f, -1.5708f,   -1.48353f,  -1.38754f,  -1.22173f,
                               -1.06465f, -1.05592f, -0.759218f, -0.715585f, -0.628318f, -0.130899f,
                               0.0f,      0.148353f, 0.584685f,  1.15192f,   1.22173f};
constexpr int PAIRS[] = {15, 14, 46, 24, 5, 19, 89, 20, 17, 46, 45, 40, 189, 46, 19, 46, 30};
constexpr size_t SEAT_COUNT = 8, PAIR_COUNT = 710;

struct Stack {
    float x, z, theta;
};

// How far the point lies outside the road cell: at least the distance to it.
float OutsideCell(const TrackSegment& cell, float x, float z)
{
    float outside = 0.0f;
    for (const float* plane : {cell.leftPlane, cell.rightPlane, cell.gatePlane, cell.nextGatePlane})
        outside = std::max(outside, -(plane[0] * x + plane[2] * z + plane[3]));
    return outside;
}

} // namespace

class GermanyTrackTest : public TrackTest {};

// The tyre stacks stand in straight walls: reds 1.44 apart along the stacks'
// own x axis, each white 0.72 further on, the listed number at each rotation;
// every wall lies beside a straight of the road with its heading and stands
// clear of the road cells; built, each stack sits on the ground.
TEST_F(GermanyTrackTest, TyreWallsLineTheStraightsClearOfTheRoad)
{
    constexpr size_t total = std::size(STATIC_PLACEMENTS);
    ASSERT_EQ(total, SEAT_COUNT + 2 * PAIR_COUNT);
    std::vector<Stack> reds;
    std::map<float, int> perRotation;
    for (size_t i = 0; i < PAIR_COUNT; ++i) {
        const PlacementDef& red = STATIC_PLACEMENTS[SEAT_COUNT + i];
        const PlacementDef& white = STATIC_PLACEMENTS[SEAT_COUNT + PAIR_COUNT + i];
        ASSERT_EQ(red.modelIndex, 1u);
        ASSERT_EQ(red.textureIndex, 1u);
        ASSERT_EQ(white.textureIndex, 2u);
        ASSERT_EQ(white.rotation.y, red.rotation.y) << "pair " << i + 1;
        ASSERT_EQ(white.position.y, red.position.y) << "pair " << i + 1;
        const float theta = red.rotation.y, dx = std::cos(theta), dz = -std::sin(theta);
        const float along = (white.position.x - red.position.x) * dx + (white.position.z - red.position.z) * dz;
        const float across = (white.position.x - red.position.x) * dz - (white.position.z - red.position.z) * dx;
        EXPECT_NEAR(along, 0.72f, 0.01f) << "pair " << i + 1;
        EXPECT_NEAR(across, 0.0f, 0.01f) << "pair " << i + 1;
        ++perRotation[theta];
        reds.push_back({red.position.x, red.position.z, theta});
    }
    std::map<float, int> expected;
    for (size_t r = 0; r < std::size(ROTATIONS); ++r)
        expected[ROTATIONS[r]] = PAIRS[r];
    EXPECT_EQ(perRotation, expected);
    // Rows the walls are built round.
    const struct {
        size_t pair;
        float x, z;
    } fixed[] = {{1, 60.4983f, 96.9292f},
                 {2, 61.6632f, 97.7756f},
                 {101, 14.2817f, 22.307f},
                 {301, -104.932f, 108.062f},
                 {710, 188.953f, 213.598f}};
    for (const auto& f : fixed) {
        EXPECT_EQ(reds[f.pair - 1].x, f.x) << "pair " << f.pair;
        EXPECT_EQ(reds[f.pair - 1].z, f.z) << "pair " << f.pair;
    }

    // Walls: chains of reds 1.44 apart along their axis.
    std::vector<int> next(reds.size(), -1), previous(reds.size(), -1);
    for (size_t a = 0; a < reds.size(); ++a)
        for (size_t b = 0; b < reds.size(); ++b) {
            const Stack &p = reds[a], &q = reds[b];
            if (p.theta == q.theta && std::abs(q.x - p.x - 1.44f * std::cos(p.theta)) < 0.01f &&
                std::abs(q.z - p.z + 1.44f * std::sin(p.theta)) < 0.01f) {
                EXPECT_EQ(next[a], -1);
                next[a] = int(b);
                previous[b] = int(a);
            }
        }

    ASSERT_TRUE(OpenTrack(TRACK_GERMANY)) << g_LastError;
    const std::vector<const TrackSegment*> cells = RoadCells();

    int walls = 0;
    for (size_t first = 0; first < reds.size(); ++first) {
        if (previous[first] != -1)
            continue;
        std::vector<size_t> wall = {first};
        while (next[wall.back()] != -1)
            wall.push_back(size_t(next[wall.back()]));
        ++walls;
        EXPECT_GE(wall.size(), 3u) << "a wall starting at red " << first + 1;
        // Clear of every road cell, and the road runs along the wall where it stands.
        for (size_t k : wall) {
            const Stack& s = reds[k];
            const TrackSegment* nearest = nullptr;
            float best = 1e9f;
            for (const TrackSegment* c : cells) {
                const float d = OutsideCell(*c, s.x, s.z);
                EXPECT_GE(d, 1.0f + 0.51f) << "red " << k + 1 << " by cell " << c->index;
                if (d < best) {
                    best = d;
                    nearest = c;
                }
            }
            if (k != wall[wall.size() / 2])
                continue;
            const float cross = nearest->direction.x * -std::sin(s.theta) - nearest->direction.z * std::cos(s.theta);
            EXPECT_LT(std::abs(cross), 0.01f) << "red " << k + 1 << " beside cell " << nearest->index;
        }
    }
    EXPECT_GE(walls, 17);

    // Built, every stack sits 0.5 over the ground; the stands keep their y.
    ASSERT_EQ(track->staticObjects.size(), total);
    for (size_t i = 0; i < total; ++i) {
        const StaticTrackObject& object = *track->staticObjects[i];
        backend::Vector3 ground;
        ASSERT_TRUE(track->terrain.GetSurfacePoint(&object.position, &ground));
        const float expectedY = i < SEAT_COUNT ? STATIC_PLACEMENTS[i].position.y : ground.y + 0.5f;
        EXPECT_NEAR(object.position.y, expectedY, 1e-4f) << "object " << i;
    }
}

#include "datagen/GermanyCircuit.h"

#include <cmath>

namespace germany {

namespace {

enum Rotation { A, B, C, D, E, F, G, H, I, J, K, L, M, N, O, P, Q };

constexpr float LEAD = 3.0f; // collinear points before and after a straight keep it straight

// One leg of the polygon: a straight by index, or a point of a curve.
struct Leg {
    int straight;
    Point2D point;
};

const std::vector<Leg>& Legs()
{
    static const std::vector<Leg> legs = {
        {-1, {-176.0f, 8.0f}},
        {0, {}},
        {-1, {-168.0f, 70.0f}},
        {-1, {-156.0f, 90.0f}},
        {1, {}},
        {2, {}},
        {3, {}},
        {4, {}},
        {5, {}},
        {6, {}},
        {7, {}},
        {8, {}},
        {9, {}},
        {10, {}},
        {11, {}},
        {12, {}},
        {-1, {-8.5f, -37.5f}},
        {-1, {-2.0f, -44.5f}},
        {13, {}},
        {-1, {90.0f, -93.0f}},
        {-1, {106.0f, -96.0f}},
        {-1, {114.0f, -104.5f}},
        {-1, {111.8f, -118.0f}},
        {-1, {102.7f, -137.0f}},
        {14, {}},
        {15, {}},
        {-1, {100.0f, -236.0f}},
        {-1, {85.0f, -244.0f}},
        {16, {}},
        {17, {}},
        {18, {}},
        {-1, {-145.1f, -146.0f}},
        {-1, {-156.1f, -91.0f}},
    };
    return legs;
}

} // namespace

Point2D WallDirection(int rotation)
{
    const float theta = WALL_ROTATIONS[rotation];
    return {std::cos(theta), -std::sin(theta)};
}

const std::vector<Straight>& Straights()
{
    // Where a fixed wall stands, the straight's centre line lies its lateral distance away.
    static const std::vector<Straight> straights = {
        {E, {-177.0f, 22.0f}, 16.0f, 1.0f, 6.5f, 0.0f, 1},    {M, {-140.0f, 98.5f}, 72.0f, 1.0f, 9.562f, 6.5f, 1},
        {M, {-60.0f, 98.5f}, 17.0f, 1.0f, 0.0f, 6.5f, 1},     {J, {-32.0f, 105.0f}, 34.0f, 1.0f, 6.5f, 6.5f, 2},
        {I, {40.0f, 153.0f}, 26.0f, 1.0f, 6.5f, 6.5f, 1},     {F, {66.0f, 186.0f}, 40.0f, 1.0f, 6.5f, 6.5f, 1},
        {N, {100.0f, 254.0f}, 45.0f, 1.0f, 6.5f, 6.5f, 1},    {P, {169.19f, 242.01f}, 38.0f, 1.0f, 6.5f, 6.5f, 1},
        {D, {163.9f, 176.0f}, 40.0f, -1.0f, 0.0f, 6.5f, 1},   {L, {138.0f, 114.5f}, 38.0f, -1.0f, 6.5f, 6.5f, 1},
        {K, {83.74f, 105.78f}, 27.0f, -1.0f, 6.5f, 6.5f, 2},  {G, {50.03f, 73.38f}, 82.0f, -1.0f, 6.5f, 6.5f, 1},
        {H, {4.0f, -10.0f}, 20.0f, -1.0f, 6.5f, 6.5f, 1},     {O, {12.0f, -51.0f}, 64.0f, 1.0f, 6.5f, 6.5f, 1},
        {C, {95.0f, -155.0f}, 35.0f, -1.0f, 6.5f, 6.5f, 2},   {B, {98.0f, -198.0f}, 18.0f, -1.0f, 6.5f, 6.5f, 1},
        {M, {70.0f, -246.0f}, 120.0f, -1.0f, 6.5f, 6.5f, 1},  {A, {-68.0f, -240.0f}, 25.0f, 1.0f, 6.5f, 6.5f, 1},
        {Q, {-125.0f, -215.0f}, 25.0f, -1.0f, 6.5f, 6.5f, 1},
    };
    return straights;
}

std::vector<Point2D> Polygon()
{
    std::vector<Point2D> polygon = {{-167.13418f, -36.339478f}};
    for (const Leg& leg : Legs()) {
        if (leg.straight < 0) {
            polygon.push_back(leg.point);
            continue;
        }
        const Straight& s = Straights()[size_t(leg.straight)];
        const Point2D d = WallDirection(s.rotation);
        const Point2D u = {d.x * s.travel, d.z * s.travel};
        for (float along : {-LEAD, 0.0f, s.length, s.length + LEAD})
            polygon.push_back({s.from.x + u.x * along, s.from.z + u.z * along});
    }
    return polygon;
}

} // namespace germany

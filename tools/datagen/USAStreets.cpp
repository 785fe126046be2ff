#include "datagen/USAStreets.h"

#include <algorithm>
#include <cmath>

namespace datagen::usa {

namespace {

constexpr float START_X = -53.0f, START_Z = -127.0179f;
constexpr float STRAIGHT_STEP = 30.0f;

Point2D Along(Point2D from, Point2D to, float distance)
{
    const float length = std::hypot(to.x - from.x, to.z - from.z);
    return {from.x + (to.x - from.x) * distance / length, from.z + (to.z - from.z) * distance / length};
}

// Points every STRAIGHT_STEP or less from a to b, a excluded, b included.
void AddStraight(std::vector<Point2D>& out, Point2D a, Point2D b)
{
    const float length = std::hypot(b.x - a.x, b.z - a.z);
    const int steps = std::max(1, int(std::ceil(length / STRAIGHT_STEP)));
    for (int k = 1; k <= steps; ++k)
        out.push_back(Along(a, b, length * float(k) / float(steps)));
}

} // namespace

const std::vector<Street>& Streets()
{
    static const std::vector<Street> streets = {
        // The race loop.
        {true, -53.0f, -250.0f, -61.0f, RACED_WIDTH, true},
        {false, -61.0f, -115.0f, -53.0f, RACED_WIDTH, true},
        {true, -115.0f, -61.0f, 300.0f, RACED_WIDTH, true},
        {false, 300.0f, -115.0f, 111.0f, RACED_WIDTH, true},
        {true, 111.0f, -250.0f, 300.0f, RACED_WIDTH, true},
        {false, -250.0f, -53.0f, 111.0f, RACED_WIDTH, true},
        // Side streets along z.
        {true, -53.0f, -61.0f, 445.0f, SIDE_WIDTH, false},
        {true, -53.0f, -445.0f, -250.0f, SIDE_WIDTH, false},
        {true, -115.0f, 300.0f, 445.0f, SIDE_WIDTH, false},
        {true, 20.0f, -445.0f, 300.0f, SIDE_WIDTH, false},
        {true, 111.0f, 300.0f, 445.0f, SIDE_WIDTH, false},
        {true, 111.0f, -445.0f, -250.0f, SIDE_WIDTH, false},
        {true, 165.0f, -445.0f, 445.0f, SIDE_WIDTH, false},
        // Side streets along x.
        {false, -400.0f, -200.0f, 200.0f, SIDE_WIDTH, false},
        {false, -335.0f, -53.0f, 200.0f, SIDE_WIDTH, false},
        {false, -250.0f, 111.0f, 200.0f, SIDE_WIDTH, false},
        {false, -160.0f, -200.0f, 200.0f, SIDE_WIDTH, false},
        {false, -61.0f, -200.0f, -115.0f, SIDE_WIDTH, false},
        {false, -61.0f, -53.0f, 200.0f, SIDE_WIDTH, false},
        {false, 20.0f, -200.0f, 200.0f, SIDE_WIDTH, false},
        {false, 100.0f, -200.0f, 200.0f, SIDE_WIDTH, false},
        {false, 180.0f, -200.0f, 200.0f, SIDE_WIDTH, false},
        {false, 300.0f, -200.0f, -115.0f, SIDE_WIDTH, false},
        {false, 300.0f, 111.0f, 200.0f, SIDE_WIDTH, false},
        {false, 400.0f, -200.0f, 200.0f, SIDE_WIDTH, false},
    };
    return streets;
}

std::vector<Point2D> LoopCorners()
{
    return {{START_X, START_Z}, {-53.0f, -61.0f},  {-115.0f, -61.0f}, {-115.0f, 300.0f},
            {111.0f, 300.0f},   {111.0f, -250.0f}, {-53.0f, -250.0f}};
}

std::vector<Point2D> LoopPolygon()
{
    const std::vector<Point2D> corners = LoopCorners();
    const size_t n = corners.size();
    std::vector<Point2D> polygon = {corners[0]};
    Point2D last = corners[0];
    for (size_t i = 1; i <= n; ++i) {
        if (i == n) {
            AddStraight(polygon, last, corners[0]);
            polygon.pop_back(); // the start closes the ring
            break;
        }
        const Point2D c = corners[i], before = corners[i - 1], after = corners[(i + 1) % n];
        const Point2D arcStart = Along(c, before, CORNER_RADIUS), arcEnd = Along(c, after, CORNER_RADIUS);
        AddStraight(polygon, last, Along(c, before, CORNER_RADIUS + 2.0f));
        polygon.push_back(arcStart);
        // The arc's middle, on the circle through both ends.
        const Point2D centre = {arcStart.x + arcEnd.x - c.x, arcStart.z + arcEnd.z - c.z};
        const float mx = c.x - centre.x, mz = c.z - centre.z, m = std::hypot(mx, mz);
        polygon.push_back({centre.x + mx / m * CORNER_RADIUS, centre.z + mz / m * CORNER_RADIUS});
        polygon.push_back(arcEnd);
        last = Along(c, after, CORNER_RADIUS + 2.0f);
        polygon.push_back(last);
    }
    return polygon;
}

float StreetDistance(float x, float z)
{
    float best = 1e9f;
    for (const Street& s : Streets()) {
        const float across = std::abs((s.alongZ ? x : z) - s.at) - s.width * 0.5f;
        const float along = s.alongZ ? z : x;
        // Each end reaches across the street it meets.
        const float beyond = std::max(s.from - along, along - s.to) - s.width * 0.5f;
        const float d = beyond > 0.0f ? (across > 0.0f ? std::hypot(across, beyond) : beyond) : across;
        best = std::min(best, d);
    }
    return best;
}

} // namespace datagen::usa

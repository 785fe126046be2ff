// The rules a generated track must keep for the game to race on it: a sound
// ring of cells, the start grid behind gate 0, checkpoints, a drivable road
// clear of objects and trees, and the ground where the tables put things.

#include "datagen/LandscapeGrid.h"
#include "datagen/TrackLandscape.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace datagen {

namespace {

constexpr float PAD_TOLERANCE = 0.05f;
constexpr float MAX_ROAD_SLOPE = 15.0f; // degrees
constexpr size_t MAX_TREES = 1500;

// A vertical plane as the game builds it: a x + c z + d >= 0 inside.
struct Plane {
    float a = 0.0f, c = 0.0f, d = 0.0f;
    float At(float x, float z) const { return a * x + c * z + d; }
};

// Through p along p -> q, the normal (q - p) x up, or up x (q - p) when flipped.
Plane EdgePlane(const Float3& p, const Float3& q, bool flipped)
{
    const float ux = q.x - p.x, uz = q.z - p.z;
    const float length = std::hypot(ux, uz);
    Plane plane;
    if (length <= 0.0f)
        return plane;
    plane.a = (flipped ? uz : -uz) / length;
    plane.c = (flipped ? -ux : ux) / length;
    plane.d = -(plane.a * p.x + plane.c * p.z);
    return plane;
}

struct Cell {
    Plane gate, next, left, right;
    bool Inside(float x, float z, float margin) const
    {
        return gate.At(x, z) >= margin && next.At(x, z) >= margin && left.At(x, z) >= 0.0f && right.At(x, z) >= 0.0f;
    }
};

std::string Format(const char* format, double a, double b = 0.0, double c = 0.0)
{
    char text[256];
    std::snprintf(text, sizeof text, format, a, b, c);
    return text;
}

float Cross(const Float3& o, const Float3& a, const Float3& b)
{
    return (a.x - o.x) * (b.z - o.z) - (a.z - o.z) * (b.x - o.x);
}

void CheckRing(const LandscapeDesign& design, const TrackDataFile& data, const std::vector<Cell>& cells,
               std::vector<std::string>& problems)
{
    const std::vector<TrackGate>& gates = data.gates;
    const size_t n = gates.size();
    const LandscapeGrid grid(design.constants);
    const float width = std::hypot(gates[0].right.x - gates[0].left.x, gates[0].right.z - gates[0].left.z);
    for (size_t i = 0; i < n; ++i) {
        const TrackGate& g = gates[i];
        const TrackGate& h = gates[(i + 1) % n];
        const float edges[3] = {std::hypot(g.right.x - g.left.x, g.right.z - g.left.z),
                                std::hypot(h.left.x - g.left.x, h.left.z - g.left.z),
                                std::hypot(h.right.x - g.right.x, h.right.z - g.right.z)};
        if (*std::min_element(edges, edges + 3) < 0.01f)
            problems.push_back(Format("cell %.0f has a zero-length edge", double(i)));
        const Float3 quad[4] = {g.left, g.right, h.right, h.left};
        float turns[4];
        for (int k = 0; k < 4; ++k)
            turns[k] = Cross(quad[k], quad[(k + 1) % 4], quad[(k + 2) % 4]);
        const bool convex = std::all_of(turns, turns + 4, [](float t) { return t > 0.0f; }) ||
                            std::all_of(turns, turns + 4, [](float t) { return t < 0.0f; });
        const float cx = (g.left.x + g.right.x + h.left.x + h.right.x) * 0.25f;
        const float cz = (g.left.z + g.right.z + h.left.z + h.right.z) * 0.25f;
        if (!convex || !cells[i].Inside(cx, cz, 0.01f))
            problems.push_back(Format("cell %.0f is not convex or its centre lies outside its planes", double(i)));
        const float length = std::hypot(h.centre.x - g.centre.x, h.centre.z - g.centre.z);
        if (length < 1e-3f)
            problems.push_back(Format("gates %.0f and %.0f share a centre", double(i), double((i + 1) % n)));
        else if (length < 4.0f || length > 16.0f)
            problems.push_back(Format("cell %.0f is %.2f long", double(i), double(length)));
        for (const Float3& p : {g.left, g.right})
            if (std::abs(p.x) > grid.sizeX * 0.5f - 2.0f * grid.cellX ||
                std::abs(p.z) > grid.sizeZ * 0.5f - 2.0f * grid.cellZ)
                problems.push_back(Format("gate %.0f lies within two terrain cells of the edge", double(i)));
        for (size_t j = i + 3; j + 3 <= i + n; ++j) {
            const TrackGate& far = gates[j % n];
            if (std::hypot(far.centre.x - g.centre.x, far.centre.z - g.centre.z) < width + 2.0f)
                problems.push_back(Format("the road meets itself at gates %.0f and %.0f", double(i), double(j % n)));
        }
    }
}

void CheckStart(const LandscapeDesign& design, const TrackDataFile& data, const std::vector<Cell>& cells,
                const HeightField& ground, std::vector<std::string>& problems)
{
    const TrackGate& gate = data.gates[0];
    for (const LandscapeObject& pole : design.objects) {
        if (!pole.onRoad)
            continue;
        const float toLeft = std::hypot(pole.position.x - gate.left.x, pole.position.z - gate.left.z);
        const float toRight = std::hypot(pole.position.x - gate.right.x, pole.position.z - gate.right.z);
        if (std::min(toLeft, toRight) > 0.5f)
            problems.push_back(Format("gate 0 does not end at the finish pole at (%.2f, %.2f)", double(pole.position.x),
                                      double(pole.position.z)));
    }
    const size_t n = data.gates.size();
    const std::vector<Float3>& starts = data.startPositions;
    if (starts.size() < 6 || starts.size() > 64)
        problems.push_back(Format("%.0f start positions (6 to 64 wanted)", double(starts.size())));
    for (size_t s = 0; s < starts.size(); ++s) {
        const Float3& p = starts[s];
        float h = 0.0f;
        bool behind = false, elsewhere = false;
        for (size_t i = 0; i < n; ++i) {
            const bool own = i + 1 == n || i + 2 == n;
            if (own && cells[i].Inside(p.x, p.z, 0.5f))
                behind = true;
            else if (cells[i].Inside(p.x, p.z, 0.0f))
                elsewhere = true;
        }
        if (!behind || elsewhere || p.y != 0.0f || !ground.HeightAt(p.x, p.z, &h))
            problems.push_back(Format("start position %.0f at (%.2f, %.2f) is not well inside the last two cells",
                                      double(s), double(p.x), double(p.z)));
        for (size_t t = 0; t < s; ++t)
            if (std::hypot(starts[t].x - p.x, starts[t].z - p.z) < 2.0f)
                problems.push_back(Format("start positions %.0f and %.0f are closer than 2", double(t), double(s)));
    }
    std::vector<size_t> checkpoints;
    for (size_t i = 0; i < n; ++i)
        if (data.gates[i].checkpoint)
            checkpoints.push_back(i);
    if (!checkpoints.empty() && checkpoints.front() == 0)
        problems.push_back("gate 0 is flagged as a checkpoint");
    if (checkpoints.size() < 3 || checkpoints.size() > 4)
        problems.push_back(Format("%.0f checkpoints (3 or 4 wanted)", double(checkpoints.size())));
    checkpoints.push_back(n);
    for (size_t k = 0, last = 0; k < checkpoints.size(); last = checkpoints[k++])
        if (checkpoints[k] - last < n / 8)
            problems.push_back("the checkpoints are not spread over the lap");
}

void CheckRoadSurface(const TrackRoad& road, const HeightField& ground, std::vector<std::string>& problems)
{
    const std::vector<Point2D>& line = road.Centreline();
    const float halfWidth = road.Width() * 0.5f;
    float steepest = 0.0f;
    Point2D where;
    auto slope = [](float h0, float h1, float run) { return std::atan(std::abs(h1 - h0) / run) * 57.29578f; };
    for (size_t i = 0; i < line.size(); ++i) {
        const Point2D a = line[i], b = line[(i + 1) % line.size()];
        const float run = std::max(std::hypot(b.x - a.x, b.z - a.z), 1e-3f);
        const float sideX = -(b.z - a.z) / run, sideZ = (b.x - a.x) / run;
        float previous = 0.0f;
        for (float l = -halfWidth; l <= halfWidth + 1e-3f; l += 1.0f) {
            float h0 = 0.0f, h1 = 0.0f;
            if (!ground.HeightAt(a.x + sideX * l, a.z + sideZ * l, &h0) ||
                !ground.HeightAt(b.x + sideX * l, b.z + sideZ * l, &h1)) {
                problems.push_back(Format("the road leaves the terrain at (%.1f, %.1f)", double(a.x), double(a.z)));
                return;
            }
            float worst = slope(h0, h1, run);
            if (l > -halfWidth)
                worst = std::max(worst, slope(previous, h0, 1.0f));
            previous = h0;
            if (worst > steepest) {
                steepest = worst;
                where = a;
            }
        }
    }
    if (steepest > MAX_ROAD_SLOPE)
        problems.push_back(
            Format("the road slopes %.1f degrees at (%.1f, %.1f)", double(steepest), double(where.x), double(where.z)));
}

// The least distance from the road's centre line to the object's turned footprint.
float FootprintDistance(const TrackRoad& road, const LandscapeObject& object)
{
    const float c = std::cos(object.rotationY), s = std::sin(object.rotationY);
    const float hx = object.size.x * 0.5f, hz = object.size.z * 0.5f;
    const int stepsX = std::max(1, int(std::ceil(object.size.x))), stepsZ = std::max(1, int(std::ceil(object.size.z)));
    float nearest = road.Project(object.position.x, object.position.z).distance;
    for (int i = 0; i <= stepsX; ++i)
        for (int j = 0; j <= stepsZ; ++j) {
            if (i != 0 && i != stepsX && j != 0 && j != stepsZ)
                continue;
            // Local x turns to (cos, -sin), local z to (sin, cos).
            const float lx = -hx + 2.0f * hx * float(i) / float(stepsX);
            const float lz = -hz + 2.0f * hz * float(j) / float(stepsZ);
            nearest = std::min(
                nearest,
                road.Project(object.position.x + lx * c + lz * s, object.position.z - lx * s + lz * c).distance);
        }
    return nearest;
}

void CheckObjectsAndTrees(const LandscapeDesign& design, const TrackRoad& road, const Landscape& landscape,
                          const HeightField& ground, std::vector<std::string>& problems)
{
    const LandscapeGrid grid(design.constants);
    const float clearance = road.Width() * 0.5f + 2.0f;
    for (const LandscapeObject& object : design.objects) {
        const float x = object.position.x, z = object.position.z;
        float h = 0.0f;
        if (!ground.HeightAt(x, z, &h)) {
            problems.push_back(Format("no ground under the object at (%.2f, %.2f)", double(x), double(z)));
            continue;
        }
        // On flat ground an object may sink in, as long as it does not float.
        const float below = GroundTarget(object) - h;
        if (object.padded && (design.flatGround ? below > PAD_TOLERANCE : std::abs(below) > PAD_TOLERANCE))
            problems.push_back(Format(object.onRoad ? "finish pole at (%.2f, %.2f) stands on ground %.3f"
                                                    : "object at (%.2f, %.2f) stands on ground %.3f",
                                      double(x), double(z), double(h)) +
                               Format(" instead of %.3f", double(GroundTarget(object))));
        if (!object.onRoad && FootprintDistance(road, object) < clearance)
            problems.push_back(Format("object at (%.2f, %.2f) stands within %.1f of the road", double(x), double(z),
                                      double(clearance - road.Width() * 0.5f)));
    }
    size_t trees = 0;
    for (size_t m = 0; m < landscape.masks.size(); ++m) {
        const std::vector<uint8_t>& mask = landscape.masks[m];
        const float width = design.masks[m].collisionWidth;
        if (mask.size() != size_t(grid.mapWidth) * grid.mapHeight) {
            problems.push_back(design.masks[m].gamePath + " has the wrong size");
            continue;
        }
        if (std::any_of(mask.begin(), mask.begin() + grid.mapWidth, [](uint8_t b) { return b != 0; }))
            problems.push_back("row 0 of " + design.masks[m].gamePath + " places a tree");
        for (int row = 0; row < grid.mapHeight; ++row)
            for (int column = 0; column < grid.mapWidth; ++column) {
                if (mask[size_t(row) * grid.mapWidth + column] == 0)
                    continue;
                ++trees;
                const float x = grid.MaskX(column), z = grid.MaskZ(row);
                bool blocking = road.Project(x, z).distance - width < clearance;
                for (const LandscapeObject& object : design.objects)
                    blocking = blocking ||
                               std::hypot(x - object.position.x, z - object.position.z) < ObjectRadius(object) + width;
                if (blocking)
                    problems.push_back(
                        Format("a tree at (%.2f, %.2f) blocks the road or stands on a pad", double(x), double(z)));
            }
    }
    if (!landscape.tufts.empty()) {
        if (std::any_of(landscape.tufts.begin(), landscape.tufts.begin() + grid.mapWidth,
                        [](uint8_t b) { return b != 0; }))
            problems.push_back("row 0 of " + design.tuftMaskPath + " places a tuft");
        for (int row = 0; row < grid.mapHeight; ++row)
            for (int column = 0; column < grid.mapWidth; ++column)
                if (landscape.tufts[size_t(row) * grid.mapWidth + column] != 0 &&
                    road.Project(grid.MaskX(column), grid.MaskZ(row)).distance < road.Width() * 0.5f)
                    problems.push_back(Format("a tuft at (%.2f, %.2f) stands on the road", double(grid.MaskX(column)),
                                              double(grid.MaskZ(row))));
    }
    if (trees > MAX_TREES)
        problems.push_back(Format("%.0f colliding trees (at most %.0f)", double(trees), double(MAX_TREES)));
    if (landscape.heightMap.size() != size_t(grid.mapWidth) * grid.mapHeight)
        problems.push_back("the height map has the wrong size");
}

// The road and the poles above the water, and the ground the design promises.
void CheckDesignHeights(const LandscapeDesign& design, const TrackRoad& road, const HeightField& ground,
                        std::vector<std::string>& problems)
{
    constexpr float DRY_MARGIN = 0.2f;
    if (design.hasWater) {
        const std::vector<Point2D>& line = road.Centreline();
        const float halfWidth = road.Width() * 0.5f;
        for (size_t i = 0; i < line.size(); ++i) {
            const Point2D a = line[i], b = line[(i + 1) % line.size()];
            const float run = std::max(std::hypot(b.x - a.x, b.z - a.z), 1e-3f);
            const float sideX = -(b.z - a.z) / run, sideZ = (b.x - a.x) / run;
            for (float l : {-halfWidth, 0.0f, halfWidth}) {
                float h = 0.0f;
                if (ground.HeightAt(a.x + sideX * l, a.z + sideZ * l, &h) && h < design.waterLevel + DRY_MARGIN) {
                    problems.push_back(
                        Format("the road at (%.1f, %.1f) lies at %.2f", double(a.x), double(a.z), double(h)) +
                        Format(", under the water at %.2f", double(design.waterLevel)));
                    return;
                }
            }
        }
        for (const LandscapeObject& object : design.objects)
            if (object.onRoad && GroundTarget(object) < design.waterLevel + DRY_MARGIN)
                problems.push_back(Format("the finish pole at (%.2f, %.2f) stands in the water",
                                          double(object.position.x), double(object.position.z)));
    }
    const LandscapeGrid grid(design.constants);
    for (const HeightCheck& check : design.heightChecks) {
        bool any = false;
        std::string failure;
        for (float dz = -check.radius; dz <= check.radius && failure.empty(); dz += grid.cellZ)
            for (float dx = -check.radius; dx <= check.radius && failure.empty(); dx += grid.cellX) {
                const float x = check.centre.x + dx, z = check.centre.z + dz;
                float h = 0.0f;
                if (std::hypot(dx, dz) > check.radius || !ground.HeightAt(x, z, &h))
                    continue;
                any = true;
                if (h < check.low || h > check.high)
                    failure = std::string(check.what) + Format(": ground %.2f at (%.1f, %.1f)", h, x, z) +
                              Format(" outside %.2f .. %.2f", check.low, check.high);
            }
        if (!failure.empty())
            problems.push_back(failure);
        else if (!any)
            problems.push_back(std::string(check.what) + ": no ground to check");
    }
}

} // namespace

std::vector<std::string> CheckLandscape(const LandscapeDesign& design, const TrackRoad& road,
                                        const Landscape& landscape)
{
    std::vector<std::string> problems;
    const TrackDataFile& data = landscape.trackData;
    if (data.gates.size() < 3)
        return {"fewer than 3 gates"};
    const LandscapeGrid grid(design.constants);
    if (landscape.heightMap.size() != size_t(grid.mapWidth) * grid.mapHeight)
        return {"the height map has the wrong size"};
    const HeightField ground = grid.Ground(landscape.heightMap);
    std::vector<Cell> cells;
    for (size_t i = 0; i < data.gates.size(); ++i) {
        const TrackGate& g = data.gates[i];
        const TrackGate& h = data.gates[(i + 1) % data.gates.size()];
        cells.push_back({EdgePlane(g.left, g.right, false), EdgePlane(h.left, h.right, true),
                         EdgePlane(g.left, h.left, true), EdgePlane(g.right, h.right, false)});
    }
    CheckRing(design, data, cells, problems);
    CheckStart(design, data, cells, ground, problems);
    CheckRoadSurface(road, ground, problems);
    CheckObjectsAndTrees(design, road, landscape, ground, problems);
    CheckDesignHeights(design, road, ground, problems);
    return problems;
}

} // namespace datagen

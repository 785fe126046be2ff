#include "datagen/TrackLandscape.h"

#include "datagen/LandscapeGrid.h"

#include "datagen/Painter.h"
#include "datagen/SampleData.h"
#include "datagen/TrackModelSizes.h"
#include "datagen/writers/TrackDataWriter.h"

#include <algorithm>
#include <cmath>
#include <string_view>

namespace datagen {

namespace {

constexpr uint32_t ALPHA_MAP_SIZE = 512;
constexpr uint32_t MINIMAP_SIZE = 256;
constexpr int START_ROWS = 3;
constexpr float PAD_TUNE_TOLERANCE = 0.015f;
constexpr float TREE_SPACING = 5.0f;

float SmoothStep(float x, float from, float to)
{
    const float t = std::clamp((x - from) / (to - from), 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}

uint32_t Hash(uint32_t x, uint32_t y, uint32_t seed)
{
    uint32_t h = x * 374761393u + y * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return h ^ (h >> 16);
}

float Random01(uint32_t x, uint32_t y, uint32_t seed)
{
    return float(Hash(x, y, seed) & 0xFFFFFFu) / float(0x1000000);
}

// The map bytes from the vertex samples: every byte a vertex reads holds its
// sample, the bytes between blend their neighbours.
std::vector<uint8_t> MapFromSamples(const LandscapeGrid& grid, const std::vector<uint8_t>& samples)
{
    std::vector<uint8_t> map(size_t(grid.mapWidth) * size_t(grid.mapHeight));
    for (int row = 0; row < grid.mapHeight; ++row) {
        const float fr =
            std::clamp(float(row + 1) * float(grid.cellsZ) / float(grid.mapHeight), 0.0f, float(grid.cellsZ));
        const int r0 = std::min(int(fr), grid.cellsZ - 1);
        const float tr = fr - float(r0);
        for (int column = 0; column < grid.mapWidth; ++column) {
            const float fc = float(column) * float(grid.cellsX) / float(grid.mapWidth);
            const int c0 = std::min(int(fc), grid.cellsX - 1);
            const float tc = fc - float(c0);
            const float top = samples[grid.Index(r0, c0)] * (1.0f - tc) + samples[grid.Index(r0, c0 + 1)] * tc;
            const float bottom =
                samples[grid.Index(r0 + 1, c0)] * (1.0f - tc) + samples[grid.Index(r0 + 1, c0 + 1)] * tc;
            map[size_t(row) * grid.mapWidth + column] = uint8_t(std::lround(top * (1.0f - tr) + bottom * tr));
        }
    }
    for (int row = 0; row <= grid.cellsZ; ++row) {
        const int mapRow = HeightField::SampleRow(row, grid.cellsZ, grid.mapHeight);
        for (int column = 0; column <= grid.cellsX; ++column)
            map[size_t(mapRow) * grid.mapWidth + HeightField::SampleColumn(column, grid.cellsX, grid.mapWidth)] =
                samples[grid.Index(row, column)];
    }
    return map;
}

// Nudges the vertex samples under a placement so that the smoothed, bilinear
// ground there meets `error` more: a whole-step lift of the 4 x 4 block the
// query reads, then single samples by their weight.
void TunePad(const LandscapeGrid& grid, HeightField& probe, std::vector<uint8_t>& samples, float x, float z,
             float error)
{
    const float quantum = grid.sizeY / 255.0f;
    const int baseRow = int(std::floor(float(grid.cellsZ) * (0.5f - z / grid.sizeZ)));
    const int baseColumn = int(std::floor(float(grid.cellsX) * (0.5f + x / grid.sizeX)));
    // Bilinear weights of the smoothed vertices, asked of the shared query.
    struct Weight {
        int row, column;
        float weight;
    };
    std::vector<Weight> corners;
    for (int r = baseRow - 1; r <= baseRow + 2; ++r)
        for (int c = baseColumn - 1; c <= baseColumn + 2; ++c) {
            if (r < 0 || c < 0 || r >= grid.Rows() || c >= grid.Columns())
                continue;
            probe.heights[grid.Index(r, c)] = 1.0f;
            float w = 0.0f;
            probe.HeightAt(x, z, &w);
            probe.heights[grid.Index(r, c)] = 0.0f;
            if (w > 0.0f)
                corners.push_back({r, c, w});
        }
    if (corners.empty())
        return;
    // Each sample's share of the ground through the 3 x 3 smoothing.
    std::vector<Weight> samplesUsed;
    for (int r = baseRow - 2; r <= baseRow + 3; ++r)
        for (int c = baseColumn - 2; c <= baseColumn + 3; ++c) {
            if (r < 1 || c < 1 || r >= grid.Rows() - 1 || c >= grid.Columns() - 1)
                continue;
            float share = 0.0f;
            for (const Weight& corner : corners)
                if (std::abs(corner.row - r) <= 1 && std::abs(corner.column - c) <= 1)
                    share += corner.weight / 9.0f;
            if (share > 0.0f)
                samplesUsed.push_back({r, c, share});
        }
    auto step = [&](const Weight& s, int by) {
        uint8_t& sample = samples[grid.Index(s.row, s.column)];
        const int moved = std::clamp(int(sample) + by, 0, 255);
        error -= float(moved - int(sample)) * s.weight * quantum;
        sample = uint8_t(moved);
    };
    const int whole = int(std::lround(error / quantum));
    if (whole != 0) {
        float total = 0.0f;
        for (const Weight& s : samplesUsed)
            total += s.weight;
        if (total > 0.99f)
            for (const Weight& s : samplesUsed)
                step(s, whole);
    }
    std::sort(samplesUsed.begin(), samplesUsed.end(),
              [](const Weight& a, const Weight& b) { return a.weight > b.weight; });
    for (int guard = 0; guard < 24 && std::abs(error) > PAD_TUNE_TOLERANCE * 0.5f; ++guard) {
        auto helpful = std::find_if(samplesUsed.begin(), samplesUsed.end(),
                                    [&](const Weight& s) { return s.weight * quantum < 2.0f * std::abs(error); });
        if (helpful == samplesUsed.end())
            break;
        step(*helpful, error > 0.0f ? 1 : -1);
    }
}

// The road's height along its length: the hills smoothed out, levelled to the
// finish poles around gate 0, with the bank the poles ask for there.
struct RoadProfile {
    std::vector<float> heights; // every PROFILE_STEP along the road
    float length = 0.0f, bank = 0.0f;
    static constexpr float PROFILE_STEP = 2.0f;

    float At(const TrackRoad& road, float along, float lateral) const
    {
        const float s = along / length * float(heights.size());
        const int i = int(std::floor(s));
        const float t = s - float(i);
        const size_t n = heights.size();
        const float h = heights[size_t(i) % n] * (1.0f - t) + heights[size_t(i + 1) % n] * t;
        const float fromGate = std::abs(road.Wrapped(along));
        const float halfWidth = road.Width() * 0.5f;
        return h + bank * (1.0f - SmoothStep(fromGate, 10.0f, 40.0f)) * std::clamp(lateral, -halfWidth, halfWidth);
    }
};

RoadProfile MakeProfile(const LandscapeDesign& design, const TrackRoad& road)
{
    RoadProfile profile;
    profile.length = road.Length();
    const int count = std::max(8, int(road.Length() / RoadProfile::PROFILE_STEP));
    const std::vector<Point2D>& line = road.Centreline();
    for (int i = 0; i < count; ++i) {
        const Point2D& p = line[size_t(i) * line.size() / size_t(count)];
        profile.heights.push_back(NaturalHeight(design, p.x, p.z));
    }
    const int half = int(24.0f / RoadProfile::PROFILE_STEP);
    for (int pass = 0; pass < 3; ++pass) {
        std::vector<float> smoothed(profile.heights.size());
        for (int i = 0; i < count; ++i) {
            float sum = 0.0f;
            for (int k = -half; k <= half; ++k)
                sum += profile.heights[size_t((i + k + count) % count)];
            smoothed[size_t(i)] = sum / float(2 * half + 1);
        }
        profile.heights.swap(smoothed);
    }
    // The poles fix the ground at the ends of gate 0.
    float leftGround = 0.0f, rightGround = 0.0f;
    for (const LandscapeObject& object : design.objects) {
        if (!object.onRoad)
            continue;
        const float toLeft = std::hypot(object.position.x - design.gateLeft.x, object.position.z - design.gateLeft.z);
        const float toRight =
            std::hypot(object.position.x - design.gateRight.x, object.position.z - design.gateRight.z);
        (toLeft < toRight ? leftGround : rightGround) = GroundTarget(object);
    }
    const float gateGround = (leftGround + rightGround) * 0.5f;
    profile.bank = (leftGround - rightGround) / road.Width();
    for (int i = 0; i < count; ++i) {
        const float w = design.levelRoad
                            ? 0.0f
                            : SmoothStep(std::abs(road.Wrapped(float(i) * road.Length() / float(count))), 15.0f, 70.0f);
        profile.heights[size_t(i)] = gateGround + (profile.heights[size_t(i)] - gateGround) * w;
    }
    return profile;
}

std::vector<float> DesignHeights(const LandscapeDesign& design, const TrackRoad& road, const LandscapeGrid& grid)
{
    const RoadProfile profile = MakeProfile(design, road);
    const float halfWidth = road.Width() * 0.5f;
    std::vector<float> heights(size_t(grid.Rows()) * grid.Columns());
    for (int row = 0; row < grid.Rows(); ++row)
        for (int column = 0; column < grid.Columns(); ++column) {
            const float x = grid.X(column), z = grid.Z(row);
            float h = NaturalHeight(design, x, z);
            const RoadProjection p = road.Project(x, z);
            if (p.distance < TrackRoad::REACH) {
                const float w = 1.0f - SmoothStep(p.distance, halfWidth + 3.0f, halfWidth + 16.0f);
                h += (profile.At(road, p.along, p.lateral) - h) * w;
            }
            heights[grid.Index(row, column)] = h;
        }
    // Pads: flat under each placement, blended into the hills around it.
    const float reach = 2.5f * std::max(grid.cellX, grid.cellZ);
    for (const LandscapeObject& object : design.objects) {
        if (object.onRoad || !object.padded)
            continue;
        const float target = GroundTarget(object);
        const float inner = std::max(ObjectRadius(object), reach) + 0.5f;
        const float outer =
            inner +
            std::max(6.0f, 5.0f * std::abs(target - NaturalHeight(design, object.position.x, object.position.z)));
        for (int row = 0; row < grid.Rows(); ++row) {
            const float dz = grid.Z(row) - object.position.z;
            if (std::abs(dz) > outer)
                continue;
            for (int column = 0; column < grid.Columns(); ++column) {
                const float d = std::hypot(grid.X(column) - object.position.x, dz);
                if (d >= outer)
                    continue;
                float& h = heights[grid.Index(row, column)];
                h += (target - h) * (1.0f - SmoothStep(d, inner, outer));
            }
        }
    }
    return heights;
}

struct Tree {
    int column, row; // mask byte
    float x, z;
    float score;
};

// Trees in clusters where a slow noise is high, clear of the road, the pads,
// the world's edges and mask row 0.
void PlantTrees(const LandscapeDesign& design, const TrackRoad& road, const LandscapeGrid& grid, Landscape& out)
{
    out.masks.assign(design.masks.size(), std::vector<uint8_t>(size_t(grid.mapWidth) * grid.mapHeight, 0));
    if (design.masks.empty() || design.treeCount <= 0)
        return;
    float widest = 0.0f;
    for (const LandscapeMask& mask : design.masks)
        widest = std::max(widest, mask.collisionWidth);
    const float edgeX = grid.sizeX * 0.5f - 3.0f * grid.cellX, edgeZ = grid.sizeZ * 0.5f - 3.0f * grid.cellZ;
    std::vector<Tree> trees;
    const int spotsX = int(grid.sizeX / TREE_SPACING), spotsZ = int(grid.sizeZ / TREE_SPACING);
    for (int j = 0; j < spotsZ; ++j)
        for (int i = 0; i < spotsX; ++i) {
            const float jitterX = (Random01(i, j, design.seed + 11) - 0.5f) * TREE_SPACING * 0.6f;
            const float jitterZ = (Random01(i, j, design.seed + 13) - 0.5f) * TREE_SPACING * 0.6f;
            const float wx = (float(i) + 0.5f) * TREE_SPACING - grid.sizeX * 0.5f + jitterX;
            const float wz = (float(j) + 0.5f) * TREE_SPACING - grid.sizeZ * 0.5f + jitterZ;
            // Snap to the mask byte, then judge the spot the game will use.
            const int column =
                std::clamp(int(std::lround((wx / grid.sizeX + 0.5f) * grid.mapWidth)), 0, grid.mapWidth - 1);
            const int row =
                std::clamp(int(std::lround((0.5f - wz / grid.sizeZ) * grid.mapHeight)), 0, grid.mapHeight - 1);
            const float x = grid.MaskX(column);
            const float z = grid.MaskZ(row);
            if (row == 0 || std::abs(x) > edgeX || std::abs(z) > edgeZ)
                continue;
            if (road.Project(x, z).distance < road.Width() * 0.5f + 3.0f + widest)
                continue;
            if (std::hypot(x - design.polygon[0].x, z - design.polygon[0].z) < design.startClearing)
                continue;
            bool clear = true;
            for (const LandscapeObject& object : design.objects)
                clear = clear &&
                        std::hypot(x - object.position.x, z - object.position.z) > ObjectRadius(object) + 3.0f + widest;
            const float natural = NaturalHeight(design, x, z);
            if (!clear || (design.hasWater && natural < design.waterLevel + 0.6f) || natural > design.treeLine)
                continue;
            const float forest = FractalNoise(x + 500.0f, z + 500.0f, 45.0f, 3, design.seed + 17);
            trees.push_back({column, row, x, z, forest + 0.15f * Random01(i, j, design.seed + 19)});
        }
    std::sort(trees.begin(), trees.end(), [](const Tree& a, const Tree& b) { return a.score > b.score; });
    trees.resize(std::min(trees.size(), size_t(design.treeCount)));
    // Kinds by a second slow noise, so that each stands in its own groves.
    std::vector<std::pair<float, size_t>> kinds;
    for (size_t t = 0; t < trees.size(); ++t)
        kinds.push_back({FractalNoise(trees[t].x, trees[t].z, 70.0f, 2, design.seed + 23), t});
    std::sort(kinds.begin(), kinds.end());
    float shareSum = 0.0f;
    for (const LandscapeMask& mask : design.masks)
        shareSum += mask.share;
    size_t mask = 0;
    float reached = design.masks[0].share / shareSum;
    for (size_t k = 0; k < kinds.size(); ++k) {
        while (float(k) >= reached * float(kinds.size()) && mask + 1 < design.masks.size())
            reached += design.masks[++mask].share / shareSum;
        const Tree& tree = trees[kinds[k].second];
        out.masks[mask][size_t(tree.row) * grid.mapWidth + tree.column] = 255;
    }
}

// Tufts within a band beside the road, where a rider sees them, thinning
// with distance; never on the road, on a pad or in mask row 0.
void PlantTufts(const LandscapeDesign& design, const TrackRoad& road, const LandscapeGrid& grid, Landscape& out)
{
    if (design.tuftCount <= 0)
        return;
    out.tufts.assign(size_t(grid.mapWidth) * grid.mapHeight, 0);
    const float edgeX = grid.sizeX * 0.5f - 3.0f * grid.cellX, edgeZ = grid.sizeZ * 0.5f - 3.0f * grid.cellZ;
    const float nearest = road.Width() * 0.5f + 1.0f, band = TrackRoad::REACH - 1.0f;
    int planted = 0;
    for (uint32_t k = 0; planted < design.tuftCount && k < uint32_t(design.tuftCount) * 40u; ++k) {
        const int column = int(Random01(k, 1, design.seed + 29) * float(grid.mapWidth - 1));
        const int row = 1 + int(Random01(k, 2, design.seed + 29) * float(grid.mapHeight - 2));
        const float x = grid.MaskX(column), z = grid.MaskZ(row);
        if (std::abs(x) > edgeX || std::abs(z) > edgeZ)
            continue;
        const float d = road.Project(x, z).distance;
        if (d < nearest || d > band ||
            Random01(k, 3, design.seed + 29) > 1.0f - (d - nearest) / (band - nearest) * 0.7f)
            continue;
        bool clear = true;
        for (const LandscapeObject& object : design.objects)
            clear = clear && std::hypot(x - object.position.x, z - object.position.z) > ObjectRadius(object) + 0.5f;
        uint8_t& byte = out.tufts[size_t(row) * grid.mapWidth + column];
        if (!clear || byte != 0)
            continue;
        byte = 255;
        ++planted;
    }
}

float SlopeAt(const HeightField& ground, float x, float z)
{
    float h0 = 0.0f, hx = 0.0f, hz = 0.0f;
    if (!ground.HeightAt(x, z, &h0) || !ground.HeightAt(x + 1.0f, z, &hx) || !ground.HeightAt(x, z + 1.0f, &hz))
        return 0.0f;
    return std::atan(std::hypot(hx - h0, hz - h0)) * 57.29578f;
}

RgbaImage PaintAlphaMap(const TrackRoad& road, const LandscapeGrid& grid, const HeightField& ground, bool onSlopes)
{
    RgbaImage image(ALPHA_MAP_SIZE, ALPHA_MAP_SIZE, 0x00FFFFFFu);
    const float halfWidth = road.Width() * 0.5f;
    for (uint32_t py = 0; py < ALPHA_MAP_SIZE; ++py)
        for (uint32_t px = 0; px < ALPHA_MAP_SIZE; ++px) {
            // Texture u runs with x from the -x edge, v from the +z edge.
            const float x = ((float(px) + 0.5f) / ALPHA_MAP_SIZE - 0.5f) * grid.sizeX;
            const float z = (0.5f - (float(py) + 0.5f) / ALPHA_MAP_SIZE) * grid.sizeZ;
            float alpha = 1.0f - SmoothStep(road.Project(x, z).distance, halfWidth - 0.5f, halfWidth + 2.0f);
            if (onSlopes)
                alpha = std::max(alpha, 0.7f * SmoothStep(SlopeAt(ground, x, z), 14.0f, 26.0f));
            image.At(px, py) = (uint32_t(std::lround(alpha * 255.0f)) << 24) | 0x00FFFFFFu;
        }
    return image;
}

RgbaImage PaintLayer(const LandscapeLayer& layer, const TrackRoad& road, const LandscapeGrid& grid,
                     const HeightField& ground)
{
    RgbaImage image(ALPHA_MAP_SIZE, ALPHA_MAP_SIZE, 0x00FFFFFFu);
    const float halfWidth = road.Width() * 0.5f;
    for (uint32_t py = 0; py < ALPHA_MAP_SIZE; ++py)
        for (uint32_t px = 0; px < ALPHA_MAP_SIZE; ++px) {
            const float x = ((float(px) + 0.5f) / ALPHA_MAP_SIZE - 0.5f) * grid.sizeX;
            const float z = (0.5f - (float(py) + 0.5f) / ALPHA_MAP_SIZE) * grid.sizeZ;
            float h = 0.0f;
            ground.HeightAt(x, z, &h);
            // Ragged edges, not contour lines.
            h += 1.5f * (FractalNoise(x, z, 12.0f, 2, 91) - 0.5f);
            const float band =
                SmoothStep(h, layer.lowFrom, layer.lowFull) * (1.0f - SmoothStep(h, layer.highFull, layer.highTo));
            float alpha = std::max(band, SmoothStep(SlopeAt(ground, x, z), layer.slopeFrom, layer.slopeFull));
            alpha *= SmoothStep(road.Project(x, z).distance, halfWidth, halfWidth + 2.5f);
            image.At(px, py) = (uint32_t(std::lround(alpha * 255.0f)) << 24) | 0x00FFFFFFu;
        }
    return image;
}

RgbaImage PaintMinimap(const LandscapeDesign& design, const TrackRoad& road, const LandscapeGrid& grid)
{
    RgbaImage image(MINIMAP_SIZE, MINIMAP_SIZE, 0u);
    const float pixel = std::max(grid.sizeX, grid.sizeZ) / float(MINIMAP_SIZE);
    const float halfWidth = std::max(road.Width() * 0.5f, 1.2f * pixel);
    for (uint32_t py = 0; py < MINIMAP_SIZE; ++py)
        for (uint32_t px = 0; px < MINIMAP_SIZE; ++px) {
            // World (0, 0) in the middle, +x to the right, +z up.
            const float x = ((float(px) + 0.5f) / MINIMAP_SIZE - 0.5f) * grid.sizeX;
            const float z = (0.5f - (float(py) + 0.5f) / MINIMAP_SIZE) * grid.sizeZ;
            const float d = road.Project(x, z).distance;
            if (d <= halfWidth)
                image.At(px, py) = design.roadColour;
            else if (d <= halfWidth + 1.5f * pixel)
                image.At(px, py) = design.edgeColour;
        }
    return image;
}

} // namespace

LandscapeObject PlacedObject(const PlacementDef& placement, const char* modelPath)
{
    LandscapeObject object;
    object.position = {placement.position.x, placement.position.y, placement.position.z};
    object.rotationY = placement.rotation.y;
    for (const TrackModelSize& model : TRACK_MODEL_SIZES)
        if (std::string_view(model.path) == modelPath)
            object.size = model.size;
    object.onRoad = std::string_view(modelPath) == "Graphics\\Models\\FinishPole.x";
    return object;
}

float NaturalHeight(const LandscapeDesign& design, float x, float z)
{
    const float n = FractalNoise(x + 1000.0f, z + 1000.0f, design.hillSize, 3, design.seed);
    const float h = design.baseHeight + design.hillHeight * std::clamp(2.5f * (n - 0.5f), -1.0f, 1.0f);
    return design.shape != nullptr ? design.shape(x, z, h) : h;
}

Landscape BuildLandscape(const LandscapeDesign& design, const TrackRoad& road)
{
    const LandscapeGrid grid(design.constants);
    Landscape out;
    if (design.flatGround) {
        out.heightMap.assign(size_t(grid.mapWidth) * grid.mapHeight, 0);
        out.trackData = road.Data();
        PlantTrees(design, road, grid, out);
        if (!design.alphaMapPath.empty())
            out.alphaMap = PaintAlphaMap(road, grid, grid.Ground(out.heightMap), false);
        out.minimap = PaintMinimap(design, road, grid);
        return out;
    }
    const std::vector<float> heights = DesignHeights(design, road, grid);
    std::vector<uint8_t> samples(heights.size());
    for (size_t i = 0; i < heights.size(); ++i)
        samples[i] = uint8_t(std::clamp(std::lround(heights[i] * 255.0f / grid.sizeY), 0L, 255L));

    out.heightMap = MapFromSamples(grid, samples);
    HeightField probe;
    probe.Build(out.heightMap.data(), grid.mapWidth, grid.mapHeight, grid.cellsX, grid.cellsZ, grid.sizeX, grid.sizeY,
                grid.sizeZ);
    std::fill(probe.heights.begin(), probe.heights.end(), 0.0f);
    // The pads through the engine's own sampling, a few rounds as neighbours interact.
    for (int round = 0; round < 6; ++round) {
        const HeightField ground = grid.Ground(out.heightMap);
        bool tuned = true;
        for (const LandscapeObject& object : design.objects) {
            float h = 0.0f;
            if (!object.padded || !ground.HeightAt(object.position.x, object.position.z, &h))
                continue;
            const float error = GroundTarget(object) - h;
            if (std::abs(error) <= PAD_TUNE_TOLERANCE)
                continue;
            tuned = false;
            TunePad(grid, probe, samples, object.position.x, object.position.z, error);
        }
        if (tuned)
            break;
        out.heightMap = MapFromSamples(grid, samples);
    }

    const HeightField ground = grid.Ground(out.heightMap);
    out.trackData = road.Data();
    for (TrackGate& gate : out.trackData.gates) {
        ground.HeightAt(gate.left.x, gate.left.z, &gate.left.y);
        ground.HeightAt(gate.right.x, gate.right.z, &gate.right.y);
        ground.HeightAt(gate.centre.x, gate.centre.z, &gate.centre.y);
    }
    PlantTrees(design, road, grid, out);
    PlantTufts(design, road, grid, out);
    out.alphaMap = PaintAlphaMap(road, grid, ground, design.roadOnSlopes);
    for (const LandscapeLayer& layer : design.layers)
        out.layers.push_back(PaintLayer(layer, road, grid, ground));
    out.minimap = PaintMinimap(design, road, grid);
    return out;
}

TrackRoad DesignRoad(const LandscapeDesign& design)
{
    return TrackRoad(design.polygon, design.gateLeft, design.gateRight, design.gateSpacing, START_ROWS);
}

Landscape WriteLandscape(DataFolder& folder, const LandscapeDesign& design)
{
    const TrackRoad road = DesignRoad(design);
    Landscape landscape = BuildLandscape(design, road);
    for (const std::string& problem : CheckLandscape(design, road, landscape))
        folder.Fail(design.directory + " landscape: " + problem);
    const std::string graphics = "Graphics\\Tracks\\" + design.directory + "\\";
    folder.Write(graphics + "HeightMap.raw", landscape.heightMap);
    for (size_t i = 0; i < design.masks.size(); ++i)
        folder.Write(design.masks[i].gamePath, landscape.masks[i]);
    if (!design.tuftMaskPath.empty())
        folder.Write(design.tuftMaskPath, landscape.tufts);
    folder.Write("Data\\Tracks\\" + design.directory + "\\TrackData.tda", EncodeTrackData(landscape.trackData));
    if (!design.alphaMapPath.empty())
        WriteTexture(folder, design.alphaMapPath, landscape.alphaMap, DdsFormat::A8R8G8B8, true);
    for (size_t i = 0; i < design.layers.size(); ++i)
        WriteTexture(folder, design.layers[i].gamePath, landscape.layers[i], DdsFormat::A8R8G8B8, true);
    WriteTexture(folder, graphics + "Textures\\TrackHUD.dds", landscape.minimap, DdsFormat::A8R8G8B8, false);
    return landscape;
}

} // namespace datagen

#include "datagen/TrackAssets.h"

#include "datagen/TrackModelSizes.h"
#include "datagen/writers/XFileWriter.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace datagen {

namespace {

constexpr float PI = 3.14159265f;

uint32_t Hash(uint32_t a, uint32_t b, uint32_t seed)
{
    uint32_t h = seed * 0x9E3779B1u ^ a * 0x85EBCA77u ^ b * 0xC2B2AE3Du;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return h;
}

float Smooth(float t)
{
    return t * t * (3.0f - 2.0f * t);
}

Float3 Add(Float3 a, Float3 b)
{
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
Float3 Sub(Float3 a, Float3 b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
Float3 Scale(Float3 a, float s)
{
    return {a.x * s, a.y * s, a.z * s};
}
float Dot(Float3 a, Float3 b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
Float3 Cross(Float3 a, Float3 b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
Float3 Normalise(Float3 a)
{
    const float length = std::sqrt(Dot(a, a));
    return length > 0.0f ? Scale(a, 1.0f / length) : Float3{0.0f, 1.0f, 0.0f};
}

} // namespace

float Random01(uint32_t seed, uint32_t index)
{
    return static_cast<float>(Hash(index, 0x5bd1e995u, seed) & 0xFFFFFF) / 16777215.0f;
}

uint32_t ShadeColor(uint32_t color, float factor)
{
    uint32_t out = color & 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
        const float v = static_cast<float>((color >> shift) & 0xFF) * factor;
        out |= static_cast<uint32_t>(std::clamp(v, 0.0f, 255.0f) + 0.5f) << shift;
    }
    return out;
}

float TileNoise(float u, float v, int cells, int octaves, uint32_t seed)
{
    float sum = 0.0f, weight = 0.0f, amplitude = 1.0f;
    int period = std::max(1, cells);
    for (int o = 0; o < octaves; ++o, period *= 2, amplitude *= 0.5f) {
        const float x = u * static_cast<float>(period), y = v * static_cast<float>(period);
        const float fx = std::floor(x), fy = std::floor(y);
        const int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
        const float tx = Smooth(x - fx), ty = Smooth(y - fy);
        auto at = [&](int i, int j) {
            const auto wi = static_cast<uint32_t>(((i % period) + period) % period);
            const auto wj = static_cast<uint32_t>(((j % period) + period) % period);
            return static_cast<float>(Hash(wi, wj, seed + static_cast<uint32_t>(o) * 7919u) & 0xFFFF) / 65535.0f;
        };
        const float a = at(ix, iy), b = at(ix + 1, iy), c = at(ix, iy + 1), d = at(ix + 1, iy + 1);
        const float top = a + (b - a) * tx, bottom = c + (d - c) * tx;
        sum += (top + (bottom - top) * ty) * amplitude;
        weight += amplitude;
    }
    return sum / weight;
}

RgbaImage PaintFirSprite(uint32_t width, uint32_t height, uint32_t needles, uint32_t seed)
{
    const float w = static_cast<float>(width), h = static_cast<float>(height);
    RgbaImage image(width, height, needles & 0x00FFFFFFu);
    const float cx = w * 0.5f;
    FillRect(image, cx - w * 0.035f, h * 0.7f, cx + w * 0.035f, h, Argb(255, 78, 58, 40));
    // Tiers of drooping branches from the bottom up, each a jagged skirt.
    const int tiers = 11;
    uint32_t n = 0;
    for (int t = 0; t < tiers; ++t) {
        const float k = static_cast<float>(t) / (tiers - 1);
        const float base = h * (0.9f - 0.8f * k), top = base - h * (0.2f - 0.06f * k);
        const float half = w * 0.47f * (1.0f - 0.85f * k) + w * 0.03f;
        std::vector<Point2> skirt = {{cx, std::max(1.0f, top)}};
        const int teeth = 9;
        for (int i = 0; i <= teeth; ++i) {
            const float s = static_cast<float>(i) / teeth * 2.0f - 1.0f;
            const float droop = (i % 2 ? 0.04f : -0.02f) * h * (1.0f - 0.5f * k) * Random01(seed, n++);
            skirt.push_back({cx + s * half, base + droop - std::fabs(s) * h * 0.015f});
        }
        skirt.push_back({cx + half * 0.15f, base - h * 0.01f});
        FillPolygon(image, skirt, ShadeColor(needles, 0.8f + 0.25f * k));
        // Shade on the right, light on the left.
        FillPolygon(image, {{cx, std::max(1.0f, top)}, skirt[teeth + 1], {cx + half * 0.1f, base}},
                    FadeColor(ShadeColor(needles, 0.55f), 0.6f));
    }
    // Tufts of needles over the whole crown.
    for (int i = 0; i < 700; ++i) {
        const float y = h * (0.08f + 0.82f * Random01(seed, n++));
        const float k = (0.9f - y / h) / 0.8f;
        const float half = w * 0.45f * (1.0f - 0.85f * k) + w * 0.02f;
        const float x = cx + (Random01(seed, n++) * 2.0f - 1.0f) * half;
        const float side = x < cx ? -1.0f : 1.0f;
        const float light = 0.6f + 0.7f * Random01(seed, n++) - 0.25f * side;
        DrawLine(image, x, y, x + side * w * 0.06f, y + h * 0.012f, 1.3f, ShadeColor(needles, light));
    }
    return image;
}

RgbaImage PaintRockTexture(uint32_t size, uint32_t base, uint32_t lichen, float lichenAmount, uint32_t seed)
{
    return PaintTile(size, [&](float u, float v, uint32_t x, uint32_t y) {
        const float mottle = TileNoise(u, v, 4, 4, seed);
        const float grain = TileNoise(u, v, 64, 2, seed + 1);
        float shade = 0.7f + 0.55f * mottle + 0.25f * (grain - 0.5f);
        const float speck = Random01(seed + 2, y * size + x);
        if (speck > 0.94f)
            shade *= 1.25f;
        else if (speck < 0.05f)
            shade *= 0.6f;
        // Cracks along the middle of a ridged noise.
        const float crack = std::fabs(TileNoise(u, v, 5, 3, seed + 3) - 0.5f);
        if (crack < 0.006f)
            shade *= 0.7f + 50.0f * crack;
        uint32_t color = ShadeColor(base, shade);
        const float patch = TileNoise(u, v, 8, 3, seed + 4) + 0.3f * (grain - 0.5f);
        const float cover = std::clamp((patch - (1.0f - lichenAmount)) * 8.0f, 0.0f, 1.0f);
        color = MixColor(color, ShadeColor(lichen, 0.8f + 0.4f * grain), cover * 0.85f);
        return color | 0xFF000000u;
    });
}

void AddPlanarFace(MeshBuilder& mesh, const std::vector<Float3>& corners, Float3 inside, Float3 uAxis, Float3 vAxis,
                   UvRect uv, float uSpan, float vSpan)
{
    if (corners.size() < 3)
        return;
    Float3 middle{};
    for (const Float3& p : corners)
        middle = Add(middle, Scale(p, 1.0f / static_cast<float>(corners.size())));
    Float3 normal = Normalise(Cross(Sub(corners[1], corners[0]), Sub(corners[2], corners[0])));
    const bool flip = Dot(normal, Sub(middle, inside)) < 0.0f;
    if (flip)
        normal = Scale(normal, -1.0f);
    float uMin = 1e30f, uMax = -1e30f, vMin = 1e30f, vMax = -1e30f;
    for (const Float3& p : corners) {
        uMin = std::min(uMin, Dot(p, uAxis));
        uMax = std::max(uMax, Dot(p, uAxis));
        vMin = std::min(vMin, Dot(p, vAxis));
        vMax = std::max(vMax, Dot(p, vAxis));
    }
    const float us = uSpan > 0.0f ? uSpan : std::max(uMax - uMin, 1e-6f);
    const float vs = vSpan > 0.0f ? vSpan : std::max(vMax - vMin, 1e-6f);
    const auto first = static_cast<uint16_t>(mesh.positions.size());
    for (const Float3& p : corners) {
        mesh.positions.push_back(p);
        mesh.normals.push_back(normal);
        mesh.texCoords.push_back({uv.u0 + (Dot(p, uAxis) - uMin) / us * (uv.u1 - uv.u0),
                                  uv.v0 + (Dot(p, vAxis) - vMin) / vs * (uv.v1 - uv.v0)});
    }
    // Fan; triangles keep (b - a) x (c - a) outwards as the builder does.
    for (size_t k = 1; k + 1 < corners.size(); ++k) {
        const auto b = static_cast<uint16_t>(first + k), c = static_cast<uint16_t>(first + k + 1);
        if (flip)
            mesh.triangles.push_back({first, c, b});
        else
            mesh.triangles.push_back({first, b, c});
    }
}

void AddBlock(MeshBuilder& mesh, Float3 centre, Float3 xAxis, Float3 yAxis, Float3 size, UvRect uv,
              bool grainAlongLength)
{
    const Float3 zAxis = Cross(xAxis, yAxis);
    const Float3 axes[3] = {xAxis, yAxis, zAxis};
    const float half[3] = {size.x * 0.5f, size.y * 0.5f, size.z * 0.5f};
    for (int a = 0; a < 3; ++a)
        for (int sign = -1; sign <= 1; sign += 2) {
            // The two in-face axes: for sides u across and v down, for tops u along x.
            const int p = a == 1 ? 0 : (a == 0 ? 2 : 0), q = a == 1 ? 2 : 1;
            const Float3 faceCentre = Add(centre, Scale(axes[a], half[a] * static_cast<float>(sign)));
            const Float3 pu = Scale(axes[p], half[p]), qv = Scale(axes[q], half[q]);
            const std::vector<Float3> corners = {Sub(Sub(faceCentre, pu), qv), Sub(Add(faceCentre, pu), qv),
                                                 Add(Add(faceCentre, pu), qv), Add(Sub(faceCentre, pu), qv)};
            Float3 uAxis = axes[p], vAxis = a == 1 ? axes[q] : Scale(axes[q], -1.0f);
            if (grainAlongLength && half[q] > half[p])
                std::swap(uAxis, vAxis);
            AddPlanarFace(mesh, corners, centre, uAxis, vAxis, uv);
        }
}

QvxMesh BoulderMesh(Float3 size, int cuts, float roughness, uint32_t seed)
{
    constexpr int RINGS = 10, SEGMENTS = 16;
    struct Plane {
        Float3 normal;
        float distance;
    };
    std::vector<Plane> planes = {{{0.0f, -1.0f, 0.0f}, 0.55f}}; // the flat base
    uint32_t n = 0;
    for (int k = 0; k < cuts; ++k) {
        const float yaw = 2.0f * PI * Random01(seed, n++), pitch = -0.3f + 1.6f * Random01(seed, n++);
        planes.push_back({{std::cos(yaw) * std::cos(pitch), std::sin(pitch), std::sin(yaw) * std::cos(pitch)},
                          0.72f + 0.22f * Random01(seed, n++)});
    }
    auto radius = [&](Float3 dir, uint32_t index) {
        float r = 1.0f;
        for (const Plane& plane : planes) {
            const float d = Dot(dir, plane.normal);
            if (d > 1e-3f)
                r = std::min(r, plane.distance / d);
        }
        return r * (1.0f + roughness * (Random01(seed + 99, index) - 0.5f));
    };
    QvxMesh mesh;
    // Position index of ring i (0 top .. RINGS bottom), segment j.
    auto positionIndex = [&](int i, int j) -> uint16_t {
        if (i == 0)
            return 0;
        if (i == RINGS)
            return static_cast<uint16_t>(1 + (RINGS - 1) * SEGMENTS);
        return static_cast<uint16_t>(1 + (i - 1) * SEGMENTS + (j % SEGMENTS));
    };
    mesh.positions.push_back(Scale({0.0f, 1.0f, 0.0f}, radius({0.0f, 1.0f, 0.0f}, 0)));
    for (int i = 1; i < RINGS; ++i)
        for (int j = 0; j < SEGMENTS; ++j) {
            const float theta = PI * static_cast<float>(i) / RINGS;
            const float phi = 2.0f * PI * static_cast<float>(j) / SEGMENTS;
            const Float3 dir = {std::sin(theta) * std::cos(phi), std::cos(theta), std::sin(theta) * std::sin(phi)};
            mesh.positions.push_back(Scale(dir, radius(dir, positionIndex(i, j))));
        }
    mesh.positions.push_back(Scale({0.0f, -1.0f, 0.0f}, radius({0.0f, -1.0f, 0.0f}, 1u << 20)));
    for (int i = 0; i <= RINGS; ++i)
        for (int j = 0; j <= SEGMENTS; ++j)
            mesh.texCoords.push_back(
                {2.0f * static_cast<float>(j) / SEGMENTS, static_cast<float>(i) / static_cast<float>(RINGS)});
    auto texIndex = [&](int i, int j) { return static_cast<uint16_t>(i * (SEGMENTS + 1) + j); };
    auto addFace = [&](int i0, int j0, int i1, int j1, int i2, int j2) {
        Triangle16 face = {positionIndex(i0, j0), positionIndex(i1, j1), positionIndex(i2, j2)};
        Triangle16 tex = {texIndex(i0, j0), texIndex(i1, j1), texIndex(i2, j2)};
        if (face.a == face.b || face.b == face.c || face.a == face.c)
            return;
        const Float3 a = mesh.positions[face.a], b = mesh.positions[face.b], c = mesh.positions[face.c];
        // Counter-clockwise from outside: (b - a) x (c - a) points inwards. The
        // shape is star-shaped about the origin, so the centroid shows outwards.
        if (Dot(Cross(Sub(b, a), Sub(c, a)), Add(Add(a, b), c)) > 0.0f) {
            std::swap(face.b, face.c);
            std::swap(tex.b, tex.c);
        }
        mesh.faces.push_back(face);
        mesh.texFaces.push_back(tex);
    };
    for (int i = 0; i < RINGS; ++i)
        for (int j = 0; j < SEGMENTS; ++j) {
            addFace(i, j, i, j + 1, i + 1, j + 1);
            addFace(i, j, i + 1, j + 1, i + 1, j);
        }
    // Scale to the exact size, centred on the box.
    Float3 low = mesh.positions[0], high = low;
    for (const Float3& p : mesh.positions) {
        low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
        high = {std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
    }
    for (Float3& p : mesh.positions)
        p = {(p.x - (low.x + high.x) * 0.5f) * size.x / (high.x - low.x),
             (p.y - (low.y + high.y) * 0.5f) * size.y / (high.y - low.y),
             (p.z - (low.z + high.z) * 0.5f) * size.z / (high.z - low.z)};
    return mesh;
}

Float3 TrackModelBox(const std::string& gamePath)
{
    for (const TrackModelSize& model : TRACK_MODEL_SIZES)
        if (gamePath == model.path)
            return model.size;
    throw std::invalid_argument("no box size for " + gamePath);
}

std::vector<uint8_t> EncodeTrackXModel(const MeshBuilder& mesh, const char* name, const char* texture)
{
    XMaterial material;
    material.power = 8.0f;
    material.specular[0] = material.specular[1] = material.specular[2] = 0.2f;
    material.textureFile = texture;
    XFrame frame;
    frame.name = name;
    frame.hasTransform = true;
    frame.meshes.push_back(mesh.ToXMesh(name, material));
    XModel model;
    model.frames.push_back(frame);
    const std::string text = EncodeXFile(model);
    return std::vector<uint8_t>(text.begin(), text.end());
}

namespace {

constexpr float ATLAS = 256.0f;

UvRect AtlasRect(float x0, float y0, float x1, float y1, float inset = 2.0f)
{
    return {(x0 + inset) / ATLAS, (y0 + inset) / ATLAS, (x1 - inset) / ATLAS, (y1 - inset) / ATLAS};
}

const UvRect WALL = {0.0f, 2.0f / ATLAS, 1.0f, 126.0f / ATLAS}; // wraps across
const UvRect ROOF = AtlasRect(0, 128, 128, 192);
const UvRect PLINTH = AtlasRect(128, 128, 192, 192);
const UvRect CHIMNEY = AtlasRect(192, 128, 256, 192);
const UvRect TRIM = AtlasRect(0, 192, 64, 256);
const UvRect WINDOW = AtlasRect(64, 192, 128, 256, 1.0f);
const UvRect DOOR = AtlasRect(128, 192, 192, 256, 1.0f);
const UvRect STEP = AtlasRect(192, 192, 256, 256);

constexpr Float3 X_AXIS = {1, 0, 0}, Y_AXIS = {0, 1, 0}, Z_AXIS = {0, 0, 1};

} // namespace

MeshBuilder BuildHouse(const HouseShape& shape)
{
    const float overhangX = 0.3f, overhangZ = 0.45f, thickness = 0.14f;
    const float w = shape.size.x - 2.0f * overhangX, d = shape.size.z - 2.0f * overhangZ;
    const float p = shape.plinth, e = shape.eaves, r = shape.ridge;
    const float hw = w * 0.5f, hd = d * 0.5f;
    MeshBuilder m;
    AddBlock(m, {0, p * 0.5f, 0}, X_AXIS, Y_AXIS, {w + 0.12f, p, d + 0.12f}, PLINTH);
    // Walls and gables as one convex body; boards keep their size on every wall.
    const Float3 inside = {0, (p + e) * 0.5f, 0};
    // The gables reach from the plinth to the ridge: that height fits the wall rows.
    const float wallSpanU = 8.0f, wallSpanV = r - p;
    for (int side = -1; side <= 1; side += 2) {
        const float s = static_cast<float>(side);
        AddPlanarFace(m, {{-hw, p, s * hd}, {hw, p, s * hd}, {hw, e, s * hd}, {-hw, e, s * hd}}, inside, {s, 0, 0},
                      {0, -1, 0}, WALL, wallSpanU, wallSpanV);
        AddPlanarFace(m, {{s * hw, p, hd}, {s * hw, p, -hd}, {s * hw, e, -hd}, {s * hw, r, 0}, {s * hw, e, hd}}, inside,
                      {0, 0, -s}, {0, -1, 0}, WALL, wallSpanU, wallSpanV);
        for (int end = -1; end <= 1; end += 2)
            AddBlock(m, {s * hw, (p + e) * 0.5f, static_cast<float>(end) * hd}, X_AXIS, Y_AXIS, {0.16f, e - p, 0.16f},
                     TRIM);
        // Roof slab from the ridge down over the eaves.
        const float run = hd + overhangZ, rise = (r - e) * run / hd;
        const float length = std::sqrt(run * run + rise * rise);
        const Float3 down = Normalise({0, -rise, s * run}), up = Normalise({0, run, s * rise});
        const Float3 centre =
            Add(Add({0, r, 0}, Scale(down, (length - thickness) * 0.5f)), Scale(up, thickness * 0.5f));
        AddBlock(m, centre, X_AXIS, up, {w + 2.0f * overhangX, thickness, length + thickness}, ROOF);
    }
    // Windows along both long walls; the door takes the middle slot at the front.
    const float windowY = p + (e - p) * 0.55f;
    const int slots = std::max(1, shape.windowsPerSide);
    for (int k = 0; k < slots; ++k) {
        const float x = -hw + w * (static_cast<float>(k) + 0.5f) / static_cast<float>(slots);
        AddBlock(m, {x, windowY, -hd - 0.02f}, X_AXIS, Y_AXIS, {0.85f, 1.05f, 0.08f}, WINDOW);
        if (k == slots / 2) {
            const float doorHeight = std::min(2.0f, e - p - 0.25f);
            AddBlock(m, {x, p + doorHeight * 0.5f, hd + 0.02f}, X_AXIS, Y_AXIS, {0.9f, doorHeight, 0.08f}, DOOR);
            AddBlock(m, {x, p * 0.5f, hd + 0.3f}, X_AXIS, Y_AXIS, {1.3f, p, 0.6f}, STEP);
        } else {
            AddBlock(m, {x, windowY, hd + 0.02f}, X_AXIS, Y_AXIS, {0.85f, 1.05f, 0.08f}, WINDOW);
        }
    }
    for (int side = -1; side <= 1; side += 2) {
        const float s = static_cast<float>(side);
        const float y = shape.gableWindow ? e + (r - e) * 0.3f : windowY;
        AddBlock(m, {s * (hw + 0.02f), y, 0}, Z_AXIS, Y_AXIS, {0.75f, 0.85f, 0.08f}, WINDOW);
    }
    const float chimneyTop = r + 0.9f, chimneyBottom = r - 1.2f;
    AddBlock(m, {w * 0.22f, (chimneyTop + chimneyBottom) * 0.5f, -d * 0.12f}, X_AXIS, Y_AXIS,
             {0.55f, chimneyTop - chimneyBottom, 0.55f}, CHIMNEY);
    m.FitTo(shape.size);
    return m;
}

RgbaImage PaintHouseAtlas(uint32_t wall, uint32_t trim, uint32_t roof, bool logs, uint32_t seed)
{
    return PaintTile(256, [&](float u, float v, uint32_t x, uint32_t y) {
        uint32_t color = 0;
        if (y < 128) {
            // Boards 8 texels wide (or logs 10 high), each its own shade, with dark joints.
            const uint32_t across = logs ? y : x, width = logs ? 10u : 8u;
            const uint32_t board = across / width, inBoard = across % width;
            const float grain = logs ? TileNoise(u, v * 0.5f, 4, 3, seed) : TileNoise(u * 0.5f, v, 4, 3, seed);
            float shade = 0.85f + 0.2f * Random01(seed, board) + 0.25f * (grain - 0.5f);
            if (logs) {
                const float t = (static_cast<float>(inBoard) + 0.5f) / width * 2.0f - 1.0f;
                shade *= 1.1f - 0.45f * t * t;
            }
            if (inBoard == 0)
                shade *= 0.45f;
            else if (inBoard == 1)
                shade *= 1.12f;
            color = ShadeColor(wall, shade);
        } else if (y < 192 && x < 128) {
            const uint32_t seam = x % 16;
            float shade = 0.9f + 0.2f * TileNoise(u, v, 8, 3, seed + 1);
            shade *= seam == 0 ? 1.35f : (seam == 1 ? 0.6f : 1.0f);
            color = ShadeColor(roof, shade);
        } else if (y < 192 && x < 192) {
            // Field stones in rows.
            const uint32_t row = (y - 128) / 13, shift = Random01(seed + 2, row) * 20;
            const uint32_t stone = (x - 128 + shift) / 18;
            const bool joint = (y - 128) % 13 < 2 || (x - 128 + shift) % 18 < 2;
            const float shade =
                joint ? 0.45f
                      : 0.75f + 0.4f * Random01(seed + 3, row * 31 + stone) + 0.2f * TileNoise(u, v, 32, 2, seed + 4);
            color = ShadeColor(Argb(255, 130, 128, 122), shade);
        } else if (y < 192) {
            const uint32_t row = (y - 128) / 8, shift = row % 2 ? 8u : 0u;
            const bool joint = (y - 128) % 8 == 0 || (x - 192 + shift) % 16 == 0;
            color = joint ? Argb(255, 170, 165, 155)
                          : ShadeColor(Argb(255, 150, 60, 45), 0.8f + 0.35f * Random01(seed + 5, x / 16 + row * 7));
        } else if (x < 64) {
            color = ShadeColor(trim, 0.92f + 0.1f * TileNoise(u * 0.5f, v * 4.0f, 8, 2, seed + 6));
        } else if (x < 128) {
            const int wx = static_cast<int>(x) - 64, wy = static_cast<int>(y) - 192;
            const bool frame =
                wx < 6 || wx >= 58 || wy < 6 || wy >= 58 || std::abs(wx - 32) < 2 || std::abs(wy - 30) < 2;
            const float sheen = 0.7f + 0.6f * std::max(0.0f, 1.0f - static_cast<float>(std::abs(wx - wy - 10)) / 12.0f);
            color = frame ? trim : ShadeColor(Argb(255, 50, 70, 90), sheen + 0.3f * static_cast<float>(wy) / 64.0f);
        } else if (x < 192) {
            const int dx = static_cast<int>(x) - 128, dy = static_cast<int>(y) - 192;
            const bool frame = dx < 4 || dx >= 60 || dy < 3;
            const bool panel = (dx > 12 && dx < 52) && ((dy > 8 && dy < 28) || (dy > 34 && dy < 58));
            const bool handle = dx > 48 && dx < 54 && dy > 30 && dy < 34;
            uint32_t door = ShadeColor(Argb(255, 60, 90, 70), 0.9f + 0.2f * TileNoise(u * 0.5f, v, 8, 2, seed));
            if (panel)
                door = ShadeColor(door, 0.8f);
            color = frame ? trim : (handle ? Argb(255, 200, 190, 150) : door);
        } else {
            color = ShadeColor(Argb(255, 120, 112, 100), 0.8f + 0.3f * TileNoise(u, v * 0.25f, 16, 2, seed + 7));
        }
        return color | 0xFF000000u;
    });
}

Float3 TowardsLight(const LightDef& light)
{
    const backend::Vector3& d = light.direction;
    const float length = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
    return {-d.x / length, -d.y / length, -d.z / length};
}

Float3 UnitVector(const backend::Vector3& v)
{
    const float length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    return {v.x / length, v.y / length, v.z / length};
}

} // namespace datagen

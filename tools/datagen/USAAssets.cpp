// USA: a hazy summer sky over a town; asphalt, paving slabs and lawns;
// office blocks, towers, houses, shops, traffic signs and lights, cars,
// concrete blocks and a ramp.

#include "datagen/SampleData.h"
#include "datagen/TrackAssets.h"
#include "tracks/USADefs.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace datagen {

namespace {

const std::string TEXTURES = "Graphics\\Tracks\\USA\\Textures\\";
const std::string MODELS = "Graphics\\Tracks\\USA\\Models\\";
constexpr uint32_t SIZE = 256;
constexpr Float3 X_AXIS = {1, 0, 0}, Y_AXIS = {0, 1, 0}, Z_AXIS = {0, 0, 1};
// Facades tile every FLOORS metres; roofs take a patch of plain wall.
constexpr UvRect ROOF = {0.0f, 0.0f, 0.02f, 0.02f};
constexpr float FACADE_SPAN = 14.0f;

template <class Shade> RgbaImage Paint(uint32_t width, uint32_t height, Shade shade)
{
    RgbaImage image(width, height);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            image.At(x, y) = shade((float(x) + 0.5f) / float(width), (float(y) + 0.5f) / float(height), x, y);
    return image;
}

RgbaImage Asphalt()
{
    return Paint(SIZE, SIZE, [](float u, float v, uint32_t x, uint32_t y) {
        const float grain = TileNoise(u, v, 96, 1, 701), broad = TileNoise(u, v, 4, 3, 702);
        float shade = 0.8f + 0.2f * broad + 0.25f * (grain - 0.5f);
        if (Random01(703, y * SIZE + x) > 0.97f)
            shade *= 1.35f;
        return ShadeColor(Argb(255, 74, 74, 78), shade);
    });
}

RgbaImage Pavement()
{
    return Paint(SIZE, SIZE, [](float u, float v, uint32_t, uint32_t) {
        // Four slabs across, joints dark.
        const float su = u * 4.0f - std::floor(u * 4.0f), sv = v * 4.0f - std::floor(v * 4.0f);
        const bool joint = su < 0.03f || su > 0.97f || sv < 0.03f || sv > 0.97f;
        const float slab = Random01(711, uint32_t(u * 4.0f) * 7 + uint32_t(v * 4.0f));
        const float shade = joint ? 0.6f : 0.88f + 0.1f * slab + 0.12f * (TileNoise(u, v, 64, 1, 712) - 0.5f);
        return ShadeColor(Argb(255, 178, 174, 166), shade);
    });
}

RgbaImage Grass()
{
    return Paint(SIZE, SIZE, [](float u, float v, uint32_t, uint32_t) {
        const float blades = TileNoise(u, v, 128, 1, 721), patches = TileNoise(u, v, 5, 3, 722);
        return ShadeColor(MixColor(Argb(255, 70, 128, 52), Argb(255, 104, 142, 60), patches),
                          0.8f + 0.35f * (blades - 0.5f) + 0.15f * patches);
    });
}

// A wall of `columns` x `rows` windows.
RgbaImage Facade(uint32_t wall, uint32_t glass, int columns, int rows, float windowShare, uint32_t seed)
{
    RgbaImage image = Paint(SIZE, SIZE, [&](float u, float v, uint32_t, uint32_t) {
        const float wallV = v;
        const float cu = u * float(columns) - std::floor(u * float(columns));
        const float cv = wallV * float(rows) - std::floor(wallV * float(rows));
        const float margin = (1.0f - windowShare) * 0.5f;
        const bool window = cu > margin && cu < 1.0f - margin && cv > 0.2f && cv < 0.85f;
        if (window) {
            const float lit = Random01(seed + 1, uint32_t(u * float(columns)) * 97 + uint32_t(wallV * float(rows)));
            return ShadeColor(glass, 0.75f + 0.45f * lit + 0.3f * (1.0f - cv));
        }
        return ShadeColor(wall, 0.9f + 0.15f * TileNoise(u, v, 16, 2, seed + 2));
    });
    return image;
}

// A box of walls tiled with the facade, and a flat roof.
void AddTower(MeshBuilder& m, Float3 centre, Float3 size)
{
    const float hx = size.x * 0.5f, hy = size.y * 0.5f, hz = size.z * 0.5f;
    const float x0 = centre.x - hx, x1 = centre.x + hx, y0 = centre.y - hy, y1 = centre.y + hy;
    const float z0 = centre.z - hz, z1 = centre.z + hz;
    const UvRect wall = {0.0f, 0.0f, 1.0f, 1.0f};
    const float spanU = FACADE_SPAN, spanV = FACADE_SPAN;
    const Float3 down = {0, -1, 0};
    AddPlanarFace(m, {{x0, y0, z1}, {x1, y0, z1}, {x1, y1, z1}, {x0, y1, z1}}, centre, X_AXIS, down, wall, spanU,
                  spanV);
    AddPlanarFace(m, {{x0, y0, z0}, {x1, y0, z0}, {x1, y1, z0}, {x0, y1, z0}}, centre, X_AXIS, down, wall, spanU,
                  spanV);
    AddPlanarFace(m, {{x0, y0, z0}, {x0, y0, z1}, {x0, y1, z1}, {x0, y1, z0}}, centre, Z_AXIS, down, wall, spanU,
                  spanV);
    AddPlanarFace(m, {{x1, y0, z0}, {x1, y0, z1}, {x1, y1, z1}, {x1, y1, z0}}, centre, Z_AXIS, down, wall, spanU,
                  spanV);
    AddPlanarFace(m, {{x0, y1, z0}, {x1, y1, z0}, {x1, y1, z1}, {x0, y1, z1}}, centre, X_AXIS, Z_AXIS, ROOF);
}

struct TowerShape {
    const char* model;
    const char* texture; // null: shares another's
    uint32_t wall, glass;
    float windowShare; // of each window bay's width
    int tiers;         // setbacks towards the top
    bool antenna;      // a mast on the roof
};

MeshBuilder Tower(const TowerShape& shape, Float3 size)
{
    MeshBuilder m;
    float base = 0.0f, width = 1.0f;
    const float tierHeight = 1.0f / float(shape.tiers + 1);
    for (int t = 0; t <= shape.tiers; ++t) {
        const float h = t == 0 ? 1.0f - tierHeight * float(shape.tiers) : tierHeight;
        AddTower(m, {0, (base + h * 0.5f) * size.y, 0}, {size.x * width, size.y * h, size.z * width});
        base += h;
        width *= 0.75f;
    }
    if (shape.antenna)
        AddBlock(m, {0, size.y * 1.04f, 0}, X_AXIS, Y_AXIS, {0.6f, size.y * 0.08f, 0.6f}, ROOF);
    m.FitTo(size);
    return m;
}

void WriteModel(DataFolder& folder, const char* name, const MeshBuilder& mesh, const char* texture)
{
    folder.Write(MODELS + name, EncodeTrackXModel(mesh, name, texture));
}

// Sign and light textures: the top half the plate or lamp head, a grey pole strip below.
RgbaImage SignTexture(bool toLeft)
{
    RgbaImage image(128, 128, Argb(255, 150, 150, 150));
    FillRect(image, 0, 0, 128, 64, Argb(255, 240, 240, 240));
    FillRect(image, 4, 4, 124, 60, Argb(255, 30, 70, 160));
    const float dir = toLeft ? -1.0f : 1.0f;
    DrawLine(image, 64 - 36 * dir, 32, 64 + 34 * dir, 32, 8, Argb(255, 250, 250, 250));
    FillPolygon(image, {{64 - 44 * dir, 32}, {64 - 20 * dir, 12}, {64 - 20 * dir, 52}}, Argb(255, 250, 250, 250));
    return image;
}

RgbaImage LightTexture()
{
    RgbaImage image(128, 128, Argb(255, 70, 72, 70));
    FillRect(image, 0, 0, 128, 64, Argb(255, 28, 30, 26));
    FillDisc(image, 64, 12, 9, Argb(255, 230, 40, 30));
    FillDisc(image, 64, 32, 9, Argb(255, 90, 70, 20));
    FillDisc(image, 64, 52, 9, Argb(255, 40, 90, 40));
    return image;
}

MeshBuilder TrafficSign(Float3 size)
{
    MeshBuilder m;
    AddBlock(m, {0, 0.8f, 0}, X_AXIS, Y_AXIS, {0.05f, 1.6f, 0.05f}, {0.0f, 0.6f, 1.0f, 1.0f});
    AddBlock(m, {0, 1.85f, 0}, X_AXIS, Y_AXIS, {0.6f, 0.5f, 0.03f}, {0.0f, 0.0f, 1.0f, 0.5f});
    m.FitTo(size);
    return m;
}

MeshBuilder TrafficLight(Float3 size, bool twoSides)
{
    MeshBuilder m;
    AddBlock(m, {0, 1.3f, 0}, X_AXIS, Y_AXIS, {0.12f, 2.6f, 0.12f}, {0.0f, 0.6f, 1.0f, 1.0f});
    const float heads = twoSides ? 2.0f : 1.0f;
    for (float side = 0; side < heads; side += 1.0f)
        AddBlock(m, {0, 3.05f, side == 0 ? 0.14f : -0.14f}, X_AXIS, Y_AXIS, {0.3f, 0.9f, 0.22f},
                 {0.0f, 0.0f, 1.0f, 0.5f});
    m.FitTo(size);
    return m;
}

RgbaImage CarTexture(uint32_t paint)
{
    // Top half paint, bottom half glass, a strip of tyre black at the very bottom.
    RgbaImage image = Paint(128, 128, [&](float u, float v, uint32_t, uint32_t) {
        if (v > 0.9f)
            return Argb(255, 24, 24, 26);
        if (v > 0.5f)
            return ShadeColor(Argb(255, 60, 80, 100), 0.8f + 0.4f * (1.0f - v));
        return ShadeColor(paint, 0.85f + 0.25f * (1.0f - v) + 0.05f * TileNoise(u, v, 8, 1, 731));
    });
    return image;
}

QvxMesh Car(Float3 size)
{
    MeshBuilder m;
    AddBlock(m, {0, 0.55f, 0}, X_AXIS, Y_AXIS, {1.8f, 0.7f, 4.2f}, {0.0f, 0.0f, 1.0f, 0.45f});
    AddBlock(m, {0, 1.1f, -0.2f}, X_AXIS, Y_AXIS, {1.6f, 0.5f, 2.2f}, {0.0f, 0.55f, 1.0f, 0.85f});
    for (float x : {-0.8f, 0.8f})
        for (float z : {-1.35f, 1.35f})
            AddBlock(m, {x, 0.32f, z}, X_AXIS, Y_AXIS, {0.25f, 0.64f, 0.64f}, {0.0f, 0.92f, 1.0f, 1.0f});
    m.FitTo(size);
    return m.ToQvx();
}

RgbaImage BlockTexture()
{
    return Paint(128, 128, [](float u, float v, uint32_t, uint32_t) {
        const bool stripe = std::fmod(u * 8.0f + v * 2.0f, 2.0f) < 1.0f;
        if (v < 0.35f)
            return stripe ? Argb(255, 230, 190, 30) : Argb(255, 30, 30, 30);
        return ShadeColor(Argb(255, 170, 168, 160), 0.85f + 0.3f * TileNoise(u, v, 16, 2, 741));
    });
}

RgbaImage RampTexture()
{
    return Paint(128, 128, [](float u, float v, uint32_t, uint32_t) {
        const float plank = v * 8.0f - std::floor(v * 8.0f);
        const float shade = plank < 0.06f ? 0.55f : 0.85f + 0.3f * (TileNoise(u * 0.2f, v, 4, 3, 751) - 0.5f);
        return ShadeColor(Argb(255, 168, 120, 72), shade);
    });
}

} // namespace

void WriteUSASky(DataFolder& folder)
{
    SkyStyle style;
    style.zenith = Argb(255, 70, 120, 200);
    style.horizon = Argb(255, 200, 210, 222);
    style.farHills = Argb(255, 150, 156, 170);
    style.treeline = Argb(255, 118, 122, 130);
    style.farGround = Argb(255, 120, 120, 116);
    style.ground = Argb(255, 96, 96, 96);
    style.hillHeight = 0.12f;
    style.treeHeight = 0.05f;
    style.spikyTrees = false;
    style.cloudCover = 0.3f;
    style.towardsSun = TowardsLight(USADefs::LIGHT);
    style.seed = 505;
    WriteTrackSky(folder, TEXTURES, style);
}

void WriteUSAScenery(DataFolder& folder)
{
    WriteTexture(folder, TEXTURES + "Asphalt.dds", Asphalt(), DdsFormat::DXT1, true);
    WriteTexture(folder, TEXTURES + "Pavement.dds", Pavement(), DdsFormat::DXT1, true);
    WriteTexture(folder, TEXTURES + "Grass.dds", Grass(), DdsFormat::DXT1, true);
    WriteTexture(folder, TEXTURES + "TrafficSignToLeft.dds", SignTexture(true), DdsFormat::DXT1, true);
    WriteTexture(folder, TEXTURES + "TrafficSignToRight.dds", SignTexture(false), DdsFormat::DXT1, true);
    WriteTexture(folder, TEXTURES + "TrafficLight.dds", LightTexture(), DdsFormat::DXT1, true);
    const std::pair<const char*, uint32_t> paints[] = {{"CarRed", Argb(255, 180, 30, 30)},
                                                       {"CarBlue", Argb(255, 40, 70, 170)},
                                                       {"CarYellow", Argb(255, 230, 190, 40)},
                                                       {"CarWhite", Argb(255, 236, 236, 232)},
                                                       {"CarSilver", Argb(255, 168, 172, 178)}};
    for (const auto& [name, paint] : paints)
        WriteTexture(folder, TEXTURES + name + ".dds", CarTexture(paint), DdsFormat::DXT1, true);
    WriteTexture(folder, TEXTURES + "Block.dds", BlockTexture(), DdsFormat::DXT1, true);
    WriteTexture(folder, TEXTURES + "Ramp.dds", RampTexture(), DdsFormat::DXT1, true);
}

void WriteUSAModels(DataFolder& folder)
{
    const TowerShape towers[] = {
        {"Building.x", "Building.dds", Argb(255, 150, 120, 96), Argb(255, 70, 90, 110), 0.6f, 0, false},
        {"Building2.x", "Building2.dds", Argb(255, 190, 182, 166), Argb(255, 60, 80, 96), 0.6f, 1, false},
        {"Skyscraper.x", "Skyscraper.dds", Argb(255, 120, 130, 140), Argb(255, 80, 120, 160), 0.6f, 2, true},
        {"Skyscraper2.x", "Skyscraper2.dds", Argb(255, 90, 100, 112), Argb(255, 110, 150, 190), 0.6f, 3, true},
        {"Skyscraper3.x", nullptr, 0, 0, 0.6f, 1, false},
        {"Skyscraper4.x", nullptr, 0, 0, 0.6f, 0, true},
        {"Skyscraper5.x", "Skyscraper5.dds", Argb(255, 200, 196, 186), Argb(255, 50, 70, 90), 0.6f, 2, false},
        {"Skyscraper6.x", "Skyscraper6.dds", Argb(255, 60, 70, 84), Argb(255, 120, 170, 210), 0.6f, 1, true},
        {"Skyscraper7.x", "Skyscraper7.dds", Argb(255, 176, 140, 110), Argb(255, 60, 70, 80), 0.6f, 2, false},
        {"Skyscraper8.x", "Skyscraper8.dds", Argb(255, 150, 156, 150), Argb(255, 70, 100, 120), 0.6f, 0, false},
        {"Building5.x", "Building5.dds", Argb(255, 170, 90, 70), Argb(255, 50, 60, 70), 0.5f, 0, false},
        {"Building4.x", "Building4.dds", Argb(255, 210, 200, 150), Argb(255, 60, 80, 90), 0.5f, 0, false},
    };
    for (const TowerShape& shape : towers) {
        const std::string texture = shape.texture != nullptr ? shape.texture : "Skyscraper2.dds";
        WriteModel(folder, shape.model, Tower(shape, TrackModelBox(MODELS + shape.model)), texture.c_str());
        if (shape.texture != nullptr)
            WriteTexture(folder, TEXTURES + shape.texture,
                         Facade(shape.wall, shape.glass, 4, 4, shape.windowShare, 760 + shape.wall % 97),
                         DdsFormat::DXT1, true);
    }
    const HouseShape house = {TrackModelBox(MODELS + "Building3.x"), 0.4f, 3.2f, 5.6f, 2, true};
    WriteModel(folder, "Building3.x", BuildHouse(house), "Building3.dds");
    WriteTexture(folder, TEXTURES + "Building3.dds",
                 PaintHouseAtlas(Argb(255, 220, 214, 196), Argb(255, 250, 250, 246), Argb(255, 80, 60, 56), false, 771),
                 DdsFormat::DXT1, true);
    WriteModel(folder, "TrafficSign.x", TrafficSign(TrackModelBox(MODELS + "TrafficSign.x")), "TrafficSign.dds");
    WriteModel(folder, "TrafficLightOneSide.x", TrafficLight(TrackModelBox(MODELS + "TrafficLightOneSide.x"), false),
               "TrafficLight.dds");
    WriteModel(folder, "TrafficLightTwoSides.x", TrafficLight(TrackModelBox(MODELS + "TrafficLightTwoSides.x"), true),
               "TrafficLight.dds");
    folder.Write(MODELS + "Car.qvx", EncodeQvx({QvxFrame{{Car(TrackModelBox(MODELS + "Car.qvx"))}}}));
    MeshBuilder block;
    AddBlock(block, {0, 0, 0}, X_AXIS, Y_AXIS, TrackModelBox(MODELS + "Block.x"), {0, 0, 1, 1}, true);
    WriteModel(folder, "Block.x", block, "Block.dds");
    MeshBuilder ramp;
    AddBlock(ramp, {0, 0, 0}, X_AXIS, Y_AXIS, TrackModelBox(MODELS + "Ramp.x"), {0, 0, 1, 1}, true);
    WriteModel(folder, "Ramp.x", ramp, "Ramp.dds");
}

} // namespace datagen

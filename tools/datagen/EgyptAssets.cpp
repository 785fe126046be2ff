// Egypt: a pale hot sky with the sun low in the south-east, golden sand,
// asphalt, the green water of the Nile, palms and a sandstone pyramid.

#include "datagen/SampleData.h"
#include "datagen/SouthernScenery.h"
#include "datagen/TrackAssets.h"
#include "tracks/EgyptDefs.h"

#include <cmath>
#include <string>

namespace datagen {

namespace {

const std::string TEXTURES = "Graphics\\Tracks\\Egypt\\Textures\\";
const std::string MODELS = "Graphics\\Tracks\\Egypt\\Models\\";
constexpr uint32_t TERRAIN_SIZE = 256;

// Four faces up to the apex and the base, centred on the box.
MeshBuilder Pyramid(Float3 size)
{
    MeshBuilder mesh;
    const float hx = size.x * 0.5f, hy = size.y * 0.5f, hz = size.z * 0.5f;
    const Float3 apex = {0.0f, hy, 0.0f};
    const Float3 corners[4] = {{-hx, -hy, -hz}, {hx, -hy, -hz}, {hx, -hy, hz}, {-hx, -hy, hz}};
    const Float3 inside = {0.0f, -hy * 0.5f, 0.0f};
    for (int i = 0; i < 4; ++i) {
        const Float3 a = corners[i], b = corners[(i + 1) % 4];
        const Float3 along = {b.x - a.x, 0.0f, b.z - a.z};
        const float length = std::hypot(along.x, along.z);
        const Float3 u = {along.x / length, 0.0f, along.z / length};
        const Float3 mid = {(a.x + b.x) * 0.5f, -hy, (a.z + b.z) * 0.5f};
        const Float3 up = {apex.x - mid.x, apex.y - mid.y, apex.z - mid.z};
        const float upLength = std::sqrt(up.x * up.x + up.y * up.y + up.z * up.z);
        const Float3 v = {-up.x / upLength, -up.y / upLength, -up.z / upLength};
        AddPlanarFace(mesh, {a, b, apex}, inside, u, v, UvRect{}, 8.0f, 8.0f);
    }
    AddPlanarFace(mesh, {corners[0], corners[1], corners[2], corners[3]}, {0.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f},
                  {0.0f, 0.0f, 1.0f}, UvRect{});
    return mesh;
}

// Courses of sandstone blocks, weathered.
RgbaImage Sandstone()
{
    return PaintTile(TERRAIN_SIZE, [&](float u, float v, uint32_t x, uint32_t y) {
        const uint32_t course = y / 32, offset = course % 2 ? 24 : 0;
        const bool joint = y % 32 < 2 || (x + offset) % 48 < 2;
        float shade =
            0.82f + 0.25f * TileNoise(u, v, 6, 3, 811) + 0.1f * Random01(812, course * 16 + (x + offset) / 48);
        if (joint)
            shade *= 0.62f;
        return ShadeColor(Argb(255, 206, 174, 120), shade) | 0xFF000000u;
    });
}

} // namespace

void WriteEgyptSky(DataFolder& folder)
{
    SkyStyle style;
    style.zenith = Argb(255, 70, 124, 200);
    style.horizon = Argb(255, 222, 218, 200);
    style.farHills = Argb(255, 210, 184, 136);
    style.treeline = Argb(255, 200, 172, 120);
    style.farGround = Argb(255, 214, 190, 140);
    style.ground = Argb(255, 206, 180, 128);
    style.hillHeight = 0.04f;
    style.treeHeight = 0.0f;
    style.spikyTrees = false;
    style.cloudCover = 0.05f;
    style.towardsSun = UnitVector(EgyptDefs::LENS_FLARE.sunDirection);
    style.seed = 808;
    WriteTrackSky(folder, TEXTURES, style);
}

void WriteEgyptScenery(DataFolder& folder)
{
    WriteTexture(folder, TEXTURES + "Sand.dds", PaintSand(TERRAIN_SIZE, Argb(255, 222, 190, 130), 0.05f, 821),
                 DdsFormat::DXT1, true);
    WriteTexture(folder, TEXTURES + "Asphalt.dds", PaintAsphalt(TERRAIN_SIZE, Argb(255, 84, 82, 80), 831),
                 DdsFormat::DXT1, true);
    WriteTexture(folder, TEXTURES + "Water.dds",
                 PaintWater(TERRAIN_SIZE, Argb(255, 40, 110, 120), Argb(255, 190, 220, 210), 841), DdsFormat::DXT1,
                 true);
    WriteTexture(folder, TEXTURES + "Palm.dds", PaintPalmSprite(128, 256, Argb(255, 70, 120, 50), 851),
                 DdsFormat::A8R8G8B8, true);
    folder.Write(MODELS + "Pyramid.x",
                 EncodeTrackXModel(Pyramid(TrackModelBox(MODELS + "Pyramid.x")), "Pyramid", "Pyramid.dds"));
    WriteTexture(folder, TEXTURES + "Pyramid.dds", Sandstone(), DdsFormat::DXT1, true);
}

} // namespace datagen

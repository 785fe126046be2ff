// Finland II: a pale winter sky over snowy woods, snow with sandy roads
// through it, snow-laden firs, snowflakes and two kinds of cottage.

#include "datagen/SampleData.h"
#include "datagen/TrackAssets.h"
#include "tracks/Finland2Defs.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace datagen {

namespace {

const std::string GRAPHICS = "Graphics\\Tracks\\Finland2\\";
const std::string TEXTURES = GRAPHICS + "Textures\\";
const std::string MODELS = GRAPHICS + "Models\\";
constexpr uint32_t TERRAIN_SIZE = 256;

RgbaImage Snow()
{
    return PaintTile(TERRAIN_SIZE, [&](float u, float v, uint32_t x, uint32_t y) {
        const float drifts = TileNoise(u, v, 3, 4, 901), fine = TileNoise(u, v, 64, 2, 902);
        uint32_t color = MixColor(Argb(255, 196, 210, 232), Argb(255, 246, 248, 252), drifts);
        color = ShadeColor(color, 0.94f + 0.08f * fine);
        if (Random01(903, y * TERRAIN_SIZE + x) > 0.995f)
            color = Argb(255, 255, 255, 255);
        return color;
    });
}

// Packed sand with ruts of slush.
RgbaImage Sand()
{
    return PaintTile(TERRAIN_SIZE, [&](float u, float v, uint32_t, uint32_t) {
        const float broad = TileNoise(u, v, 4, 4, 911), fine = TileNoise(u, v, 80, 1, 912);
        uint32_t color = ShadeColor(Argb(255, 150, 124, 92), 0.8f + 0.25f * broad + 0.2f * (fine - 0.5f));
        const float slush = std::clamp((TileNoise(u, v, 6, 3, 913) - 0.6f) * 6.0f, 0.0f, 1.0f);
        color = MixColor(color, Argb(255, 214, 218, 226), slush * 0.7f);
        return color;
    });
}

// The fir with snow lying on its branches.
RgbaImage SnowyFir()
{
    RgbaImage image = PaintFirSprite(128, 256, Argb(255, 30, 60, 40), 921);
    uint32_t n = 0;
    for (int i = 0; i < 700; ++i) {
        const float x = 128.0f * Random01(922, n++), y = 20.0f + 200.0f * Random01(922, n++);
        const uint32_t below = image.At(uint32_t(x), uint32_t(y));
        if ((below >> 24) < 200)
            continue;
        FillRect(image, x - 2.5f, y, x + 2.5f, y + 1.6f, Argb(255, 236, 242, 250));
    }
    return image;
}

RgbaImage SnowFlake()
{
    RgbaImage image(32, 32, 0x00FFFFFFu);
    FillGlow(image, 16.0f, 16.0f, 15.0f, Argb(255, 255, 255, 255), 1.5f);
    return image;
}

} // namespace

void WriteFinland2Sky(DataFolder& folder)
{
    SkyStyle style;
    style.zenith = Argb(255, 96, 136, 196);
    style.horizon = Argb(255, 212, 222, 236);
    style.farHills = Argb(255, 150, 164, 184);
    style.treeline = Argb(255, 40, 62, 54);
    style.farGround = Argb(255, 214, 222, 234);
    style.ground = Argb(255, 232, 236, 244);
    style.hillHeight = 0.06f;
    style.treeHeight = 0.04f;
    style.spikyTrees = true;
    style.cloudCover = 0.6f;
    style.towardsSun = TowardsLight(Finland2Defs::LIGHT);
    style.seed = 931;
    WriteTrackSky(folder, TEXTURES, style);
}

void WriteFinland2Scenery(DataFolder& folder)
{
    WriteTexture(folder, TEXTURES + "Snow.dds", Snow(), DdsFormat::DXT1, true);
    WriteTexture(folder, TEXTURES + "Sand.dds", Sand(), DdsFormat::DXT1, true);
    WriteTexture(folder, TEXTURES + "Fir.dds", SnowyFir(), DdsFormat::A8R8G8B8, true);
    WriteTexture(folder, TEXTURES + "SnowFlake.dds", SnowFlake(), DdsFormat::A8R8G8B8, false);
}

void WriteFinland2Models(DataFolder& folder)
{
    const HouseShape cottage = {TrackModelBox(MODELS + "Cottage.x"), 0.5f, 3.9f, 5.8f, 2, true};
    const HouseShape cottage2 = {TrackModelBox(MODELS + "Cottage2.x"), 0.35f, 2.5f, 3.9f, 3, false};
    folder.Write(MODELS + "Cottage.x", EncodeTrackXModel(BuildHouse(cottage), "Cottage", "Cottage.dds"));
    folder.Write(MODELS + "Cottage2.x", EncodeTrackXModel(BuildHouse(cottage2), "Cottage2", "Cottage2.dds"));
    // Roofs under snow.
    WriteTexture(
        folder, TEXTURES + "Cottage.dds",
        PaintHouseAtlas(Argb(255, 168, 134, 58), Argb(255, 240, 236, 228), Argb(255, 226, 232, 240), false, 941),
        DdsFormat::DXT1, true);
    WriteTexture(folder, TEXTURES + "Cottage2.dds",
                 PaintHouseAtlas(Argb(255, 110, 70, 48), Argb(255, 226, 220, 206), Argb(255, 220, 226, 236), true, 942),
                 DdsFormat::DXT1, true);
}

} // namespace datagen

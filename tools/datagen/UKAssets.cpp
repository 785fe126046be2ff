// UK Dirt Track: a cloudy sky over green hills and hedgerows, sandy ground
// with mud, and fir trees.

#include "datagen/SampleData.h"
#include "datagen/TrackAssets.h"
#include "tracks/UKDefs.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace datagen {

namespace {

const std::string TEXTURES = "Graphics\\Tracks\\UK\\Textures\\";
constexpr uint32_t TERRAIN_SIZE = 256;

RgbaImage Sand()
{
    return PaintTile(TERRAIN_SIZE, [&](float u, float v, uint32_t x, uint32_t y) {
        const float broad = TileNoise(u, v, 3, 4, 501), fine = TileNoise(u, v, 96, 1, 502);
        // Wind-blown ripples running across.
        const float ripple = std::sin((v + 0.04f * TileNoise(u, v, 4, 2, 503)) * 6.2832f * 24.0f);
        float shade = 0.82f + 0.25f * broad + 0.18f * (fine - 0.5f) + 0.04f * ripple;
        const float speck = Random01(504, y * TERRAIN_SIZE + x);
        if (speck > 0.985f)
            shade *= 0.65f;
        else if (speck < 0.01f)
            shade *= 1.2f;
        return ShadeColor(Argb(255, 192, 164, 118), shade);
    });
}

RgbaImage Mud()
{
    const float size = static_cast<float>(TERRAIN_SIZE);
    RgbaImage image = PaintTile(TERRAIN_SIZE, [&](float u, float v, uint32_t, uint32_t) {
        const float broad = TileNoise(u, v, 4, 4, 511), fine = TileNoise(u, v, 64, 2, 512);
        uint32_t color = ShadeColor(Argb(255, 92, 66, 44), 0.75f + 0.4f * broad + 0.3f * (fine - 0.5f));
        // Wet hollows hold a sheen of sky.
        const float wet = std::clamp((TileNoise(u, v, 6, 3, 513) - 0.62f) * 10.0f, 0.0f, 1.0f);
        color = MixColor(color, MixColor(Argb(255, 60, 48, 38), Argb(255, 120, 118, 112), fine * 0.6f), wet);
        return color;
    });
    // Clods thrown up by the wheels.
    uint32_t n = 0;
    for (int i = 0; i < 500; ++i) {
        const float x = size * Random01(514, n++), y = size * Random01(514, n++);
        const float r = 1.0f + 2.5f * Random01(514, n++);
        if (x < r + 1.0f || y < r + 1.0f || x > size - r - 1.0f || y > size - r - 1.0f)
            continue;
        FillDisc(image, x + 0.7f, y + 0.7f, r, Argb(120, 40, 28, 18));
        FillDisc(image, x, y, r, ShadeColor(Argb(255, 110, 80, 54), 0.8f + 0.4f * Random01(514, n++)));
    }
    return image;
}

} // namespace

void WriteUKSky(DataFolder& folder)
{
    SkyStyle style;
    style.zenith = Argb(255, 92, 128, 180);
    style.horizon = Argb(255, 206, 214, 222);
    style.farHills = Argb(255, 104, 128, 112);
    style.treeline = Argb(255, 52, 78, 44);
    style.farGround = Argb(255, 92, 112, 62);
    style.ground = Argb(255, 150, 132, 96);
    style.hillHeight = 0.1f;
    style.treeHeight = 0.03f;
    style.spikyTrees = false;
    style.cloudCover = 0.75f;
    style.towardsSun = TowardsLight(UKDefs::LIGHT);
    style.seed = 303;
    WriteTrackSky(folder, TEXTURES, style);
}

void WriteUKScenery(DataFolder& folder)
{
    WriteTexture(folder, TEXTURES + "Sand.dds", Sand(), DdsFormat::DXT1, true);
    WriteTexture(folder, TEXTURES + "Mud.dds", Mud(), DdsFormat::DXT1, true);
    WriteTexture(folder, TEXTURES + "Fir.dds", PaintFirSprite(128, 256, Argb(255, 42, 76, 44), 601),
                 DdsFormat::A8R8G8B8, true);
}

} // namespace datagen

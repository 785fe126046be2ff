// Tanzania: a clear, hazy sky over the plain, golden grass, ochre tracks,
// flat-topped acacias and tufts of dry grass.

#include "datagen/SampleData.h"
#include "datagen/TrackAssets.h"
#include "tracks/TanzaniaDefs.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace datagen {

namespace {

const std::string TEXTURES = "Graphics\\Tracks\\Tanzania\\Textures\\";
constexpr uint32_t TERRAIN_SIZE = 256;

RgbaImage Grass()
{
    return PaintTile(TERRAIN_SIZE, [&](float u, float v, uint32_t, uint32_t) {
        const float patches = TileNoise(u, v, 4, 4, 801), fine = TileNoise(u, v, 64, 2, 802);
        const float stalks = TileNoise(u * 0.2f, v, 160, 1, 803);
        return ShadeColor(MixColor(Argb(255, 150, 132, 64), Argb(255, 118, 126, 58), patches),
                          0.8f + 0.25f * fine + 0.2f * (stalks - 0.5f));
    });
}

RgbaImage Dirt()
{
    return PaintTile(TERRAIN_SIZE, [&](float u, float v, uint32_t x, uint32_t y) {
        const float broad = TileNoise(u, v, 3, 4, 811), fine = TileNoise(u, v, 96, 1, 812);
        uint32_t color = ShadeColor(Argb(255, 196, 146, 92), 0.8f + 0.25f * broad + 0.18f * (fine - 0.5f));
        if (Random01(813, y * TERRAIN_SIZE + x) > 0.99f)
            color = ShadeColor(color, 0.7f);
        return color;
    });
}

// A flat-topped umbrella acacia; drawn narrow, since the sprite is stretched wider than tall.
RgbaImage Acacia()
{
    const float w = 256.0f, h = 256.0f, cx = w * 0.5f;
    RgbaImage image(256, 256, 0x00506A30u);
    const uint32_t bark = Argb(255, 84, 70, 58);
    DrawLine(image, cx, h, cx - 4.0f, h * 0.55f, 9.0f, bark);
    DrawLine(image, cx - 4.0f, h * 0.55f, cx - w * 0.3f, h * 0.3f, 5.0f, bark);
    DrawLine(image, cx - 4.0f, h * 0.55f, cx + w * 0.28f, h * 0.28f, 5.0f, bark);
    DrawLine(image, cx - 3.0f, h * 0.6f, cx + 6.0f, h * 0.28f, 4.0f, bark);
    uint32_t n = 0;
    for (int i = 0; i < 420; ++i) {
        const float t = Random01(821, n++) * 2.0f - 1.0f;
        const float x = cx + t * w * 0.44f, thick = 0.09f * (1.0f - t * t * 0.7f);
        const float y = h * (0.2f + thick * (Random01(821, n++) * 2.0f - 1.0f));
        const float light = 0.75f + 0.35f * Random01(821, n++) - 2.5f * (y / h - 0.2f);
        FillDisc(image, x, y, 3.0f + 5.0f * Random01(821, n++), ShadeColor(Argb(255, 92, 118, 48), light));
    }
    return image;
}

RgbaImage DryTuft()
{
    RgbaImage image(64, 64, 0x00A08C4Cu);
    uint32_t n = 0;
    for (int i = 0; i < 46; ++i) {
        const float base = 22.0f + 20.0f * Random01(831, n++), lean = (Random01(831, n++) - 0.5f) * 44.0f;
        const float height = 26.0f + 34.0f * Random01(831, n++);
        const float hue = Random01(831, n++), shade = 0.7f + 0.5f * Random01(831, n++);
        const uint32_t color = ShadeColor(MixColor(Argb(255, 176, 150, 84), Argb(255, 128, 130, 60), hue), shade);
        DrawLine(image, base, 63.0f, base + lean, 63.0f - height, 1.6f, color);
    }
    return image;
}

} // namespace

void WriteTanzaniaSky(DataFolder& folder)
{
    SkyStyle style;
    style.zenith = Argb(255, 70, 128, 210);
    style.horizon = Argb(255, 214, 214, 200);
    style.farHills = Argb(255, 130, 136, 150);
    style.treeline = Argb(255, 88, 96, 56);
    style.farGround = Argb(255, 170, 150, 96);
    style.ground = Argb(255, 156, 138, 80);
    style.hillHeight = 0.035f;
    style.treeHeight = 0.012f;
    style.spikyTrees = false;
    style.cloudCover = 0.25f;
    style.towardsSun = TowardsLight(TanzaniaDefs::LIGHT);
    style.seed = 809;
    WriteTrackSky(folder, TEXTURES, style);
}

void WriteTanzaniaScenery(DataFolder& folder)
{
    WriteTexture(folder, TEXTURES + "Grass.dds", Grass(), DdsFormat::DXT1, true);
    WriteTexture(folder, TEXTURES + "Sand.dds", Dirt(), DdsFormat::DXT1, true);
    WriteTexture(folder, TEXTURES + "Acacia.dds", Acacia(), DdsFormat::A8R8G8B8, true);
    WriteTexture(folder, TEXTURES + "FxGrass.dds", DryTuft(), DdsFormat::A8R8G8B8, true);
}

} // namespace datagen

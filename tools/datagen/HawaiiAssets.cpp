// Hawaii: a tropical sky under a high sun, pale beach sand, lush grass, dark
// lava rock, asphalt, the blue sea, palms and the volcano's smoke.

#include "datagen/SampleData.h"
#include "datagen/SouthernScenery.h"
#include "datagen/TrackAssets.h"
#include "tracks/HawaiiDefs.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace datagen {

namespace {

const std::string TEXTURES = "Graphics\\Tracks\\Hawaii\\Textures\\";
constexpr uint32_t TERRAIN_SIZE = 256;

RgbaImage Grass()
{
    return PaintTile(TERRAIN_SIZE, [&](float u, float v, uint32_t, uint32_t) {
        const float patches = TileNoise(u, v, 4, 4, 911), blades = TileNoise(u, v, 96, 2, 912);
        return ShadeColor(MixColor(Argb(255, 46, 110, 40), Argb(255, 96, 150, 52), patches), 0.8f + 0.4f * blades) |
               0xFF000000u;
    });
}

// A soft puff added by its brightness: light grey on black.
RgbaImage Smoke()
{
    RgbaImage image(64, 64, Argb(255, 0, 0, 0));
    for (uint32_t y = 0; y < 64; ++y)
        for (uint32_t x = 0; x < 64; ++x) {
            const float d = std::hypot(float(x) + 0.5f - 32.0f, float(y) + 0.5f - 32.0f) / 30.0f;
            const float puff =
                std::sqrt(std::max(0.0f, 1.0f - d * d)) * (0.7f + 0.3f * FractalNoise(float(x), float(y), 12, 3, 921));
            const auto v = static_cast<uint32_t>(std::min(255.0f, puff * 250.0f));
            image.At(x, y) = Argb(255, v, v, v);
        }
    return image;
}

} // namespace

void WriteHawaiiSky(DataFolder& folder)
{
    SkyStyle style;
    style.zenith = Argb(255, 40, 110, 210);
    style.horizon = Argb(255, 190, 220, 240);
    style.farHills = Argb(255, 120, 170, 200);
    style.treeline = Argb(255, 110, 160, 196);
    // Below the horizon the sky meets the sea's edge: the sea as it shows lit.
    style.farGround = Argb(255, 74, 123, 175);
    style.ground = Argb(255, 74, 123, 175);
    style.hillHeight = 0.0f;
    style.treeHeight = 0.0f;
    style.spikyTrees = false;
    style.cloudCover = 0.35f;
    style.towardsSun = TowardsLight(HawaiiDefs::LIGHT);
    style.seed = 909;
    WriteTrackSky(folder, TEXTURES, style);
}

void WriteHawaiiScenery(DataFolder& folder)
{
    WriteTexture(folder, TEXTURES + "Sand.dds", PaintSand(TERRAIN_SIZE, Argb(255, 226, 208, 164), 0.02f, 931),
                 DdsFormat::DXT1, true);
    WriteTexture(folder, TEXTURES + "Grass.dds", Grass(), DdsFormat::DXT1, true);
    WriteTexture(folder, TEXTURES + "Rock.dds",
                 PaintRockTexture(TERRAIN_SIZE, Argb(255, 70, 64, 62), Argb(255, 110, 60, 40), 0.2f, 941),
                 DdsFormat::DXT1, true);
    WriteTexture(folder, TEXTURES + "Asphalt.dds", PaintAsphalt(TERRAIN_SIZE, Argb(255, 72, 72, 74), 951),
                 DdsFormat::DXT1, true);
    WriteTexture(folder, TEXTURES + "Water.dds",
                 PaintWater(TERRAIN_SIZE, Argb(255, 20, 90, 170), Argb(255, 200, 230, 250), 961), DdsFormat::DXT1,
                 true);
    WriteTexture(folder, TEXTURES + "Palm.dds", PaintPalmSprite(128, 128, Argb(255, 60, 130, 50), 971),
                 DdsFormat::A8R8G8B8, true);
    WriteTexture(folder, TEXTURES + "VolcanoSmoke.dds", Smoke(), DdsFormat::DXT1, true);
}

} // namespace datagen

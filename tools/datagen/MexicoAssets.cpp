// Mexico: a hot clear sky with the sun low in the east, red-brown sand,
// asphalt, mountain rock, wisps of fog and saguaro cacti.

#include "datagen/SampleData.h"
#include "datagen/SouthernScenery.h"
#include "datagen/TrackAssets.h"
#include "tracks/MexicoDefs.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace datagen {

namespace {

const std::string TEXTURES = "Graphics\\Tracks\\Mexico\\Textures\\";
constexpr uint32_t TERRAIN_SIZE = 256;

// Soft white wisps whose alpha thins to clear gaps.
RgbaImage Fog()
{
    return PaintTile(TERRAIN_SIZE, [&](float u, float v, uint32_t, uint32_t) {
        const float n = TileNoise(u, v, 4, 5, 721);
        const float alpha = std::clamp(0.35f + 1.3f * (n - 0.4f), 0.2f, 1.0f);
        return (uint32_t(alpha * 255.0f) << 24) | (ShadeColor(Argb(255, 236, 236, 240), 0.9f + 0.1f * n) & 0xFFFFFFu);
    });
}

} // namespace

void WriteMexicoSky(DataFolder& folder)
{
    SkyStyle style;
    style.zenith = Argb(255, 52, 104, 196);
    style.horizon = Argb(255, 200, 214, 228);
    style.farHills = Argb(255, 170, 122, 96);
    style.treeline = Argb(255, 150, 104, 76);
    style.farGround = Argb(255, 196, 150, 104);
    style.ground = Argb(255, 190, 140, 96);
    style.hillHeight = 0.12f;
    style.treeHeight = 0.0f;
    style.spikyTrees = false;
    style.cloudCover = 0.1f;
    // The sun where the flare puts it.
    style.towardsSun = UnitVector(MexicoDefs::LENS_FLARE.sunDirection);
    style.seed = 707;
    WriteTrackSky(folder, TEXTURES, style);
}

void WriteMexicoScenery(DataFolder& folder)
{
    WriteTexture(folder, TEXTURES + "Sand.dds", PaintSand(TERRAIN_SIZE, Argb(255, 206, 150, 100), 0.03f, 731),
                 DdsFormat::DXT1, true);
    WriteTexture(folder, TEXTURES + "Asphalt.dds", PaintAsphalt(TERRAIN_SIZE, Argb(255, 78, 76, 74), 741),
                 DdsFormat::DXT1, true);
    WriteTexture(folder, TEXTURES + "MountainRock.dds",
                 PaintRockTexture(TERRAIN_SIZE, Argb(255, 150, 96, 70), Argb(255, 190, 150, 110), 0.3f, 751),
                 DdsFormat::DXT1, true);
    WriteTexture(folder, TEXTURES + "Fog.dds", Fog(), DdsFormat::A8R8G8B8, true);
    WriteTexture(folder, TEXTURES + "Cactus.dds", PaintCactusSprite(128, 128, 761), DdsFormat::A8R8G8B8, true);
}

} // namespace datagen

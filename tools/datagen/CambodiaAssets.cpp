// Cambodia: a grey monsoon sky over jungle hills, lush grass, red laterite
// tracks, broadleaf trees, grass tufts and stilt huts of bamboo and thatch.

#include "datagen/SampleData.h"
#include "datagen/TrackAssets.h"
#include "tracks/CambodiaDefs.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace datagen {

namespace {

const std::string GRAPHICS = "Graphics\\Tracks\\Cambodia\\";
const std::string TEXTURES = GRAPHICS + "Textures\\";
const std::string MODELS = GRAPHICS + "Models\\";
constexpr uint32_t TERRAIN_SIZE = 256;

RgbaImage Grass()
{
    return PaintTile(TERRAIN_SIZE, [&](float u, float v, uint32_t, uint32_t) {
        const float patches = TileNoise(u, v, 4, 4, 701), fine = TileNoise(u, v, 64, 2, 702);
        const float blades = TileNoise(u * 0.25f, v, 128, 1, 703);
        return ShadeColor(MixColor(Argb(255, 40, 92, 30), Argb(255, 88, 138, 44), patches),
                          0.8f + 0.25f * fine + 0.15f * (blades - 0.5f));
    });
}

// Red laterite with puddles that hold the grey of the sky.
RgbaImage Laterite()
{
    return PaintTile(TERRAIN_SIZE, [&](float u, float v, uint32_t x, uint32_t y) {
        const float broad = TileNoise(u, v, 3, 4, 711), fine = TileNoise(u, v, 80, 1, 712);
        uint32_t color = ShadeColor(Argb(255, 168, 84, 50), 0.78f + 0.3f * broad + 0.2f * (fine - 0.5f));
        const float wet = std::clamp((TileNoise(u, v, 5, 3, 713) - 0.66f) * 9.0f, 0.0f, 1.0f);
        color = MixColor(color, Argb(255, 112, 96, 92), wet * 0.8f);
        if (Random01(714, y * TERRAIN_SIZE + x) > 0.988f)
            color = ShadeColor(color, 0.6f);
        return color;
    });
}

// A broadleaf tree: a leaning trunk under a wide, layered crown.
RgbaImage Tree()
{
    const float w = 128.0f, h = 256.0f, cx = w * 0.5f;
    RgbaImage image(128, 256, 0x00305A28u);
    for (int i = 0; i < 20; ++i) {
        const float t0 = static_cast<float>(i) / 20.0f, t1 = static_cast<float>(i + 1) / 20.0f;
        DrawLine(image, cx + 6.0f * std::sin(t0 * 2.0f), h - t0 * h * 0.62f, cx + 6.0f * std::sin(t1 * 2.0f),
                 h - t1 * h * 0.62f, 9.0f - 5.0f * t0, Argb(255, 96, 82, 66));
    }
    uint32_t n = 0;
    for (int i = 0; i < 5; ++i) {
        const float side = i % 2 ? 1.0f : -1.0f, y = h * (0.3f + 0.08f * static_cast<float>(i));
        DrawLine(image, cx + 4.0f, y + 22.0f, cx + side * w * (0.25f + 0.1f * Random01(721, n++)), y, 3.0f,
                 Argb(255, 90, 76, 60));
    }
    for (int i = 0; i < 260; ++i) {
        const float a = 6.2832f * Random01(722, n++), d = std::sqrt(Random01(722, n++));
        const float x = cx + std::cos(a) * d * w * 0.44f, y = h * 0.28f + std::sin(a) * d * h * 0.2f;
        const float light = 0.7f + 0.45f * Random01(722, n++) - 0.5f * (y / h - 0.2f);
        FillDisc(image, x, y, 4.0f + 6.0f * Random01(722, n++), ShadeColor(Argb(255, 52, 112, 40), light));
    }
    return image;
}

// A tuft of long blades fanning out from the bottom edge.
RgbaImage GrassTuft()
{
    RgbaImage image(64, 64, 0x00487A2Cu);
    uint32_t n = 0;
    for (int i = 0; i < 40; ++i) {
        const float base = 24.0f + 16.0f * Random01(731, n++), lean = (Random01(731, n++) - 0.5f) * 50.0f;
        const float height = 30.0f + 30.0f * Random01(731, n++);
        const uint32_t color = ShadeColor(Argb(255, 92, 150, 52), 0.6f + 0.6f * Random01(731, n++));
        DrawLine(image, base, 63.0f, base + lean * 0.5f, 63.0f - height * 0.6f, 2.2f, color);
        DrawLine(image, base + lean * 0.5f, 63.0f - height * 0.6f, base + lean, 63.0f - height, 1.4f, color);
    }
    return image;
}

} // namespace

void WriteCambodiaSky(DataFolder& folder)
{
    SkyStyle style;
    style.zenith = Argb(255, 88, 102, 128);
    style.horizon = Argb(255, 168, 176, 186);
    style.farHills = Argb(255, 82, 104, 100);
    style.treeline = Argb(255, 34, 66, 36);
    style.farGround = Argb(255, 60, 96, 44);
    style.ground = Argb(255, 70, 110, 46);
    style.hillHeight = 0.09f;
    style.treeHeight = 0.04f;
    style.spikyTrees = false;
    style.cloudCover = 0.95f;
    style.towardsSun = TowardsLight(CambodiaDefs::LIGHT);
    style.seed = 707;
    WriteTrackSky(folder, TEXTURES, style);
}

void WriteCambodiaScenery(DataFolder& folder)
{
    WriteTexture(folder, TEXTURES + "Grass.dds", Grass(), DdsFormat::DXT1, true);
    WriteTexture(folder, TEXTURES + "Sand.dds", Laterite(), DdsFormat::DXT1, true);
    WriteTexture(folder, TEXTURES + "Tree.dds", Tree(), DdsFormat::A8R8G8B8, true);
    WriteTexture(folder, TEXTURES + "FxGrass.dds", GrassTuft(), DdsFormat::A8R8G8B8, true);
}

void WriteCambodiaModels(DataFolder& folder)
{
    // Raised floors on a tall base, steep thatch.
    const HouseShape huts[] = {{TrackModelBox(MODELS + "Hut1.x"), 1.4f, 3.4f, 5.6f, 1, false},
                               {TrackModelBox(MODELS + "Hut2.x"), 1.4f, 3.3f, 5.6f, 2, false},
                               {TrackModelBox(MODELS + "Hut3.x"), 1.2f, 3.2f, 5.6f, 3, true}};
    for (int i = 0; i < 3; ++i) {
        const std::string name = "Hut" + std::to_string(i + 1);
        folder.Write(MODELS + name + ".x", EncodeTrackXModel(BuildHouse(huts[i]), name.c_str(), "Hut.dds"));
    }
    WriteTexture(folder, TEXTURES + "Hut.dds",
                 PaintHouseAtlas(Argb(255, 176, 150, 98), Argb(255, 112, 84, 52), Argb(255, 150, 124, 70), false, 741),
                 DdsFormat::DXT1, true);
}

} // namespace datagen

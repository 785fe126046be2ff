// Finland I: a summer sky over spruce woods, grass and gravel, three kinds of
// tree, two red-and-brown cottages, a fence, granite rocks and loose stones.

#include "datagen/SampleData.h"
#include "datagen/TrackAssets.h"
#include "datagen/writers/QvxWriter.h"
#include "tracks/FinlandDefs.h"

#include <cmath>
#include <string>

namespace datagen {

namespace {

const std::string GRAPHICS = "Graphics\\Tracks\\Finland\\";
const std::string TEXTURES = GRAPHICS + "Textures\\";
const std::string MODELS = GRAPHICS + "Models\\";
constexpr uint32_t TERRAIN_SIZE = 256, SPRITE_WIDTH = 128, SPRITE_HEIGHT = 256;

// Draws `draw(dx, dy)` once more across each edge it comes near, for tiling pictures.
template <typename Draw> void DrawWrapped(float x, float y, float reach, float size, Draw draw)
{
    for (int i = -1; i <= 1; ++i)
        for (int j = -1; j <= 1; ++j) {
            const float dx = static_cast<float>(i) * size, dy = static_cast<float>(j) * size;
            if (x + dx + reach >= 0 && x + dx - reach < size && y + dy + reach >= 0 && y + dy - reach < size)
                draw(dx, dy);
        }
}

RgbaImage Grass()
{
    const float size = static_cast<float>(TERRAIN_SIZE);
    RgbaImage image = PaintTile(TERRAIN_SIZE, [&](float u, float v, uint32_t, uint32_t) {
        const float patches = TileNoise(u, v, 3, 4, 21), fine = TileNoise(u, v, 48, 2, 22);
        return ShadeColor(MixColor(Argb(255, 50, 80, 30), Argb(255, 100, 132, 52), patches), 0.85f + 0.3f * fine);
    });
    uint32_t n = 0;
    for (int i = 0; i < 2600; ++i) {
        const float x = size * Random01(23, n++), y = size * Random01(23, n++);
        const float angle = (Random01(23, n++) - 0.5f) * 0.9f, length = 4.0f + 6.0f * Random01(23, n++);
        const float pick = Random01(23, n++);
        const uint32_t color = pick < 0.1f   ? Argb(200, 170, 165, 90)
                               : pick < 0.5f ? Argb(210, 60, 100, 35)
                                             : Argb(210, 95, 140, 55);
        DrawWrapped(x, y, length + 2.0f, size, [&](float dx, float dy) {
            DrawLine(image, x + dx, y + dy, x + dx + std::sin(angle) * length, y + dy - std::cos(angle) * length, 1.1f,
                     color);
        });
    }
    return image;
}

RgbaImage Gravel()
{
    const float size = static_cast<float>(TERRAIN_SIZE);
    RgbaImage image = PaintTile(TERRAIN_SIZE, [&](float u, float v, uint32_t, uint32_t) {
        const float shade = 0.8f + 0.3f * TileNoise(u, v, 4, 3, 31) + 0.2f * (TileNoise(u, v, 64, 1, 32) - 0.5f);
        return ShadeColor(Argb(255, 128, 116, 98), shade);
    });
    const uint32_t stones[] = {Argb(255, 150, 145, 135), Argb(255, 120, 110, 98), Argb(255, 170, 160, 140),
                               Argb(255, 95, 92, 88), Argb(255, 140, 120, 100)};
    uint32_t n = 0;
    for (int i = 0; i < 1500; ++i) {
        const float x = size * Random01(33, n++), y = size * Random01(33, n++);
        const float size1 = Random01(33, n++), size2 = Random01(33, n++);
        const float r = 1.4f + 3.2f * size1 * size2;
        const uint32_t color = ShadeColor(stones[i % 5], 0.85f + 0.3f * Random01(33, n++));
        DrawWrapped(x, y, r + 2.0f, size, [&](float dx, float dy) {
            FillDisc(image, x + dx + 0.8f, y + dy + 0.9f, r, Argb(110, 40, 34, 28));
            FillDisc(image, x + dx, y + dy, r, color);
            FillDisc(image, x + dx - r * 0.3f, y + dy - r * 0.3f, r * 0.45f, FadeColor(ShadeColor(color, 1.25f), 0.6f));
        });
    }
    return image;
}

RgbaImage Pine()
{
    const float w = static_cast<float>(SPRITE_WIDTH), h = static_cast<float>(SPRITE_HEIGHT), cx = w * 0.5f;
    RgbaImage image(SPRITE_WIDTH, SPRITE_HEIGHT, 0x00284A2Au);
    // A tall trunk, grey-brown below and orange in the crown.
    for (int i = 0; i < 24; ++i) {
        const float t0 = static_cast<float>(i) / 24.0f, t1 = static_cast<float>(i + 1) / 24.0f;
        const float y0 = h - t0 * h * 0.88f, y1 = h - t1 * h * 0.88f;
        const uint32_t bark = MixColor(Argb(255, 105, 88, 72), Argb(255, 185, 112, 62), std::min(1.0f, t0 * 1.6f));
        DrawLine(image, cx + t0 * 3.0f, y0, cx + t1 * 3.0f, y1, 7.0f - 4.0f * t0, bark);
    }
    uint32_t n = 0;
    for (int i = 0; i < 7; ++i) {
        const float y = h * (0.12f + 0.3f * Random01(41, n++)), side = i % 2 ? 1.0f : -1.0f;
        DrawLine(image, cx + 2.0f, y + 10.0f, cx + side * w * 0.3f, y, 2.0f, Argb(255, 120, 80, 50));
    }
    // Flat clumps of needles, dark below and lit above.
    for (int i = 0; i < 18; ++i) {
        const float t = Random01(42, n++);
        const float x = cx + (Random01(42, n++) * 2.0f - 1.0f) * w * (0.2f + 0.17f * t);
        const float y = h * (0.05f + 0.38f * t), r = w * (0.09f + 0.07f * Random01(42, n++));
        FillDisc(image, x, y + r * 0.2f, r, Argb(255, 28, 55, 32));
        FillDisc(image, x - r * 0.2f, y - r * 0.2f, r * 0.7f, Argb(255, 45, 82, 42));
        for (int k = 0; k < 14; ++k) {
            const float a = 6.2832f * Random01(43, n++), l = r * (0.6f + 0.5f * Random01(43, n++));
            DrawLine(image, x, y, x + std::cos(a) * l, y + std::sin(a) * l * 0.7f, 1.2f, Argb(255, 60, 100, 50));
        }
    }
    return image;
}

RgbaImage Birch()
{
    const float w = static_cast<float>(SPRITE_WIDTH), h = static_cast<float>(SPRITE_HEIGHT), cx = w * 0.5f;
    RgbaImage image(SPRITE_WIDTH, SPRITE_HEIGHT, 0x006E9640u);
    for (int i = 0; i < 20; ++i) {
        const float t0 = static_cast<float>(i) / 20.0f, t1 = static_cast<float>(i + 1) / 20.0f;
        DrawLine(image, cx - 4.0f * std::sin(t0 * 3.0f), h - t0 * h * 0.8f, cx - 4.0f * std::sin(t1 * 3.0f),
                 h - t1 * h * 0.8f, 8.0f - 5.0f * t0, Argb(255, 232, 230, 220));
    }
    uint32_t n = 0;
    for (int i = 0; i < 40; ++i) {
        const float t = Random01(51, n++) * 0.75f, y = h - t * h * 0.8f;
        const float x = cx - 4.0f * std::sin(t * 3.0f) + (Random01(51, n++) - 0.5f) * 4.0f;
        FillRect(image, x - 2.5f, y, x + 1.5f + 2.0f * Random01(51, n++), y + 1.5f, Argb(255, 35, 35, 30));
    }
    // Leaves in small clumps over a rounded crown, darker low on the right.
    for (int i = 0; i < 320; ++i) {
        const float a = 6.2832f * Random01(52, n++), d = std::sqrt(Random01(52, n++));
        const float x = cx + std::cos(a) * d * w * 0.42f, y = h * 0.36f + std::sin(a) * d * h * 0.3f;
        const float light = 0.75f + 0.45f * Random01(52, n++) - 0.25f * (x - cx) / w - 0.3f * (y / h - 0.36f);
        FillDisc(image, x, y, 3.0f + 5.0f * Random01(52, n++), ShadeColor(Argb(255, 105, 150, 60), light));
    }
    return image;
}

RgbaImage FenceWood()
{
    return PaintTile(128, [&](float u, float v, uint32_t, uint32_t) {
        const float grain = TileNoise(u * 0.25f, v, 2, 4, 61);
        float shade = 0.75f + 0.4f * grain + 0.15f * (TileNoise(u, v, 32, 1, 62) - 0.5f);
        if (std::fabs(TileNoise(u, v * 0.25f, 4, 2, 63) - 0.5f) < 0.005f)
            shade *= 0.7f;
        return ShadeColor(Argb(255, 140, 128, 112), shade);
    });
}

MeshBuilder Fence(Float3 size)
{
    MeshBuilder m;
    const float post = 0.12f, rail = 0.04f;
    for (int k = 0; k < 5; ++k)
        AddBlock(m, {-3.9f + 1.95f * static_cast<float>(k), 0.6f, 0}, {1, 0, 0}, {0, 1, 0}, {post, 1.2f, post},
                 {0, 0, 1, 1}, true);
    const float heights[] = {0.3f, 0.65f, 1.0f};
    for (int k = 0; k < 3; ++k) {
        const float z = (k % 2 ? -1.0f : 1.0f) * (post + rail) * 0.5f;
        AddBlock(m, {0, heights[k], z}, {1, 0, 0}, {0, 1, 0}, {8.0f, 0.1f, rail}, {0, 0, 1, 1}, true);
    }
    m.FitTo(size);
    return m;
}

} // namespace

void WriteFinlandSky(DataFolder& folder)
{
    SkyStyle style;
    style.zenith = Argb(255, 62, 112, 196);
    style.horizon = Argb(255, 196, 218, 236);
    style.farHills = Argb(255, 92, 118, 128);
    style.treeline = Argb(255, 32, 56, 36);
    style.farGround = Argb(255, 62, 88, 48);
    style.ground = Argb(255, 76, 106, 50);
    style.hillHeight = 0.07f;
    style.treeHeight = 0.045f;
    style.spikyTrees = true;
    style.cloudCover = 0.45f;
    style.towardsSun = TowardsLight(FinlandDefs::LIGHT);
    style.seed = 101;
    WriteTrackSky(folder, TEXTURES, style);
}

void WriteFinlandScenery(DataFolder& folder)
{
    WriteTexture(folder, TEXTURES + "Grass.dds", Grass(), DdsFormat::DXT1, true);
    WriteTexture(folder, TEXTURES + "Gravel.dds", Gravel(), DdsFormat::DXT1, true);
    WriteTexture(folder, TEXTURES + "Fir.dds", PaintFirSprite(SPRITE_WIDTH, SPRITE_HEIGHT, Argb(255, 36, 70, 40), 71),
                 DdsFormat::A8R8G8B8, true);
    WriteTexture(folder, TEXTURES + "Pine.dds", Pine(), DdsFormat::A8R8G8B8, true);
    WriteTexture(folder, TEXTURES + "Birch.dds", Birch(), DdsFormat::A8R8G8B8, true);
}

void WriteFinlandModels(DataFolder& folder)
{
    const HouseShape cottage = {TrackModelBox(MODELS + "Cottage.x"), 0.5f, 3.9f, 5.8f, 2, true};
    const HouseShape cottage2 = {TrackModelBox(MODELS + "Cottage2.x"), 0.35f, 2.5f, 3.9f, 3, false};
    folder.Write(MODELS + "Cottage.x", EncodeTrackXModel(BuildHouse(cottage), "Cottage", "Cottage.dds"));
    folder.Write(MODELS + "Cottage2.x", EncodeTrackXModel(BuildHouse(cottage2), "Cottage2", "Cottage2.dds"));
    folder.Write(MODELS + "Fence.x", EncodeTrackXModel(Fence(TrackModelBox(MODELS + "Fence.x")), "Fence", "Fence.dds"));
    WriteTexture(folder, TEXTURES + "Cottage.dds",
                 PaintHouseAtlas(Argb(255, 150, 38, 30), Argb(255, 236, 232, 224), Argb(255, 58, 60, 64), false, 81),
                 DdsFormat::DXT1, true);
    WriteTexture(folder, TEXTURES + "Cottage2.dds",
                 PaintHouseAtlas(Argb(255, 125, 88, 56), Argb(255, 222, 216, 200), Argb(255, 112, 46, 36), true, 82),
                 DdsFormat::DXT1, true);
    WriteTexture(folder, TEXTURES + "Fence.dds", FenceWood(), DdsFormat::DXT1, true);

    for (int i = 1; i <= 7; ++i) {
        const std::string suffix = i == 1 ? "" : std::to_string(i);
        const auto seed = static_cast<uint32_t>(i);
        folder.Write(MODELS + "Rock" + suffix + ".qvx",
                     EncodeQvx({QvxFrame{
                         {BoulderMesh(TrackModelBox(MODELS + "Rock" + suffix + ".qvx"), 7, 0.12f, 200 + seed)}}}));
        folder.Write(MODELS + "Stone" + suffix + ".qvx",
                     EncodeQvx({QvxFrame{
                         {BoulderMesh(TrackModelBox(MODELS + "Stone" + suffix + ".qvx"), 4, 0.08f, 300 + seed)}}}));
    }
    struct RockLook {
        uint32_t base, lichen;
        float amount;
    };
    const RockLook looks[] = {{Argb(255, 128, 126, 120), Argb(255, 150, 165, 110), 0.3f},
                              {Argb(255, 150, 128, 115), Argb(255, 170, 150, 80), 0.2f},
                              {Argb(255, 96, 96, 92), Argb(255, 72, 102, 46), 0.45f},
                              {Argb(255, 160, 158, 150), Argb(255, 140, 150, 120), 0.15f},
                              {Argb(255, 125, 112, 96), Argb(255, 82, 106, 50), 0.35f},
                              {Argb(255, 110, 115, 122), Argb(255, 180, 175, 120), 0.25f}};
    for (int i = 0; i < 6; ++i) {
        const std::string name = i == 0 ? "Rock" : "Rock" + std::to_string(i + 1);
        WriteTexture(folder, TEXTURES + name + ".dds",
                     PaintRockTexture(256, looks[i].base, looks[i].lichen, looks[i].amount, 400 + i), DdsFormat::DXT1,
                     true);
    }
}

} // namespace datagen

// The sky around a track, one colour per direction, sampled onto the skybox
// faces and the environment cube so that every edge meets its neighbour.

#include "datagen/SampleData.h"
#include "datagen/TrackAssets.h"

#include <algorithm>
#include <cmath>

namespace datagen {

namespace {

constexpr float PI = 3.14159265f;
constexpr uint32_t SKY_FACE_SIZE = 512, ENV_FACE_SIZE = 128;

float Clamp01(float v)
{
    return std::clamp(v, 0.0f, 1.0f);
}

// `pixel` is about one texel's angle, for smooth silhouettes.
uint32_t SkyColor(const SkyStyle& s, Float3 d, float pixel)
{
    const float length = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
    d = {d.x / length, d.y / length, d.z / length};
    const float e = d.y;
    uint32_t color = MixColor(s.horizon, s.zenith, std::pow(Clamp01(e), 0.45f));

    const float toSun = std::max(0.0f, d.x * s.towardsSun.x + d.y * s.towardsSun.y + d.z * s.towardsSun.z);
    const float glow = 0.55f * std::pow(toSun, 300.0f) + 0.3f * std::pow(toSun, 16.0f);
    color = MixColor(color, Argb(255, 255, 248, 225), std::min(1.0f, glow + (toSun > 0.9997f ? 1.0f : 0.0f)));

    if (e > 0.0f) {
        // Clouds on a flat layer above, fading into the haze.
        const float lift = e + 0.12f;
        const float px = d.x / lift * 0.06f + 0.5f, pz = d.z / lift * 0.06f + 0.5f;
        const float n = TileNoise(px, pz, 8, 5, s.seed);
        const float threshold = 0.64f - 0.28f * s.cloudCover;
        const float cover = Clamp01((n - threshold) / 0.14f) * Clamp01(e / 0.12f);
        const float body = Clamp01((n - threshold) / 0.3f);
        const uint32_t cloud = MixColor(Argb(255, 252, 252, 255), Argb(255, 168, 174, 188), body * 0.8f);
        color = MixColor(color, MixColor(cloud, Argb(255, 255, 250, 235), 0.5f * glow), cover * 0.92f);
    }

    if (e < s.hillHeight + s.treeHeight * 1.6f + 2.0f * pixel) {
        const float horizontal = std::sqrt(d.x * d.x + d.z * d.z);
        const float hx = horizontal > 0.0f ? d.x / horizontal : 1.0f, hz = horizontal > 0.0f ? d.z / horizontal : 0.0f;
        const float hills =
            s.hillHeight * (0.25f + 0.75f * TileNoise(hx * 0.5f + 0.5f, hz * 0.5f + 0.5f, 3, 3, s.seed + 1));
        const int around = s.spikyTrees ? 900 : 300;
        const float a = (std::atan2(d.z, d.x) / (2.0f * PI) + 0.5f) * static_cast<float>(around);
        const auto tree = static_cast<uint32_t>(std::floor(a)) % static_cast<uint32_t>(around);
        const float f = a - std::floor(a);
        const float shape = s.spikyTrees ? 1.0f - std::fabs(f - 0.5f) * 2.0f
                                         : std::sqrt(std::max(0.0f, 1.0f - (2.0f * f - 1.0f) * (2.0f * f - 1.0f)));
        const float woods = TileNoise(hx * 0.5f + 0.5f, hz * 0.5f + 0.5f, 12, 2, s.seed + 2);
        const float trees = s.treeHeight * (0.3f + 0.5f * woods + 0.6f * shape * Random01(s.seed + 3, tree));
        const float hillCover = Clamp01((hills - e) / pixel + 0.5f);
        const float treeCover = Clamp01((trees - e) / pixel + 0.5f);
        const uint32_t hillColor = MixColor(s.farHills, s.horizon, Clamp01(0.4f - e / s.hillHeight * 0.4f));
        color = MixColor(color, hillColor, hillCover);
        color = MixColor(color, ShadeColor(s.treeline, 0.85f + 0.3f * woods), treeCover);
    }
    const float groundCover = Clamp01((-0.012f - e) / pixel + 0.5f);
    if (groundCover > 0.0f)
        color = MixColor(color, MixColor(s.farGround, s.ground, Clamp01(-e * 4.0f)), groundCover);
    return color | 0xFF000000u;
}

// Directions through texel (u, v) of each face, as the skybox lays them out
// (front +z, back -z, left -x, right +x, up, down), seen from inside.
Float3 SkyboxDirection(int face, float u, float v)
{
    const float s = 2.0f * u - 1.0f, t = 1.0f - 2.0f * v;
    switch (face) {
    case 0:
        return {s, t, 1.0f};
    case 1:
        return {-s, t, -1.0f};
    case 2:
        return {-1.0f, t, s};
    case 3:
        return {1.0f, t, -s};
    case 4:
        return {s, 1.0f, -t};
    default:
        return {s, -1.0f, t};
    }
}

// The cube map's faces in file order +x, -x, +y, -y, +z, -z.
Float3 CubeDirection(int face, float u, float v)
{
    const float s = 2.0f * u - 1.0f, t = 2.0f * v - 1.0f;
    switch (face) {
    case 0:
        return {1.0f, -t, -s};
    case 1:
        return {-1.0f, -t, s};
    case 2:
        return {s, 1.0f, t};
    case 3:
        return {s, -1.0f, -t};
    case 4:
        return {s, -t, 1.0f};
    default:
        return {-s, -t, -1.0f};
    }
}

template <typename Direction> RgbaImage PaintFace(const SkyStyle& style, uint32_t size, int face, Direction direction)
{
    RgbaImage image(size, size);
    const float pixel = 1.6f / static_cast<float>(size);
    for (uint32_t y = 0; y < size; ++y)
        for (uint32_t x = 0; x < size; ++x) {
            const float u = (static_cast<float>(x) + 0.5f) / size, v = (static_cast<float>(y) + 0.5f) / size;
            // A little dither against bands in the compressed gradient.
            const float dither = 0.985f + 0.03f * Random01(style.seed + static_cast<uint32_t>(face), y * size + x);
            image.At(x, y) = ShadeColor(SkyColor(style, direction(face, u, v), pixel), dither);
        }
    return image;
}

} // namespace

void WriteTrackSky(DataFolder& folder, const std::string& textureDir, const SkyStyle& style)
{
    const char* names[] = {"SkyboxFront", "SkyboxBack", "SkyboxLeft", "SkyboxRight", "SkyboxUp", "SkyboxDown"};
    for (int face = 0; face < 6; ++face)
        WriteTexture(folder, textureDir + names[face] + ".dds", PaintFace(style, SKY_FACE_SIZE, face, SkyboxDirection),
                     DdsFormat::DXT1, true);
    RgbaImage cube[6];
    for (int face = 0; face < 6; ++face)
        cube[face] = PaintFace(style, ENV_FACE_SIZE, face, CubeDirection);
    folder.Write(textureDir + "EnvMap.dds", EncodeCubeDds(cube, DdsFormat::X8R8G8B8, true));
}

} // namespace datagen

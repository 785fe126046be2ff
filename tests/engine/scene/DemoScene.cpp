#include "DemoScene.h"

#include "backend/gpu/GpuDevice.h"
#include "backend/math/MatrixMath.h"
#include "backend/math/Vector.h"
#include "datagen/writers/DdsWriter.h"
#include "datagen/writers/FileWriter.h"
#include "datagen/writers/RawWriter.h"
#include "engine/platform/RenderDevice.h"

#include <cmath>
#include <cstring>
#include <vector>

using namespace backend;

namespace {

constexpr uint32_t MAP_SAMPLES = 257;

// A small deterministic generator, independent of the game's.
struct Lcg {
    uint32_t state;
    uint32_t Next()
    {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
};

bool WriteImage(const std::string& path, const datagen::RgbaImage& image)
{
    return datagen::WriteFileBytes(path, datagen::EncodeDds(image, datagen::DdsFormat::A8R8G8B8, true));
}

datagen::RgbaImage Noise(uint32_t size, uint32_t base, uint32_t seed)
{
    datagen::RgbaImage image(size, size);
    Lcg random{seed};
    for (uint32_t& pixel : image.pixels) {
        const uint32_t shade = random.Next() % 40;
        const uint32_t r = std::min(255u, ((base >> 16) & 0xFF) + shade);
        const uint32_t g = std::min(255u, ((base >> 8) & 0xFF) + shade);
        const uint32_t b = std::min(255u, (base & 0xFF) + shade);
        pixel = GpuColorArgb(255, r, g, b);
    }
    return image;
}

} // namespace

datagen::RgbaImage Disc(uint32_t size, uint32_t colour)
{
    datagen::RgbaImage image(size, size, colour & 0x00FFFFFFu);
    const float c = float(size) * 0.5f - 0.5f, radius = float(size) * 0.45f;
    for (uint32_t y = 0; y < size; ++y)
        for (uint32_t x = 0; x < size; ++x) {
            const float dx = float(x) - c, dy = float(y) - c;
            if (dx * dx + dy * dy < radius * radius)
                image.At(x, y) = colour | 0xFF000000u;
        }
    return image;
}

void ApplySceneStates()
{
    GpuDevice* device = g_RenderDevice.device;
    device->SetRenderState(D3DRS_ZENABLE, 1);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetRenderState(D3DRS_DITHERENABLE, 1);
    device->SetRenderState(D3DRS_SPECULARENABLE, 1);
    device->SetRenderState(D3DRS_NORMALIZENORMALS, 1);
    device->SetRenderState(D3DRS_LIGHTING, 1);
    device->SetRenderState(D3DRS_AMBIENT, 0xFF606060u);
    GpuLight sun;
    sun.Type = D3DLIGHT_DIRECTIONAL;
    sun.Diffuse = {0.8f, 0.8f, 0.7f, 1.0f};
    sun.Direction = {-0.7f, -0.5f, -0.4f};
    device->SetLight(0, &sun);
    device->LightEnable(0, true);
    for (uint32_t stage = 0; stage < 2; ++stage) {
        device->SetTextureStageState(stage, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
        device->SetTextureStageState(stage, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
        device->SetTextureStageState(stage, D3DTSS_MIPFILTER, D3DTEXF_LINEAR);
    }
}

bool DemoScene::Create(const std::string& folder, const DemoSceneOptions& newOptions)
{
    options = newOptions;
    const auto path = [&](const char* name) { return folder + "/" + name; };

    // Rolling hills.
    const std::vector<uint8_t> heights = datagen::EncodeRaw(MAP_SAMPLES, MAP_SAMPLES, [](uint32_t x, uint32_t z) {
        return uint8_t(120.0f + 60.0f * std::sin(float(x) / 19.0f) * std::cos(float(z) / 23.0f));
    });
    // Exactly `billboards` placements, scattered.
    std::vector<uint8_t> mask(size_t(MAP_SAMPLES) * MAP_SAMPLES, 0);
    Lcg random{12345};
    for (int placed = 0; placed < options.billboards;) {
        uint8_t& cell = mask[random.Next() % mask.size()];
        if (cell == 0) {
            cell = 1;
            ++placed;
        }
    }
    datagen::RgbaImage roadAlpha(64, 64, 0x00FFFFFFu);
    for (uint32_t y = 0; y < 64; ++y)
        for (uint32_t x = 28; x < 36; ++x)
            roadAlpha.At((x + y / 4) % 64, y) = 0xFFFFFFFFu;
    datagen::RgbaImage sprite(32, 64, 0x00000000u);
    for (uint32_t y = 0; y < 64; ++y)
        for (uint32_t x = 0; x < 32; ++x)
            if (std::abs(int(x) - 16) < int(y) / 4 + 1)
                sprite.At(x, y) = 0xFF206020u;
    const char* faceNames[6] = {"Front.dds", "Back.dds", "Left.dds", "Right.dds", "Up.dds", "Down.dds"};
    const uint32_t faceColours[6] = {0xFF6080C0u, 0xFF5070B0u, 0xFF5878B8u, 0xFF6888C8u, 0xFF80A0E0u, 0xFF406020u};
    bool written =
        datagen::WriteFileBytes(path("HeightMap.raw"), heights) && datagen::WriteFileBytes(path("Trees.raw"), mask) &&
        WriteImage(path("Grass.dds"), Noise(64, 0xFF307020u, 1)) &&
        WriteImage(path("Sand.dds"), Noise(64, 0xFFB09060u, 2)) && WriteImage(path("SandAlpha.dds"), roadAlpha) &&
        WriteImage(path("Tree.dds"), sprite) && WriteImage(path("Water.dds"), Noise(32, 0xFF2040A0u, 3));
    for (int i = 0; i < 6; ++i)
        written = written && WriteImage(path(faceNames[i]), Noise(64, faceColours[i], 10 + uint32_t(i)));
    char flareNames[6][260] = {};
    for (int i = 0; i < 6; ++i) {
        const std::string name = path(("Flare" + std::to_string(i) + ".dds").c_str());
        written = written && WriteImage(name, Disc(32, i == 0 ? 0xFFFFFFE0u : 0xFF8080FFu));
        std::strncpy(flareNames[i], name.c_str(), 259);
    }
    datagen::RgbaImage cubeFaces[6];
    for (int i = 0; i < 6; ++i)
        cubeFaces[i] = Noise(32, faceColours[i], 20 + uint32_t(i));
    written = written && datagen::WriteFileBytes(path("EnvMap.dds"),
                                                 datagen::EncodeCubeDds(cubeFaces, datagen::DdsFormat::A8R8G8B8, true));
    if (!written || !environment.Load(path("EnvMap.dds").c_str()))
        return false;

    if (!terrain.Init(&worldSize, options.cells, options.cells, options.patches, options.patches) ||
        !terrain.LoadHeightMap(path("HeightMap.raw").c_str(), MAP_SAMPLES, MAP_SAMPLES, D3DFMT_P8))
        return false;
    terrain.position = {0.0f, 0.0f, 0.0f};
    if (!terrain.Build(true, false) || !terrain.AddPass(path("Grass.dds").c_str(), nullptr, 16.0f, 16.0f, true) ||
        !terrain.AddPass(path("Sand.dds").c_str(), path("SandAlpha.dds").c_str(), 24.0f, 24.0f, false))
        return false;
    if (!sky.Create(path("Front.dds").c_str(), path("Back.dds").c_str(), path("Left.dds").c_str(),
                    path("Right.dds").c_str(), path("Up.dds").c_str(), path("Down.dds").c_str(), 0xFFFFFFFFu, 200.0f,
                    64.0f, 0.005f, true))
        return false;
    const float scroll[2] = {0.0005f, 0.0003f};
    if (!water.Create(path("Water.dds").c_str(), 400.0f, 400.0f, 0.7f, 20.0f, 20.0f, D3DBLEND_SRCALPHA, scroll))
        return false;
    water.position = {0.0f, 12.0f, 0.0f};
    const float uv[4] = {0.0f, 0.0f, 1.0f, 1.0f};
    if (!tree.Load(path("Tree.dds").c_str(), 3.0f, 6.0f, 0xFFFFFFFFu, uv))
        return false;
    const Vector3 centre = {0.0f, 0.0f, 0.0f};
    if (!billboards.AddFromMask(path("Trees.raw").c_str(), MAP_SAMPLES, MAP_SAMPLES, &tree, &terrain, -0.3f, &centre,
                                &worldSize))
        return false;
    const Vector3 treeSpace = {worldSize.x, 200.0f, worldSize.z};
    billboards.BuildTree(4, &centre, &treeSpace);
    if (!options.effects)
        return true;

    flare.AddElement(2.0f, 1.0f, 1.0f, 1.0f, 0.6f, -1.0f, 1);
    flare.AddElement(0.5f, 0.4f, 0.6f, 1.0f, 0.5f, 0.3f, 2);
    flare.AddElement(1.0f, 0.8f, 0.4f, 0.2f, 0.4f, 1.0f, 3);
    const Vector3 sunDirection = {0.72312f, 0.15f, 0.40746f};
    const float sunColour[4] = {1.0f, 1.0f, 0.0f, 1.0f};
    if (!flare.Create(flareNames, 176.0f, 12.0f, &sunDirection, sunColour))
        return false;
    const Vector3 snowCentre = {0.0f, 20.0f, -60.0f}, wind = {0.01f, 0.0f, 0.005f};
    const Vector3 rainCentre = {0.0f, 60.0f, -60.0f}, down = {0.0f, -1.0f, 0.0f};
    const Vector3 emitter = {10.0f, 25.0f, -40.0f}, up = {0.0f, 1.0f, 0.0f};
    const Vector3 lampAt = {-2.0f, 24.0f, -70.0f}, beam = {0.0f, 0.0f, -1.0f};
    return snow.Create(500, 0.1f, nullptr, &snowCentre, 40.0f, 30.0f, 0.0f, 0.05f, 0.15f, &wind) &&
           rain.Create(500, 0.05f, nullptr, &rainCentre, &down, 80.0f, 0.0f, 5.0f, 0x50505090u) &&
           smoke.Create(100, nullptr, &emitter, &up, D3DBLEND_SRCCOLOR, 2.0f, 0.2f, 0.002f, 0.003f, 0.1f, true) &&
           lamp.Create(nullptr, 1.5f, &lampAt, &beam, 0.01f, 255.0f, 0.2f, false);
}

Camera DemoScene::MakeCamera(float yaw) const
{
    Camera camera;
    const Vector3 eye = {0.0f, 30.0f, -80.0f}, angles = {-0.1f, yaw, 0.0f};
    camera.Set(0.9f, 800.0f / 600.0f, 0.5f, 600.0f, &eye, &angles);
    return camera;
}

void DemoScene::Cull(const Camera& camera)
{
    terrain.patchTree.CollectVisible(camera);
    billboards.Update(&camera);
}

void DemoScene::Draw(const Camera& camera)
{
    GpuDevice* device = g_RenderDevice.device;
    device->SetTransform(D3DTS_VIEW, &camera.view);
    device->SetTransform(D3DTS_PROJECTION, &camera.projection);
    sky.Render(&camera);
    terrain.Render(&camera, false);
    billboards.Update(&camera);
    billboards.Render(&camera, false);
    if (options.effects) {
        g_RenderDevice.SetTexture(0, nullptr);
        snow.Render(&camera);
        rain.Render(&camera);
        smoke.Render(&camera);
        lamp.Render(&camera);
    }
    water.Render(false);
    if (!options.effects)
        return;
    flare.Update(camera);
    flare.RenderSun(false);
    if (flare.visible && flare.BeginSunMap()) {
        terrain.Render(&flare.flareCamera, true);
        billboards.Update(&flare.flareCamera);
        billboards.Render(&flare.flareCamera, true);
        flare.ComputeIntensity(camera);
        flare.Render();
    }
}

void DemoScene::Release()
{
    terrain.Release();
    sky.Release();
    environment.Release();
    water.Release();
    tree.Release();
    flare.Release();
    snow.Release();
    rain.Release();
    smoke.Release();
    lamp.Release();
}

bool DemoScene::Restore()
{
    return terrain.Restore() && sky.Restore() && environment.Restore() && water.Restore() && tree.Restore() &&
           (!options.effects ||
            (flare.Restore() && snow.Restore() && rain.Restore() && smoke.Restore() && lamp.Restore()));
}

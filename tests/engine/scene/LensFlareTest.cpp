#include "DemoScene.h"
#include "SceneTestFixture.h"

#include "backend/gpu/GpuDevice.h"
#include "backend/gpu/GpuSurface.h"
#include "backend/gpu/GpuTexture.h"
#include "backend/gpu/GpuVertexBuffer.h"
#include "backend/math/Vector.h"
#include "engine/platform/Log.h"
#include "engine/platform/RenderDevice.h"
#include "engine/scene/Billboard.h"
#include "engine/scene/BillboardSystem.h"
#include "engine/scene/LensFlare.h"
#include "engine/scene/SceneVertex.h"
#include "engine/scene/Terrain.h"

#include <cmath>
#include <cstring>

using namespace backend;

namespace {

const float FULL_UV[4] = {0.0f, 0.0f, 1.0f, 1.0f};

class LensFlareTest : public OpenedSceneTest {
protected:
    // A white disc for the sun, white squares for the flares; one red element
    // on the sun and one blue at the centre of the view.
    bool CreateFlare(Vector3 sunDirection)
    {
        std::memset(names, 0, sizeof(names));
        const std::string sun = WriteTexture("Flare0.dds", 16, 16, Disc(16, 0xFFFFFFFFu).pixels);
        std::strcpy(names[0], sun.c_str());
        for (int i = 1; i < 6; ++i) {
            const std::string path = WriteSolidTexture("Flare" + std::to_string(i) + ".dds", 0xFFFFFFFFu);
            std::strcpy(names[i], path.c_str());
        }
        flare.AddElement(1.0f, 1.0f, 0.0f, 0.0f, 1.0f, -1.0f, 1);
        flare.AddElement(0.5f, 0.0f, 0.0f, 1.0f, 1.0f, 0.0f, 7);
        const float colour[4] = {1.0f, 1.0f, 0.0f, 1.0f};
        return flare.Create(names, 100.0f, 5.0f, &sunDirection, colour);
    }

    // The track's flare pass, with an optional occluder drawn flat through the flare camera.
    void DrawFlarePass(const Camera& camera, bool withSun, BillboardSystem* occluders = nullptr,
                       Terrain* ground = nullptr)
    {
        flare.Update(camera);
        if (withSun)
            flare.RenderSun(false);
        if (flare.visible && flare.BeginSunMap()) {
            if (ground != nullptr)
                ground->Render(&flare.flareCamera, true);
            if (occluders != nullptr) {
                occluders->Update(&flare.flareCamera);
                occluders->Render(&flare.flareCamera, true);
            }
            flare.ComputeIntensity(camera);
            flare.Render();
        }
    }

    // One frame of the flare pass without the sun sprite.
    void DrawFlareFrame(const Camera& camera, BillboardSystem* occluders = nullptr, Terrain* ground = nullptr)
    {
        BeginFrame();
        DrawFlarePass(camera, false, occluders, ground);
        EndFrame();
    }

    std::vector<uint32_t> ReadMap(Texture& map)
    {
        GpuSurface* surface = nullptr;
        std::vector<GpuColor> pixels;
        EXPECT_TRUE(GpuSucceeded(map.texture->GetSurfaceLevel(0, &surface)));
        EXPECT_TRUE(GpuSucceeded(g_RenderDevice.device->ReadPixels(surface, pixels)));
        surface->Release();
        return pixels;
    }

    int WhiteTexels()
    {
        int count = 0;
        for (uint32_t texel : ReadMap(flare.sunMap))
            if ((texel & 0xFFFFFF) == 0xFFFFFF)
                ++count;
        return count;
    }

    uint32_t IntensityRed() { return (ReadMap(flare.intensityMap)[0] >> 16) & 0xFF; }

    // A big opaque billboard across the sun line, `shift` along the flare camera's right.
    void AddOccluder(float width, float shift)
    {
        ASSERT_TRUE(
            blocker.Load(WriteSolidTexture("Block.dds", 0xFFFFFFFFu).c_str(), width, 30.0f, 0xFFFFFFFFu, FULL_UV));
        const Vector3 onLine = flare.sunDirection * 40.0f;
        const Vector3 right = flare.flareCamera.right;
        occluders.AddBillboard(&blocker, onLine + Vector3{right.x, 0.0f, right.z} * shift - Vector3{0, 15.0f, 0});
        const Vector3 centre = {0, 0, 0}, size = {400, 400, 400};
        occluders.BuildTree(2, &centre, &size);
    }

    void TearDown() override
    {
        occluders.Destroy();
        blocker.Release();
        flare.Release();
        SceneTest::TearDown();
    }

    char names[6][260];
    LensFlare flare;
    Billboard blocker;
    BillboardSystem occluders;
};

Vector3 Normalised(Vector3 v)
{
    Vector3 out;
    Vec3Normalize(&out, &v);
    return out;
}

Vector3 QuadCentre(const LensFlare& flare, int quad)
{
    const SceneVertex* v = reinterpret_cast<const SceneVertex*>(flare.vertexBuffer->Bytes()) + quad * 4;
    return {(v[0].x + v[1].x + v[2].x + v[3].x) / 4, (v[0].y + v[1].y + v[2].y + v[3].y) / 4,
            (v[0].z + v[1].z + v[2].z + v[3].z) / 4};
}

} // namespace

TEST_F(LensFlareTest, UpdatePlacesSunAndElementsOnTheFlareLine)
{
    const Vector3 direction = Normalised({0.15f, 0.1f, 1.0f});
    ASSERT_TRUE(CreateFlare({0.15f, 0.1f, 1.0f}));
    Camera camera = UseCamera({3.0f, 2.0f, 1.0f}, {0.0f, 0.05f, 0.0f});
    flare.Update(camera);
    ASSERT_TRUE(flare.visible);
    const float d = Vec3Dot(&direction, &camera.forward);
    // The sun point lies on the plane through the centre point facing the view.
    const Vector3 offset = flare.sunPoint - flare.centrePoint;
    EXPECT_NEAR(Vec3Dot(&offset, &camera.forward), 0.0f, 1e-3f);
    const Vector3 sunOffset = flare.sunPoint - camera.eye;
    EXPECT_NEAR(Vec3Length(&sunOffset), 100.0f / d, 1e-3f);

    const Vector3 sunQuad = QuadCentre(flare, 0);
    const Vector3 onSun = QuadCentre(flare, 2), onCentre = QuadCentre(flare, 3);
    for (const auto& [found, expected] : {std::pair{sunQuad, flare.sunPoint}, std::pair{onSun, flare.sunPoint},
                                          std::pair{onCentre, flare.centrePoint}}) {
        EXPECT_NEAR(found.x, expected.x, 1e-3f);
        EXPECT_NEAR(found.y, expected.y, 1e-3f);
        EXPECT_NEAR(found.z, expected.z, 1e-3f);
    }
    const SceneVertex* v = reinterpret_cast<const SceneVertex*>(flare.vertexBuffer->Bytes());
    EXPECT_EQ(v[0].colour, 0xFFFFFF00u);
    EXPECT_EQ(v[8].colour >> 24, ColourChannel(d));
    EXPECT_EQ(ColourChannel(0.5f), 128u);
    // The flare camera looks along the sun direction.
    EXPECT_NEAR(flare.flareCamera.forward.x, direction.x, 1e-5f);
    EXPECT_NEAR(flare.flareCamera.forward.y, direction.y, 1e-5f);
    EXPECT_NEAR(flare.flareCamera.forward.z, direction.z, 1e-5f);

    // A sun at right angles to the view is not visible and leaves the buffer alone.
    std::vector<uint8_t> before(flare.vertexBuffer->Bytes(), flare.vertexBuffer->Bytes() + 4 * 4 * 24);
    flare.sunDirection = {1.0f, 0.0f, 0.0f};
    Camera ahead = UseCamera({0, 0, 0}, {0, 0, 0});
    flare.Update(ahead);
    EXPECT_FALSE(flare.visible);
    EXPECT_EQ(std::memcmp(before.data(), flare.vertexBuffer->Bytes(), before.size()), 0);
}

TEST_F(LensFlareTest, UnoccludedSunLightsTheFlareWithTheCountedTexels)
{
    ASSERT_TRUE(CreateFlare({0.15f, 0.1f, 1.0f}));
    Camera camera = UseCamera({0, 0, 0}, {0, 0, 0});
    GpuSurface* const target = flare.sunMapSurface;

    DrawFlareFrame(camera);
    // The frame draws through the surface taken at Create.
    EXPECT_NE(target, nullptr);
    EXPECT_EQ(flare.sunMapSurface, target);
    const int white = WhiteTexels();
    EXPECT_GT(white, 100);
    EXPECT_LT(white, 256);
    EXPECT_EQ(IntensityRed(), uint32_t(std::min(white, 255)));

    // Back on the screen with the camera's matrices.
    Matrix view;
    g_RenderDevice.device->GetTransform(D3DTS_VIEW, &view);
    EXPECT_EQ(std::memcmp(&view, &camera.view, sizeof(view)), 0);
    EXPECT_EQ(g_RenderDevice.device->GetLiveDefaultPoolCount(), 3u);

    std::vector<uint32_t> pixels = ReadBackBuffer();
    const Vector2 sun = ProjectToScreen(camera, flare.sunPoint);
    const uint32_t onSun = PixelAt(pixels, int(sun.x), int(sun.y));
    EXPECT_GT((onSun >> 16) & 0xFF, 100u) << std::hex << onSun;
    EXPECT_LT(onSun & 0xFFFF, 0x2020u) << std::hex << onSun;
    const uint32_t centre = PixelAt(pixels, 400, 300);
    EXPECT_GT(centre & 0xFF, 100u) << std::hex << centre;

    // The screen sun sprite (the sun texture itself) sits on the same point.
    pixels = DrawFrame([&] {
        flare.Update(camera);
        flare.RenderSun(false);
    });
    EXPECT_TRUE(ColourNear(PixelAt(pixels, int(sun.x), int(sun.y)), 0xFFFFFFFFu, 16))
        << std::hex << PixelAt(pixels, int(sun.x), int(sun.y));
}

TEST_F(LensFlareTest, CoveredSunDimsTheFlareByTheUncoveredShareAndHiddenShowsNone)
{
    ASSERT_TRUE(CreateFlare({0.15f, 0.1f, 1.0f}));
    Camera camera = UseCamera({0, 0, 0}, {0, 0, 0});
    DrawFlareFrame(camera);
    const uint32_t full = IntensityRed();
    ASSERT_GT(full, 100u);

    // Half covered: about half the count.
    AddOccluder(20.0f, -10.0f);
    DrawFlareFrame(camera, &occluders);
    const uint32_t half = IntensityRed();
    EXPECT_EQ(half, uint32_t(WhiteTexels()));
    EXPECT_GT(half, full / 4);
    EXPECT_LT(half, full * 3 / 4);

    // Fully covered: no flare at all.
    occluders.Destroy();
    blocker.Release();
    AddOccluder(60.0f, 0.0f);
    DrawFlareFrame(camera, &occluders);
    EXPECT_EQ(IntensityRed(), 0u);
    EXPECT_EQ(WhiteTexels(), 0);
    const std::vector<uint32_t> pixels = ReadBackBuffer();
    const Vector2 sun = ProjectToScreen(camera, flare.sunPoint);
    EXPECT_EQ(PixelAt(pixels, int(sun.x), int(sun.y)) & 0xFFFFFF, 0u);
    EXPECT_EQ(PixelAt(pixels, 400, 300) & 0xFFFFFF, 0u);
}

TEST_F(LensFlareTest, SunBehindTheCameraDrawsNothing)
{
    ASSERT_TRUE(CreateFlare({0.15f, 0.1f, -1.0f}));
    Camera camera = UseCamera({0, 0, 0}, {0, 0, 0});
    g_RenderDevice.primitiveCount = 0;
    const std::vector<uint32_t> pixels = DrawFrame([&] { DrawFlarePass(camera, true); });
    EXPECT_FALSE(flare.visible);
    EXPECT_EQ(g_RenderDevice.primitiveCount, 0u);
    for (size_t i = 0; i < pixels.size(); i += 97)
        ASSERT_EQ(pixels[i] & 0xFFFFFF, 0u) << i;
}

TEST_F(LensFlareTest, SunStraightAheadOrOverheadKeepsTheFlareFinite)
{
    const auto finiteQuads = [this]() {
        const SceneVertex* v = reinterpret_cast<const SceneVertex*>(flare.vertexBuffer->Bytes());
        for (int i = 0; i < 4 * 4; ++i)
            if (!std::isfinite(v[i].x) || !std::isfinite(v[i].y) || !std::isfinite(v[i].z))
                return false;
        return true;
    };
    // Looking straight at the sun: no flare line, the elements still get a size.
    ASSERT_TRUE(CreateFlare({0.0f, 0.0f, 1.0f}));
    Camera ahead = UseCamera({0, 0, 0}, {0, 0, 0});
    DrawFlareFrame(ahead);
    ASSERT_TRUE(flare.visible);
    EXPECT_TRUE(finiteQuads());
    const Vector3 onSun = QuadCentre(flare, 2);
    EXPECT_NEAR(onSun.z, 100.0f, 1e-3f);
    const SceneVertex* v = reinterpret_cast<const SceneVertex*>(flare.vertexBuffer->Bytes()) + 2 * 4;
    const Vector3 edge = {v[1].x - v[0].x, v[1].y - v[0].y, v[1].z - v[0].z};
    EXPECT_GT(Vec3Length(&edge), 1.0f);
    EXPECT_NEAR(flare.flareCamera.forward.z, 1.0f, 1e-5f);
    const int white = WhiteTexels();
    EXPECT_GT(white, 100);
    EXPECT_EQ(IntensityRed(), uint32_t(std::min(white, 255)));

    // A sun overhead has no heading: the flare camera still looks straight up.
    flare.sunDirection = {0.0f, 1.0f, 0.0f};
    Camera upwards = UseCamera({0, 0, 0}, {SCENE_PI / 2 - 0.2f, 0, 0});
    DrawFlareFrame(upwards);
    ASSERT_TRUE(flare.visible);
    EXPECT_TRUE(finiteQuads());
    EXPECT_NEAR(flare.flareCamera.forward.y, 1.0f, 1e-5f);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            ASSERT_TRUE(std::isfinite(flare.flareCamera.view.m[r][c]) &&
                        std::isfinite(flare.flareCamera.projection.m[r][c]));
    EXPECT_GT(WhiteTexels(), 100);
}

TEST_F(LensFlareTest, ElementsAddedAfterCreateWaitForTheNextRestore)
{
    ASSERT_TRUE(CreateFlare({0.15f, 0.1f, 1.0f}));
    for (int i = 0; i < 5; ++i)
        flare.AddElement(0.3f, 1.0f, 1.0f, 1.0f, 1.0f, 0.2f * float(i), i);
    Camera camera = UseCamera({0, 0, 0}, {0, 0, 0});
    g_RenderDevice.primitiveCount = 0;
    flare.Update(camera);
    flare.Render();
    EXPECT_EQ(g_RenderDevice.primitiveCount, 4u);

    flare.Release();
    EXPECT_EQ(g_RenderDevice.device->GetLiveDefaultPoolCount(), 0u);
    ASSERT_TRUE(GpuSucceeded(g_RenderDevice.device->Reset(&g_RenderDevice.presentParameters)));
    g_RenderDevice.ResetStateCache();
    ApplyFixedStates();
    ASSERT_TRUE(flare.Restore());
    g_RenderDevice.primitiveCount = 0;
    flare.Update(camera);
    flare.Render();
    EXPECT_EQ(g_RenderDevice.primitiveCount, 14u);
    // The restored maps are measured into again.
    DrawFlareFrame(camera);
    EXPECT_GT(IntensityRed(), 100u);
    EXPECT_EQ(&flare.GetTexture(0), &flare.textures[5]);
    EXPECT_EQ(&flare.GetTexture(3), &flare.textures[3]);
}

TEST_F(LensFlareTest, MissingTextureFailsCreate)
{
    std::memset(names, 0, sizeof(names));
    for (int i = 0; i < 6; ++i)
        std::strcpy(names[i], TempPath("Missing.dds").c_str());
    const float colour[4] = {1, 1, 1, 1};
    const Vector3 sun = {0, 0.2f, 1};
    EXPECT_FALSE(flare.Create(names, 100.0f, 5.0f, &sun, colour));
    EXPECT_EQ(g_LastError, "Error creating a lens flare!");
}

TEST_F(LensFlareTest, HillInFrontOfALowSunHidesIt)
{
    ASSERT_TRUE(CreateFlare({0.0f, 0.1f, 1.0f}));
    // Ground rising toward +z, up to 100 at the far edge.
    const std::string map =
        WriteRaw("HeightMap.raw", 9, 9, [](uint32_t, uint32_t row) { return uint8_t(row < 4 ? 255 - row * 60 : 0); });
    Terrain hill;
    const Vector3 size = {400.0f, 100.0f, 400.0f};
    ASSERT_TRUE(hill.Init(&size, 8, 8, 2, 2));
    ASSERT_TRUE(hill.LoadHeightMap(map.c_str(), 9, 9, D3DFMT_P8));
    ASSERT_TRUE(hill.Build(false, false));
    ASSERT_TRUE(hill.AddPass(WriteSolidTexture("Ground.dds", 0xFF808080u).c_str(), nullptr, 1.0f, 1.0f, true));

    Camera camera = UseCamera({0.0f, 5.0f, -100.0f}, {0, 0, 0});
    DrawFlareFrame(camera);
    EXPECT_GT(IntensityRed(), 100u);
    // Drawn flat through the flare camera, front faces toward it: the sun is gone.
    DrawFlareFrame(camera, nullptr, &hill);
    EXPECT_EQ(IntensityRed(), 0u);
    hill.Release();
    hill.Destroy();
}

#include "SceneTestFixture.h"

#include "backend/gpu/GpuDevice.h"
#include "backend/gpu/GpuTexture.h"
#include "backend/gpu/GpuVertexBuffer.h"
#include "backend/math/Vector.h"
#include "backend/random/Random.h"
#include "engine/platform/Log.h"
#include "engine/platform/RenderDevice.h"
#include "engine/platform/Texture.h"
#include "engine/scene/RainSystem.h"
#include "engine/scene/SceneVertex.h"
#include "engine/scene/SmokeSystem.h"
#include "engine/scene/SnowSystem.h"

#include <cmath>

using namespace backend;

namespace {

bool Finite(const Vector3& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

const SceneVertex* Vertices(const ParticleBuffers& buffers)
{
    return reinterpret_cast<const SceneVertex*>(buffers.vertexBuffer->Bytes());
}

using ParticleTest = OpenedSceneTest;

} // namespace

TEST_F(ParticleTest, SnowStaysInItsColumnAndDriftsOnlyTowardPlus)
{
    SeedRandom(7);
    SnowSystem snow;
    const Vector3 centre = {100.0f, 0.0f, -50.0f}, wind = {0.0f, 0.0f, 0.0f};
    ASSERT_TRUE(snow.Create(300, 0.05f, nullptr, &centre, 40.0f, 50.0f, 0.0f, 0.05f, 0.15f, &wind));
    for (const Particle& flake : snow.particles) {
        EXPECT_LE(std::fabs(flake.position.x), 40.0f);
        EXPECT_LE(std::fabs(flake.position.z), 40.0f);
        EXPECT_GE(flake.position.y, 0.0f);
        EXPECT_LE(flake.position.y, 50.0f);
        EXPECT_LE(flake.velocity.y, -0.02f);
        EXPECT_GE(flake.velocity.y, -0.17f);
    }
    // A flake exactly at the bottom is not respawned; one below it is.
    snow.particles[0].position = {1.0f, 0.0f, 1.0f};
    snow.particles[0].velocity = {0.0f, 0.0f, 0.0f};
    snow.particles[1].position = {1.0f, 0.001f, 1.0f};
    snow.particles[1].velocity = {0.0f, -0.01f, 0.0f};
    snow.Update();
    EXPECT_EQ(snow.particles[0].position.y, 0.0f);
    EXPECT_GT(snow.particles[1].position.y, 0.0f);
    EXPECT_EQ(snow.particles[1].velocity.y, -0.01f);

    for (int step = 0; step < 10000; ++step) {
        std::vector<Vector3> before;
        if (step % 1000 == 0)
            for (const Particle& flake : snow.particles)
                before.push_back(flake.position);
        snow.Update();
        for (size_t i = 0; i < snow.particles.size(); ++i) {
            const Vector3& p = snow.particles[i].position;
            ASSERT_GE(p.y, 0.0f);
            ASSERT_LE(p.y, 50.0f);
            ASSERT_LE(std::fabs(p.x), 40.0f + 10000 * 0.05f);
            const bool fell = !before.empty() && std::fabs(p.y - (before[i].y + snow.particles[i].velocity.y)) < 1e-4f;
            if (fell) {
                // Not respawned: the drift is never negative and at most the jitter.
                ASSERT_GE(p.x - before[i].x, 0.0f);
                ASSERT_LE(p.x - before[i].x, 0.05f + 1e-4f);
                ASSERT_GE(p.z - before[i].z, 0.0f);
            }
        }
    }
    snow.Release();
}

TEST_F(ParticleTest, RainStraightDownGivesFiniteStreaksAsTallAsTheSpeed)
{
    SeedRandom(11);
    RainSystem rain;
    const Vector3 centre = {0.0f, 60.0f, 0.0f}, down = {0.0f, -1.0f, 0.0f};
    ASSERT_TRUE(rain.Create(500, 0.05f, nullptr, &centre, &down, 80.0f, 0.0f, 5.0f, 0x50505090u));
    Camera camera = UseCamera({0.0f, 10.0f, -100.0f}, {0.2f, 0.4f, 0.0f});
    for (int step = 0; step < 10000; ++step) {
        rain.Update();
        for (const Particle& drop : rain.particles) {
            ASSERT_TRUE(Finite(drop.position));
            ASSERT_GE(drop.position.y, 0.0f);
            ASSERT_LE(drop.position.y, 60.0f);
            ASSERT_LE(std::fabs(drop.position.x), 80.0f);
            ASSERT_LE(std::fabs(drop.position.z), 80.0f);
        }
    }
    rain.Update();
    rain.Render(&camera);
    const SceneVertex* v = Vertices(rain.buffers);
    int checked = 0;
    for (size_t k = 0; k < rain.particles.size(); ++k) {
        const Particle& drop = rain.particles[k];
        for (int i = 0; i < 4; ++i)
            ASSERT_TRUE(std::isfinite(v[k * 4 + i].x) && std::isfinite(v[k * 4 + i].y) &&
                        std::isfinite(v[k * 4 + i].z));
        if (drop.previousPosition.y == drop.position.y)
            continue; // respawned this step
        EXPECT_NEAR(v[k * 4].y - v[k * 4 + 1].y, 5.0f, 1e-3f);
        EXPECT_NEAR(v[k * 4].x, v[k * 4 + 1].x, 1e-4f);
        EXPECT_EQ(v[k * 4].colour, 0x50505090u);
        ++checked;
    }
    EXPECT_GT(checked, 400);

    // A slanted fall leans the streak along the direction.
    RainSystem slanted;
    const Vector3 slope = {1.0f, -1.0f, 0.0f};
    ASSERT_TRUE(slanted.Create(10, 0.05f, nullptr, &centre, &slope, 10.0f, 0.0f, 2.0f, 0xFFFFFFFFu));
    Camera ahead = UseCamera({0.0f, 10.0f, -100.0f}, {0.0f, 0.0f, 0.0f});
    slanted.Update();
    slanted.Render(&ahead);
    const SceneVertex* s = Vertices(slanted.buffers);
    if (slanted.particles[0].previousPosition.y != slanted.particles[0].position.y) {
        EXPECT_NEAR(s[1].x - s[0].x, 1.0f, 1e-3f);
    }
    slanted.Release();
    rain.Release();
}

TEST_F(ParticleTest, SmokeSpawnsInRangeLoopsOrDiesAndShadesItsColour)
{
    SeedRandom(3);
    SmokeSystem smoke;
    const Vector3 emitter = {5.0f, 1.0f, 2.0f}, up = {0.0f, 2.0f, 0.0f};
    ASSERT_TRUE(smoke.Create(100, nullptr, &emitter, &up, D3DBLEND_SRCCOLOR, 6.0f, 0.2f, 0.002f, 0.003f, 0.1f, true));
    EXPECT_FLOAT_EQ(smoke.direction.y, 1.0f);
    for (const Particle& puff : smoke.particles) {
        EXPECT_GE(puff.size, 6.0f);
        EXPECT_LE(puff.size, 18.0f);
        EXPECT_GE(puff.shade, 0.0f);
        EXPECT_LE(puff.shade, 1.0f);
        EXPECT_EQ(puff.position, emitter);
    }
    // A looping plume stays within reach of the emitter for good.
    for (int step = 0; step < 10000; ++step) {
        ASSERT_TRUE(smoke.Update());
        for (const Particle& puff : smoke.particles) {
            ASSERT_TRUE(Finite(puff.position));
            ASSERT_GE(puff.position.y, 1.0f);
            ASSERT_LE(puff.position.y - 1.0f, 0.2f * 334.0f + 1.0f);
            ASSERT_LE(std::fabs(puff.position.x - 5.0f), 0.1f * 334.0f + 1e-3f);
        }
    }
    Camera camera = UseCamera({0.0f, 10.0f, -100.0f}, {0.0f, 0.0f, 0.0f});
    smoke.particles[0].shade = 0.5f;
    g_RenderDevice.primitiveCount = 0;
    smoke.Render(&camera);
    EXPECT_EQ(g_RenderDevice.primitiveCount, 200u);
    EXPECT_EQ(Vertices(smoke.buffers)[0].colour, 0xFF808080u);

    // Without looping every puff dies and nothing is drawn.
    SmokeSystem puffs;
    ASSERT_TRUE(puffs.Create(20, nullptr, &emitter, &up, D3DBLEND_SRCCOLOR, 1.0f, 0.1f, 0.0f, 0.1f, 0.1f, false));
    int steps = 0;
    while (puffs.Update())
        ASSERT_LT(++steps, 20);
    g_RenderDevice.primitiveCount = 0;
    puffs.Render(&camera);
    EXPECT_EQ(g_RenderDevice.primitiveCount, 0u);

    // Cleared: reset and update do nothing, nothing is drawn.
    smoke.Clear();
    smoke.Reset();
    EXPECT_FALSE(smoke.Update());
    smoke.Render(&camera);
    EXPECT_EQ(g_RenderDevice.primitiveCount, 0u);
    puffs.Release();
    smoke.Release();
}

TEST_F(ParticleTest, RenderKeepsTheCallersTextureAndRevertsStates)
{
    Texture smokeTexture;
    ASSERT_TRUE(smokeTexture.Load(WriteSolidTexture("Smoke.dds", 0xFFFFFFFFu).c_str()));
    SmokeSystem exhaust;
    SnowSystem snow;
    const Vector3 origin = {0, 0, 0}, back = {0, 0, -1}, wind = {0.01f, 0, 0};
    ASSERT_TRUE(exhaust.Create(200, nullptr, &origin, &back, D3DBLEND_SRCCOLOR, 0.007f, 0.00005f, 0.00001f, 0.04f,
                               0.008f, true));
    ASSERT_TRUE(snow.Create(50, 0.05f, nullptr, &origin, 5.0f, 5.0f, 0.0f, 0.05f, 0.15f, &wind));
    Camera camera = UseCamera({0.0f, 0.0f, -3.0f}, {0, 0, 0});
    GpuDevice* device = g_RenderDevice.device;
    uint32_t before[5];
    const uint32_t states[5] = {D3DRS_LIGHTING, D3DRS_ALPHABLENDENABLE, D3DRS_ZWRITEENABLE, D3DRS_SRCBLEND,
                                D3DRS_DESTBLEND};
    for (int i = 0; i < 5; ++i)
        device->GetRenderState(states[i], &before[i]);
    g_RenderDevice.SetTexture(0, smokeTexture.texture);
    exhaust.Update();
    exhaust.Render(&camera);
    snow.Update();
    snow.Render(&camera);
    EXPECT_EQ(g_RenderDevice.currentTexture[0], smokeTexture.texture);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(RenderState(states[i]), before[i]) << states[i];
    }
    exhaust.Release();
    snow.Release();
    smokeTexture.Release();
}

// Only the live puffs are written and sent; each of them reaches the picture
// and a dead one leaves no mark.
TEST_F(ParticleTest, EveryLivePuffAndNoDeadOneReachesThePicture)
{
    Texture white;
    ASSERT_TRUE(white.Load(WriteSolidTexture("White.dds", 0xFFFFFFFFu).c_str()));
    SmokeSystem smoke;
    const Vector3 origin = {0, 0, 0}, back = {0, 0, -1};
    ASSERT_TRUE(smoke.Create(6, nullptr, &origin, &back, D3DBLEND_SRCCOLOR, 0.1f, 0.0f, 0.0f, 0.0f, 0.0f, true));
    for (size_t k = 0; k < 6; ++k) {
        Particle& puff = smoke.particles[k];
        puff.position = {float(k) - 2.5f, 0.0f, 0.0f};
        puff.size = 0.2f;
        puff.shade = 1.0f;
        puff.alive = k == 1 || k == 4 ? 0 : 1;
    }
    Camera camera = UseCamera({0.0f, 0.0f, -6.0f}, {0, 0, 0});
    g_RenderDevice.SetTexture(0, white.texture);
    g_RenderDevice.device->ResetStats();
    const std::vector<uint32_t> pixels = DrawFrame([&] { smoke.Render(&camera); });
    EXPECT_EQ(g_RenderDevice.device->GetStats().primitives, 8u);
    for (size_t k = 0; k < 6; ++k) {
        const Vector2 p = ProjectToScreen(camera, smoke.particles[k].position);
        const uint32_t expected = smoke.particles[k].alive != 0 ? 0xFFFFFFFFu : 0xFF000000u;
        EXPECT_TRUE(ColourNear(PixelAt(pixels, int(p.x), int(p.y)), expected, 8))
            << "puff " << k << ": " << std::hex << PixelAt(pixels, int(p.x), int(p.y));
    }
    smoke.Release();
    white.Release();
}

TEST_F(ParticleTest, TooManyParticlesOrAMissingTextureFailCreate)
{
    const Vector3 origin = {0, 0, 0}, down = {0, -1, 0};
    RainSystem rain;
    EXPECT_FALSE(rain.Create(16385, 0.05f, nullptr, &origin, &down, 10.0f, 0.0f, 1.0f, 0xFFFFFFFFu));
    EXPECT_EQ(g_LastError, "Error creating rain system!");
    SnowSystem snow;
    EXPECT_FALSE(snow.Create(20000, 0.05f, nullptr, &origin, 1.0f, 1.0f, 0.0f, 0.0f, 0.0f, &origin));
    EXPECT_EQ(g_LastError, "Error creating snow system!");
    SmokeSystem smoke;
    EXPECT_FALSE(smoke.Create(-1, nullptr, &origin, &down, 3, 1.0f, 1.0f, 0.0f, 0.1f, 0.1f, true));
    EXPECT_EQ(g_LastError, "Error creating smoke system!");
    EXPECT_FALSE(rain.Create(16384, 0.05f, TempPath("Rain.dds").c_str(), &origin, &down, 10.0f, 0.0f, 1.0f, 0));
    EXPECT_EQ(g_LastError, "Error loading a texture!");
    rain.Release();
    EXPECT_EQ(g_RenderDevice.device->GetLiveDefaultPoolCount(), 0u);
}

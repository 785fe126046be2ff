#include "SceneTestFixture.h"

#include "backend/gpu/GpuDevice.h"
#include "backend/math/Vector.h"
#include "engine/platform/Log.h"
#include "engine/platform/RenderDevice.h"
#include "engine/scene/Billboard.h"
#include "engine/scene/BillboardSystem.h"
#include "engine/scene/Terrain.h"
#include "physics/PhysicsEngine.h"

#include <algorithm>
#include <cmath>

using namespace backend;

namespace {

const float FULL_UV[4] = {0.0f, 0.0f, 1.0f, 1.0f};

class BillboardTest : public OpenedSceneTest {
protected:
    // A 4 x 4 cell terrain over 40 x 10 x 30 whose height rises along +x.
    void BuildSlope()
    {
        const std::string map =
            WriteRaw("HeightMap.raw", 5, 5, [](uint32_t column, uint32_t) { return uint8_t(column * 50); });
        const Vector3 size = {40.0f, 10.0f, 30.0f};
        ASSERT_TRUE(terrain.Init(&size, 4, 4, 1, 1));
        ASSERT_TRUE(terrain.LoadHeightMap(map.c_str(), 5, 5, D3DFMT_P8));
        ASSERT_TRUE(terrain.Build(false, false));
    }

    void TearDown() override
    {
        system.Destroy();
        tree.Release();
        bush.Release();
        terrain.Release();
        terrain.Destroy();
        SceneTest::TearDown();
    }

    Terrain terrain;
    Billboard tree;
    Billboard bush;
    BillboardSystem system;
};

} // namespace

TEST_F(BillboardTest, MaskPlacesAtCornersWithFloatDivisionAndSnapsToTheGround)
{
    BuildSlope();
    ASSERT_TRUE(tree.Load(nullptr, 2.0f, 6.0f, 0xFFFFFFFFu, FULL_UV));
    tree.collisionRadius = 1.0f;
    // 4 x 3 mask with its four corners set.
    const std::string mask = WriteRaw("Trees.raw", 4, 3, [](uint32_t column, uint32_t row) {
        return uint8_t((column == 0 || column == 3) && (row == 0 || row == 2) ? 1 : 0);
    });
    const Vector3 centre = {0.0f, 0.0f, 0.0f}, size = {40.0f, 10.0f, 30.0f};
    ASSERT_TRUE(system.AddFromMask(mask.c_str(), 4, 3, &tree, &terrain, -0.3f, &centre, &size));
    ASSERT_EQ(system.instances.size(), 4u);
    EXPECT_EQ(system.collidingCount, 4);
    EXPECT_EQ(system.billboards.size(), 1u);

    const float expected[4][2] = {{-20.0f, 15.0f}, {10.0f, 15.0f}, {-20.0f, -5.0f}, {10.0f, -5.0f}};
    for (size_t i = 0; i < 4; ++i) {
        const BillboardInstance& instance = *system.instances[i];
        EXPECT_FLOAT_EQ(instance.position.x, expected[i][0]);
        EXPECT_FLOAT_EQ(instance.position.z, expected[i][1]);
        // Row 0 lies on the +z edge: it takes the edge height instead of staying at 0.
        Vector3 ground = {instance.position.x, 0.0f, std::min(instance.position.z, 14.99f)};
        ASSERT_TRUE(terrain.SnapToGround(&ground, -0.3f));
        EXPECT_NEAR(instance.position.y, ground.y, 1e-3f) << i;
        EXPECT_FLOAT_EQ(instance.bounds.min.x, instance.position.x - 1.0f);
        EXPECT_FLOAT_EQ(instance.bounds.max.y, instance.position.y + 6.0f);
    }
    EXPECT_GT(system.instances[1]->position.y, 4.0f);
}

TEST_F(BillboardTest, EmptyMaskSucceedsAndShortMaskFails)
{
    BuildSlope();
    ASSERT_TRUE(bush.Load(nullptr, 1.0f, 1.0f, 0xFFFFFFFFu, FULL_UV));
    const Vector3 centre = {0.0f, 0.0f, 0.0f}, size = {40.0f, 10.0f, 30.0f};
    const std::string empty = WriteRaw("Empty.raw", 8, 8, [](uint32_t, uint32_t) { return uint8_t(0); });
    EXPECT_TRUE(system.AddFromMask(empty.c_str(), 8, 8, &bush, &terrain, 0.0f, &centre, &size));
    EXPECT_TRUE(system.instances.empty());

    const std::string full = WriteRaw("Full.raw", 8, 8, [](uint32_t, uint32_t) { return uint8_t(1); });
    EXPECT_FALSE(system.AddFromMask(full.c_str(), 8, 9, &bush, &terrain, 0.0f, &centre, &size));
    EXPECT_EQ(g_LastError, "Error reading RAW file: Bad data!");
    EXPECT_FALSE(system.AddFromMask(TempPath("None.raw").c_str(), 8, 8, &bush, &terrain, 0.0f, &centre, &size));
    EXPECT_EQ(g_LastError, "Error loading RAW file: File not found!");
    EXPECT_TRUE(system.instances.empty());

    // A billboard without collision adds no count.
    ASSERT_TRUE(system.AddFromMask(full.c_str(), 8, 8, &bush, &terrain, 0.0f, &centre, &size));
    EXPECT_EQ(system.instances.size(), 64u);
    EXPECT_EQ(system.collidingCount, 0);
}

TEST_F(BillboardTest, UpdateCullsAndSortsBackToFront)
{
    ASSERT_TRUE(tree.Load(nullptr, 2.0f, 4.0f, 0xFFFFFFFFu, FULL_UV));
    for (int i = 0; i < 20; ++i)
        for (int j = 0; j < 20; ++j)
            system.AddBillboard(&tree, {float(i) * 10.0f - 95.0f, 0.0f, float(j) * 10.0f - 95.0f});
    const Vector3 centre = {0, 0, 0}, size = {200, 200, 200};
    system.BuildTree(4, &centre, &size);

    Camera camera = UseCamera({0.0f, 2.0f, 0.0f}, {0.0f, 0.6f, 0.0f});
    system.Update(&camera);
    size_t expected = 0;
    for (auto& instance : system.instances)
        if (camera.IsBoxInFrustum(&instance->bounds))
            ++expected;
    ASSERT_EQ(system.sorted.size(), expected);
    ASSERT_GT(expected, 10u);
    ASSERT_LT(expected, 400u);
    for (size_t i = 1; i < system.sorted.size(); ++i)
        EXPECT_GE(system.sorted[i - 1]->sortKey, system.sorted[i]->sortKey);

    // A row along z seen from both ends: the order turns round.
    BillboardSystem row;
    for (int k = 0; k < 5; ++k)
        row.AddBillboard(&tree, {0.0f, 0.0f, float(k) * 10.0f + 10.0f});
    row.BuildTree(2, &centre, &size);
    Camera south = UseCamera({0.0f, 2.0f, -100.0f}, {0, 0, 0});
    row.Update(&south);
    ASSERT_EQ(row.sorted.size(), 5u);
    for (int k = 0; k < 5; ++k)
        EXPECT_EQ(row.sorted[size_t(k)], row.instances[size_t(4 - k)].get());
    Camera north = UseCamera({0.0f, 2.0f, 160.0f}, {0, SCENE_PI, 0});
    row.Update(&north);
    ASSERT_EQ(row.sorted.size(), 5u);
    for (int k = 0; k < 5; ++k)
        EXPECT_EQ(row.sorted[size_t(k)], row.instances[size_t(k)].get());
}

TEST_F(BillboardTest, RenderDrawsTheSpriteOrItsBlackShapeAndRevertsStates)
{
    // Opaque blue in the left half, transparent in the right half.
    std::vector<uint32_t> texels(64);
    for (int i = 0; i < 64; ++i)
        texels[size_t(i)] = (i % 8) < 4 ? 0xFF0000FFu : 0x000000FFu;
    const std::string sprite = WriteTexture("Sprite.dds", 8, 8, texels);
    ASSERT_TRUE(tree.Load(sprite.c_str(), 4.0f, 4.0f, 0xFFFFFFFFu, FULL_UV));
    system.AddBillboard(&tree, {0.0f, -2.0f, 10.0f});
    const Vector3 centre = {0, 0, 0}, size = {100, 100, 100};
    system.BuildTree(2, &centre, &size);
    Camera camera = UseCamera({0.0f, 0.0f, 0.0f}, {0, 0, 0});
    system.Update(&camera);
    ASSERT_EQ(system.sorted.size(), 1u);

    const Vector2 left = ProjectToScreen(camera, {-1.0f, 0.0f, 10.0f});
    const Vector2 right = ProjectToScreen(camera, {1.0f, 0.0f, 10.0f});
    g_RenderDevice.primitiveCount = 0;
    std::vector<uint32_t> pixels = DrawFrame([&] { system.Render(&camera, false); }, 0xFFFFFFFFu);
    EXPECT_EQ(g_RenderDevice.primitiveCount, 2u);
    EXPECT_TRUE(ColourNear(PixelAt(pixels, int(left.x), int(left.y)), 0xFF0000FFu, 8))
        << std::hex << PixelAt(pixels, int(left.x), int(left.y));
    EXPECT_TRUE(ColourNear(PixelAt(pixels, int(right.x), int(right.y)), 0xFFFFFFFFu, 8));

    pixels = DrawFrame([&] { system.Render(&camera, true); }, 0xFFFFFFFFu);
    EXPECT_TRUE(ColourNear(PixelAt(pixels, int(left.x), int(left.y)), 0xFF000000u, 8));
    EXPECT_TRUE(ColourNear(PixelAt(pixels, int(right.x), int(right.y)), 0xFFFFFFFFu, 8));

    EXPECT_EQ(RenderState(D3DRS_ZENABLE), 1u);
    EXPECT_EQ(RenderState(D3DRS_LIGHTING), 1u);
    EXPECT_EQ(RenderState(D3DRS_ALPHATESTENABLE), 0u);
    EXPECT_EQ(RenderState(D3DRS_ALPHABLENDENABLE), 0u);
    EXPECT_EQ(StageState(0, D3DTSS_COLORARG1), uint32_t(D3DTA_TEXTURE));
}

// The system draws placements that share a texture together; the picture is
// the one each placement drawn on its own, in order, would give. Half-
// transparent sprites show a dropped, doubled or wrongly reordered one: those
// that overlap keep their order, those apart join their texture's draw.
TEST_F(BillboardTest, BatchedDrawGivesThePictureOfOneDrawPerPlacement)
{
    const std::string red = WriteSolidTexture("Red.dds", 0x80FF0000u);
    const std::string green = WriteSolidTexture("Green.dds", 0x8000FF00u);
    ASSERT_TRUE(tree.Load(red.c_str(), 3.0f, 5.0f, 0xFFFFFFFFu, FULL_UV));
    ASSERT_TRUE(bush.Load(green.c_str(), 4.0f, 3.0f, 0xFFC0C0C0u, FULL_UV));
    const Vector3 centre = {0, 0, 0}, size = {100, 100, 100};
    Camera camera = UseCamera({-3.0f, 0.0f, 0.0f}, {0.0f, 0.2f, 0.0f});
    GpuDevice* device = g_RenderDevice.device;

    // Far to near along z: in a row that overlaps red, red, red, green, green,
    // red (three draws); spread apart red, green, red, green (two draws); the
    // last red apart from the first but over the second green (three draws).
    struct Layout {
        std::vector<Billboard*> kinds;
        std::vector<float> x;
        uint64_t draws;
    };
    const Layout layouts[] = {
        {{&tree, &tree, &tree, &bush, &bush, &tree}, {0.0f, 0.7f, 1.4f, 2.1f, 2.8f, 3.5f}, 3},
        {{&tree, &bush, &tree, &bush}, {-6.0f, 0.0f, 6.0f, 12.0f}, 2},
        {{&tree, &bush, &bush, &tree}, {-8.0f, -2.0f, 6.0f, 6.7f}, 3},
    };
    for (const Layout& layout : layouts) {
        system.Destroy();
        for (size_t k = 0; k < layout.kinds.size(); ++k)
            system.AddBillboard(layout.kinds[k], {layout.x[k], -2.0f, 30.0f - float(k) * 2.0f});
        system.BuildTree(2, &centre, &size);
        system.Update(&camera);
        ASSERT_EQ(system.sorted.size(), layout.kinds.size());

        device->ResetStats();
        const std::vector<uint32_t> batched = DrawFrame([&] { system.Render(&camera, false); }, 0xFF202020u);
        EXPECT_EQ(device->GetStats().drawCalls, layout.draws);
        EXPECT_EQ(device->GetStats().primitives, layout.kinds.size() * 2);

        BeginFrame(0xFF202020u);
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
        device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
        device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
        device->SetRenderState(D3DRS_ALPHATESTENABLE, 1);
        device->SetRenderState(D3DRS_ALPHAREF, 8);
        device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
        device->SetRenderState(D3DRS_LIGHTING, 0);
        for (BillboardInstance* placement : system.sorted) {
            placement->billboard->position = placement->position;
            placement->billboard->Render(false);
        }
        EndFrame();
        const std::vector<uint32_t> single = ReadBackBuffer();
        int covered = 0, differing = 0;
        for (size_t i = 0; i < single.size(); ++i) {
            covered += single[i] != 0xFF202020u ? 1 : 0;
            differing += ColourNear(single[i], batched[i], 1) ? 0 : 1;
        }
        EXPECT_GT(covered, 2000);
        EXPECT_EQ(differing, 0) << layout.draws;
    }
}

TEST_F(BillboardTest, PhysicsBodiesOnlyForCollidingBillboardsAndFalseWhenThePoolRunsOut)
{
    ASSERT_TRUE(tree.Load(nullptr, 2.0f, 6.0f, 0xFFFFFFFFu, FULL_UV));
    ASSERT_TRUE(bush.Load(nullptr, 1.0f, 1.0f, 0xFFFFFFFFu, FULL_UV));
    tree.collisionRadius = 0.8f;
    tree.material = 3;
    for (int i = 0; i < 3; ++i)
        system.AddBillboard(&tree, {float(i) * 5.0f, 0.0f, 0.0f});
    for (int i = 0; i < 4; ++i)
        system.AddBillboard(&bush, {float(i) * 5.0f, 0.0f, 5.0f});
    EXPECT_EQ(system.collidingCount, 3);

    const TVec4 gravity = Vec(0.0f, -9.81f, 0.0f);
    PhysicsEngine enough;
    ASSERT_TRUE(enough.Create(1, system.collidingCount, 0, system.collidingCount, 0, 0, 0, 0, 0, 0, 0, &gravity));
    EXPECT_TRUE(system.AddToPhysics(enough.simulator));

    PhysicsEngine tooSmall;
    ASSERT_TRUE(tooSmall.Create(1, 2, 0, 2, 0, 0, 0, 0, 0, 0, 0, &gravity));
    EXPECT_FALSE(system.AddToPhysics(tooSmall.simulator));

    // Only bushes: no body needed at all.
    BillboardSystem bushes;
    bushes.AddBillboard(&bush, {0, 0, 0});
    PhysicsEngine none;
    ASSERT_TRUE(none.Create(1, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0, &gravity));
    EXPECT_TRUE(bushes.AddToPhysics(none.simulator));
}

#include "SceneTestFixture.h"

#include "backend/gpu/GpuDevice.h"
#include "backend/gpu/GpuIndexBuffer.h"
#include "backend/gpu/GpuVertexBuffer.h"
#include "backend/math/Vector.h"
#include "engine/platform/Log.h"
#include "engine/platform/RenderDevice.h"
#include "engine/scene/HeightField.h"
#include "engine/scene/Terrain.h"
#include "physics/TTerrainMesh.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

using namespace backend;

namespace {

class TerrainTest : public OpenedSceneTest {
protected:
    // A terrain of cells x cells over 40 x 10 x 40 from a map of mapSize x mapSize samples.
    void BuildTerrain(int cells, int patches, uint32_t mapSize,
                      const std::function<uint8_t(uint32_t, uint32_t)>& sample, bool smooth = false,
                      bool smoothBorders = false, Vector3 position = {})
    {
        const std::string map = WriteRaw("HeightMap.raw", mapSize, mapSize, sample);
        const Vector3 size = {40.0f, 10.0f, 40.0f};
        ASSERT_TRUE(terrain.Init(&size, cells, cells, patches, patches));
        ASSERT_TRUE(terrain.LoadHeightMap(map.c_str(), int(mapSize), int(mapSize), D3DFMT_P8));
        terrain.position = position;
        ASSERT_TRUE(terrain.Build(smooth, smoothBorders));
    }

    float HeightAt(float x, float z)
    {
        Vector3 point = {x, 123.0f, z};
        EXPECT_TRUE(terrain.SnapToGround(&point, 0.0f)) << x << ", " << z;
        return point.y;
    }

    void TearDown() override
    {
        terrain.Release();
        terrain.Destroy();
        SceneTest::TearDown();
    }

    Terrain terrain;
};

} // namespace

TEST_F(TerrainTest, GridHeightsRowsIndicesAndFlatNormals)
{
    // 5 x 5 map for a 4 x 4 grid: byte (column, row), row 0 at the +z edge.
    BuildTerrain(4, 1, 5, [](uint32_t column, uint32_t row) { return uint8_t(row == 0 ? 255 : column == 0 ? 0 : 51); });
    ASSERT_EQ(terrain.vertexCount, 25);
    ASSERT_EQ(terrain.vertices.size(), 25u);
    EXPECT_EQ(terrain.indexCount, 96);
    EXPECT_EQ(terrain.triangleCount, 32);

    // Vertex row 0 lies on the +z edge, column 0 on the -x edge.
    EXPECT_FLOAT_EQ(terrain.VertexAt(0, 0).position.x, -20.0f);
    EXPECT_FLOAT_EQ(terrain.VertexAt(0, 0).position.z, 20.0f);
    EXPECT_FLOAT_EQ(terrain.VertexAt(4, 4).position.x, 20.0f);
    EXPECT_FLOAT_EQ(terrain.VertexAt(4, 4).position.z, -20.0f);
    // Map row 0 (255) reaches the first two vertex rows through the one-row shift.
    EXPECT_NEAR(terrain.VertexAt(0, 2).position.y, 10.0f, 1e-5f);
    EXPECT_NEAR(terrain.VertexAt(1, 2).position.y, 10.0f, 1e-5f);
    EXPECT_NEAR(terrain.VertexAt(3, 0).position.y, 0.0f, 1e-6f);
    EXPECT_NEAR(terrain.VertexAt(3, 2).position.y, 2.0f, 1e-5f);
    EXPECT_FLOAT_EQ(terrain.VertexAt(0, 4).u, 1.0f);
    EXPECT_FLOAT_EQ(terrain.VertexAt(4, 0).v, 1.0f);

    // The first cell's two triangles.
    const uint32_t expected[6] = {0, 1, 6, 0, 6, 5};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(terrain.indices[size_t(i)], expected[i]);
}

TEST_F(TerrainTest, FlatMapHasUpwardNormalsAndOddCountsFillEveryVertex)
{
    BuildTerrain(3, 1, 8, [](uint32_t, uint32_t) { return uint8_t(100); });
    ASSERT_EQ(terrain.vertices.size(), 16u);
    for (const TerrainVertex& vertex : terrain.vertices) {
        EXPECT_NEAR(vertex.normal.y, 1.0f, 1e-6f);
        EXPECT_NEAR(vertex.position.y, 100.0f * 10.0f / 255.0f, 1e-4f);
    }
    // The last row and column exist too: x and z reach the far edges.
    EXPECT_FLOAT_EQ(terrain.VertexAt(3, 3).position.x, 20.0f);
    EXPECT_FLOAT_EQ(terrain.VertexAt(3, 3).position.z, -20.0f);
}

TEST_F(TerrainTest, InitRefusesCountsThatPatchesDoNotDivide)
{
    const Vector3 size = {10, 10, 10};
    EXPECT_FALSE(terrain.Init(&size, 5, 4, 2, 2));
    EXPECT_FALSE(terrain.Init(&size, 0, 4, 1, 1));
    EXPECT_TRUE(terrain.Init(&size, 4, 4, 2, 2));
}

TEST_F(TerrainTest, SmoothingKeepsOrSmoothsTheBorder)
{
    // One raised sample in a corner and one in the middle.
    const auto sample = [](uint32_t column, uint32_t row) {
        return uint8_t((column == 0 && row == 4) || (column == 2 && row == 2) ? 255 : 0);
    };
    BuildTerrain(4, 1, 5, sample);
    std::vector<TerrainVertex> raw = terrain.vertices;
    terrain.Release();
    terrain.Destroy();

    BuildTerrain(4, 1, 5, sample, true, false);
    for (int i = 0; i <= 4; ++i) {
        EXPECT_EQ(terrain.VertexAt(0, i).position.y, raw[size_t(i)].position.y);
        EXPECT_EQ(terrain.VertexAt(4, i).position.y, raw[size_t(20 + i)].position.y);
        EXPECT_EQ(terrain.VertexAt(i, 0).position.y, raw[size_t(i * 5)].position.y);
    }
    // An inner vertex is the mean of the nine unsmoothed heights around it.
    float sum = 0.0f;
    for (int r = 1; r <= 3; ++r)
        for (int c = 0; c <= 2; ++c)
            sum += raw[size_t(r * 5 + c)].position.y;
    EXPECT_NEAR(terrain.VertexAt(2, 1).position.y, sum / 9.0f, 1e-4f);
    terrain.Release();
    terrain.Destroy();

    BuildTerrain(4, 1, 5, sample, true, true);
    // A corner averages itself and its three neighbours.
    const float corner = (raw[20].position.y + raw[21].position.y + raw[15].position.y + raw[16].position.y) / 4.0f;
    EXPECT_NEAR(terrain.VertexAt(4, 0).position.y, corner, 1e-4f);
}

TEST_F(TerrainTest, HeightQueriesAreExactAtVerticesBilinearInsideAndRefusedOutside)
{
    BuildTerrain(8, 2, 16, [](uint32_t column, uint32_t row) { return uint8_t(column * 15 + row * 3); }, false, false,
                 {100.0f, 5.0f, -50.0f});
    // Every vertex away from the +x and +z edges answers its own height.
    for (int row = 1; row <= 8; ++row)
        for (int column = 0; column < 8; ++column) {
            const TerrainVertex& v = terrain.VertexAt(row, column);
            EXPECT_NEAR(HeightAt(v.position.x + 100.0f, v.position.z - 50.0f), v.position.y + 5.0f, 1e-4f)
                << row << ", " << column;
        }
    // Inside a cell: bilinear between its four corners.
    const TerrainVertex& a = terrain.VertexAt(4, 2);
    const TerrainVertex& b = terrain.VertexAt(4, 3);
    const TerrainVertex& c = terrain.VertexAt(3, 2);
    const TerrainVertex& d = terrain.VertexAt(3, 3);
    const float fx = 0.25f, fz = 0.75f;
    const float expected =
        (1 - fz) * (a.position.y * (1 - fx) + b.position.y * fx) + fz * (c.position.y * (1 - fx) + d.position.y * fx);
    EXPECT_NEAR(HeightAt(a.position.x + fx * 5.0f + 100.0f, a.position.z + fz * 5.0f - 50.0f), expected + 5.0f, 1e-4f);

    // Just outside each of the four edges: refused, position unchanged.
    const float edges[4][2] = {
        {80.0f - 0.01f, -50.0f}, {120.0f + 0.01f, -50.0f}, {100.0f, -70.0f - 0.01f}, {100.0f, -30.0f + 0.01f}};
    for (const auto& edge : edges) {
        Vector3 point = {edge[0], 42.0f, edge[1]};
        EXPECT_FALSE(terrain.SnapToGround(&point, 1.0f)) << edge[0] << ", " << edge[1];
        EXPECT_EQ(point.y, 42.0f);
        EXPECT_FALSE(terrain.SnapToGroundXZ(&point, 1.0f));
    }
    // Half a cell beyond the -x and -z edges (truncation would have accepted these).
    Vector3 nearMinus = {80.0f - 2.5f, 0.0f, -70.0f + 1.0f};
    EXPECT_FALSE(terrain.SnapToGround(&nearMinus, 0.0f));
    nearMinus = {81.0f, 0.0f, -70.0f - 2.5f};
    EXPECT_FALSE(terrain.SnapToGround(&nearMinus, 0.0f));
    // The -x / -z corner itself is on the grid.
    Vector3 corner = {80.0f, 0.0f, -70.0f};
    EXPECT_TRUE(terrain.SnapToGroundXZ(&corner, 0.5f));
    EXPECT_NEAR(corner.y, terrain.VertexAt(8, 0).position.y + 5.5f, 1e-4f);
}

TEST_F(TerrainTest, PatchesShareBordersAndTheTreeCullsThem)
{
    BuildTerrain(4, 2, 5, [](uint32_t column, uint32_t row) { return uint8_t(column * 40 + row * 7); });
    ASSERT_EQ(terrain.patches.size(), 4u);
    EXPECT_EQ(terrain.patchVertexCount, 9);
    // Patch after patch: its 3 x 3 vertices out of the grid (neighbours share
    // their border values) and its cells naming only those; together the
    // patches hold every grid triangle once.
    ASSERT_EQ(terrain.vertexBuffer->GetSize(), 36u * 32u);
    ASSERT_EQ(terrain.indexBuffer->GetSize(), 96u * 4u);
    const TerrainVertex* patchVertices = reinterpret_cast<const TerrainVertex*>(terrain.vertexBuffer->Bytes());
    const uint32_t* patchIndices = reinterpret_cast<const uint32_t*>(terrain.indexBuffer->Bytes());
    std::vector<int> uses(terrain.indices.size() / 3, 0);
    for (uint32_t p = 0; p < 4; ++p) {
        const TerrainPatch& patch = terrain.patches[p];
        const uint32_t row0 = p / 2 * 2, column0 = p % 2 * 2;
        EXPECT_EQ(patch.firstVertex, p * 9);
        EXPECT_EQ(patch.firstIndex, p * 24);
        for (uint32_t v = 0; v < 9; ++v)
            EXPECT_EQ(std::memcmp(&patchVertices[p * 9 + v], &terrain.VertexAt(int(row0 + v / 3), int(column0 + v % 3)),
                                  sizeof(TerrainVertex)),
                      0);
        for (uint32_t k = p * 24; k < p * 24 + 24; k += 3) {
            uint32_t grid[3];
            for (uint32_t i = 0; i < 3; ++i) {
                const uint32_t local = patchIndices[k + i] - p * 9;
                ASSERT_LT(local, 9u);
                grid[i] = (row0 + local / 3) * 5 + column0 + local % 3;
            }
            for (size_t t = 0; t < uses.size(); ++t)
                if (std::equal(grid, grid + 3, terrain.indices.begin() + ptrdiff_t(t * 3)))
                    ++uses[t];
        }
    }
    EXPECT_EQ(std::count(uses.begin(), uses.end(), 1), 32);
    EXPECT_FLOAT_EQ(terrain.patches[3].bounds.min.x, 0.0f);
    EXPECT_FLOAT_EQ(terrain.patches[3].bounds.max.z, 0.0f);

    // A camera in the -x / -z quarter looking away from the terrain's centre sees one patch.
    Camera corner = UseCamera({-15.0f, 30.0f, -15.0f}, {-1.4f, SCENE_PI, 0.0f}, 0.3f);
    const std::vector<TerrainPatch*>& visible = terrain.patchTree.CollectVisible(corner);
    ASSERT_EQ(visible.size(), 1u);
    EXPECT_EQ(visible[0], &terrain.patches[2]);
    Camera all = UseCamera({0.0f, 80.0f, 0.0f}, {-SCENE_PI / 2, 0.0f, 0.0f});
    EXPECT_EQ(terrain.patchTree.CollectVisible(all).size(), 4u);

    // Each pass draws the visible patches, neighbours in one draw; folded
    // into texture stages, the passes draw together.
    const std::string white = WriteSolidTexture("White.dds", 0xFFFFFFFFu);
    ASSERT_TRUE(terrain.AddPass(white.c_str(), nullptr, 1.0f, 1.0f, true));
    ASSERT_TRUE(terrain.AddPass(white.c_str(), white.c_str(), 4.0f, 4.0f, false));
    const std::pair<const Camera*, bool> views[] = {{&corner, false}, {&all, false}, {&all, true}};
    for (const uint32_t stages : {GPU_STAGE_COUNT, 2u}) {
        const bool folded = stages == GPU_STAGE_COUNT;
        const uint64_t draws[] = {folded ? 1u : 2u, folded ? 1u : 2u, 1}, triangles[] = {16, 64, 32};
        TextureStageLimit limit(stages);
        for (size_t v = 0; v < 3; ++v) {
            g_RenderDevice.device->ResetStats();
            terrain.Render(views[v].first, views[v].second);
            EXPECT_EQ(g_RenderDevice.device->GetStats().drawCalls, draws[v]) << stages << " stages, view " << v;
            EXPECT_EQ(g_RenderDevice.device->GetStats().primitives, triangles[v] / (folded && v < 2 ? 2 : 1))
                << stages << " stages, view " << v;
        }
    }
}

// Drawn in merged ranges, every visible patch shows its layers exactly once:
// a half-transparent layer drawn twice over a patch, or not at all, changes
// its colour; a patch drawn while culled shows in the triangle count.
TEST_F(TerrainTest, MergedRangesDrawEachVisiblePatchOncePerPass)
{
    BuildTerrain(8, 4, 9, [](uint32_t, uint32_t) { return uint8_t(0); });
    const std::string red = WriteSolidTexture("Red.dds", 0xFFFF0000u);
    const std::string green = WriteSolidTexture("Green.dds", 0xFF00FF00u);
    const std::string half = WriteSolidTexture("Half.dds", 0x80FFFFFFu);
    ASSERT_TRUE(terrain.AddPass(red.c_str(), nullptr, 1.0f, 1.0f, true));
    ASSERT_TRUE(terrain.AddPass(green.c_str(), half.c_str(), 1.0f, 1.0f, false));
    const uint32_t blend = 0xFF7F8000u;

    const Camera above = UseCamera({0.0f, 80.0f, 0.0f}, {-SCENE_PI / 2, 0.0f, 0.0f});
    const Camera slanted = UseCamera({-30.0f, 12.0f, 25.0f}, {-0.45f, 2.4f, 0.0f}, 0.5f);
    for (const uint32_t stages : {GPU_STAGE_COUNT, 2u})
        for (const Camera* camera : {&above, &slanted, &above}) {
            TextureStageLimit limit(stages);
            const size_t draws = stages == GPU_STAGE_COUNT ? 1 : 2;
            SetCameraMatrices(*camera);
            const std::vector<TerrainPatch*> visible = terrain.patchTree.CollectVisible(*camera);
            ASSERT_GE(visible.size(), 2u);
            g_RenderDevice.device->ResetStats();
            const std::vector<uint32_t> pixels = DrawFrame([&] { terrain.Render(camera, false); }, 0xFF0000FFu);
            const GpuDeviceStats stats = g_RenderDevice.device->GetStats();
            EXPECT_EQ(stats.primitives, visible.size() * 8u * draws);
            EXPECT_LT(stats.drawCalls, visible.size() * draws);
            int seen = 0;
            for (const TerrainPatch* patch : visible) {
                const Vector3 middle = (patch->bounds.min + patch->bounds.max) * 0.5f;
                const Vector2 p = ProjectToScreen(*camera, middle);
                if (!camera->IsPointInFrustum(&middle) || p.x < 0 || p.x >= 800 || p.y < 0 || p.y >= 600)
                    continue;
                ++seen;
                EXPECT_TRUE(ColourNear(PixelAt(pixels, int(p.x), int(p.y)), blend, 4))
                    << std::hex << PixelAt(pixels, int(p.x), int(p.y)) << " at patch " << std::dec
                    << (patch - terrain.patches.data());
            }
            EXPECT_GE(seen, 2);
        }
}

TEST_F(TerrainTest, CollisionMeshHoldsTheGridTrianglesInWorldSpace)
{
    BuildTerrain(4, 2, 5, [](uint32_t column, uint32_t) { return uint8_t(column * 60); }, false, false,
                 {10.0f, -2.0f, 3.0f});
    TTerrainMesh mesh;
    terrain.BuildCollisionMesh(&mesh, 7);
    std::unique_ptr<const TVec4[]> vertices(mesh.vertices);
    std::unique_ptr<const TTerrainTriangle[]> triangles(mesh.triangles);
    ASSERT_EQ(mesh.vertexCount, 25);
    ASSERT_EQ(mesh.triangleCount, 32);
    for (int i = 0; i < 25; ++i) {
        const Vector3& p = terrain.vertices[size_t(i)].position;
        EXPECT_EQ(vertices[i].x, p.x + 10.0f);
        EXPECT_EQ(vertices[i].y, p.y - 2.0f);
        EXPECT_EQ(vertices[i].z, p.z + 3.0f);
    }
    for (int t = 0; t < 32; ++t) {
        EXPECT_EQ(triangles[t].a, terrain.indices[size_t(t * 3)]);
        EXPECT_EQ(triangles[t].b, terrain.indices[size_t(t * 3 + 1)]);
        EXPECT_EQ(triangles[t].c, terrain.indices[size_t(t * 3 + 2)]);
        EXPECT_EQ(triangles[t].material, 7u);
        EXPECT_EQ(triangles[t].flags, 0u);
        EXPECT_EQ(triangles[t].tag, 0u);
    }
}

TEST_F(TerrainTest, PassesShowTheirLayersWhereTheAlphaMapsPutThem)
{
    BuildTerrain(8, 2, 9, [](uint32_t, uint32_t) { return uint8_t(0); });
    const std::string red = WriteSolidTexture("Red.dds", 0xFFFF0000u);
    const std::string green = WriteSolidTexture("Green.dds", 0xFF00FF00u);
    // The layer shows on the -x half (texel columns 0 and 1 of 4) only.
    std::vector<uint32_t> alpha(16);
    for (int i = 0; i < 16; ++i)
        alpha[size_t(i)] = (i % 4) < 2 ? 0xFFFFFFFFu : 0x00FFFFFFu;
    const std::string alphaMap = WriteTexture("GreenAlpha.dds", 4, 4, alpha);
    ASSERT_TRUE(terrain.AddPass(red.c_str(), nullptr, 1.0f, 1.0f, true));
    ASSERT_TRUE(terrain.AddPass(green.c_str(), alphaMap.c_str(), 8.0f, 8.0f, false));

    // Straight down from above: +x to the right, +z up on the screen.
    Camera camera = UseCamera({0.0f, 80.0f, 0.0f}, {-SCENE_PI / 2, 0.0f, 0.0f});
    std::vector<uint32_t> pixels = DrawFrame([&] { terrain.Render(&camera, false); }, 0xFF0000FFu);
    const Vector2 left = ProjectToScreen(camera, {-10.0f, 0.0f, 5.0f});
    const Vector2 right = ProjectToScreen(camera, {10.0f, 0.0f, -5.0f});
    EXPECT_LT(left.x, 400.0f);
    EXPECT_TRUE(ColourNear(PixelAt(pixels, int(left.x), int(left.y)), 0xFF00FF00u, 8))
        << std::hex << PixelAt(pixels, int(left.x), int(left.y));
    EXPECT_TRUE(ColourNear(PixelAt(pixels, int(right.x), int(right.y)), 0xFFFF0000u, 8))
        << std::hex << PixelAt(pixels, int(right.x), int(right.y));
    // Outside the terrain the clear colour stays.
    EXPECT_TRUE(ColourNear(PixelAt(pixels, 5, 5), 0xFF0000FFu, 8));

    // The flat pass draws the base layer black over everything.
    pixels = DrawFrame([&] { terrain.Render(&camera, true); }, 0xFFFFFFFFu);
    EXPECT_TRUE(ColourNear(PixelAt(pixels, int(left.x), int(left.y)), 0xFF000000u, 8));
    EXPECT_TRUE(ColourNear(PixelAt(pixels, int(right.x), int(right.y)), 0xFF000000u, 8));
}

TEST_F(TerrainTest, RenderPutsBackTheStatesItChanged)
{
    BuildTerrain(4, 2, 5, [](uint32_t, uint32_t) { return uint8_t(0); });
    const std::string white = WriteSolidTexture("White.dds", 0xFFFFFFFFu);
    ASSERT_TRUE(terrain.AddPass(white.c_str(), "", 1.0f, 1.0f, true));
    ASSERT_TRUE(terrain.AddPass(white.c_str(), white.c_str(), 2.0f, 2.0f, false));
    GpuDevice* device = g_RenderDevice.device;
    uint32_t filters[GPU_STAGE_COUNT] = {};
    for (uint32_t stage = 0; stage < GPU_STAGE_COUNT; ++stage)
        device->GetTextureStageState(stage, D3DTSS_MINFILTER, &filters[stage]);
    Camera camera = UseCamera({0.0f, 80.0f, 0.0f}, {-SCENE_PI / 2, 0.0f, 0.0f});
    for (const uint32_t stages : {GPU_STAGE_COUNT, 2u})
        for (bool flat : {false, true}) {
            TextureStageLimit limit(stages);
            terrain.Render(&camera, flat);
            EXPECT_EQ(RenderState(D3DRS_ZENABLE), 1u);
            EXPECT_EQ(RenderState(D3DRS_CULLMODE), uint32_t(D3DCULL_NONE));
            EXPECT_EQ(RenderState(D3DRS_ALPHABLENDENABLE), 0u);
            EXPECT_EQ(RenderState(D3DRS_ALPHATESTENABLE), 0u);
            EXPECT_EQ(StageState(0, D3DTSS_COLORARG1), uint32_t(D3DTA_TEXTURE));
            EXPECT_EQ(StageState(0, D3DTSS_COLOROP), uint32_t(D3DTOP_MODULATE));
            for (uint32_t stage = 0; stage < GPU_STAGE_COUNT; ++stage) {
                EXPECT_EQ(StageState(stage, D3DTSS_TEXTURETRANSFORMFLAGS), uint32_t(D3DTTFF_DISABLE)) << stage;
                EXPECT_EQ(StageState(stage, D3DTSS_MINFILTER), filters[stage]) << stage;
                if (stage > 0) {
                    EXPECT_EQ(StageState(stage, D3DTSS_COLOROP), uint32_t(D3DTOP_DISABLE)) << stage;
                }
            }
        }
}

// Folded into texture stages, the layers draw what the passes blended one over
// another draw, to within a step per channel: each layer where its alpha map
// puts it, at its own tiling, in order, lit as the passes are lit. A blended
// layer without an alpha map takes the lit alpha, which the terrain's material
// makes clear.
TEST_F(TerrainTest, FoldedLayersDrawWhatBlendedPassesDraw)
{
    BuildTerrain(16, 4, 17, [](uint32_t column, uint32_t row) { return uint8_t((column * 37 + row * 91) % 160); });
    std::vector<uint32_t> checker(64), ramp(64), stripes(64);
    for (uint32_t i = 0; i < 64; ++i) {
        const uint32_t x = i % 8, y = i / 8;
        checker[i] = (x + y) % 2 != 0 ? 0xFFE0C040u : 0xFF3060A0u;
        ramp[i] = (x * 36u) << 24 | 0x00FFFFFFu;
        stripes[i] = (y % 4 < 2 ? 0xC0u : 0x30u) << 24 | 0x00FFFFFFu;
    }
    const std::string shade = WriteSolidTexture("Shade.dds", 0xFFC0A080u, 8);
    struct Layer {
        std::string texture, alphaMap;
        float tileU, tileV;
    };
    const Layer layers[] = {
        {WriteTexture("Checker.dds", 8, 8, checker), shade, 3.0f, 2.0f},
        {WriteSolidTexture("Red.dds", 0xFFFF2010u), WriteTexture("Ramp.dds", 8, 8, ramp), 1.0f, 1.0f},
        {WriteSolidTexture("Hidden.dds", 0xFFFFFFFFu), "", 2.0f, 2.0f},
        {WriteTexture("Tiles.dds", 8, 8, checker), WriteTexture("Stripes.dds", 8, 8, stripes), 5.0f, 7.0f}};
    // Eight stages: the shaded base, two for each mapped layer, one for the unmapped one and the light.
    for (size_t i = 0; i < std::size(layers); ++i)
        ASSERT_TRUE(terrain.AddPass(layers[i].texture.c_str(), layers[i].alphaMap.c_str(), layers[i].tileU,
                                    layers[i].tileV, i == 0));

    // Grey light, so that lighting shows.
    g_RenderDevice.device->SetRenderState(D3DRS_AMBIENT, 0xFF808080u);
    for (const Camera& camera : {UseCamera({0.0f, 60.0f, 0.0f}, {-SCENE_PI / 2, 0.0f, 0.0f}),
                                 UseCamera({-30.0f, 14.0f, 25.0f}, {-0.35f, 2.4f, 0.0f})}) {
        std::vector<uint32_t> pictures[2];
        uint64_t draws[2] = {};
        for (const uint32_t stages : {GPU_STAGE_COUNT, 2u}) {
            TextureStageLimit limit(stages);
            const size_t path = stages == GPU_STAGE_COUNT ? 0 : 1; // folded, then blended
            SetCameraMatrices(camera);
            g_RenderDevice.device->ResetStats();
            pictures[path] = DrawFrame([&] { terrain.Render(&camera, false); });
            draws[path] = g_RenderDevice.device->GetStats().drawCalls;
        }
        EXPECT_EQ(draws[1], draws[0] * std::size(layers));
        EXPECT_TRUE(SameUpToLayerRounding(pictures[0], pictures[1]));
        EXPECT_LT(std::count(pictures[0].begin(), pictures[0].end(), 0xFF000000u), 300000);
    }
}

TEST_F(TerrainTest, ShortHeightMapAndMissingTexturesFailWithClearErrors)
{
    const std::string map = WriteRaw("Short.raw", 16, 15, [](uint32_t, uint32_t) { return uint8_t(9); });
    const Vector3 size = {40.0f, 10.0f, 40.0f};
    ASSERT_TRUE(terrain.Init(&size, 4, 4, 2, 2));
    EXPECT_FALSE(terrain.LoadHeightMap(map.c_str(), 16, 16, D3DFMT_P8));
    EXPECT_EQ(g_LastError, "Error reading RAW file: Bad data!");
    // Without a height map there is nothing to build.
    EXPECT_FALSE(terrain.Build(true, false));
    EXPECT_EQ(terrain.patches.size(), 0u);

    ASSERT_TRUE(terrain.LoadHeightMap(map.c_str(), 16, 15, D3DFMT_P8));
    ASSERT_TRUE(terrain.Build(true, false));
    EXPECT_FALSE(terrain.AddPass(TempPath("Missing.dds").c_str(), nullptr, 1.0f, 1.0f, true));
    EXPECT_EQ(g_LastError, "Error loading a texture!");
    const std::string white = WriteSolidTexture("White.dds", 0xFFFFFFFFu);
    EXPECT_FALSE(terrain.AddPass(white.c_str(), TempPath("MissingAlpha.dds").c_str(), 1.0f, 1.0f, false));
    EXPECT_EQ(g_LastError, "Error loading a texture!");
}

TEST_F(TerrainTest, SharedHeightFieldGivesExactlyTheTerrainsHeights)
{
    // A bumpy map of another shape than the grid, odd cell counts, an offset terrain.
    const int width = 37, height = 53, cellsX = 15, cellsZ = 9;
    auto sample = [](uint32_t column, uint32_t row) {
        return uint8_t((column * 97 + row * 57 + column * row * 13) % 251);
    };
    std::vector<uint8_t> map;
    for (int row = 0; row < height; ++row)
        for (int column = 0; column < width; ++column)
            map.push_back(sample(uint32_t(column), uint32_t(row)));
    const std::string path = WriteRaw("HeightMap.raw", width, height, sample);
    const Vector3 size = {60.0f, 12.0f, 45.0f}, position = {3.0f, 1.0f, -2.0f};
    for (bool borders : {false, true}) {
        ASSERT_TRUE(terrain.Init(&size, cellsX, cellsZ, 5, 3));
        ASSERT_TRUE(terrain.LoadHeightMap(path.c_str(), width, height, D3DFMT_P8));
        terrain.position = position;
        ASSERT_TRUE(terrain.Build(true, borders));
        HeightField field;
        field.Build(map.data(), width, height, cellsX, cellsZ, size.x, size.y, size.z);
        field.Smooth(borders);
        for (int row = 0; row <= cellsZ; ++row)
            for (int column = 0; column <= cellsX; ++column)
                ASSERT_EQ(field.At(row, column), terrain.VertexAt(row, column).position.y) << row << ", " << column;
        int inside = 0;
        for (float x = -32.0f; x <= 32.0f; x += 0.37f)
            for (float z = -25.0f; z <= 25.0f; z += 0.41f) {
                const Vector3 point = {x + position.x, 7.0f, z + position.z};
                Vector3 surface;
                float h = 0.0f;
                const bool found = terrain.GetSurfacePoint(&point, &surface);
                ASSERT_EQ(found, field.HeightAt(point.x - position.x, point.z - position.z, &h)) << x << ", " << z;
                if (found) {
                    ASSERT_EQ(surface.y, h + position.y) << x << ", " << z;
                    ++inside;
                }
            }
        EXPECT_GT(inside, 6000);
        terrain.Release();
        terrain.Destroy();
    }
}

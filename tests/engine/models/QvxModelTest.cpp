#include "ModelTestDevice.h"
#include "ModelTestShapes.h"

#include "backend/gpu/GpuStateBlock.h"

#include "backend/gpu/GpuDevice.h"
#include "backend/gpu/GpuTexture.h"
#include "backend/math/MatrixMath.h"
#include "backend/math/Vector.h"
#include "datagen/writers/FrameAnimationWriter.h"
#include "engine/models/QvxModel.h"
#include "engine/platform/BoundingBox.h"
#include "engine/platform/Log.h"
#include "engine/platform/RenderDevice.h"

#include <cmath>

using namespace backend;

namespace {

GpuMaterial Colour(float r, float g, float b, float a)
{
    GpuMaterial m;
    m.Diffuse = {r, g, b, a};
    m.Ambient = {r, g, b, a};
    return m;
}

class QvxModelTest : public ModelDeviceTest {
protected:
    std::string WriteModel(const std::string& file, const std::vector<datagen::QvxFrame>& frames)
    {
        return WriteBytes(file, datagen::EncodeQvx(frames));
    }
    // `count` frames, frame f a cube of edge `size` at (f, 0, 5).
    std::string WriteMovingCube(const std::string& file, int count, float size)
    {
        std::vector<datagen::QvxFrame> frames(static_cast<size_t>(count));
        for (size_t f = 0; f < frames.size(); ++f)
            frames[f].meshes.push_back(QvxCube(size, {float(f), 0, 5}));
        return WriteModel(file, frames);
    }
    std::string WriteCube(float size = 1.0f, datagen::Float3 centre = {0, 0, 5})
    {
        datagen::QvxFrame frame;
        frame.meshes.push_back(QvxCube(size, centre));
        return WriteModel("cube.qvx", {frame});
    }
};

} // namespace

TEST_F(QvxModelTest, CubeWeldsToEightVerticesWithOutwardNormals)
{
    Scoped<QvxModel> model;
    ASSERT_TRUE(model.Load(WriteCube(1.0f, {0, 0, 0}).c_str(), nullptr, nullptr));
    ASSERT_EQ(model.GetFrameCount(), 1);
    const QvxMesh& mesh = model.frames[0].meshes[0];
    ASSERT_EQ(mesh.vertices.size(), 8u);
    EXPECT_EQ(mesh.indices.size(), 36u);
    EXPECT_EQ(mesh.triangleCount, 12);
    for (const QvxVertex& v : mesh.vertices) {
        const Vector3 normal{v.nx, v.ny, v.nz};
        EXPECT_NEAR(Vec3Length(&normal), 1.0f, 1e-5f);
        // Each corner's normal points away from the centre on every axis.
        EXPECT_GT(v.nx * v.x, 0.1f);
        EXPECT_GT(v.ny * v.y, 0.1f);
        EXPECT_GT(v.nz * v.z, 0.1f);
    }
    // The default material is opaque white.
    EXPECT_EQ(model.material.Diffuse.a, 1.0f);
    EXPECT_EQ(model.material.Ambient.r, 1.0f);
    EXPECT_STREQ(model.name, TempPath("cube.qvx").c_str());
}

TEST_F(QvxModelTest, CubeDrawsItsFrontFacesInOneCall)
{
    Scoped<QvxModel> model;
    ASSERT_TRUE(model.Load(WriteCube().c_str(), nullptr, nullptr));
    ClearBackBuffer(BLUE);
    g_RenderDevice.primitiveCount = 0;
    g_RenderDevice.device->ResetStats();
    model.Render(0, false);
    EXPECT_EQ(g_RenderDevice.primitiveCount, 12u);
    EXPECT_EQ(g_RenderDevice.device->GetStats().drawCalls, 1u);
    const std::vector<uint32_t> pixels = ReadBackBuffer();
    EXPECT_EQ(PixelAt(pixels, 400, 300), WHITE);
    EXPECT_EQ(PixelAt(pixels, 360, 260), WHITE);
    EXPECT_EQ(PixelAt(pixels, 460, 300), BLUE);
    EXPECT_EQ(PixelAt(pixels, 400, 360), BLUE);
    // States are back as they were.
    EXPECT_EQ(RenderState(D3DRS_CULLMODE), uint32_t(D3DCULL_CCW));
    EXPECT_EQ(RenderState(D3DRS_ALPHABLENDENABLE), 0u);
    EXPECT_EQ(StageState(0, D3DTSS_COLOROP), uint32_t(D3DTOP_MODULATE));
    EXPECT_EQ(StageState(0, D3DTSS_COLORARG1), uint32_t(D3DTA_TEXTURE));
}

TEST_F(QvxModelTest, ClockwiseTrianglesAreCulled)
{
    datagen::QvxMesh mesh;
    mesh.positions = {{-1, -1, 5}, {0, 1, 5}, {1, -1, 5}, {-1, -1, 6}, {1, -1, 6}, {0, 1, 6}};
    mesh.faces = {{0, 1, 2}};
    datagen::QvxFrame frame;
    frame.meshes = {mesh};
    Scoped<QvxModel> model;
    ASSERT_TRUE(model.Load(WriteModel("cw.qvx", {frame}).c_str(), nullptr, nullptr));
    EXPECT_EQ(PixelAfter([&] { model.Render(0, false); }, 400, 320), BLUE);

    frame.meshes[0].faces = {{3, 4, 5}};
    ASSERT_TRUE(model.Load(WriteModel("ccw.qvx", {frame}).c_str(), nullptr, nullptr));
    model.Render(0, false);
    EXPECT_EQ(PixelAt(ReadBackBuffer(), 400, 320), WHITE);
}

TEST_F(QvxModelTest, WeldingSplitsOnlyWhereCornersDiffer)
{
    datagen::QvxMesh mesh;
    // Positions 0 and 3 are equal; position 1 has two texture coordinates.
    mesh.positions = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 0}, {1, 1, 0}};
    mesh.faces = {{0, 2, 1}, {1, 2, 4}, {3, 2, 1}};
    mesh.texCoords = {{0, 0}, {1, 0}, {0, 1}, {0.5f, 0.5f}, {1, 1}};
    mesh.texFaces = {{0, 2, 1}, {3, 2, 4}, {0, 2, 1}};
    datagen::QvxFrame frame;
    frame.meshes = {mesh};
    Scoped<QvxModel> model;
    ASSERT_TRUE(model.Load(WriteModel("weld.qvx", {frame}).c_str(), nullptr, nullptr));
    const QvxMesh& m = model.frames[0].meshes[0];
    ASSERT_EQ(m.vertices.size(), 6u);
    // Position 1 with uv (0.5, 0.5) was appended: same position and normal.
    const QvxVertex& extra = m.vertices[5];
    EXPECT_EQ(m.indices[3], 5);
    EXPECT_EQ(extra.u0, 0.5f);
    EXPECT_EQ(extra.u1, 0.5f);
    EXPECT_EQ(extra.x, m.vertices[1].x);
    EXPECT_EQ(extra.nz, m.vertices[1].nz);
    // Position 3 keeps its own slot although it equals position 0.
    EXPECT_EQ(m.indices[6], 3);
    EXPECT_EQ(m.indices[8], 1);
}

TEST_F(QvxModelTest, SmallestFileKeepsBothTextureCoordinates)
{
    datagen::QvxMesh mesh;
    mesh.positions = {{-1, -1, 5}, {1, -1, 5}, {0, 1, 5}};
    mesh.faces = {{0, 1, 2}};
    mesh.texCoords = {{0, 0}, {1, 0}, {0.5f, 1}};
    mesh.texFaces = {{0, 1, 2}};
    datagen::QvxFrame frame;
    frame.meshes = {mesh};
    Scoped<QvxModel> model;
    ASSERT_TRUE(model.Load(WriteModel("small.qvx", {frame}).c_str(), nullptr, nullptr));
    const QvxMesh& m = model.frames[0].meshes[0];
    ASSERT_EQ(m.vertices.size(), 3u);
    EXPECT_EQ(m.vertices[2].v0, 1.0f);
    EXPECT_EQ(m.vertices[2].u1, 0.5f);
}

TEST_F(QvxModelTest, TranslucentMaterialBlendsAndRevertsBlending)
{
    UseAmbientLight();
    Scoped<QvxModel> model;
    const GpuMaterial red = Colour(1, 0, 0, 0.5f);
    ASSERT_TRUE(model.Load(WriteCube().c_str(), nullptr, &red));
    EXPECT_TRUE(ColourNear(PixelAfter([&] { model.Render(0, false); }), 0xFF800080u));
    EXPECT_EQ(RenderState(D3DRS_ALPHABLENDENABLE), 0u);
    EXPECT_EQ(StageState(0, D3DTSS_ALPHAOP), uint32_t(D3DTOP_SELECTARG1));

    const GpuMaterial opaque = Colour(1, 0, 0, 1.0f);
    model.Release();
    model.Destroy();
    ASSERT_TRUE(model.Load(TempPath("cube.qvx").c_str(), nullptr, &opaque));
    g_RenderDevice.device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    model.Render(0, false);
    EXPECT_EQ(PixelAt(ReadBackBuffer(), 400, 300), 0xFFFF0000u);
    EXPECT_EQ(RenderState(D3DRS_SRCBLEND), uint32_t(D3DBLEND_ONE));
}

TEST_F(QvxModelTest, FlatColourDrawsBlackOverNearerGeometry)
{
    Scoped<QvxModel> nearCube, farCube;
    datagen::QvxFrame nearFrame, farFrame;
    nearFrame.meshes.push_back(QvxCube(2.0f, {0, 0, 2}));
    farFrame.meshes.push_back(QvxCube(1.0f, {0, 0, 8}));
    ASSERT_TRUE(nearCube.Load(WriteModel("near.qvx", {nearFrame}).c_str(), nullptr, nullptr));
    ASSERT_TRUE(farCube.Load(WriteModel("far.qvx", {farFrame}).c_str(), nullptr, nullptr));
    ClearBackBuffer(BLUE);
    nearCube.Render(0, false);
    farCube.Render(0, false);
    EXPECT_EQ(PixelAt(ReadBackBuffer(), 400, 300), WHITE);
    farCube.Render(0, true);
    const std::vector<uint32_t> pixels = ReadBackBuffer();
    EXPECT_EQ(PixelAt(pixels, 400, 300), BLACK);
    EXPECT_EQ(PixelAt(pixels, 480, 300), WHITE);
    EXPECT_EQ(RenderState(D3DRS_ZENABLE), 1u);
    EXPECT_EQ(StageState(0, D3DTSS_COLORARG1), uint32_t(D3DTA_TEXTURE));
    EXPECT_EQ(StageState(0, D3DTSS_COLOROP), uint32_t(D3DTOP_MODULATE));
}

TEST_F(QvxModelTest, TextureIsBoundOnStageZero)
{
    const std::string texturePath = WriteSolidTexture("green.dds", 0xFF00FF00u);
    datagen::QvxMesh mesh = QvxCube(1.0f, {0, 0, 5});
    mesh.texCoords = {{0, 0}, {1, 1}};
    for (size_t i = 0; i < mesh.faces.size(); ++i)
        mesh.texFaces.push_back({0, 1, 1});
    datagen::QvxFrame frame;
    frame.meshes = {mesh};
    Scoped<QvxModel> model;
    ASSERT_TRUE(model.Load(WriteModel("textured.qvx", {frame}).c_str(), texturePath.c_str(), nullptr));
    EXPECT_EQ(PixelAfter([&] { model.Render(0, false); }), 0xFF00FF00u);
    EXPECT_EQ(g_RenderDevice.currentTexture[0], static_cast<GpuBaseTexture*>(model.texture.texture));

    Scoped<QvxModel> missing;
    EXPECT_FALSE(missing.Load(TempPath("textured.qvx").c_str(), TempPath("none.dds").c_str(), nullptr));
}

TEST_F(QvxModelTest, Dot3AndMaterialOnlyPassesDrawAndRestoreStages)
{
    Scoped<QvxModel> model;
    ASSERT_TRUE(model.Load(WriteCube().c_str(), nullptr, nullptr));
    g_RenderDevice.device->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFFFFFFFFu);
    EXPECT_EQ(PixelAfter([&] { model.RenderDot3(0, false); }), WHITE);
    EXPECT_EQ(StageState(0, D3DTSS_COLOROP), uint32_t(D3DTOP_MODULATE));
    EXPECT_EQ(StageState(0, D3DTSS_COLORARG2), uint32_t(D3DTA_CURRENT));
    EXPECT_EQ(StageState(1, D3DTSS_COLOROP), uint32_t(D3DTOP_DISABLE));
    EXPECT_EQ(StageState(2, D3DTSS_COLORARG1), uint32_t(D3DTA_TEXTURE));
    EXPECT_EQ(RenderState(D3DRS_CULLMODE), uint32_t(D3DCULL_CCW));

    // The material-only pass keeps the caller's stage set-up: select the
    // texture factor, and the cube comes out in its colour.
    ClearBackBuffer(BLUE);
    g_RenderDevice.device->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFFFF0000u);
    g_RenderDevice.device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TFACTOR);
    g_RenderDevice.device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    g_RenderDevice.device->ResetStats();
    model.RenderMaterialOnly(0, false);
    EXPECT_EQ(PixelAt(ReadBackBuffer(), 400, 300), 0xFFFF0000u);
    EXPECT_EQ(g_RenderDevice.device->GetStats().setTextureStageStateCalls, 0u);
    EXPECT_EQ(g_RenderDevice.device->GetStats().setTextureCalls, 0u);
}

TEST_F(QvxModelTest, FramesHaveTheirOwnBoxesAndOutOfRangeFramesAreClamped)
{
    Scoped<QvxModel> model;
    ASSERT_TRUE(model.Load(WriteMovingCube("player.qvx", 61, 1.0f).c_str(), nullptr, nullptr));
    EXPECT_EQ(model.GetFrameCount(), 61);
    const Matrix identity = backend::GpuIdentityMatrix();
    BoundingBox box;
    model.GetFrameBounds(&box, 30, &identity);
    EXPECT_FLOAT_EQ(box.min.x, 29.5f);
    EXPECT_FLOAT_EQ(box.max.x, 30.5f);
    model.GetFrameBounds(&box, 1000, &identity);
    EXPECT_FLOAT_EQ(box.max.x, 60.5f);
    model.GetFrameBounds(&box, -1, &identity);
    EXPECT_FLOAT_EQ(box.min.x, -0.5f);

    // A quarter turn about y: x' = z, z' = -x.
    Matrix turn;
    MatrixRotationY(&turn, float(M_PI) * 0.5f);
    model.GetFrameBounds(&box, 2, &turn);
    EXPECT_NEAR(box.min.x, 4.5f, 1e-5f);
    EXPECT_NEAR(box.max.x, 5.5f, 1e-5f);
    EXPECT_NEAR(box.min.z, -2.5f, 1e-5f);
    EXPECT_NEAR(box.max.z, -1.5f, 1e-5f);

    ClearBackBuffer(BLUE);
    model.Render(-1, false);
    model.Render(61, false);
    const std::vector<uint32_t> pixels = ReadBackBuffer();
    EXPECT_EQ(PixelAt(pixels, 400, 300), WHITE);
}

TEST_F(QvxModelTest, AnimationChoosesTheFrame)
{
    Scoped<QvxModel> model;
    ASSERT_TRUE(model.Load(WriteMovingCube("anim.qvx", 4, 0.5f).c_str(), nullptr, nullptr));
    const std::string animation = WriteBytes("anim.dat", datagen::EncodeFrameAnimation({{"spin", 0, 3, 1.0f}}));
    ASSERT_TRUE(model.LoadAnimation(animation.c_str()));
    EXPECT_TRUE(model.Animate("spin", 1, -1.0f));
    EXPECT_TRUE(model.Animate("spin", 1, -1.0f));
    EXPECT_EQ(model.GetAnimationFrame("spin"), 2);
    EXPECT_FALSE(model.Animate("jump", 1, -1.0f));
    EXPECT_EQ(model.GetAnimationFrame("jump"), -1);
    ClearBackBuffer(BLUE);
    model.Render(model.GetAnimationFrame("spin"), false);
    const std::vector<uint32_t> pixels = ReadBackBuffer();
    EXPECT_EQ(PixelAt(pixels, 600, 300), WHITE);
    EXPECT_EQ(PixelAt(pixels, 400, 300), BLUE);
}

TEST_F(QvxModelTest, ReleaseAndRestoreRebuildEveryBuffer)
{
    std::vector<datagen::QvxFrame> frames(3);
    for (auto& frame : frames) {
        frame.meshes.push_back(QvxCube(1.0f, {0, 0, 5}));
        frame.meshes.push_back(QvxCube(0.5f, {2, 0, 5}));
    }
    QvxModel model;
    ASSERT_TRUE(model.Load(WriteModel("multi.qvx", frames).c_str(), nullptr, nullptr));
    GpuDevice* device = g_RenderDevice.device;
    const uint32_t live = device->GetLiveResourceCount();
    model.Release();
    for (const QvxFrame& frame : model.frames) {
        for (const QvxMesh& mesh : frame.meshes) {
            EXPECT_EQ(mesh.vertexBuffer, nullptr);
            EXPECT_EQ(mesh.indexBuffer, nullptr);
        }
    }
    EXPECT_EQ(device->GetLiveResourceCount(), live - 12);
    ASSERT_TRUE(ResetDevice());
    ASSERT_TRUE(model.Restore());
    EXPECT_EQ(device->GetLiveResourceCount(), live);
    EXPECT_EQ(PixelAfter([&] { model.Render(2, false); }), WHITE);
    model.Release();
    model.Destroy();
    EXPECT_TRUE(model.frames.empty());
    EXPECT_EQ(model.GetFrameCount(), 0);
}

TEST_F(QvxModelTest, LifeCycleLogsOnlyForLoadedModels)
{
    LogCapture log;
    QvxModel empty;
    empty.Release();
    empty.Destroy();
    EXPECT_EQ(log.text.str(), "");
    QvxModel model;
    ASSERT_TRUE(model.Load(WriteCube().c_str(), nullptr, nullptr));
    model.Release();
    model.Restore();
    model.Release();
    model.Destroy();
    const std::string path = TempPath("cube.qvx");
    EXPECT_EQ(log.text.str(), "\nLoading .qvx model \"" + path + "\"...\nReleasing .qvx model \"" + path +
                                  "\"...\nRestoring .qvx model \"" + path + "\"...\nReleasing .qvx model \"" + path +
                                  "\"...\nDestroying .qvx model \"" + path + "\"...");
}

#include "ModelTestDevice.h"
#include "ModelTestShapes.h"

#include "backend/gpu/GpuStateBlock.h"

#include "backend/gpu/GpuDevice.h"
#include "backend/gpu/GpuVertexBuffer.h"
#include "backend/math/MatrixMath.h"
#include "engine/models/Md2Model.h"
#include "engine/models/Md2Reader.h"
#include "engine/platform/BoundingBox.h"
#include "engine/platform/Log.h"
#include "engine/platform/RenderDevice.h"

#include <cstring>

using namespace backend;

namespace {

class Md2ModelTest : public ModelDeviceTest {
protected:
    std::string Write(const std::string& file, const datagen::Md2Model& model)
    {
        return WriteBytes(file, datagen::EncodeMd2(model));
    }
    void LookAtTriangle()
    {
        Matrix world;
        MatrixTranslation(&world, 0.0f, 0.0f, 5.0f);
        g_RenderDevice.device->SetTransform(D3DTS_WORLD, &world);
    }
};

} // namespace

TEST_F(Md2ModelTest, TriangleIsStoredReversedWithScaledTextureCoordinates)
{
    Scoped<Md2Model> model;
    ASSERT_TRUE(model.Load(Write("tri.md2", Md2TestTriangle(3)).c_str(), nullptr));
    EXPECT_EQ(model.GetFrameCount(), 3);
    EXPECT_EQ(model.frames.size(), size_t(MD2_MAX_FRAMES));
    const std::vector<Md2Vertex>& v = model.frames[0].vertices;
    ASSERT_EQ(v.size(), 3u);
    // Corners c, b, a of the file's triangle.
    EXPECT_FLOAT_EQ(v[0].x, 0.0f);
    EXPECT_FLOAT_EQ(v[0].y, 1.0f);
    EXPECT_FLOAT_EQ(v[1].x, 1.0f);
    EXPECT_FLOAT_EQ(v[1].y, -1.0f);
    EXPECT_FLOAT_EQ(v[2].x, -1.0f);
    // u = s / 128 (the largest s), v = t / 100, whatever the skin size.
    EXPECT_FLOAT_EQ(v[0].u, 0.5f);
    EXPECT_FLOAT_EQ(v[0].v, 1.0f);
    EXPECT_FLOAT_EQ(v[1].u, 1.0f);
    EXPECT_FLOAT_EQ(v[2].u, 0.0f);
    // Frame 2 is moved by 2 along x.
    EXPECT_FLOAT_EQ(model.frames[2].vertices[2].x, 1.0f);
    EXPECT_EQ(model.material.Diffuse.a, 0.0f);
}

TEST_F(Md2ModelTest, NormalsFaceTheDrawnSide)
{
    Scoped<Md2Model> model;
    ASSERT_TRUE(model.Load(Write("tri.md2", Md2TestTriangle()).c_str(), nullptr));
    for (const Md2Vertex& v : model.frames[0].vertices) {
        EXPECT_NEAR(v.nx, 0.0f, 1e-6f);
        EXPECT_NEAR(v.nz, -1.0f, 1e-6f);
    }
    // Lit from behind the camera, the drawn side is bright.
    LookAtTriangle();
    GpuLight light;
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {1, 1, 1, 1};
    light.Direction = {0, 0, 1};
    g_RenderDevice.device->SetLight(0, &light);
    g_RenderDevice.device->LightEnable(0, true);
    g_RenderDevice.device->SetRenderState(D3DRS_LIGHTING, 1);
    EXPECT_EQ(PixelAfter([&] { model.Render(0, false); }, 400, 320), WHITE);
}

TEST_F(Md2ModelTest, DrawsOneFrameAndFlatColourBlack)
{
    Scoped<Md2Model> model;
    ASSERT_TRUE(model.Load(Write("tri.md2", Md2TestTriangle(2)).c_str(), nullptr));
    LookAtTriangle();
    ClearBackBuffer(BLUE);
    g_RenderDevice.primitiveCount = 0;
    model.Render(1, false);
    EXPECT_EQ(g_RenderDevice.primitiveCount, 1u);
    std::vector<uint32_t> pixels = ReadBackBuffer();
    EXPECT_EQ(PixelAt(pixels, 500, 320), WHITE);
    EXPECT_EQ(PixelAt(pixels, 330, 320), BLUE);

    model.Render(0, true);
    pixels = ReadBackBuffer();
    EXPECT_EQ(PixelAt(pixels, 400, 320), 0xFF000000u);
    EXPECT_EQ(RenderState(D3DRS_ZENABLE), 1u);
    EXPECT_EQ(StageState(0, D3DTSS_COLORARG1), uint32_t(D3DTA_TEXTURE));

    EXPECT_EQ(PixelAfter(
                  [&] {
                      g_RenderDevice.device->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFFFFFFFFu);
                      model.RenderDot3(0, false);
                  },
                  400, 320),
              WHITE);
    EXPECT_EQ(StageState(0, D3DTSS_COLOROP), uint32_t(D3DTOP_MODULATE));
    EXPECT_EQ(StageState(1, D3DTSS_COLOROP), uint32_t(D3DTOP_DISABLE));
}

TEST_F(Md2ModelTest, NormalIndexBytesChangeNothingAndEqualFramesGiveEqualBuffers)
{
    datagen::Md2Model file = Md2TestTriangle(2);
    file.frames[1] = file.frames[0];
    for (auto& vertex : file.frames[1].vertices)
        vertex[3] = 150;
    Scoped<Md2Model> model;
    ASSERT_TRUE(model.Load(Write("same.md2", file).c_str(), nullptr));
    GpuVertexBuffer* a = model.frames[0].vertexBuffer;
    GpuVertexBuffer* b = model.frames[1].vertexBuffer;
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    ASSERT_EQ(a->GetSize(), 96u);
    EXPECT_EQ(std::memcmp(a->Bytes(), b->Bytes(), a->GetSize()), 0);
}

TEST_F(Md2ModelTest, BoundsAndAnimationFollowTheFrames)
{
    Scoped<Md2Model> model;
    ASSERT_TRUE(model.Load(Write("tri.md2", Md2TestTriangle(3)).c_str(), nullptr));
    const Matrix identity = backend::GpuIdentityMatrix();
    BoundingBox box;
    model.GetFrameBounds(&box, 2, &identity);
    EXPECT_FLOAT_EQ(box.min.x, 1.0f);
    EXPECT_FLOAT_EQ(box.max.x, 3.0f);
    EXPECT_FLOAT_EQ(box.max.y, 1.0f);
    model.GetFrameBounds(&box, 7, &identity);
    EXPECT_FLOAT_EQ(box.max.x, 3.0f);
    EXPECT_FALSE(model.Animate("walk", 1, -1.0f));
    model.animations.AddAnimation("walk", 0, 2, 1.0f);
    EXPECT_TRUE(model.Animate("walk", 1, -1.0f));
    EXPECT_EQ(model.GetAnimationFrame("walk"), 1);
}

TEST_F(Md2ModelTest, DefaultPoolBuffersAreReleasedBeforeReset)
{
    Md2Model model;
    ASSERT_TRUE(model.Load(Write("tri.md2", Md2TestTriangle(4)).c_str(), nullptr));
    GpuDevice* device = g_RenderDevice.device;
    EXPECT_EQ(device->GetLiveDefaultPoolCount(), 4u);
    EXPECT_TRUE(GpuFailed(device->Reset(&g_RenderDevice.presentParameters)));
    model.Release();
    EXPECT_EQ(device->GetLiveDefaultPoolCount(), 0u);
    ASSERT_TRUE(ResetDevice());
    ASSERT_TRUE(model.Restore());
    EXPECT_EQ(device->GetLiveDefaultPoolCount(), 4u);
    LookAtTriangle();
    EXPECT_EQ(PixelAfter([&] { model.Render(0, false); }, 400, 320), WHITE);
    model.Release();
    model.Destroy();
    EXPECT_EQ(device->GetLiveDefaultPoolCount(), 0u);
}

#include "RenderTestDevice.h"

#include "backend/gpu/GpuDevice.h"
#include "backend/gpu/GpuTexture.h"
#include "backend/gpu/GpuVertexBuffer.h"
#include "backend/math/MatrixMath.h"
#include "engine/platform/Log.h"
#include "engine/platform/RenderDevice.h"
#include "engine/platform/VertexImage.h"

using namespace backend;

namespace {

constexpr float FULL_UV[4] = {0.0f, 0.0f, 1.0f, 1.0f};

Matrix WorldTransform()
{
    Matrix world;
    g_RenderDevice.device->GetTransform(D3DTS_WORLD, &world);
    return world;
}

// Counts the pixels of each colour inside and outside a rectangle.
struct Coverage {
    int insideMatching = 0, insideOther = 0, outsideMatching = 0, outsideOther = 0;
};

Coverage Measure(const std::vector<uint32_t>& pixels, uint32_t colour, int right, int bottom)
{
    Coverage result;
    for (int y = 0; y < 600; ++y) {
        for (int x = 0; x < 800; ++x) {
            const bool inside = x < right && y < bottom;
            const bool matching = (pixels[size_t(y) * 800 + x] & 0xFFFFFF) == (colour & 0xFFFFFF);
            (inside ? (matching ? result.insideMatching : result.insideOther)
                    : (matching ? result.outsideMatching : result.outsideOther))++;
        }
    }
    return result;
}

} // namespace

// A screen-sized quad and a small one at the origin cover exactly their pixels.
TEST_F(RenderDeviceTest, VertexImageAtTheOriginCoversExactlyItsPixels)
{
    ASSERT_TRUE(OpenDevice());
    struct Case {
        float width, height;
        uint32_t colour;
        float worldX, worldY;
    };
    for (const Case& c :
         {Case{800.0f, 600.0f, 0xFFFF0000u, 0.0f, 0.0f}, Case{100.0f, 50.0f, 0xFF00FF00u, -350.0f, 275.0f}}) {
        VertexImage image;
        ASSERT_TRUE(image.Load(nullptr, c.width, c.height, c.colour, FULL_UV));
        EXPECT_EQ(image.mode, VERTEXIMAGE_TEXTURE_NONE);
        ClearBackBuffer(0xFF000000u);
        g_RenderDevice.device->BeginScene();
        g_RenderDevice.Begin2D(800.0f, 600.0f);
        image.SetPosition(0.0f, 0.0f, 0);
        const Matrix world = WorldTransform();
        EXPECT_FLOAT_EQ(world.m[3][0], c.worldX);
        EXPECT_FLOAT_EQ(world.m[3][1], c.worldY);
        EXPECT_FLOAT_EQ(world.m[3][2], 0.0f);
        image.Render();
        g_RenderDevice.device->EndScene();
        const Coverage coverage = Measure(ReadBackBuffer(), c.colour, int(c.width), int(c.height));
        EXPECT_EQ(coverage.insideMatching, int(c.width * c.height)) << c.width;
        EXPECT_EQ(coverage.outsideMatching, 0) << c.width;
        image.Release();
    }
}

TEST_F(RenderDeviceTest, VertexImageTextureShowsUprightTimesColour)
{
    ASSERT_TRUE(OpenDevice());
    // 2 x 2 texels: red, green on top; blue, white below.
    const std::string path = WriteTexture("Quads.dds", 2, 2, {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFFFFu});
    VertexImage image;
    ASSERT_TRUE(image.Load(path.c_str(), 200.0f, 100.0f, 0xFFFFFFFFu, FULL_UV));
    EXPECT_EQ(image.mode, VERTEXIMAGE_TEXTURE_OWN);
    EXPECT_EQ(image.texture, image.ownTexture.texture);

    ClearBackBuffer(0xFF000000u);
    g_RenderDevice.device->BeginScene();
    g_RenderDevice.Begin2D(800.0f, 600.0f);
    image.SetPosition(300.0f, 200.0f, 0);
    image.Render();
    // The same picture tinted: the vertex colour multiplies the texels.
    image.colour = 0xFF808080u;
    ASSERT_TRUE(image.UpdateVertices());
    image.SetPosition(300.0f, 400.0f, 0);
    image.Render();
    g_RenderDevice.device->EndScene();
    const std::vector<uint32_t> pixels = ReadBackBuffer();
    EXPECT_EQ(PixelAt(pixels, 320, 210) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(PixelAt(pixels, 480, 210) & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(PixelAt(pixels, 320, 290) & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(PixelAt(pixels, 480, 290) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(PixelAt(pixels, 299, 250) & 0xFFFFFF, 0u);
    EXPECT_EQ(PixelAt(pixels, 500, 250) & 0xFFFFFF, 0u);
    const uint32_t tinted = PixelAt(pixels, 480, 490);
    EXPECT_NEAR(int((tinted >> 16) & 0xFF), 0x80, 2);
    EXPECT_NEAR(int(tinted & 0xFF), 0x80, 2);
    // Render leaves stage 0 unbound and its two states as they were.
    EXPECT_EQ(g_RenderDevice.currentTexture[0], nullptr);
    EXPECT_EQ(RenderState(D3DRS_LIGHTING), 0u); // as Begin2D left it
    image.Release();
}

TEST_F(RenderDeviceTest, VertexImagePlacementByCorner)
{
    ASSERT_TRUE(OpenDevice());
    VertexImage image;
    ASSERT_TRUE(image.Load(nullptr, 100.0f, 50.0f, 0x80112233u, FULL_UV));

    image.SetPosition(0.0f, 0.0f, 1);
    EXPECT_FLOAT_EQ(WorldTransform().m[3][0], 0.0f);
    EXPECT_FLOAT_EQ(WorldTransform().m[3][1], 275.0f);
    image.SetPosition(10.0f, 20.0f, 3);
    EXPECT_FLOAT_EQ(WorldTransform().m[3][0], 10.0f);
    EXPECT_FLOAT_EQ(WorldTransform().m[3][1], -20.0f);
    image.SetPosition(700.0f, 550.0f, 2);
    EXPECT_FLOAT_EQ(WorldTransform().m[3][0], 350.0f);
    EXPECT_FLOAT_EQ(WorldTransform().m[3][1], -550.0f);
    image.Release();
}

TEST_F(RenderDeviceTest, VertexImageTextureModesAndLifeCycle)
{
    ASSERT_TRUE(OpenDevice());
    const std::string path = WriteSolidTexture("White.dds", 0xFFFFFFFFu);
    VertexImage image;
    EXPECT_EQ(image.mode, 0);

    // A missing picture still leaves a usable untextured image, but fails.
    EXPECT_FALSE(image.Load(TempPath("Missing.dds").c_str(), 10, 10, 0xFFFFFFFFu, FULL_UV));
    EXPECT_EQ(image.mode, VERTEXIMAGE_TEXTURE_NONE);
    EXPECT_EQ(image.texture, nullptr);
    EXPECT_NE(image.vertexBuffer, nullptr);

    ASSERT_TRUE(image.LoadTexture(path.c_str()));
    EXPECT_EQ(image.mode, VERTEXIMAGE_TEXTURE_OWN);
    GpuTexture* external = image.ownTexture.texture;
    external->AddRef();
    image.SetTexture(external);
    EXPECT_EQ(image.mode, VERTEXIMAGE_TEXTURE_EXTERNAL);
    EXPECT_EQ(image.texture, external);
    EXPECT_EQ(image.ownTexture.texture, nullptr);
    EXPECT_EQ(external->GetRefCount(), 1u);

    ASSERT_TRUE(image.LoadTexture(path.c_str()));
    {
        LogCapture log;
        image.Release();
        image.Release();
        EXPECT_EQ(log.text.str(), "\nReleasing vertex image...\nReleasing texture \"" + path + "\"...");
    }
    EXPECT_EQ(image.vertexBuffer, nullptr);
    EXPECT_EQ(image.texture, nullptr);
    ASSERT_TRUE(image.Restore());
    EXPECT_NE(image.vertexBuffer, nullptr);
    EXPECT_NE(image.texture, nullptr);
    EXPECT_EQ(image.texture, image.ownTexture.texture);

    // A texture restored before a buffer that could not be made is still let go.
    image.Release();
    ASSERT_TRUE(image.ownTexture.Restore());
    g_RenderDevice.device->FailNext(GpuDeviceFault::CreateResource);
    EXPECT_FALSE(image.CreateVertexBuffer());
    EXPECT_EQ(image.vertexBuffer, nullptr);
    image.Release();
    EXPECT_EQ(image.ownTexture.texture, nullptr);
    external->Release();
}

TEST_F(RenderDeviceTest, VertexImageRenderGoesThroughTheDeviceCaches)
{
    ASSERT_TRUE(OpenDevice());
    RenderDevice& rd = g_RenderDevice;
    const std::string path = WriteSolidTexture("Grey.dds", 0xFF808080u);
    VertexImage textured, plain;
    ASSERT_TRUE(textured.Load(path.c_str(), 100.0f, 50.0f, 0xFFFFFFFFu, FULL_UV));
    ASSERT_TRUE(plain.Load(nullptr, 100.0f, 50.0f, 0xFFFFFFFFu, FULL_UV));

    rd.device->BeginScene();
    rd.Begin2D(800.0f, 600.0f);
    rd.device->ResetStats();
    rd.primitiveCount = 0;
    textured.Render();
    textured.Render();
    plain.Render();
    // The vertex format reaches the device once; the texture is bound and let go
    // around each textured draw, and the plain image finds stage 0 empty already.
    EXPECT_EQ(rd.device->GetStats().setVertexShaderCalls, 1u);
    EXPECT_EQ(rd.device->GetStats().setTextureCalls, 4u);
    EXPECT_EQ(rd.currentVertexShader, VERTEXIMAGE_FVF);
    EXPECT_EQ(rd.currentTexture[0], nullptr);
    EXPECT_EQ(rd.device->GetStats().drawCalls, 3u);
    EXPECT_EQ(rd.primitiveCount, 6u);

    // After a cache reset the format is set again even though the device has it.
    rd.ResetStateCache();
    rd.device->ResetStats();
    plain.Render();
    plain.Render();
    EXPECT_EQ(rd.device->GetStats().setVertexShaderCalls, 1u);
    EXPECT_EQ(rd.device->GetStats().setTextureCalls, 0u);

    // A stale texture left in the cache by another renderer is unbound first.
    rd.SetTexture(0, textured.texture);
    rd.device->ResetStats();
    plain.Render();
    EXPECT_EQ(rd.device->GetStats().setTextureCalls, 1u);
    EXPECT_EQ(rd.currentTexture[0], nullptr);
    GpuBaseTexture* bound = nullptr;
    rd.device->GetTexture(0, &bound);
    EXPECT_EQ(bound, nullptr);
    rd.device->EndScene();

    textured.Release();
    plain.Release();
}

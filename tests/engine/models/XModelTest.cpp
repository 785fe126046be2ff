#include "ModelTestDevice.h"
#include "ModelTestShapes.h"

#include "backend/gpu/GpuDevice.h"
#include "backend/gpu/GpuTexture.h"
#include "backend/math/MatrixMath.h"
#include "engine/models/XModel.h"
#include "engine/platform/BoundingBox.h"
#include "engine/platform/Log.h"
#include "engine/platform/RenderDevice.h"

#include <filesystem>
#include <sstream>

using namespace backend;

namespace {

class XModelTest : public ModelDeviceTest {
protected:
    // A translucent green quad at depth 4 (material 0, first in the file)
    // in front of an opaque red one at depth 6 (material 1).
    std::string WriteLayers()
    {
        datagen::XModel model;
        datagen::XMesh front = XQuad(-1, -1, 1, 1, 4);
        front.faceMaterials = {0};
        front.materials = {XColour(0, 1, 0, 0.5f)};
        datagen::XMesh back = XQuad(-2, -2, 2, 2, 6);
        back.faceMaterials = {0};
        back.materials = {XColour(1, 0, 0, 1)};
        model.meshes = {front, back};
        return WriteText("layers.x", datagen::EncodeXFile(model));
    }
    std::string WriteCube()
    {
        datagen::XModel model;
        datagen::XFrame frame;
        frame.hasTransform = true;
        frame.transform[14] = 5.0f;
        frame.meshes = {XCube()};
        model.frames = {frame};
        return WriteText("cube.x", datagen::EncodeXFile(model));
    }
};

} // namespace

TEST_F(XModelTest, OpaqueSubsetsDrawBeforeTranslucentOnes)
{
    UseAmbientLight();
    Scoped<XModel> model;
    ASSERT_TRUE(model.Load(WriteLayers().c_str(), "", true));
    EXPECT_EQ(model.faceCount, 4u);
    EXPECT_EQ(model.materialCount, 2u);
    // Ambient takes the diffuse colour.
    EXPECT_FLOAT_EQ(model.materials[0].Ambient.g, 1.0f);
    EXPECT_FLOAT_EQ(model.materials[0].Ambient.a, 0.5f);
    ClearBackBuffer(BLUE);
    // Translucency reaches the pixels through stage 0's alpha, set by the caller.
    g_RenderDevice.device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    g_RenderDevice.primitiveCount = 0;
    model.Render(0, false);
    EXPECT_EQ(g_RenderDevice.primitiveCount, 4u);
    const std::vector<uint32_t> pixels = ReadBackBuffer();
    // Green over red in the middle, red alone around it.
    EXPECT_TRUE(ColourNear(PixelAt(pixels, 400, 300), 0xFF808000u));
    EXPECT_EQ(PixelAt(pixels, 550, 300), 0xFFFF0000u);
    EXPECT_EQ(PixelAt(pixels, 700, 300), BLUE);
    EXPECT_EQ(RenderState(D3DRS_ALPHABLENDENABLE), 0u);
    EXPECT_EQ(RenderState(D3DRS_CULLMODE), uint32_t(D3DCULL_CCW));
    EXPECT_EQ(StageState(0, D3DTSS_COLOROP), uint32_t(D3DTOP_MODULATE));
    EXPECT_EQ(StageState(0, D3DTSS_COLORARG1), uint32_t(D3DTA_TEXTURE));
}

TEST_F(XModelTest, CubeReportsOneFrameAndItsBox)
{
    Scoped<XModel> model;
    ASSERT_TRUE(model.Load(WriteCube().c_str(), "", true));
    EXPECT_EQ(model.faceCount, 12u);
    EXPECT_EQ(model.GetFrameCount(), 1);
    EXPECT_EQ(model.GetAnimationFrame("any"), 0);
    EXPECT_TRUE(model.Animate("any", 1, -1.0f));
    Matrix world;
    MatrixTranslation(&world, 1.0f, 0.0f, 0.0f);
    BoundingBox box, other;
    model.GetFrameBounds(&box, 0, &world);
    model.GetFrameBounds(&other, 17, &world);
    EXPECT_FLOAT_EQ(box.min.x, 0.5f);
    EXPECT_FLOAT_EQ(box.max.x, 1.5f);
    EXPECT_FLOAT_EQ(box.min.z, 4.5f);
    EXPECT_FLOAT_EQ(box.max.z, 5.5f);
    EXPECT_EQ(other.min.x, box.min.x);
    EXPECT_EQ(other.max.z, box.max.z);

    ClearBackBuffer(BLUE);
    model.Render(0, false);
    std::vector<uint32_t> pixels = ReadBackBuffer();
    EXPECT_EQ(PixelAt(pixels, 400, 300), 0xFFFFFFFFu);
    EXPECT_EQ(PixelAt(pixels, 470, 300), BLUE);

    model.Render(0, true);
    EXPECT_EQ(PixelAt(ReadBackBuffer(), 400, 300), 0xFF000000u);
    EXPECT_EQ(RenderState(D3DRS_ZENABLE), 1u);

    g_RenderDevice.device->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFFFFFFFFu);
    EXPECT_EQ(PixelAfter([&] { model.RenderDot3(0, false); }), 0xFFFFFFFFu);
    EXPECT_EQ(StageState(0, D3DTSS_COLORARG2), uint32_t(D3DTA_CURRENT));
    EXPECT_EQ(StageState(2, D3DTSS_COLOROP), uint32_t(D3DTOP_DISABLE));
}

TEST_F(XModelTest, SkippedTexturesLeaveTheCallersTexture)
{
    WriteSolidTexture("magenta.dds", 0xFFFF00FFu);
    const std::string cyan = WriteSolidTexture("cyan.dds", 0xFF00FFFFu);
    datagen::XModel file;
    datagen::XMesh quad = XQuad(-1, -1, 1, 1, 5);
    quad.texCoords = {{0, 0}, {0, 1}, {1, 1}, {1, 0}};
    quad.faceMaterials = {0};
    quad.materials = {XColour(1, 1, 1, 1)};
    quad.materials[0].textureFile = "magenta.dds";
    file.meshes = {quad};
    const std::string path = WriteText("textured.x", datagen::EncodeXFile(file));

    Texture callers;
    ASSERT_TRUE(callers.Load(cyan.c_str()));
    Scoped<XModel> skipping;
    ASSERT_TRUE(skipping.Load(path.c_str(), "", true));
    EXPECT_TRUE(skipping.textures.empty());
    g_RenderDevice.SetTexture(0, callers.texture);
    EXPECT_EQ(PixelAfter([&] { skipping.Render(0, false); }), 0xFF00FFFFu);

    Scoped<XModel> own;
    ASSERT_TRUE(own.Load(path.c_str(), (tempDirectory + "/").c_str(), false));
    ASSERT_EQ(own.textures.size(), 1u);
    EXPECT_NE(own.textures[0].texture, nullptr);
    EXPECT_EQ(PixelAfter([&] { own.Render(0, false); }), 0xFFFF00FFu);

    // Device loss: textures and mesh go, and come back.
    own.Release();
    EXPECT_EQ(own.mesh, nullptr);
    EXPECT_EQ(own.textures[0].texture, nullptr);
    ASSERT_TRUE(own.Restore());
    EXPECT_NE(own.textures[0].texture, nullptr);
    EXPECT_EQ(PixelAfter([&] { own.Render(0, false); }), 0xFFFF00FFu);
    g_RenderDevice.SetTexture(0, nullptr);
    callers.Release();
}

TEST_F(XModelTest, RestoreReloadsTheMeshAndKeepsTheMaterials)
{
    UseAmbientLight();
    XModel model;
    ASSERT_TRUE(model.Load(WriteLayers().c_str(), "", true));
    GpuDevice* device = g_RenderDevice.device;
    const uint32_t live = device->GetLiveResourceCount();
    model.Release();
    EXPECT_EQ(device->GetLiveResourceCount(), live - 2);
    model.Render(0, false);
    ASSERT_TRUE(ResetDevice());
    UseAmbientLight();
    ASSERT_TRUE(model.Restore());
    EXPECT_EQ(device->GetLiveResourceCount(), live);
    EXPECT_EQ(model.materialCount, 2u);
    EXPECT_EQ(PixelAfter([&] { model.Render(0, false); }, 550, 300), 0xFFFF0000u);
    model.Release();
    model.Destroy();
    EXPECT_TRUE(model.materials.empty());
}

TEST_F(XModelTest, BadFilesAreRefused)
{
    const std::vector<std::string> paths = {
        TempPath("missing.x"),
        WriteText("braces.x", "xof 0303txt 0032\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; ")};
    for (const std::string& path : paths) {
        g_LastError.clear();
        Scoped<XModel> model;
        EXPECT_FALSE(model.Load(path.c_str(), "", true)) << path;
        EXPECT_EQ(g_LastError, "Error loading X file!");
        EXPECT_EQ(model.mesh, nullptr);
        EXPECT_EQ(model.name[0], 0);
    }
}

// A material's texture name comes from the file: one that climbs out of the
// texture folder (or is rooted) leaves its subset untextured, even when the
// file it names is there.
TEST_F(XModelTest, TextureNamesThatLeaveTheTextureFolderAreRefused)
{
    const std::string magenta = WriteSolidTexture("magenta.dds", 0xFFFF00FFu);
    std::filesystem::create_directories(tempDirectory + "/Textures");
    datagen::XMesh quad = XQuad(-1, -1, 1, 1, 5);
    quad.faces = {{0, 1, 2}, {0, 2, 3}};
    quad.texCoords = {{0, 0}, {0, 1}, {1, 1}, {1, 0}};
    quad.faceMaterials = {0, 1};
    quad.materials = {XColour(1, 1, 1, 1), XColour(1, 1, 1, 1)};
    quad.materials[0].textureFile = "../magenta.dds";
    quad.materials[1].textureFile = magenta;
    datagen::XModel file;
    file.meshes = {quad};
    const std::string path = WriteText("climbing.x", datagen::EncodeXFile(file));

    LogCapture log;
    Scoped<XModel> model;
    ASSERT_TRUE(model.Load(path.c_str(), (tempDirectory + "/Textures/").c_str(), false));
    ASSERT_EQ(model.textures.size(), 2u);
    EXPECT_EQ(model.textures[0].texture, nullptr);
    EXPECT_EQ(model.textures[1].texture, nullptr);
    const std::string text = log.text.str();
    EXPECT_NE(text.find("Texture name \"../magenta.dds\" refused"), std::string::npos) << text;
    EXPECT_NE(text.find("Texture name \"" + magenta + "\" refused"), std::string::npos) << text;
}

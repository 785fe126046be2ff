#include "SceneTestFixture.h"

#include "backend/gpu/GpuDevice.h"
#include "backend/gpu/GpuVertexBuffer.h"
#include "backend/math/MatrixMath.h"
#include "backend/math/Vector.h"
#include "datagen/writers/DdsWriter.h"
#include "datagen/writers/FileWriter.h"
#include "engine/platform/Log.h"
#include "engine/platform/RenderDevice.h"
#include "engine/scene/CubeEnvironmentMap.h"
#include "engine/scene/SceneVertex.h"
#include "engine/scene/Skybox.h"
#include "engine/scene/TerrainVertex.h"

using namespace backend;

namespace {

// Front, back, left, right, top, bottom.
constexpr uint32_t FACE_COLOURS[6] = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFF00u, 0xFFFF00FFu, 0xFF00FFFFu};
const char* const FACE_NAMES[6] = {"Front.dds", "Back.dds", "Left.dds", "Right.dds", "Up.dds", "Down.dds"};

// The cube map's faces in file order +x, -x, +y, -y, +z, -z.
constexpr uint32_t CUBE_COLOURS[6] = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFF00u, 0xFFFF00FFu, 0xFF00FFFFu};

class SkyboxTest : public OpenedSceneTest {
protected:
    bool CreateSky(bool hasBottom, float verticalLag = 0.0f)
    {
        std::string files[6];
        for (int i = 0; i < 6; ++i)
            files[i] = WriteSolidTexture(FACE_NAMES[i], FACE_COLOURS[i], 8);
        return sky.Create(files[0].c_str(), files[1].c_str(), files[2].c_str(), files[3].c_str(), files[4].c_str(),
                          files[5].c_str(), 0xFFFFFFFFu, 200.0f, 8.0f, verticalLag, hasBottom);
    }

    // The cube map of CUBE_COLOURS, faces of size x size.
    bool LoadEnvironmentMap(uint32_t size, bool mips)
    {
        datagen::RgbaImage faces[6];
        for (int i = 0; i < 6; ++i)
            faces[i] = datagen::RgbaImage(size, size, CUBE_COLOURS[i]);
        const std::string path = TempPath("EnvMap.dds");
        return datagen::WriteFileBytes(path, datagen::EncodeCubeDds(faces, datagen::DdsFormat::A8R8G8B8, mips)) &&
               cube.Load(path.c_str());
    }

    void TearDown() override
    {
        sky.Release();
        cube.Release();
        SceneTest::TearDown();
    }

    Skybox sky;
    CubeEnvironmentMap cube;
};

} // namespace

TEST_F(SkyboxTest, EachDirectionShowsItsFace)
{
    ASSERT_TRUE(CreateSky(true));
    struct View {
        Vector3 angles;
        int face;
    };
    const View views[] = {
        {{0, 0, 0}, SKYBOX_FRONT},
        {{0, SCENE_PI / 2, 0}, SKYBOX_RIGHT},
        {{0, -SCENE_PI / 2, 0}, SKYBOX_LEFT},
        {{SCENE_PI / 2, 0, 0}, SKYBOX_TOP},
        {{-SCENE_PI / 2, 0, 0}, SKYBOX_BOTTOM},
        {{0, SCENE_PI, 0}, SKYBOX_BACK},
    };
    for (const View& view : views) {
        Camera camera = UseCamera({3.0f, 40.0f, -7.0f}, view.angles);
        const std::vector<uint32_t> pixels = DrawFrame([&] { sky.Render(&camera); }, 0xFF808080u);
        EXPECT_TRUE(ColourNear(PixelAt(pixels, 400, 300), FACE_COLOURS[view.face], 2))
            << "face " << view.face << ": " << std::hex << PixelAt(pixels, 400, 300);
        EXPECT_TRUE(ColourNear(PixelAt(pixels, 20, 20), FACE_COLOURS[view.face], 2) || view.face == SKYBOX_TOP ||
                    view.face == SKYBOX_BOTTOM);
    }
}

TEST_F(SkyboxTest, VerticesAreInsetHalfATexelAndFacesSeenFromInside)
{
    ASSERT_TRUE(CreateSky(true));
    ASSERT_EQ(sky.vertexBuffer->GetSize(), 576u);
    const SceneVertex* v = reinterpret_cast<const SceneVertex*>(sky.vertexBuffer->Bytes());
    const float t0 = 0.5f / 8.0f;
    // Front face: first vertex at (-h, -h, +h) with (t0, 1 - t0).
    EXPECT_EQ(v[0].x, -100.0f);
    EXPECT_EQ(v[0].z, 100.0f);
    EXPECT_FLOAT_EQ(v[0].u, t0);
    EXPECT_FLOAT_EQ(v[0].v, 1.0f - t0);
    EXPECT_FLOAT_EQ(v[3].u, 1.0f - t0);
    EXPECT_FLOAT_EQ(v[3].v, t0);
    for (int face = 0; face < 6; ++face) {
        // Every face winds the same way seen from the centre (clockwise on
        // the screen): (p1 - p0) x (p2 - p0) points back toward the centre.
        const SceneVertex& p0 = v[face * 4];
        const SceneVertex& p1 = v[face * 4 + 1];
        const SceneVertex& p2 = v[face * 4 + 2];
        const Vector3 a = {p1.x - p0.x, p1.y - p0.y, p1.z - p0.z};
        const Vector3 b = {p2.x - p0.x, p2.y - p0.y, p2.z - p0.z};
        const Vector3 n = {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
        const float outward = n.x * p0.x + n.y * p0.y + n.z * p0.z;
        EXPECT_LT(outward, 0.0f) << "face " << face;
        EXPECT_EQ(p0.colour, 0xFFFFFFFFu);
    }
}

TEST_F(SkyboxTest, WithoutBottomFiveFacesLagAndStatesReverted)
{
    ASSERT_TRUE(CreateSky(false, 1.0f));
    Camera camera = UseCamera({5.0f, 350.0f, 2.0f}, {0, 0, 0});
    g_RenderDevice.primitiveCount = 0;
    g_RenderDevice.device->ResetStats();
    sky.Render(&camera);
    EXPECT_EQ(g_RenderDevice.primitiveCount, 10u);
    EXPECT_EQ(g_RenderDevice.device->GetStats().drawCalls, 5u);
    EXPECT_EQ(sky.world.m[3][0], 5.0f);
    EXPECT_EQ(sky.world.m[3][1], 0.0f);
    EXPECT_EQ(sky.world.m[3][2], 2.0f);

    EXPECT_EQ(RenderState(D3DRS_ZENABLE), 1u);
    EXPECT_EQ(RenderState(D3DRS_ZWRITEENABLE), 1u);
    EXPECT_EQ(RenderState(D3DRS_LIGHTING), 1u);
    EXPECT_EQ(StageState(0, D3DTSS_MIPFILTER), uint32_t(D3DTEXF_LINEAR));
    EXPECT_EQ(StageState(0, D3DTSS_ALPHAOP), uint32_t(D3DTOP_SELECTARG1));
}

TEST_F(SkyboxTest, MissingFaceFailsWithTheTexturesError)
{
    const std::string front = WriteSolidTexture("Front.dds", 0xFFFFFFFFu);
    const std::string missing = TempPath("Nothing.dds");
    EXPECT_FALSE(sky.Create(front.c_str(), front.c_str(), missing.c_str(), front.c_str(), front.c_str(), nullptr,
                            0xFFFFFFFFu, 200.0f, 4.0f, 0.0f, false));
    EXPECT_EQ(g_LastError, "Error loading a texture!");
    EXPECT_FALSE(cube.Load(missing.c_str()));
    EXPECT_EQ(g_LastError, "Error loading a cubic environment map!");
    // Nothing loaded: nothing to restore.
    EXPECT_TRUE(cube.Restore());
}

TEST_F(SkyboxTest, EnvironmentMapReflectsTheFaceBehindTheViewer)
{
    ASSERT_TRUE(LoadEnvironmentMap(8, true));

    GpuDevice* device = g_RenderDevice.device;
    device->SetRenderState(D3DRS_LIGHTING, 0);
    // A mirror facing the camera reflects the view straight back: the face
    // behind the viewer, whichever way the camera turns.
    struct View {
        float yaw;
        int face;
    };
    const View views[] = {{0.0f, 5}, {SCENE_PI / 2, 1}, {SCENE_PI, 4}, {-SCENE_PI / 2, 0}};
    for (const View& view : views) {
        Camera camera = UseCamera({0, 0, 0}, {0, view.yaw, 0});
        const Vector3 f = camera.forward, r = camera.right, u = camera.up;
        const Vector3 centre = f * 5.0f;
        TerrainVertex quad[4];
        const float corners[4][2] = {{-1, -1}, {-1, 1}, {1, -1}, {1, 1}};
        for (int i = 0; i < 4; ++i) {
            quad[i].position = {centre.x + r.x * corners[i][0] + u.x * corners[i][1],
                                centre.y + r.y * corners[i][0] + u.y * corners[i][1],
                                centre.z + r.z * corners[i][0] + u.z * corners[i][1]};
            quad[i].normal = {-f.x, -f.y, -f.z};
        }
        Matrix identity;
        MatrixIdentity(&identity);
        device->SetTransform(D3DTS_WORLD, &identity);
        BeginFrame();
        cube.Apply(0, D3DTOP_SELECTARG1, &camera, false);
        device->SetVertexShader(TERRAIN_VERTEX_FVF);
        g_RenderDevice.currentVertexShader = TERRAIN_VERTEX_FVF;
        device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(TerrainVertex));
        cube.Remove();
        EndFrame();
        const std::vector<uint32_t> pixels = ReadBackBuffer();
        EXPECT_TRUE(ColourNear(PixelAt(pixels, 400, 300), CUBE_COLOURS[view.face], 2))
            << "yaw " << view.yaw << ": " << std::hex << PixelAt(pixels, 400, 300);
    }
}

TEST_F(SkyboxTest, EnvironmentMapApplyKeepsTheFirstSetupAndRemoveRevertsIt)
{
    ASSERT_TRUE(LoadEnvironmentMap(4, false));
    GpuDevice* device = g_RenderDevice.device;
    uint32_t before[6];
    const uint32_t types[6] = {D3DTSS_COLOROP,  D3DTSS_TEXTURETRANSFORMFLAGS, D3DTSS_ADDRESSU, D3DTSS_ADDRESSV,
                               D3DTSS_ADDRESSW, D3DTSS_TEXCOORDINDEX};
    for (int i = 0; i < 6; ++i)
        device->GetTextureStageState(1, types[i], &before[i]);

    cube.Remove();
    EXPECT_EQ(cube.stageInUse, -1);

    Camera camera = UseCamera({0, 0, 0}, {0.3f, 1.1f, 0.0f});
    cube.Apply(1, D3DTOP_BLENDCURRENTALPHA, &camera, false);
    cube.Apply(2, D3DTOP_MODULATE, &camera, true);
    EXPECT_EQ(cube.stageInUse, 1);
    EXPECT_EQ(StageState(1, D3DTSS_COLOROP), uint32_t(D3DTOP_BLENDCURRENTALPHA));
    EXPECT_EQ(StageState(1, D3DTSS_TEXCOORDINDEX), 1u | D3DTSS_TCI_CAMERASPACEREFLECTIONVECTOR);
    EXPECT_EQ(StageState(2, D3DTSS_COLOROP), uint32_t(D3DTOP_DISABLE));

    // The texture transform turns the camera-space forward axis into the world forward axis.
    Matrix transform;
    device->GetTransform(D3DTS_TEXTURE1, &transform);
    const Vector3 cameraForward = {0, 0, 1};
    Vector3 world;
    Vec3TransformNormal(&world, &cameraForward, &transform);
    EXPECT_NEAR(world.x, camera.forward.x, 1e-5f);
    EXPECT_NEAR(world.y, camera.forward.y, 1e-5f);
    EXPECT_NEAR(world.z, camera.forward.z, 1e-5f);

    cube.Remove();
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(StageState(1, types[i]), before[i]) << types[i];
    }
    EXPECT_EQ(g_RenderDevice.currentTexture[1], nullptr);
}

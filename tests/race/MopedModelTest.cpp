#include "race/MopedModel.h"

#include "engine/platform/RenderDevice.h"
#include "engine/scene/SceneTestFixture.h"

#include "backend/files/Files.h"
#include "backend/gpu/GpuDevice.h"
#include "backend/gpu/GpuTexture.h"
#include "backend/math/MatrixMath.h"

#include <filesystem>

namespace fs = std::filesystem;
using backend::Matrix;

namespace {

// The files Load reads, in its order.
const char* const MOPED_FILES[] = {
    "Graphics\\Models\\MopedBody.qvx", "Graphics\\Models\\MopedHandlebar.qvx", "Graphics\\Models\\MopedTyre.qvx",
    "Graphics\\Models\\Player.qvx",    "Graphics\\Textures\\Moped.dds",        "Graphics\\Textures\\Player.dds",
    "Graphics\\Textures\\Smoke.dds",   "Graphics\\Textures\\BackLight.dds",
};

Matrix At(const TVec4& p)
{
    Matrix m;
    backend::MatrixTranslation(&m, p.x, p.y, p.z);
    return m;
}

} // namespace

class MopedModelTest : public SceneTest {
protected:
    // The parts at their layout places, from the right-hand side and a little behind.
    std::vector<uint32_t> DrawParts(MopedModel& model)
    {
        UseCamera({2.2f, 0.6f, -0.6f}, {-0.15f, -1.35f, 0.0f});
        BeginFrame(0xFF000000u);
        model.SetBodyMaterial();
        const Matrix body = At(Vec(0, 0, 0)), bar = At(model.handlebarPosition);
        const Matrix front = At(model.frontTyrePosition), rear = At(model.rearTyrePosition);
        const Matrix rider = At(model.riderPosition);
        g_RenderDevice.device->SetTransform(backend::D3DTS_WORLD, &body);
        model.bodyModel.RenderMaterialOnly(0, false);
        g_RenderDevice.device->SetTransform(backend::D3DTS_WORLD, &bar);
        model.handlebarModel.RenderMaterialOnly(0, false);
        g_RenderDevice.device->SetTransform(backend::D3DTS_WORLD, &front);
        model.tyreModel.RenderMaterialOnly(0, false);
        g_RenderDevice.device->SetTransform(backend::D3DTS_WORLD, &rear);
        model.tyreModel.RenderMaterialOnly(0, false);
        model.SetRiderMaterial();
        g_RenderDevice.device->SetTransform(backend::D3DTS_WORLD, &rider);
        model.riderModel.RenderMaterialOnly(30, false);
        EndFrame();
        return ReadBackBuffer();
    }
};

// Loads all parts, binds each skin on stage 0, and draws the same picture
// after the device was lost, reset and everything restored, twice.
TEST_F(MopedModelTest, LoadsBindsAndDrawsTheSameAfterADeviceReset)
{
    ASSERT_TRUE(OpenScene());
    MopedModel model;
    ASSERT_TRUE(model.Load()) << g_LastError;
    EXPECT_GE(model.riderModel.GetFrameCount(), 61);
    for (QvxModel* part : {&model.bodyModel, &model.handlebarModel, &model.tyreModel})
        EXPECT_GE(part->GetFrameCount(), 1);

    const std::pair<void (MopedModel::*)(), Texture*> binds[] = {
        {&MopedModel::SetBodyMaterial, &model.mopedTexture},
        {&MopedModel::SetRiderMaterial, &model.riderTexture},
        {&MopedModel::SetSmokeTexture, &model.smokeTexture},
        {&MopedModel::SetBackLightTexture, &model.backLightTexture},
    };
    for (const auto& [bind, texture] : binds) {
        ASSERT_NE(texture->texture, nullptr);
        (model.*bind)();
        EXPECT_EQ(g_RenderDevice.currentTexture[0], static_cast<backend::GpuBaseTexture*>(texture->texture));
    }

    const std::vector<uint32_t> before = DrawParts(model);
    int drawn = 0;
    for (uint32_t pixel : before)
        drawn += (pixel & 0xFFFFFFu) != 0 ? 1 : 0;
    EXPECT_GT(drawn, 5000);

    backend::GpuDevice* device = g_RenderDevice.device;
    for (int round = 0; round < 2; ++round) {
        device->ForceDeviceLoss(1);
        EXPECT_EQ(device->TestCooperativeLevel(), backend::GPUERR_DEVICELOST);
        model.Release();
        EXPECT_EQ(model.mopedTexture.texture, nullptr);
        EXPECT_EQ(device->GetLiveDefaultPoolCount(), 0u);
        ASSERT_TRUE(backend::GpuSucceeded(device->Reset(&g_RenderDevice.presentParameters)));
        g_RenderDevice.ResetStateCache();
        ApplyFixedStates();
        ASSERT_TRUE(model.Restore()) << g_LastError;
        EXPECT_EQ(DrawParts(model), before) << "round " << round;
    }
    model.Release();
    model.Destroy();
    model.Release();
    model.Destroy();
    EXPECT_EQ(model.riderModel.GetFrameCount(), 0);
}

class MopedModelMissingFile : public SceneTest, public ::testing::WithParamInterface<int> {};

// Each file missing in turn: Load stops there with that file's message, tries
// nothing after it, and Release and Destroy give every device object back.
TEST_P(MopedModelMissingFile, LoadStopsAtTheMissingFileWithItsMessage)
{
    ASSERT_TRUE(OpenScene());
    const int missing = GetParam();
    const std::string original = backend::BaseDirectory();
    const fs::path folder = TempPath("game");
    for (int i = 0; i < 8; ++i) {
        if (i == missing)
            continue;
        const fs::path target = folder / backend::ResolvePath(MOPED_FILES[i]).substr(original.size() + 1);
        fs::create_directories(target.parent_path());
        fs::create_symlink(backend::ResolvePath(MOPED_FILES[i]), target);
    }
    const uint32_t liveBefore = g_RenderDevice.device->GetLiveResourceCount();
    {
        MopedModel model;
        backend::SetBaseDirectory(folder.string());
        g_LastError.clear();
        LogCapture log;
        const bool loaded = model.Load();
        backend::SetBaseDirectory(original);

        EXPECT_FALSE(loaded);
        EXPECT_EQ(g_LastError, missing < 4 ? "Error loading QVX file: File not found!" : "Error loading a texture!");
        QvxModel* models[] = {&model.bodyModel, &model.handlebarModel, &model.tyreModel, &model.riderModel};
        Texture* textures[] = {&model.mopedTexture, &model.riderTexture, &model.smokeTexture, &model.backLightTexture};
        for (int i = 0; i < 8; ++i) {
            const bool made = i < 4 ? models[i]->GetFrameCount() > 0 : textures[i - 4]->texture != nullptr;
            EXPECT_EQ(made, i < missing) << MOPED_FILES[i];
            // Nothing after the missing file was even opened.
            EXPECT_EQ(log.text.str().find(MOPED_FILES[i]) != std::string::npos, i <= missing) << MOPED_FILES[i];
        }
        model.Release();
        model.Destroy();
    }
    EXPECT_EQ(g_RenderDevice.device->GetLiveResourceCount(), liveBefore);
}

INSTANTIATE_TEST_SUITE_P(EachFile, MopedModelMissingFile, ::testing::Range(0, 8));

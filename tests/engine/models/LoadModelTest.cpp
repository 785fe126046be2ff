#include "ModelTestDevice.h"
#include "ModelTestShapes.h"

#include "backend/gpu/GpuStateBlock.h"

#include "backend/files/Files.h"
#include "backend/gpu/GpuDevice.h"
#include "backend/math/MatrixMath.h"
#include "datagen/writers/FrameAnimationWriter.h"
#include "engine/models/LoadModel.h"
#include "engine/models/Md2Model.h"
#include "engine/models/QvxModel.h"
#include "engine/models/XModel.h"
#include "engine/platform/BoundingBox.h"
#include "engine/platform/Log.h"
#include "engine/platform/RenderDevice.h"

#include <filesystem>
#include <memory>

using backend::Matrix;
using backend::MatrixIdentity;

namespace {

class LoadModelTest : public ModelDeviceTest {
protected:
    void SetUp() override
    {
        ModelDeviceTest::SetUp();
        datagen::QvxFrame frame;
        frame.meshes.push_back(QvxCube());
        qvxPath = WriteBytes("rock.qvx", datagen::EncodeQvx({frame}));
        datagen::XModel x;
        x.meshes = {XCube()};
        xPath = WriteText("hut.x", datagen::EncodeXFile(x));
        md2Path = WriteBytes("tri.md2", datagen::EncodeMd2(Md2TestTriangle(2)));
        animationPath = WriteBytes("anim.dat", datagen::EncodeFrameAnimation({{"idle", 0, 1, 0.5f}}));
        datagen::FrameAnimationFaults faults;
        faults.badMagic = true;
        badAnimationPath = WriteBytes("bad.dat", datagen::EncodeFrameAnimation({{"idle", 0, 1, 0.5f}}, faults));
    }

    // A loaded model, released, destroyed and deleted as its owner does when it goes out of scope.
    struct Unload {
        void operator()(Model* model) const
        {
            model->Release();
            model->Destroy();
            std::default_delete<Model>()(model);
        }
    };
    using ModelPtr = std::unique_ptr<Model, Unload>;

    ModelPtr Load(const std::string& path, const char* animation)
    {
        g_LastError.clear();
        return ModelPtr(LoadModel(path.c_str(), animation));
    }

    static uint32_t LiveResources() { return g_RenderDevice.device->GetLiveResourceCount(); }

    std::string qvxPath, xPath, md2Path, animationPath, badAnimationPath;
};

} // namespace

TEST_F(LoadModelTest, ExtensionPicksTheClass)
{
    ModelPtr qvx = Load(qvxPath, animationPath.c_str());
    ASSERT_NE(dynamic_cast<QvxModel*>(qvx.get()), nullptr);
    EXPECT_TRUE(qvx->Animate("idle", 1, -1.0f));
    EXPECT_EQ(qvx->GetFrameCount(), 1);

    ModelPtr md2 = Load(md2Path, animationPath.c_str());
    ASSERT_NE(dynamic_cast<Md2Model*>(md2.get()), nullptr);
    EXPECT_EQ(md2->GetFrameCount(), 2);
    EXPECT_TRUE(md2->Animate("idle", 1, -1.0f));

    // .x models ignore the animation path, even a broken one.
    ModelPtr x = Load(xPath, badAnimationPath.c_str());
    ASSERT_NE(dynamic_cast<XModel*>(x.get()), nullptr);
    EXPECT_TRUE(static_cast<XModel*>(x.get())->skipTextures);
    EXPECT_EQ(x->GetFrameCount(), 1);

    // No animation: an empty path is none.
    ModelPtr plain = Load(qvxPath, "");
    ASSERT_NE(plain, nullptr);
    EXPECT_FALSE(plain->Animate("idle", 1, -1.0f));
    EXPECT_EQ(g_LastError, "");
}

TEST_F(LoadModelTest, UnknownExtensionsAreReportedAndPathsWithoutOneGiveNullSilently)
{
    for (const char* path : {"rock.QVX", "hut.X", "model.qvxbackup", "model.md2x", "folder.v2\\model"}) {
        EXPECT_EQ(Load(path, nullptr), nullptr) << path;
        EXPECT_EQ(g_LastError, "Error loading a model: unsupported file type!") << path;
    }
    for (const char* path : {"noext", "a.", "", "x", ".", "qvx"}) {
        EXPECT_EQ(Load(path, nullptr), nullptr) << path;
        EXPECT_EQ(g_LastError, "") << path;
    }
    EXPECT_EQ(LoadModel(nullptr, nullptr), nullptr);
}

TEST_F(LoadModelTest, FailedLoadsLeaveNothingBehind)
{
    const uint32_t live = LiveResources();
    EXPECT_EQ(Load(qvxPath, TempPath("missing.dat").c_str()), nullptr);
    EXPECT_EQ(g_LastError, "Error loading animation data: File not found!");
    EXPECT_EQ(Load(md2Path, badAnimationPath.c_str()), nullptr);
    EXPECT_EQ(g_LastError, "Error loading animation data: File corrupted!");
    EXPECT_EQ(Load(TempPath("missing.qvx"), nullptr), nullptr);
    EXPECT_EQ(g_LastError, "Error loading QVX file: File not found!");
    EXPECT_EQ(Load(TempPath("missing.md2"), nullptr), nullptr);
    EXPECT_EQ(g_LastError, "Error loading MD2 file!");
    EXPECT_EQ(Load(TempPath("missing.x"), nullptr), nullptr);
    EXPECT_EQ(g_LastError, "Error loading X file!");
    EXPECT_EQ(LiveResources(), live);
}

TEST_F(LoadModelTest, SampleDataModelsLoadAndHaveBounds)
{
    ModelPtr player = Load("Graphics\\Models\\Player.qvx", nullptr);
    ASSERT_NE(player, nullptr) << g_LastError;
    EXPECT_EQ(player->GetFrameCount(), 61);
    player.reset();

    // Every model file of the data set loads through the factory.
    const std::filesystem::path root = std::filesystem::path(backend::BaseDirectory()) / "Graphics";
    size_t loaded = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        const std::string extension = entry.path().extension().string();
        if (extension != ".qvx" && extension != ".x" && extension != ".md2")
            continue;
        ModelPtr model = Load(entry.path().string(), nullptr);
        ASSERT_NE(model, nullptr) << entry.path() << ": " << g_LastError;
        const Matrix identity = backend::GpuIdentityMatrix();
        BoundingBox box;
        model->GetFrameBounds(&box, 0, &identity);
        EXPECT_LE(box.min.x, box.max.x) << entry.path();
        EXPECT_LE(box.min.y, box.max.y) << entry.path();
        ++loaded;
    }
    EXPECT_GE(loaded, 2u);
}

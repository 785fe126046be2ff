#include "RenderTestDevice.h"

#include "backend/files/Files.h"
#include "backend/gpu/GpuDevice.h"
#include "backend/gpu/GpuTexture.h"
#include "datagen/writers/FileWriter.h"
#include "engine/platform/Log.h"
#include "engine/platform/RenderDevice.h"
#include "engine/platform/Texture.h"

#include <sys/resource.h>

#include <filesystem>
#include <fstream>
#include <string>

using namespace backend;

namespace {

GpuFormat LevelFormat(GpuTexture* texture)
{
    GpuSurfaceDesc desc;
    texture->GetLevelDesc(0, &desc);
    return desc.Format;
}

} // namespace

TEST_F(RenderDeviceTest, TextureRefusedFormatFallsBackAndRestoreKeepsTheFallback)
{
    ASSERT_TRUE(OpenDevice());
    GpuDevice* device = g_RenderDevice.device;
    device->RefuseFormat(D3DFMT_A8R8G8B8);
    device->RefuseFormat(D3DFMT_X8R8G8B8);
    device->RefuseFormat(D3DFMT_R8G8B8);

    Texture target;
    ASSERT_TRUE(target.Create(16, 16, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, "SunMap", true));
    ASSERT_NE(target.texture, nullptr);
    const GpuFormat fallback = target.format;
    EXPECT_NE(fallback, D3DFMT_A8R8G8B8);
    EXPECT_NE(fallback, D3DFMT_X8R8G8B8);
    EXPECT_NE(fallback, D3DFMT_R8G8B8);
    EXPECT_EQ(LevelFormat(target.texture), fallback);

    // Restore makes it again in the format that worked, without the list.
    target.Release();
    EXPECT_EQ(target.texture, nullptr);
    EXPECT_TRUE(target.Restore());
    ASSERT_NE(target.texture, nullptr);
    EXPECT_EQ(LevelFormat(target.texture), fallback);

    // When that format is refused too, Restore fails without a message.
    target.Release();
    device->RefuseFormat(fallback);
    g_LastError.clear();
    EXPECT_FALSE(target.Restore());
    EXPECT_EQ(target.texture, nullptr);
    EXPECT_TRUE(g_LastError.empty());
}

TEST_F(RenderDeviceTest, TextureCreateFailsWhenEveryFormatIsRefused)
{
    ASSERT_TRUE(OpenDevice());
    GpuDevice* device = g_RenderDevice.device;
    for (GpuFormat format :
         {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_R8G8B8, D3DFMT_A8R3G3B2, D3DFMT_A4R4G4B4, D3DFMT_R5G6B5})
        device->RefuseFormat(format);

    Texture target;
    EXPECT_FALSE(
        target.Create(16, 16, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, "IntensityMap", true));
    EXPECT_EQ(g_LastError, "Error creating a texture!");
    EXPECT_EQ(target.texture, nullptr);
    EXPECT_EQ(target.source, TEXTURE_SOURCE_NONE);

    // Without fallback only the asked format is tried.
    device->RefuseFormat(D3DFMT_A4R4G4B4, false);
    g_LastError.clear();
    EXPECT_FALSE(target.Create(16, 16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, "NoFallback", false));
    EXPECT_EQ(g_LastError, "Error creating a texture!");
    EXPECT_TRUE(target.Create(16, 16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, "Fallback", true));
    EXPECT_EQ(target.format, D3DFMT_A4R4G4B4);
    target.Release();
}

TEST_F(RenderDeviceTest, TextureLoadReleaseRestoreLifeCycle)
{
    ASSERT_TRUE(OpenDevice());
    const std::string path = WriteSolidTexture("Red.dds", 0xFFFF0000u);

    Texture empty;
    EXPECT_TRUE(empty.Restore());
    EXPECT_EQ(empty.texture, nullptr);

    Texture texture;
    {
        LogCapture log;
        ASSERT_TRUE(texture.Load(path.c_str()));
        EXPECT_EQ(log.text.str(), "\nLoading texture \"" + path + "\"...");
    }
    EXPECT_EQ(texture.source, TEXTURE_SOURCE_FILE);
    EXPECT_TRUE(texture.owns);
    EXPECT_EQ(texture.name, path);
    ASSERT_NE(texture.texture, nullptr);
    EXPECT_EQ(texture.texture->GetLevelCount(), 3u);

    {
        LogCapture log;
        texture.Release();
        texture.Release();
        EXPECT_EQ(log.text.str(), "\nReleasing texture \"" + path + "\"...");
    }
    EXPECT_EQ(texture.texture, nullptr);
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(texture.Restore());
        ASSERT_NE(texture.texture, nullptr);
        texture.Release();
    }
}

TEST_F(RenderDeviceTest, TextureNotOwnedIsLeftAlone)
{
    ASSERT_TRUE(OpenDevice());
    GpuTexture* shared = nullptr;
    ASSERT_TRUE(
        GpuSucceeded(g_RenderDevice.device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &shared)));
    Texture borrowed;
    borrowed.texture = shared;
    borrowed.owns = false;
    borrowed.Release();
    EXPECT_EQ(borrowed.texture, shared);
    EXPECT_EQ(shared->GetRefCount(), 1u);
    shared->Release();
}

TEST_F(RenderDeviceTest, TextureBadFilesFailWithMessage)
{
    ASSERT_TRUE(OpenDevice());
    Texture texture;
    EXPECT_FALSE(texture.Load(TempPath("Missing.dds").c_str()));
    EXPECT_EQ(g_LastError, "Error loading a texture!");
    EXPECT_EQ(texture.texture, nullptr);
    EXPECT_EQ(texture.source, TEXTURE_SOURCE_NONE);

    // A truncated file.
    const std::string good = WriteSolidTexture("Good.dds", 0xFF00FF00u, 8);
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(backend::ReadWholeFile(good, bytes));
    bytes.resize(bytes.size() / 2);
    const std::string truncated = TempPath("Truncated.dds");
    ASSERT_TRUE(datagen::WriteFileBytes(truncated, bytes));
    g_LastError.clear();
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(texture.Load(truncated.c_str()));
    EXPECT_EQ(g_LastError, "Error loading a texture!");
    // Of the many textures a track loads, stderr names the one that failed.
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(said.rfind("Vantrel: Error loading a texture! (", 0), 0u) << said;
    EXPECT_NE(said.find(truncated), std::string::npos) << said;

    // A name longer than the record holds is refused, not cut short.
    const std::string longName = TempPath(std::string(300, 'x') + ".dds");
    g_LastError.clear();
    EXPECT_FALSE(texture.Load(longName.c_str()));
    EXPECT_EQ(g_LastError, "Error loading a texture!");
    EXPECT_FALSE(texture.Create(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, longName.c_str(), true));
    EXPECT_EQ(texture.texture, nullptr);
    EXPECT_FALSE(texture.Load(nullptr));
}

// /dev/zero linked as a texture and a 3 GB sparse one once ran the game out of
// memory while loading; both are refused at once, with the reason in the log.
TEST_F(RenderDeviceTest, TextureFromDevZeroOrHugeFileIsRefusedAtOnce)
{
    ASSERT_TRUE(OpenDevice());
    const std::string zero = TempPath("Zero.dds"), huge = TempPath("Huge.dds");
    std::filesystem::create_symlink("/dev/zero", zero);
    std::ofstream(huge).close();
    std::filesystem::resize_file(huge, uint64_t(3) << 30);

    LogCapture log;
    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    Texture texture;
    EXPECT_FALSE(texture.Load(zero.c_str()));
    EXPECT_EQ(g_LastError, "Error loading a texture!");
    EXPECT_FALSE(texture.Load(huge.c_str()));
    EXPECT_EQ(texture.texture, nullptr);
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 64 * 1024) << "kilobytes more at the peak";
    EXPECT_NE(log.text.str().find(zero + " is not a regular file"), std::string::npos) << log.text.str();
    EXPECT_NE(log.text.str().find(huge + " is larger than 256 MB"), std::string::npos) << log.text.str();
}

// Textures made from picture files: full mip chains, the file's format, row
// order, and the errors for files that cannot become the texture asked for.

#include "GpuTestDevice.h"

#include "backend/gpu/GpuCubeTexture.h"
#include "backend/gpu/GpuSurface.h"
#include "backend/gpu/GpuTexture.h"
#include "backend/gpu/GpuTextureLoader.h"
#include "datagen/writers/DdsWriter.h"
#include "datagen/writers/FileWriter.h"
#include "datagen/writers/PngWriter.h"

#include <filesystem>

namespace gputest {
namespace {

using namespace backend;
using datagen::DdsFormat;
using datagen::RgbaImage;

TEST_F(GpuDeviceTest, LoadedTexturesGetTheWholeMipChainInTheFilesFormat)
{
    std::vector<uint8_t> dds = datagen::EncodeDds(RgbaImage(256, 256, 0xFF336699), DdsFormat::A8R8G8B8, false);
    GpuTexture* texture = nullptr;
    std::string error;
    ASSERT_EQ(GpuCreateTextureFromFileInMemory(device, dds.data(), dds.size(), &texture, &error), GPU_OK) << error;
    EXPECT_EQ(texture->GetLevelCount(), 9u);
    EXPECT_EQ(texture->GetPool(), D3DPOOL_MANAGED);
    GpuSurfaceDesc desc;
    ASSERT_EQ(texture->GetLevelDesc(8, &desc), GPU_OK);
    EXPECT_EQ(desc.Width, 1u);
    EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
    GpuSurface* smallest = nullptr;
    texture->GetSurfaceLevel(8, &smallest);
    EXPECT_EQ(Pixels(smallest).at(0), 0xFF336699u);
    smallest->Release();
    texture->Release();
    EXPECT_EQ(device->GetLiveDefaultPoolCount(), 0u); // managed: no obstacle to a reset
}

TEST_F(GpuDeviceTest, PngTextureKeepsItsTopRowFirst)
{
    RgbaImage image(4, 2, 0xFF0000FF);
    image.At(0, 0) = 0x80FF0000;
    std::vector<uint8_t> png = datagen::EncodePng(image);
    GpuTexture* texture = nullptr;
    ASSERT_EQ(GpuCreateTextureFromFileInMemory(device, png.data(), png.size(), &texture), GPU_OK);
    EXPECT_EQ(texture->GetLevelCount(), 3u);
    GpuSurface* top = nullptr;
    texture->GetSurfaceLevel(0, &top);
    std::vector<GpuColor> texels = Pixels(top);
    EXPECT_EQ(texels[0], 0x80FF0000u);
    EXPECT_EQ(texels[4], 0xFF0000FFu);
    top->Release();
    texture->Release();
}

TEST_F(GpuDeviceTest, LoadersRefuseWhatTheyCannotMake)
{
    RgbaImage faces[6];
    for (RgbaImage& face : faces)
        face = RgbaImage(4, 4, 0xFFFFFFFF);
    std::vector<uint8_t> cube = datagen::EncodeCubeDds(faces, DdsFormat::A8R8G8B8, true);
    std::vector<uint8_t> plain = datagen::EncodeDds(faces[0], DdsFormat::DXT1, true);
    GpuTexture* texture = nullptr;
    GpuCubeTexture* cubeTexture = nullptr;
    std::string error;
    EXPECT_TRUE(GpuFailed(GpuCreateTextureFromFileInMemory(device, cube.data(), cube.size(), &texture, &error)));
    EXPECT_EQ(texture, nullptr);
    EXPECT_FALSE(error.empty());
    error.clear();
    EXPECT_TRUE(
        GpuFailed(GpuCreateCubeTextureFromFileInMemory(device, plain.data(), plain.size(), &cubeTexture, &error)));
    EXPECT_EQ(cubeTexture, nullptr);
    EXPECT_FALSE(error.empty());
    ASSERT_EQ(GpuCreateCubeTextureFromFileInMemory(device, cube.data(), cube.size(), &cubeTexture), GPU_OK);
    EXPECT_EQ(cubeTexture->GetLevelCount(), 3u);
    cubeTexture->Release();

    // A format the device refuses, garbage, nothing at all, a missing file.
    device->RefuseFormat(D3DFMT_DXT1);
    EXPECT_EQ(GpuCreateTextureFromFileInMemory(device, plain.data(), plain.size(), &texture), GPUERR_NOTAVAILABLE);
    device->RefuseFormat(D3DFMT_DXT1, false);
    const uint8_t garbage[7] = {'D', 'D', 'S', ' ', 1, 2, 3};
    EXPECT_TRUE(GpuFailed(GpuCreateTextureFromFileInMemory(device, garbage, sizeof(garbage), &texture)));
    EXPECT_TRUE(GpuFailed(GpuCreateTextureFromFileInMemory(device, nullptr, 0, &texture)));
    std::string missing = (std::filesystem::temp_directory_path() / "vantrel-gpu-none" / "Missing.dds").string();
    EXPECT_TRUE(GpuFailed(GpuCreateTextureFromFile(device, missing, &texture, &error)));
    EXPECT_NE(error.find("Missing.dds"), std::string::npos);
    EXPECT_EQ(texture, nullptr);

    // The same file from disk loads.
    std::string path = (std::filesystem::temp_directory_path() / "vantrel-gpu-loader" / "Plain.dds").string();
    ASSERT_TRUE(datagen::WriteFileBytes(path, plain));
    ASSERT_EQ(GpuCreateTextureFromFile(device, path, &texture, &error), GPU_OK) << error;
    EXPECT_EQ(texture->GetLevelCount(), 3u);
    texture->Release();
    std::filesystem::remove_all(std::filesystem::path(path).parent_path());
}

} // namespace
} // namespace gputest

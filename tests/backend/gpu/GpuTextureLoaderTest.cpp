// Textures made from picture files: full mip chains, the file's format, row
// order, and the errors for files that cannot become the texture asked for.

#include "GpuTestDevice.h"

#include "backend/gpu/GpuCubeTexture.h"
#include "backend/gpu/GpuSurface.h"
#include "backend/gpu/GpuTexture.h"
#include "backend/gpu/GpuTextureLoader.h"
#include "backend/gpu/ImageData.h"
#include "datagen/writers/DdsWriter.h"
#include "datagen/writers/PngWriter.h"

#include <cstring>

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

// A file's texture lives in GL only where GL can give its texels back; a
// lock after loading still reads the file's texels and writes new ones.
TEST_F(GpuDeviceTest, LoadedTexturesLockBackTheFilesTexelsExactly)
{
    for (GpuFormat format : {D3DFMT_A8R8G8B8, D3DFMT_R5G6B5, D3DFMT_A4R4G4B4, D3DFMT_DXT1}) {
        SCOPED_TRACE(format);
        ImageData image;
        image.format = format;
        image.width = image.height = 8;
        image.levels = 4; // the whole chain, so that nothing is generated
        uint32_t seed = 12345;
        for (uint32_t size = 8; size >= 1; size /= 2) {
            ImageSurface& surface = image.surfaces.emplace_back();
            surface.width = surface.height = size;
            surface.bytes.resize(ImageSurfaceSize(format, size, size));
            for (uint8_t& byte : surface.bytes) {
                seed = seed * 1103515245u + 12345u;
                byte = uint8_t(seed >> 16);
            }
        }
        const std::vector<uint8_t> file = image.surfaces[0].bytes;
        GpuTexture* texture = nullptr;
        ASSERT_EQ(GpuCreateTextureFromImage(device, image, &texture), GPU_OK);
        GpuSurface* top = nullptr;
        texture->GetSurfaceLevel(0, &top);
        const std::vector<GpuColor> picture = Pixels(top);
        EXPECT_EQ(texture->HoldsLevelCopy(0, 0), format == D3DFMT_DXT1); // GL keeps DXT1 decoded
        GpuLockedRect locked;
        ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), GPU_OK);
        const size_t rowBytes = file.size() / (format == D3DFMT_DXT1 ? 2 : 8);
        for (size_t row = 0; row < file.size() / rowBytes; ++row)
            EXPECT_EQ(0, std::memcmp(static_cast<uint8_t*>(locked.pBits) + row * size_t(locked.Pitch),
                                     &file[row * rowBytes], rowBytes))
                << row;
        std::memset(locked.pBits, 0, rowBytes); // the top row (of blocks) black
        texture->UnlockRect(0);
        const std::vector<GpuColor> changed = Pixels(top);
        EXPECT_EQ(changed[0] & 0xFFFFFF, 0u);
        EXPECT_EQ(changed[7 * 8 + 7], picture[7 * 8 + 7]);
        top->Release();
        texture->Release();
    }
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

    // A format the device refuses, garbage, nothing at all.
    device->RefuseFormat(D3DFMT_DXT1);
    EXPECT_EQ(GpuCreateTextureFromFileInMemory(device, plain.data(), plain.size(), &texture), GPUERR_NOTAVAILABLE);
    device->RefuseFormat(D3DFMT_DXT1, false);
    const uint8_t garbage[7] = {'D', 'D', 'S', ' ', 1, 2, 3};
    EXPECT_TRUE(GpuFailed(GpuCreateTextureFromFileInMemory(device, garbage, sizeof(garbage), &texture)));
    EXPECT_TRUE(GpuFailed(GpuCreateTextureFromFileInMemory(device, nullptr, 0, &texture)));
}

} // namespace
} // namespace gputest

// Texture files loaded onto the real device and drawn: the colours, alpha, mip levels and cube faces that come
// back from the screen must be the file's.

#include "GpuTestDevice.h"

#include "backend/files/Files.h"
#include "backend/gpu/GpuCubeTexture.h"
#include "backend/gpu/GpuTexture.h"
#include "backend/gpu/GpuTextureLoader.h"
#include "datagen/writers/DdsWriter.h"
#include "datagen/writers/FileWriter.h"

#include <cstring>
#include <filesystem>

namespace gputest {
namespace {

using namespace backend;
using datagen::DdsFormat;
using datagen::RgbaImage;

// Four quadrants of distinct colour and alpha (alpha 255, 255, 136, 68).
constexpr uint32_t QUADRANTS[4] = {0xFFFF0000, 0xFF00FF00, 0x880000FF, 0x44FFFFFF};

RgbaImage QuadrantImage(uint32_t size)
{
    RgbaImage image(size, size);
    for (uint32_t y = 0; y < size; ++y)
        for (uint32_t x = 0; x < size; ++x)
            image.At(x, y) = QUADRANTS[(y < size / 2 ? 0 : 2) + (x < size / 2 ? 0 : 1)];
    return image;
}

// A colour blended over black by its own alpha, as the screen shows it.
GpuColor OverBlack(uint32_t argb)
{
    uint32_t a = argb >> 24, result = 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8)
        result |= ((((argb >> shift) & 0xFF) * a + 127) / 255) << shift;
    return result;
}

class DdsTextureDrawTest : public GpuDeviceTest {
protected:
    // Stage 0 shows the texture alone, point sampled, blended over a black target by its alpha.
    void DrawTexture(GpuBaseTexture* texture, float x0, float y0, float x1, float y1)
    {
        ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0), GPU_OK);
        device->SetRenderState(D3DRS_ZENABLE, 0);
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
        device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
        device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
        device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
        device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_POINT);
        device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_POINT);
        device->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTEXF_POINT);
        ASSERT_EQ(device->SetTexture(0, texture), GPU_OK);
        DrawScreenQuad(x0, y0, x1, y1, 0xFFFFFFFF);
        device->SetTexture(0, nullptr);
    }

    GpuTexture* Load(const std::vector<uint8_t>& file)
    {
        GpuTexture* texture = nullptr;
        std::string error;
        EXPECT_EQ(GpuCreateTextureFromFileInMemory(device, file.data(), file.size(), &texture, &error), GPU_OK)
            << error;
        return texture;
    }
};

TEST_F(DdsTextureDrawTest, FormatsDrawTheirColoursAndAlpha)
{
    struct Case {
        DdsFormat format;
        bool alpha;
        int tolerance;
    } cases[] = {{DdsFormat::A8R8G8B8, true, 2}, {DdsFormat::DXT1, false, 4}, {DdsFormat::DXT5, true, 4}};
    for (const Case& c : cases) {
        GpuTexture* texture = Load(datagen::EncodeDds(QuadrantImage(16), c.format, true));
        ASSERT_NE(texture, nullptr);
        EXPECT_EQ(texture->GetLevelCount(), 5u);
        DrawTexture(texture, 0, 0, 64, 48);
        const uint32_t points[4][2] = {{8, 6}, {56, 6}, {8, 42}, {56, 42}}; // texel row 0 is the top
        for (int q = 0; q < 4; ++q) {
            // DXT1 keeps alpha >= 128 opaque and drops the rest to transparent black.
            uint32_t texel = QUADRANTS[q];
            if (!c.alpha)
                texel = (texel >> 24) >= 128 ? (texel | 0xFF000000u) : 0;
            EXPECT_TRUE(ColorNear(Pixel(points[q][0], points[q][1]), OverBlack(texel), c.tolerance))
                << "format " << int(c.format) << " quadrant " << q;
        }
        texture->Release();
    }
}

TEST_F(DdsTextureDrawTest, StoredMipLevelsAreTheOnesSampled)
{
    // A 16x16 file whose second level (8x8) is painted over in cyan: a quad drawn at 8x8 pixels shows it.
    std::vector<uint8_t> file = datagen::EncodeDds(RgbaImage(16, 16, 0xFFFF0000), DdsFormat::A8R8G8B8, true);
    const size_t level1 = 128 + 16 * 16 * 4;
    for (size_t i = 0; i < 8 * 8; ++i) {
        const uint8_t cyan[4] = {0xFF, 0xFF, 0x00, 0xFF}; // B, G, R, A
        std::copy(cyan, cyan + 4, file.begin() + level1 + i * 4);
    }
    GpuTexture* texture = Load(file);
    ASSERT_NE(texture, nullptr);
    DrawTexture(texture, 0, 0, 16, 16);
    EXPECT_TRUE(ColorNear(Pixel(8, 8), 0xFFFF0000));
    DrawTexture(texture, 0, 0, 8, 8);
    EXPECT_TRUE(ColorNear(Pixel(4, 4), 0xFF00FFFF));
    texture->Release();
}

TEST_F(DdsTextureDrawTest, CubeMapFacesDrawInTheirDirections)
{
    const uint32_t colours[6] = {0xFFFF0000, 0xFF00FFFF, 0xFF00FF00, 0xFFFF00FF, 0xFF0000FF, 0xFFFFFF00};
    const float directions[6][3] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    for (DdsFormat format : {DdsFormat::A8R8G8B8, DdsFormat::DXT1}) {
        RgbaImage faces[6];
        for (int f = 0; f < 6; ++f)
            faces[f] = RgbaImage(8, 8, colours[f]);
        std::vector<uint8_t> file = datagen::EncodeCubeDds(faces, format, true);
        GpuCubeTexture* cube = nullptr;
        std::string error;
        ASSERT_EQ(GpuCreateCubeTextureFromFileInMemory(device, file.data(), file.size(), &cube, &error), GPU_OK)
            << error;
        DrawTexture(cube, 0, 0, 0, 0); // states and a cleared target
        ASSERT_EQ(device->SetTexture(0, cube), GPU_OK);
        struct CubeVertex {
            float x, y, z, rhw;
            uint32_t colour;
            float s, t, r;
        };
        ASSERT_EQ(device->SetVertexShader(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1 | D3DFVF_TEXCOORDSIZE3(0)),
                  GPU_OK);
        for (int f = 0; f < 6; ++f) {
            const float x0 = f * 10.0f - 0.5f, x1 = x0 + 10.0f;
            const float* d = directions[f];
            CubeVertex quad[4] = {{x0, -0.5f, 0.5f, 1, 0xFFFFFFFF, d[0], d[1], d[2]},
                                  {x1, -0.5f, 0.5f, 1, 0xFFFFFFFF, d[0], d[1], d[2]},
                                  {x0, 9.5f, 0.5f, 1, 0xFFFFFFFF, d[0], d[1], d[2]},
                                  {x1, 9.5f, 0.5f, 1, 0xFFFFFFFF, d[0], d[1], d[2]}};
            ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(CubeVertex)), GPU_OK);
        }
        device->SetTexture(0, nullptr);
        for (int f = 0; f < 6; ++f)
            EXPECT_TRUE(ColorNear(Pixel(f * 10 + 5, 5), colours[f], 4)) << "format " << int(format) << " face " << f;
        cube->Release();
    }
}

TEST_F(DdsTextureDrawTest, BadFilesFailWithAnErrorAndNoTexture)
{
    namespace fs = std::filesystem;
    const fs::path folder = fs::path(ResolvePath("ImageLoadTest"));
    fs::remove_all(folder);
    std::vector<uint8_t> good = datagen::EncodeDds(QuadrantImage(8), DdsFormat::DXT1, true);
    ASSERT_TRUE(datagen::WriteFileBytes((folder / "Good.dds").string(), good));
    ASSERT_TRUE(
        datagen::WriteFileBytes((folder / "Cut.dds").string(), std::vector<uint8_t>(good.begin(), good.begin() + 100)));
    ASSERT_TRUE(
        datagen::WriteFileBytes((folder / "Short.dds").string(), std::vector<uint8_t>(good.begin(), good.end() - 4)));
    ASSERT_TRUE(datagen::WriteFileBytes((folder / "Garbage.dds").string(), std::vector<uint8_t>(500, 0x5A)));

    GpuTexture* texture = nullptr;
    std::string error;
    ASSERT_EQ(GpuCreateTextureFromFile(device, "ImageLoadTest\\good.DDS", &texture, &error), GPU_OK) << error;
    ASSERT_NE(texture, nullptr);
    texture->Release();

    for (const char* name : {"ImageLoadTest\\Missing.dds", "ImageLoadTest\\Cut.dds", "ImageLoadTest\\Short.dds",
                             "ImageLoadTest\\Garbage.dds"}) {
        texture = reinterpret_cast<GpuTexture*>(this); // must be overwritten with null
        error.clear();
        EXPECT_TRUE(GpuFailed(GpuCreateTextureFromFile(device, name, &texture, &error))) << name;
        EXPECT_EQ(texture, nullptr) << name;
        EXPECT_NE(error.find(std::strrchr(name, '\\') + 1), std::string::npos) << error;
    }
    fs::remove_all(folder);
}

} // namespace
} // namespace gputest

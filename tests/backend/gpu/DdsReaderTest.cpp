#include "backend/gpu/ImageData.h"
#include "backend/gpu/ImageTestData.h"
#include "datagen/writers/DdsWriter.h"

#include <gtest/gtest.h>

using namespace backend;
using namespace imagetest;
using datagen::DdsFormat;
using datagen::EncodeCubeDds;
using datagen::EncodeDds;
using datagen::RgbaImage;

TEST(DdsReader, SmallArgbKeepsByteOrderAndRowOrder)
{
    RgbaImage image(4, 2);
    const uint32_t pixels[8] = {0xFF102030, 0x80405060, 0x00708090, 0xFFA0B0C0,
                                0x11223344, 0x55667788, 0x99AABBCC, 0xDDEEFF01};
    image.pixels.assign(pixels, pixels + 8);
    ImageData read = ReadGood(EncodeDds(image, DdsFormat::A8R8G8B8, false));
    ASSERT_EQ(read.format, D3DFMT_A8R8G8B8);
    ASSERT_EQ(read.levels, 1u);
    ASSERT_EQ(read.surfaces.size(), 1u);
    const std::vector<uint8_t>& b = read.surfaces[0].bytes;
    ASSERT_EQ(b.size(), 32u);
    // Texels stored as B, G, R, A; the top row comes first.
    for (uint32_t i = 0; i < 8; ++i) {
        EXPECT_EQ(ArgbAt(b, 4, i % 4, i / 4), pixels[i]) << "texel " << i;
    }
}

TEST(DdsReader, UncompressedFormatsKeepTheFilesTexels)
{
    const RgbaImage image = Gradient(16, 8);
    const std::pair<DdsFormat, GpuFormat> cases[] = {{DdsFormat::A8R8G8B8, D3DFMT_A8R8G8B8},
                                                     {DdsFormat::X8R8G8B8, D3DFMT_X8R8G8B8},
                                                     {DdsFormat::R5G6B5, D3DFMT_R5G6B5},
                                                     {DdsFormat::A4R4G4B4, D3DFMT_A4R4G4B4}};
    for (const auto& [writer, format] : cases) {
        const std::vector<uint8_t> file = EncodeDds(image, writer, false);
        ImageData read = ReadGood(file);
        ASSERT_EQ(read.format, format);
        // The texels after the 128-byte header, row 0 first, as the file holds them.
        const size_t size = ImageSurfaceSize(format, 16, 8);
        ASSERT_EQ(file.size(), 128 + size);
        EXPECT_EQ(read.surfaces[0].bytes, std::vector<uint8_t>(file.begin() + 128, file.end())) << format;
    }
}

TEST(DdsReader, MipChainsFromTheFileHaveHalvingSizes)
{
    ImageData read = ReadGood(EncodeDds(Gradient(32, 8), DdsFormat::DXT5, true));
    ASSERT_EQ(read.levels, 6u);
    const uint32_t widths[6] = {32, 16, 8, 4, 2, 1}, heights[6] = {8, 4, 2, 1, 1, 1};
    for (uint32_t l = 0; l < 6; ++l) {
        EXPECT_EQ(read.surfaces[l].width, widths[l]);
        EXPECT_EQ(read.surfaces[l].height, heights[l]);
        EXPECT_EQ(read.surfaces[l].bytes.size(), ImageSurfaceSize(D3DFMT_DXT5, widths[l], heights[l]));
    }
    // A complete chain is left as the file has it.
    GenerateMipChain(read);
    EXPECT_EQ(read.format, D3DFMT_DXT5);
    EXPECT_EQ(read.levels, 6u);
}

TEST(DdsReader, CubeFacesComeInFileOrder)
{
    RgbaImage faces[6];
    const uint32_t colours[6] = {0xFFFF0000, 0xFF00FFFF, 0xFF00FF00, 0xFFFF00FF, 0xFF0000FF, 0xFFFFFF00};
    for (int f = 0; f < 6; ++f) {
        faces[f] = RgbaImage(8, 8, colours[f]);
    }
    for (bool mips : {false, true}) {
        ImageData read = ReadGood(EncodeCubeDds(faces, DdsFormat::A8R8G8B8, mips));
        ASSERT_TRUE(read.cube);
        ASSERT_EQ(read.levels, mips ? 4u : 1u);
        ASSERT_EQ(read.surfaces.size(), 6u * read.levels);
        GenerateMipChain(read);
        ASSERT_EQ(read.levels, 4u);
        for (uint32_t f = 0; f < 6; ++f) {
            for (uint32_t l = 0; l < 4; ++l) {
                const ImageSurface& s = read.Surface(f, l);
                EXPECT_EQ(s.width, 8u >> l);
                EXPECT_EQ(ArgbAt(s.bytes, s.width, s.width - 1, s.height - 1), colours[f]) << f << "/" << l;
            }
        }
    }
}

TEST(DdsReader, OtherBitMaskLayoutsBecomeArgb)
{
    // An A8B8G8R8 file: red and blue masks exchanged.
    RgbaImage image(2, 1);
    image.pixels = {0x80112233, 0xFF445566};
    std::vector<uint8_t> file = EncodeDds(image, DdsFormat::A8R8G8B8, false);
    Poke32(file, DDS_PF_RMASK, 0xFF);
    Poke32(file, DDS_PF_BMASK, 0xFF0000);
    ImageData read = ReadGood(file);
    ASSERT_EQ(read.format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(ArgbAt(read.surfaces[0].bytes, 2, 0, 0), 0x80332211u);
    EXPECT_EQ(ArgbAt(read.surfaces[0].bytes, 2, 1, 0), 0xFF665544u);

    // A hand-made 16-bit luminance-alpha file (A8L8), 2x1 texels.
    std::vector<uint8_t> la = EncodeDds(RgbaImage(2, 1), DdsFormat::R5G6B5, false);
    Poke32(la, DDS_PF_FLAGS, 0x20000 | 0x1);
    Poke32(la, DDS_PF_RMASK, 0xFF);
    Poke32(la, DDS_PF_GMASK, 0);
    Poke32(la, DDS_PF_BMASK, 0);
    Poke32(la, DDS_PF_AMASK, 0xFF00);
    la.resize(128);
    la.insert(la.end(), {0x40, 0x80, 0xFF, 0x10});
    read = ReadGood(la);
    ASSERT_EQ(read.format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(ArgbAt(read.surfaces[0].bytes, 2, 0, 0), 0x80404040u);
    EXPECT_EQ(ArgbAt(read.surfaces[0].bytes, 2, 1, 0), 0x10FFFFFFu);

    // Eight-bit luminance and alpha files keep their own formats.
    std::vector<uint8_t> l8 = la;
    Poke32(l8, DDS_PF_FLAGS, 0x20000);
    Poke32(l8, DDS_PF_BITS, 8);
    Poke32(l8, DDS_PF_AMASK, 0);
    EXPECT_EQ(ReadGood(l8).format, D3DFMT_L8);
    std::vector<uint8_t> a8 = la;
    Poke32(a8, DDS_PF_FLAGS, 0x2);
    Poke32(a8, DDS_PF_BITS, 8);
    Poke32(a8, DDS_PF_RMASK, 0);
    Poke32(a8, DDS_PF_AMASK, 0xFF);
    EXPECT_EQ(ReadGood(a8).format, D3DFMT_A8);
}

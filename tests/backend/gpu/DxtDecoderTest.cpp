#include "backend/gpu/ImageData.h"
#include "backend/gpu/ImageTestData.h"
#include "datagen/writers/DdsWriter.h"

#include <gtest/gtest.h>

using namespace backend;
using namespace imagetest;

namespace {

std::vector<uint8_t> Decode(GpuFormat format, uint32_t w, uint32_t h, const std::vector<uint8_t>& blocks)
{
    std::vector<uint8_t> argb;
    DecompressDxt(format, w, h, blocks.data(), argb);
    return argb;
}

} // namespace

TEST(DxtDecoder, Dxt1FourAndThreeColourBlocks)
{
    // c0 = pure red (0xF800) > c1 = pure blue (0x001F); indices 0,1,2,3 along the first row, then all 0.
    std::vector<uint8_t> block = {0x00, 0xF8, 0x1F, 0x00, 0xE4, 0x00, 0x00, 0x00};
    std::vector<uint8_t> argb = Decode(D3DFMT_DXT1, 4, 4, block);
    EXPECT_EQ(ArgbAt(argb, 4, 0, 0), 0xFFFF0000u);
    EXPECT_EQ(ArgbAt(argb, 4, 1, 0), 0xFF0000FFu);
    EXPECT_EQ(ArgbAt(argb, 4, 2, 0), 0xFFAA0055u); // 2/3 red + 1/3 blue
    EXPECT_EQ(ArgbAt(argb, 4, 3, 0), 0xFF5500AAu);
    EXPECT_EQ(ArgbAt(argb, 4, 3, 3), 0xFFFF0000u);

    // Swapped endpoints select three colours and transparent black.
    block = {0x1F, 0x00, 0x00, 0xF8, 0xE4, 0x00, 0x00, 0x00};
    argb = Decode(D3DFMT_DXT1, 4, 4, block);
    EXPECT_EQ(ArgbAt(argb, 4, 0, 0), 0xFF0000FFu);
    EXPECT_EQ(ArgbAt(argb, 4, 1, 0), 0xFFFF0000u);
    EXPECT_EQ(ArgbAt(argb, 4, 2, 0), 0xFF800080u);
    EXPECT_EQ(ArgbAt(argb, 4, 3, 0), 0x00000000u);
}

TEST(DxtDecoder, Dxt3AndDxt5Alpha)
{
    // DXT3: explicit 4-bit alpha, low nibble first; the colour part never has the transparent mode.
    std::vector<uint8_t> block = {0xF0, 0x00, 0, 0, 0, 0, 0, 0x7F, 0x1F, 0x00, 0x00, 0xF8, 0x03, 0, 0, 0};
    std::vector<uint8_t> argb = Decode(D3DFMT_DXT3, 4, 4, block);
    EXPECT_EQ(ArgbAt(argb, 4, 0, 0), 0x00AA0055u); // index 3 of four colours although c0 < c1; alpha 0
    EXPECT_EQ(ArgbAt(argb, 4, 1, 0), 0xFF0000FFu);
    EXPECT_EQ(ArgbAt(argb, 4, 2, 0), 0x000000FFu);
    EXPECT_EQ(ArgbAt(argb, 4, 2, 3) >> 24, 0xFFu);
    EXPECT_EQ(ArgbAt(argb, 4, 3, 3) >> 24, 0x77u);

    // DXT5, a0 > a1: eight interpolated values; indices 0..7 over the first 8 texels.
    uint64_t bits = 0;
    for (int i = 0; i < 8; ++i) {
        bits |= uint64_t(i) << (3 * i);
    }
    block = {0xFF, 0x00};
    for (int i = 0; i < 6; ++i) {
        block.push_back(uint8_t(bits >> (8 * i)));
    }
    block.insert(block.end(), {0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0});
    argb = Decode(D3DFMT_DXT5, 4, 4, block);
    const uint32_t eight[8] = {255, 0, 219, 182, 146, 109, 73, 36};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(ArgbAt(argb, 4, i % 4, i / 4) >> 24, eight[i]) << i;
    }
    EXPECT_EQ(ArgbAt(argb, 4, 0, 0) & 0xFFFFFF, 0xFFFFFFu);
    // a0 <= a1: six values plus 0 and 255.
    block[0] = 0x00;
    block[1] = 0xFF;
    argb = Decode(D3DFMT_DXT5, 4, 4, block);
    const uint32_t six[8] = {0, 255, 51, 102, 153, 204, 0, 255};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(ArgbAt(argb, 4, i % 4, i / 4) >> 24, six[i]) << i;
    }
}

TEST(DxtDecoder, PartialBlocksFillOnlyTheImage)
{
    // A 6x3 image needs 2x1 blocks; texels outside the image are dropped, never written.
    std::vector<uint8_t> blocks = {0x00, 0xF8, 0x00, 0xF8, 0, 0, 0, 0, 0x1F, 0x00, 0x1F, 0x00, 0, 0, 0, 0};
    std::vector<uint8_t> argb = Decode(D3DFMT_DXT1, 6, 3, blocks);
    ASSERT_EQ(argb.size(), 6u * 3 * 4);
    EXPECT_EQ(ArgbAt(argb, 6, 3, 2), 0xFFFF0000u);
    EXPECT_EQ(ArgbAt(argb, 6, 4, 0), 0xFF0000FFu);
    EXPECT_EQ(ArgbAt(argb, 6, 5, 2), 0xFF0000FFu);
    EXPECT_EQ(Decode(D3DFMT_DXT1, 1, 1, blocks).size(), 4u);
}

TEST(DxtDecoder, EncoderAndDecoderAgreeOnSmoothPictures)
{
    const datagen::RgbaImage image = Gradient(64, 64);
    for (datagen::DdsFormat f : {datagen::DdsFormat::DXT1, datagen::DdsFormat::DXT3, datagen::DdsFormat::DXT5}) {
        std::vector<uint8_t> file = datagen::EncodeDds(image, f, false);
        ImageData read = ReadGood(file);
        ASSERT_FALSE(HasFailure());
        std::vector<uint8_t> argb = Decode(read.format, 64, 64, read.surfaces[0].bytes);
        int worst = 0;
        for (uint32_t y = 0; y < 64; ++y) {
            for (uint32_t x = 0; x < 64; ++x) {
                uint32_t expected = image.At(x, y), got = ArgbAt(argb, 64, x, y);
                if (f == datagen::DdsFormat::DXT1) {
                    expected |= 0xFF000000u; // all alpha >= 128: opaque blocks
                }
                worst = std::max(worst, ChannelDistance(expected, got));
            }
        }
        // Blocks span 4 steps of 4 levels per channel (and 37 per step in blue): a loose bound that still
        // catches swapped endpoints, wrong index order or wrong channel order.
        EXPECT_LE(worst, 40) << int(f);
    }

    // Transparent pixels in DXT1 survive as transparent black; opaque ones stay opaque.
    uint32_t pixels[16];
    for (int i = 0; i < 16; ++i) {
        pixels[i] = (i % 3 == 0) ? 0x00FFFFFFu : 0xFF00FF00u;
    }
    std::vector<uint8_t> block(8);
    datagen::EncodeDxtBlock(pixels, datagen::DdsFormat::DXT1, block.data());
    std::vector<uint8_t> argb = Decode(D3DFMT_DXT1, 4, 4, block);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(ArgbAt(argb, 4, i % 4, i / 4), (i % 3 == 0) ? 0u : 0xFF00FF00u) << i;
    }
}

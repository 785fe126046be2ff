#include "backend/gpu/ImageData.h"
#include "backend/gpu/ImageTestData.h"
#include "datagen/writers/JpegWriter.h"
#include "datagen/writers/PngWriter.h"

#include <gtest/gtest.h>

using namespace backend;
using namespace imagetest;
using datagen::RgbaImage;

TEST(ImagePng, RoundTripKeepsEveryPixelAndAlpha)
{
    const RgbaImage image = Gradient(13, 7);
    ImageData read = ReadGood(datagen::EncodePng(image, true));
    EXPECT_EQ(read.format, D3DFMT_A8R8G8B8);
    ASSERT_EQ(read.width, 13u);
    ASSERT_EQ(read.height, 7u);
    ASSERT_EQ(read.levels, 1u);
    for (uint32_t y = 0; y < 7; ++y) {
        for (uint32_t x = 0; x < 13; ++x) {
            EXPECT_EQ(ArgbAt(read.surfaces[0].bytes, 13, x, y), image.At(x, y)) << x << "," << y;
        }
    }

    // Without alpha: X8R8G8B8 with the fourth byte opaque.
    read = ReadGood(datagen::EncodePng(image, false));
    ASSERT_FALSE(HasFailure());
    EXPECT_EQ(read.format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(ArgbAt(read.surfaces[0].bytes, 13, 12, 6), image.At(12, 6) | 0xFF000000u);

    GenerateMipChain(read);
    EXPECT_EQ(read.levels, 4u); // 13x7, 6x3, 3x1, 1x1
    EXPECT_EQ(read.surfaces[2].width, 3u);
    EXPECT_EQ(read.surfaces[2].height, 1u);
}

TEST(ImagePng, DamagedFilesFailWithAnError)
{
    const std::vector<uint8_t> good = datagen::EncodePng(Gradient(32, 32), true);

    // Cut anywhere past the signature.
    for (size_t size : {size_t(8), size_t(20), size_t(40), good.size() / 2, good.size() - 1}) {
        SCOPED_TRACE(size);
        ExpectRefused(std::vector<uint8_t>(good.begin(), good.begin() + size), "PNG");
    }
    // A flipped byte inside the picture data breaks its checksum.
    std::vector<uint8_t> flipped = good;
    flipped[good.size() / 2] ^= 0x5A;
    ExpectRefused(flipped, "PNG");
    // A header claiming a huge picture is refused before anything is allocated.
    std::vector<uint8_t> huge = good;
    huge[16] = 0x7F; // width, big-endian at bytes 16..19
    ExpectRefused(huge, "PNG");
}

TEST(ImageJpeg, ColourAndGreyPicturesDecodeCloseToTheSource)
{
    RgbaImage image(32, 16);
    for (uint32_t y = 0; y < 16; ++y) {
        for (uint32_t x = 0; x < 32; ++x) {
            image.At(x, y) = x < 16 ? (y < 8 ? 0xFFFF0000 : 0xFF0000FF) : (y < 8 ? 0xFF00FF00 : 0xFF808080);
        }
    }
    ImageData read = ReadGood(datagen::EncodeJpeg(image, 98));
    EXPECT_EQ(read.format, D3DFMT_X8R8G8B8);
    ASSERT_EQ(read.width, 32u);
    ASSERT_EQ(read.height, 16u);
    // Centres of the four areas, away from the lossy edges; row 0 is the top.
    const uint32_t points[4][2] = {{4, 3}, {4, 12}, {27, 3}, {27, 12}};
    for (const auto& p : points) {
        EXPECT_LE(ChannelDistance(ArgbAt(read.surfaces[0].bytes, 32, p[0], p[1]), image.At(p[0], p[1])), 12)
            << p[0] << "," << p[1];
    }

    read = ReadGood(datagen::EncodeJpeg(image, 98, true));
    ASSERT_FALSE(HasFailure());
    uint32_t grey = ArgbAt(read.surfaces[0].bytes, 32, 27, 12);
    EXPECT_EQ(grey >> 24, 0xFFu);
    EXPECT_EQ((grey >> 16) & 0xFF, grey & 0xFF);
    EXPECT_NEAR(int(grey & 0xFF), 0x80, 6);
}

TEST(ImageJpeg, DamagedFilesFailWithAnError)
{
    const std::vector<uint8_t> good = datagen::EncodeJpeg(Gradient(64, 64), 90);
    for (size_t size : {size_t(3), size_t(10), size_t(200), good.size() / 2, good.size() - 2}) {
        SCOPED_TRACE(size);
        ExpectRefused(std::vector<uint8_t>(good.begin(), good.begin() + size), "JPEG");
    }
    std::vector<uint8_t> garbage = {0xFF, 0xD8, 0xFF};
    for (int i = 0; i < 500; ++i) {
        garbage.push_back(uint8_t(i * 97 + 13));
    }
    ExpectRefused(garbage, "corrupt JPEG");
}

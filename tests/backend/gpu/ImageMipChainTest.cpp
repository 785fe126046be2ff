#include "backend/gpu/ImageData.h"
#include "backend/gpu/ImageTestData.h"
#include "datagen/writers/DdsWriter.h"

#include <gtest/gtest.h>

using namespace backend;
using namespace imagetest;

namespace {

ImageData ArgbImage(uint32_t width, uint32_t height, const std::vector<uint32_t>& pixels)
{
    ImageData image;
    image.format = D3DFMT_A8R8G8B8;
    image.width = width;
    image.height = height;
    image.levels = 1;
    image.surfaces.resize(1);
    image.surfaces[0].width = width;
    image.surfaces[0].height = height;
    for (uint32_t p : pixels) {
        image.surfaces[0].bytes.insert(image.surfaces[0].bytes.end(),
                                       {uint8_t(p), uint8_t(p >> 8), uint8_t(p >> 16), uint8_t(p >> 24)});
    }
    return image;
}

} // namespace

TEST(ImageMipChain, BoxFilterAveragesEachQuad)
{
    // 4x2: left quad black/white, right quad all one colour.
    ImageData image = ArgbImage(4, 2,
                                {0xFF000000, 0xFFFFFFFF, 0x80204060, 0x80204060, //
                                 0xFFFFFFFF, 0xFF000000, 0x80204060, 0x80204060});
    GenerateMipChain(image);
    ASSERT_EQ(image.levels, 3u);
    ASSERT_EQ(image.surfaces.size(), 3u);
    EXPECT_EQ(image.surfaces[1].width, 2u);
    EXPECT_EQ(image.surfaces[1].height, 1u);
    EXPECT_EQ(ArgbAt(image.surfaces[1].bytes, 2, 0, 0), 0xFF808080u);
    EXPECT_EQ(ArgbAt(image.surfaces[1].bytes, 2, 1, 0), 0x80204060u);
    EXPECT_EQ(image.surfaces[2].width, 1u);
    EXPECT_EQ(ArgbAt(image.surfaces[2].bytes, 1, 0, 0), 0xC0506070u);
}

TEST(ImageMipChain, NarrowAndOddSizesEndAtOneByOne)
{
    for (auto [w, h, levels] : {std::tuple{256u, 256u, 9u}, {8u, 2u, 4u}, {1u, 5u, 3u}, {7u, 7u, 3u}, {1u, 1u, 1u}}) {
        ImageData image = ArgbImage(w, h, std::vector<uint32_t>(size_t(w) * h, 0xFF336699));
        GenerateMipChain(image);
        ASSERT_EQ(image.levels, levels) << w << "x" << h;
        for (uint32_t l = 0; l < levels; ++l) {
            const ImageSurface& s = image.surfaces[l];
            EXPECT_EQ(s.width, std::max(1u, w >> l));
            EXPECT_EQ(s.height, std::max(1u, h >> l));
            ASSERT_EQ(s.bytes.size(), size_t(s.width) * s.height * 4);
            EXPECT_EQ(ArgbAt(s.bytes, s.width, s.width - 1, s.height - 1), 0xFF336699u);
        }
        EXPECT_EQ(image.surfaces.back().width, 1u);
        EXPECT_EQ(image.surfaces.back().height, 1u);
    }
}

TEST(ImageMipChain, PackedFormatsKeepTheirFormat)
{
    datagen::RgbaImage source(8, 8, 0xFFFF0000);
    for (uint32_t y = 0; y < 8; ++y) {
        for (uint32_t x = 4; x < 8; ++x) {
            source.At(x, y) = 0xFF0000FF;
        }
    }
    std::vector<uint8_t> file = datagen::EncodeDds(source, datagen::DdsFormat::R5G6B5, false);
    ImageData image = ReadGood(file);
    ASSERT_FALSE(HasFailure());
    GenerateMipChain(image);
    ASSERT_EQ(image.format, D3DFMT_R5G6B5);
    ASSERT_EQ(image.levels, 4u);
    const ImageSurface& two = image.surfaces[2]; // 2x2: left red, right blue
    EXPECT_EQ(two.bytes[0] | (two.bytes[1] << 8), 0xF800);
    EXPECT_EQ(two.bytes[2] | (two.bytes[3] << 8), 0x001F);
    const ImageSurface& one = image.surfaces[3]; // half red, half blue
    EXPECT_EQ(one.bytes[0] | (one.bytes[1] << 8), (16 << 11) | 16);
}

TEST(ImageMipChain, CompressedImagesWithoutMipsAreDecompressedFirst)
{
    datagen::RgbaImage source(16, 16, 0xFF00FF00);
    std::vector<uint8_t> file = datagen::EncodeDds(source, datagen::DdsFormat::DXT1, false);
    ImageData image = ReadGood(file);
    ASSERT_FALSE(HasFailure());
    ASSERT_EQ(image.format, D3DFMT_DXT1);
    GenerateMipChain(image);
    EXPECT_EQ(image.format, D3DFMT_A8R8G8B8);
    ASSERT_EQ(image.levels, 5u);
    EXPECT_EQ(image.surfaces[0].bytes.size(), 16u * 16 * 4);
    EXPECT_EQ(ArgbAt(image.surfaces[0].bytes, 16, 15, 15), 0xFF00FF00u);
    EXPECT_EQ(ArgbAt(image.surfaces[4].bytes, 1, 0, 0), 0xFF00FF00u);
}

TEST(ImageMipChain, InconsistentImagesAreLeftAlone)
{
    ImageData empty;
    GenerateMipChain(empty);
    EXPECT_EQ(empty.levels, 0u);

    ImageData shortData = ArgbImage(4, 4, std::vector<uint32_t>(4, 0xFFFFFFFF)); // 4 texels for 16
    GenerateMipChain(shortData);
    EXPECT_EQ(shortData.levels, 1u);

    ImageData missingFaces = ArgbImage(4, 4, std::vector<uint32_t>(16, 0xFFFFFFFF));
    missingFaces.cube = true; // one surface where six are needed
    GenerateMipChain(missingFaces);
    EXPECT_EQ(missingFaces.levels, 1u);
}

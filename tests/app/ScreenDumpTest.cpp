#include "ScreenDump.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace {

struct DumpLayout {
    uint32_t format = 2;
    uint32_t width = 3, height = 2;
    uint32_t byteOrder = 0;
    uint32_t bitsPerPixel = 24;
    uint32_t bytesPerLine = 12;
    uint32_t redMask = 0xFF0000u, greenMask = 0x00FF00u, blueMask = 0x0000FFu;
    uint32_t colourCount = 2;
};

// A dump with a 4-byte window name and `colourCount` colour entries; pixel
// (x, y) has the value 0x102030 * (1 + x + 3 * y) in its low 24 bits, written
// in the layout's pixel size and byte order. Line padding is 0xEE.
std::vector<uint8_t> MakeDump(const DumpLayout& layout)
{
    std::vector<uint8_t> bytes;
    auto put = [&](std::initializer_list<uint32_t> values) {
        for (uint32_t value : values)
            for (int shift = 24; shift >= 0; shift -= 8)
                bytes.push_back(uint8_t(value >> shift));
    };
    // The header: its size, version, format, depth, size, offset, byte and bit orders, pixel layout, masks,
    // bits per colour, colour map entries and count, window size and place, border.
    put({104, 7, layout.format, 24, layout.width, layout.height, 0, layout.byteOrder, 32, layout.byteOrder});
    put({32, layout.bitsPerPixel, layout.bytesPerLine, 4, layout.redMask, layout.greenMask, layout.blueMask});
    put({8, 256, layout.colourCount, layout.width, layout.height, 0, 0, 0});
    for (char c : {'s', 'h', 'o', '\0'})
        bytes.push_back(uint8_t(c));
    bytes.resize(bytes.size() + size_t(layout.colourCount) * 12, 0x55);
    const uint32_t pixelBytes = layout.bitsPerPixel / 8;
    for (uint32_t y = 0; y < layout.height; ++y) {
        const size_t lineStart = bytes.size();
        for (uint32_t x = 0; x < layout.width; ++x) {
            const uint32_t value = (0x102030u * (1 + x + 3 * y)) & 0xFFFFFFu;
            for (uint32_t i = 0; i < pixelBytes; ++i) {
                const uint32_t shift = 8 * (layout.byteOrder == 1 ? pixelBytes - 1 - i : i);
                bytes.push_back(uint8_t(shift < 32 ? value >> shift : 0));
            }
        }
        bytes.resize(lineStart + layout.bytesPerLine, 0xEE);
    }
    return bytes;
}

uint32_t Expected(uint32_t x, uint32_t y)
{
    return 0xFF000000u | ((0x102030u * (1 + x + 3 * y)) & 0xFFFFFFu);
}

} // namespace

TEST(ScreenDump, PixelsOfEverySizeAndByteOrderDecodeToTheirColours)
{
    DumpLayout packed; // Xvfb's root window: 3 bytes a pixel, lines padded
    DumpLayout packedBigEndian = packed;
    packedBigEndian.byteOrder = 1;
    DumpLayout wide;
    wide.bitsPerPixel = 32;
    wide.bytesPerLine = 16;
    DumpLayout wideBigEndian = wide;
    wideBigEndian.byteOrder = 1;
    for (const DumpLayout& layout : {packed, packedBigEndian, wide, wideBigEndian}) {
        SCOPED_TRACE(testing::Message() << layout.bitsPerPixel << " bits, byte order " << layout.byteOrder);
        datagen::RgbaImage image;
        ASSERT_TRUE(DecodeScreenDump(MakeDump(layout), image));
        ASSERT_EQ(image.width, 3u);
        ASSERT_EQ(image.height, 2u);
        for (uint32_t y = 0; y < 2; ++y)
            for (uint32_t x = 0; x < 3; ++x)
                EXPECT_EQ(image.At(x, y), Expected(x, y)) << x << "," << y;
    }

    // Blue in the high byte, red in the low one.
    DumpLayout swapped = wide;
    swapped.redMask = 0x0000FFu;
    swapped.blueMask = 0xFF0000u;
    datagen::RgbaImage image;
    ASSERT_TRUE(DecodeScreenDump(MakeDump(swapped), image));
    EXPECT_EQ(image.At(0, 0), 0xFF302010u);
}

TEST(ScreenDump, BrokenOrUnreadableDumpsAreRefusedAndLeaveTheImage)
{
    std::vector<DumpLayout> layouts(9);
    layouts[0].format = 1;
    layouts[1].bitsPerPixel = 16;
    layouts[2].width = 0;
    layouts[3].height = 0;
    layouts[4].bytesPerLine = 8; // less than 3 pixels of 3 bytes
    layouts[5].redMask = 0;
    layouts[6].greenMask = 0xFFF0u;
    layouts[7].width = 9000;
    layouts[7].bytesPerLine = 27000;
    for (size_t i = 0; i < layouts.size(); ++i) {
        datagen::RgbaImage image(1, 1, 0x12345678u);
        std::vector<uint8_t> dump = MakeDump(layouts[i]);
        if (i == 8)
            dump[19 * 4] = 0x7F; // a colour count far beyond the file
        EXPECT_FALSE(DecodeScreenDump(dump, image)) << i;
        EXPECT_EQ(image.width, 1u);
        EXPECT_EQ(image.At(0, 0), 0x12345678u);
    }

    const std::vector<uint8_t> good = MakeDump(DumpLayout());
    for (size_t size : {size_t(0), size_t(40), size_t(103), good.size() - 1}) {
        datagen::RgbaImage image(1, 1, 0x12345678u);
        EXPECT_FALSE(DecodeScreenDump(std::vector<uint8_t>(good.begin(), good.begin() + long(size)), image)) << size;
        EXPECT_EQ(image.At(0, 0), 0x12345678u);
    }
}

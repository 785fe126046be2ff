// PNG layouts the game's writer doesn't make: grey, 16-bit, palettes with transparency, interlacing.

#include "backend/gpu/ImageData.h"
#include "backend/gpu/ImageTestData.h"

#include <gtest/gtest.h>
#include <png.h>

#include <csetjmp>

using namespace backend;
using namespace imagetest;

namespace {

struct PngSpec {
    uint32_t width, height;
    int bitDepth, colourType;
    bool interlaced;
    std::vector<png_color> palette;
    std::vector<png_byte> paletteAlpha;
};

void Append(png_structp png, png_bytep data, png_size_t size)
{
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + size);
}

void NoFlush(png_structp) {}

// Rows are given already packed in the file's layout.
std::vector<uint8_t> WritePng(const PngSpec& spec, std::vector<std::vector<uint8_t>>& rows)
{
    std::vector<uint8_t> out;
    std::vector<png_bytep> rowPointers;
    for (auto& row : rows) {
        rowPointers.push_back(row.data());
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        ADD_FAILURE() << "libpng refused the test picture";
        return {};
    }
    png_set_write_fn(png, &out, Append, NoFlush);
    png_set_IHDR(png, info, spec.width, spec.height, spec.bitDepth, spec.colourType,
                 spec.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!spec.palette.empty()) {
        png_set_PLTE(png, info, spec.palette.data(), int(spec.palette.size()));
    }
    if (!spec.paletteAlpha.empty()) {
        png_set_tRNS(png, info, spec.paletteAlpha.data(), int(spec.paletteAlpha.size()), nullptr);
    }
    png_write_info(png, info);
    png_write_image(png, rowPointers.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

} // namespace

TEST(ImagePngFormats, GreyAndSixteenBitPicturesBecomeEightBitColour)
{
    // 16-bit grey with alpha, interlaced: value v in the high byte, alpha 0x8000 + x.
    PngSpec spec{9, 5, 16, PNG_COLOR_TYPE_GRAY_ALPHA, true, {}, {}};
    std::vector<std::vector<uint8_t>> rows(5);
    for (uint32_t y = 0; y < 5; ++y) {
        for (uint32_t x = 0; x < 9; ++x) {
            uint8_t v = uint8_t(x * 20 + y);
            rows[y].insert(rows[y].end(), {v, 0x00, uint8_t(0x80 + x), 0x00});
        }
    }
    ImageData image = ReadGood(WritePng(spec, rows));
    ASSERT_EQ(image.format, D3DFMT_A8R8G8B8);
    ASSERT_EQ(image.width, 9u);
    for (uint32_t y = 0; y < 5; ++y) {
        for (uint32_t x = 0; x < 9; ++x) {
            uint32_t v = x * 20 + y;
            EXPECT_EQ(ArgbAt(image.surfaces[0].bytes, 9, x, y), ((0x80 + x) << 24) | (v << 16) | (v << 8) | v)
                << x << "," << y;
        }
    }

    // 1-bit grey: 0 black, 1 white, no alpha.
    PngSpec bits{10, 2, 1, PNG_COLOR_TYPE_GRAY, false, {}, {}};
    std::vector<std::vector<uint8_t>> bitRows = {{0xA0, 0x40}, {0x00, 0xC0}};
    image = ReadGood(WritePng(bits, bitRows));
    ASSERT_EQ(image.format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(ArgbAt(image.surfaces[0].bytes, 10, 0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(ArgbAt(image.surfaces[0].bytes, 10, 1, 0), 0xFF000000u);
    EXPECT_EQ(ArgbAt(image.surfaces[0].bytes, 10, 9, 0), 0xFFFFFFFFu);
    EXPECT_EQ(ArgbAt(image.surfaces[0].bytes, 10, 8, 1), 0xFFFFFFFFu);
    EXPECT_EQ(ArgbAt(image.surfaces[0].bytes, 10, 0, 1), 0xFF000000u);
}

TEST(ImagePngFormats, PaletteTransparencyBecomesAlpha)
{
    PngSpec spec{4, 1, 4, PNG_COLOR_TYPE_PALETTE, false, {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}}, {0x00, 0x80}};
    std::vector<std::vector<uint8_t>> rows = {{0x01, 0x22}}; // indices 0, 1, 2, 2
    ImageData image = ReadGood(WritePng(spec, rows));
    ASSERT_EQ(image.format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(ArgbAt(image.surfaces[0].bytes, 4, 0, 0), 0x00FF0000u);
    EXPECT_EQ(ArgbAt(image.surfaces[0].bytes, 4, 1, 0), 0x8000FF00u);
    EXPECT_EQ(ArgbAt(image.surfaces[0].bytes, 4, 2, 0), 0xFF0000FFu); // beyond the alpha table: opaque
}

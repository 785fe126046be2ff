#include "datagen/writers/FontWriter.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

namespace datagen {

namespace {

struct LibraryDeleter {
    void operator()(FT_Library library) const { FT_Done_FreeType(library); }
};
struct FaceDeleter {
    void operator()(FT_Face face) const { FT_Done_Face(face); }
};
using LibraryHandle = std::unique_ptr<std::remove_pointer_t<FT_Library>, LibraryDeleter>;
using FaceHandle = std::unique_ptr<std::remove_pointer_t<FT_Face>, FaceDeleter>;

constexpr int CELL_PADDING = 2;

bool HasGlyph(unsigned code)
{
    return (code >= 33 && code <= 126) || (code >= 161 && code <= 255);
}

// Copies one rendered glyph into its cell, clipped to the cell minus its padding.
void BlitGlyph(const FT_Bitmap& bitmap, int left, int top, int cellX, int cellY, int cellSize, RgbaImage& image)
{
    const int limit = cellSize - CELL_PADDING;
    for (unsigned row = 0; row < bitmap.rows; ++row) {
        const int y = top + int(row);
        if (y < 0 || y >= limit)
            continue;
        for (unsigned column = 0; column < bitmap.width; ++column) {
            const int x = left + int(column);
            if (x < 0 || x >= limit)
                continue;
            const unsigned px = unsigned(cellX + x), py = unsigned(cellY + y);
            if (px >= image.width || py >= image.height)
                continue;
            const uint8_t coverage = bitmap.buffer[row * unsigned(std::abs(bitmap.pitch)) + column];
            image.At(px, py) = (uint32_t(coverage) << 24) | 0x00FFFFFFu;
        }
    }
}

} // namespace

bool RenderFontSheet(const std::string& fontPath, uint32_t sheetSize, FontSheet& out, std::string& error)
{
    if (sheetSize < 256 || sheetSize % 16 != 0) {
        error = "font sheet size must be a multiple of 16, at least 256";
        return false;
    }
    FT_Library rawLibrary = nullptr;
    if (FT_Init_FreeType(&rawLibrary) != 0) {
        error = "FreeType could not be initialised";
        return false;
    }
    LibraryHandle library(rawLibrary);
    FT_Face rawFace = nullptr;
    if (FT_New_Face(library.get(), fontPath.c_str(), 0, &rawFace) != 0) {
        error = "cannot open font " + fontPath;
        return false;
    }
    FaceHandle face(rawFace);

    const int cellSize = int(sheetSize / 16);
    const int usable = cellSize - CELL_PADDING;
    // Pixel size chosen so that ascender plus descender fill about the usable height.
    if (FT_Set_Pixel_Sizes(face.get(), 0, FT_UInt(usable * 3 / 4)) != 0) {
        error = "font cannot be scaled";
        return false;
    }
    const int ascender = int(face->size->metrics.ascender >> 6);
    const int descender = int(-face->size->metrics.descender >> 6);
    const int baseline = std::max(0, (usable - (ascender + descender)) / 2) + ascender;

    out.image = RgbaImage(sheetSize, sheetSize, 0x00FFFFFFu);
    std::fill(std::begin(out.advances), std::end(out.advances), 0.0f);

    for (unsigned code = 32; code < 256; ++code) {
        if (code != 32 && !HasGlyph(code))
            continue;
        if (FT_Load_Char(face.get(), code, FT_LOAD_RENDER) != 0)
            continue;
        const FT_GlyphSlot slot = face->glyph;
        out.advances[code] = std::min(float(slot->advance.x) / 64.0f, float(usable));
        if (code == 32)
            continue;
        const int cellX = 1 + int(code % 16) * cellSize;
        const int cellY = 1 + int(code / 16) * cellSize;
        BlitGlyph(slot->bitmap, std::max(0, slot->bitmap_left), baseline - slot->bitmap_top, cellX, cellY, cellSize,
                  out.image);
    }
    return true;
}

std::vector<uint8_t> EncodeFontWidths(const float advances[256])
{
    std::vector<uint8_t> bytes(1024);
    for (int i = 0; i < 256; ++i) {
        uint32_t bits;
        std::memcpy(&bits, &advances[i], 4);
        for (int b = 0; b < 4; ++b)
            bytes[size_t(i) * 4 + size_t(b)] = uint8_t(bits >> (8 * b));
    }
    return bytes;
}

} // namespace datagen

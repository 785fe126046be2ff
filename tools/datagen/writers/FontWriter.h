#pragma once
// Bitmap font sheets and their advance tables ("Data\Font.dat"), rendered from a TrueType font.

#include "datagen/writers/RgbaImage.h"

#include <cstdint>
#include <string>
#include <vector>

namespace datagen {

struct FontSheet {
    // Square sheet of 16 x 16 cells of side size / 16, code c in row c / 16 and column c % 16;
    // the grid starts one texel in from the top-left corner. White, coverage in alpha.
    RgbaImage image;
    // Horizontal advance of each character code in sheet texels; 0 for codes without a glyph.
    float advances[256] = {};
};

// Renders the printable codes 33..126 and 161..255 (Latin-1) and sets the space's advance.
// Every glyph stays inside its cell with two texels free on its right and bottom; cells
// 0..32 and 127..160 are left empty. False with a message when the font can't be used.
bool RenderFontSheet(const std::string& fontPath, uint32_t sheetSize, FontSheet& out, std::string& error);

// The 1024-byte width table: 256 little-endian 32-bit floats.
std::vector<uint8_t> EncodeFontWidths(const float advances[256]);

} // namespace datagen

#include "datagen/TextPainter.h"

#include "datagen/Painter.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cmath>

namespace datagen {

struct TextPainter::Handles {
    FT_Library library = nullptr;
    FT_Face face = nullptr;

    ~Handles()
    {
        if (face)
            FT_Done_Face(face);
        if (library)
            FT_Done_FreeType(library);
    }
};

TextPainter::TextPainter() : handles(std::make_unique<Handles>()) {}

TextPainter::~TextPainter() = default;

bool TextPainter::Open(const std::string& fontPath, std::string& error)
{
    if (!handles->library && FT_Init_FreeType(&handles->library) != 0) {
        handles->library = nullptr;
        error = "FreeType can't start";
        return false;
    }
    if (handles->face) {
        FT_Done_Face(handles->face);
        handles->face = nullptr;
    }
    if (FT_New_Face(handles->library, fontPath.c_str(), 0, &handles->face) != 0) {
        handles->face = nullptr;
        error = "can't open font " + fontPath;
        return false;
    }
    return true;
}

float TextPainter::Measure(const std::string& text, uint32_t size)
{
    if (!handles->face)
        return 0.0f;
    FT_Set_Pixel_Sizes(handles->face, 0, size);
    long width = 0;
    for (unsigned char c : text)
        if (FT_Load_Char(handles->face, c, FT_LOAD_DEFAULT) == 0)
            width += handles->face->glyph->advance.x;
    return static_cast<float>(width) / 64.0f;
}

void TextPainter::Draw(RgbaImage& image, const std::string& text, uint32_t size, float x, float baselineY,
                       uint32_t color, bool centred)
{
    if (!handles->face)
        return;
    float penX = centred ? x - Measure(text, size) * 0.5f : x;
    FT_Set_Pixel_Sizes(handles->face, 0, size);
    for (unsigned char c : text) {
        if (FT_Load_Char(handles->face, c, FT_LOAD_RENDER) != 0)
            continue;
        const FT_GlyphSlot glyph = handles->face->glyph;
        const FT_Bitmap& bitmap = glyph->bitmap;
        const int left = static_cast<int>(std::lround(penX)) + glyph->bitmap_left;
        const int top = static_cast<int>(std::lround(baselineY)) - glyph->bitmap_top;
        for (unsigned row = 0; row < bitmap.rows; ++row)
            for (unsigned column = 0; column < bitmap.width; ++column) {
                const uint8_t coverage = bitmap.buffer[row * static_cast<unsigned>(std::abs(bitmap.pitch)) + column];
                if (coverage)
                    BlendPixel(image, left + static_cast<int>(column), top + static_cast<int>(row), color,
                               coverage / 255.0f);
            }
        penX += static_cast<float>(glyph->advance.x) / 64.0f;
    }
}

void TextPainter::DrawShadowed(RgbaImage& image, const std::string& text, uint32_t size, float x, float baselineY,
                               uint32_t color, uint32_t shadow, float offset, bool centred)
{
    Draw(image, text, size, x + offset, baselineY + offset, shadow, centred);
    Draw(image, text, size, x, baselineY, color, centred);
}

} // namespace datagen

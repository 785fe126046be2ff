#pragma once
// Text drawn glyph by glyph from a 16 x 16 glyph sheet, with the advance of each
// character code from the font's width table (a DAT file of 256 floats).

#include "engine/platform/Texture.h"
#include "engine/platform/VertexImage.h"

#include <cstdint>

class BitmapFont {
public:
    bool Load(const char* textureFile, const char* datFile, float glyphWidth, float glyphHeight, uint32_t sheetSize,
              bool colourOnly);
    // align: 0 left, 1 centred on x, 2 right-aligned at x; each line is aligned by its own width.
    void DrawText(const char* text, float x, float y, float scale, float spacing, uint32_t colour, int align);
    // Width of the text up to its first line feed.
    float GetLineWidth(const char* text, float scale, float spacing) const;
    float AlignX(float x, float width, int align) const;
    bool Restore();
    void Release();

    Texture texture;
    VertexImage glyph;
    bool colourOnly = false;
    float glyphWidth = 0.0f, glyphHeight = 0.0f;
    float advance[256] = {};
    float glyphUV[256][4] = {};
};

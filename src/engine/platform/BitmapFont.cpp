#include "engine/platform/BitmapFont.h"

#include "backend/files/Files.h"
#include "backend/gpu/GpuDevice.h"
#include "backend/gpu/GpuTexture.h"
#include "engine/platform/Log.h"
#include "engine/platform/RenderDevice.h"

#include <cstdio>
#include <cstring>
#include <string>

using namespace backend;

bool BitmapFont::Load(const char* textureFile, const char* datFile, float newGlyphWidth, float newGlyphHeight,
                      uint32_t sheetSize, bool newColourOnly)
{
    glyphWidth = newGlyphWidth;
    glyphHeight = newGlyphHeight;
    colourOnly = newColourOnly;
    LogMessage("\nLoading bitmap font...");
    const float fullUv[4] = {0.0f, 0.0f, 1.0f, 1.0f};
    if (!glyph.Load(nullptr, glyphWidth, glyphHeight, 0, fullUv))
        return false;
    if (!texture.Load(textureFile))
        return false;

    LogMessage("\nLoading bitmap font DAT file...");
    std::string refusal;
    FILE* file = datFile != nullptr ? OpenFileForReading(datFile, MAX_SETTINGS_FILE_BYTES, &refusal) : nullptr;
    if (file == nullptr)
        return ReportFileError("Error loading bitmap font DAT file!", datFile, refusal);
    // The table is 256 little-endian floats, the machine's own layout here.
    const size_t read = std::fread(advance, 1, sizeof(advance), file);
    std::fclose(file);
    if (read != sizeof(advance))
        return ReportFileError("Error reading bitmap font DAT file!", datFile,
                               "shorter than its table of " + std::to_string(sizeof(advance)) + " bytes");

    const float size = float(sheetSize);
    const float cell = size / 16.0f;
    for (int c = 0; c < 256; ++c) {
        const float column = float(c % 16), row = float(c / 16);
        glyphUV[c][0] = (1.0f + column * cell + 0.5f) / size;
        glyphUV[c][1] = (1.0f + row * cell + 0.5f) / size;
        glyphUV[c][2] = (1.0f + (column + 1.0f) * cell - 0.5f) / size;
        glyphUV[c][3] = (1.0f + (row + 1.0f) * cell - 0.5f) / size;
    }
    return true;
}

void BitmapFont::DrawText(const char* text, float x, float y, float scale, float spacing, uint32_t colour, int align)
{
    if (text == nullptr || text[0] == '\0')
        return;
    RenderDevice& rd = g_RenderDevice;
    GpuDevice* device = rd.device;

    rd.Begin2D(800.0f, 600.0f);
    rd.ChangeRenderState(D3DRS_ALPHABLENDENABLE, 1);
    if (!colourOnly)
        rd.ChangeTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    rd.ChangeTextureStageState(0, D3DTSS_COLOROP, colourOnly ? D3DTOP_SELECTARG2 : D3DTOP_MODULATE);
    rd.ChangeRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    rd.ChangeRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);

    glyph.colour = colour;
    glyph.width = glyphWidth * scale;
    glyph.height = glyphHeight * scale;
    rd.SetTexture(0, texture.texture);
    device->SetRenderState(D3DRS_ZENABLE, 0);
    device->SetRenderState(D3DRS_LIGHTING, 0);
    if (rd.currentVertexShader != VERTEXIMAGE_FVF) {
        if (GpuSucceeded(device->SetVertexShader(VERTEXIMAGE_FVF)))
            rd.currentVertexShader = VERTEXIMAGE_FVF;
    }
    device->SetStreamSource(0, glyph.vertexBuffer, sizeof(VertexImageVertex));

    float penX = AlignX(x, GetLineWidth(text, scale, spacing), align);
    float penY = y;
    // Bytes index the tables as unsigned: codes above 127 are characters too.
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p != 0; ++p) {
        const unsigned char c = *p;
        std::memcpy(glyph.uv, glyphUV[c], sizeof(glyph.uv));
        glyph.UpdateVertices();
        glyph.SetPosition(penX, penY, 0);
        glyph.DrawQuad();
        if (c == '\n') {
            if (p[1] == 0)
                break;
            penX = AlignX(x, GetLineWidth(reinterpret_cast<const char*>(p + 1), scale, spacing), align);
            penY += scale * glyphHeight;
        } else {
            penX += (advance[c] + spacing) * scale;
        }
    }

    device->SetRenderState(D3DRS_LIGHTING, 1);
    device->SetRenderState(D3DRS_ZENABLE, 1);
    rd.RevertRenderState(D3DRS_SRCBLEND);
    rd.RevertRenderState(D3DRS_DESTBLEND);
    rd.RevertTextureStageState(0, D3DTSS_COLOROP);
    if (!colourOnly)
        rd.RevertTextureStageState(0, D3DTSS_ALPHAOP);
    rd.RevertRenderState(D3DRS_ALPHABLENDENABLE);
}

float BitmapFont::GetLineWidth(const char* text, float scale, float spacing) const
{
    float width = 0.0f;
    if (text == nullptr)
        return width;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p != 0 && *p != '\n'; ++p)
        width += (advance[*p] + spacing) * scale;
    return width;
}

float BitmapFont::AlignX(float x, float width, int align) const
{
    switch (align) {
    case 0:
        return x;
    case 1:
        return x - width * 0.5f;
    case 2:
        return x - width;
    default:
        return 0.0f;
    }
}

bool BitmapFont::Restore()
{
    LogMessage("\nRestoring bitmap font...");
    if (!glyph.Restore())
        return false;
    return texture.Restore();
}

void BitmapFont::Release()
{
    LogMessage("\nReleasing bitmap font...");
    texture.Release();
    glyph.Release();
}

// S3TC block decoding on the CPU, for devices without compressed texture support and for mip generation.

#include "backend/gpu/ImageData.h"

#include <algorithm>

namespace backend {

namespace {

uint16_t Read16(const uint8_t* p)
{
    return uint16_t(p[0] | (p[1] << 8));
}

void Expand565(uint16_t c, uint8_t bgra[4])
{
    uint32_t r = c >> 11, g = (c >> 5) & 63, b = c & 31;
    bgra[0] = uint8_t((b << 3) | (b >> 2));
    bgra[1] = uint8_t((g << 2) | (g >> 4));
    bgra[2] = uint8_t((r << 3) | (r >> 2));
    bgra[3] = 255;
}

// The four colours of a colour block; DXT1 switches to three colours and transparent black when c0 <= c1.
void ColourPalette(const uint8_t* block, bool allowThreeColour, uint8_t palette[4][4])
{
    uint16_t c0 = Read16(block), c1 = Read16(block + 2);
    Expand565(c0, palette[0]);
    Expand565(c1, palette[1]);
    bool fourColour = c0 > c1 || !allowThreeColour;
    for (int i = 0; i < 3; ++i) {
        if (fourColour) {
            palette[2][i] = uint8_t((2 * palette[0][i] + palette[1][i] + 1) / 3);
            palette[3][i] = uint8_t((palette[0][i] + 2 * palette[1][i] + 1) / 3);
        } else {
            palette[2][i] = uint8_t((palette[0][i] + palette[1][i] + 1) / 2);
            palette[3][i] = 0;
        }
    }
    palette[2][3] = 255;
    palette[3][3] = fourColour ? 255 : 0;
}

// Decodes one 4x4 block into texels[16][4] (B,G,R,A).
void DecodeBlock(GpuFormat format, const uint8_t* block, uint8_t texels[16][4])
{
    const uint8_t* colour = format == D3DFMT_DXT1 ? block : block + 8;
    uint8_t palette[4][4];
    ColourPalette(colour, format == D3DFMT_DXT1, palette);
    uint32_t indices =
        uint32_t(colour[4]) | (uint32_t(colour[5]) << 8) | (uint32_t(colour[6]) << 16) | (uint32_t(colour[7]) << 24);
    for (int i = 0; i < 16; ++i) {
        const uint8_t* c = palette[(indices >> (2 * i)) & 3];
        std::copy(c, c + 4, texels[i]);
    }

    if (format == D3DFMT_DXT3) {
        for (int i = 0; i < 16; ++i) {
            uint32_t a = (block[i / 2] >> ((i & 1) * 4)) & 15;
            texels[i][3] = uint8_t(a * 17);
        }
    } else if (format == D3DFMT_DXT5) {
        uint32_t a0 = block[0], a1 = block[1];
        uint8_t alphas[8] = {uint8_t(a0), uint8_t(a1)};
        if (a0 > a1) {
            for (uint32_t i = 1; i < 7; ++i) {
                alphas[i + 1] = uint8_t(((7 - i) * a0 + i * a1 + 3) / 7);
            }
        } else {
            for (uint32_t i = 1; i < 5; ++i) {
                alphas[i + 1] = uint8_t(((5 - i) * a0 + i * a1 + 2) / 5);
            }
            alphas[6] = 0;
            alphas[7] = 255;
        }
        uint64_t bits = 0;
        for (int i = 0; i < 6; ++i) {
            bits |= uint64_t(block[2 + i]) << (8 * i);
        }
        for (int i = 0; i < 16; ++i) {
            texels[i][3] = alphas[(bits >> (3 * i)) & 7];
        }
    }
}

} // namespace

void DecompressDxt(GpuFormat format, uint32_t width, uint32_t height, const uint8_t* blocks,
                   std::vector<uint8_t>& argbOut)
{
    argbOut.assign(size_t(width) * height * 4, 0);
    if (!ImageIsCompressed(format)) {
        return;
    }
    const size_t blockBytes = format == D3DFMT_DXT1 ? 8 : 16;
    const uint32_t blocksWide = (width + 3) / 4, blocksHigh = (height + 3) / 4;
    uint8_t texels[16][4];
    for (uint32_t by = 0; by < blocksHigh; ++by) {
        for (uint32_t bx = 0; bx < blocksWide; ++bx) {
            DecodeBlock(format, blocks + (size_t(by) * blocksWide + bx) * blockBytes, texels);
            for (uint32_t y = 0; y < 4 && by * 4 + y < height; ++y) {
                for (uint32_t x = 0; x < 4 && bx * 4 + x < width; ++x) {
                    uint8_t* dst = &argbOut[((size_t(by) * 4 + y) * width + bx * 4 + x) * 4];
                    std::copy(texels[y * 4 + x], texels[y * 4 + x] + 4, dst);
                }
            }
        }
    }
}

} // namespace backend

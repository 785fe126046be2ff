#include "backend/gpu/TexelCodec.h"

namespace backend {

namespace {

uint16_t Read16(const uint8_t* p)
{
    return uint16_t(p[0] | (p[1] << 8));
}

void Write16(uint8_t* p, uint32_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}

// An n-bit channel value widened to 8 bits by repeating its top bits.
uint8_t Expand(uint32_t value, int bits)
{
    switch (bits) {
    case 1:
        return value ? 255 : 0;
    case 4:
        return uint8_t(value * 17);
    case 5:
        return uint8_t((value << 3) | (value >> 2));
    case 6:
        return uint8_t((value << 2) | (value >> 4));
    default:
        return uint8_t(value);
    }
}

// An 8-bit channel value narrowed to n bits, rounded to the nearest.
uint32_t Narrow(uint8_t value, int bits)
{
    uint32_t maxValue = (1u << bits) - 1;
    return (value * maxValue + 127) / 255;
}

} // namespace

void UnpackTexel(GpuFormat format, const uint8_t* src, uint8_t bgra[4])
{
    switch (format) {
    case D3DFMT_A8R8G8B8:
        bgra[0] = src[0], bgra[1] = src[1], bgra[2] = src[2], bgra[3] = src[3];
        break;
    case D3DFMT_X8R8G8B8:
    case D3DFMT_R8G8B8:
        bgra[0] = src[0], bgra[1] = src[1], bgra[2] = src[2], bgra[3] = 255;
        break;
    case D3DFMT_R5G6B5: {
        uint16_t v = Read16(src);
        bgra[0] = Expand(v & 31, 5), bgra[1] = Expand((v >> 5) & 63, 6), bgra[2] = Expand(v >> 11, 5);
        bgra[3] = 255;
        break;
    }
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5: {
        uint16_t v = Read16(src);
        bgra[0] = Expand(v & 31, 5), bgra[1] = Expand((v >> 5) & 31, 5), bgra[2] = Expand((v >> 10) & 31, 5);
        bgra[3] = format == D3DFMT_A1R5G5B5 ? Expand(v >> 15, 1) : 255;
        break;
    }
    case D3DFMT_A4R4G4B4: {
        uint16_t v = Read16(src);
        bgra[0] = Expand(v & 15, 4), bgra[1] = Expand((v >> 4) & 15, 4), bgra[2] = Expand((v >> 8) & 15, 4);
        bgra[3] = Expand(v >> 12, 4);
        break;
    }
    case D3DFMT_A8:
        bgra[0] = bgra[1] = bgra[2] = 0, bgra[3] = src[0];
        break;
    case D3DFMT_L8:
        bgra[0] = bgra[1] = bgra[2] = src[0], bgra[3] = 255;
        break;
    default:
        bgra[0] = bgra[1] = bgra[2] = bgra[3] = 0;
        break;
    }
}

void PackTexel(GpuFormat format, const uint8_t bgra[4], uint8_t* dst)
{
    switch (format) {
    case D3DFMT_A8R8G8B8:
        dst[0] = bgra[0], dst[1] = bgra[1], dst[2] = bgra[2], dst[3] = bgra[3];
        break;
    case D3DFMT_X8R8G8B8:
        dst[0] = bgra[0], dst[1] = bgra[1], dst[2] = bgra[2], dst[3] = 255;
        break;
    case D3DFMT_R8G8B8:
        dst[0] = bgra[0], dst[1] = bgra[1], dst[2] = bgra[2];
        break;
    case D3DFMT_R5G6B5:
        Write16(dst, Narrow(bgra[0], 5) | (Narrow(bgra[1], 6) << 5) | (Narrow(bgra[2], 5) << 11));
        break;
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5: {
        uint32_t alpha = format == D3DFMT_A1R5G5B5 ? Narrow(bgra[3], 1) : 1;
        Write16(dst, Narrow(bgra[0], 5) | (Narrow(bgra[1], 5) << 5) | (Narrow(bgra[2], 5) << 10) | (alpha << 15));
        break;
    }
    case D3DFMT_A4R4G4B4:
        Write16(dst, Narrow(bgra[0], 4) | (Narrow(bgra[1], 4) << 4) | (Narrow(bgra[2], 4) << 8) |
                         (Narrow(bgra[3], 4) << 12));
        break;
    case D3DFMT_A8:
        dst[0] = bgra[3];
        break;
    case D3DFMT_L8:
        // Grey levels keep their own value; colours fall to their luminance.
        dst[0] = uint8_t((bgra[2] * 77 + bgra[1] * 150 + bgra[0] * 29 + 128) >> 8);
        break;
    default:
        break;
    }
}

} // namespace backend

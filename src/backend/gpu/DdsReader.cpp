#include "backend/gpu/DdsReader.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>
#include <string>

namespace backend {

namespace {

constexpr size_t DDS_HEADER_SIZE = 124;
constexpr size_t DDS_PIXEL_FORMAT_SIZE = 32;
constexpr size_t DDS_DATA_OFFSET = 4 + DDS_HEADER_SIZE;

constexpr uint32_t DDSD_MIPMAPCOUNT = 0x20000;
constexpr uint32_t DDSCAPS_MIPMAP = 0x400000;
constexpr uint32_t DDSCAPS2_CUBEMAP = 0x200;
constexpr uint32_t DDSCAPS2_CUBEMAP_ALLFACES = 0xFC00;
constexpr uint32_t DDSCAPS2_VOLUME = 0x200000;

constexpr uint32_t DDPF_ALPHAPIXELS = 0x1;
constexpr uint32_t DDPF_ALPHA = 0x2;
constexpr uint32_t DDPF_FOURCC = 0x4;
constexpr uint32_t DDPF_PALETTEINDEXED8 = 0x20;
constexpr uint32_t DDPF_RGB = 0x40;
constexpr uint32_t DDPF_LUMINANCE = 0x20000;

struct PixelFormat {
    uint32_t flags, fourCc, bitCount, rMask, gMask, bMask, aMask;
};

uint32_t Read32(const uint8_t* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

std::string Hex(uint32_t v)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", v);
    return text;
}

// A bit-mask layout that no device format matches, read channel by channel.
struct MaskLayout {
    uint32_t bytes = 0;
    uint32_t masks[4] = {}; // b, g, r, a
    bool luminance = false;
};

uint8_t ExtractChannel(uint32_t texel, uint32_t mask)
{
    if (mask == 0) {
        return 0;
    }
    int shift = std::countr_zero(mask);
    uint32_t maxValue = mask >> shift;
    uint32_t value = (texel & mask) >> shift;
    return uint8_t((uint64_t(value) * 255 + maxValue / 2) / maxValue);
}

// Picks the device format of a pixel-format block, or the mask layout to convert from; false when unsupported.
bool ChooseFormat(const PixelFormat& pf, GpuFormat& format, MaskLayout& layout, std::string& error)
{
    if (pf.flags & DDPF_FOURCC) {
        switch (pf.fourCc) {
        case D3DFMT_DXT1:
        case D3DFMT_DXT3:
        case D3DFMT_DXT5:
            format = GpuFormat(pf.fourCc);
            return true;
        default:
            char text[5] = {char(pf.fourCc), char(pf.fourCc >> 8), char(pf.fourCc >> 16), char(pf.fourCc >> 24), 0};
            for (char& c : text) {
                if (c != 0 && (c < 32 || c > 126)) {
                    c = '?';
                }
            }
            error = "unsupported DDS compression \"" + std::string(text) + "\" (" + Hex(pf.fourCc) + ")";
            return false;
        }
    }
    if (pf.flags & DDPF_PALETTEINDEXED8) {
        error = "palettised DDS files are not supported";
        return false;
    }
    if (!(pf.flags & (DDPF_RGB | DDPF_LUMINANCE | DDPF_ALPHA))) {
        error = "unsupported DDS pixel format (flags " + Hex(pf.flags) + ")";
        return false;
    }
    if (pf.bitCount != 8 && pf.bitCount != 16 && pf.bitCount != 24 && pf.bitCount != 32) {
        error = "unsupported DDS bit count " + std::to_string(pf.bitCount);
        return false;
    }
    const bool hasAlpha = (pf.flags & (DDPF_ALPHAPIXELS | DDPF_ALPHA)) != 0;
    const uint32_t a = hasAlpha ? pf.aMask : 0;
    const uint32_t r = pf.rMask, g = pf.gMask, b = pf.bMask;
    struct Known {
        uint32_t bits, r, g, b, a;
        GpuFormat format;
    };
    static const Known known[] = {
        {32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000, D3DFMT_A8R8G8B8},
        {32, 0xFF0000, 0xFF00, 0xFF, 0, D3DFMT_X8R8G8B8},
        {24, 0xFF0000, 0xFF00, 0xFF, 0, D3DFMT_R8G8B8},
        {16, 0xF800, 0x7E0, 0x1F, 0, D3DFMT_R5G6B5},
        {16, 0x7C00, 0x3E0, 0x1F, 0x8000, D3DFMT_A1R5G5B5},
        {16, 0x7C00, 0x3E0, 0x1F, 0, D3DFMT_X1R5G5B5},
        {16, 0xF00, 0xF0, 0xF, 0xF000, D3DFMT_A4R4G4B4},
    };
    if (pf.flags & DDPF_RGB) {
        for (const Known& k : known) {
            if (k.bits == pf.bitCount && k.r == r && k.g == g && k.b == b && k.a == a) {
                format = k.format;
                return true;
            }
        }
    } else if ((pf.flags & DDPF_LUMINANCE) && pf.bitCount == 8 && r == 0xFF && a == 0) {
        format = D3DFMT_L8;
        return true;
    } else if ((pf.flags & DDPF_ALPHA) && !(pf.flags & DDPF_LUMINANCE) && pf.bitCount == 8 && a == 0xFF) {
        format = D3DFMT_A8;
        return true;
    }

    // Any other layout of whole bytes is converted channel by channel.
    const uint32_t limit = pf.bitCount == 32 ? 0xFFFFFFFFu : (1u << pf.bitCount) - 1;
    const bool luminance = (pf.flags & DDPF_LUMINANCE) != 0;
    const uint32_t colourMasks = (pf.flags & (DDPF_RGB | DDPF_LUMINANCE)) ? (r | (luminance ? 0 : g | b)) : 0;
    if ((colourMasks | a) == 0 || ((colourMasks | a) & ~limit) != 0) {
        error = "DDS channel masks don't fit its " + std::to_string(pf.bitCount) + "-bit texels";
        return false;
    }
    format = D3DFMT_A8R8G8B8;
    layout.bytes = pf.bitCount / 8;
    layout.luminance = luminance;
    if (pf.flags & (DDPF_RGB | DDPF_LUMINANCE)) {
        layout.masks[0] = luminance ? r : b;
        layout.masks[1] = luminance ? r : g;
        layout.masks[2] = r;
    }
    layout.masks[3] = a;
    return true;
}

void ConvertSurface(const MaskLayout& layout, const uint8_t* src, ImageSurface& surface)
{
    const size_t count = size_t(surface.width) * surface.height;
    surface.bytes.resize(count * 4);
    const bool colourless = layout.masks[2] == 0;
    for (size_t i = 0; i < count; ++i) {
        uint32_t texel = 0;
        for (uint32_t k = 0; k < layout.bytes; ++k) {
            texel |= uint32_t(src[i * layout.bytes + k]) << (8 * k);
        }
        uint8_t* dst = &surface.bytes[i * 4];
        for (int c = 0; c < 3; ++c) {
            dst[c] = colourless ? 0 : ExtractChannel(texel, layout.masks[c]);
        }
        dst[3] = layout.masks[3] ? ExtractChannel(texel, layout.masks[3]) : 255;
    }
}

} // namespace

bool ReadDds(const uint8_t* data, size_t size, ImageData& out, std::string& error)
{
    out = ImageData();
    if (size < 4 || std::memcmp(data, "DDS ", 4) != 0) {
        error = "not a DDS file (wrong magic)";
        return false;
    }
    if (size < DDS_DATA_OFFSET) {
        error = "DDS header truncated: " + std::to_string(size) + " of " + std::to_string(DDS_DATA_OFFSET) + " bytes";
        return false;
    }
    const uint8_t* h = data + 4;
    if (Read32(h) != DDS_HEADER_SIZE) {
        error = "DDS header size is " + std::to_string(Read32(h)) + ", expected 124";
        return false;
    }
    const uint32_t flags = Read32(h + 4);
    const uint32_t height = Read32(h + 8), width = Read32(h + 12);
    const uint32_t mipCount = Read32(h + 24);
    const uint8_t* p = h + 72;
    if (Read32(p) != DDS_PIXEL_FORMAT_SIZE) {
        error = "DDS pixel format size is " + std::to_string(Read32(p)) + ", expected 32";
        return false;
    }
    PixelFormat pf{Read32(p + 4),  Read32(p + 8),  Read32(p + 12), Read32(p + 16),
                   Read32(p + 20), Read32(p + 24), Read32(p + 28)};
    const uint32_t caps = Read32(h + 104), caps2 = Read32(h + 108);

    if (width == 0 || height == 0 || width > IMAGE_MAX_DIMENSION || height > IMAGE_MAX_DIMENSION) {
        error = "DDS size " + std::to_string(width) + "x" + std::to_string(height) + " out of range (1.." +
                std::to_string(IMAGE_MAX_DIMENSION) + ")";
        return false;
    }
    if (caps2 & DDSCAPS2_VOLUME) {
        error = "volume DDS files are not supported";
        return false;
    }
    const bool cube = (caps2 & DDSCAPS2_CUBEMAP) != 0;
    if (cube) {
        if ((caps2 & DDSCAPS2_CUBEMAP_ALLFACES) != DDSCAPS2_CUBEMAP_ALLFACES) {
            error = "DDS cube map lacks some of its six faces (caps2 " + Hex(caps2) + ")";
            return false;
        }
        if (width != height) {
            error = "DDS cube map faces are not square";
            return false;
        }
    }
    uint32_t fullChain = uint32_t(std::bit_width(std::max(width, height)));
    uint32_t levels = 1;
    if ((flags & DDSD_MIPMAPCOUNT) || (caps & DDSCAPS_MIPMAP)) {
        levels = mipCount == 0 ? 1 : mipCount;
    }
    if (levels > fullChain) {
        error = "DDS mip count " + std::to_string(levels) + " exceeds " + std::to_string(fullChain) + " for " +
                std::to_string(width) + "x" + std::to_string(height);
        return false;
    }

    GpuFormat format = D3DFMT_UNKNOWN;
    MaskLayout layout;
    if (!ChooseFormat(pf, format, layout, error)) {
        return false;
    }

    // Every surface must be in the file before anything is allocated.
    const uint32_t faces = cube ? 6 : 1;
    uint64_t needed = 0;
    for (uint32_t l = 0; l < levels; ++l) {
        uint32_t w = std::max(1u, width >> l), hgt = std::max(1u, height >> l);
        uint64_t bytes = layout.bytes ? uint64_t(w) * hgt * layout.bytes : ImageSurfaceSize(format, w, hgt);
        needed += bytes * faces;
    }
    const uint64_t available = size - DDS_DATA_OFFSET;
    if (needed > available) {
        error = "DDS data truncated: " + std::to_string(available) + " of " + std::to_string(needed) + " bytes";
        return false;
    }

    out.format = format;
    out.width = width;
    out.height = height;
    out.cube = cube;
    out.levels = levels;
    out.surfaces.resize(size_t(faces) * levels);
    const uint8_t* src = data + DDS_DATA_OFFSET;
    for (uint32_t f = 0; f < faces; ++f) {
        for (uint32_t l = 0; l < levels; ++l) {
            ImageSurface& s = out.Surface(f, l);
            s.width = std::max(1u, width >> l);
            s.height = std::max(1u, height >> l);
            if (layout.bytes) {
                ConvertSurface(layout, src, s);
                src += size_t(s.width) * s.height * layout.bytes;
            } else {
                size_t bytes = ImageSurfaceSize(format, s.width, s.height);
                s.bytes.assign(src, src + bytes);
                src += bytes;
            }
        }
    }
    return true;
}

} // namespace backend

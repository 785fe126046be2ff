#include "datagen/writers/DdsWriter.h"

#include <algorithm>
#include <stdexcept>

namespace datagen {

namespace {

constexpr uint32_t DDSD_CAPS = 0x1, DDSD_HEIGHT = 0x2, DDSD_WIDTH = 0x4, DDSD_PITCH = 0x8;
constexpr uint32_t DDSD_PIXELFORMAT = 0x1000, DDSD_MIPMAPCOUNT = 0x20000, DDSD_LINEARSIZE = 0x80000;
constexpr uint32_t DDPF_ALPHAPIXELS = 0x1, DDPF_FOURCC = 0x4, DDPF_RGB = 0x40;
constexpr uint32_t DDSCAPS_COMPLEX = 0x8, DDSCAPS_TEXTURE = 0x1000, DDSCAPS_MIPMAP = 0x400000;
constexpr uint32_t DDSCAPS2_CUBEMAP_ALL = 0x200 | 0xFC00;

constexpr uint32_t FourCc(const char* s)
{
    return uint32_t(uint8_t(s[0])) | (uint32_t(uint8_t(s[1])) << 8) | (uint32_t(uint8_t(s[2])) << 16) |
           (uint32_t(uint8_t(s[3])) << 24);
}

bool IsDxt(DdsFormat f)
{
    return f == DdsFormat::DXT1 || f == DdsFormat::DXT3 || f == DdsFormat::DXT5;
}

uint32_t BytesPerPixel(DdsFormat f)
{
    switch (f) {
    case DdsFormat::A8R8G8B8:
    case DdsFormat::X8R8G8B8:
        return 4;
    case DdsFormat::R5G6B5:
    case DdsFormat::A4R4G4B4:
        return 2;
    default:
        return 0;
    }
}

void Put32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i) {
        out.push_back(uint8_t(v >> (8 * i)));
    }
}

void Put16(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

uint32_t Quantise(uint32_t value8, uint32_t bits)
{
    return (value8 * ((1u << bits) - 1) + 127) / 255;
}

uint32_t LevelCount(uint32_t width, uint32_t height)
{
    uint32_t levels = 1;
    for (uint32_t size = std::max(width, height); size > 1; size /= 2) {
        ++levels;
    }
    return levels;
}

void WriteHeader(std::vector<uint8_t>& out, uint32_t width, uint32_t height, uint32_t levels, DdsFormat format,
                 bool cube)
{
    out.insert(out.end(), {'D', 'D', 'S', ' '});
    uint32_t flags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT;
    uint32_t pitchOrSize = 0;
    if (IsDxt(format)) {
        flags |= DDSD_LINEARSIZE;
        pitchOrSize = ((width + 3) / 4) * ((height + 3) / 4) * (format == DdsFormat::DXT1 ? 8 : 16);
    } else {
        flags |= DDSD_PITCH;
        pitchOrSize = width * BytesPerPixel(format);
    }
    if (levels > 1) {
        flags |= DDSD_MIPMAPCOUNT;
    }
    Put32(out, 124);
    Put32(out, flags);
    Put32(out, height);
    Put32(out, width);
    Put32(out, pitchOrSize);
    Put32(out, 0);      // depth
    Put32(out, levels); // mip count
    for (int i = 0; i < 11; ++i) {
        Put32(out, 0);
    }
    // Pixel format.
    Put32(out, 32);
    switch (format) {
    case DdsFormat::DXT1:
    case DdsFormat::DXT3:
    case DdsFormat::DXT5: {
        const char* names[] = {"DXT1", "DXT3", "DXT5"};
        Put32(out, DDPF_FOURCC);
        Put32(out, FourCc(names[int(format) - int(DdsFormat::DXT1)]));
        for (int i = 0; i < 5; ++i) {
            Put32(out, 0);
        }
        break;
    }
    case DdsFormat::A8R8G8B8:
    case DdsFormat::X8R8G8B8: {
        bool alpha = format == DdsFormat::A8R8G8B8;
        Put32(out, DDPF_RGB | (alpha ? DDPF_ALPHAPIXELS : 0));
        Put32(out, 0);
        Put32(out, 32);
        Put32(out, 0xFF0000);
        Put32(out, 0xFF00);
        Put32(out, 0xFF);
        Put32(out, alpha ? 0xFF000000u : 0);
        break;
    }
    case DdsFormat::R5G6B5:
        Put32(out, DDPF_RGB);
        Put32(out, 0);
        Put32(out, 16);
        Put32(out, 0xF800);
        Put32(out, 0x7E0);
        Put32(out, 0x1F);
        Put32(out, 0);
        break;
    case DdsFormat::A4R4G4B4:
        Put32(out, DDPF_RGB | DDPF_ALPHAPIXELS);
        Put32(out, 0);
        Put32(out, 16);
        Put32(out, 0xF00);
        Put32(out, 0xF0);
        Put32(out, 0xF);
        Put32(out, 0xF000);
        break;
    }
    uint32_t caps = DDSCAPS_TEXTURE;
    if (levels > 1) {
        caps |= DDSCAPS_COMPLEX | DDSCAPS_MIPMAP;
    }
    if (cube) {
        caps |= DDSCAPS_COMPLEX;
    }
    Put32(out, caps);
    Put32(out, cube ? DDSCAPS2_CUBEMAP_ALL : 0);
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, 0);
}

void WriteUncompressed(std::vector<uint8_t>& out, const RgbaImage& image, DdsFormat format)
{
    for (uint32_t p : image.pixels) {
        uint32_t a = p >> 24, r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
        switch (format) {
        case DdsFormat::A8R8G8B8:
            Put32(out, p);
            break;
        case DdsFormat::X8R8G8B8:
            Put32(out, p | 0xFF000000u);
            break;
        case DdsFormat::R5G6B5:
            Put16(out, (Quantise(r, 5) << 11) | (Quantise(g, 6) << 5) | Quantise(b, 5));
            break;
        case DdsFormat::A4R4G4B4:
            Put16(out, (Quantise(a, 4) << 12) | (Quantise(r, 4) << 8) | (Quantise(g, 4) << 4) | Quantise(b, 4));
            break;
        default:
            break;
        }
    }
}

void WriteCompressed(std::vector<uint8_t>& out, const RgbaImage& image, DdsFormat format)
{
    const size_t blockBytes = format == DdsFormat::DXT1 ? 8 : 16;
    for (uint32_t by = 0; by < image.height; by += 4) {
        for (uint32_t bx = 0; bx < image.width; bx += 4) {
            // Pixels outside a small image repeat its edge.
            uint32_t block[16];
            for (uint32_t y = 0; y < 4; ++y) {
                for (uint32_t x = 0; x < 4; ++x) {
                    block[y * 4 + x] = image.At(std::min(bx + x, image.width - 1), std::min(by + y, image.height - 1));
                }
            }
            size_t at = out.size();
            out.resize(at + blockBytes);
            EncodeDxtBlock(block, format, &out[at]);
        }
    }
}

void WriteChain(std::vector<uint8_t>& out, const RgbaImage& top, DdsFormat format, uint32_t levels)
{
    RgbaImage level = top;
    for (uint32_t l = 0; l < levels; ++l) {
        if (l > 0) {
            level = HalveImage(level);
        }
        if (IsDxt(format)) {
            WriteCompressed(out, level, format);
        } else {
            WriteUncompressed(out, level, format);
        }
    }
}

void CheckImage(const RgbaImage& image)
{
    if (image.width == 0 || image.height == 0 || image.pixels.size() != size_t(image.width) * image.height) {
        throw std::invalid_argument("DDS encoding of an empty or malformed image");
    }
}

} // namespace

RgbaImage HalveImage(const RgbaImage& image)
{
    RgbaImage half(std::max(1u, image.width / 2), std::max(1u, image.height / 2));
    for (uint32_t y = 0; y < half.height; ++y) {
        const uint32_t y0 = std::min(2 * y, image.height - 1), y1 = std::min(2 * y + 1, image.height - 1);
        for (uint32_t x = 0; x < half.width; ++x) {
            const uint32_t x0 = std::min(2 * x, image.width - 1), x1 = std::min(2 * x + 1, image.width - 1);
            const uint32_t p[4] = {image.At(x0, y0), image.At(x1, y0), image.At(x0, y1), image.At(x1, y1)};
            uint32_t result = 0;
            for (int shift = 0; shift < 32; shift += 8) {
                uint32_t sum = 0;
                for (uint32_t v : p) {
                    sum += (v >> shift) & 0xFF;
                }
                result |= ((sum + 2) / 4) << shift;
            }
            half.At(x, y) = result;
        }
    }
    return half;
}

std::vector<uint8_t> EncodeDds(const RgbaImage& image, DdsFormat format, bool withMips)
{
    CheckImage(image);
    const uint32_t levels = withMips ? LevelCount(image.width, image.height) : 1;
    std::vector<uint8_t> out;
    WriteHeader(out, image.width, image.height, levels, format, false);
    WriteChain(out, image, format, levels);
    return out;
}

std::vector<uint8_t> EncodeCubeDds(const RgbaImage faces[6], DdsFormat format, bool withMips)
{
    for (int f = 0; f < 6; ++f) {
        CheckImage(faces[f]);
        if (faces[f].width != faces[0].width || faces[f].height != faces[0].height ||
            faces[f].width != faces[f].height) {
            throw std::invalid_argument("cube faces must be square and of one size");
        }
    }
    const uint32_t levels = withMips ? LevelCount(faces[0].width, faces[0].height) : 1;
    std::vector<uint8_t> out;
    WriteHeader(out, faces[0].width, faces[0].height, levels, format, true);
    for (int f = 0; f < 6; ++f) {
        WriteChain(out, faces[f], format, levels);
    }
    return out;
}

} // namespace datagen

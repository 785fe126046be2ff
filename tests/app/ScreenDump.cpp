#include "ScreenDump.h"

#include <bit>
#include <utility>

namespace {

constexpr uint32_t Z_PIXMAP = 2;
constexpr uint32_t MSB_FIRST = 1;
constexpr uint32_t MAX_SIDE = 8192;

// One 8-bit channel out of a pixel value; the mask must be 8 bits wide.
bool Channel(uint32_t mask, uint32_t& shift)
{
    if (mask == 0)
        return false;
    shift = uint32_t(std::countr_zero(mask));
    return (mask >> shift) == 0xFFu;
}

} // namespace

bool DecodeScreenDump(const std::vector<uint8_t>& bytes, datagen::RgbaImage& image)
{
    // The header is big-endian 32-bit fields followed by the window's name.
    auto field = [&](size_t index) -> uint32_t {
        const size_t at = index * 4;
        return at + 4 <= bytes.size() ? uint32_t(bytes[at]) << 24 | uint32_t(bytes[at + 1]) << 16 |
                                            uint32_t(bytes[at + 2]) << 8 | bytes[at + 3]
                                      : 0;
    };
    const uint32_t headerSize = field(0), format = field(2), width = field(4), height = field(5), byteOrder = field(7),
                   bitsPerPixel = field(11), bytesPerLine = field(12), redMask = field(14), greenMask = field(15),
                   blueMask = field(16), colourCount = field(19);
    if (bytes.size() < 100 || headerSize < 100 || format != Z_PIXMAP || (bitsPerPixel != 24 && bitsPerPixel != 32))
        return false;
    const uint32_t pixelBytes = bitsPerPixel / 8;
    uint32_t redShift = 0, greenShift = 0, blueShift = 0;
    if (!Channel(redMask, redShift) || !Channel(greenMask, greenShift) || !Channel(blueMask, blueShift))
        return false;
    if (width == 0 || height == 0 || width > MAX_SIDE || height > MAX_SIDE || bytesPerLine < width * pixelBytes ||
        colourCount > 65536)
        return false;
    const size_t pixelsAt = size_t(headerSize) + size_t(colourCount) * 12;
    if (pixelsAt > bytes.size() || size_t(bytesPerLine) * height > bytes.size() - pixelsAt)
        return false;

    datagen::RgbaImage decoded(width, height);
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* row = bytes.data() + pixelsAt + size_t(y) * bytesPerLine;
        for (uint32_t x = 0; x < width; ++x) {
            const uint8_t* pixel = row + size_t(x) * pixelBytes;
            uint32_t value = 0;
            for (uint32_t i = 0; i < pixelBytes; ++i) {
                const uint32_t byte = pixel[byteOrder == MSB_FIRST ? i : pixelBytes - 1 - i];
                value = value << 8 | byte;
            }
            decoded.At(x, y) = 0xFF000000u | ((value & redMask) >> redShift) << 16 |
                               ((value & greenMask) >> greenShift) << 8 | (value & blueMask) >> blueShift;
        }
    }
    image = std::move(decoded);
    return true;
}

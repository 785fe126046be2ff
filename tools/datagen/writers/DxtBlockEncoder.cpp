// A plain S3TC block encoder: the colour line runs between the block's per-channel minimum and maximum,
// and every pixel takes the nearest colour the decoder will produce.

#include "datagen/writers/DdsWriter.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace datagen {

namespace {

struct Rgb {
    int r, g, b;
};

uint16_t To565(int r, int g, int b)
{
    return uint16_t((((r * 31 + 127) / 255) << 11) | (((g * 63 + 127) / 255) << 5) | ((b * 31 + 127) / 255));
}

Rgb From565(uint16_t c)
{
    int r = c >> 11, g = (c >> 5) & 63, b = c & 31;
    return {(r << 3) | (r >> 2), (g << 2) | (g >> 4), (b << 3) | (b >> 2)};
}

int Distance(const Rgb& a, const Rgb& b)
{
    int dr = a.r - b.r, dg = a.g - b.g, db = a.b - b.b;
    return dr * dr + dg * dg + db * db;
}

void Put16(uint8_t* out, uint16_t v)
{
    out[0] = uint8_t(v);
    out[1] = uint8_t(v >> 8);
}

// Writes the 8-byte colour part. transparent marks DXT1 pixels that must decode to transparent black.
void EncodeColour(const uint32_t pixels[16], const bool transparent[16], bool threeColour, uint8_t* out)
{
    Rgb lo{255, 255, 255}, hi{0, 0, 0};
    bool any = false;
    for (int i = 0; i < 16; ++i) {
        if (transparent[i]) {
            continue;
        }
        Rgb c{int((pixels[i] >> 16) & 0xFF), int((pixels[i] >> 8) & 0xFF), int(pixels[i] & 0xFF)};
        lo = {std::min(lo.r, c.r), std::min(lo.g, c.g), std::min(lo.b, c.b)};
        hi = {std::max(hi.r, c.r), std::max(hi.g, c.g), std::max(hi.b, c.b)};
        any = true;
    }
    if (!any) {
        lo = hi = {0, 0, 0};
    }
    uint16_t c0 = To565(hi.r, hi.g, hi.b), c1 = To565(lo.r, lo.g, lo.b);
    if (threeColour) {
        std::swap(c0, c1); // c0 <= c1 selects three colours and transparent black
    } else if (c0 == c1) {
        // Four-colour mode needs c0 > c1; an all-one-colour block uses index 0 only.
        if (c1 > 0) {
            --c1;
        } else {
            ++c0;
        }
    }
    Rgb e0 = From565(c0), e1 = From565(c1);
    Rgb palette[4] = {e0, e1};
    int paletteSize = 4;
    if (threeColour) {
        palette[2] = {(e0.r + e1.r + 1) / 2, (e0.g + e1.g + 1) / 2, (e0.b + e1.b + 1) / 2};
        paletteSize = 3;
    } else {
        palette[2] = {(2 * e0.r + e1.r + 1) / 3, (2 * e0.g + e1.g + 1) / 3, (2 * e0.b + e1.b + 1) / 3};
        palette[3] = {(e0.r + 2 * e1.r + 1) / 3, (e0.g + 2 * e1.g + 1) / 3, (e0.b + 2 * e1.b + 1) / 3};
    }
    uint32_t indices = 0;
    for (int i = 0; i < 16; ++i) {
        uint32_t index = 3;
        if (!transparent[i]) {
            Rgb c{int((pixels[i] >> 16) & 0xFF), int((pixels[i] >> 8) & 0xFF), int(pixels[i] & 0xFF)};
            int best = INT_MAX;
            for (int k = 0; k < paletteSize; ++k) {
                int d = Distance(c, palette[k]);
                if (d < best) {
                    best = d;
                    index = uint32_t(k);
                }
            }
        }
        indices |= index << (2 * i);
    }
    Put16(out, c0);
    Put16(out + 2, c1);
    for (int i = 0; i < 4; ++i) {
        out[4 + i] = uint8_t(indices >> (8 * i));
    }
}

void EncodeInterpolatedAlpha(const uint32_t pixels[16], uint8_t* out)
{
    int lo = 255, hi = 0;
    for (int i = 0; i < 16; ++i) {
        int a = int(pixels[i] >> 24);
        lo = std::min(lo, a);
        hi = std::max(hi, a);
    }
    out[0] = uint8_t(hi);
    out[1] = uint8_t(lo);
    int alphas[8] = {hi, lo};
    for (int i = 1; i < 7; ++i) {
        alphas[i + 1] = ((7 - i) * hi + i * lo + 3) / 7; // eight-value mode when hi > lo
    }
    uint64_t bits = 0;
    for (int i = 0; i < 16; ++i) {
        int a = int(pixels[i] >> 24), best = INT_MAX;
        uint64_t index = 0;
        for (int k = 0; k < (hi > lo ? 8 : 1); ++k) {
            int d = std::abs(a - alphas[k]);
            if (d < best) {
                best = d;
                index = uint64_t(k);
            }
        }
        bits |= index << (3 * i);
    }
    for (int i = 0; i < 6; ++i) {
        out[2 + i] = uint8_t(bits >> (8 * i));
    }
}

} // namespace

void EncodeDxtBlock(const uint32_t pixels[16], DdsFormat format, uint8_t* out)
{
    bool transparent[16] = {};
    bool anyTransparent = false;
    if (format == DdsFormat::DXT1) {
        for (int i = 0; i < 16; ++i) {
            transparent[i] = (pixels[i] >> 24) < 128;
            anyTransparent = anyTransparent || transparent[i];
        }
        EncodeColour(pixels, transparent, anyTransparent, out);
        return;
    }
    if (format == DdsFormat::DXT3) {
        for (int i = 0; i < 8; ++i) {
            uint32_t a0 = ((pixels[2 * i] >> 24) * 15 + 127) / 255, a1 = ((pixels[2 * i + 1] >> 24) * 15 + 127) / 255;
            out[i] = uint8_t(a0 | (a1 << 4));
        }
    } else {
        EncodeInterpolatedAlpha(pixels, out);
    }
    EncodeColour(pixels, transparent, false, out + 8);
}

} // namespace datagen

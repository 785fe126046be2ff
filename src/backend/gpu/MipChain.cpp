// Completes mip chains with a 2x2 box filter.

#include "backend/gpu/ImageData.h"
#include "backend/gpu/TexelCodec.h"

#include <algorithm>
#include <bit>

namespace backend {

namespace {

// The next level of an uncompressed surface: each texel the mean of up to 2x2 texels above it.
ImageSurface HalveSurface(GpuFormat format, const ImageSurface& src)
{
    const uint32_t bpp = ImageBytesPerTexel(format);
    ImageSurface dst;
    dst.width = std::max(1u, src.width / 2);
    dst.height = std::max(1u, src.height / 2);
    dst.bytes.resize(size_t(dst.width) * dst.height * bpp);
    for (uint32_t y = 0; y < dst.height; ++y) {
        const uint32_t y0 = std::min(2 * y, src.height - 1), y1 = std::min(2 * y + 1, src.height - 1);
        for (uint32_t x = 0; x < dst.width; ++x) {
            const uint32_t x0 = std::min(2 * x, src.width - 1), x1 = std::min(2 * x + 1, src.width - 1);
            const uint32_t xs[4] = {x0, x1, x0, x1}, ys[4] = {y0, y0, y1, y1};
            uint32_t sum[4] = {};
            for (int i = 0; i < 4; ++i) {
                uint8_t texel[4];
                UnpackTexel(format, &src.bytes[(size_t(ys[i]) * src.width + xs[i]) * bpp], texel);
                for (int c = 0; c < 4; ++c) {
                    sum[c] += texel[c];
                }
            }
            uint8_t mean[4];
            for (int c = 0; c < 4; ++c) {
                mean[c] = uint8_t((sum[c] + 2) / 4);
            }
            PackTexel(format, mean, &dst.bytes[(size_t(y) * dst.width + x) * bpp]);
        }
    }
    return dst;
}

} // namespace

void GenerateMipChain(ImageData& image)
{
    if (image.width == 0 || image.height == 0 || image.levels == 0 ||
        image.surfaces.size() != size_t(image.FaceCount()) * image.levels) {
        return;
    }
    const uint32_t fullChain = uint32_t(std::bit_width(std::max(image.width, image.height)));
    if (image.levels >= fullChain) {
        return;
    }
    for (const ImageSurface& s : image.surfaces) {
        if (s.width == 0 || s.height == 0 || s.bytes.size() < ImageSurfaceSize(image.format, s.width, s.height)) {
            return;
        }
    }
    if (ImageIsCompressed(image.format)) {
        // Blocks can't be averaged; the stored levels are decompressed and the chain continues uncompressed.
        for (ImageSurface& s : image.surfaces) {
            std::vector<uint8_t> texels;
            DecompressDxt(image.format, s.width, s.height, s.bytes.data(), texels);
            s.bytes = std::move(texels);
        }
        image.format = D3DFMT_A8R8G8B8;
    } else if (ImageBytesPerTexel(image.format) == 0) {
        return;
    }

    std::vector<ImageSurface> surfaces;
    surfaces.reserve(size_t(image.FaceCount()) * fullChain);
    for (uint32_t f = 0; f < image.FaceCount(); ++f) {
        for (uint32_t l = 0; l < fullChain; ++l) {
            if (l < image.levels) {
                surfaces.push_back(std::move(image.Surface(f, l)));
            } else {
                surfaces.push_back(HalveSurface(image.format, surfaces.back()));
            }
        }
    }
    image.surfaces = std::move(surfaces);
    image.levels = fullChain;
}

} // namespace backend

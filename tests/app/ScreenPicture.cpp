#include "ScreenPicture.h"

#include "backend/gpu/GpuDevice.h"
#include "engine/platform/RenderDevice.h"

#include <cmath>

namespace {

constexpr double LAYOUT_WIDTH = 800.0, LAYOUT_HEIGHT = 600.0;

} // namespace

ScreenPicture ScreenPicture::Read()
{
    ScreenPicture picture;
    if (g_RenderDevice.device == nullptr ||
        backend::GpuFailed(
            g_RenderDevice.device->ReadPixels(nullptr, picture.pixels, &picture.width, &picture.height)) ||
        picture.pixels.size() != size_t(picture.width) * picture.height)
        return {};
    return picture;
}

double ScreenPicture::Count(int left, int top, int right, int bottom, bool (*test)(backend::GpuColor)) const
{
    const double sx = width / LAYOUT_WIDTH, sy = height / LAYOUT_HEIGHT;
    const uint32_t x0 = uint32_t(std::ceil(left * sx)), x1 = uint32_t(std::floor(right * sx));
    const uint32_t y0 = uint32_t(std::ceil(top * sy)), y1 = uint32_t(std::floor(bottom * sy));
    int count = 0;
    for (uint32_t y = y0; y < y1 && y < height; ++y)
        for (uint32_t x = x0; x < x1 && x < width; ++x)
            count += test(pixels[size_t(y) * width + x]) ? 1 : 0;
    return count / (sx * sy);
}

bool IsGreen(backend::GpuColor c)
{
    return (c >> 8 & 0xFF) > 150 && (c >> 16 & 0xFF) < 60 && (c & 0xFF) < 60;
}

#include "datagen/writers/PngWriter.h"

#include <png.h>

#include <csetjmp>
#include <stdexcept>

namespace datagen {

namespace {

struct PngWriteContext {
    std::vector<uint8_t> bytes;
    std::vector<uint8_t> pixels;
    std::vector<png_bytep> rows;
    png_structp png = nullptr;
    png_infop info = nullptr;

    ~PngWriteContext() { png_destroy_write_struct(&png, info ? &info : nullptr); }
};

void WriteBytes(png_structp png, png_bytep data, png_size_t count)
{
    auto* context = static_cast<PngWriteContext*>(png_get_io_ptr(png));
    context->bytes.insert(context->bytes.end(), data, data + count);
}

void Flush(png_structp) {}

bool Encode(PngWriteContext& context, uint32_t width, uint32_t height, bool withAlpha)
{
    if (setjmp(png_jmpbuf(context.png))) {
        return false;
    }
    png_set_write_fn(context.png, &context, WriteBytes, Flush);
    png_set_IHDR(context.png, context.info, width, height, 8, withAlpha ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(context.png, context.info);
    png_write_image(context.png, context.rows.data());
    png_write_end(context.png, nullptr);
    return true;
}

} // namespace

std::vector<uint8_t> EncodePng(const RgbaImage& image, bool withAlpha)
{
    PngWriteContext context;
    const size_t channels = withAlpha ? 4 : 3;
    context.pixels.resize(image.pixels.size() * channels);
    for (size_t i = 0; i < image.pixels.size(); ++i) {
        uint32_t p = image.pixels[i];
        uint8_t* dst = &context.pixels[i * channels];
        dst[0] = uint8_t(p >> 16), dst[1] = uint8_t(p >> 8), dst[2] = uint8_t(p);
        if (withAlpha) {
            dst[3] = uint8_t(p >> 24);
        }
    }
    for (uint32_t y = 0; y < image.height; ++y) {
        context.rows.push_back(context.pixels.data() + size_t(y) * image.width * channels);
    }
    context.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (context.png) {
        context.info = png_create_info_struct(context.png);
    }
    if (!context.png || !context.info || !Encode(context, image.width, image.height, withAlpha)) {
        throw std::runtime_error("PNG encoding failed");
    }
    return std::move(context.bytes);
}

} // namespace datagen

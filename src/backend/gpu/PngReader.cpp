#include "backend/gpu/PngReader.h"

#include <png.h>

#include <csetjmp>
#include <cstring>

namespace backend {

namespace {

// Everything the decoder touches lives here, outside the frame that calls setjmp.
struct PngContext {
    const uint8_t* data = nullptr;
    size_t size = 0;
    size_t offset = 0;
    std::string message;
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::vector<png_bytep> rows;

    ~PngContext() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
};

void ReadBytes(png_structp png, png_bytep dst, png_size_t count)
{
    auto* context = static_cast<PngContext*>(png_get_io_ptr(png));
    if (count > context->size - context->offset) {
        png_error(png, "unexpected end of data");
    }
    std::memcpy(dst, context->data + context->offset, count);
    context->offset += count;
}

[[noreturn]] void OnError(png_structp png, png_const_charp message)
{
    auto* context = static_cast<PngContext*>(png_get_error_ptr(png));
    context->message = message ? message : "unknown error";
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

// Decodes into out; false with context.message set on any libpng error.
bool Decode(PngContext& context, ImageData& out)
{
    png_structp png = context.png;
    png_infop info = context.info;
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_set_read_fn(png, &context, ReadBytes);
    png_set_user_limits(png, IMAGE_MAX_DIMENSION, IMAGE_MAX_DIMENSION);
    png_set_chunk_malloc_max(png, 8u << 20);
    png_read_info(png, info);

    const png_uint_32 width = png_get_image_width(png, info), height = png_get_image_height(png, info);
    const int colourType = png_get_color_type(png, info);
    const bool alpha = (colourType & PNG_COLOR_MASK_ALPHA) || png_get_valid(png, info, PNG_INFO_tRNS);
    png_set_expand(png); // palettes and low bit depths to 8 bits, transparent colours to alpha
    png_set_strip_16(png);
    if (!(colourType & PNG_COLOR_MASK_COLOR)) {
        png_set_gray_to_rgb(png);
    }
    png_set_bgr(png);
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != size_t(width) * 4) {
        png_error(png, "unexpected row layout");
    }

    out.format = alpha ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
    out.width = width;
    out.height = height;
    out.levels = 1;
    out.surfaces.resize(1);
    ImageSurface& surface = out.surfaces[0];
    surface.width = width;
    surface.height = height;
    surface.bytes.resize(size_t(width) * height * 4);
    context.rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y) {
        context.rows[y] = surface.bytes.data() + size_t(y) * width * 4;
    }
    png_read_image(png, context.rows.data());
    png_read_end(png, nullptr);
    return true;
}

} // namespace

bool ReadPng(const uint8_t* data, size_t size, ImageData& out, std::string& error)
{
    out = ImageData();
    if (size < 8 || png_sig_cmp(data, 0, 8) != 0) {
        error = "not a PNG file (wrong signature)";
        return false;
    }
    PngContext context;
    context.data = data;
    context.size = size;
    context.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &context, OnError, OnWarning);
    if (context.png) {
        context.info = png_create_info_struct(context.png);
    }
    if (!context.png || !context.info) {
        error = "out of memory for the PNG decoder";
        return false;
    }
    if (!Decode(context, out)) {
        out = ImageData();
        error = "corrupt PNG file: " + context.message;
        return false;
    }
    return true;
}

} // namespace backend

#include "backend/gpu/JpegReader.h"

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace backend {

namespace {

// Everything the decoder touches lives here, outside the frame that calls setjmp.
struct JpegContext {
    jpeg_decompress_struct info{};
    jpeg_error_mgr errors{};
    std::jmp_buf jump{};
    std::string message;
    bool created = false;

    ~JpegContext()
    {
        if (created) {
            jpeg_destroy_decompress(&info);
        }
    }
};

JpegContext* ContextOf(j_common_ptr info)
{
    return static_cast<JpegContext*>(info->client_data);
}

[[noreturn]] void OnError(j_common_ptr info)
{
    JpegContext* context = ContextOf(info);
    char text[JMSG_LENGTH_MAX] = {};
    info->err->format_message(info, text);
    context->message = text;
    std::longjmp(context->jump, 1);
}

// Warnings mean damaged data that libjpeg would paper over; they end the read too.
void OnMessage(j_common_ptr info, int level)
{
    if (level < 0) {
        OnError(info);
    }
}

void OnOutput(j_common_ptr) {}

bool Decode(JpegContext& context, const uint8_t* data, size_t size, ImageData& out)
{
    if (setjmp(context.jump)) {
        return false;
    }
    jpeg_decompress_struct& info = context.info;
    jpeg_create_decompress(&info);
    context.created = true;
    info.client_data = &context;
    jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
    jpeg_read_header(&info, TRUE);
    if (info.image_width == 0 || info.image_height == 0 || info.image_width > IMAGE_MAX_DIMENSION ||
        info.image_height > IMAGE_MAX_DIMENSION) {
        context.message =
            "size " + std::to_string(info.image_width) + "x" + std::to_string(info.image_height) + " out of range";
        return false;
    }
    if (info.jpeg_color_space != JCS_GRAYSCALE && info.jpeg_color_space != JCS_YCbCr &&
        info.jpeg_color_space != JCS_RGB) {
        context.message = "unsupported colour space " + std::to_string(int(info.jpeg_color_space));
        return false;
    }
    info.out_color_space = JCS_EXT_BGRX;
    jpeg_start_decompress(&info);
    if (info.output_components != 4) {
        context.message = "unexpected output layout";
        return false;
    }

    out.format = D3DFMT_X8R8G8B8;
    out.width = info.output_width;
    out.height = info.output_height;
    out.levels = 1;
    out.surfaces.resize(1);
    ImageSurface& surface = out.surfaces[0];
    surface.width = out.width;
    surface.height = out.height;
    surface.bytes.resize(size_t(out.width) * out.height * 4);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = surface.bytes.data() + size_t(info.output_scanline) * out.width * 4;
        jpeg_read_scanlines(&info, &row, 1);
    }
    for (size_t i = 3; i < surface.bytes.size(); i += 4) {
        surface.bytes[i] = 255;
    }
    jpeg_finish_decompress(&info);
    return true;
}

} // namespace

bool ReadJpeg(const uint8_t* data, size_t size, ImageData& out, std::string& error)
{
    out = ImageData();
    if (size < 3 || data[0] != 0xFF || data[1] != 0xD8 || data[2] != 0xFF) {
        error = "not a JPEG file (wrong signature)";
        return false;
    }
    JpegContext context;
    context.info.err = jpeg_std_error(&context.errors);
    context.errors.error_exit = OnError;
    context.errors.emit_message = OnMessage;
    context.errors.output_message = OnOutput;
    if (!Decode(context, data, size, out)) {
        out = ImageData();
        error = "corrupt JPEG file: " + context.message;
        return false;
    }
    return true;
}

} // namespace backend

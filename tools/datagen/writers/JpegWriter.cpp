#include "datagen/writers/JpegWriter.h"

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include <jpeglib.h>

namespace datagen {

std::vector<uint8_t> EncodeJpeg(const RgbaImage& image, int quality, bool grey)
{
    if (image.width == 0 || image.height == 0) {
        throw std::runtime_error("JPEG encoding of an empty image");
    }
    // The default error handler exits; the input here comes from code, so a failure is a programming error.
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = image.width;
    info.image_height = image.height;
    info.input_components = grey ? 1 : 3;
    info.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::vector<uint8_t> row(size_t(image.width) * 3);
    for (uint32_t y = 0; y < image.height; ++y) {
        for (uint32_t x = 0; x < image.width; ++x) {
            uint32_t p = image.At(x, y);
            uint8_t r = uint8_t(p >> 16), g = uint8_t(p >> 8), b = uint8_t(p);
            if (grey) {
                row[x] = uint8_t((r * 77 + g * 150 + b * 29 + 128) >> 8);
            } else {
                row[x * 3] = r, row[x * 3 + 1] = g, row[x * 3 + 2] = b;
            }
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    std::vector<uint8_t> bytes(buffer, buffer + size);
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return bytes;
}

} // namespace datagen

// Picks the reader of an image file by its first bytes.

#include "backend/gpu/DdsReader.h"
#include "backend/gpu/ImageData.h"
#include "backend/gpu/JpegReader.h"
#include "backend/gpu/PngReader.h"

#include <cstring>

namespace backend {

bool ReadImageFile(const uint8_t* data, size_t size, ImageData& out, std::string& error)
{
    static const uint8_t PNG_MAGIC[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    out = ImageData();
    if (data == nullptr || size == 0) {
        error = "empty image file";
        return false;
    }
    if (size >= 4 && std::memcmp(data, "DDS ", 4) == 0) {
        return ReadDds(data, size, out, error);
    }
    if (size >= 8 && std::memcmp(data, PNG_MAGIC, 8) == 0) {
        return ReadPng(data, size, out, error);
    }
    if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF) {
        return ReadJpeg(data, size, out, error);
    }
    error = "unknown image format (not DDS, PNG or JPEG)";
    return false;
}

} // namespace backend

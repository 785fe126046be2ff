#include "datagen/writers/RawWriter.h"

namespace datagen {

std::vector<uint8_t> EncodeRaw(uint32_t width, uint32_t height,
                               const std::function<uint8_t(uint32_t column, uint32_t row)>& sample)
{
    std::vector<uint8_t> bytes;
    bytes.reserve(size_t(width) * height);
    for (uint32_t row = 0; row < height; ++row)
        for (uint32_t column = 0; column < width; ++column)
            bytes.push_back(sample(column, row));
    return bytes;
}

} // namespace datagen

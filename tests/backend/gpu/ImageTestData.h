#pragma once
// Pictures and byte patching shared by the image reader tests.

#include "backend/gpu/ImageData.h"
#include "datagen/writers/RgbaImage.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace imagetest {

// A picture whose every pixel differs: colour from the position, alpha varying too.
inline datagen::RgbaImage Gradient(uint32_t width, uint32_t height)
{
    datagen::RgbaImage image(width, height);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            uint32_t r = (x * 255) / (width > 1 ? width - 1 : 1), g = (y * 255) / (height > 1 ? height - 1 : 1);
            uint32_t b = ((x + y) * 255) / (width + height), a = 255 - ((x * 7 + y * 13) & 0x7F);
            image.At(x, y) = (a << 24) | (r << 16) | (g << 8) | b;
        }
    }
    return image;
}

// Texel (x, y) of A8R8G8B8 bytes as 0xAARRGGBB.
inline uint32_t ArgbAt(const std::vector<uint8_t>& bytes, uint32_t width, uint32_t x, uint32_t y)
{
    const uint8_t* p = &bytes[(size_t(y) * width + x) * 4];
    return (uint32_t(p[3]) << 24) | (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0];
}

// Largest difference of any channel between two 0xAARRGGBB values.
inline int ChannelDistance(uint32_t a, uint32_t b)
{
    int worst = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        int d = int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF);
        worst = d < 0 ? (-d > worst ? -d : worst) : (d > worst ? d : worst);
    }
    return worst;
}

// A file the reader must accept; a refusal fails the test with the reader's error.
inline backend::ImageData ReadGood(const std::vector<uint8_t>& file)
{
    backend::ImageData image;
    std::string error;
    EXPECT_TRUE(backend::ReadImageFile(file.data(), file.size(), image, error)) << error;
    return image;
}

// The reader must refuse the file with an error naming the problem and leave nothing behind.
inline void ExpectRefused(const std::vector<uint8_t>& file, const std::string& expectedWords)
{
    backend::ImageData image;
    image.width = 99; // stale content must not survive a failed read
    std::string error;
    EXPECT_FALSE(backend::ReadImageFile(file.data(), file.size(), image, error));
    EXPECT_NE(error.find(expectedWords), std::string::npos) << "error was: " << error;
    EXPECT_EQ(image.width, 0u);
    EXPECT_TRUE(image.surfaces.empty());
}

// Header fields by their byte offset in the file (the magic is bytes 0..3).
constexpr size_t DDS_FLAGS = 8, DDS_HEIGHT = 12, DDS_WIDTH = 16, DDS_MIPCOUNT = 28, DDS_PF_FLAGS = 80,
                 DDS_PF_FOURCC = 84, DDS_PF_BITS = 88, DDS_PF_RMASK = 92, DDS_PF_GMASK = 96, DDS_PF_BMASK = 100,
                 DDS_PF_AMASK = 104, DDS_CAPS = 108, DDS_CAPS2 = 112;

inline void Poke32(std::vector<uint8_t>& file, size_t offset, uint32_t value)
{
    for (int i = 0; i < 4; ++i) {
        file[offset + i] = uint8_t(value >> (8 * i));
    }
}

} // namespace imagetest

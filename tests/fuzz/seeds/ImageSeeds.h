#pragma once
// Valid pictures of every format the image readers take, for the seed corpus
// and for the image target, which damages them itself.

#include "datagen/writers/DdsWriter.h"
#include "datagen/writers/JpegWriter.h"
#include "datagen/writers/PngWriter.h"
#include "datagen/writers/RgbaImage.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

inline datagen::RgbaImage ImagePattern(uint32_t width, uint32_t height)
{
    datagen::RgbaImage image(width, height);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            image.At(x, y) = (0x40u + x * 24) << 24 | (x * 32) << 16 | (y * 32) << 8 | ((x ^ y) * 16);
    return image;
}

// File name and bytes of each picture: every DDS format square with mips and
// oblong without, cube maps, PNG with and without alpha, colour and grey JPEG.
inline std::vector<std::pair<std::string, std::vector<uint8_t>>> ImageSeedFiles()
{
    using datagen::DdsFormat;
    const std::pair<DdsFormat, const char*> formats[] = {{DdsFormat::A8R8G8B8, "argb"}, {DdsFormat::X8R8G8B8, "xrgb"},
                                                         {DdsFormat::R5G6B5, "r5g6b5"}, {DdsFormat::A4R4G4B4, "argb4"},
                                                         {DdsFormat::DXT1, "dxt1"},     {DdsFormat::DXT3, "dxt3"},
                                                         {DdsFormat::DXT5, "dxt5"}};
    std::vector<std::pair<std::string, std::vector<uint8_t>>> files;
    for (const auto& [format, name] : formats) {
        files.emplace_back(std::string(name) + "-mips.dds", datagen::EncodeDds(ImagePattern(8, 8), format, true));
        files.emplace_back(std::string(name) + ".dds", datagen::EncodeDds(ImagePattern(8, 4), format, false));
    }
    const datagen::RgbaImage faces[6] = {ImagePattern(4, 4), ImagePattern(4, 4), ImagePattern(4, 4),
                                         ImagePattern(4, 4), ImagePattern(4, 4), ImagePattern(4, 4)};
    files.emplace_back("cube-dxt1.dds", datagen::EncodeCubeDds(faces, DdsFormat::DXT1, true));
    files.emplace_back("cube-dxt3.dds", datagen::EncodeCubeDds(faces, DdsFormat::DXT3, true));
    files.emplace_back("cube-argb.dds", datagen::EncodeCubeDds(faces, DdsFormat::A8R8G8B8, false));
    files.emplace_back("rgba.png", datagen::EncodePng(ImagePattern(8, 8), true));
    files.emplace_back("rgb.png", datagen::EncodePng(ImagePattern(5, 3), false));
    files.emplace_back("colour.jpg", datagen::EncodeJpeg(ImagePattern(16, 8), 90, false));
    files.emplace_back("grey.jpg", datagen::EncodeJpeg(ImagePattern(8, 8), 50, true));
    return files;
}

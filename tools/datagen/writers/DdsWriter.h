#pragma once
// DDS files (plain and cube textures) in the formats the game loads.

#include "datagen/writers/RgbaImage.h"

#include <cstdint>
#include <vector>

namespace datagen {

enum class DdsFormat { A8R8G8B8, X8R8G8B8, R5G6B5, A4R4G4B4, DXT1, DXT3, DXT5 };

// withMips adds every level down to 1x1, each a 2x2 box filter of the one above.
std::vector<uint8_t> EncodeDds(const RgbaImage& image, DdsFormat format, bool withMips);
// Faces in order +x, -x, +y, -y, +z, -z; all the same size and square.
std::vector<uint8_t> EncodeCubeDds(const RgbaImage faces[6], DdsFormat format, bool withMips);

// Pieces the encoder is built from, also used by tests.
RgbaImage HalveImage(const RgbaImage& image);
// One 4x4 block (16 pixels, row-major) to its 8 (DXT1) or 16 (DXT3/5) bytes.
void EncodeDxtBlock(const uint32_t pixels[16], DdsFormat format, uint8_t* out);

} // namespace datagen

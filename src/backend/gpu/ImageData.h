#pragma once
// Decoded pictures as the texture loaders receive them: one format, every face and mip level.

#include "backend/gpu/GpuFormat.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace backend {

struct ImageSurface {
    uint32_t width = 0, height = 0;
    std::vector<uint8_t> bytes; // rows top to bottom, tightly packed (DXT: rows of 4x4 blocks)
};

struct ImageData {
    GpuFormat format = D3DFMT_UNKNOWN; // A8R8G8B8 stores bytes B,G,R,A per texel
    uint32_t width = 0, height = 0;
    bool cube = false;                  // six faces in order +x, -x, +y, -y, +z, -z
    uint32_t levels = 0;                // mip levels per face
    std::vector<ImageSurface> surfaces; // face-major: face f, level l at f * levels + l

    uint32_t FaceCount() const { return cube ? 6u : 1u; }
    ImageSurface& Surface(uint32_t face, uint32_t level) { return surfaces[face * levels + level]; }
    const ImageSurface& Surface(uint32_t face, uint32_t level) const { return surfaces[face * levels + level]; }
};

// Largest width or height accepted from a file.
constexpr uint32_t IMAGE_MAX_DIMENSION = 8192;

// Detects DDS, PNG or JPEG by its magic; a clear error text on any bad input (out is then left empty).
// PNG gives A8R8G8B8, JPEG gives X8R8G8B8, both with one level; DDS keeps the file's format and levels.
bool ReadImageFile(const uint8_t* data, size_t size, ImageData& out, std::string& error);

// Completes the mip chain of every face down to 1x1 with a 2x2 box filter. Compressed images whose chain is
// incomplete are decompressed to A8R8G8B8 first; a complete chain is left untouched.
void GenerateMipChain(ImageData& image);

// DXT1/3/5 blocks to A8R8G8B8 texels (bytes B,G,R,A), width*height*4 bytes, row 0 on top.
void DecompressDxt(GpuFormat format, uint32_t width, uint32_t height, const uint8_t* blocks,
                   std::vector<uint8_t>& argbOut);

// Bytes per texel of an uncompressed format (0 for compressed or unknown ones) and the byte size of one surface.
uint32_t ImageBytesPerTexel(GpuFormat format);
bool ImageIsCompressed(GpuFormat format);
size_t ImageSurfaceSize(GpuFormat format, uint32_t width, uint32_t height);

} // namespace backend

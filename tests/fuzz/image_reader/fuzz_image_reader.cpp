// Feeds arbitrary bytes to the image readers and, when a picture comes out, completes its mip chain.

#include "backend/gpu/ImageData.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    backend::ImageData image;
    std::string error;
    if (!backend::ReadImageFile(data, size, image, error)) {
        if (error.empty() || !image.surfaces.empty()) {
            std::abort(); // a failure must explain itself and leave nothing behind
        }
        return 0;
    }
    const size_t faces = image.cube ? 6 : 1;
    if (image.surfaces.size() != faces * image.levels) {
        std::abort();
    }
    for (const backend::ImageSurface& s : image.surfaces) {
        if (s.bytes.size() < backend::ImageSurfaceSize(image.format, s.width, s.height) &&
            backend::ImageBytesPerTexel(image.format) != 0) {
            std::abort();
        }
    }
    // Keep the mip work small enough for a fast loop.
    if (uint64_t(image.width) * image.height <= 512 * 512) {
        backend::GenerateMipChain(image);
    }
    return 0;
}

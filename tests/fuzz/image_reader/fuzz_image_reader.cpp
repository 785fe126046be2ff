// Feeds arbitrary bytes to the image readers and, when a picture comes out, completes its mip chain.
// Each input is also used to damage one of a set of valid DDS, PNG and JPEG files, so that the
// decoders' own error paths are reached and not only the header checks.

#include "../seeds/ImageSeeds.h"

#include "backend/gpu/ImageData.h"

#include <cstdlib>

namespace {

using Bytes = std::vector<uint8_t>;

void Check(const uint8_t* data, size_t size)
{
    backend::ImageData image;
    std::string error;
    if (!backend::ReadImageFile(data, size, image, error)) {
        if (error.empty() || !image.surfaces.empty()) {
            std::abort(); // a failure must explain itself and leave nothing behind
        }
        return;
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
}

const std::vector<Bytes>& Seeds()
{
    static const std::vector<Bytes> seeds = [] {
        std::vector<Bytes> bytes;
        for (auto& file : ImageSeedFiles())
            bytes.push_back(std::move(file.second));
        return bytes;
    }();
    return seeds;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Check(data, size);

    // Byte 0 picks a valid file, byte 1 from 128 up cuts it short, and each
    // following triple (offset high, offset low, mask) flips bits in it.
    if (size < 2)
        return 0;
    const std::vector<Bytes>& seeds = Seeds();
    Bytes file = seeds[data[0] % seeds.size()];
    if (data[1] >= 128)
        file.resize(file.size() * (data[1] - 128) / 128);
    for (size_t i = 2; i + 2 < size && !file.empty(); i += 3) {
        const size_t offset = (size_t(data[i]) << 8 | data[i + 1]) % file.size();
        file[offset] ^= data[i + 2];
    }
    Check(file.data(), file.size());
    return 0;
}

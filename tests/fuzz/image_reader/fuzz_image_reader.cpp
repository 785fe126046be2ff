// Feeds arbitrary bytes to the image readers and, when a picture comes out, completes its mip chain.
// Each input is also used to damage one of a set of valid DDS, PNG and JPEG files, so that the
// decoders' own error paths are reached and not only the header checks.

#include "../seeds/ImagePattern.h"

#include "backend/gpu/ImageData.h"
#include "datagen/writers/DdsWriter.h"
#include "datagen/writers/JpegWriter.h"
#include "datagen/writers/PngWriter.h"

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

std::vector<Bytes> MakeSeeds()
{
    using datagen::DdsFormat;
    std::vector<Bytes> seeds;
    for (DdsFormat format : {DdsFormat::A8R8G8B8, DdsFormat::X8R8G8B8, DdsFormat::R5G6B5, DdsFormat::A4R4G4B4,
                             DdsFormat::DXT1, DdsFormat::DXT3, DdsFormat::DXT5}) {
        seeds.push_back(datagen::EncodeDds(ImagePattern(8, 8), format, true));
        seeds.push_back(datagen::EncodeDds(ImagePattern(8, 4), format, false));
    }
    const datagen::RgbaImage faces[6] = {ImagePattern(4, 4), ImagePattern(4, 4), ImagePattern(4, 4),
                                         ImagePattern(4, 4), ImagePattern(4, 4), ImagePattern(4, 4)};
    seeds.push_back(datagen::EncodeCubeDds(faces, DdsFormat::DXT1, true));
    seeds.push_back(datagen::EncodeCubeDds(faces, DdsFormat::A8R8G8B8, false));
    seeds.push_back(datagen::EncodePng(ImagePattern(8, 8), true));
    seeds.push_back(datagen::EncodePng(ImagePattern(5, 3), false));
    seeds.push_back(datagen::EncodeJpeg(ImagePattern(8, 8), 90, false));
    seeds.push_back(datagen::EncodeJpeg(ImagePattern(16, 8), 50, true));
    return seeds;
}

const std::vector<Bytes>& Seeds()
{
    static const std::vector<Bytes> seeds = MakeSeeds();
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

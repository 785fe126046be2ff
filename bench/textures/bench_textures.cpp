// Texture decoding costs: a 1024x1024 DXT1 file with its mip chain.

#include "backend/gpu/ImageData.h"
#include "datagen/writers/DdsWriter.h"

#include <benchmark/benchmark.h>

namespace {

const std::vector<uint8_t>& Dxt1File()
{
    static const std::vector<uint8_t> file = [] {
        datagen::RgbaImage image(1024, 1024);
        for (uint32_t y = 0; y < 1024; ++y) {
            for (uint32_t x = 0; x < 1024; ++x) {
                image.At(x, y) = 0xFF000000u | ((x & 0xFF) << 16) | ((y & 0xFF) << 8) | ((x ^ y) & 0xFF);
            }
        }
        return datagen::EncodeDds(image, datagen::DdsFormat::DXT1, true);
    }();
    return file;
}

// Parsing and copying out every level, as the loader does before uploading compressed data.
void BM_ReadDxt1File1024(benchmark::State& state)
{
    const std::vector<uint8_t>& file = Dxt1File();
    for (auto _ : state) {
        backend::ImageData image;
        std::string error;
        bool ok = backend::ReadImageFile(file.data(), file.size(), image, error);
        benchmark::DoNotOptimize(ok);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(file.size()));
}
BENCHMARK(BM_ReadDxt1File1024)->Unit(benchmark::kMillisecond);

// Reading plus decompressing every level to A8R8G8B8, the path for a device without S3TC.
void BM_ReadAndDecompressDxt1File1024(benchmark::State& state)
{
    const std::vector<uint8_t>& file = Dxt1File();
    for (auto _ : state) {
        backend::ImageData image;
        std::string error;
        backend::ReadImageFile(file.data(), file.size(), image, error);
        std::vector<uint8_t> argb;
        for (const backend::ImageSurface& s : image.surfaces) {
            backend::DecompressDxt(image.format, s.width, s.height, s.bytes.data(), argb);
        }
        benchmark::DoNotOptimize(argb.data());
    }
}
BENCHMARK(BM_ReadAndDecompressDxt1File1024)->Unit(benchmark::kMillisecond);

// A file with only its top level: the chain is built from the decompressed picture.
void BM_ReadDxt1WithoutMipsAndBuildChain1024(benchmark::State& state)
{
    static const std::vector<uint8_t> file =
        datagen::EncodeDds(datagen::RgbaImage(1024, 1024, 0xFF406080), datagen::DdsFormat::DXT1, false);
    for (auto _ : state) {
        backend::ImageData image;
        std::string error;
        backend::ReadImageFile(file.data(), file.size(), image, error);
        backend::GenerateMipChain(image);
        benchmark::DoNotOptimize(image.levels);
    }
}
BENCHMARK(BM_ReadDxt1WithoutMipsAndBuildChain1024)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

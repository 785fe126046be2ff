// Texture loading costs: a 1024x1024 DXT1 file with its mip chain, decoded alone and loaded onto the device.
// Run with SDL_VIDEODRIVER=offscreen when there is no display.

#include "backend/files/Files.h"
#include "backend/gpu/GpuDevice.h"
#include "backend/gpu/GpuSystem.h"
#include "backend/gpu/GpuTexture.h"
#include "backend/gpu/GpuTextureLoader.h"
#include "backend/gpu/ImageData.h"
#include "backend/window/SystemWindow.h"
#include "backend/window/WindowTypes.h"
#include "datagen/writers/DdsWriter.h"
#include "datagen/writers/FileWriter.h"

#include <benchmark/benchmark.h>

#include <filesystem>

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

intptr_t BenchWindowProc(backend::NativeWindow*, uint32_t, uintptr_t, intptr_t)
{
    return 0;
}

// A hidden window and a device on it, made once for the device benchmarks.
struct BenchDevice {
    backend::NativeWindow* window = nullptr;
    backend::GpuSystem* system = nullptr;
    backend::GpuDevice* device = nullptr;

    BenchDevice()
    {
        backend::WindowClass windowClass;
        windowClass.procedure = BenchWindowProc;
        windowClass.className = "VantrelTextureBench";
        if (!backend::RegisterWindowClass(windowClass)) {
            return;
        }
        window = backend::CreateWindow("VantrelTextureBench", "Vantrel", 0, 0, 0, 64, 64, nullptr);
        system = backend::CreateGpuSystem();
        if (window == nullptr || system == nullptr) {
            return;
        }
        backend::GpuPresentParameters parameters;
        parameters.BackBufferWidth = 64;
        parameters.BackBufferHeight = 64;
        parameters.BackBufferFormat = backend::D3DFMT_X8R8G8B8;
        parameters.BackBufferCount = 1;
        parameters.SwapEffect = backend::D3DSWAPEFFECT_DISCARD;
        parameters.hDeviceWindow = window;
        parameters.Windowed = true;
        system->CreateDevice(0, backend::D3DDEVTYPE_HAL, window, backend::D3DCREATE_HARDWARE_VERTEXPROCESSING,
                             &parameters, &device);
    }

    ~BenchDevice()
    {
        if (device) {
            device->Release();
        }
        if (system) {
            system->Release();
        }
        if (window) {
            backend::DestroyWindow(window);
        }
        backend::UnregisterWindowClass("VantrelTextureBench", nullptr);
    }
};

BenchDevice& Device()
{
    static BenchDevice device;
    return device;
}

// The whole load: file read, parse, upload of every level to a managed texture.
void BM_LoadDxt1TextureFromFile1024(benchmark::State& state)
{
    backend::GpuDevice* device = Device().device;
    const std::string folder = backend::ResolvePath("TextureBench");
    if (device == nullptr || !datagen::WriteFileBytes(folder + "/Big.dds", Dxt1File())) {
        state.SkipWithError("no device or no file");
        return;
    }
    for (auto _ : state) {
        backend::GpuTexture* texture = nullptr;
        std::string error;
        if (backend::GpuFailed(backend::GpuCreateTextureFromFile(device, "TextureBench\\Big.dds", &texture, &error))) {
            state.SkipWithError(error.c_str());
            break;
        }
        texture->Release();
    }
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_LoadDxt1TextureFromFile1024)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();

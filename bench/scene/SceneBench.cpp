// Frame time of a track scene at 800 x 600: a terrain of 257 x 257 samples with
// two passes, the sky, water and 2,000 billboards (and, in the second case,
// weather, a flare light and the lens flare), and the share of the frame spent
// culling (the terrain's patch tree and the billboards' collection and sort).
// Timed by the wall clock; each frame ends with a present. Run with
// SDL_VIDEODRIVER=offscreen when there is no display.

#include "engine/scene/DemoScene.h"

#include "backend/gpu/GpuDevice.h"
#include "backend/window/SystemWindow.h"
#include "backend/window/WindowTypes.h"
#include "engine/platform/Log.h"
#include "engine/platform/RenderDevice.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <unistd.h>

using namespace backend;

namespace {

intptr_t BenchWindowProc(NativeWindow*, uint32_t, uintptr_t, intptr_t)
{
    return 0;
}

// The window and device, made once; a scene per benchmark.
struct BenchDevice {
    NativeWindow* window = nullptr;
    std::string folder;
    bool ready = false;

    BenchDevice()
    {
        folder =
            (std::filesystem::temp_directory_path() / ("vantrel-bench-scene-" + std::to_string(getpid()))).string();
        std::filesystem::create_directories(folder);
        WindowClass windowClass;
        windowClass.procedure = BenchWindowProc;
        windowClass.className = "VantrelSceneBench";
        if (!RegisterWindowClass(windowClass))
            return;
        window = CreateWindow("VantrelSceneBench", "Vantrel", WS_VISIBLE, 0, 0, 800, 600, nullptr);
        GpuDisplayMode mode;
        ready = window != nullptr && g_RenderDevice.Init() &&
                g_RenderDevice.CreateDevice(window, mode, D3DDEVTYPE_HAL, D3DCREATE_HARDWARE_VERTEXPROCESSING, true,
                                            D3DFMT_D24S8, 1, true);
        if (ready)
            ApplySceneStates();
    }

    ~BenchDevice()
    {
        g_RenderDevice.Shutdown();
        if (window != nullptr)
            DestroyWindow(window);
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
};

BenchDevice& Device()
{
    static BenchDevice device;
    return device;
}

double Seconds(std::chrono::steady_clock::duration duration)
{
    return std::chrono::duration<double>(duration).count();
}

void RunFrames(benchmark::State& state, bool effects)
{
    BenchDevice& device = Device();
    if (!device.ready) {
        state.SkipWithError("no device");
        return;
    }
    auto scene = std::make_unique<DemoScene>();
    DemoSceneOptions options;
    options.effects = effects;
    if (!scene->Create(device.folder, options)) {
        state.SkipWithError(g_LastError.c_str());
        scene->Release();
        return;
    }
    GpuDevice* gpu = g_RenderDevice.device;
    double cullSeconds = 0.0, frameSeconds = 0.0;
    uint64_t frames = 0;
    size_t visiblePatches = 0, visibleBillboards = 0;
    for (auto _ : state) {
        // The camera turns a little each frame, round the scene.
        const Camera camera = scene->MakeCamera(0.3f + 0.01f * float(frames % 628));
        const auto start = std::chrono::steady_clock::now();
        scene->Cull(camera);
        const auto culled = std::chrono::steady_clock::now();
        visiblePatches += scene->terrain.patchTree.visible.size();
        visibleBillboards += scene->billboards.sorted.size();
        gpu->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000u, 1.0f, 0);
        gpu->BeginScene();
        scene->Draw(camera);
        gpu->EndScene();
        gpu->Present();
        const auto end = std::chrono::steady_clock::now();
        // Draw culls again itself; the separate pass measures what that costs.
        cullSeconds += Seconds(culled - start);
        frameSeconds += Seconds(end - culled);
        ++frames;
    }
    if (frames > 0) {
        state.counters["frame_ms"] = 1000.0 * frameSeconds / double(frames);
        state.counters["cull_ms"] = 1000.0 * cullSeconds / double(frames);
        state.counters["cull_share_%"] = 100.0 * cullSeconds / frameSeconds;
        state.counters["patches"] = double(visiblePatches) / double(frames);
        state.counters["billboards"] = double(visibleBillboards) / double(frames);
    }
    scene->Release();
}

void BM_SceneFrame(benchmark::State& state)
{
    RunFrames(state, false);
}

void BM_SceneFrameWithEffects(benchmark::State& state)
{
    RunFrames(state, true);
}

// Culling alone: 1,024 patches and 2,000 billboards against a turning camera.
void BM_SceneCulling(benchmark::State& state)
{
    BenchDevice& device = Device();
    if (!device.ready) {
        state.SkipWithError("no device");
        return;
    }
    auto scene = std::make_unique<DemoScene>();
    DemoSceneOptions options;
    options.effects = false;
    if (!scene->Create(device.folder, options)) {
        state.SkipWithError(g_LastError.c_str());
        scene->Release();
        return;
    }
    uint64_t frames = 0;
    for (auto _ : state) {
        scene->Cull(scene->MakeCamera(0.01f * float(frames++ % 628)));
        benchmark::DoNotOptimize(scene->billboards.sorted.data());
    }
    scene->Release();
}

} // namespace

BENCHMARK(BM_SceneFrame)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
BENCHMARK(BM_SceneFrameWithEffects)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
BENCHMARK(BM_SceneCulling)->Unit(benchmark::kMicrosecond)->MinTime(1.0);

BENCHMARK_MAIN();

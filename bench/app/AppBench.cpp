// The front end's start-up time from the game window to the logo screen (the
// launcher left out: it waits for the user), and the time of one menu frame:
// draw, input, logic and present, without the 16 ms frame wait. Uses the
// sample data beside the program; the offscreen video driver unless another
// one is chosen.

#include "app/Application.h"
#include "app/FrameFunctions.h"
#include "app/FrontEnd.h"
#include "app/Menu.h"
#include "backend/gpu/GpuDevice.h"
#include "engine/platform/DeviceSettings.h"
#include "engine/platform/RenderDevice.h"
#include "engine/platform/Window.h"

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace {

void ChooseWindowedSettings()
{
    g_DeviceSettings = DeviceSettings();
    g_DeviceSettings.deviceType = backend::D3DDEVTYPE_HAL;
    g_DeviceSettings.behaviorFlags = backend::D3DCREATE_HARDWARE_VERTEXPROCESSING;
    g_DeviceSettings.width = 800;
    g_DeviceSettings.height = 600;
    g_DeviceSettings.format = backend::D3DFMT_X8R8G8B8;
    g_DeviceSettings.windowed = true;
    g_DeviceSettings.backBufferCount = 1;
    g_DeviceSettings.minMagFilter = backend::D3DTEXF_LINEAR;
    g_DeviceSettings.mipFilter = backend::D3DTEXF_LINEAR;
    g_DeviceSettings.maxAnisotropy = 1;
}

bool StartGame(benchmark::State& state)
{
    ChooseWindowedSettings();
    if (InitGame(backend::SW_SHOWDEFAULT))
        return true;
    state.SkipWithError("start-up failed (is the sample data beside the program?)");
    return false;
}

void StopGame()
{
    ShutdownApplication();
    g_Window = Window();
    g_Window.CheckSingleInstance("VantrelBench");
    g_RenderDevice = RenderDevice();
}

void BM_StartUpToLogo(benchmark::State& state)
{
    for (auto _ : state) {
        if (!StartGame(state))
            break;
        benchmark::DoNotOptimize(g_GameState);
        state.PauseTiming();
        StopGame();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartUpToLogo)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

void BM_MenuFrame(benchmark::State& state)
{
    if (!StartGame(state))
        return;
    g_GameState = GAMESTATE_MAIN_MENU;
    g_Menu->SetScreen(MenuScreen(state.range(0)), 0);
    g_TitleFade = 0.0f;
    g_TitleImage.Release();
    for (auto _ : state) {
        RenderFrame();
        ProcessInput();
        UpdateFrame();
        g_RenderDevice.device->Present();
        g_FramePending = false;
    }
    StopGame();
}
BENCHMARK(BM_MenuFrame)
    ->Arg(MENUSCREEN_MAIN)
    ->Arg(MENUSCREEN_OPTIONS)
    ->Arg(MENUSCREEN_CREDITS)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("ALSOFT_DRIVERS", "null", 0);
    g_Window.CheckSingleInstance("VantrelBench");
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

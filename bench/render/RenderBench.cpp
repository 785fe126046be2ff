// Draw calls per second of a textured 2D quad on the device: with everything
// bound once, with state and texture changes around each draw, and through
// VertexImage::Render. Timed by the wall clock, since the rasteriser works on
// threads of its own. Run with SDL_VIDEODRIVER=offscreen when there is no display.

#include "backend/gpu/GpuDevice.h"
#include "backend/gpu/GpuTexture.h"
#include "backend/window/SystemWindow.h"
#include "backend/window/WindowTypes.h"
#include "engine/platform/RenderDevice.h"
#include "engine/platform/VertexImage.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>

using namespace backend;

namespace {

constexpr uint32_t DRAWS_PER_PRESENT = 256;

intptr_t BenchWindowProc(NativeWindow*, uint32_t, uintptr_t, intptr_t)
{
    return 0;
}

// The window, the device and two textured quads, made once for every benchmark.
struct BenchScene {
    NativeWindow* window = nullptr;
    GpuTexture* textures[2] = {};
    VertexImage image;
    bool ready = false;

    BenchScene()
    {
        WindowClass windowClass;
        windowClass.procedure = BenchWindowProc;
        windowClass.className = "VantrelRenderBench";
        if (!RegisterWindowClass(windowClass))
            return;
        window = CreateWindow("VantrelRenderBench", "Vantrel", WS_VISIBLE, 0, 0, 800, 600, nullptr);
        GpuDisplayMode mode;
        if (window == nullptr || !g_RenderDevice.Init() ||
            !g_RenderDevice.CreateDevice(window, mode, D3DDEVTYPE_HAL, D3DCREATE_HARDWARE_VERTEXPROCESSING, true,
                                         D3DFMT_D24S8, 1, true))
            return;
        for (int i = 0; i < 2; ++i) {
            if (GpuFailed(
                    g_RenderDevice.device->CreateTexture(64, 64, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &textures[i])))
                return;
            GpuLockedRect locked;
            textures[i]->LockRect(0, &locked, nullptr, 0);
            for (int y = 0; y < 64; ++y)
                std::memset(static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch, i == 0 ? 0x40 : 0xC0, 64 * 4);
            textures[i]->UnlockRect(0);
        }
        const float uv[4] = {0, 0, 1, 1};
        if (!image.Load(nullptr, 64.0f, 64.0f, 0xFFFFFFFFu, uv))
            return;
        image.SetTexture(textures[0]);
        ready = true;
    }

    ~BenchScene()
    {
        image.Release();
        if (g_RenderDevice.device != nullptr) {
            g_RenderDevice.SetTexture(0, nullptr);
            g_RenderDevice.device->SetStreamSource(0, nullptr, 0);
        }
        for (GpuTexture* texture : textures)
            if (texture != nullptr)
                texture->Release();
        g_RenderDevice.Shutdown();
        if (window != nullptr)
            DestroyWindow(window);
        UnregisterWindowClass("VantrelRenderBench", nullptr);
    }

    void BeginFrame()
    {
        g_RenderDevice.device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000u, 1.0f, 0);
        g_RenderDevice.device->BeginScene();
        g_RenderDevice.Begin2D(800.0f, 600.0f);
    }

    void EndFrame()
    {
        g_RenderDevice.device->EndScene();
        g_RenderDevice.device->Present();
    }
};

BenchScene& Scene()
{
    static BenchScene scene;
    return scene;
}

// Draws in frames of DRAWS_PER_PRESENT, so the rasteriser's work is counted too.
template <typename Draw> void RunDraws(benchmark::State& state, Draw draw)
{
    BenchScene& scene = Scene();
    if (!scene.ready) {
        state.SkipWithError("no device");
        return;
    }
    uint32_t inFrame = 0;
    uint64_t draws = 0;
    scene.BeginFrame();
    for (auto _ : state) {
        draw(draws);
        ++draws;
        if (++inFrame == DRAWS_PER_PRESENT) {
            scene.EndFrame();
            scene.BeginFrame();
            inFrame = 0;
        }
    }
    scene.EndFrame();
    state.SetItemsProcessed(int64_t(draws));
}

void TexturedQuadBoundOnce(benchmark::State& state)
{
    BenchScene& scene = Scene();
    if (scene.ready) {
        RenderDevice& rd = g_RenderDevice;
        rd.SetTexture(0, scene.textures[0]);
        rd.device->SetVertexShader(VERTEXIMAGE_FVF);
        rd.currentVertexShader = VERTEXIMAGE_FVF;
        rd.device->SetStreamSource(0, scene.image.vertexBuffer, sizeof(VertexImageVertex));
    }
    RunDraws(state, [&](uint64_t draw) {
        scene.image.SetPosition(float(draw % 700), float(draw % 500), 0);
        scene.image.DrawQuad();
    });
}

void TexturedQuadWithStateChanges(benchmark::State& state)
{
    BenchScene& scene = Scene();
    RunDraws(state, [&](uint64_t draw) {
        RenderDevice& rd = g_RenderDevice;
        rd.ChangeRenderState(D3DRS_ALPHABLENDENABLE, 1);
        rd.ChangeRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        rd.ChangeRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
        rd.ChangeTextureStageState(0, D3DTSS_COLOROP, draw % 2 == 0 ? D3DTOP_MODULATE : D3DTOP_SELECTARG1);
        rd.SetTexture(0, scene.textures[draw % 2]);
        rd.device->SetStreamSource(0, scene.image.vertexBuffer, sizeof(VertexImageVertex));
        scene.image.SetPosition(float(draw % 700), float(draw % 500), 0);
        scene.image.DrawQuad();
        rd.RevertTextureStageState(0, D3DTSS_COLOROP);
        rd.RevertRenderState(D3DRS_DESTBLEND);
        rd.RevertRenderState(D3DRS_SRCBLEND);
        rd.RevertRenderState(D3DRS_ALPHABLENDENABLE);
    });
}

void VertexImageRender(benchmark::State& state)
{
    BenchScene& scene = Scene();
    RunDraws(state, [&](uint64_t draw) {
        scene.image.SetPosition(float(draw % 700), float(draw % 500), 0);
        scene.image.Render();
    });
}

} // namespace

BENCHMARK(TexturedQuadBoundOnce)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(TexturedQuadWithStateChanges)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(VertexImageRender)->Unit(benchmark::kMicrosecond)->UseRealTime();

BENCHMARK_MAIN();

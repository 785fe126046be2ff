// Cost of a running single-player race on every track, driven as the front
// end drives it (HandleInput, Update, the sound mix, then Clear, BeginScene,
// Draw with the HUD, EndScene, Present) at the size given (800 x 600 unless
// given), the moped ridden by the test autopilot: the whole frame and the
// game's own CPU time apart from the time inside the device's GL calls (p50
// and p99 after the count-down); the process's CPU time per frame, the
// draws, GL calls and uniform uploads per frame, and the frame in units of
// one full-screen single-textured opaque pass measured at the same size
// ("screens"); the peak resident memory during each race; the heap blocks
// each frame takes once the race runs, and the time from the start of
// Race::Create to the end of the first count-down frame. Prints tables; reads
// the sample data generated beside the program. Software GL draws on the
// calling thread, as in the game.

#include "../common/BenchAudio.h"
#include "../common/BenchDevice.h"
#include "../common/BenchStats.h"
#include "../common/HeapCounter.h"
#include "race/Autopilot.h"

#include "race/SinglePlayerRace.h"
#include "tracks/Track.h"
#include "tracks/TrackTable.h"

#include "audio/AudioManager.h"
#include "engine/platform/BitmapFont.h"
#include "engine/platform/InputSystem.h"
#include "engine/platform/Log.h"
#include "engine/platform/RenderDevice.h"

#include "backend/gpu/GpuDevice.h"
#include "backend/gpu/GpuDriverTimer.h"
#include "backend/gpu/GpuTexture.h"

#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

using namespace backend;

namespace {

constexpr int WARM_UP_FRAMES = 20;
constexpr int MIN_FRAMES = 100;
constexpr int MAX_FRAMES = 400;
constexpr double FRAME_SECONDS = 6.0;
constexpr double START_TARGET_SECONDS = 2.0;
constexpr uint32_t FRAME_MS = 16;

using namespace BenchStats;

struct FrameTimes {
    double frameMs = 0;
    double cpuMs = 0; // the process's CPU time, the rasteriser threads included
    double driverMs = 0;
    double updateMs = 0; // HandleInput and Update: physics, moped, camera, track
    double drawMs = 0;   // Draw with the HUD, less its time in the driver: scene and HUD submission
};

double ProcessCpuMs()
{
    timespec now = {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// The peak resident set since the last ResetPeakMemory, in MB (0 when unknown).
double PeakMemoryMb()
{
    FILE* status = std::fopen("/proc/self/status", "r");
    if (!status)
        return 0;
    char line[256];
    double kb = 0;
    while (std::fgets(line, sizeof line, status))
        if (std::sscanf(line, "VmHWM: %lf kB", &kb) == 1)
            break;
    std::fclose(status);
    return kb / 1024.0;
}

void ResetPeakMemory()
{
    if (FILE* refs = std::fopen("/proc/self/clear_refs", "w")) {
        std::fputs("5", refs);
        std::fclose(refs);
    }
}

// One frame as the front end runs it.
FrameTimes Frame(SinglePlayerRace& race, BitmapFont& font, Autopilot& autopilot)
{
    FrameTimes times;
    GpuDevice* device = g_RenderDevice.device;
    const uint64_t driverBefore = GpuDriverTimer::nanoseconds;
    const double cpuStart = ProcessCpuMs();
    const auto start = Clock::now();
    autopilot.Press(race.playerMoped, FRAME_MS);
    race.HandleInput();
    race.Update();
    GetAudioManager()->Update();
    const auto updated = Clock::now();
    device->Clear(0, nullptr, D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0, 1.0f, 0);
    device->BeginScene();
    const uint64_t driverBeforeDraw = GpuDriverTimer::nanoseconds;
    const auto drawStart = Clock::now();
    race.Draw(true, &font);
    const auto drawn = Clock::now();
    const uint64_t driverInDraw = GpuDriverTimer::nanoseconds - driverBeforeDraw;
    device->EndScene();
    device->Present();
    const auto end = Clock::now();
    times.cpuMs = ProcessCpuMs() - cpuStart;
    times.frameMs = Ms(end - start);
    times.driverMs = double(GpuDriverTimer::nanoseconds - driverBefore) / 1e6;
    times.updateMs = Ms(updated - start);
    times.drawMs = Ms(drawn - drawStart) - double(driverInDraw) / 1e6;
    return times;
}

struct TrackResult {
    bool ok = false;
    double createSeconds = 0;
    double firstFrameSeconds = 0;
    int countDownFrames = 0;
    int frames = 0;
    std::vector<double> frameMs, cpuMs, gameMs, driverMs, updateMs, drawGameMs;
    uint64_t draws = 0, glCalls = 0, uniformUploads = 0; // over all measured frames
    double peakMb = 0;
    uint64_t blocks = 0;
    uint64_t gameBlocks = 0;
    uint64_t worstGameBlocks = 0; // the most one frame took
    int framesWithGameBlocks = 0;
    int lap = 0;
    float speed = 0; // m/s at the end
};

TrackResult MeasureTrack(TrackId id, BitmapFont& font)
{
    TrackResult result;
    Autopilot autopilot;
    std::memset(g_InputSystem.keys, 0, sizeof g_InputSystem.keys);
    g_InputSystem.keyboardValid = true;

    // "Race!": the race is made and its first count-down frame shown.
    ResetPeakMemory();
    const auto start = Clock::now();
    auto race = std::make_unique<SinglePlayerRace>();
    const bool created = race->Create(int32_t(id));
    result.createSeconds = Seconds(Clock::now() - start);
    if (!created) {
        std::fprintf(stderr, "%s: Create failed: %s\n", GetTrackDisplayName(id), g_LastError.c_str());
        race->Release();
        race->Destroy();
        return result;
    }
    Frame(*race, font, autopilot);
    result.firstFrameSeconds = Seconds(Clock::now() - start);
    result.countDownFrames = 1;
    while (race->phase == RACEPHASE_COUNTDOWN) {
        Frame(*race, font, autopilot);
        ++result.countDownFrames;
    }
    for (int i = 0; i < WARM_UP_FRAMES; ++i)
        Frame(*race, font, autopilot);

    GpuDriverTimer::enabled = true;
    const auto begin = Clock::now();
    while (int(result.frameMs.size()) < MAX_FRAMES &&
           (int(result.frameMs.size()) < MIN_FRAMES || Seconds(Clock::now() - begin) < FRAME_SECONDS)) {
        const HeapCounter::Counts before = HeapCounter::Read();
        g_RenderDevice.device->ResetStats();
        HeapCounter::Start();
        const FrameTimes times = Frame(*race, font, autopilot);
        HeapCounter::Stop();
        const GpuDeviceStats& stats = g_RenderDevice.device->GetStats();
        result.draws += stats.drawCalls;
        result.glCalls += stats.glCalls;
        result.uniformUploads += stats.uniformUploads;
        result.cpuMs.push_back(times.cpuMs);
        const HeapCounter::Counts after = HeapCounter::Read();
        const uint64_t game = after.gameBlocks - before.gameBlocks;
        result.blocks += after.blocks - before.blocks;
        result.gameBlocks += game;
        result.worstGameBlocks = std::max(result.worstGameBlocks, game);
        result.framesWithGameBlocks += game > 0 ? 1 : 0;
        result.frameMs.push_back(times.frameMs);
        result.driverMs.push_back(times.driverMs);
        result.gameMs.push_back(times.frameMs - times.driverMs);
        result.updateMs.push_back(times.updateMs);
        result.drawGameMs.push_back(times.drawMs);
    }
    GpuDriverTimer::enabled = false;
    result.frames = int(result.frameMs.size());
    result.peakMb = PeakMemoryMb();
    result.lap = race->playerMoped.progress.lap;
    result.speed = race->playerMoped.speed;
    result.ok = race->phase == RACEPHASE_RACING || race->phase == RACEPHASE_FINISHED;
    race->Release();
    race->Destroy();
    return result;
}

// The process's CPU time of one full-screen pass of a 256 x 256 texture,
// opaque and without depth test, on the back buffer (ms; median of 5 runs of
// 20 passes, each run closed by a read-back whose own cost is taken off).
double MeasureScreenPass(uint32_t width, uint32_t height)
{
    GpuDevice* device = g_RenderDevice.device;
    GpuTexture* texture = nullptr;
    if (GpuFailed(device->CreateTexture(256, 256, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &texture)))
        return 0;
    GpuLockedRect locked;
    if (GpuSucceeded(texture->LockRect(0, &locked, nullptr, 0))) {
        for (uint32_t y = 0; y < 256; ++y)
            for (uint32_t x = 0; x < 256; ++x)
                reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(locked.pBits) + y * uint32_t(locked.Pitch))[x] =
                    0xFF000000u | (x << 16) | (y << 8) | ((x ^ y) & 0xFF);
        texture->UnlockRect(0);
    }
    device->SetRenderState(D3DRS_ZENABLE, 0);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, 0);
    device->SetRenderState(D3DRS_ALPHATESTENABLE, 0);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetTexture(0, texture);
    device->SetTexture(1, nullptr);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTEXF_NONE);
    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    struct Vertex {
        float x, y, z, rhw;
        uint32_t color;
        float u, v;
    };
    const float w = float(width) - 0.5f, h = float(height) - 0.5f;
    const Vertex quad[4] = {{-0.5f, -0.5f, 0.5f, 1, ~0u, 0, 0},
                            {w, -0.5f, 0.5f, 1, ~0u, 1, 0},
                            {-0.5f, h, 0.5f, 1, ~0u, 0, 1},
                            {w, h, 0.5f, 1, ~0u, 1, 1}};
    device->SetVertexShader(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
    constexpr int PASSES = 20;
    std::vector<GpuColor> pixels;
    std::vector<double> runs;
    device->ReadPixels(nullptr, pixels);
    for (int run = 0; run < 5; ++run) {
        const double start = ProcessCpuMs();
        for (int i = 0; i < PASSES; ++i)
            device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(Vertex));
        device->ReadPixels(nullptr, pixels);
        const double drawn = ProcessCpuMs();
        device->ReadPixels(nullptr, pixels);
        const double read = ProcessCpuMs() - drawn;
        runs.push_back(std::max(0.0, drawn - start - read) / PASSES);
    }
    device->SetTexture(0, nullptr);
    texture->Release();
    return Median(runs);
}

int RunBench(bool where, uint32_t whereTrack, int width, int height)
{
    BenchDevice device("VantrelRaceBench", true, width, height);
    if (!device.ready) {
        std::fprintf(stderr, "no device: %s\n", g_LastError.c_str());
        return 1;
    }
    BitmapFont font;
    if (!font.Load("Graphics\\Textures\\Font.dds", "Data\\Font.dat", 32.0f, 32.0f, 512, false)) {
        std::fprintf(stderr, "font: %s\n", g_LastError.c_str());
        return 1;
    }
    HeapCounter::RecordSites(where);
    std::printf("Software GL, LP_NUM_THREADS=%s; %d x %d; frames after the count-down and %d more, for %.0f s "
                "(%d..%d frames).\n",
                std::getenv("LP_NUM_THREADS"), width, height, WARM_UP_FRAMES, FRAME_SECONDS, MIN_FRAMES, MAX_FRAMES);
    // Call sites are gathered on one track only.
    std::vector<TrackResult> results(TRACK_COUNT);
    for (uint32_t i = 0; i < TRACK_COUNT; ++i)
        if (!where || i == whereTrack)
            results[i] = MeasureTrack(TrackId(i), font);

    std::printf("\nRace frame (ms; game CPU = frame - driver, the time inside the device's GL-calling entry points; "
                "update = HandleInput, Update and the sound mix, all game CPU; draw CPU = Draw with the HUD less its "
                "driver time; "
                "p50)\n");
    std::printf("%-20s | %6s | %15s | %15s | %15s | %8s | %8s\n", "track", "frames", "frame p50/p99",
                "game CPU p50/p99", "driver p50/p99", "update", "draw CPU");
    for (uint32_t i = 0; i < TRACK_COUNT; ++i) {
        const TrackResult& r = results[i];
        if (r.createSeconds == 0) // not measured
            continue;
        if (!r.ok) {
            std::printf("%-20s | failed (see above)\n", GetTrackDisplayName(TrackId(i)));
            continue;
        }
        std::printf("%-20s | %6d | %6.2f / %6.2f | %6.2f / %6.2f | %6.2f / %6.2f | %8.3f | %8.3f\n",
                    GetTrackDisplayName(TrackId(i)), r.frames, Percentile(r.frameMs, 0.5), Percentile(r.frameMs, 0.99),
                    Percentile(r.gameMs, 0.5), Percentile(r.gameMs, 0.99), Percentile(r.driverMs, 0.5),
                    Percentile(r.driverMs, 0.99), Percentile(r.updateMs, 0.5), Percentile(r.drawGameMs, 0.5));
    }

    const double screenMs = MeasureScreenPass(uint32_t(width), uint32_t(height));
    std::printf("\nFrame CPU time (ms, p50; the process's CPU time, rasteriser threads included), per frame: draws, "
                "GL calls (per draw), uniform uploads; screens = the frame in units of one full-screen "
                "single-textured opaque pass at %d x %d, %.3f ms; peak RSS during the race (MB); frame rate of the "
                "wall-clock p50\n",
                width, height, screenMs);
    std::printf("%-20s | %8s | %7s | %15s | %8s | %7s | %8s | %6s\n", "track", "CPU p50", "draws", "GL calls (/draw)",
                "uniforms", "screens", "peak RSS", "fps");
    for (uint32_t i = 0; i < TRACK_COUNT; ++i) {
        const TrackResult& r = results[i];
        if (!r.ok)
            continue;
        const double frames = double(r.frames), cpu = Percentile(r.cpuMs, 0.5);
        std::printf("%-20s | %8.2f | %7.1f | %7.0f (%5.1f) | %8.1f | %7.2f | %8.1f | %6.1f\n",
                    GetTrackDisplayName(TrackId(i)), cpu, double(r.draws) / frames, double(r.glCalls) / frames,
                    r.draws ? double(r.glCalls) / double(r.draws) : 0.0, double(r.uniformUploads) / frames,
                    screenMs > 0 ? cpu / screenMs : 0.0, r.peakMb, 1000.0 / Percentile(r.frameMs, 0.5));
    }

    std::printf("\nHeap blocks per frame after the count-down (malloc family on the main thread; game = asked for "
                "from the program's own code, its operator new included; all = with the GL driver, SDL and OpenAL; "
                "goal 0)\n");
    std::printf("%-20s | %9s | %10s | %16s | %19s | %9s\n", "track", "game", "game total", "game worst frame",
                "frames with game's", "all");
    for (uint32_t i = 0; i < TRACK_COUNT; ++i) {
        const TrackResult& r = results[i];
        if (!r.ok)
            continue;
        std::printf("%-20s | %9.3f | %10llu | %16llu | %8d of %-8d | %9.1f\n", GetTrackDisplayName(TrackId(i)),
                    double(r.gameBlocks) / double(r.frames), (unsigned long long)r.gameBlocks,
                    (unsigned long long)r.worstGameBlocks, r.framesWithGameBlocks, r.frames,
                    double(r.blocks) / double(r.frames));
    }

    std::printf("\n\"Race!\" to the first count-down frame (s; Create = Race::Create; first frame = to the end of "
                "its Present; target < %.0f s)\n",
                START_TARGET_SECONDS);
    std::printf("%-20s | %8s | %11s | %6s | %16s | %s\n", "track", "Create", "first frame", "target",
                "count-down frames", "lap, speed at the end");
    for (uint32_t i = 0; i < TRACK_COUNT; ++i) {
        const TrackResult& r = results[i];
        if (r.createSeconds == 0)
            continue;
        std::printf("%-20s | %8.3f | %11.3f | %6s | %16d | %d, %.1f m/s\n", GetTrackDisplayName(TrackId(i)),
                    r.createSeconds, r.firstFrameSeconds, r.firstFrameSeconds < START_TARGET_SECONDS ? "met" : "MISSED",
                    r.countDownFrames, r.lap, r.speed);
    }
    if (where) {
        std::printf("\nCall sites of the counted blocks:\n");
        HeapCounter::PrintSites(20);
    }
    font.Release();
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    BenchDevice::UseHeadlessDrivers();
    int width = 800, height = 600, next = 1;
    if (next < argc && std::sscanf(argv[next], "%dx%d", &width, &height) == 2)
        ++next;
    const bool where = next < argc && std::strcmp(argv[next], "--where") == 0;
    const uint32_t whereTrack = where && next + 1 < argc ? uint32_t(std::strtoul(argv[next + 1], nullptr, 10)) : 0;
    const int used = next + (where ? 1 : 0) + (where && next + 1 < argc ? 1 : 0);
    if (used != argc || whereTrack >= TRACK_COUNT || width < 64 || height < 48 || width > 4096 || height > 4096) {
        std::fprintf(stderr, "usage: %s [WIDTHxHEIGHT] [--where [track number]]\n", argv[0]);
        return 2;
    }
    const BenchAudio audio;
    return RunBench(where, whereTrack, width, height);
}

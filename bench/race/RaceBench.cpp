// Cost of a running single-player race on every track, driven as the front
// end drives it (HandleInput, Update, the sound mix, then Clear, BeginScene,
// Draw with the HUD, EndScene, Present) at 800 x 600, the moped ridden by the
// test autopilot: the whole frame and the game's own CPU time apart from the
// time inside the device's GL calls (p50 and p99 after the count-down), the
// heap blocks each frame takes once the race runs, and the time from the
// start of Race::Create to the end of the first count-down frame. Prints
// tables; reads the sample data generated beside the program. Software GL:
// LP_NUM_THREADS defaults to 0, so that rasterisation is counted as driver
// time.

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
    double driverMs = 0;
    double updateMs = 0; // HandleInput and Update: physics, moped, camera, track
    double drawMs = 0;   // Draw with the HUD, less its time in the driver: scene and HUD submission
};

// One frame as the front end runs it.
FrameTimes Frame(SinglePlayerRace& race, BitmapFont& font, Autopilot& autopilot)
{
    FrameTimes times;
    GpuDevice* device = g_RenderDevice.device;
    const uint64_t driverBefore = GpuDriverTimer::nanoseconds;
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
    std::vector<double> frameMs, gameMs, driverMs, updateMs, drawGameMs;
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
        HeapCounter::Start();
        const FrameTimes times = Frame(*race, font, autopilot);
        HeapCounter::Stop();
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
    result.lap = race->playerMoped.progress.lap;
    result.speed = race->playerMoped.speed;
    result.ok = race->phase == RACEPHASE_RACING || race->phase == RACEPHASE_FINISHED;
    race->Release();
    race->Destroy();
    return result;
}

int RunBench(bool where, uint32_t whereTrack)
{
    BenchDevice device("VantrelRaceBench", true);
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
    std::printf("Software GL, LP_NUM_THREADS=%s; 800 x 600; frames after the count-down and %d more, for %.0f s "
                "(%d..%d frames).\n",
                std::getenv("LP_NUM_THREADS"), WARM_UP_FRAMES, FRAME_SECONDS, MIN_FRAMES, MAX_FRAMES);
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
    setenv("LP_NUM_THREADS", "0", 0);
    const bool where = (argc == 2 || argc == 3) && std::strcmp(argv[1], "--where") == 0;
    const uint32_t whereTrack = argc == 3 ? uint32_t(std::strtoul(argv[2], nullptr, 10)) : 0;
    if ((argc != 1 && !where) || whereTrack >= TRACK_COUNT) {
        std::fprintf(stderr, "usage: %s [--where [track number]]\n", argv[0]);
        return 2;
    }
    const BenchAudio audio;
    return RunBench(where, whereTrack);
}

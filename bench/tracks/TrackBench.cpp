// Cost of every built track: the time to load it (cold = first load in a fresh
// process, run as a child of this one; warm = loads repeated in one process),
// the memory a load and the track's physics take (resident set growth and the
// simulator's own bytes), and the frame time from start position 0 at
// 800 x 600, split into the time spent inside the device's GL calls and the
// rest (the game's own CPU time). Prints tables; reads the sample data
// generated beside the program. Software GL draws on the calling thread, as in
// the game, so that rasterisation is counted as driver time.

#include "../common/BenchAudio.h"
#include "../common/BenchDevice.h"
#include "../common/BenchStats.h"
#include "../common/TrackDeleter.h"

#include "tracks/CreateTrack.h"
#include "tracks/Track.h"

#include "engine/platform/Log.h"
#include "engine/platform/Memory.h"
#include "engine/platform/RenderDevice.h"
#include "engine/scene/Camera.h"

#include "backend/gpu/GpuDevice.h"
#include "backend/gpu/GpuDriverTimer.h"
#include "physics/PhysicsAllocator.h"
#include "physics/PhysicsEngine.h"
#include "physics/TSimulator.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

using namespace backend;

namespace {

constexpr int COLD_RUNS = 3;
constexpr int WARM_RUNS = 4;
constexpr int WARM_UP_FRAMES = 10;
constexpr int MIN_FRAMES = 30;
constexpr int MAX_FRAMES = 300;
constexpr double FRAME_SECONDS = 6.0;
constexpr double LOAD_TARGET_SECONDS = 2.0;
constexpr double GAME_CPU_TARGET_MS = 2.0;
constexpr double MB = 1024.0 * 1024.0;

using namespace BenchStats;

// The simulator's blocks, counted through the physics allocator's hook.
struct PhysicsBytes {
    size_t inUse = 0;
    size_t peak = 0;
    size_t blocks = 0;
};
PhysicsBytes g_PhysicsBytes;

constexpr size_t BLOCK_HEADER = 16; // keeps the engine's 16-byte alignment

void* AllocateCounted(size_t size, void*)
{
    auto* block = static_cast<unsigned char*>(std::malloc(size + BLOCK_HEADER));
    if (block == nullptr)
        return nullptr;
    std::memcpy(block, &size, sizeof(size));
    g_PhysicsBytes.inUse += size;
    g_PhysicsBytes.peak = std::max(g_PhysicsBytes.peak, g_PhysicsBytes.inUse);
    ++g_PhysicsBytes.blocks;
    return block + BLOCK_HEADER;
}

void FreeCounted(void* block)
{
    if (block == nullptr)
        return;
    unsigned char* start = static_cast<unsigned char*>(block) - BLOCK_HEADER;
    size_t size = 0;
    std::memcpy(&size, start, sizeof(size));
    g_PhysicsBytes.inUse -= size;
    --g_PhysicsBytes.blocks;
    std::free(start);
}

void* FindCategory(const char* name)
{
    return FindOrAddMemoryCategory(name);
}

size_t ResidentBytes()
{
    FILE* file = std::fopen("/proc/self/statm", "r");
    if (file == nullptr)
        return 0;
    unsigned long total = 0, resident = 0;
    const bool read = std::fscanf(file, "%lu %lu", &total, &resident) == 2;
    std::fclose(file);
    return read ? size_t(resident) * size_t(sysconf(_SC_PAGESIZE)) : 0;
}

TrackPointer MakeTrack(TrackId id)
{
    return TrackPointer(CreateTrack(id));
}

// Sized from the track's counts, as a race sizes it with no mopeds.
bool CreateWorld(Track& track, PhysicsEngine& physics)
{
    const TVec4 gravity = Vec(0.0f, -9.81f, 0.0f, 0.0f);
    return physics.Create(track.GetRigidBodyCount(), track.GetAnimatedBodyCount(), 0, track.GetGeometryCount(), 0, 0, 0,
                          2000, 0, track.terrain.vertexCount, -1, &gravity);
}

// What a fresh process measures on its first load.
struct ColdResult {
    bool ok = false;
    double loadSeconds = 0;
    double physicsSeconds = 0; // simulator creation and CreatePhysics
    double rssLoadMb = 0;      // growth from before Load to after it
    double rssPhysicsMb = 0;   // further growth to after CreatePhysics
    double physicsMb = 0;      // simulator bytes in use after CreatePhysics
    double physicsPeakMb = 0;
    long physicsBlocks = 0;
    long placedBillboards = 0;
    long collidingBillboards = 0;
    long pairRecords = 0;
    long rigid = 0, animated = 0, geometries = 0;
};

constexpr const char* COLD_FORMAT = "COLD %d %lf %lf %lf %lf %lf %lf %ld %ld %ld %ld %ld %ld %ld";

// Child mode: load the track once, measure, print one line.
int RunColdChild(TrackId id)
{
    BenchDevice device("VantrelTrackBench", true);
    if (!device.ready) {
        std::fprintf(stderr, "no device: %s\n", g_LastError.c_str());
        return 1;
    }
    PhysicsMemoryFunctions functions;
    functions.allocate = AllocateCounted;
    functions.release = FreeCounted;
    functions.findCategory = FindCategory;
    g_PhysicsAllocator.SetMemoryFunctions(functions);

    ColdResult result;
    TrackPointer track = MakeTrack(id);
    if (track == nullptr)
        return 1;
    const size_t before = ResidentBytes();
    const auto start = Clock::now();
    const bool loaded = track->Load();
    result.loadSeconds = Seconds(Clock::now() - start);
    if (!loaded) {
        std::fprintf(stderr, "%s: Load failed: %s\n", GetTrackDisplayName(id), g_LastError.c_str());
        return 1;
    }
    const size_t afterLoad = ResidentBytes();
    PhysicsEngine physics;
    const auto physicsStart = Clock::now();
    if (!CreateWorld(*track, physics) || !track->CreatePhysics(&physics)) {
        std::fprintf(stderr, "%s: physics failed: %s\n", GetTrackDisplayName(id), g_LastError.c_str());
        return 1;
    }
    result.physicsSeconds = Seconds(Clock::now() - physicsStart);
    const size_t afterPhysics = ResidentBytes();
    result.ok = true;
    result.rssLoadMb = (double(afterLoad) - double(before)) / MB;
    result.rssPhysicsMb = (double(afterPhysics) - double(afterLoad)) / MB;
    result.physicsMb = double(g_PhysicsBytes.inUse) / MB;
    result.physicsPeakMb = double(g_PhysicsBytes.peak) / MB;
    result.physicsBlocks = long(g_PhysicsBytes.blocks);
    result.placedBillboards = long(track->billboards.instances.size());
    result.collidingBillboards = track->billboards.collidingCount;
    result.pairRecords = physics.simulator->GetSizeInfo().overlapPairsCount;
    result.rigid = track->GetRigidBodyCount();
    result.animated = track->GetAnimatedBodyCount();
    result.geometries = track->GetGeometryCount();
    std::printf(COLD_FORMAT, 1, result.loadSeconds, result.physicsSeconds, result.rssLoadMb, result.rssPhysicsMb,
                result.physicsMb, result.physicsPeakMb, result.physicsBlocks, result.placedBillboards,
                result.collidingBillboards, result.pairRecords, result.rigid, result.animated, result.geometries);
    std::printf("\n");
    std::fflush(stdout);
    track.reset();
    physics.Destroy();
    return 0;
}

std::string SelfPath()
{
    char path[4096];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof(path) - 1);
    return length > 0 ? std::string(path, size_t(length)) : std::string();
}

ColdResult RunColdLoad(TrackId id)
{
    ColdResult result;
    const std::string command = "'" + SelfPath() + "' --cold " + std::to_string(unsigned(id));
    FILE* child = popen(command.c_str(), "r");
    if (child == nullptr)
        return result;
    char line[512];
    while (std::fgets(line, sizeof(line), child) != nullptr) {
        int ok = 0;
        if (std::sscanf(line, COLD_FORMAT, &ok, &result.loadSeconds, &result.physicsSeconds, &result.rssLoadMb,
                        &result.rssPhysicsMb, &result.physicsMb, &result.physicsPeakMb, &result.physicsBlocks,
                        &result.placedBillboards, &result.collidingBillboards, &result.pairRecords, &result.rigid,
                        &result.animated, &result.geometries) == 14)
            result.ok = ok == 1;
    }
    if (pclose(child) != 0)
        result.ok = false;
    return result;
}

struct FrameResult {
    bool ok = false;
    int frames = 0;
    double frameMs = 0, frameP95Ms = 0;
    double driverMs = 0;
    double gameMs = 0, gameP95Ms = 0;
    double drawCalls = 0, primitives = 0;
    double drawnShare = 0; // share of pixels not left at the clear colour
};

// The eye at start position 0, 1.6 m above the ground, looking along the road.
Camera StartCamera(Track& track)
{
    const TrackStartPosition& start = track.trackData.startPositions[0];
    Vector3 eye = {start.x, 0.0f, start.z};
    track.terrain.SnapToGroundXZ(&eye, 1.6f);
    const TrackSegment* cell = track.trackData.FindSegment(&eye);
    const Vector3 direction = cell != nullptr ? cell->direction : Vector3{0.0f, 0.0f, 1.0f};
    const Vector3 angles = {0.08f, std::atan2(direction.x, direction.z), 0.0f};
    Camera camera;
    camera.Set(3.14159265f / 4, 800.0f / 600.0f, 0.5f, track.viewValues.z, &eye, &angles);
    return camera;
}

void DrawFrame(Track& track, const Camera& camera)
{
    GpuDevice* gpu = g_RenderDevice.device;
    gpu->SetTransform(D3DTS_VIEW, &camera.view);
    gpu->SetTransform(D3DTS_PROJECTION, &camera.projection);
    gpu->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0xFF000000u, 1.0f, 0);
    gpu->BeginScene();
    track.Render(&camera);
    track.RenderTransparent(&camera);
    track.RenderLensFlare(&camera);
    track.RenderParticles(&camera);
    gpu->EndScene();
    track.Update(&camera.eye);
    gpu->Present();
}

FrameResult MeasureFrames(TrackId id)
{
    FrameResult result;
    TrackPointer track = MakeTrack(id);
    PhysicsEngine physics;
    if (track == nullptr || !track->Load() || !CreateWorld(*track, physics) || !track->CreatePhysics(&physics))
        return result;
    const Camera camera = StartCamera(*track);
    track->Reset(&camera.eye);
    track->SetupLighting();
    for (int i = 0; i < WARM_UP_FRAMES; ++i)
        DrawFrame(*track, camera);

    GpuDevice* gpu = g_RenderDevice.device;
    gpu->ResetStats();
    std::vector<double> frameMs, driverMs, gameMs;
    GpuDriverTimer::enabled = true;
    const auto begin = Clock::now();
    while (int(frameMs.size()) < MAX_FRAMES &&
           (int(frameMs.size()) < MIN_FRAMES || Seconds(Clock::now() - begin) < FRAME_SECONDS)) {
        const uint64_t driverBefore = GpuDriverTimer::nanoseconds;
        const auto start = Clock::now();
        DrawFrame(*track, camera);
        const double frame = 1000.0 * Seconds(Clock::now() - start);
        const double driver = double(GpuDriverTimer::nanoseconds - driverBefore) / 1e6;
        frameMs.push_back(frame);
        driverMs.push_back(driver);
        gameMs.push_back(frame - driver);
    }
    GpuDriverTimer::enabled = false;

    result.frames = int(frameMs.size());
    result.frameMs = Median(frameMs);
    result.frameP95Ms = Percentile(frameMs, 0.95);
    result.driverMs = Median(driverMs);
    result.gameMs = Median(gameMs);
    result.gameP95Ms = Percentile(gameMs, 0.95);
    result.drawCalls = double(gpu->GetStats().drawCalls) / double(result.frames);
    result.primitives = double(gpu->GetStats().primitives) / double(result.frames);

    // One more frame, read back, to show that the track was drawn.
    DrawFrame(*track, camera);
    std::vector<GpuColor> pixels;
    if (GpuSucceeded(gpu->ReadPixels(nullptr, pixels, nullptr, nullptr)) && !pixels.empty()) {
        const auto drawn =
            std::count_if(pixels.begin(), pixels.end(), [](GpuColor pixel) { return (pixel & 0x00FFFFFFu) != 0; });
        result.drawnShare = double(drawn) / double(pixels.size());
    }
    result.ok = true;
    track.reset();
    physics.Destroy();
    return result;
}

// Warm loads: the first load of this process is left out.
std::vector<double> MeasureWarmLoads(TrackId id)
{
    std::vector<double> seconds;
    for (int i = 0; i <= WARM_RUNS; ++i) {
        TrackPointer track = MakeTrack(id);
        const auto start = Clock::now();
        if (track == nullptr || !track->Load())
            return {};
        if (i > 0)
            seconds.push_back(Seconds(Clock::now() - start));
    }
    return seconds;
}

int RunBench()
{
    std::vector<TrackId> built;
    for (uint32_t i = 0; i < TRACK_COUNT; ++i)
        if (TrackPointer track = MakeTrack(TrackId(i)); track != nullptr)
            built.push_back(TrackId(i));
    std::printf("Tracks built: %zu of %u. Software GL, LP_NUM_THREADS=%s; 800 x 600.\n", built.size(), TRACK_COUNT,
                std::getenv("LP_NUM_THREADS"));

    // Cold loads first, each in its own process, before this one opens a device.
    std::vector<std::vector<ColdResult>> cold(built.size());
    for (size_t t = 0; t < built.size(); ++t)
        for (int run = 0; run < COLD_RUNS; ++run)
            cold[t].push_back(RunColdLoad(built[t]));

    BenchDevice device("VantrelTrackBench", true);
    if (!device.ready) {
        std::fprintf(stderr, "no device: %s\n", g_LastError.c_str());
        return 1;
    }
    std::vector<std::vector<double>> warm(built.size());
    std::vector<FrameResult> frames(built.size());
    for (size_t t = 0; t < built.size(); ++t) {
        warm[t] = MeasureWarmLoads(built[t]);
        frames[t] = MeasureFrames(built[t]);
    }

    std::printf("\nLoad (Track::Load; cold = first load in a fresh process, median of %d; warm = median of %d "
                "repeats, target < %.0f s; physics = creating the simulator and CreatePhysics, cold median)\n",
                COLD_RUNS, WARM_RUNS, LOAD_TARGET_SECONDS);
    std::printf("%-20s | %9s | %17s | %9s | %6s | %9s\n", "track", "cold s", "cold min..max s", "warm s", "target",
                "physics s");
    for (size_t t = 0; t < built.size(); ++t) {
        std::vector<double> seconds, physicsSeconds;
        for (const ColdResult& run : cold[t])
            if (run.ok) {
                seconds.push_back(run.loadSeconds);
                physicsSeconds.push_back(run.physicsSeconds);
            }
        if (seconds.empty() || warm[t].empty()) {
            std::printf("%-20s | load failed (see the messages above)\n", GetTrackDisplayName(built[t]));
            continue;
        }
        const double coldMedian = Median(seconds);
        const double warmMedian = Median(warm[t]);
        std::printf("%-20s | %9.3f | %7.3f..%-8.3f | %9.3f | %6s | %9.3f\n", GetTrackDisplayName(built[t]), coldMedian,
                    *std::min_element(seconds.begin(), seconds.end()),
                    *std::max_element(seconds.begin(), seconds.end()), warmMedian,
                    std::max(coldMedian, warmMedian) < LOAD_TARGET_SECONDS ? "met" : "MISSED", Median(physicsSeconds));
    }

    std::printf("\nMemory (first load of a fresh process; RSS = resident set growth; simulator = bytes the physics "
                "allocator holds after CreatePhysics)\n");
    std::printf("%-20s | %10s | %13s | %12s | %9s | %8s | %8s | %17s | %11s | %s\n", "track", "RSS load MB",
                "RSS physics MB", "RSS total MB", "sim MB", "sim peak", "blocks", "billboards col/all", "pair records",
                "rigid/anim/geoms");
    for (size_t t = 0; t < built.size(); ++t) {
        const auto first = std::find_if(cold[t].begin(), cold[t].end(), [](const ColdResult& r) { return r.ok; });
        if (first == cold[t].end())
            continue;
        const ColdResult& r = *first;
        std::printf("%-20s | %11.1f | %14.1f | %12.1f | %9.2f | %8.2f | %8ld | %8ld / %-6ld | %12ld | %ld/%ld/%ld\n",
                    GetTrackDisplayName(built[t]), r.rssLoadMb, r.rssPhysicsMb, r.rssLoadMb + r.rssPhysicsMb,
                    r.physicsMb, r.physicsPeakMb, r.physicsBlocks, r.collidingBillboards, r.placedBillboards,
                    r.pairRecords, r.rigid, r.animated, r.geometries);
    }

    std::printf("\nFrame from start position 0 (Render, RenderTransparent, RenderLensFlare, RenderParticles, Update, "
                "Present; medians over the frames; driver = time inside the device's GL-calling entry points; game "
                "CPU = frame - driver, target < %.0f ms)\n",
                GAME_CPU_TARGET_MS);
    std::printf("%-20s | %6s | %8s | %8s | %9s | %11s | %11s | %7s | %9s | %6s | %s\n", "track", "frames", "frame ms",
                "p95 ms", "driver ms", "game CPU ms", "game p95 ms", "draws", "triangles", "drawn", "target");
    for (size_t t = 0; t < built.size(); ++t) {
        const FrameResult& f = frames[t];
        if (!f.ok) {
            std::printf("%-20s | no frames: %s\n", GetTrackDisplayName(built[t]), g_LastError.c_str());
            continue;
        }
        std::printf("%-20s | %6d | %8.2f | %8.2f | %9.2f | %11.3f | %11.3f | %7.0f | %9.0f | %5.0f%% | %s\n",
                    GetTrackDisplayName(built[t]), f.frames, f.frameMs, f.frameP95Ms, f.driverMs, f.gameMs, f.gameP95Ms,
                    f.drawCalls, f.primitives, 100.0 * f.drawnShare, f.gameMs < GAME_CPU_TARGET_MS ? "met" : "MISSED");
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    BenchDevice::UseHeadlessDrivers();
    const bool cold = argc == 3 && std::strcmp(argv[1], "--cold") == 0;
    if (!cold && argc != 1) {
        std::fprintf(stderr, "usage: %s\n", argv[0]);
        return 2;
    }
    // The rain tracks make their sound through the audio manager, started as the game starts it.
    const BenchAudio audio;
    return cold ? RunColdChild(TrackId(std::strtoul(argv[2], nullptr, 10))) : RunBench();
}

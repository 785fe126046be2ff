// Cost of the moped in its world: one frame of the race's moped update (the
// driving model of every moped, the physics step, every moped's race state)
// with 1 and 6 mopeds riding along the road of a generated track, and the heap
// blocks each stage takes after the warm-up. Beside it the same world, as it
// stands at the start, stepped without the driving model in our engine and in
// Bullet: terrain mesh, the track's static boxes and crates, and each moped's
// six bodies and five hinges. Prints tables; reads the sample data generated
// beside the program.

#include "RaceWorldScene.h"

#include "../common/BenchAudio.h"
#include "../common/BenchDevice.h"
#include "../common/BenchStats.h"
#include "../common/HeapCounter.h"
#include "../common/TrackDeleter.h"
#include "../physics/PeerWorld.h"

#include "race/Moped.h"
#include "race/MopedModel.h"
#include "race/PhysicsMaterials.h"
#include "race/Race.h"
#include "tracks/CreateTrack.h"
#include "tracks/Track.h"

#include "audio/AudioManager.h"
#include "audio/Sound3D.h"
#include "audio/SoundDefinitionManager.h"
#include "engine/platform/Log.h"

#include "backend/sound/SoundTestHooks.h"
#include "physics/PhysicsEngine.h"
#include "physics/TSimulator.h"
#include <LinearMath/btScalar.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace backend;

void InstallBulletAllocator();

namespace {

constexpr int WARM_UP_FRAMES = 120;
constexpr int TIMED_FRAMES = 1200;
constexpr int STUCK_FRAMES = 180;
constexpr float STUCK_SPEED = 0.5f;
constexpr float STEER_DEAD_ANGLE = 0.05f;
// Output frames of the loopback sound device in one 1/60 s frame at 22050 Hz.
constexpr uint32_t AUDIO_FRAMES = 367;

using namespace BenchStats;

// Steers toward the centre of the road cell after next; back on the road after 3 s standing.
class Rider {
public:
    void Ride(Moped& moped)
    {
        moped.throttle = THROTTLE_ACCELERATE;
        const TrackProgress& road = moped.progress;
        const TrackSegment* cell = road.currentSegment != nullptr ? road.currentSegment->next->next : road.lastSegment;
        moped.steering = STEER_NONE;
        if (cell != nullptr) {
            const float tx = cell->centre.x - moped.position.x, tz = cell->centre.z - moped.position.z;
            const float angle =
                std::atan2(moped.forward.z * tx - moped.forward.x * tz, moped.forward.x * tx + moped.forward.z * tz);
            moped.steering = angle > STEER_DEAD_ANGLE    ? STEER_RIGHT
                             : angle < -STEER_DEAD_ANGLE ? STEER_LEFT
                                                         : STEER_NONE;
        }
        slowFrames = moped.speed < STUCK_SPEED ? slowFrames + 1 : 0;
        if (slowFrames > STUCK_FRAMES) {
            moped.recoverRequest = 1;
            slowFrames = 0;
        }
    }

private:
    int slowFrames = 0;
};

struct StageCounts {
    HeapCounter::Counts drive, step, state;
};

struct DrivenResult {
    bool ok = false;
    int rigid = 0, staticBodies = 0;
    std::vector<double> driveMs, stepMs, stateMs, frameMs;
    StageCounts blocks;
    double metres = 0;  // mean distance ridden along the road, as the crow flies from the start
    int recoveries = 0; // mopeds put back on the road during the timed frames
};

struct PassiveResult {
    bool ok = false;
    std::vector<double> oursMs, bulletMs;
    double oursBlocks = 0, bulletBlocks = 0; // per step
    double oursAsleep = 0, bulletAsleep = 0;
    int staticBodies = 0, dynamicBodies = 0, hinges = 0, triangles = 0;
};

HeapCounter::Counts operator-(const HeapCounter::Counts& a, const HeapCounter::Counts& b)
{
    return {a.blocks - b.blocks, a.gameBlocks - b.gameBlocks};
}

void Add(HeapCounter::Counts& total, const HeapCounter::Counts& more)
{
    total.blocks += more.blocks;
    total.gameBlocks += more.gameBlocks;
}

struct Setup {
    TrackPointer track;
    PhysicsEngine physics;
    std::vector<std::unique_ptr<Moped>> mopeds;

    ~Setup()
    {
        for (auto& moped : mopeds) {
            moped->Release();
            moped->Destroy(&physics);
        }
        physics.Destroy();
    }
};

// The track, a world sized as a race sizes it for `count` mopeds, the mopeds on the start grid.
bool Build(Setup& setup, TrackId id, int count, MopedModel& model)
{
    setup.track.reset(CreateTrack(id));
    Track* track = setup.track.get();
    if (track == nullptr || !track->Load())
        return false;
    if (track->trackData.startPositionCount < count) {
        std::fprintf(stderr, "%s has %d start places\n", GetTrackDisplayName(id), track->trackData.startPositionCount);
        return false;
    }
    const TVec4 gravity = Vec(0.0f, -9.81f, 0.0f);
    PhysicsEngine& physics = setup.physics;
    physics.reportError = ReportError;
    if (!physics.Create(track->GetRigidBodyCount() + count * MOPED_BODY_COUNT, track->GetAnimatedBodyCount(), 0,
                        track->GetGeometryCount() + count * MOPED_GEOMETRY_COUNT, 0, count * MOPED_JOINT_COUNT,
                        count * 3, 10, 0, track->terrain.vertexCount, 0, &gravity))
        return false;
    physics.simulator->SetCollisionCallback(Race::OnCollision);
    SetupPhysicsMaterials(&physics);
    SetupCollisionGroups(&physics);
    if (!track->CreatePhysics(&physics))
        return false;
    for (int i = 0; i < count; ++i) {
        auto moped = std::make_unique<Moped>();
        moped->track = track;
        if (!moped->Load(&model) || !moped->CreatePhysics(&physics))
            return false;
        const TrackStartPosition& start = track->trackData.startPositions[i];
        const TVec4 place = Vec(start.x, start.y, start.z, 1.0f);
        moped->SetPosition(&place);
        moped->Reset();
        setup.mopeds.push_back(std::move(moped));
    }
    Moped::PreloadSounds(count);
    const Vector3 where = {setup.mopeds[0]->position.x, setup.mopeds[0]->position.y, setup.mopeds[0]->position.z};
    track->Reset(&where);
    for (auto& moped : setup.mopeds)
        moped->StartEngineSound();
    return true;
}

DrivenResult MeasureDriven(Setup& setup)
{
    DrivenResult result;
    TSimulator* simulator = setup.physics.simulator;
    std::vector<Rider> riders(setup.mopeds.size());
    std::vector<bool> recovering(setup.mopeds.size());
    std::vector<TVec4> starts;
    for (auto& moped : setup.mopeds)
        starts.push_back(moped->position);
    result.driveMs.reserve(TIMED_FRAMES);
    result.stepMs.reserve(TIMED_FRAMES);
    result.stateMs.reserve(TIMED_FRAMES);
    result.frameMs.reserve(TIMED_FRAMES);
    std::vector<int16_t> mix(AUDIO_FRAMES * 2);
    for (int frame = 0; frame < WARM_UP_FRAMES + TIMED_FRAMES; ++frame) {
        const bool timed = frame >= WARM_UP_FRAMES;
        for (size_t i = 0; i < setup.mopeds.size(); ++i) {
            recovering[i] = setup.mopeds[i]->status == MOPEDSTATUS_RECOVERING;
            riders[i].Ride(*setup.mopeds[i]);
        }
        if (timed)
            HeapCounter::Start();
        const HeapCounter::Counts c0 = HeapCounter::Read();
        const auto t0 = Clock::now();
        for (auto& moped : setup.mopeds)
            moped->Drive();
        const auto t1 = Clock::now();
        const HeapCounter::Counts c1 = HeapCounter::Read();
        simulator->Advance(RACE_PHYSICS_STEP, 1, nullptr);
        const auto t2 = Clock::now();
        const HeapCounter::Counts c2 = HeapCounter::Read();
        for (auto& moped : setup.mopeds)
            moped->UpdateRaceState();
        const auto t3 = Clock::now();
        const HeapCounter::Counts c3 = HeapCounter::Read();
        HeapCounter::Stop();
        for (size_t i = 0; i < setup.mopeds.size(); ++i)
            result.recoveries += timed && !recovering[i] && setup.mopeds[i]->status == MOPEDSTATUS_RECOVERING ? 1 : 0;
        // The sound mix, as the front end runs it each frame; not the moped's cost.
        RenderSoundFrames(mix.data(), AUDIO_FRAMES);
        GetAudioManager()->Update();
        if (!timed)
            continue;
        result.driveMs.push_back(Ms(t1 - t0));
        result.stepMs.push_back(Ms(t2 - t1));
        result.stateMs.push_back(Ms(t3 - t2));
        result.frameMs.push_back(Ms(t3 - t0));
        Add(result.blocks.drive, c1 - c0);
        Add(result.blocks.step, c2 - c1);
        Add(result.blocks.state, c3 - c2);
    }
    for (size_t i = 0; i < setup.mopeds.size(); ++i)
        result.metres += std::sqrt(LengthSquared3(setup.mopeds[i]->position - starts[i]));
    result.metres /= double(setup.mopeds.size());
    result.rigid = setup.track->GetRigidBodyCount() + int(setup.mopeds.size()) * MOPED_BODY_COUNT;
    result.staticBodies = setup.track->GetAnimatedBodyCount();
    result.ok = true;
    return result;
}

std::vector<double> StepTimes(PeerWorld& world, uint64_t (*blocks)(), double* blocksPerStep, double* asleep)
{
    std::vector<double> times;
    times.reserve(TIMED_FRAMES);
    for (int i = 0; i < WARM_UP_FRAMES; ++i)
        world.Step();
    const uint64_t before = blocks();
    for (int i = 0; i < TIMED_FRAMES; ++i) {
        const auto start = Clock::now();
        world.Step();
        times.push_back(Ms(Clock::now() - start));
    }
    *blocksPerStep = double(blocks() - before) / double(TIMED_FRAMES);
    int sleeping = 0;
    for (int i = 0; i < world.DynamicCount(); ++i)
        sleeping += world.IsAsleep(i) ? 1 : 0;
    *asleep = world.DynamicCount() > 0 ? double(sleeping) / double(world.DynamicCount()) : 0.0;
    return times;
}

PassiveResult MeasurePassive(const SceneDesc& scene)
{
    PassiveResult result;
    for (const SceneBody& body : scene.bodies)
        (body.dynamic ? result.dynamicBodies : result.staticBodies) += 1;
    result.hinges = int(scene.joints.size());
    result.triangles = int(scene.terrain.triangles.size());
    {
        std::unique_ptr<PeerWorld> ours = MakeOurWorld(scene);
        result.oursMs = StepTimes(*ours, OurAllocations, &result.oursBlocks, &result.oursAsleep);
    }
    {
        std::unique_ptr<PeerWorld> bullet = MakeBulletWorld(scene);
        result.bulletMs = StepTimes(*bullet, BulletAllocations, &result.bulletBlocks, &result.bulletAsleep);
    }
    result.ok = true;
    return result;
}

struct Row {
    TrackId track;
    int mopeds;
    DrivenResult driven;
    PassiveResult passive;
};

void PrintTables(const std::vector<Row>& rows)
{
    std::printf("\nMoped frame in the game's world, driven (%d frames after %d of warm-up; ms; p50 / p95; drive = "
                "Drive of every moped, step = TSimulator::Advance of 1/60 s, state = UpdateRaceState of every moped)\n",
                TIMED_FRAMES, WARM_UP_FRAMES);
    std::printf("%-16s | %6s | %15s | %15s | %15s | %15s | %12s | %9s | %10s\n", "track", "mopeds", "drive", "step",
                "state", "frame", "moped share", "ridden m", "recoveries");
    for (const Row& row : rows) {
        const DrivenResult& d = row.driven;
        if (!d.ok) {
            std::printf("%-16s | %6d | failed: %s\n", GetTrackDisplayName(row.track), row.mopeds, g_LastError.c_str());
            continue;
        }
        const double drive = Percentile(d.driveMs, 0.5), state = Percentile(d.stateMs, 0.5);
        const double frame = Percentile(d.frameMs, 0.5);
        std::printf("%-16s | %6d | %6.4f / %6.4f | %6.3f / %6.3f | %6.4f / %6.4f | %6.3f / %6.3f | %11.0f%% | %9.0f | "
                    "%10d\n",
                    GetTrackDisplayName(row.track), row.mopeds, drive, Percentile(d.driveMs, 0.95),
                    Percentile(d.stepMs, 0.5), Percentile(d.stepMs, 0.95), state, Percentile(d.stateMs, 0.95), frame,
                    Percentile(d.frameMs, 0.95), frame > 0 ? 100.0 * (drive + state) / frame : 0.0, d.metres,
                    d.recoveries);
    }

    std::printf("\nHeap blocks after the warm-up, total over the %d frames (malloc family on the main thread; game "
                "= asked for from the program's own code, its operator new included; all = with the libraries, "
                "OpenAL here; goal 0)\n",
                TIMED_FRAMES);
    std::printf("%-16s | %6s | %15s | %15s | %15s | %15s\n", "track", "mopeds", "drive game/all", "step game/all",
                "state game/all", "per frame all");
    for (const Row& row : rows) {
        const StageCounts& b = row.driven.blocks;
        if (!row.driven.ok)
            continue;
        auto count = [](const HeapCounter::Counts& c) { return (unsigned long long)c.gameBlocks; };
        auto all = [](const HeapCounter::Counts& c) { return (unsigned long long)c.blocks; };
        std::printf("%-16s | %6d | %6llu / %6llu | %6llu / %6llu | %6llu / %6llu | %15.3f\n",
                    GetTrackDisplayName(row.track), row.mopeds, count(b.drive), all(b.drive), count(b.step),
                    all(b.step), count(b.state), all(b.state),
                    double(b.drive.blocks + b.step.blocks + b.state.blocks) / double(TIMED_FRAMES));
    }

    std::printf("\nThe same world without the driving model, ours against Bullet (%d steps of 1/60 s after %d; ms "
                "p50 / p95). Each side holds: the terrain mesh, the track's static boxes (objects and colliding "
                "billboards) and loose crates, and per moped the six bodies (boxes, two rings of 64 spheres, an "
                "empty swing arm) and five hinges as the race makes them, posed at the start grid; no engine, "
                "steering, lean or spring forces, so the mopeds fall over and come to rest.\n",
                TIMED_FRAMES, WARM_UP_FRAMES);
    std::printf("%-16s | %6s | %9s | %8s | %6s | %9s | %15s | %15s | %7s | %13s | %11s\n", "track", "mopeds",
                "triangles", "static", "dyn", "hinges", "ours", "bullet", "ours/bt", "blocks/step", "asleep o/b");
    for (const Row& row : rows) {
        const PassiveResult& p = row.passive;
        if (!p.ok)
            continue;
        const double ours = Percentile(p.oursMs, 0.5), bullet = Percentile(p.bulletMs, 0.5);
        std::printf("%-16s | %6d | %9d | %8d | %6d | %9d | %6.3f / %6.3f | %6.3f / %6.3f | %7.2f | %5.1f / %5.1f | "
                    "%4.2f / %4.2f\n",
                    GetTrackDisplayName(row.track), row.mopeds, p.triangles, p.staticBodies, p.dynamicBodies, p.hinges,
                    ours, Percentile(p.oursMs, 0.95), bullet, Percentile(p.bulletMs, 0.95),
                    bullet > 0 ? ours / bullet : 0.0, p.oursBlocks, p.bulletBlocks, p.oursAsleep, p.bulletAsleep);
    }
    std::printf("Bullet %d.%02d: btDiscreteDynamicsWorld, btAxisSweep3, 10 solver iterations, one internal step; "
                "friction and restitution as the square roots of each material's, so that a like pair multiplies "
                "back to it.\n",
                BT_BULLET_VERSION / 100, BT_BULLET_VERSION % 100);
}

int RunBench(bool where)
{
    BenchDevice device("VantrelMopedBench", false);
    if (!device.ready) {
        std::fprintf(stderr, "no device: %s\n", g_LastError.c_str());
        return 1;
    }
    const SoundLoadParams once;
    SoundDefinitionManager* definitions = GetSoundDefinitionManager();
    MopedModel model;
    if (!model.Load() || !definitions->Add3DDefinition("Audio\\Sounds\\GearChange.wav", &once) ||
        !definitions->Add3DDefinition("Audio\\Sounds\\EngineStart.wav", &once)) {
        std::fprintf(stderr, "moped data: %s\n", g_LastError.c_str());
        return 1;
    }
    g_CrashSound = GetAudioManager()->Create3DSound();
    if (g_CrashSound == nullptr || !g_CrashSound->Load("Audio\\Sounds\\Crash.wav", &once)) {
        std::fprintf(stderr, "crash sound: %s\n", g_LastError.c_str());
        return 1;
    }
    HeapCounter::RecordSites(where);
    std::vector<Row> rows;
    for (TrackId id : {TRACK_UK, TRACK_FINLAND}) {
        for (int count : {1, 6}) {
            Row row{id, count, {}, {}};
            Setup setup;
            if (Build(setup, id, count, model)) {
                std::vector<Moped*> mopeds;
                for (auto& moped : setup.mopeds)
                    mopeds.push_back(moped.get());
                const SceneDesc scene = RaceWorldScene(*setup.track, setup.physics, mopeds);
                row.driven = MeasureDriven(setup);
                row.passive = MeasurePassive(scene);
            }
            rows.push_back(std::move(row));
        }
    }
    PrintTables(rows);
    if (where) {
        std::printf("\nCall sites of the counted blocks:\n");
        HeapCounter::PrintSites(40);
    }
    g_CrashSound->Release();
    GetAudioManager()->Destroy3DSound(&g_CrashSound);
    definitions->DestroyAllDefinitions();
    model.Release();
    model.Destroy();
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    BenchDevice::UseHeadlessDrivers();
    const bool where = argc == 2 && std::strcmp(argv[1], "--where") == 0;
    if (argc != 1 && !where) {
        std::fprintf(stderr, "usage: %s [--where]\n", argv[0]);
        return 2;
    }
    InstallBulletAllocator();
    // Sounds play on the bench's 60 Hz clock, not the wall clock: the frames run far faster than
    // real time, and on a sound card every one-shot sound of a run would still be playing.
    UseLoopbackSoundDevice(true);
    const BenchAudio audio;
    return RunBench(where);
}

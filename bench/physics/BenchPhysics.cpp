// Steps the shared physics scenes in our engine, Bullet and ODE with matched settings and prints the
// step times side by side with the ratio ours/theirs, heap blocks per step and a few quality figures.

#include "PeerWorld.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

void InstallBulletAllocator();
void InstallOdeAllocator();

void InstallPeerAllocators()
{
    InstallBulletAllocator();
    InstallOdeAllocator();
}

namespace {

struct BenchScene {
    std::string name;
    std::function<SceneDesc()> make;
    int settleSteps; // stepped before timing (a settled world is timed asleep)
    int timedSteps;
    float wallHalfWidth = 0.0f; // bodies within this of the vertical axis count for the rest time; 0: all
};

struct Result {
    double medianMs = 0;
    double p95Ms = 0;
    double blocksPerStep = 0;
    float maxDrift = 0; // largest displacement of a dynamic body from its start
    float asleep = 0;   // fraction of dynamic bodies asleep at the end
    float jointError = -1;
    float restTime = -1; // simulated time from which every body inside the walls stayed asleep; -1: never
    bool done = false;
};

const char* const ENGINES[3] = {"ours", "bullet", "ode"};
std::map<std::string, Result> g_Results[3];

std::unique_ptr<PeerWorld> Make(int engine, const SceneDesc& scene)
{
    switch (engine) {
    case 0:
        return MakeOurWorld(scene);
    case 1:
        return MakeBulletWorld(scene);
    default:
        return MakeOdeWorld(scene);
    }
}

uint64_t Blocks(int engine)
{
    return engine == 0 ? OurAllocations() : engine == 1 ? BulletAllocations() : OdeAllocations();
}

constexpr float STEP_TIME = 1.0f / 60.0f;

bool IsInside(const BenchScene& bench, const TVec4& p)
{
    return bench.wallHalfWidth <= 0.0f ||
           (std::fabs(p.x) < bench.wallHalfWidth && std::fabs(p.z) < bench.wallHalfWidth);
}

// Counts the steps until every body inside the scene's walls is asleep; a body that wakes starts it again.
class RestClock {
public:
    void Observe(const PeerWorld& world, const BenchScene& bench)
    {
        ++steps;
        for (int i = 0; i < world.DynamicCount(); ++i) {
            if (!world.IsAsleep(i) && IsInside(bench, world.Position(i))) {
                lastAwake = steps;
                return;
            }
        }
    }
    float RestTime() const { return lastAwake == steps ? -1.0f : float(lastAwake) * STEP_TIME; }

private:
    int steps = 0;
    int lastAwake = 0;
};

void RunScene(benchmark::State& state, const BenchScene& bench, int engine)
{
    SceneDesc scene = bench.make();
    std::unique_ptr<PeerWorld> world = Make(engine, scene);
    std::vector<TVec4> start;
    for (int i = 0; i < world->DynamicCount(); ++i) {
        start.push_back(world->Position(i));
    }
    RestClock restClock;
    for (int i = 0; i < bench.settleSteps + 60; ++i) {
        world->Step();
        restClock.Observe(*world, bench);
    }
    std::vector<double> times;
    times.reserve(size_t(bench.timedSteps));
    uint64_t blocksBefore = Blocks(engine);
    for (auto _ : state) {
        auto begin = std::chrono::steady_clock::now();
        world->Step();
        auto end = std::chrono::steady_clock::now();
        double seconds = std::chrono::duration<double>(end - begin).count();
        times.push_back(seconds);
        state.SetIterationTime(seconds);
        restClock.Observe(*world, bench);
    }
    Result result;
    result.blocksPerStep = double(Blocks(engine) - blocksBefore) / double(std::max<size_t>(times.size(), 1));
    std::sort(times.begin(), times.end());
    if (!times.empty()) {
        result.medianMs = times[times.size() / 2] * 1e3;
        result.p95Ms = times[std::min(times.size() - 1, times.size() * 95 / 100)] * 1e3;
    }
    int asleep = 0;
    for (int i = 0; i < world->DynamicCount(); ++i) {
        TVec4 p = world->Position(i);
        result.maxDrift = std::max(result.maxDrift, std::sqrt(LengthSquared3(p - start[size_t(i)])));
        asleep += world->IsAsleep(i) ? 1 : 0;
    }
    result.asleep = world->DynamicCount() > 0 ? float(asleep) / float(world->DynamicCount()) : 0.0f;
    result.jointError = world->JointError();
    result.restTime = restClock.RestTime();
    result.done = true;
    g_Results[engine][bench.name] = result;
    state.counters["median_ms"] = result.medianMs;
    state.counters["p95_ms"] = result.p95Ms;
    state.counters["blocks_per_step"] = result.blocksPerStep;
}

std::vector<BenchScene> Scenes()
{
    return {
        {"tower 5", [] { return TowerScene(5, 1.0f); }, 0, 600},
        {"tower 10", [] { return TowerScene(10, 1.0f); }, 0, 600},
        {"tower 20", [] { return TowerScene(20, 1.0f); }, 0, 600},
        {"pyramid 55", [] { return PyramidScene(10); }, 0, 600},
        {"rain 100", [] { return RainScene(100); }, 0, 600},
        {"rain 300", [] { return RainScene(300); }, 0, 600},
        {"rain 1000", [] { return RainScene(1000); }, 0, 600},
        {"game 1 moped", [] { return GameScene(1, 1400, 50); }, 0, 600},
        {"game 6 mopeds", [] { return GameScene(6, 1400, 50); }, 0, 600},
        {"pile 1000", [] { return PileScene(1000); }, 0, 840, PILE_WALL_HALF_WIDTH},
        {"settled rain 300", [] { return RainScene(300); }, 1200, 300},
    };
}

std::string RestTimes(const Result* const* r)
{
    std::string text;
    for (int e = 0; e < 3; ++e) {
        char field[16];
        if (r[e]->restTime < 0.0f) {
            std::snprintf(field, sizeof field, "%s-", e > 0 ? "/" : "");
        } else {
            std::snprintf(field, sizeof field, "%s%.2f", e > 0 ? "/" : "", double(r[e]->restTime));
        }
        text += field;
    }
    return text;
}

void PrintTable()
{
    std::printf("\n%-18s | %16s | %16s | %16s | %8s | %8s | %15s | %14s | %14s\n", "scene (ms/step)", "ours med/p95",
                "bullet med/p95", "ode med/p95", "ours/bt", "ours/ode", "blocks/step o/b/d", "asleep o/b/d",
                "drift o/b/d m");
    for (const BenchScene& bench : Scenes()) {
        const Result* r[3];
        bool all = true;
        for (int e = 0; e < 3; ++e) {
            auto it = g_Results[e].find(bench.name);
            r[e] = it != g_Results[e].end() ? &it->second : nullptr;
            all = all && r[e] != nullptr;
        }
        if (!all) {
            continue;
        }
        std::printf("%-18s | %7.3f / %6.3f | %7.3f / %6.3f | %7.3f / %6.3f | %8.2f | %8.2f | %4.1f/%4.1f/%4.1f | "
                    "%4.2f/%4.2f/%4.2f | "
                    "%4.2f/%4.2f/%4.2f | %s\n",
                    bench.name.c_str(), r[0]->medianMs, r[0]->p95Ms, r[1]->medianMs, r[1]->p95Ms, r[2]->medianMs,
                    r[2]->p95Ms, r[1]->medianMs > 0 ? r[0]->medianMs / r[1]->medianMs : 0.0,
                    r[2]->medianMs > 0 ? r[0]->medianMs / r[2]->medianMs : 0.0, r[0]->blocksPerStep,
                    r[1]->blocksPerStep, r[2]->blocksPerStep, r[0]->asleep, r[1]->asleep, r[2]->asleep, r[0]->maxDrift,
                    r[1]->maxDrift, r[2]->maxDrift, RestTimes(r).c_str());
    }
    for (const BenchScene& bench : Scenes()) {
        auto it = g_Results[0].find(bench.name);
        if (it != g_Results[0].end() && it->second.jointError >= 0.0f) {
            std::printf("%-18s ours: largest hinge pivot gap %.4f m\n", bench.name.c_str(), it->second.jointError);
        }
    }
    std::printf("at rest: simulated time from which every body inside the scene's walls stays asleep ('-': not "
                "within the run).\n");
    std::printf("ODE is the distribution's double-precision build; Bullet and ours are single precision.\n");
}

} // namespace

int main(int argc, char** argv)
{
    InstallPeerAllocators();
    for (const BenchScene& bench : Scenes()) {
        for (int engine = 0; engine < 3; ++engine) {
            std::string name = bench.name + "/" + ENGINES[engine];
            benchmark::RegisterBenchmark(name.c_str(),
                                         [bench, engine](benchmark::State& state) { RunScene(state, bench, engine); })
                ->Iterations(bench.timedSteps)
                ->UseManualTime()
                ->Unit(benchmark::kMillisecond);
        }
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    PrintTable();
    return 0;
}

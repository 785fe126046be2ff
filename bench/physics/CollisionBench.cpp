// Throughput of the collision code: pair tests per second and the broad phase's update time.

#include "physics/PairTests.h"
#include "physics/TBroadPhase.h"
#include "physics/TBroadPhaseHost.h"
#include "physics/TDefaultAllocator.h"
#include "physics/TNarrowPhase.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

struct Placement {
    TMat44 a;
    TMat44 b;
};

TMat34 RandomRotation(std::mt19937& rng)
{
    std::uniform_real_distribution<float> u(-1.0f, 1.0f);
    TQuat q;
    q.x = u(rng);
    q.y = u(rng);
    q.z = u(rng);
    q.w = u(rng);
    return RotationFromQuat(Normalize(q));
}

std::vector<Placement> Placements(int count, float spread)
{
    std::mt19937 rng(1);
    std::uniform_real_distribution<float> u(-spread, spread);
    std::vector<Placement> placements;
    for (int i = 0; i < count; ++i) {
        placements.push_back({MakeTransform(RandomRotation(rng), Vec(u(rng), u(rng), u(rng))),
                              MakeTransform(RandomRotation(rng), Vec(0, 0, 0))});
    }
    return placements;
}

// A patch of height-field terrain like the one the terrain pass hands over for one body: a few cells.
struct TerrainPatch {
    std::vector<TVec4> vertices;
    std::vector<TTerrainTriangle> triangles;
    std::vector<uint32_t> indices;
    TConvex set;

    explicit TerrainPatch(int cells)
    {
        int side = cells + 1;
        for (int z = 0; z < side; ++z) {
            for (int x = 0; x < side; ++x) {
                float px = float(x) - 0.5f * float(cells);
                float pz = float(z) - 0.5f * float(cells);
                vertices.push_back(Vec(px, 0.2f * std::sin(px * 1.3f) * std::cos(pz * 0.7f), pz, 1));
            }
        }
        for (int z = 0; z < cells; ++z) {
            for (int x = 0; x < cells; ++x) {
                uint32_t i0 = uint32_t(z * side + x);
                uint32_t i2 = i0 + uint32_t(side) + 1;
                triangles.push_back(TTerrainTriangle{i0, i2, i0 + 1, 0, 0, 0});
                triangles.push_back(TTerrainTriangle{i0, i0 + uint32_t(side), i2, 0, 0, 0});
            }
        }
        for (uint32_t i = 0; i < triangles.size(); ++i) {
            indices.push_back(i);
        }
        set.SetDefault();
        set.SetTriangleSet(indices.data(), int32_t(indices.size()), triangles.data(), vertices.data());
    }
};

void BoxBox(benchmark::State& state)
{
    TConvex a;
    a.SetDefault();
    a.SetBoxSizeImpl(1.0f, 0.6f, 1.4f);
    TConvex b;
    b.SetDefault();
    b.SetBoxSizeImpl(1.2f, 1.0f, 0.8f);
    std::vector<Placement> placements = Placements(4096, 1.4f);
    size_t i = 0;
    int hits = 0;
    for (auto _ : state) {
        TContact c{};
        const Placement& p = placements[i++ & 4095];
        CollideBoxBox(&c, &a, p.a, &b, p.b);
        hits += c.collided;
    }
    benchmark::DoNotOptimize(hits);
    state.SetItemsProcessed(int64_t(state.iterations()));
    state.counters["hit share"] = double(hits) / double(state.iterations());
}
BENCHMARK(BoxBox);

template <bool Box> void AgainstTerrain(benchmark::State& state)
{
    TerrainPatch patch(int(state.range(0)));
    TConvex shape;
    shape.SetDefault();
    if (Box) {
        shape.SetBoxSizeImpl(0.8f, 0.5f, 1.2f);
    } else {
        shape.SetSphereDiameter(0.6f);
    }
    std::vector<Placement> placements = Placements(4096, 0.5f * float(state.range(0)));
    for (Placement& p : placements) {
        p.a.row[3].y = 0.1f * p.a.row[3].y;
    }
    size_t i = 0;
    int hits = 0;
    for (auto _ : state) {
        TContact c{};
        CollidePrimitives(&c, &shape, placements[i++ & 4095].a, &patch.set, IdentityMat44());
        hits += c.collided;
    }
    benchmark::DoNotOptimize(hits);
    // One item is one body tested against every candidate triangle.
    state.SetItemsProcessed(int64_t(state.iterations()));
    state.counters["triangles"] = double(patch.triangles.size());
    state.counters["hit share"] = double(hits) / double(state.iterations());
}
BENCHMARK_TEMPLATE(AgainstTerrain, false)->Name("SphereTerrain")->Arg(2)->Arg(4);
BENCHMARK_TEMPLATE(AgainstTerrain, true)->Name("BoxTerrain")->Arg(2)->Arg(4);

class BenchWorld : public TBroadPhaseHost {
public:
    explicit BenchWorld(int count) : min(size_t(count)), max(size_t(count)) {}
    bool IsBodyLive(TBody*) override { return true; }
    void ComputeWorldBounds(TBody* body, TVec4* lo, TVec4* hi) override
    {
        size_t i = size_t(reinterpret_cast<uintptr_t>(body) - 1);
        *lo = min[i];
        *hi = max[i];
    }
    uint32_t GetPairResponse(TBody*, TBody*) override { return 1; }
    void Log(int, const char*) override {}
    std::vector<TVec4> min;
    std::vector<TVec4> max;
};

// Bodies of about one unit drifting slowly in a field sized so that each touches a few others.
void BroadPhaseUpdate(benchmark::State& state)
{
    int count = int(state.range(0));
    BenchWorld world(count);
    TDefaultAllocator allocator;
    TBroadPhase broad;
    TSizeInfo sizes;
    sizes.rigidBodiesCount = count / 2;
    sizes.animatedBodiesCount = count - count / 2;
    sizes.rigidParticleCount = 0;
    sizes.overlapPairsCount = 8 * count;
    if (!broad.Create(&allocator, &world, sizes)) {
        state.SkipWithError("out of memory");
        return;
    }
    std::mt19937 rng(2);
    float side = std::cbrt(float(count)) * 2.0f;
    std::uniform_real_distribution<float> where(0.0f, side);
    std::uniform_real_distribution<float> drift(-0.02f, 0.02f);
    std::vector<TVec4> velocity(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        TVec4 p = Vec(where(rng), where(rng), where(rng));
        world.min[size_t(i)] = p;
        world.max[size_t(i)] = p + Vec(1, 1, 1);
        velocity[size_t(i)] = Vec(drift(rng), drift(rng), drift(rng));
        broad.AddBody(reinterpret_cast<TBody*>(uintptr_t(i + 1)), i);
    }
    broad.Update();
    for (auto _ : state) {
        // Half the bodies move each step, like the rigid ones among static objects.
        for (int i = 0; i < count / 2; ++i) {
            world.min[size_t(i)] += velocity[size_t(i)];
            world.max[size_t(i)] += velocity[size_t(i)];
            broad.SetBounds(i, world.min[size_t(i)], world.max[size_t(i)]);
        }
        broad.Update();
    }
    state.counters["pairs"] = double(broad.PairCount());
    state.SetItemsProcessed(int64_t(state.iterations()) * count);
}
BENCHMARK(BroadPhaseUpdate)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();

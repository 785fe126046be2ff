// Cost of the culling tests and the matrix product that every frame leans on.

#include "engine/scene/Camera.h"

#include "backend/math/MatrixMath.h"
#include "backend/math/Vector.h"

#include <benchmark/benchmark.h>

#include <numbers>
#include <random>
#include <vector>

namespace {

// A race-like camera and boxes spread over a 1 km square, a third of them
// near the view axis.
struct Scene {
    Camera camera;
    std::vector<BoundingBox> boxes;
    std::vector<backend::Vector3> points;

    Scene()
    {
        backend::Vector3 eye{0, 10, 0}, angles{-0.1f, 0.4f, 0};
        camera.Set(std::numbers::pi_v<float> / 4, 4.0f / 3.0f, 0.1f, 600.0f, &eye, &angles);
        std::mt19937 rng(1);
        std::uniform_real_distribution<float> coord(-500, 500), size(1, 40);
        for (int i = 0; i < 4096; ++i) {
            backend::Vector3 centre{coord(rng), coord(rng) * 0.05f, coord(rng)};
            if (i % 3 == 0)
                centre = camera.eye + camera.forward * (coord(rng) + 500) * 0.5f;
            BoundingBox box;
            box.SetCentreSize(&centre, size(rng), size(rng), size(rng));
            boxes.push_back(box);
            points.push_back(centre);
        }
    }
};

const Scene& GetScene()
{
    static const Scene scene;
    return scene;
}

void BoxInFrustum(benchmark::State& state)
{
    const Scene& scene = GetScene();
    size_t visible = 0;
    for (auto _ : state)
        for (const BoundingBox& box : scene.boxes)
            visible += scene.camera.IsBoxInFrustum(&box);
    benchmark::DoNotOptimize(visible);
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(scene.boxes.size()));
}
BENCHMARK(BoxInFrustum);

void PointInFrustum(benchmark::State& state)
{
    const Scene& scene = GetScene();
    size_t visible = 0;
    for (auto _ : state)
        for (const backend::Vector3& point : scene.points)
            visible += scene.camera.IsPointInFrustum(&point);
    benchmark::DoNotOptimize(visible);
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(scene.points.size()));
}
BENCHMARK(PointInFrustum);

void CameraUpdate(benchmark::State& state)
{
    Camera camera = GetScene().camera;
    for (auto _ : state) {
        camera.angles.y += 0.001f;
        camera.Update();
        benchmark::DoNotOptimize(camera.frustumBox);
    }
    state.SetItemsProcessed(int64_t(state.iterations()));
}
BENCHMARK(CameraUpdate);

void MatrixProduct(benchmark::State& state)
{
    backend::Matrix a, b;
    backend::MatrixRotationYawPitchRoll(&a, 0.3f, 0.2f, 0.1f);
    backend::MatrixTranslation(&b, 1, 2, 3);
    for (auto _ : state) {
        backend::MatrixMultiply(&a, &a, &b);
        benchmark::DoNotOptimize(a);
        a.m[3][0] = 0; // keep the values bounded
    }
    state.SetItemsProcessed(int64_t(state.iterations()));
}
BENCHMARK(MatrixProduct);

} // namespace

BENCHMARK_MAIN();

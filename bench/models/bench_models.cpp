// Model loading costs on the CPU: reading, normals and welding of QVX files,
// .md2 frames, and the text .x reader with its mesh assembly.

#include "backend/gpu/XFileReader.h"
#include "datagen/writers/Md2Writer.h"
#include "datagen/writers/QvxWriter.h"
#include "datagen/writers/XFileWriter.h"
#include "engine/models/Md2Reader.h"
#include "engine/models/QvxReader.h"

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

// A sphere of rings x segments quads with texture coordinates, counter-clockwise from outside.
datagen::QvxMesh Sphere(int rings, int segments, float offset)
{
    datagen::QvxMesh mesh;
    for (int r = 0; r <= rings; ++r) {
        const float theta = float(M_PI) * float(r) / float(rings);
        for (int s = 0; s <= segments; ++s) {
            const float phi = 2.0f * float(M_PI) * float(s) / float(segments);
            mesh.positions.push_back(
                {std::sin(theta) * std::cos(phi) + offset, std::cos(theta), std::sin(theta) * std::sin(phi)});
            mesh.texCoords.push_back({float(s) / float(segments), float(r) / float(rings)});
        }
    }
    const int row = segments + 1;
    for (int r = 0; r < rings; ++r) {
        for (int s = 0; s < segments; ++s) {
            const auto a = uint16_t(r * row + s), b = uint16_t(a + 1), c = uint16_t(a + row), d = uint16_t(c + 1);
            mesh.faces.push_back({a, c, b});
            mesh.faces.push_back({b, c, d});
        }
    }
    mesh.texFaces = mesh.faces;
    return mesh;
}

void BM_ReadQvx61Frames(benchmark::State& state)
{
    std::vector<datagen::QvxFrame> frames(61);
    for (size_t f = 0; f < frames.size(); ++f)
        frames[f].meshes = {Sphere(int(state.range(0)), int(state.range(0)) * 2, float(f) * 0.01f)};
    const std::vector<uint8_t> file = datagen::EncodeQvx(frames);
    for (auto _ : state) {
        std::vector<QvxFrame> read;
        benchmark::DoNotOptimize(ReadQvx(file.data(), file.size(), read));
    }
    state.counters["bytes"] = double(file.size());
}
BENCHMARK(BM_ReadQvx61Frames)->Arg(8)->Arg(24)->Unit(benchmark::kMillisecond);

void BM_ReadMd2(benchmark::State& state)
{
    datagen::Md2Model model;
    const int side = 40;
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x)
            model.texCoords.push_back({int16_t(x * 4), int16_t(y * 4)});
    }
    for (int y = 0; y + 1 < side; ++y) {
        for (int x = 0; x + 1 < side; ++x) {
            const auto a = uint16_t(y * side + x), b = uint16_t(a + 1), c = uint16_t(a + side), d = uint16_t(c + 1);
            datagen::Md2Triangle t1, t2;
            t1.vertex[0] = t1.texCoord[0] = a;
            t1.vertex[1] = t1.texCoord[1] = b;
            t1.vertex[2] = t1.texCoord[2] = c;
            t2.vertex[0] = t2.texCoord[0] = b;
            t2.vertex[1] = t2.texCoord[1] = d;
            t2.vertex[2] = t2.texCoord[2] = c;
            model.triangles.push_back(t1);
            model.triangles.push_back(t2);
        }
    }
    for (int f = 0; f < int(state.range(0)); ++f) {
        std::vector<datagen::Float3> positions;
        for (int y = 0; y < side; ++y) {
            for (int x = 0; x < side; ++x)
                positions.push_back({float(x), std::sin(float(x + f) * 0.3f), float(y)});
        }
        model.frames.push_back(datagen::QuantizeMd2Frame("f", positions));
    }
    const std::vector<uint8_t> file = datagen::EncodeMd2(model);
    std::vector<Md2Frame> frames(static_cast<size_t>(MD2_MAX_FRAMES));
    for (auto _ : state) {
        int32_t frameCount = 0, triangleCount = 0;
        benchmark::DoNotOptimize(ReadMd2(file.data(), file.size(), frames, frameCount, triangleCount));
    }
    state.counters["bytes"] = double(file.size());
}
BENCHMARK(BM_ReadMd2)->Arg(1)->Arg(64)->Unit(benchmark::kMillisecond);

void BM_ReadXFileBlocks(benchmark::State& state)
{
    // A building of n x n boxes, each its own mesh in a moved frame, two materials.
    datagen::XModel model;
    const int n = int(state.range(0));
    for (int i = 0; i < n * n; ++i) {
        datagen::XMesh box;
        for (int c = 0; c < 8; ++c)
            box.positions.push_back({(c & 1) ? 0.5f : -0.5f, (c & 2) ? 0.5f : -0.5f, (c & 4) ? 0.5f : -0.5f});
        box.faces = {{2, 3, 1, 0}, {5, 7, 6, 4}, {6, 2, 0, 4}, {3, 7, 5, 1}, {0, 1, 5, 4}, {6, 7, 3, 2}};
        for (int f = 0; f < 6; ++f)
            box.normalFaces.push_back({uint32_t(f), uint32_t(f), uint32_t(f), uint32_t(f)});
        box.normals = {{0, 0, -1}, {0, 0, 1}, {-1, 0, 0}, {1, 0, 0}, {0, -1, 0}, {0, 1, 0}};
        box.texCoords.assign(8, {0.5f, 0.5f});
        box.faceMaterials = {0, 0, 0, 0, 1, 1};
        box.materials.resize(2);
        box.materials[1].faceColor[3] = 0.5f;
        datagen::XFrame frame;
        frame.hasTransform = true;
        frame.transform[12] = float(i % n);
        frame.transform[14] = float(i / n);
        frame.meshes = {box};
        model.frames.push_back(frame);
    }
    const std::string text = datagen::EncodeXFile(model);
    for (auto _ : state) {
        backend::XMeshData mesh;
        std::string error;
        benchmark::DoNotOptimize(
            backend::ReadXFile(reinterpret_cast<const uint8_t*>(text.data()), text.size(), mesh, error));
    }
    state.counters["bytes"] = double(text.size());
}
BENCHMARK(BM_ReadXFileBlocks)->Arg(4)->Arg(16)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

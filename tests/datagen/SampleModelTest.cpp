#include "DatagenTestKit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using datagen::Float3;
using datagen_test::ExpectCentredBox;
using datagen_test::GameReadQvxFile;
using datagen_test::Positions;

namespace {

// Six times the enclosed volume, counter-clockwise fronts (the QVX way) counting positive.
double OutwardVolume(const QvxMesh& mesh)
{
    return -datagen_test::SignedVolume(Positions(mesh), mesh.indices);
}

} // namespace

TEST(SampleModels, MopedPartsHaveTheirCollisionSizesAndFaceOutwards)
{
    const struct {
        const char* path;
        Float3 size;
    } parts[] = {{"Graphics\\Models\\MopedBody.qvx", {0.355f, 0.568f, 1.095f}},
                 {"Graphics\\Models\\MopedHandlebar.qvx", {0.4f, 0.828f, 0.358f}},
                 {"Graphics\\Models\\MopedTyre.qvx", {0.185f, 0.418f, 0.418f}}};
    for (const auto& part : parts) {
        SCOPED_TRACE(part.path);
        const std::vector<QvxFrame> frames = GameReadQvxFile(part.path);
        ASSERT_EQ(frames.size(), 1u);
        ASSERT_EQ(frames[0].meshes.size(), 1u);
        const QvxMesh& mesh = frames[0].meshes[0];
        ASSERT_FALSE(mesh.indices.empty());
        EXPECT_LE(mesh.vertices.size(), QVX_MAX_VERTICES);
        ExpectCentredBox(Positions(mesh), part.size, 0.005f);
        EXPECT_GT(OutwardVolume(mesh), 0.0);
        for (const QvxVertex& v : mesh.vertices) {
            EXPECT_GE(v.u0, 0.0f);
            EXPECT_LE(v.u0, 1.0f);
        }
    }
}

TEST(SampleModels, TyreIsARoundDiscAboutTheXAxis)
{
    const std::vector<QvxFrame> frames = GameReadQvxFile("Graphics\\Models\\MopedTyre.qvx");
    ASSERT_EQ(frames.size(), 1u);
    const std::vector<Float3> positions = Positions(frames[0].meshes[0]);
    const std::vector<uint16_t>& corners = frames[0].meshes[0].indices;
    for (const Float3& p : positions) {
        const float r = std::hypot(p.y, p.z);
        EXPECT_TRUE(r < 1e-5f || std::fabs(r - 0.209f) < 1e-4f) << r;
    }
    // Each face's normal, (a - b) x (c - b), points away from the axis or along it outwards.
    for (size_t i = 0; i + 2 < corners.size(); i += 3) {
        const Float3 a = positions[corners[i]], b = positions[corners[i + 1]], c = positions[corners[i + 2]];
        const Float3 u = {a.x - b.x, a.y - b.y, a.z - b.z}, v = {c.x - b.x, c.y - b.y, c.z - b.z};
        const Float3 n = {u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x};
        const Float3 m = {(a.x + b.x + c.x) / 3, (a.y + b.y + c.y) / 3, (a.z + b.z + c.z) / 3};
        EXPECT_GT(n.x * m.x + n.y * m.y + n.z * m.z, 0.0f);
    }
}

TEST(SampleModels, RiderLeansFromFullLeftThroughUprightToFullRight)
{
    const std::vector<QvxFrame> frames = GameReadQvxFile("Graphics\\Models\\Player.qvx");
    ASSERT_EQ(frames.size(), 61u);
    // The highest tenth of the upright rider's vertices: the head.
    const std::vector<QvxVertex>& upright = frames[30].meshes[0].vertices;
    std::vector<size_t> head(upright.size());
    for (size_t i = 0; i < head.size(); ++i)
        head[i] = i;
    std::sort(head.begin(), head.end(), [&](size_t a, size_t b) { return upright[a].y > upright[b].y; });
    head.resize(head.size() / 10);
    auto headX = [&](size_t frame) {
        float sum = 0.0f;
        for (size_t i : head)
            sum += frames[frame].meshes[0].vertices[i].x;
        return sum / static_cast<float>(head.size());
    };
    ExpectCentredBox(Positions(frames[30].meshes[0]), {0.521f, 0.9f, 0.342f}, 0.01f);
    EXPECT_NEAR(headX(30), 0.0f, 0.01f);
    EXPECT_LT(headX(0), -0.15f);
    EXPECT_GT(headX(60), 0.15f);
    EXPECT_NEAR(headX(0), -headX(60), 0.01f);
    for (size_t f = 1; f < frames.size(); ++f) {
        ASSERT_EQ(frames[f].meshes.size(), 1u);
        EXPECT_EQ(frames[f].meshes[0].vertices.size(), frames[0].meshes[0].vertices.size());
        EXPECT_GT(headX(f), headX(f - 1)) << "frame " << f;
        EXPECT_GT(OutwardVolume(frames[f].meshes[0]), 0.0) << "frame " << f;
    }
}

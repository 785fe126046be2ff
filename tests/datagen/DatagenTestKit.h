#pragma once
// What the data generator's tests share: values read out of written bytes,
// the smallest model, models read back by the game's reader, and the shape
// checks every generated model gets.

#include "backend/files/Files.h"
#include "datagen/writers/Md2Writer.h"
#include "datagen/writers/QvxWriter.h"
#include "engine/models/QvxReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace datagen_test {

// The value of type T stored at byte `at`, in the machine's (little-endian) order.
template <typename T> T ValueAt(const std::vector<uint8_t>& bytes, size_t at)
{
    T value;
    std::memcpy(&value, bytes.data() + at, sizeof value);
    return value;
}
inline constexpr auto I32At = &ValueAt<int32_t>;
inline constexpr auto U32At = &ValueAt<uint32_t>;
inline constexpr auto F32At = &ValueAt<float>;

// One textured triangle in one mesh.
inline datagen::QvxMesh OneTriangle()
{
    datagen::QvxMesh mesh;
    mesh.positions = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    mesh.faces = {{0, 1, 2}};
    mesh.texCoords = {{0, 0}, {1, 0}, {0, 1}};
    mesh.texFaces = {{0, 1, 2}};
    return mesh;
}

// One triangle with its texture corners in the frames given.
inline datagen::Md2Model OneTriangleMd2(std::vector<datagen::Md2Frame> frames)
{
    datagen::Md2Model model;
    model.texCoords = {{0, 0}, {64, 0}, {0, 32}};
    model.triangles = {datagen::Md2Triangle{{0, 1, 2}, {0, 1, 2}}};
    model.frames = std::move(frames);
    return model;
}

// QVX bytes, or a data file, through the game's reader.
inline std::vector<QvxFrame> GameReadQvx(const std::vector<uint8_t>& bytes)
{
    std::vector<QvxFrame> frames;
    EXPECT_EQ(ReadQvx(bytes.data(), bytes.size(), frames), QvxReadResult::Ok);
    return frames;
}
inline std::vector<QvxFrame> GameReadQvxFile(const char* path)
{
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(backend::ReadWholeFile(path, bytes)) << path;
    return GameReadQvx(bytes);
}

inline std::vector<datagen::Float3> Positions(const QvxMesh& mesh)
{
    std::vector<datagen::Float3> positions;
    for (const QvxVertex& v : mesh.vertices)
        positions.push_back({v.x, v.y, v.z});
    return positions;
}

// The bounding box has `size` (within `tolerance`) and its centre at the origin.
inline void ExpectCentredBox(const std::vector<datagen::Float3>& positions, datagen::Float3 size, float tolerance)
{
    ASSERT_FALSE(positions.empty());
    datagen::Float3 low = positions[0], high = positions[0];
    for (const datagen::Float3& p : positions) {
        low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
        high = {std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
    }
    EXPECT_NEAR(high.x - low.x, size.x, tolerance);
    EXPECT_NEAR(high.y - low.y, size.y, tolerance);
    EXPECT_NEAR(high.z - low.z, size.z, tolerance);
    EXPECT_NEAR(high.x + low.x, 0.0f, 1e-4f);
    EXPECT_NEAR(high.y + low.y, 0.0f, 1e-4f);
    EXPECT_NEAR(high.z + low.z, 0.0f, 1e-4f);
}

// Six times the enclosed volume, summed as a . (b x c) over the triangles
// (a, b, c) that `corners` lists three by three: positive for a closed mesh
// whose corners run clockwise seen from outside in a left-handed frame.
template <typename Index>
double SignedVolume(const std::vector<datagen::Float3>& positions, const std::vector<Index>& corners)
{
    double volume = 0.0;
    for (size_t i = 0; i + 2 < corners.size(); i += 3) {
        const datagen::Float3 a = positions[corners[i]], b = positions[corners[i + 1]], c = positions[corners[i + 2]];
        volume += double(a.x) * (double(b.y) * c.z - double(b.z) * c.y) -
                  double(a.y) * (double(b.x) * c.z - double(b.z) * c.x) +
                  double(a.z) * (double(b.x) * c.y - double(b.y) * c.x);
    }
    return volume;
}

} // namespace datagen_test

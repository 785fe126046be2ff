// The writers' files read back by the game's own model readers.

#include "DatagenTestKit.h"

#include "backend/files/Files.h"
#include "backend/gpu/XFileReader.h"
#include "datagen/TrackModelSizes.h"
#include "datagen/writers/Md2Writer.h"
#include "datagen/writers/QvxWriter.h"
#include "engine/models/Md2Reader.h"
#include "engine/models/QvxReader.h"

#include <gtest/gtest.h>

#include <string_view>

namespace {

QvxReadResult GameReadQvx(const std::vector<uint8_t>& bytes, std::vector<QvxFrame>& frames)
{
    return ReadQvx(bytes.data(), bytes.size(), frames);
}

// A generated model file through the game's reader.
QvxReadResult GameReadQvxFile(const char* path, std::vector<QvxFrame>& frames)
{
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(backend::ReadWholeFile(path, bytes)) << path;
    return GameReadQvx(bytes, frames);
}

datagen::Md2Model SmallMd2()
{
    datagen::Md2Model model =
        datagen_test::OneTriangleMd2({datagen::QuantizeMd2Frame("a", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}),
                                      datagen::QuantizeMd2Frame("b", {{0, 0, 0}, {2, 0, 0}, {0, 2, 0}})});
    model.skins = {"skin.pcx"};
    return model;
}

} // namespace

TEST(GameQvxReader, ReadsWrittenModels)
{
    const datagen::QvxFrame frame{{datagen_test::OneTriangle()}};
    std::vector<QvxFrame> frames;
    ASSERT_EQ(GameReadQvx(datagen::EncodeQvx({frame, frame}), frames), QvxReadResult::Ok);
    ASSERT_EQ(frames.size(), 2u);
    ASSERT_EQ(frames[1].meshes.size(), 1u);
    EXPECT_EQ(frames[1].meshes[0].indices.size(), 3u);
}

TEST(GameQvxReader, ReadsTheGeneratedMopedAndRider)
{
    for (const auto& [path, frameCount] : {std::pair<const char*, size_t>{"Graphics\\Models\\MopedBody.qvx", 1},
                                           {"Graphics\\Models\\MopedHandlebar.qvx", 1},
                                           {"Graphics\\Models\\MopedTyre.qvx", 1},
                                           {"Graphics\\Models\\Player.qvx", 61}}) {
        std::vector<QvxFrame> frames;
        ASSERT_EQ(GameReadQvxFile(path, frames), QvxReadResult::Ok) << path;
        EXPECT_EQ(frames.size(), frameCount) << path;
        for (const QvxFrame& frame : frames) {
            ASSERT_EQ(frame.meshes.size(), 1u) << path;
            EXPECT_GT(frame.meshes[0].indices.size(), 0u) << path;
            EXPECT_LE(frame.meshes[0].vertices.size(), QVX_MAX_VERTICES) << path;
        }
    }
}

TEST(GameMd2Reader, ReadsWrittenModels)
{
    std::vector<Md2Frame> frames(MD2_MAX_FRAMES);
    int32_t frameCount = 0, triangleCount = 0;
    const std::vector<uint8_t> bytes = datagen::EncodeMd2(SmallMd2());
    ASSERT_TRUE(ReadMd2(bytes.data(), bytes.size(), frames, frameCount, triangleCount));
    EXPECT_EQ(frameCount, 2);
    EXPECT_EQ(triangleCount, 1);
    EXPECT_EQ(frames[1].vertices.size(), 3u);
}

TEST(GameXFileReader, ReadsTheFinishPole)
{
    backend::XMeshData mesh;
    std::string error;
    ASSERT_TRUE(backend::ReadXFileFromPath("Graphics\\Models\\FinishPole.x", mesh, error)) << error;
    EXPECT_EQ(mesh.materials.size(), 1u);
    EXPECT_EQ(mesh.materials[0].textureFile, "FinishPole.dds");
    ASSERT_EQ(mesh.attributeTable.size(), 1u);
    EXPECT_EQ(mesh.attributeTable[0].faceCount * 3, mesh.indices.size());
}

TEST(GameModelReaders, TrackModelsAreCentredAtTheirListedSizesWithOutwardFronts)
{
    for (const datagen::TrackModelSize& model : datagen::TRACK_MODEL_SIZES) {
        SCOPED_TRACE(model.path);
        std::vector<datagen::Float3> positions;
        std::vector<uint16_t> indices;
        const bool isX = std::string_view(model.path).ends_with(".x");
        if (isX) {
            backend::XMeshData mesh;
            std::string error;
            ASSERT_TRUE(backend::ReadXFileFromPath(model.path, mesh, error)) << error;
            ASSERT_FALSE(mesh.attributeTable.empty()); // at least one material, or nothing is drawn
            for (const backend::XMeshVertex& v : mesh.vertices)
                positions.push_back({v.x, v.y, v.z});
            indices = mesh.indices;
        } else {
            std::vector<QvxFrame> frames;
            ASSERT_EQ(GameReadQvxFile(model.path, frames), QvxReadResult::Ok);
            ASSERT_EQ(frames.size(), 1u);
            ASSERT_EQ(frames[0].meshes.size(), 1u);
            for (const QvxVertex& v : frames[0].meshes[0].vertices)
                positions.push_back({v.x, v.y, v.z});
            indices = frames[0].meshes[0].indices;
        }
        ASSERT_FALSE(indices.empty());
        datagen_test::ExpectCentredBox(positions, model.size, 1e-3f);
        // Fronts clockwise from outside for .x, counter-clockwise for .qvx: the
        // volume summed in file order has the sign of the format.
        const double volume = datagen_test::SignedVolume(positions, indices);
        EXPECT_GT(isX ? volume : -volume, 0.0);
    }
}

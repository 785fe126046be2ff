// The writers' files read back by the game's own model readers.

#include "backend/files/Files.h"
#include "backend/gpu/XFileReader.h"
#include "datagen/TrackModelSizes.h"
#include "datagen/writers/FrameAnimationWriter.h"
#include "datagen/writers/Md2Writer.h"
#include "datagen/writers/QvxWriter.h"
#include "datagen/writers/XFileWriter.h"
#include "engine/models/FrameAnimation.h"
#include "engine/models/Md2Reader.h"
#include "engine/models/QvxReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string_view>

namespace {

datagen::QvxMesh Triangle()
{
    datagen::QvxMesh mesh;
    mesh.positions = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    mesh.faces = {{0, 1, 2}};
    mesh.texCoords = {{0, 0}, {1, 0}, {0, 1}};
    mesh.texFaces = {{0, 1, 2}};
    return mesh;
}

QvxReadResult GameReadQvx(const std::vector<uint8_t>& bytes, std::vector<QvxFrame>& frames)
{
    return ReadQvx(bytes.data(), bytes.size(), frames);
}

datagen::Md2Model SmallMd2()
{
    datagen::Md2Model model;
    model.skins = {"skin.pcx"};
    model.texCoords = {{0, 0}, {64, 0}, {0, 32}};
    datagen::Md2Triangle t;
    t.vertex[1] = 1;
    t.vertex[2] = 2;
    t.texCoord[1] = 1;
    t.texCoord[2] = 2;
    model.triangles = {t};
    model.frames = {datagen::QuantizeMd2Frame("a", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}),
                    datagen::QuantizeMd2Frame("b", {{0, 0, 0}, {2, 0, 0}, {0, 2, 0}})};
    return model;
}

} // namespace

TEST(GameQvxReader, ReadsWrittenModelsAndRefusesBrokenOnes)
{
    std::vector<QvxFrame> frames;
    ASSERT_EQ(
        GameReadQvx(datagen::EncodeQvx({datagen::QvxFrame{{Triangle()}}, datagen::QvxFrame{{Triangle()}}}), frames),
        QvxReadResult::Ok);
    ASSERT_EQ(frames.size(), 2u);
    ASSERT_EQ(frames[1].meshes.size(), 1u);
    EXPECT_EQ(frames[1].meshes[0].indices.size(), 3u);

    const std::vector<datagen::QvxFrame> good = {datagen::QvxFrame{{Triangle()}}};
    datagen::QvxFaults faults;
    faults.badMagic = true;
    EXPECT_EQ(GameReadQvx(datagen::EncodeQvx(good, faults), frames), QvxReadResult::BadMagic);
    faults = {};
    faults.truncateTo = 50;
    EXPECT_EQ(GameReadQvx(datagen::EncodeQvx(good, faults), frames), QvxReadResult::Corrupted);
    faults = {};
    faults.firstPositionCount = 1 << 20;
    EXPECT_EQ(GameReadQvx(datagen::EncodeQvx(good, faults), frames), QvxReadResult::Corrupted);
    faults = {};
    faults.firstFaceCount = 1 << 20;
    EXPECT_EQ(GameReadQvx(datagen::EncodeQvx(good, faults), frames), QvxReadResult::Corrupted);
}

TEST(GameQvxReader, ReadsTheGeneratedMopedAndRider)
{
    for (const auto& [path, frameCount] : {std::pair<const char*, size_t>{"Graphics\\Models\\MopedBody.qvx", 1},
                                           {"Graphics\\Models\\MopedHandlebar.qvx", 1},
                                           {"Graphics\\Models\\MopedTyre.qvx", 1},
                                           {"Graphics\\Models\\Player.qvx", 61}}) {
        std::vector<uint8_t> bytes;
        ASSERT_TRUE(backend::ReadWholeFile(path, bytes)) << path;
        std::vector<QvxFrame> frames;
        ASSERT_EQ(GameReadQvx(bytes, frames), QvxReadResult::Ok) << path;
        EXPECT_EQ(frames.size(), frameCount) << path;
        for (const QvxFrame& frame : frames) {
            ASSERT_EQ(frame.meshes.size(), 1u) << path;
            EXPECT_GT(frame.meshes[0].indices.size(), 0u) << path;
            EXPECT_LE(frame.meshes[0].vertices.size(), QVX_MAX_VERTICES) << path;
        }
    }
}

TEST(GameMd2Reader, ReadsWrittenModelsAndRefusesBrokenOnes)
{
    std::vector<Md2Frame> frames(MD2_MAX_FRAMES);
    int32_t frameCount = 0, triangleCount = 0;
    std::vector<uint8_t> bytes = datagen::EncodeMd2(SmallMd2());
    ASSERT_TRUE(ReadMd2(bytes.data(), bytes.size(), frames, frameCount, triangleCount));
    EXPECT_EQ(frameCount, 2);
    EXPECT_EQ(triangleCount, 1);
    EXPECT_EQ(frames[1].vertices.size(), 3u);

    datagen::Md2Faults faults;
    faults.numVertices = MD2_MAX_VERTICES + 1;
    bytes = datagen::EncodeMd2(SmallMd2(), faults);
    EXPECT_FALSE(ReadMd2(bytes.data(), bytes.size(), frames, frameCount, triangleCount));
    faults = {};
    faults.numFrames = MD2_MAX_FRAMES + 1;
    bytes = datagen::EncodeMd2(SmallMd2(), faults);
    EXPECT_FALSE(ReadMd2(bytes.data(), bytes.size(), frames, frameCount, triangleCount));
    faults = {};
    faults.truncateTo = datagen::EncodeMd2(SmallMd2()).size() - 1;
    bytes = datagen::EncodeMd2(SmallMd2(), faults);
    EXPECT_FALSE(ReadMd2(bytes.data(), bytes.size(), frames, frameCount, triangleCount));
}

TEST(GameFrameAnimation, ReadsWrittenTablesAndRefusesBrokenOnes)
{
    const std::vector<datagen::FrameAnimationRecord> records = {{"idle", 0, 9, 0.5f}, {"back", 20, 10, 2.0f}};
    std::vector<uint8_t> bytes = datagen::EncodeFrameAnimation(records);
    FrameAnimation table;
    ASSERT_TRUE(table.LoadFromMemory(bytes.data(), bytes.size()));
    ASSERT_EQ(table.animations.size(), 2u);
    EXPECT_STREQ(table.animations[0].name, "idle");
    EXPECT_EQ(table.animations[0].last, 9);
    EXPECT_FLOAT_EQ(table.animations[0].speed, 0.5f);
    EXPECT_EQ(table.animations[1].first, 20);
    EXPECT_EQ(table.animations[1].last, 10);

    datagen::FrameAnimationFaults faults;
    faults.badMagic = true;
    bytes = datagen::EncodeFrameAnimation(records, faults);
    EXPECT_FALSE(table.LoadFromMemory(bytes.data(), bytes.size()));
    faults = {};
    faults.truncateTo = 30;
    bytes = datagen::EncodeFrameAnimation(records, faults);
    EXPECT_FALSE(table.LoadFromMemory(bytes.data(), bytes.size()));
    faults = {};
    faults.unterminatedName = true;
    bytes = datagen::EncodeFrameAnimation(records, faults);
    EXPECT_FALSE(table.LoadFromMemory(bytes.data(), bytes.size()));
    faults = {};
    faults.count = 0;
    bytes = datagen::EncodeFrameAnimation({}, faults);
    EXPECT_TRUE(table.LoadFromMemory(bytes.data(), bytes.size()));
    EXPECT_TRUE(table.animations.empty());
}

TEST(GameXFileReader, ReadsTheFinishPoleAndWrittenModels)
{
    backend::XMeshData mesh;
    std::string error;
    ASSERT_TRUE(backend::ReadXFileFromPath("Graphics\\Models\\FinishPole.x", mesh, error)) << error;
    EXPECT_EQ(mesh.materials.size(), 1u);
    EXPECT_EQ(mesh.materials[0].textureFile, "FinishPole.dds");
    ASSERT_EQ(mesh.attributeTable.size(), 1u);
    EXPECT_EQ(mesh.attributeTable[0].faceCount * 3, mesh.indices.size());
    float low = 1e9f, high = -1e9f;
    for (const backend::XMeshVertex& v : mesh.vertices) {
        low = std::min(low, v.y);
        high = std::max(high, v.y);
    }
    EXPECT_NEAR(low + high, 0.0f, 1e-4f);

    // Two materials, a frame transform, templates, comments and an unknown object.
    datagen::XMesh quad;
    quad.positions = {{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}, {2, 0, 0}};
    quad.faces = {{0, 1, 2, 3}, {3, 2, 4}};
    quad.faceMaterials = {1, 0};
    datagen::XMaterial first, second;
    second.faceColor[3] = 0.5f;
    quad.materials = {first, second};
    datagen::XFrame frame;
    frame.hasTransform = true;
    frame.transform[13] = 10.0f;
    frame.meshes.push_back(quad);
    datagen::XModel model;
    model.frames.push_back(frame);
    datagen::XFileOptions options;
    options.withTemplates = options.withComments = options.withUnknownObject = true;
    std::string text = datagen::EncodeXFile(model, options);
    ASSERT_TRUE(backend::ReadXFile(reinterpret_cast<const uint8_t*>(text.data()), text.size(), mesh, error)) << error;
    EXPECT_EQ(mesh.indices.size(), 3u * 3u); // the quad as two triangles and one more
    EXPECT_EQ(mesh.materials.size(), 2u);
    for (const backend::XMeshVertex& v : mesh.vertices)
        EXPECT_GE(v.y, 10.0f);

    options = {};
    options.header = "xof 0303bin 0032";
    text = datagen::EncodeXFile(model, options);
    EXPECT_FALSE(backend::ReadXFile(reinterpret_cast<const uint8_t*>(text.data()), text.size(), mesh, error));
    options = {};
    options.truncateTo = text.size() / 2;
    text = datagen::EncodeXFile(model, options);
    EXPECT_FALSE(backend::ReadXFile(reinterpret_cast<const uint8_t*>(text.data()), text.size(), mesh, error));
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
            std::vector<uint8_t> bytes;
            ASSERT_TRUE(backend::ReadWholeFile(model.path, bytes));
            std::vector<QvxFrame> frames;
            ASSERT_EQ(GameReadQvx(bytes, frames), QvxReadResult::Ok);
            ASSERT_EQ(frames.size(), 1u);
            ASSERT_EQ(frames[0].meshes.size(), 1u);
            for (const QvxVertex& v : frames[0].meshes[0].vertices)
                positions.push_back({v.x, v.y, v.z});
            indices = frames[0].meshes[0].indices;
        }
        ASSERT_FALSE(indices.empty());
        datagen::Float3 low = positions[0], high = positions[0];
        for (const datagen::Float3& p : positions) {
            low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
            high = {std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
        }
        EXPECT_NEAR(high.x - low.x, model.size.x, 1e-3f);
        EXPECT_NEAR(high.y - low.y, model.size.y, 1e-3f);
        EXPECT_NEAR(high.z - low.z, model.size.z, 1e-3f);
        EXPECT_NEAR(high.x + low.x, 0.0f, 1e-4f);
        EXPECT_NEAR(high.y + low.y, 0.0f, 1e-4f);
        EXPECT_NEAR(high.z + low.z, 0.0f, 1e-4f);
        // Fronts clockwise from outside for .x, counter-clockwise for .qvx: the
        // triple product summed in file order has the sign of the format.
        double volume = 0.0;
        for (size_t i = 0; i + 2 < indices.size(); i += 3) {
            const datagen::Float3 a = positions[indices[i]], b = positions[indices[i + 1]],
                                  c = positions[indices[i + 2]];
            volume += double(a.x) * (double(b.y) * c.z - double(b.z) * c.y) -
                      double(a.y) * (double(b.x) * c.z - double(b.z) * c.x) +
                      double(a.z) * (double(b.x) * c.y - double(b.y) * c.x);
        }
        EXPECT_GT(isX ? volume : -volume, 0.0);
    }
}

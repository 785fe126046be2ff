#include "ModelTestDevice.h"
#include "ModelTestShapes.h"

#include "engine/models/Md2Model.h"
#include "engine/models/Md2Reader.h"
#include "engine/models/QvxModel.h"
#include "engine/models/QvxReader.h"
#include "engine/platform/Log.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <filesystem>

namespace {

std::vector<datagen::QvxFrame> TwoFrames()
{
    std::vector<datagen::QvxFrame> frames(2);
    datagen::QvxMesh mesh = QvxCube();
    mesh.texCoords = {{0, 0}, {1, 0}, {0, 1}};
    for (size_t i = 0; i < mesh.faces.size(); ++i)
        mesh.texFaces.push_back({0, 1, 2});
    frames[0].meshes = {mesh, QvxCube(0.5f)};
    frames[1].meshes = {mesh};
    return frames;
}

QvxReadResult ReadQvxBytes(const std::vector<uint8_t>& bytes)
{
    std::vector<QvxFrame> frames;
    const QvxReadResult result = ReadQvx(bytes.data(), bytes.size(), frames);
    if (result != QvxReadResult::Ok) {
        EXPECT_TRUE(frames.empty());
    }
    return result;
}

bool ReadMd2Bytes(const std::vector<uint8_t>& bytes)
{
    std::vector<Md2Frame> frames(static_cast<size_t>(MD2_MAX_FRAMES));
    int32_t frameCount = 0, triangleCount = 0;
    return ReadMd2(bytes.data(), bytes.size(), frames, frameCount, triangleCount);
}

} // namespace

TEST(QvxFile, TruncatedAtEveryLengthIsRefused)
{
    const std::vector<uint8_t> whole = datagen::EncodeQvx(TwoFrames());
    ASSERT_EQ(ReadQvxBytes(whole), QvxReadResult::Ok);
    for (size_t length = 0; length < whole.size(); ++length) {
        const std::vector<uint8_t> cut(whole.begin(), whole.begin() + std::ptrdiff_t(length));
        EXPECT_NE(ReadQvxBytes(cut), QvxReadResult::Ok) << length;
    }
    std::vector<uint8_t> longer = whole;
    longer.push_back(0);
    EXPECT_EQ(ReadQvxBytes(longer), QvxReadResult::Corrupted);
}

TEST(QvxFile, WrongCountsAndIndicesAreRefused)
{
    const std::vector<datagen::QvxFrame> frames = TwoFrames();
    std::vector<std::vector<uint8_t>> broken;
    for (int32_t count : {INT32_MIN, -1, 0, 3, INT32_MAX}) {
        datagen::QvxFaults faults;
        faults.frameCount = count;
        broken.push_back(datagen::EncodeQvx(frames, faults));
        faults = {};
        faults.firstPositionCount = count;
        broken.push_back(datagen::EncodeQvx(frames, faults));
        faults = {};
        faults.firstFaceCount = count;
        broken.push_back(datagen::EncodeQvx(frames, faults));
    }
    for (const std::vector<uint8_t>& bytes : broken)
        EXPECT_EQ(ReadQvxBytes(bytes), QvxReadResult::Corrupted);

    std::vector<datagen::QvxFrame> bad = frames;
    bad[1].meshes[0].faces[3].c = 8;
    EXPECT_EQ(ReadQvxBytes(datagen::EncodeQvx(bad)), QvxReadResult::Corrupted);
    bad = frames;
    bad[0].meshes[0].texFaces[11].b = 3;
    EXPECT_EQ(ReadQvxBytes(datagen::EncodeQvx(bad)), QvxReadResult::Corrupted);
    bad = frames;
    bad[0].meshes[0].texFaces.pop_back();
    EXPECT_EQ(ReadQvxBytes(datagen::EncodeQvx(bad)), QvxReadResult::Corrupted);
    // Texture faces without texture coordinates are read and ignored.
    bad = frames;
    bad[0].meshes[0].texCoords.clear();
    EXPECT_EQ(ReadQvxBytes(datagen::EncodeQvx(bad)), QvxReadResult::Ok);

    datagen::QvxFaults magic;
    magic.badMagic = true;
    EXPECT_EQ(ReadQvxBytes(datagen::EncodeQvx(frames, magic)), QvxReadResult::BadMagic);
}

TEST(QvxFile, MoreThan65536WeldedVerticesAreRefused)
{
    // 65,536 positions, each used by two faces with different texture coordinates.
    datagen::QvxMesh mesh;
    mesh.positions.resize(65536);
    for (size_t i = 0; i < mesh.positions.size(); ++i)
        mesh.positions[i] = {float(i), 0, 0};
    mesh.texCoords = {{0, 0}, {1, 1}};
    for (uint32_t i = 0; i + 2 < 65536; i += 3) {
        const uint16_t a = uint16_t(i), b = uint16_t(i + 1), c = uint16_t(i + 2);
        mesh.faces.push_back({a, b, c});
        mesh.texFaces.push_back({0, 0, 0});
        mesh.faces.push_back({a, c, b});
        mesh.texFaces.push_back({1, 1, 1});
    }
    datagen::QvxFrame frame;
    frame.meshes = {mesh};
    EXPECT_EQ(ReadQvxBytes(datagen::EncodeQvx({frame})), QvxReadResult::Corrupted);

    frame.meshes[0].positions.resize(65537);
    frame.meshes[0].faces.resize(1);
    frame.meshes[0].texFaces.resize(1);
    EXPECT_EQ(ReadQvxBytes(datagen::EncodeQvx({frame})), QvxReadResult::Corrupted);
}

TEST(QvxFile, UnusedPositionsAndEmptyFramesAreSafe)
{
    std::vector<datagen::QvxFrame> frames(2);
    datagen::QvxMesh mesh = QvxCube();
    mesh.positions.push_back({3, 3, 3});
    frames[0].meshes = {mesh};
    std::vector<QvxFrame> read;
    const std::vector<uint8_t> bytes = datagen::EncodeQvx(frames);
    ASSERT_EQ(ReadQvx(bytes.data(), bytes.size(), read), QvxReadResult::Ok);
    const QvxVertex& unused = read[0].meshes[0].vertices[8];
    EXPECT_EQ(unused.x, 0.0f);
    EXPECT_EQ(unused.nx, 0.0f);
    EXPECT_EQ(unused.ny, 0.0f);
    // A frame without vertices keeps the empty-box markers.
    EXPECT_EQ(read[1].corners.corners[0].x, FLT_MAX);
    EXPECT_EQ(read[1].corners.corners[7].x, FLT_MIN);
}

TEST(Md2File, TruncatedAtEveryLengthIsRefused)
{
    datagen::Md2Model model = Md2TestTriangle(3);
    model.skins = {"skin.pcx"};
    const std::vector<uint8_t> whole = datagen::EncodeMd2(model);
    ASSERT_TRUE(ReadMd2Bytes(whole));
    for (size_t length = 0; length < whole.size(); ++length) {
        const std::vector<uint8_t> cut(whole.begin(), whole.begin() + std::ptrdiff_t(length));
        EXPECT_FALSE(ReadMd2Bytes(cut)) << length;
    }
}

TEST(Md2File, HeadersBeyondTheLimitsAreRefused)
{
    const datagen::Md2Model model = Md2TestTriangle(2);
    std::vector<datagen::Md2Faults> faults(12);
    faults[0].numFrames = 600;
    faults[1].numFrames = INT32_MIN;
    faults[2].numSkins = 33;
    faults[3].numVertices = 2049;
    faults[4].numTexCoords = INT32_MAX;
    faults[5].numTriangles = 4097;
    faults[6].numTriangles = -1;
    faults[7].frameSize = 40 + 4 * 3 - 1;
    faults[8].frameSize = 8233;
    faults[9].numFrames = 3;
    faults[10].numVertices = 4;
    faults[11].numTriangles = 1 << 30;
    for (const datagen::Md2Faults& fault : faults)
        EXPECT_FALSE(ReadMd2Bytes(datagen::EncodeMd2(model, fault)));
}

TEST(Md2File, IndicesOutOfRangeAreRefused)
{
    datagen::Md2Model model = Md2TestTriangle();
    model.triangles[0].vertex[1] = 40000; // negative when read as signed
    EXPECT_FALSE(ReadMd2Bytes(datagen::EncodeMd2(model)));
    model = Md2TestTriangle();
    model.triangles[0].vertex[2] = 3;
    EXPECT_FALSE(ReadMd2Bytes(datagen::EncodeMd2(model)));
    model = Md2TestTriangle();
    model.triangles[0].texCoord[0] = 3;
    EXPECT_FALSE(ReadMd2Bytes(datagen::EncodeMd2(model)));
}

TEST(Md2File, ZeroTextureCoordinatesGiveFiniteValues)
{
    datagen::Md2Model model = Md2TestTriangle();
    for (auto& st : model.texCoords)
        st = {0, 0};
    const std::vector<uint8_t> bytes = datagen::EncodeMd2(model);
    std::vector<Md2Frame> frames(static_cast<size_t>(MD2_MAX_FRAMES));
    int32_t frameCount = 0, triangleCount = 0;
    ASSERT_TRUE(ReadMd2(bytes.data(), bytes.size(), frames, frameCount, triangleCount));
    for (const Md2Vertex& v : frames[0].vertices) {
        EXPECT_EQ(v.u, 0.0f);
        EXPECT_EQ(v.v, 0.0f);
    }
}

class BrokenModelFileTest : public ModelDeviceTest {};

TEST_F(BrokenModelFileTest, LoadersReportTheirMessages)
{
    const std::vector<uint8_t> qvx = datagen::EncodeQvx(TwoFrames());
    datagen::QvxFaults magic;
    magic.badMagic = true;
    struct Case {
        std::string path;
        const char* message;
    };
    const std::vector<Case> qvxCases = {
        {TempPath("none.qvx"), "Error loading QVX file: File not found!"},
        {WriteBytes("magic.qvx", datagen::EncodeQvx(TwoFrames(), magic)), "Error loading QVX file: File corrupted!"},
        {WriteBytes("cut.qvx", std::vector<uint8_t>(qvx.begin(), qvx.end() - 5)),
         "Error loading QVX file: File corrupted!"},
        {std::string(300, 'a') + ".qvx", "Error loading QVX file: File not found!"},
        {TempPath("folder.qvx"), "Error loading QVX file: Can't open file!"}};
    std::filesystem::create_directory(TempPath("folder.qvx"));
    for (const Case& c : qvxCases) {
        g_LastError.clear();
        Scoped<QvxModel> model;
        EXPECT_FALSE(model.Load(c.path.c_str(), nullptr, nullptr));
        EXPECT_EQ(g_LastError, c.message);
        EXPECT_EQ(model.name[0], 0);
    }
    const std::vector<uint8_t> md2 = datagen::EncodeMd2(Md2TestTriangle(2));
    for (const std::string& path :
         {TempPath("none.md2"), WriteBytes("cut.md2", std::vector<uint8_t>(md2.begin(), md2.end() - 1))}) {
        g_LastError.clear();
        Scoped<Md2Model> model;
        EXPECT_FALSE(model.Load(path.c_str(), nullptr));
        EXPECT_EQ(g_LastError, "Error loading MD2 file!");
        EXPECT_EQ(model.GetFrameCount(), 0);
    }
}

#include "DatagenTestKit.h"
#include "XTestReader.h"

#include "datagen/writers/FrameAnimationWriter.h"
#include "datagen/writers/Md2Writer.h"
#include "datagen/writers/QvxWriter.h"
#include "datagen/writers/XFileWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>

using namespace datagen;
using datagen_test::F32At;
using datagen_test::GameReadQvx;
using datagen_test::I32At;
using datagen_test::NumbersAfter;
using datagen_test::OneTriangle;
using datagen_test::Tokens;

TEST(QvxWriter, OneTriangleHasTheDocumentedLayoutAndReadsBack)
{
    const std::vector<uint8_t> bytes = EncodeQvx({datagen::QvxFrame{{OneTriangle()}}});
    ASSERT_EQ(bytes.size(), 106u);
    EXPECT_EQ(std::memcmp(bytes.data(), "QVX3D10000", 10), 0);
    EXPECT_EQ(I32At(bytes, 10), 1); // frames
    EXPECT_EQ(I32At(bytes, 14), 1); // meshes
    EXPECT_EQ(I32At(bytes, 18), 3); // positions
    EXPECT_FLOAT_EQ(F32At(bytes, 22 + 12), 1.0f);
    EXPECT_EQ(I32At(bytes, 58), 1); // faces

    const std::vector<::QvxFrame> frames = GameReadQvx(bytes);
    ASSERT_EQ(frames.size(), 1u);
    ASSERT_EQ(frames[0].meshes.size(), 1u);
    const ::QvxMesh& mesh = frames[0].meshes[0];
    ASSERT_EQ(mesh.vertices.size(), 3u);
    EXPECT_FLOAT_EQ(mesh.vertices[2].y, 1.0f);
    EXPECT_EQ(mesh.indices, (std::vector<uint16_t>{0, 1, 2}));
    EXPECT_FLOAT_EQ(mesh.vertices[1].u0, 1.0f);
    QvxFaults truncated;
    truncated.truncateTo = 60;
    EXPECT_EQ(EncodeQvx({datagen::QvxFrame{{OneTriangle()}}}, truncated).size(), 60u);
}

TEST(QvxWriter, ManyFramesAndEmptyMeshesKeepTheirCounts)
{
    const std::vector<::QvxFrame> back =
        GameReadQvx(EncodeQvx(std::vector<datagen::QvxFrame>(61, {{OneTriangle(), {}}})));
    ASSERT_EQ(back.size(), 61u);
    ASSERT_EQ(back[60].meshes.size(), 2u);
    EXPECT_TRUE(back[60].meshes[1].vertices.empty());
}

TEST(Md2Writer, MinimalModelHasTheDocumentedHeaderAndOffsets)
{
    const std::vector<uint8_t> bytes =
        EncodeMd2(datagen_test::OneTriangleMd2({QuantizeMd2Frame("stand01", {{0, 0, 0}, {2, 0, 0}, {0, 1, 4}})}));
    ASSERT_EQ(bytes.size(), 144u);
    EXPECT_EQ(std::memcmp(bytes.data(), "IDP2", 4), 0);
    EXPECT_EQ(I32At(bytes, 4), 8);
    EXPECT_EQ(I32At(bytes, 16), 52); // frame size
    EXPECT_EQ(I32At(bytes, 24), 3);  // vertices
    EXPECT_EQ(I32At(bytes, 28), 3);  // texture coordinates
    EXPECT_EQ(I32At(bytes, 32), 1);  // triangles
    EXPECT_EQ(I32At(bytes, 40), 1);  // frames
    const int32_t offsets[6] = {68, 68, 80, 92, 144, 144};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(I32At(bytes, 44 + 4 * size_t(i)), offsets[i]) << "offset " << i;
    // The frame: scale and translate give back the corner positions.
    const size_t frame = 92;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.data() + frame + 24)), "stand01");
    const uint8_t* v = bytes.data() + frame + 40;
    for (int corner = 0; corner < 3; ++corner) {
        const float expected[3][3] = {{0, 0, 0}, {2, 0, 0}, {0, 1, 4}};
        for (int axis = 0; axis < 3; ++axis) {
            const float value = v[corner * 4 + axis] * F32At(bytes, frame + 4 * size_t(axis)) +
                                F32At(bytes, frame + 12 + 4 * size_t(axis));
            EXPECT_NEAR(value, expected[corner][axis], 1e-5f);
        }
    }
}

TEST(Md2Writer, FaultsChangeOnlyTheirField)
{
    Md2Model model;
    model.skins = {"skin.pcx"};
    model.frames = {QuantizeMd2Frame("a", {{0, 0, 0}})};
    const std::vector<uint8_t> good = EncodeMd2(model);
    EXPECT_EQ(good.size(), 68u + 64u + 44u);
    Md2Faults faults;
    faults.numVertices = 4096;
    std::vector<uint8_t> bad = EncodeMd2(model, faults);
    EXPECT_EQ(I32At(bad, 24), 4096);
    EXPECT_EQ(bad.size(), good.size());
    faults = {};
    faults.badIdent = true;
    EXPECT_NE(std::memcmp(EncodeMd2(model, faults).data(), "IDP2", 4), 0);
    faults = {};
    faults.truncateTo = 100;
    EXPECT_EQ(EncodeMd2(model, faults).size(), 100u);
}

TEST(FrameAnimationWriter, OneRecordHasTheDocumentedLayout)
{
    const std::vector<uint8_t> bytes = EncodeFrameAnimation({{"idle", 0, 9, 0.5f}});
    ASSERT_EQ(bytes.size(), 39u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.data())), "QVXFRAMEANIMATION");
    EXPECT_EQ(bytes[17], 0);
    EXPECT_EQ(I32At(bytes, 18), 1);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.data() + 22)), "idle");
    EXPECT_EQ(I32At(bytes, 27), 0);
    EXPECT_EQ(I32At(bytes, 31), 9);
    EXPECT_FLOAT_EQ(F32At(bytes, 35), 0.5f);
}

TEST(FrameAnimationWriter, LongNamesAreCutToTheirField)
{
    const std::vector<uint8_t> bytes = EncodeFrameAnimation({{std::string(100, 'n'), 5, 1, 1.0f}});
    EXPECT_EQ(bytes.size(), 22u + 64u + 12u);
    EXPECT_EQ(bytes[22 + 63], 0);
}

namespace {

XModel Quad()
{
    XMesh mesh;
    mesh.name = "Quad";
    mesh.positions = {{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}};
    mesh.faces = {{0, 1, 2, 3}};
    mesh.normals = {{0, 0, -1}};
    mesh.normalFaces = {{0, 0, 0, 0}};
    mesh.texCoords = {{0, 1}, {0, 0}, {1, 0}, {1, 1}};
    mesh.faceMaterials = {1};
    XMaterial red;
    red.faceColor[0] = 1.0f;
    red.faceColor[1] = red.faceColor[2] = 0.0f;
    red.textureFile = "Red.dds";
    XMaterial shared;
    shared.name = "Shared";
    shared.reference = true;
    mesh.materials = {red, shared};
    XFrame frame;
    frame.name = "Root";
    frame.hasTransform = true;
    frame.transform[12] = 5.0f;
    frame.meshes.push_back(mesh);
    XModel model;
    XMaterial top;
    top.name = "Shared";
    model.materials.push_back(top);
    model.frames.push_back(frame);
    return model;
}

} // namespace

TEST(XFileWriter, TextHoldsHeaderFrameMeshAndMaterials)
{
    XFileOptions options;
    options.withTemplates = true;
    options.withComments = true;
    options.withUnknownObject = true;
    const std::string text = EncodeXFile(Quad(), options);
    ASSERT_EQ(text.substr(0, 17), "xof 0303txt 0032\n");
    const std::vector<std::string> tokens = Tokens(text.substr(17));
    int depth = 0;
    for (const std::string& t : tokens) {
        depth += t == "{" ? 1 : t == "}" ? -1 : 0;
        ASSERT_GE(depth, 0);
    }
    EXPECT_EQ(depth, 0);

    auto find = [&](const std::string& word, size_t from = 0) {
        for (size_t i = from; i < tokens.size(); ++i)
            if (tokens[i] == word)
                return i;
        return tokens.size();
    };
    const size_t matrix = find("FrameTransformMatrix");
    ASSERT_LT(matrix, tokens.size());
    const std::vector<double> m = NumbersAfter(tokens, matrix + 1);
    ASSERT_EQ(m.size(), 16u);
    EXPECT_DOUBLE_EQ(m[12], 5.0);
    EXPECT_DOUBLE_EQ(m[15], 1.0);

    const size_t mesh = find("Quad");
    ASSERT_LT(mesh, tokens.size());
    const std::vector<double> numbers = NumbersAfter(tokens, mesh + 1);
    ASSERT_GE(numbers.size(), 1u + 12u + 1u + 5u);
    EXPECT_EQ(numbers[0], 4.0);  // positions
    EXPECT_EQ(numbers[13], 1.0); // faces
    EXPECT_EQ(numbers[14], 4.0); // corners of the first face
    EXPECT_EQ(numbers[18], 3.0); // its last index

    EXPECT_LT(find("MeshNormals", mesh), tokens.size());
    EXPECT_LT(find("MeshTextureCoords", mesh), tokens.size());
    const size_t list = find("MeshMaterialList", mesh);
    ASSERT_LT(list, tokens.size());
    const std::vector<double> header = NumbersAfter(tokens, list + 1);
    ASSERT_GE(header.size(), 3u);
    EXPECT_EQ(header[0], 2.0); // materials
    EXPECT_EQ(header[1], 1.0); // face ids
    EXPECT_EQ(header[2], 1.0);
    EXPECT_NE(text.find("TextureFilename"), std::string::npos);
    EXPECT_NE(text.find("\"Red.dds\";"), std::string::npos);
    EXPECT_NE(text.find("{ Shared }"), std::string::npos);
    EXPECT_NE(text.find("Material Shared {"), std::string::npos);
    EXPECT_NE(text.find("template Mesh"), std::string::npos);
}

TEST(XFileWriter, RefusedHeadersAndTruncationAreWrittenAsAsked)
{
    XFileOptions binary;
    binary.header = "xof 0303bin 0032";
    EXPECT_EQ(EncodeXFile(Quad(), binary).substr(0, 16), "xof 0303bin 0032");
    XFileOptions cut;
    cut.truncateTo = 40;
    const std::string text = EncodeXFile(Quad(), cut);
    EXPECT_EQ(text.size(), 40u);
    EXPECT_NE(std::count(text.begin(), text.end(), '{'), std::count(text.begin(), text.end(), '}'));
}

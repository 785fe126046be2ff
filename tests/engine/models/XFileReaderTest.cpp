#include "ModelTestShapes.h"

#include "backend/gpu/XFileReader.h"

#include <gtest/gtest.h>

#include <set>

using namespace backend;

namespace {

bool Read(const std::string& text, XMeshData& mesh, std::string& error)
{
    return ReadXFile(reinterpret_cast<const uint8_t*>(text.data()), text.size(), mesh, error);
}

bool Read(const std::string& text, XMeshData& mesh)
{
    std::string error;
    const bool ok = Read(text, mesh, error);
    EXPECT_TRUE(ok) << error;
    return ok;
}

datagen::XModel CubeInFrame()
{
    datagen::XModel model;
    datagen::XFrame frame;
    frame.name = "Root";
    frame.hasTransform = true;
    frame.transform[12] = 1.0f;
    frame.transform[13] = 2.0f;
    frame.transform[14] = 3.0f;
    frame.meshes.push_back(XCube());
    model.frames.push_back(frame);
    return model;
}

} // namespace

TEST(XFileReader, CubeSplitsNormalsGroupsFacesAndMovesWithItsFrame)
{
    XMeshData mesh;
    ASSERT_TRUE(Read(datagen::EncodeXFile(CubeInFrame()), mesh));
    EXPECT_EQ(mesh.indices.size(), 36u);
    EXPECT_EQ(mesh.vertices.size(), 24u);
    ASSERT_EQ(mesh.materials.size(), 2u);
    EXPECT_FLOAT_EQ(mesh.materials[1].material.Diffuse.a, 0.5f);
    EXPECT_FLOAT_EQ(mesh.materials[1].material.Diffuse.g, 1.0f);
    ASSERT_EQ(mesh.attributeTable.size(), 2u);
    EXPECT_EQ(mesh.attributeTable[0].faceCount, 10u);
    EXPECT_EQ(mesh.attributeTable[1].faceStart, 10u);
    EXPECT_EQ(mesh.attributeTable[1].faceCount, 2u);
    for (size_t f = 0; f < mesh.attributes.size(); ++f)
        EXPECT_EQ(mesh.attributes[f], f < 10 ? 0u : 1u);
    for (const XMeshVertex& v : mesh.vertices) {
        EXPECT_TRUE(v.x == 0.5f || v.x == 1.5f);
        EXPECT_TRUE(v.y == 1.5f || v.y == 2.5f);
        EXPECT_TRUE(v.z == 2.5f || v.z == 3.5f);
    }
    // Every face's corners carry that face's normal, which points outwards.
    for (size_t f = 0; f < 12; ++f) {
        const XMeshVertex& a = mesh.vertices[mesh.indices[f * 3]];
        for (size_t k = 1; k < 3; ++k) {
            const XMeshVertex& b = mesh.vertices[mesh.indices[f * 3 + k]];
            EXPECT_EQ(a.nx, b.nx);
            EXPECT_EQ(a.ny, b.ny);
            EXPECT_EQ(a.nz, b.nz);
        }
        const float outward = (a.x - 1.0f) * a.nx + (a.y - 2.0f) * a.ny + (a.z - 3.0f) * a.nz;
        EXPECT_FLOAT_EQ(outward, 0.5f);
    }
    // Face 5 (+y, material 1) was fanned into two triangles that now come last.
    EXPECT_FLOAT_EQ(mesh.vertices[mesh.indices[30]].ny, 1.0f);
}

TEST(XFileReader, QuadsAreFannedFromTheirFirstCorner)
{
    datagen::XModel model;
    datagen::XMesh pentagon;
    pentagon.positions = {{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}, {0.5f, -1, 0}};
    pentagon.faces = {{0, 1, 2, 3, 4}};
    model.meshes = {pentagon};
    XMeshData mesh;
    ASSERT_TRUE(Read(datagen::EncodeXFile(model), mesh));
    EXPECT_EQ(mesh.indices, (std::vector<uint16_t>{0, 1, 2, 0, 2, 3, 0, 3, 4}));
    // No normals in the file: computed towards the clockwise front (-z).
    EXPECT_FLOAT_EQ(mesh.vertices[0].nz, -1.0f);
    // No material list: one white material.
    ASSERT_EQ(mesh.materials.size(), 1u);
    EXPECT_FLOAT_EQ(mesh.materials[0].material.Diffuse.r, 1.0f);
    EXPECT_FLOAT_EQ(mesh.materials[0].material.Diffuse.a, 1.0f);
}

TEST(XFileReader, MeshesMergeInFileOrderWithTheirMaterials)
{
    datagen::XModel model;
    datagen::XMaterial shared = XColour(0, 0, 1, 1);
    shared.name = "Blue";
    shared.textureFile = "blue.dds";
    model.materials = {shared};
    datagen::XMesh first = XQuad(0, 0, 1, 1, 0);
    first.texCoords = {{0, 0}, {0, 1}, {1, 1}, {1, 0}};
    first.faceMaterials = {0};
    first.materials = {XColour(1, 0, 0, 1)};
    model.meshes = {first};
    datagen::XFrame outer, inner;
    outer.hasTransform = true;
    outer.transform[12] = 10.0f;
    inner.hasTransform = true;
    inner.transform[13] = 20.0f;
    datagen::XMesh second = XQuad(0, 0, 1, 1, 0);
    datagen::XMaterial reference;
    reference.name = "Blue";
    reference.reference = true;
    second.faceMaterials = {1, 0};
    second.materials = {XColour(0, 1, 0, 1), reference};
    inner.meshes = {second};
    outer.children = {inner};
    model.frames = {outer};

    XMeshData mesh;
    datagen::XFileOptions options;
    options.withTemplates = true;
    options.withComments = true;
    options.withUnknownObject = true;
    ASSERT_TRUE(Read(datagen::EncodeXFile(model, options), mesh));
    ASSERT_EQ(mesh.materials.size(), 3u);
    EXPECT_FLOAT_EQ(mesh.materials[0].material.Diffuse.r, 1.0f);
    EXPECT_FLOAT_EQ(mesh.materials[1].material.Diffuse.g, 1.0f);
    EXPECT_FLOAT_EQ(mesh.materials[2].material.Diffuse.b, 1.0f);
    EXPECT_EQ(mesh.materials[2].textureFile, "blue.dds");
    EXPECT_EQ(mesh.materials[0].textureFile, "");
    ASSERT_EQ(mesh.vertices.size(), 8u);
    EXPECT_FLOAT_EQ(mesh.vertices[1].v, 1.0f);
    // The inner quad is moved by both frames.
    EXPECT_FLOAT_EQ(mesh.vertices[4].x, 10.0f);
    EXPECT_FLOAT_EQ(mesh.vertices[4].y, 20.0f);
    // The second mesh's one face uses its material 1 (the shared blue one).
    ASSERT_EQ(mesh.attributeTable.size(), 2u);
    EXPECT_EQ(mesh.attributeTable[1].attribId, 2u);
    EXPECT_EQ(mesh.attributeTable[1].vertexStart, 4u);
    EXPECT_EQ(mesh.attributeTable[1].vertexCount, 4u);
}

TEST(XFileReader, FewerFaceMaterialsRepeatTheLast)
{
    datagen::XModel model;
    datagen::XMesh mesh = XCube();
    mesh.faceMaterials = {1, 0};
    model.meshes = {mesh};
    XMeshData data;
    ASSERT_TRUE(Read(datagen::EncodeXFile(model), data));
    ASSERT_EQ(data.attributeTable.size(), 2u);
    EXPECT_EQ(data.attributeTable[0].faceCount, 10u);
    EXPECT_EQ(data.attributeTable[1].faceCount, 2u);
    // Material 1's faces are the first quad: -z.
    EXPECT_FLOAT_EQ(data.vertices[data.indices[30]].nz, -1.0f);
}

TEST(XFileReader, BrokenFilesAreRefusedWithAReason)
{
    datagen::XModel cube = CubeInFrame();
    std::vector<std::string> broken;
    datagen::XFileOptions binary;
    binary.header = "xof 0303bin 0032";
    broken.push_back(datagen::EncodeXFile(cube, binary));
    binary.header = "xof 0303tzip0032";
    broken.push_back(datagen::EncodeXFile(cube, binary));
    broken.push_back("");
    broken.push_back("xof 0303txt 0032\n");
    broken.push_back("xof 0303txt 0032\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,5;; }");
    broken.push_back("xof 0303txt 0032\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 2;0,1;; }");
    broken.push_back("xof 0303txt 0032\nMesh { 2147483648; 0;0;0;; }");
    broken.push_back("xof 0303txt 0032\nMesh { 4294967295; 0;0;0;; }");
    broken.push_back("xof 0303txt 0032\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1000000; 3;0,1,2;; }");
    broken.push_back("xof 0303txt 0032\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; "
                     "MeshMaterialList { 1; 1; 3; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } } }");
    broken.push_back("xof 0303txt 0032\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; "
                     "MeshMaterialList { 1; 1; 0; { Missing } } }");
    broken.push_back("xof 0303txt 0032\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; "
                     "MeshNormals { 1; 0;0;1;; 1; 3;0,0,1;; } }");
    broken.push_back("xof 0303txt 0032\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; "
                     "MeshTextureCoords { 2; 0;0;, 1;1;; } }");
    broken.push_back("xof 0303txt 0032\nMesh { 3; 0;0;x;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }");
    broken.push_back("xof 0303txt 0032\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; \"open }");
    broken.push_back("xof 0303txt 0032\n" + std::string(200, '{'));
    std::string deep = "xof 0303txt 0032\n";
    for (int i = 0; i < 200; ++i)
        deep += "Frame {";
    broken.push_back(deep);
    const std::string whole = datagen::EncodeXFile(cube);
    for (size_t length = 0; length + 1 < whole.size(); length += 7)
        broken.push_back(whole.substr(0, length));

    for (const std::string& text : broken) {
        XMeshData mesh;
        std::string error;
        EXPECT_FALSE(Read(text, mesh, error)) << text.substr(0, 120);
        EXPECT_FALSE(error.empty());
        EXPECT_TRUE(mesh.vertices.empty());
    }
}

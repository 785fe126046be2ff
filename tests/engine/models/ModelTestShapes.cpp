#include "ModelTestShapes.h"

using namespace datagen;

namespace {

// Quads of the unit cube (corner i: bit 0 = +x, bit 1 = +y, bit 2 = +z),
// counter-clockwise as seen from outside: -z, +z, -x, +x, -y, +y.
constexpr uint16_t CUBE_QUADS[6][4] = {{0, 1, 3, 2}, {4, 6, 7, 5}, {4, 0, 2, 6},
                                       {1, 5, 7, 3}, {4, 5, 1, 0}, {2, 3, 7, 6}};
constexpr float CUBE_NORMALS[6][3] = {{0, 0, -1}, {0, 0, 1}, {-1, 0, 0}, {1, 0, 0}, {0, -1, 0}, {0, 1, 0}};

Float3 CubeCorner(int i, float size, Float3 centre)
{
    const float h = size * 0.5f;
    return {centre.x + ((i & 1) ? h : -h), centre.y + ((i & 2) ? h : -h), centre.z + ((i & 4) ? h : -h)};
}

} // namespace

QvxMesh QvxCube(float size, Float3 centre)
{
    QvxMesh mesh;
    for (int i = 0; i < 8; ++i)
        mesh.positions.push_back(CubeCorner(i, size, centre));
    for (const auto& q : CUBE_QUADS) {
        mesh.faces.push_back({q[0], q[1], q[2]});
        mesh.faces.push_back({q[0], q[2], q[3]});
    }
    return mesh;
}

Md2Model Md2TestTriangle(int frames)
{
    Md2Model model;
    model.texCoords = {{0, 0}, {128, 0}, {64, 100}};
    datagen::Md2Triangle triangle;
    triangle.vertex[0] = 0;
    triangle.vertex[1] = 1;
    triangle.vertex[2] = 2;
    triangle.texCoord[0] = 0;
    triangle.texCoord[1] = 1;
    triangle.texCoord[2] = 2;
    model.triangles.push_back(triangle);
    for (int f = 0; f < frames; ++f) {
        // (-1,-1,0), (1,-1,0), (0,1,0) in steps of 0.01, moved by f along x.
        Md2Frame frame;
        frame.scale[0] = frame.scale[1] = frame.scale[2] = 0.01f;
        frame.translate[0] = -1.0f + float(f);
        frame.translate[1] = -1.0f;
        frame.translate[2] = 0.0f;
        frame.name = "frame" + std::to_string(f);
        frame.vertices = {{0, 0, 0, 7}, {200, 0, 0, 7}, {100, 200, 0, 7}};
        model.frames.push_back(frame);
    }
    return model;
}

XMesh XCube()
{
    XMesh mesh;
    mesh.name = "Cube";
    for (int i = 0; i < 8; ++i)
        mesh.positions.push_back(CubeCorner(i, 1.0f, {}));
    for (int f = 0; f < 6; ++f) {
        const auto& q = CUBE_QUADS[f];
        mesh.faces.push_back({q[3], q[2], q[1], q[0]});
        mesh.normals.push_back({CUBE_NORMALS[f][0], CUBE_NORMALS[f][1], CUBE_NORMALS[f][2]});
        mesh.normalFaces.push_back({uint32_t(f), uint32_t(f), uint32_t(f), uint32_t(f)});
    }
    mesh.faceMaterials = {0, 0, 0, 0, 0, 1};
    mesh.materials = {XColour(1, 1, 1, 1), XColour(0, 1, 0, 0.5f)};
    return mesh;
}

XMesh XQuad(float x0, float y0, float x1, float y1, float z)
{
    XMesh mesh;
    mesh.positions = {{x0, y0, z}, {x0, y1, z}, {x1, y1, z}, {x1, y0, z}};
    mesh.faces = {{0, 1, 2, 3}};
    return mesh;
}

XMaterial XColour(float r, float g, float b, float a)
{
    XMaterial m;
    m.faceColor[0] = r;
    m.faceColor[1] = g;
    m.faceColor[2] = b;
    m.faceColor[3] = a;
    return m;
}

#include "datagen/MeshBuilder.h"

#include <algorithm>
#include <cmath>

namespace datagen {

namespace {

constexpr float PI = 3.14159265f;

Float3 Add(Float3 a, Float3 b)
{
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
Float3 Sub(Float3 a, Float3 b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
Float3 Scale(Float3 a, float s)
{
    return {a.x * s, a.y * s, a.z * s};
}
Float3 Cross(Float3 a, Float3 b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
float Dot(Float3 a, Float3 b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
Float3 Normalise(Float3 a)
{
    const float length = std::sqrt(Dot(a, a));
    return length > 0.0f ? Scale(a, 1.0f / length) : Float3{0.0f, 1.0f, 0.0f};
}
Float2 Lerp(const UvRect& r, float s, float t)
{
    return {r.u0 + (r.u1 - r.u0) * s, r.v0 + (r.v1 - r.v0) * t};
}

} // namespace

uint16_t MeshBuilder::AddVertex(Float3 p, Float3 n, Float2 uv)
{
    positions.push_back(p);
    normals.push_back(n);
    texCoords.push_back(uv);
    return static_cast<uint16_t>(positions.size() - 1);
}

void MeshBuilder::AddOutward(uint16_t a, uint16_t b, uint16_t c, Float3 inside)
{
    const Float3 pa = positions[a], pb = positions[b], pc = positions[c];
    const Float3 n = Cross(Sub(pb, pa), Sub(pc, pa));
    if (Dot(n, n) < 1e-14f)
        return;
    const Float3 middle = Scale(Add(Add(pa, pb), pc), 1.0f / 3.0f);
    if (Dot(n, Sub(middle, inside)) < 0.0f)
        std::swap(b, c);
    triangles.push_back({a, b, c});
}

void MeshBuilder::AddBox(Float3 centre, Float3 size, UvRect uv)
{
    const Float3 h = Scale(size, 0.5f);
    // Each face: outward normal, then two in-face axes.
    const Float3 faces[6][3] = {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {{-1, 0, 0}, {0, 0, 1}, {0, 1, 0}},
                                {{0, 1, 0}, {0, 0, 1}, {1, 0, 0}}, {{0, -1, 0}, {1, 0, 0}, {0, 0, 1}},
                                {{0, 0, 1}, {1, 0, 0}, {0, 1, 0}}, {{0, 0, -1}, {0, 1, 0}, {1, 0, 0}}};
    for (const auto& f : faces) {
        const Float3 n = f[0];
        const Float3 c = Add(centre, {n.x * h.x, n.y * h.y, n.z * h.z});
        const Float3 u = {f[1].x * h.x, f[1].y * h.y, f[1].z * h.z};
        const Float3 v = {f[2].x * h.x, f[2].y * h.y, f[2].z * h.z};
        const uint16_t a = AddVertex(Sub(Sub(c, u), v), n, Lerp(uv, 0, 1));
        const uint16_t b = AddVertex(Sub(Add(c, u), v), n, Lerp(uv, 1, 1));
        const uint16_t d = AddVertex(Add(Add(c, u), v), n, Lerp(uv, 1, 0));
        const uint16_t e = AddVertex(Add(Sub(c, u), v), n, Lerp(uv, 0, 0));
        AddOutward(a, b, d, centre);
        AddOutward(a, d, e, centre);
    }
}

void MeshBuilder::AddBeam(Float3 a, Float3 b, float thickness, UvRect uv)
{
    const Float3 axis = Sub(b, a);
    const Float3 along = Normalise(axis);
    const Float3 helper = std::fabs(along.y) < 0.9f ? Float3{0, 1, 0} : Float3{1, 0, 0};
    const Float3 side = Scale(Normalise(Cross(helper, along)), thickness * 0.5f);
    const Float3 up = Scale(Normalise(Cross(along, side)), thickness * 0.5f);
    const Float3 centre = Scale(Add(a, b), 0.5f);
    const Float3 ring[4] = {Add(side, up), Sub(side, up), Scale(Add(side, up), -1.0f), Sub(up, side)};
    for (int i = 0; i < 4; ++i) {
        const Float3 r0 = ring[i], r1 = ring[(i + 1) % 4];
        const Float3 n = Normalise(Add(r0, r1));
        const uint16_t p0 = AddVertex(Add(a, r0), n, Lerp(uv, 0, 1));
        const uint16_t p1 = AddVertex(Add(a, r1), n, Lerp(uv, 1, 1));
        const uint16_t p2 = AddVertex(Add(b, r1), n, Lerp(uv, 1, 0));
        const uint16_t p3 = AddVertex(Add(b, r0), n, Lerp(uv, 0, 0));
        AddOutward(p0, p1, p2, centre);
        AddOutward(p0, p2, p3, centre);
    }
    for (int end = 0; end < 2; ++end) {
        const Float3 base = end ? b : a;
        const Float3 n = end ? along : Scale(along, -1.0f);
        uint16_t corner[4];
        for (int i = 0; i < 4; ++i)
            corner[i] = AddVertex(Add(base, ring[i]), n, Lerp(uv, i == 1 || i == 2, i >= 2));
        AddOutward(corner[0], corner[1], corner[2], centre);
        AddOutward(corner[0], corner[2], corner[3], centre);
    }
}

void MeshBuilder::AddCylinderX(Float3 centre, float radius, float width, int segments, UvRect side, UvRect caps)
{
    const float hw = width * 0.5f;
    for (int i = 0; i < segments; ++i) {
        const float a0 = 2.0f * PI * i / segments, a1 = 2.0f * PI * (i + 1) / segments;
        const Float3 n0 = {0, std::cos(a0), std::sin(a0)}, n1 = {0, std::cos(a1), std::sin(a1)};
        const float s0 = static_cast<float>(i) / segments, s1 = static_cast<float>(i + 1) / segments;
        const uint16_t p0 = AddVertex(Add(centre, {-hw, radius * n0.y, radius * n0.z}), n0, Lerp(side, s0, 0));
        const uint16_t p1 = AddVertex(Add(centre, {-hw, radius * n1.y, radius * n1.z}), n1, Lerp(side, s1, 0));
        const uint16_t p2 = AddVertex(Add(centre, {hw, radius * n1.y, radius * n1.z}), n1, Lerp(side, s1, 1));
        const uint16_t p3 = AddVertex(Add(centre, {hw, radius * n0.y, radius * n0.z}), n0, Lerp(side, s0, 1));
        AddOutward(p0, p1, p2, centre);
        AddOutward(p0, p2, p3, centre);
    }
    for (int end = 0; end < 2; ++end) {
        const float x = end ? hw : -hw;
        const Float3 n = {end ? 1.0f : -1.0f, 0, 0};
        const uint16_t middle = AddVertex(Add(centre, {x, 0, 0}), n, Lerp(caps, 0.5f, 0.5f));
        for (int i = 0; i < segments; ++i) {
            const float a0 = 2.0f * PI * i / segments, a1 = 2.0f * PI * (i + 1) / segments;
            const uint16_t p0 = AddVertex(Add(centre, {x, radius * std::cos(a0), radius * std::sin(a0)}), n,
                                          Lerp(caps, 0.5f + 0.5f * std::cos(a0), 0.5f + 0.5f * std::sin(a0)));
            const uint16_t p1 = AddVertex(Add(centre, {x, radius * std::cos(a1), radius * std::sin(a1)}), n,
                                          Lerp(caps, 0.5f + 0.5f * std::cos(a1), 0.5f + 0.5f * std::sin(a1)));
            AddOutward(middle, p0, p1, centre);
        }
    }
}

void MeshBuilder::AddEllipsoid(Float3 centre, Float3 radii, int rings, int segments, UvRect uv)
{
    const auto first = static_cast<uint16_t>(positions.size());
    for (int j = 0; j <= rings; ++j) {
        const float theta = PI * j / rings;
        for (int i = 0; i <= segments; ++i) {
            const float phi = 2.0f * PI * i / segments;
            const Float3 unit = {std::sin(theta) * std::cos(phi), std::cos(theta), std::sin(theta) * std::sin(phi)};
            const Float3 n = Normalise({unit.x / radii.x, unit.y / radii.y, unit.z / radii.z});
            AddVertex(Add(centre, {unit.x * radii.x, unit.y * radii.y, unit.z * radii.z}), n,
                      Lerp(uv, static_cast<float>(i) / segments, static_cast<float>(j) / rings));
        }
    }
    const int row = segments + 1;
    for (int j = 0; j < rings; ++j)
        for (int i = 0; i < segments; ++i) {
            const auto a = static_cast<uint16_t>(first + j * row + i);
            const auto b = static_cast<uint16_t>(a + 1);
            const auto c = static_cast<uint16_t>(a + row);
            const auto d = static_cast<uint16_t>(c + 1);
            AddOutward(a, b, d, centre);
            AddOutward(a, d, c, centre);
        }
}

void MeshBuilder::RotateZ(float angle, Float3 pivot)
{
    const float c = std::cos(angle), s = std::sin(angle);
    auto turn = [&](Float3 v) { return Float3{v.x * c + v.y * s, -v.x * s + v.y * c, v.z}; };
    for (Float3& p : positions)
        p = Add(turn(Sub(p, pivot)), pivot);
    for (Float3& n : normals)
        n = turn(n);
}

void MeshBuilder::Bounds(Float3& low, Float3& high) const
{
    low = high = positions.empty() ? Float3{} : positions[0];
    for (const Float3& p : positions) {
        low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
        high = {std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
    }
}

void MeshBuilder::Translate(Float3 offset)
{
    for (Float3& p : positions)
        p = Add(p, offset);
}

Float3 MeshBuilder::Recentre()
{
    Float3 low, high;
    Bounds(low, high);
    const Float3 offset = Scale(Add(low, high), -0.5f);
    Translate(offset);
    return offset;
}

void MeshBuilder::FitTo(Float3 size)
{
    Recentre();
    Float3 low, high;
    Bounds(low, high);
    const Float3 scale = {high.x > low.x ? size.x / (high.x - low.x) : 1.0f,
                          high.y > low.y ? size.y / (high.y - low.y) : 1.0f,
                          high.z > low.z ? size.z / (high.z - low.z) : 1.0f};
    for (Float3& p : positions)
        p = {p.x * scale.x, p.y * scale.y, p.z * scale.z};
    // Normals take the inverse scale.
    for (Float3& n : normals)
        n = Normalise({n.x / scale.x, n.y / scale.y, n.z / scale.z});
    Recentre();
}

QvxMesh MeshBuilder::ToQvx() const
{
    QvxMesh mesh;
    mesh.positions = positions;
    mesh.texCoords = texCoords;
    for (const Triangle16& t : triangles)
        mesh.faces.push_back({t.a, t.c, t.b});
    mesh.texFaces = mesh.faces;
    return mesh;
}

XMesh MeshBuilder::ToXMesh(const char* name, const XMaterial& material) const
{
    XMesh mesh;
    mesh.name = name;
    mesh.positions = positions;
    mesh.normals = normals;
    mesh.texCoords = texCoords;
    for (const Triangle16& t : triangles)
        mesh.faces.push_back({t.a, t.b, t.c});
    mesh.faceMaterials.assign(mesh.faces.size(), 0);
    mesh.materials.push_back(material);
    return mesh;
}

} // namespace datagen

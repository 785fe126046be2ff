#include "engine/models/QvxReader.h"

#include "backend/math/Vector.h"
#include "engine/models/ByteReader.h"
#include "engine/platform/BoundingBox.h"
#include "engine/platform/MathUtil.h"

#include <algorithm>
#include <array>
#include <cstring>

using backend::Vector3;

namespace {

constexpr char MAGIC[10] = {'Q', 'V', 'X', '3', 'D', '1', '0', '0', '0', '0'};

using Face = std::array<uint16_t, 3>;

struct MeshRecord {
    std::vector<Vector3> positions;
    std::vector<Face> faces;
    std::vector<backend::Vector2> texCoords;
    std::vector<Face> texFaces;
};

// A count from the file: below 1 is an empty list; more elements than the
// bytes left could hold is a broken file.
bool ReadCount(ByteReader& in, size_t elementSize, size_t& count)
{
    int32_t value = 0;
    if (!in.I32(value))
        return false;
    count = value < 1 ? 0 : size_t(value);
    return count <= in.Remaining() / elementSize;
}

bool ReadFaces(ByteReader& in, std::vector<Face>& faces)
{
    size_t count = 0;
    if (!ReadCount(in, 6, count))
        return false;
    faces.resize(count);
    for (Face& f : faces) {
        if (!in.U16(f[0]) || !in.U16(f[1]) || !in.U16(f[2]))
            return false;
    }
    return true;
}

bool ReadMesh(ByteReader& in, MeshRecord& mesh)
{
    size_t count = 0;
    if (!ReadCount(in, 12, count) || count > QVX_MAX_VERTICES)
        return false;
    mesh.positions.resize(count);
    for (Vector3& p : mesh.positions) {
        if (!in.F32(p.x) || !in.F32(p.y) || !in.F32(p.z))
            return false;
    }
    if (!ReadFaces(in, mesh.faces))
        return false;
    if (!ReadCount(in, 8, count))
        return false;
    mesh.texCoords.resize(count);
    for (backend::Vector2& t : mesh.texCoords) {
        if (!in.F32(t.x) || !in.F32(t.y))
            return false;
    }
    return ReadFaces(in, mesh.texFaces);
}

bool IndicesValid(const MeshRecord& mesh)
{
    const size_t positions = mesh.positions.size();
    for (const Face& f : mesh.faces) {
        if (f[0] >= positions || f[1] >= positions || f[2] >= positions)
            return false;
    }
    if (mesh.texCoords.empty())
        return true;
    if (mesh.texFaces.size() < mesh.faces.size())
        return false;
    const size_t texCoords = mesh.texCoords.size();
    for (size_t i = 0; i < mesh.faces.size(); ++i) {
        const Face& f = mesh.texFaces[i];
        if (f[0] >= texCoords || f[1] >= texCoords || f[2] >= texCoords)
            return false;
    }
    return true;
}

std::vector<Vector3> SmoothNormals(const MeshRecord& mesh)
{
    std::vector<Vector3> sums(mesh.positions.size());
    std::vector<uint32_t> uses(mesh.positions.size(), 0);
    for (const Face& f : mesh.faces) {
        // Counter-clockwise front faces: this order points the normal outwards.
        Vector3 normal;
        ComputeTriangleNormal(&normal, &mesh.positions[f[1]], &mesh.positions[f[0]], &mesh.positions[f[2]]);
        for (uint16_t corner : f) {
            sums[corner] += normal;
            ++uses[corner];
        }
    }
    for (size_t i = 0; i < sums.size(); ++i) {
        if (uses[i] == 0) {
            sums[i] = Vector3{};
            continue;
        }
        Vector3 average = sums[i] / float(uses[i]);
        backend::Vec3Normalize(&sums[i], &average);
    }
    return sums;
}

bool SameVertex(const QvxVertex& a, const QvxVertex& b)
{
    return a.x == b.x && a.y == b.y && a.z == b.z && a.nx == b.nx && a.ny == b.ny && a.nz == b.nz && a.u0 == b.u0 &&
           a.v0 == b.v0 && a.u1 == b.u1 && a.v1 == b.v1;
}

// Slot p first stands for position p; a later corner of p reuses the first
// exactly equal vertex from slot p on, or is appended.
bool WeldMesh(const MeshRecord& record, QvxMesh& mesh)
{
    const std::vector<Vector3> normals = SmoothNormals(record);
    mesh.vertices.assign(record.positions.size(), QvxVertex{});
    mesh.indices.clear();
    mesh.indices.reserve(record.faces.size() * 3);
    std::vector<bool> seen(record.positions.size(), false);
    for (size_t face = 0; face < record.faces.size(); ++face) {
        for (int corner = 0; corner < 3; ++corner) {
            const uint16_t p = record.faces[face][size_t(corner)];
            QvxVertex v;
            v.x = record.positions[p].x;
            v.y = record.positions[p].y;
            v.z = record.positions[p].z;
            v.nx = normals[p].x;
            v.ny = normals[p].y;
            v.nz = normals[p].z;
            if (!record.texCoords.empty()) {
                const backend::Vector2& uv = record.texCoords[record.texFaces[face][size_t(corner)]];
                v.u0 = v.u1 = uv.x;
                v.v0 = v.v1 = uv.y;
            }
            size_t index = p;
            if (!seen[p]) {
                seen[p] = true;
                mesh.vertices[p] = v;
            } else {
                while (index < mesh.vertices.size() && !SameVertex(mesh.vertices[index], v))
                    ++index;
                if (index == mesh.vertices.size()) {
                    if (mesh.vertices.size() >= QVX_MAX_VERTICES)
                        return false;
                    mesh.vertices.push_back(v);
                }
            }
            mesh.indices.push_back(uint16_t(index));
        }
    }
    mesh.triangleCount = int32_t(record.faces.size());
    return true;
}

void FrameBox(QvxFrame& frame)
{
    BoundingBox box;
    bool first = true;
    for (const QvxMesh& mesh : frame.meshes) {
        for (const QvxVertex& v : mesh.vertices) {
            if (first) {
                box.min = box.max = Vector3{v.x, v.y, v.z};
                first = false;
                continue;
            }
            box.min = Vector3{std::min(box.min.x, v.x), std::min(box.min.y, v.y), std::min(box.min.z, v.z)};
            box.max = Vector3{std::max(box.max.x, v.x), std::max(box.max.y, v.y), std::max(box.max.z, v.z)};
        }
    }
    box.GetCorners(&frame.corners);
}

} // namespace

QvxReadResult ReadQvx(const uint8_t* data, size_t size, std::vector<QvxFrame>& frames)
{
    frames.clear();
    ByteReader in(data, size);
    char magic[sizeof(MAGIC)];
    if (!in.Bytes(magic, sizeof(magic)) || std::memcmp(magic, MAGIC, sizeof(MAGIC)) != 0)
        return QvxReadResult::BadMagic;

    // The whole file is read before anything is built from it.
    size_t frameCount = 0;
    if (!ReadCount(in, 4, frameCount))
        return QvxReadResult::Corrupted;
    std::vector<std::vector<MeshRecord>> records(frameCount);
    for (std::vector<MeshRecord>& meshes : records) {
        size_t meshCount = 0;
        if (!ReadCount(in, 16, meshCount))
            return QvxReadResult::Corrupted;
        meshes.resize(meshCount);
        for (MeshRecord& mesh : meshes) {
            if (!ReadMesh(in, mesh) || !IndicesValid(mesh))
                return QvxReadResult::Corrupted;
        }
    }
    // Nothing follows the last mesh; left-over bytes mean a count was wrong.
    if (in.Remaining() != 0)
        return QvxReadResult::Corrupted;

    std::vector<QvxFrame> built(frameCount);
    for (size_t f = 0; f < frameCount; ++f) {
        built[f].meshes.resize(records[f].size());
        for (size_t m = 0; m < records[f].size(); ++m) {
            if (!WeldMesh(records[f][m], built[f].meshes[m]))
                return QvxReadResult::Corrupted;
        }
        FrameBox(built[f]);
    }
    frames = std::move(built);
    return QvxReadResult::Ok;
}

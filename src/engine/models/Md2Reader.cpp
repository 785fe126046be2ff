#include "engine/models/Md2Reader.h"

#include "backend/math/Vector.h"
#include "engine/models/ByteReader.h"
#include "engine/platform/BoundingBox.h"
#include "engine/platform/MathUtil.h"

#include <algorithm>

using backend::Vector3;

namespace {

constexpr size_t SKIN_NAME_SIZE = 64;

struct Header {
    int32_t frameSize = 0;
    int32_t numSkins = 0;
    int32_t numVertices = 0;
    int32_t numTexCoords = 0;
    int32_t numTriangles = 0;
    int32_t numFrames = 0;
};

// Corners in drawing order: corner k holds the file's corner 2 - k.
struct Triangle {
    int32_t vertex[3] = {};
    float u[3] = {};
    float v[3] = {};
};

bool ReadHeader(ByteReader& in, Header& h)
{
    int32_t values[17];
    for (int32_t& value : values) {
        if (!in.I32(value))
            return false;
    }
    h.frameSize = values[4];
    h.numSkins = values[5];
    h.numVertices = values[6];
    h.numTexCoords = values[7];
    h.numTriangles = values[8];
    h.numFrames = values[10];
    return h.numSkins >= 0 && h.numSkins <= MD2_MAX_SKINS && h.numTexCoords >= 0 &&
           h.numTexCoords <= MD2_MAX_TEXCOORDS && h.numVertices >= 0 && h.numVertices <= MD2_MAX_VERTICES &&
           h.numFrames >= 0 && h.numFrames <= MD2_MAX_FRAMES && h.numTriangles >= 0 &&
           h.numTriangles <= MD2_MAX_TRIANGLES && h.frameSize >= MD2_FRAME_HEADER_SIZE + 4 * h.numVertices &&
           h.frameSize <= MD2_FRAME_HEADER_SIZE + 4 * MD2_MAX_VERTICES;
}

bool ReadTriangles(ByteReader& in, const Header& h, const std::vector<int16_t>& texCoords,
                   std::vector<Triangle>& triangles)
{
    if (size_t(h.numTriangles) > in.Remaining() / 12)
        return false;
    triangles.resize(size_t(h.numTriangles));
    float maxS = 0.0f, maxT = 0.0f;
    for (Triangle& t : triangles) {
        int16_t vertex[3], st[3];
        for (int16_t& value : vertex) {
            if (!in.I16(value))
                return false;
        }
        for (int16_t& value : st) {
            if (!in.I16(value))
                return false;
        }
        for (int k = 0; k < 3; ++k) {
            const int16_t v = vertex[2 - k], s = st[2 - k];
            if (v < 0 || v >= h.numVertices || s < 0 || s >= h.numTexCoords)
                return false;
            t.vertex[k] = v;
            t.u[k] = float(texCoords[size_t(s) * 2]);
            t.v[k] = float(texCoords[size_t(s) * 2 + 1]);
            maxS = std::max(maxS, t.u[k]);
            maxT = std::max(maxT, t.v[k]);
        }
    }
    // Coordinates are scaled by the largest ones used; with none above zero
    // they stay as they are.
    if (maxS <= 0.0f)
        maxS = 1.0f;
    if (maxT <= 0.0f)
        maxT = 1.0f;
    for (Triangle& t : triangles) {
        for (int k = 0; k < 3; ++k) {
            t.u[k] /= maxS;
            t.v[k] /= maxT;
        }
    }
    return true;
}

bool ReadPositions(ByteReader& in, const Header& h, std::vector<Vector3>& positions)
{
    float scale[3], translate[3];
    for (float& value : scale) {
        if (!in.F32(value))
            return false;
    }
    for (float& value : translate) {
        if (!in.F32(value))
            return false;
    }
    if (!in.Skip(16))
        return false;
    positions.resize(size_t(h.numVertices));
    for (Vector3& p : positions) {
        uint8_t bytes[4];
        if (!in.Bytes(bytes, 4))
            return false;
        p = Vector3{bytes[0] * scale[0] + translate[0], bytes[1] * scale[1] + translate[1],
                    bytes[2] * scale[2] + translate[2]};
    }
    return in.Skip(size_t(h.frameSize - MD2_FRAME_HEADER_SIZE - 4 * h.numVertices));
}

void BuildFrame(const std::vector<Vector3>& positions, const std::vector<Triangle>& triangles, Md2Frame& frame)
{
    std::vector<Vector3> normals(positions.size());
    std::vector<uint32_t> uses(positions.size(), 0);
    for (const Triangle& t : triangles) {
        // The stored corners run clockwise as seen from the front; this order
        // points the normal to that side.
        Vector3 normal;
        ComputeTriangleNormal(&normal, &positions[size_t(t.vertex[0])], &positions[size_t(t.vertex[1])],
                              &positions[size_t(t.vertex[2])]);
        for (int32_t index : t.vertex) {
            normals[size_t(index)] += normal;
            ++uses[size_t(index)];
        }
    }
    for (size_t i = 0; i < normals.size(); ++i) {
        if (uses[i] == 0)
            continue;
        Vector3 average = normals[i] / float(uses[i]);
        backend::Vec3Normalize(&normals[i], &average);
    }

    frame.vertices.clear();
    frame.vertices.reserve(triangles.size() * 3);
    BoundingBox box;
    for (const Triangle& t : triangles) {
        for (int k = 0; k < 3; ++k) {
            const Vector3& p = positions[size_t(t.vertex[k])];
            const Vector3& n = normals[size_t(t.vertex[k])];
            frame.vertices.push_back(Md2Vertex{p.x, p.y, p.z, n.x, n.y, n.z, t.u[k], t.v[k]});
            if (frame.vertices.size() == 1) {
                box.min = box.max = p;
            } else {
                box.min = Vector3{std::min(box.min.x, p.x), std::min(box.min.y, p.y), std::min(box.min.z, p.z)};
                box.max = Vector3{std::max(box.max.x, p.x), std::max(box.max.y, p.y), std::max(box.max.z, p.z)};
            }
        }
    }
    box.GetCorners(&frame.corners);
}

} // namespace

bool ReadMd2(const uint8_t* data, size_t size, std::vector<Md2Frame>& frames, int32_t& frameCount,
             int32_t& triangleCount)
{
    frameCount = 0;
    triangleCount = 0;
    if (frames.size() < size_t(MD2_MAX_FRAMES))
        return false;
    ByteReader in(data, size);
    Header h;
    if (!ReadHeader(in, h) || !in.Skip(SKIN_NAME_SIZE * size_t(h.numSkins)))
        return false;

    std::vector<int16_t> texCoords(size_t(h.numTexCoords) * 2);
    for (int16_t& value : texCoords) {
        if (!in.I16(value))
            return false;
    }
    std::vector<Triangle> triangles;
    if (!ReadTriangles(in, h, texCoords, triangles))
        return false;
    if (size_t(h.numFrames) > in.Remaining() / size_t(h.frameSize))
        return false;

    std::vector<std::vector<Vector3>> positions(size_t(h.numFrames));
    for (std::vector<Vector3>& framePositions : positions) {
        if (!ReadPositions(in, h, framePositions))
            return false;
    }
    for (size_t f = 0; f < positions.size(); ++f)
        BuildFrame(positions[f], triangles, frames[f]);
    frameCount = h.numFrames;
    triangleCount = h.numTriangles;
    return true;
}

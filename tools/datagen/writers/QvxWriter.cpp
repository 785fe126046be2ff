#include "datagen/writers/QvxWriter.h"

#include "datagen/writers/ByteWriter.h"
#include "datagen/writers/FileWriter.h"

namespace datagen {

namespace {

void PutTriangles(ByteWriter& out, const std::vector<Triangle16>& triangles)
{
    for (const Triangle16& t : triangles) {
        out.U16(t.a);
        out.U16(t.b);
        out.U16(t.c);
    }
}

} // namespace

std::vector<uint8_t> EncodeQvx(const std::vector<QvxFrame>& frames, const QvxFaults& faults)
{
    ByteWriter out;
    out.Text(faults.badMagic ? "QVX3D20000" : "QVX3D10000");
    out.I32(faults.frameCount.value_or(static_cast<int32_t>(frames.size())));
    bool first = true;
    for (const QvxFrame& frame : frames) {
        out.I32(static_cast<int32_t>(frame.meshes.size()));
        for (const QvxMesh& mesh : frame.meshes) {
            int32_t positionCount = static_cast<int32_t>(mesh.positions.size());
            int32_t faceCount = static_cast<int32_t>(mesh.faces.size());
            if (first) {
                positionCount = faults.firstPositionCount.value_or(positionCount);
                faceCount = faults.firstFaceCount.value_or(faceCount);
                first = false;
            }
            out.I32(positionCount);
            for (const Float3& p : mesh.positions) {
                out.F32(p.x);
                out.F32(p.y);
                out.F32(p.z);
            }
            out.I32(faceCount);
            PutTriangles(out, mesh.faces);
            out.I32(static_cast<int32_t>(mesh.texCoords.size()));
            for (const Float2& t : mesh.texCoords) {
                out.F32(t.u);
                out.F32(t.v);
            }
            out.I32(static_cast<int32_t>(mesh.texFaces.size()));
            PutTriangles(out, mesh.texFaces);
        }
    }
    out.TruncateTo(faults.truncateTo);
    return out.bytes;
}

bool WriteQvx(const std::string& path, const std::vector<QvxFrame>& frames)
{
    return WriteFileBytes(path, EncodeQvx(frames));
}

} // namespace datagen

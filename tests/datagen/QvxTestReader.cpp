#include "QvxTestReader.h"
#include "DatagenTestKit.h"

#include <cstring>

namespace datagen_test {

namespace {

struct Cursor {
    const std::vector<uint8_t>& bytes;
    size_t at = 0;

    bool Take(void* out, size_t size)
    {
        if (bytes.size() - at < size)
            return false;
        std::memcpy(out, bytes.data() + at, size);
        at += size;
        return true;
    }
    bool Count(int32_t& n) { return Take(&n, 4) && n >= 0; }
};

// A count, then that many items; false when fewer bytes are left.
template <typename T> bool TakeArray(Cursor& in, std::vector<T>& out)
{
    int32_t n;
    if (!in.Count(n) || in.bytes.size() - in.at < size_t(n) * sizeof(T))
        return false;
    out.resize(size_t(n));
    for (T& item : out)
        in.Take(&item, sizeof item);
    return true;
}

// Triangles whose corners all index one of `limit` items.
bool TakeTriangles(Cursor& in, std::vector<datagen::Triangle16>& out, size_t limit)
{
    if (!TakeArray(in, out))
        return false;
    for (const datagen::Triangle16& t : out)
        if (t.a >= limit || t.b >= limit || t.c >= limit)
            return false;
    return true;
}

} // namespace

bool ReadQvx(const std::vector<uint8_t>& bytes, std::vector<datagen::QvxFrame>& frames, std::string& error)
{
    Cursor in{bytes};
    char magic[10];
    if (!in.Take(magic, 10) || std::memcmp(magic, "QVX3D10000", 10) != 0) {
        error = "bad magic";
        return false;
    }
    int32_t frameCount;
    if (!in.Count(frameCount)) {
        error = "bad frame count";
        return false;
    }
    frames.assign(size_t(frameCount), {});
    for (auto& frame : frames) {
        int32_t meshCount;
        if (!in.Count(meshCount)) {
            error = "bad mesh count";
            return false;
        }
        frame.meshes.assign(size_t(meshCount), {});
        for (auto& mesh : frame.meshes) {
            const char* problem = !TakeArray(in, mesh.positions)                          ? "bad position count"
                                  : !TakeTriangles(in, mesh.faces, mesh.positions.size()) ? "bad faces"
                                  : !TakeArray(in, mesh.texCoords) ? "bad texture coordinate count"
                                  : !TakeTriangles(in, mesh.texFaces, mesh.texCoords.size()) ? "bad texture faces"
                                                                                             : nullptr;
            if (problem != nullptr) {
                error = problem;
                return false;
            }
        }
    }
    if (in.at != bytes.size()) {
        error = "bytes after the last mesh";
        return false;
    }
    return true;
}

double QvxSignedVolume(const datagen::QvxMesh& mesh)
{
    // Counter-clockwise fronts: (a, c, b) is the clockwise order.
    std::vector<uint16_t> corners;
    for (const datagen::Triangle16& f : mesh.faces)
        corners.insert(corners.end(), {f.a, f.c, f.b});
    return SignedVolume(mesh.positions, corners);
}

} // namespace datagen_test

#include "QvxTestReader.h"

#include <cstring>
#include <fstream>
#include <iterator>

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

bool ReadTriangles(Cursor& in, int32_t count, std::vector<datagen::Triangle16>& out, size_t limit)
{
    out.resize(size_t(count));
    for (auto& t : out) {
        if (!in.Take(&t.a, 2) || !in.Take(&t.b, 2) || !in.Take(&t.c, 2))
            return false;
        if (t.a >= limit || t.b >= limit || t.c >= limit)
            return false;
    }
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
            int32_t n;
            if (!in.Count(n) || bytes.size() - in.at < size_t(n) * 12) {
                error = "bad position count";
                return false;
            }
            mesh.positions.resize(size_t(n));
            for (auto& p : mesh.positions)
                in.Take(&p, 12);
            if (!in.Count(n) || !ReadTriangles(in, n, mesh.faces, mesh.positions.size())) {
                error = "bad faces";
                return false;
            }
            if (!in.Count(n) || bytes.size() - in.at < size_t(n) * 8) {
                error = "bad texture coordinate count";
                return false;
            }
            mesh.texCoords.resize(size_t(n));
            for (auto& t : mesh.texCoords)
                in.Take(&t, 8);
            if (!in.Count(n) || !ReadTriangles(in, n, mesh.texFaces, mesh.texCoords.size())) {
                error = "bad texture faces";
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
    double volume = 0.0;
    for (const auto& f : mesh.faces) {
        const auto& a = mesh.positions[f.a];
        const auto& b = mesh.positions[f.b];
        const auto& c = mesh.positions[f.c];
        // Counter-clockwise fronts in a left-handed frame: (a, c, b) is the outward order.
        volume += double(a.x) * (double(c.y) * b.z - double(c.z) * b.y) -
                  double(a.y) * (double(c.x) * b.z - double(c.z) * b.x) +
                  double(a.z) * (double(c.x) * b.y - double(c.y) * b.x);
    }
    return volume;
}

std::vector<uint8_t> ReadFileBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

} // namespace datagen_test

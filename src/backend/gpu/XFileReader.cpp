#include "backend/gpu/XFileReader.h"

#include "backend/files/Files.h"
#include "backend/math/MatrixMath.h"
#include "backend/math/Vector.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <map>
#include <memory>

namespace backend {

namespace {

constexpr int MAX_DEPTH = 64;
constexpr size_t MAX_TEXT = 1024;

enum class TokenKind { End, Name, Number, String, Guid, Open, Close, Comma, Semicolon, Bad };

struct Token {
    TokenKind kind = TokenKind::End;
    std::string_view text;
};

class Tokenizer {
public:
    Tokenizer(const char* source, size_t sourceSize) : text(source), size(sourceSize) {}

    size_t Remaining() const { return size - pos; }

    Token Peek()
    {
        const size_t saved = pos;
        Token t = Next();
        pos = saved;
        return t;
    }

    Token Next()
    {
        SkipSpaceAndComments();
        if (pos >= size)
            return {TokenKind::End, {}};
        const char c = text[pos];
        const size_t start = pos;
        switch (c) {
        case '{':
            ++pos;
            return {TokenKind::Open, {}};
        case '}':
            ++pos;
            return {TokenKind::Close, {}};
        case ',':
            ++pos;
            return {TokenKind::Comma, {}};
        case ';':
            ++pos;
            return {TokenKind::Semicolon, {}};
        case '"': {
            const void* end = std::memchr(text + pos + 1, '"', size - pos - 1);
            if (end == nullptr) {
                pos = size;
                return {TokenKind::Bad, {}};
            }
            const size_t close = size_t(static_cast<const char*>(end) - text);
            pos = close + 1;
            return {TokenKind::String, std::string_view(text + start + 1, close - start - 1)};
        }
        case '<': {
            const void* end = std::memchr(text + pos + 1, '>', size - pos - 1);
            if (end == nullptr) {
                pos = size;
                return {TokenKind::Bad, {}};
            }
            pos = size_t(static_cast<const char*>(end) - text) + 1;
            return {TokenKind::Guid, {}};
        }
        default:
            break;
        }
        if (IsNumberStart(c)) {
            while (pos < size && IsNumberChar(text[pos]))
                ++pos;
            return {TokenKind::Number, std::string_view(text + start, pos - start)};
        }
        if (IsNameChar(c)) {
            while (pos < size && IsNameChar(text[pos]))
                ++pos;
            return {TokenKind::Name, std::string_view(text + start, pos - start)};
        }
        ++pos;
        return {TokenKind::Bad, {}};
    }

private:
    static bool IsNumberStart(char c) { return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.'; }
    static bool IsNumberChar(char c) { return IsNumberStart(c) || c == 'e' || c == 'E'; }
    static bool IsNameChar(char c)
    {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
               c == '.';
    }

    void SkipSpaceAndComments()
    {
        while (pos < size) {
            const char c = text[pos];
            if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
                ++pos;
            } else if (c == '#' || (c == '/' && pos + 1 < size && text[pos + 1] == '/')) {
                while (pos < size && text[pos] != '\n')
                    ++pos;
            } else {
                break;
            }
        }
    }

    const char* text;
    size_t size;
    size_t pos = 0;
};

// A mesh as the file gives it, before triangulation.
struct MeshRecord {
    std::vector<Vector3> positions;
    std::vector<std::vector<uint32_t>> faces;
    std::vector<Vector3> normals;
    std::vector<std::vector<uint32_t>> normalFaces;
    std::vector<Vector2> texCoords;
    bool hasMaterialList = false;
    std::vector<uint32_t> faceMaterials;
    std::vector<XMeshMaterial> materials;
};

struct FrameNode {
    Matrix local;
    std::vector<MeshRecord> meshes;
    std::vector<std::unique_ptr<FrameNode>> children;
    // File order of the two lists: false = next mesh, true = next child.
    std::vector<bool> order;
};

class Parser {
public:
    Parser(const char* text, size_t size) : in(text, size) {}

    bool Parse(FrameNode& root)
    {
        MatrixIdentity(&root.local);
        while (true) {
            const Token t = in.Next();
            if (t.kind == TokenKind::End)
                return true;
            if (t.kind == TokenKind::Comma || t.kind == TokenKind::Semicolon)
                continue;
            if (t.kind == TokenKind::Open) {
                if (!SkipBody(0))
                    return false;
                continue;
            }
            if (t.kind != TokenKind::Name)
                return Fail("unexpected text");
            if (t.text == "template") {
                if (!ExpectObjectStart(nullptr) || !SkipBody(0))
                    return false;
                continue;
            }
            if (!DataObject(t.text, root, 0))
                return false;
        }
    }

    std::string error;

private:
    bool Fail(const char* reason)
    {
        if (error.empty())
            error = reason;
        return false;
    }

    // Reads the optional object name and the opening brace, then an optional GUID.
    bool ExpectObjectStart(std::string* name)
    {
        Token t = in.Next();
        if (t.kind == TokenKind::Name || t.kind == TokenKind::Number) {
            if (name)
                *name = std::string(t.text.substr(0, MAX_TEXT));
            t = in.Next();
        }
        if (t.kind != TokenKind::Open)
            return Fail("missing '{'");
        if (in.Peek().kind == TokenKind::Guid)
            in.Next();
        return true;
    }

    // Skips to the brace that closes the object just opened; anything else
    // inside (template declarations have brackets) is passed over.
    bool SkipBody(int depth)
    {
        int open = 1;
        while (open > 0) {
            const Token t = in.Next();
            if (t.kind == TokenKind::End)
                return Fail("unbalanced braces");
            if (t.kind == TokenKind::Open && ++open + depth > MAX_DEPTH)
                return Fail("objects nested too deeply");
            if (t.kind == TokenKind::Close)
                --open;
        }
        return true;
    }

    Token NextValue()
    {
        Token t = in.Next();
        while (t.kind == TokenKind::Comma || t.kind == TokenKind::Semicolon)
            t = in.Next();
        return t;
    }

    bool Float(float& out)
    {
        const Token t = NextValue();
        if (t.kind != TokenKind::Number)
            return Fail("number expected");
        const char* first = t.text.data();
        if (*first == '+')
            ++first;
        const auto [end, ec] = std::from_chars(first, t.text.data() + t.text.size(), out);
        if (ec != std::errc() || end != t.text.data() + t.text.size())
            return Fail("bad number");
        return true;
    }

    bool Unsigned(uint32_t& out)
    {
        const Token t = NextValue();
        if (t.kind != TokenKind::Number)
            return Fail("count expected");
        const auto [end, ec] = std::from_chars(t.text.data(), t.text.data() + t.text.size(), out);
        if (ec != std::errc() || end != t.text.data() + t.text.size())
            return Fail("bad count");
        return true;
    }

    // A count of items that each take at least `perItem` bytes of the text.
    bool Count(uint32_t& out, size_t perItem)
    {
        if (!Unsigned(out))
            return false;
        if (size_t(out) > in.Remaining() / perItem)
            return Fail("count larger than the file");
        return true;
    }

    bool Vectors(std::vector<Vector3>& out)
    {
        uint32_t count = 0;
        if (!Count(count, 6))
            return false;
        out.resize(count);
        for (Vector3& v : out) {
            if (!Float(v.x) || !Float(v.y) || !Float(v.z))
                return false;
        }
        return true;
    }

    bool Faces(std::vector<std::vector<uint32_t>>& out)
    {
        uint32_t count = 0;
        if (!Count(count, 8))
            return false;
        out.resize(count);
        for (std::vector<uint32_t>& face : out) {
            uint32_t corners = 0;
            if (!Count(corners, 2))
                return false;
            if (corners < 3)
                return Fail("a face has fewer than three corners");
            face.resize(corners);
            for (uint32_t& index : face) {
                if (!Unsigned(index))
                    return false;
            }
        }
        return true;
    }

    // Reads the children of an object up to its closing brace; `child` is
    // called for each data object and returns false on failure.
    template <typename Child> bool Children(int depth, Child child)
    {
        while (true) {
            const Token t = in.Next();
            if (t.kind == TokenKind::Close)
                return true;
            if (t.kind == TokenKind::Comma || t.kind == TokenKind::Semicolon)
                continue;
            if (t.kind == TokenKind::Open) {
                if (!Reference(child))
                    return false;
                continue;
            }
            if (t.kind != TokenKind::Name)
                return Fail(t.kind == TokenKind::End ? "unbalanced braces" : "unexpected text");
            if (depth + 1 > MAX_DEPTH)
                return Fail("objects nested too deeply");
            if (!child(t.text, depth + 1))
                return false;
        }
    }

    // "{ Name }": handed to the child function as a reference.
    template <typename Child> bool Reference(Child& child)
    {
        Token t = in.Next();
        std::string name;
        if (t.kind == TokenKind::Name) {
            name = std::string(t.text.substr(0, MAX_TEXT));
            t = in.Next();
        }
        if (t.kind == TokenKind::Guid)
            t = in.Next();
        if (t.kind != TokenKind::Close)
            return Fail("bad reference");
        reference = name;
        const bool ok = child("{reference}", 0);
        reference.clear();
        return ok;
    }

    bool SkipObject(int depth)
    {
        if (!ExpectObjectStart(nullptr))
            return false;
        return SkipBody(depth);
    }

    bool DataObject(std::string_view type, FrameNode& frame, int depth)
    {
        if (type == "Mesh") {
            frame.meshes.emplace_back();
            frame.order.push_back(false);
            return Mesh(frame.meshes.back(), depth);
        }
        if (type == "Frame") {
            frame.children.push_back(std::make_unique<FrameNode>());
            frame.order.push_back(true);
            return Frame(*frame.children.back(), depth);
        }
        if (type == "Material") {
            XMeshMaterial unused;
            return Material(unused, depth);
        }
        return SkipObject(depth);
    }

    bool Frame(FrameNode& frame, int depth)
    {
        MatrixIdentity(&frame.local);
        if (!ExpectObjectStart(nullptr))
            return false;
        return Children(depth, [&](std::string_view type, int childDepth) {
            if (type == "{reference}")
                return true;
            if (type == "FrameTransformMatrix") {
                if (!ExpectObjectStart(nullptr))
                    return false;
                for (int i = 0; i < 16; ++i) {
                    if (!Float(frame.local.m[i / 4][i % 4]))
                        return false;
                }
                return Children(childDepth, [&](std::string_view, int d) { return SkipObject(d); });
            }
            return DataObject(type, frame, childDepth);
        });
    }

    bool Material(XMeshMaterial& out, int depth)
    {
        std::string name;
        if (!ExpectObjectStart(&name))
            return false;
        GpuMaterial& m = out.material;
        if (!Float(m.Diffuse.r) || !Float(m.Diffuse.g) || !Float(m.Diffuse.b) || !Float(m.Diffuse.a) ||
            !Float(m.Power) || !Float(m.Specular.r) || !Float(m.Specular.g) || !Float(m.Specular.b) ||
            !Float(m.Emissive.r) || !Float(m.Emissive.g) || !Float(m.Emissive.b))
            return false;
        m.Specular.a = 1.0f;
        m.Emissive.a = 1.0f;
        const bool ok = Children(depth, [&](std::string_view type, int childDepth) {
            if (type == "{reference}")
                return true;
            if (type != "TextureFilename")
                return SkipObject(childDepth);
            if (!ExpectObjectStart(nullptr))
                return false;
            const Token t = NextValue();
            if (t.kind != TokenKind::String)
                return Fail("texture file name expected");
            out.textureFile = std::string(t.text.substr(0, MAX_TEXT));
            return Children(childDepth, [&](std::string_view, int d) { return SkipObject(d); });
        });
        if (ok && !name.empty())
            materials[name] = out;
        return ok;
    }

    bool MaterialList(MeshRecord& mesh, int depth)
    {
        if (!ExpectObjectStart(nullptr))
            return false;
        uint32_t materialCount = 0, indexCount = 0;
        if (!Count(materialCount, 2) || !Count(indexCount, 2))
            return false;
        mesh.hasMaterialList = true;
        mesh.faceMaterials.resize(indexCount);
        for (uint32_t& index : mesh.faceMaterials) {
            if (!Unsigned(index))
                return false;
            if (index >= materialCount)
                return Fail("material index out of range");
        }
        mesh.materials.clear();
        const bool ok = Children(depth, [&](std::string_view type, int childDepth) {
            if (type == "{reference}") {
                const auto found = materials.find(reference);
                if (found == materials.end())
                    return Fail("unknown material");
                mesh.materials.push_back(found->second);
                return true;
            }
            if (type != "Material")
                return SkipObject(childDepth);
            mesh.materials.emplace_back();
            return Material(mesh.materials.back(), childDepth);
        });
        if (!ok)
            return false;
        if (mesh.materials.size() < materialCount)
            return Fail("material list shorter than its count");
        mesh.materials.resize(materialCount);
        return true;
    }

    bool Mesh(MeshRecord& mesh, int depth)
    {
        if (!ExpectObjectStart(nullptr) || !Vectors(mesh.positions) || !Faces(mesh.faces))
            return false;
        return Children(depth, [&](std::string_view type, int childDepth) {
            if (type == "{reference}")
                return true;
            if (type == "MeshNormals") {
                return ExpectObjectStart(nullptr) && Vectors(mesh.normals) && Faces(mesh.normalFaces) &&
                       Children(childDepth, [&](std::string_view, int d) { return SkipObject(d); });
            }
            if (type == "MeshTextureCoords") {
                uint32_t count = 0;
                if (!ExpectObjectStart(nullptr) || !Count(count, 4))
                    return false;
                mesh.texCoords.resize(count);
                for (Vector2& uv : mesh.texCoords) {
                    if (!Float(uv.x) || !Float(uv.y))
                        return false;
                }
                return Children(childDepth, [&](std::string_view, int d) { return SkipObject(d); });
            }
            if (type == "MeshMaterialList")
                return MaterialList(mesh, childDepth);
            return SkipObject(childDepth);
        });
    }

    Tokenizer in;
    std::map<std::string, XMeshMaterial> materials;
    std::string reference;
};

XMeshMaterial DefaultMaterial()
{
    XMeshMaterial m;
    m.material.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
    m.material.Specular = {0.0f, 0.0f, 0.0f, 1.0f};
    m.material.Emissive = {0.0f, 0.0f, 0.0f, 1.0f};
    return m;
}

// Adds one mesh, moved by `world`, to the merged mesh (faces not yet sorted).
bool AppendMesh(const MeshRecord& mesh, const Matrix& world, XMeshData& out, std::string& error)
{
    const size_t positionCount = mesh.positions.size();
    const bool hasNormals = !mesh.normals.empty();
    for (const std::vector<uint32_t>& face : mesh.faces) {
        for (uint32_t index : face) {
            if (index >= positionCount) {
                error = "face index out of range";
                return false;
            }
        }
    }
    if (hasNormals) {
        if (mesh.normalFaces.size() != mesh.faces.size()) {
            error = "normal faces do not match the faces";
            return false;
        }
        for (size_t f = 0; f < mesh.faces.size(); ++f) {
            if (mesh.normalFaces[f].size() != mesh.faces[f].size()) {
                error = "normal faces do not match the faces";
                return false;
            }
            for (uint32_t index : mesh.normalFaces[f]) {
                if (index >= mesh.normals.size()) {
                    error = "normal index out of range";
                    return false;
                }
            }
        }
    }
    if (!mesh.texCoords.empty() && mesh.texCoords.size() < positionCount) {
        error = "fewer texture coordinates than positions";
        return false;
    }

    // Normals computed from the faces when the file gives none (front faces clockwise).
    std::vector<Vector3> smooth;
    if (!hasNormals) {
        smooth.assign(positionCount, Vector3{});
        for (const std::vector<uint32_t>& face : mesh.faces) {
            for (size_t k = 1; k + 1 < face.size(); ++k) {
                const Vector3 &a = mesh.positions[face[0]], &b = mesh.positions[face[k]],
                              &c = mesh.positions[face[k + 1]];
                Vector3 u = b - a, v = c - a, n;
                Vec3Cross(&n, &u, &v);
                Vec3Normalize(&n, &n);
                for (uint32_t index : {face[0], face[k], face[k + 1]})
                    smooth[index] += n;
            }
        }
        for (Vector3& n : smooth)
            Vec3Normalize(&n, &n);
    }

    // Slot p first stands for position p; a corner with another normal than
    // the one its position took first gets a vertex of its own.
    const size_t base = out.vertices.size();
    std::vector<XMeshVertex> vertices(positionCount);
    std::vector<int64_t> firstNormal(positionCount, -1);
    std::map<std::pair<uint32_t, uint32_t>, uint32_t> split;
    auto makeVertex = [&](uint32_t p, const Vector3& normal) {
        XMeshVertex v;
        Vector3 position, n;
        Vec3TransformCoord(&position, &mesh.positions[p], &world);
        Vec3TransformNormal(&n, &normal, &world);
        Vec3Normalize(&n, &n);
        v.x = position.x;
        v.y = position.y;
        v.z = position.z;
        v.nx = n.x;
        v.ny = n.y;
        v.nz = n.z;
        if (!mesh.texCoords.empty()) {
            v.u = mesh.texCoords[p].x;
            v.v = mesh.texCoords[p].y;
        }
        return v;
    };
    for (size_t p = 0; p < positionCount; ++p)
        vertices[p] = makeVertex(uint32_t(p), hasNormals ? Vector3{} : smooth[p]);

    auto vertexOf = [&](size_t face, size_t corner) -> uint32_t {
        const uint32_t p = mesh.faces[face][corner];
        if (!hasNormals)
            return p;
        const uint32_t n = mesh.normalFaces[face][corner];
        if (firstNormal[p] < 0) {
            firstNormal[p] = n;
            vertices[p] = makeVertex(p, mesh.normals[n]);
            return p;
        }
        if (firstNormal[p] == int64_t(n))
            return p;
        const auto found = split.find({p, n});
        if (found != split.end())
            return found->second;
        vertices.push_back(makeVertex(p, mesh.normals[n]));
        const uint32_t index = uint32_t(vertices.size() - 1);
        split[{p, n}] = index;
        return index;
    };

    const uint32_t materialBase = uint32_t(out.materials.size());
    const bool hasMaterials = mesh.hasMaterialList && !mesh.materials.empty();
    std::vector<uint32_t> corners;
    for (size_t f = 0; f < mesh.faces.size(); ++f) {
        corners.clear();
        for (size_t k = 0; k < mesh.faces[f].size(); ++k)
            corners.push_back(vertexOf(f, k));
        if (vertices.size() + base > XMESH_MAX_VERTICES) {
            error = "too many vertices";
            return false;
        }
        // Fewer face materials than faces: the last one repeats.
        uint32_t attribute = 0;
        if (hasMaterials && !mesh.faceMaterials.empty())
            attribute = mesh.faceMaterials[std::min(f, mesh.faceMaterials.size() - 1)];
        for (size_t k = 1; k + 1 < corners.size(); ++k) {
            for (uint32_t index : {corners[0], corners[k], corners[k + 1]})
                out.indices.push_back(uint16_t(base + index));
            out.attributes.push_back(materialBase + attribute);
        }
    }
    if (vertices.size() + base > XMESH_MAX_VERTICES) {
        error = "too many vertices";
        return false;
    }
    out.vertices.insert(out.vertices.end(), vertices.begin(), vertices.end());
    if (hasMaterials)
        out.materials.insert(out.materials.end(), mesh.materials.begin(), mesh.materials.end());
    else
        out.materials.push_back(DefaultMaterial());
    return true;
}

bool AppendFrame(const FrameNode& frame, const Matrix& parent, XMeshData& out, std::string& error)
{
    Matrix world;
    MatrixMultiply(&world, &frame.local, &parent);
    size_t mesh = 0, child = 0;
    for (bool isChild : frame.order) {
        if (isChild ? !AppendFrame(*frame.children[child++], world, out, error)
                    : !AppendMesh(frame.meshes[mesh++], world, out, error))
            return false;
    }
    return true;
}

// Orders the faces by material, keeping file order within one material, and
// lists the range of each material that has faces.
void GroupFaces(XMeshData& mesh)
{
    const size_t faceCount = mesh.attributes.size();
    std::vector<uint32_t> order(faceCount);
    for (size_t i = 0; i < faceCount; ++i)
        order[i] = uint32_t(i);
    std::stable_sort(order.begin(), order.end(),
                     [&](uint32_t a, uint32_t b) { return mesh.attributes[a] < mesh.attributes[b]; });
    std::vector<uint16_t> indices(faceCount * 3);
    std::vector<uint32_t> attributes(faceCount);
    for (size_t i = 0; i < faceCount; ++i) {
        attributes[i] = mesh.attributes[order[i]];
        for (size_t k = 0; k < 3; ++k)
            indices[i * 3 + k] = mesh.indices[size_t(order[i]) * 3 + k];
    }
    mesh.indices = std::move(indices);
    mesh.attributes = std::move(attributes);

    mesh.attributeTable.clear();
    for (size_t i = 0; i < faceCount; ++i) {
        if (mesh.attributeTable.empty() || mesh.attributeTable.back().attribId != mesh.attributes[i]) {
            XAttributeRange range;
            range.attribId = mesh.attributes[i];
            range.faceStart = uint32_t(i);
            mesh.attributeTable.push_back(range);
        }
        ++mesh.attributeTable.back().faceCount;
    }
    for (XAttributeRange& range : mesh.attributeTable) {
        uint32_t low = UINT32_MAX, high = 0;
        for (size_t i = size_t(range.faceStart) * 3; i < size_t(range.faceStart + range.faceCount) * 3; ++i) {
            low = std::min<uint32_t>(low, mesh.indices[i]);
            high = std::max<uint32_t>(high, mesh.indices[i]);
        }
        range.vertexStart = low;
        range.vertexCount = high - low + 1;
    }
}

} // namespace

bool ReadXFile(const uint8_t* data, size_t size, XMeshData& mesh, std::string& error)
{
    mesh = XMeshData();
    error.clear();
    // "xof 0303txt 0032": magic, version, format, float size.
    if (data == nullptr || size < 16 || std::memcmp(data, "xof ", 4) != 0) {
        error = "not an .x file";
        return false;
    }
    if (std::memcmp(data + 8, "txt ", 4) != 0) {
        error = "only text .x files can be read";
        return false;
    }
    Parser parser(reinterpret_cast<const char*>(data) + 16, size - 16);
    FrameNode root;
    if (!parser.Parse(root)) {
        error = parser.error;
        return false;
    }
    XMeshData built;
    Matrix identity;
    MatrixIdentity(&identity);
    if (!AppendFrame(root, identity, built, error))
        return false;
    if (built.attributes.empty()) {
        error = "the file holds no faces";
        return false;
    }
    GroupFaces(built);
    mesh = std::move(built);
    return true;
}

bool ReadXFileFromPath(std::string_view path, XMeshData& mesh, std::string& error)
{
    std::vector<uint8_t> bytes;
    std::string reason;
    if (!ReadWholeFile(path, bytes, MAX_ASSET_FILE_BYTES, &reason)) {
        mesh = XMeshData();
        error = reason.empty() ? "file not found" : reason;
        return false;
    }
    return ReadXFile(bytes.data(), bytes.size(), mesh, error);
}

} // namespace backend

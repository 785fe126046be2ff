// Feeds arbitrary text to the .x reader and checks the mesh it builds.

#include "backend/gpu/XFileReader.h"

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Most inputs should get past the header.
    std::vector<uint8_t> text(16 + size);
    std::memcpy(text.data(), "xof 0303txt 0032", 16);
    if (size)
        std::memcpy(text.data() + 16, data, size);

    backend::XMeshData mesh;
    std::string error;
    if (!backend::ReadXFile(text.data(), text.size(), mesh, error)) {
        if (error.empty() || !mesh.vertices.empty())
            std::abort(); // a failure must explain itself and leave nothing behind
        return 0;
    }
    if (mesh.vertices.size() > backend::XMESH_MAX_VERTICES || mesh.indices.size() != mesh.attributes.size() * 3)
        std::abort();
    for (uint16_t index : mesh.indices) {
        if (index >= mesh.vertices.size())
            std::abort();
    }
    uint32_t faces = 0;
    for (const backend::XAttributeRange& range : mesh.attributeTable) {
        if (range.attribId >= mesh.materials.size() || range.faceStart != faces)
            std::abort();
        faces += range.faceCount;
    }
    if (faces != mesh.attributes.size())
        std::abort();
    return 0;
}

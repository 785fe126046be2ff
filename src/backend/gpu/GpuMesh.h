#pragma once
// A static mesh on the device: one vertex buffer and one 16-bit index buffer
// whose faces are grouped by material, drawn one material subset at a time.

#include "backend/gpu/GpuTypes.h"
#include "backend/gpu/XMeshData.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace backend {

class GpuDevice;
class GpuVertexBuffer;
class GpuIndexBuffer;

class GpuMesh {
public:
    GpuMesh(const GpuMesh&) = delete;
    GpuMesh& operator=(const GpuMesh&) = delete;
    ~GpuMesh();

    // Makes the device buffers of `data` in `pool`.
    static GpuResult Create(GpuDevice* owner, const XMeshData& data, GpuPool pool, std::unique_ptr<GpuMesh>& mesh);
    // Reads a text .x file (a game path) and makes its mesh; the materials
    // are handed out when asked for. On failure `error` says why.
    static GpuResult LoadFromX(GpuDevice* owner, std::string_view path, GpuPool pool, std::unique_ptr<GpuMesh>& mesh,
                               std::vector<XMeshMaterial>* materials, std::string& error);

    // Sets the vertex format, stream 0 and the indices, and draws the faces of
    // one material; a material without faces draws nothing.
    GpuResult DrawSubset(uint32_t attribId);
    uint32_t GetNumFaces() const { return faceCount; }
    uint32_t GetNumVertices() const { return vertexCount; }
    uint32_t GetFvf() const { return XMESH_FVF; }
    const std::vector<XAttributeRange>& GetAttributeTable() const { return attributeTable; }
    GpuResult LockVertexBuffer(uint32_t flags, uint8_t** data);
    GpuResult UnlockVertexBuffer();

private:
    GpuMesh() = default;

    GpuDevice* device = nullptr;
    GpuVertexBuffer* vertexBuffer = nullptr;
    GpuIndexBuffer* indexBuffer = nullptr;
    uint32_t faceCount = 0;
    uint32_t vertexCount = 0;
    std::vector<XAttributeRange> attributeTable;
};

} // namespace backend

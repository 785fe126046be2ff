#include "backend/gpu/GpuMesh.h"

#include "backend/gpu/GpuDevice.h"
#include "backend/gpu/GpuIndexBuffer.h"
#include "backend/gpu/GpuVertexBuffer.h"
#include "backend/gpu/XFileReader.h"

#include <cstring>

namespace backend {

GpuMesh::~GpuMesh()
{
    if (vertexBuffer != nullptr)
        vertexBuffer->Release();
    if (indexBuffer != nullptr)
        indexBuffer->Release();
}

GpuResult GpuMesh::Create(GpuDevice* owner, const XMeshData& data, GpuPool pool, std::unique_ptr<GpuMesh>& mesh)
{
    mesh.reset();
    if (owner == nullptr || data.vertices.empty() || data.indices.empty() || data.vertices.size() > XMESH_MAX_VERTICES)
        return GPUERR_INVALIDCALL;
    std::unique_ptr<GpuMesh> made(new GpuMesh());
    made->device = owner;
    const uint32_t vertexBytes = uint32_t(data.vertices.size() * sizeof(XMeshVertex));
    const uint32_t indexBytes = uint32_t(data.indices.size() * sizeof(uint16_t));
    GpuResult result = owner->CreateVertexBuffer(vertexBytes, 0, XMESH_FVF, pool, &made->vertexBuffer);
    if (GpuFailed(result))
        return result;
    result = owner->CreateIndexBuffer(indexBytes, 0, D3DFMT_INDEX16, pool, &made->indexBuffer);
    if (GpuFailed(result))
        return result;
    uint8_t* bytes = nullptr;
    if (GpuFailed(result = made->vertexBuffer->Lock(0, 0, &bytes, 0)))
        return result;
    std::memcpy(bytes, data.vertices.data(), vertexBytes);
    made->vertexBuffer->Unlock();
    if (GpuFailed(result = made->indexBuffer->Lock(0, 0, &bytes, 0)))
        return result;
    std::memcpy(bytes, data.indices.data(), indexBytes);
    made->indexBuffer->Unlock();
    made->faceCount = uint32_t(data.indices.size() / 3);
    made->vertexCount = uint32_t(data.vertices.size());
    made->attributeTable = data.attributeTable;
    mesh = std::move(made);
    return GPU_OK;
}

GpuResult GpuMesh::LoadFromX(GpuDevice* owner, std::string_view path, GpuPool pool, std::unique_ptr<GpuMesh>& mesh,
                             std::vector<XMeshMaterial>* materials, std::string& error)
{
    mesh.reset();
    XMeshData data;
    if (!ReadXFileFromPath(path, data, error))
        return GPUERR_INVALIDCALL;
    const GpuResult result = Create(owner, data, pool, mesh);
    if (GpuFailed(result)) {
        error = "the mesh's buffers could not be made";
        return result;
    }
    if (materials != nullptr)
        *materials = std::move(data.materials);
    return GPU_OK;
}

GpuResult GpuMesh::DrawSubset(uint32_t attribId)
{
    for (const XAttributeRange& range : attributeTable) {
        if (range.attribId != attribId)
            continue;
        device->SetVertexShader(XMESH_FVF);
        device->SetStreamSource(0, vertexBuffer, sizeof(XMeshVertex));
        device->SetIndices(indexBuffer, 0);
        return device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, range.vertexStart, range.vertexCount,
                                            range.faceStart * 3, range.faceCount);
    }
    return GPU_OK;
}

GpuResult GpuMesh::LockVertexBuffer(uint32_t flags, uint8_t** data)
{
    return vertexBuffer->Lock(0, 0, data, flags);
}

GpuResult GpuMesh::UnlockVertexBuffer()
{
    return vertexBuffer->Unlock();
}

} // namespace backend

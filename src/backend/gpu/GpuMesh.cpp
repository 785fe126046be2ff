#include "backend/gpu/GpuMesh.h"

#include "backend/gpu/GpuDevice.h"
#include "backend/gpu/GpuIndexBuffer.h"
#include "backend/gpu/GpuVertexBuffer.h"
#include "backend/gpu/XFileReader.h"

#include <cstring>

namespace backend {

GpuMesh::~GpuMesh()
{
    if (m_vertexBuffer != nullptr)
        m_vertexBuffer->Release();
    if (m_indexBuffer != nullptr)
        m_indexBuffer->Release();
}

GpuResult GpuMesh::Create(GpuDevice* device, const XMeshData& data, GpuPool pool, std::unique_ptr<GpuMesh>& mesh)
{
    mesh.reset();
    if (device == nullptr || data.vertices.empty() || data.indices.empty() || data.vertices.size() > XMESH_MAX_VERTICES)
        return GPUERR_INVALIDCALL;
    std::unique_ptr<GpuMesh> made(new GpuMesh());
    made->m_device = device;
    const uint32_t vertexBytes = uint32_t(data.vertices.size() * sizeof(XMeshVertex));
    const uint32_t indexBytes = uint32_t(data.indices.size() * sizeof(uint16_t));
    GpuResult result = device->CreateVertexBuffer(vertexBytes, 0, XMESH_FVF, pool, &made->m_vertexBuffer);
    if (GpuFailed(result))
        return result;
    result = device->CreateIndexBuffer(indexBytes, 0, D3DFMT_INDEX16, pool, &made->m_indexBuffer);
    if (GpuFailed(result))
        return result;
    uint8_t* bytes = nullptr;
    if (GpuFailed(result = made->m_vertexBuffer->Lock(0, 0, &bytes, 0)))
        return result;
    std::memcpy(bytes, data.vertices.data(), vertexBytes);
    made->m_vertexBuffer->Unlock();
    if (GpuFailed(result = made->m_indexBuffer->Lock(0, 0, &bytes, 0)))
        return result;
    std::memcpy(bytes, data.indices.data(), indexBytes);
    made->m_indexBuffer->Unlock();
    made->m_faceCount = uint32_t(data.indices.size() / 3);
    made->m_vertexCount = uint32_t(data.vertices.size());
    made->m_attributeTable = data.attributeTable;
    mesh = std::move(made);
    return GPU_OK;
}

GpuResult GpuMesh::LoadFromX(GpuDevice* device, std::string_view path, GpuPool pool, std::unique_ptr<GpuMesh>& mesh,
                             std::vector<XMeshMaterial>* materials, std::string& error)
{
    mesh.reset();
    XMeshData data;
    if (!ReadXFileFromPath(path, data, error))
        return GPUERR_INVALIDCALL;
    const GpuResult result = Create(device, data, pool, mesh);
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
    for (const XAttributeRange& range : m_attributeTable) {
        if (range.attribId != attribId)
            continue;
        m_device->SetVertexShader(XMESH_FVF);
        m_device->SetStreamSource(0, m_vertexBuffer, sizeof(XMeshVertex));
        m_device->SetIndices(m_indexBuffer, 0);
        return m_device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, range.vertexStart, range.vertexCount,
                                              range.faceStart * 3, range.faceCount);
    }
    return GPU_OK;
}

GpuResult GpuMesh::LockVertexBuffer(uint32_t flags, uint8_t** data)
{
    return m_vertexBuffer->Lock(0, 0, data, flags);
}

GpuResult GpuMesh::UnlockVertexBuffer()
{
    return m_vertexBuffer->Unlock();
}

} // namespace backend

#include "engine/models/XModel.h"

#include "backend/files/Files.h"
#include "backend/gpu/GpuDevice.h"
#include "backend/gpu/GpuTexture.h"
#include "backend/gpu/XMeshData.h"
#include "engine/models/ModelRenderUtil.h"
#include "engine/platform/BoundingBox.h"
#include "engine/platform/Log.h"
#include "engine/platform/RenderDevice.h"

#include <algorithm>
#include <cstring>
#include <string>

using namespace backend;

XModel::~XModel()
{
    for (Texture& texture : textures)
        texture.Release();
}

bool XModel::Load(const char* path, const char* textureDirectory, bool skip)
{
    LogFormat("\nLoading .x model \"%s\"...", path ? path : "");
    std::vector<XMeshMaterial> read;
    std::string error;
    mesh.reset();
    if (path == nullptr)
        return ReportError("Error loading X file!");
    if (std::strlen(path) >= sizeof(name))
        return ReportFileError("Error loading X file!", path, "the name is too long");
    if (GpuFailed(GpuMesh::LoadFromX(g_RenderDevice.device, path, D3DPOOL_MANAGED, mesh, &read, error)))
        return ReportFileError("Error loading X file!", path, error.empty() ? "its mesh could not be made" : error);

    skipTextures = skip;
    materialCount = uint32_t(read.size());
    materials.clear();
    for (Texture& texture : textures)
        texture.Release();
    textures.clear();
    if (!skipTextures)
        textures.resize(read.size());
    for (size_t i = 0; i < read.size(); ++i) {
        GpuMaterial material = read[i].material;
        material.Ambient = material.Diffuse;
        materials.push_back(material);
        if (!skipTextures && !read[i].textureFile.empty()) {
            // A texture that fails to load leaves its subset untextured, and so
            // does a name that would leave the texture folder.
            if (!backend::IsNameInsideFolder(read[i].textureFile)) {
                LogFormat("\nTexture name \"%.200s\" refused: it leaves the texture folder",
                          read[i].textureFile.c_str());
                continue;
            }
            const std::string file = std::string(textureDirectory ? textureDirectory : "") + read[i].textureFile;
            textures[i].Load(file.c_str());
        }
    }
    faceCount = mesh->GetNumFaces();

    BoundingBox box;
    uint8_t* bytes = nullptr;
    if (GpuSucceeded(mesh->LockVertexBuffer(D3DLOCK_READONLY, &bytes))) {
        const uint32_t count = mesh->GetNumVertices();
        for (uint32_t i = 0; i < count; ++i) {
            float p[3];
            std::memcpy(p, bytes + size_t(i) * sizeof(XMeshVertex), sizeof(p));
            if (i == 0) {
                box.min = box.max = Vector3{p[0], p[1], p[2]};
                continue;
            }
            box.min = Vector3{std::min(box.min.x, p[0]), std::min(box.min.y, p[1]), std::min(box.min.z, p[2])};
            box.max = Vector3{std::max(box.max.x, p[0]), std::max(box.max.y, p[1]), std::max(box.max.z, p[2])};
        }
        mesh->UnlockVertexBuffer();
    }
    box.GetCorners(&corners);
    SetName(path);
    return true;
}

bool XModel::CreateMesh()
{
    std::string error;
    mesh.reset();
    return GpuSucceeded(GpuMesh::LoadFromX(g_RenderDevice.device, name, D3DPOOL_MANAGED, mesh, nullptr, error));
}

void XModel::DrawSubsets(bool translucent, uint32_t textureStage)
{
    RenderDevice& rd = g_RenderDevice;
    for (uint32_t i = 0; i < materialCount; ++i) {
        if ((materials[i].Diffuse.a < 1.0f) != translucent)
            continue;
        if (!skipTextures)
            rd.SetTexture(textureStage, textures[i].texture);
        rd.device->SetMaterial(&materials[i]);
        mesh->DrawSubset(i);
    }
}

void XModel::Render(int32_t, bool flatColour)
{
    if (!mesh)
        return;
    RenderDevice& rd = g_RenderDevice;
    rd.ChangeRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    SetModelVertexFormat(XMESH_FVF);
    rd.device->SetRenderState(D3DRS_ALPHABLENDENABLE, 0);
    if (flatColour) {
        BeginFlatColour();
    } else {
        rd.device->SetRenderState(D3DRS_ZENABLE, 1);
        rd.device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    }
    DrawSubsets(false, 0);
    SetAlphaBlending();
    DrawSubsets(true, 0);
    rd.primitiveCount += faceCount;

    rd.device->SetRenderState(D3DRS_ALPHABLENDENABLE, 0);
    rd.device->SetRenderState(D3DRS_ZENABLE, 1);
    rd.device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    rd.device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    rd.RevertRenderState(D3DRS_CULLMODE);
}

void XModel::RenderDot3(int32_t frame, bool flatColour)
{
    if (flatColour) {
        Render(frame, true);
        return;
    }
    if (!mesh)
        return;
    RenderDevice& rd = g_RenderDevice;
    rd.ChangeRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    SetModelVertexFormat(XMESH_FVF);
    rd.ChangeRenderState(D3DRS_ZENABLE, 1);
    BeginDot3Stages();
    rd.device->SetRenderState(D3DRS_ALPHABLENDENABLE, 0);
    DrawSubsets(false, 1);
    SetAlphaBlending();
    DrawSubsets(true, 1);
    rd.primitiveCount += faceCount;
    rd.device->SetRenderState(D3DRS_ALPHABLENDENABLE, 0);
    rd.RevertRenderState(D3DRS_ZENABLE);
    EndDot3Stages();
    rd.RevertRenderState(D3DRS_CULLMODE);
}

bool XModel::Animate(const char*, uint32_t, float)
{
    return true;
}

int32_t XModel::GetAnimationFrame(const char*)
{
    return 0;
}

int32_t XModel::GetFrameCount()
{
    return 1;
}

void XModel::GetFrameBounds(BoundingBox* out, int32_t, const Matrix* world)
{
    corners.GetTransformedBounds(out, world);
}

bool XModel::Restore()
{
    if (name[0] == 0)
        return true;
    LogFormat("\nRestoring .x model \"%s\"...", name);
    if (!CreateMesh())
        return false;
    if (!skipTextures) {
        for (Texture& texture : textures)
            texture.Restore();
    }
    return true;
}

void XModel::Release()
{
    if (name[0] != 0)
        LogFormat("\nReleasing .x model \"%s\"...", name);
    for (Texture& texture : textures)
        texture.Release();
    mesh.reset();
}

void XModel::Destroy()
{
    if (name[0] != 0)
        LogFormat("\nDestroying .x model \"%s\"...", name);
    materials.clear();
    for (Texture& texture : textures)
        texture.Release();
    textures.clear();
    materialCount = 0;
}

// Terrain: device buffers and the texture passes.
#include "engine/scene/Terrain.h"

#include "engine/platform/Log.h"
#include "engine/platform/RenderDevice.h"
#include "engine/scene/SceneDevice.h"

#include "backend/gpu/GpuDevice.h"
#include "backend/gpu/GpuIndexBuffer.h"
#include "backend/gpu/GpuTexture.h"
#include "backend/gpu/GpuVertexBuffer.h"

#include <cstring>

using namespace backend;

bool Terrain::CreateBuffers()
{
    LogMessage("\nCreating vertex and index buffers for terrain...");
    GpuDevice* device = g_RenderDevice.device;
    const size_t stride = size_t(cellsX) + 1;
    for (int pz = 0; pz < patchesZ; ++pz)
        for (int px = 0; px < patchesX; ++px) {
            TerrainPatch& patch = patches[size_t(pz) * patchesX + px];
            ReleaseObject(patch.vertexBuffer);
            uint8_t* data = nullptr;
            if (device == nullptr ||
                GpuFailed(device->CreateVertexBuffer(uint32_t(patchVertexCount) * sizeof(TerrainVertex),
                                                     D3DUSAGE_WRITEONLY, TERRAIN_VERTEX_FVF, D3DPOOL_DEFAULT,
                                                     &patch.vertexBuffer)) ||
                GpuFailed(patch.vertexBuffer->Lock(0, 0, &data, 0)))
                return ReportError("Error creating a vertex buffer for terrain!");
            TerrainVertex* out = reinterpret_cast<TerrainVertex*>(data);
            for (int row = 0; row <= cellsPerPatchZ; ++row) {
                const TerrainVertex* source =
                    &vertices[size_t(pz * cellsPerPatchZ + row) * stride + size_t(px) * cellsPerPatchX];
                std::memcpy(out, source, sizeof(TerrainVertex) * size_t(cellsPerPatchX + 1));
                out += cellsPerPatchX + 1;
            }
            patch.vertexBuffer->Unlock();
        }

    ReleaseObject(indexBuffer);
    uint8_t* data = nullptr;
    if (device == nullptr ||
        GpuFailed(device->CreateIndexBuffer(uint32_t(patchIndexCount) * 4, D3DUSAGE_WRITEONLY, D3DFMT_INDEX32,
                                            D3DPOOL_DEFAULT, &indexBuffer)) ||
        GpuFailed(indexBuffer->Lock(0, 0, &data, 0)))
        return ReportError("Error creating an index buffer for terrain!");
    uint32_t* out = reinterpret_cast<uint32_t*>(data);
    const uint32_t patchStride = uint32_t(cellsPerPatchX + 1);
    for (uint32_t z = 0; z < uint32_t(cellsPerPatchZ); ++z)
        for (uint32_t x = 0; x < uint32_t(cellsPerPatchX); ++x) {
            *out++ = z * patchStride + x;
            *out++ = z * patchStride + x + 1;
            *out++ = (z + 1) * patchStride + x + 1;
            *out++ = z * patchStride + x;
            *out++ = (z + 1) * patchStride + x + 1;
            *out++ = (z + 1) * patchStride + x;
        }
    indexBuffer->Unlock();
    return true;
}

void Terrain::ReleaseBuffers()
{
    for (TerrainPatch& patch : patches)
        ReleaseObject(patch.vertexBuffer);
    ReleaseObject(indexBuffer);
}

bool Terrain::Restore()
{
    LogMessage("\nRestoring terrain...");
    for (auto& pass : passes)
        if (!pass->colourTexture.Restore() || !pass->alphaTexture.Restore())
            return false;
    // Never built: no buffers to make.
    if (vertices.empty())
        return true;
    return CreateBuffers();
}

void Terrain::Release()
{
    LogMessage("\nReleasing terrain...");
    for (auto& pass : passes) {
        pass->colourTexture.Release();
        pass->alphaTexture.Release();
    }
    ReleaseBuffers();
}

void Terrain::Render(const Camera* camera, bool flat)
{
    if (indexBuffer == nullptr || passes.empty())
        return;
    const std::vector<TerrainPatch*>& visible = patchTree.CollectVisible(*camera);
    RenderDevice& rd = g_RenderDevice;
    GpuDevice* device = rd.device;

    device->SetTransform(D3DTS_WORLD, &world);
    rd.ChangeRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    device->SetIndices(indexBuffer, 0);
    SetVertexFormat(TERRAIN_VERTEX_FVF);
    device->SetMaterial(&material);

    if (flat) {
        rd.ChangeRenderState(D3DRS_ZENABLE, 0);
        rd.ChangeRenderState(D3DRS_TEXTUREFACTOR, 0);
        rd.ChangeTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TFACTOR);
        rd.ChangeTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    } else {
        rd.ChangeRenderState(D3DRS_ZENABLE, 1);
        rd.ChangeTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    }
    rd.ChangeTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_DISABLE);

    device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    device->SetRenderState(D3DRS_ALPHAREF, 1);
    rd.SaveRenderState(D3DRS_ALPHABLENDENABLE);
    rd.SaveTextureStageState(1, D3DTSS_COLOROP);
    rd.SaveTextureStageState(1, D3DTSS_ALPHAOP);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    rd.ChangeTextureStageState(1, D3DTSS_TEXCOORDINDEX, 0);

    for (const auto& pass : passes) {
        DrawPass(*pass, visible);
        if (flat)
            break;
    }

    rd.RevertTextureStageState(1, D3DTSS_TEXCOORDINDEX);
    rd.RevertTextureStageState(1, D3DTSS_COLOROP);
    rd.RevertTextureStageState(1, D3DTSS_ALPHAOP);
    rd.RevertRenderState(D3DRS_ALPHABLENDENABLE);
    rd.RevertTextureStageState(0, D3DTSS_ALPHAOP);
    rd.RevertTextureStageState(0, D3DTSS_COLOROP);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    rd.RevertRenderState(D3DRS_ZENABLE);
    rd.RevertRenderState(D3DRS_CULLMODE);
}

void Terrain::DrawPass(const TerrainPass& pass, const std::vector<TerrainPatch*>& visible)
{
    RenderDevice& rd = g_RenderDevice;
    GpuDevice* device = rd.device;
    rd.SetTexture(0, pass.colourTexture.texture);
    if (!pass.opaque) {
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
        rd.ChangeRenderState(D3DRS_ALPHATESTENABLE, 1);
    } else {
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, 0);
    }

    if (pass.alphaTexture.texture == nullptr) {
        rd.SetTexture(1, nullptr);
        device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
        device->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    } else {
        rd.SetTexture(1, pass.alphaTexture.texture);
        if (pass.opaque) {
            device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE);
            device->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
        } else {
            device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
            device->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
        }
    }

    if (pass.tileU == 1.0f && pass.tileV == 1.0f) {
        rd.ChangeTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
    } else {
        device->SetTransform(D3DTS_TEXTURE0, &pass.textureMatrix);
        rd.ChangeTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2);
    }

    for (TerrainPatch* patch : visible) {
        device->SetStreamSource(0, patch->vertexBuffer, sizeof(TerrainVertex));
        DrawIndexed(D3DPT_TRIANGLELIST, uint32_t(patchVertexCount), uint32_t(patchTriangleCount));
    }

    rd.RevertTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS);
    if (!pass.opaque)
        rd.RevertRenderState(D3DRS_ALPHATESTENABLE);
}

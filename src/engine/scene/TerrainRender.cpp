// Terrain: device buffers and the texture passes.
#include "engine/scene/Terrain.h"

#include "engine/platform/Log.h"
#include "engine/platform/RenderDevice.h"
#include "engine/scene/SceneDevice.h"

#include "backend/gpu/GpuDevice.h"
#include "backend/gpu/GpuIndexBuffer.h"
#include "backend/gpu/GpuTexture.h"
#include "backend/gpu/GpuVertexBuffer.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <span>

using namespace backend;

namespace {

// Copies `bytes` into a new write-only default-pool buffer made by `create`.
template <class Buffer, class Create> bool CreateFilled(Buffer*& buffer, const void* bytes, size_t size, Create create)
{
    uint8_t* data = nullptr;
    if (GpuFailed(create(uint32_t(size), &buffer)) || GpuFailed(buffer->Lock(0, 0, &data, 0)))
        return false;
    std::memcpy(data, bytes, size);
    buffer->Unlock();
    return true;
}

} // namespace

bool Terrain::CreateBuffers()
{
    LogMessage("\nCreating vertex and index buffers for terrain...");
    GpuDevice* device = g_RenderDevice.device;
    ReleaseBuffers();
    // Patch after patch (z outer, x inner): its (cellsPerPatchZ + 1) x
    // (cellsPerPatchX + 1) vertices out of the grid, and its cells indexing them.
    const size_t stride = size_t(cellsX) + 1;
    const uint32_t patchStride = uint32_t(cellsPerPatchX + 1);
    std::vector<TerrainVertex> patchVertices;
    std::vector<uint32_t> patchIndices;
    patchVertices.reserve(patches.size() * size_t(patchVertexCount));
    patchIndices.reserve(patches.size() * size_t(patchIndexCount));
    for (int pz = 0; pz < patchesZ; ++pz)
        for (int px = 0; px < patchesX; ++px) {
            const uint32_t base = uint32_t(patchVertices.size());
            for (int row = 0; row <= cellsPerPatchZ; ++row) {
                const auto first = vertices.begin() +
                                   ptrdiff_t(size_t(pz * cellsPerPatchZ + row) * stride + size_t(px) * cellsPerPatchX);
                patchVertices.insert(patchVertices.end(), first, first + ptrdiff_t(patchStride));
            }
            for (uint32_t z = 0; z < uint32_t(cellsPerPatchZ); ++z)
                for (uint32_t x = 0; x < patchStride - 1; ++x) {
                    const uint32_t top = base + z * patchStride + x, bottom = top + patchStride;
                    for (uint32_t index : {top, top + 1, bottom + 1, top, bottom + 1, bottom})
                        patchIndices.push_back(index);
                }
        }
    if (device == nullptr ||
        !CreateFilled(vertexBuffer, patchVertices.data(), patchVertices.size() * sizeof(TerrainVertex),
                      [device](uint32_t length, GpuVertexBuffer** out) {
                          return device->CreateVertexBuffer(length, D3DUSAGE_WRITEONLY, TERRAIN_VERTEX_FVF,
                                                            D3DPOOL_DEFAULT, out);
                      }))
        return ReportError("Error creating a vertex buffer for terrain!");
    if (!CreateFilled(indexBuffer, patchIndices.data(), patchIndices.size() * sizeof(uint32_t),
                      [device](uint32_t length, GpuIndexBuffer** out) {
                          return device->CreateIndexBuffer(length, D3DUSAGE_WRITEONLY, D3DFMT_INDEX32, D3DPOOL_DEFAULT,
                                                           out);
                      }))
        return ReportError("Error creating an index buffer for terrain!");
    return true;
}

void Terrain::ReleaseBuffers()
{
    ReleaseObject(vertexBuffer);
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
    CollectRuns(patchTree.CollectVisible(*camera));
    RenderDevice& rd = g_RenderDevice;
    GpuDevice* device = rd.device;

    device->SetTransform(D3DTS_WORLD, &world);
    rd.ChangeRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    device->SetIndices(indexBuffer, 0);
    device->SetStreamSource(0, vertexBuffer, sizeof(TerrainVertex));
    SetVertexFormat(TERRAIN_VERTEX_FVF);
    device->SetMaterial(&material);
    rd.ChangeRenderState(D3DRS_ZENABLE, flat ? 0 : 1);

    if (flat || !DrawFolded())
        DrawPasses(flat);

    rd.RevertRenderState(D3DRS_ZENABLE);
    rd.RevertRenderState(D3DRS_CULLMODE);
}

void Terrain::DrawPasses(bool flat)
{
    RenderDevice& rd = g_RenderDevice;
    GpuDevice* device = rd.device;
    if (flat) {
        rd.ChangeRenderState(D3DRS_TEXTUREFACTOR, 0);
        rd.ChangeTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TFACTOR);
        rd.ChangeTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    } else {
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
        DrawPass(*pass);
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
}

namespace {

// The states a folded stage sets, the filters taken from the stage its texture would have had.
constexpr uint32_t SAMPLER_STATES[] = {D3DTSS_MINFILTER,     D3DTSS_MAGFILTER, D3DTSS_MIPFILTER,
                                       D3DTSS_MAXANISOTROPY, D3DTSS_ADDRESSU,  D3DTSS_ADDRESSV};
constexpr uint32_t COMBINE_STATES[] = {
    D3DTSS_COLOROP,   D3DTSS_COLORARG1, D3DTSS_COLORARG2,     D3DTSS_ALPHAOP,
    D3DTSS_ALPHAARG1, D3DTSS_ALPHAARG2, D3DTSS_TEXCOORDINDEX, D3DTSS_TEXTURETRANSFORMFLAGS};
constexpr size_t SAMPLER_SOURCES = 2;

void ChangeStage(uint32_t number, const TerrainStage& stage,
                 const uint32_t (&samplers)[SAMPLER_SOURCES][std::size(SAMPLER_STATES)])
{
    RenderDevice& rd = g_RenderDevice;
    rd.SetTexture(number, stage.texture);
    const uint32_t combine[] = {stage.colourOp,
                                stage.colourArg1,
                                stage.colourArg2,
                                stage.alphaOp,
                                stage.alphaArg1,
                                stage.alphaArg2,
                                0,
                                stage.textureMatrix != nullptr ? uint32_t(D3DTTFF_COUNT2) : uint32_t(D3DTTFF_DISABLE)};
    for (size_t i = 0; i < std::size(COMBINE_STATES); ++i)
        rd.ChangeTextureStageState(number, COMBINE_STATES[i], combine[i]);
    for (size_t i = 0; i < std::size(SAMPLER_STATES); ++i)
        rd.ChangeTextureStageState(number, SAMPLER_STATES[i], samplers[stage.samplerStage][i]);
    if (stage.textureMatrix != nullptr)
        rd.device->SetTransform(D3DTS_TEXTURE0 + number, stage.textureMatrix);
}

void RevertStage(uint32_t number)
{
    RenderDevice& rd = g_RenderDevice;
    for (uint32_t state : COMBINE_STATES)
        rd.RevertTextureStageState(number, state);
    for (uint32_t state : SAMPLER_STATES)
        rd.RevertTextureStageState(number, state);
}

} // namespace

bool Terrain::BuildFold()
{
    const RenderDevice& rd = g_RenderDevice;
    return fold.Build(passes, std::min(rd.caps.MaxTextureBlendStages, rd.caps.MaxSimultaneousTextures));
}

bool Terrain::DrawsOnePass()
{
    return indexBuffer != nullptr && BuildFold();
}

bool Terrain::DrawFolded()
{
    RenderDevice& rd = g_RenderDevice;
    if (!BuildFold())
        return false;
    uint32_t samplers[SAMPLER_SOURCES][std::size(SAMPLER_STATES)] = {};
    for (uint32_t source = 0; source < SAMPLER_SOURCES; ++source)
        for (size_t i = 0; i < std::size(SAMPLER_STATES); ++i)
            rd.device->GetTextureStageState(source, SAMPLER_STATES[i], &samplers[source][i]);

    const std::span<const TerrainStage> stages = fold.Stages();
    const uint32_t stageCount = uint32_t(stages.size());
    for (uint32_t number = 0; number < stageCount; ++number)
        ChangeStage(number, stages[number], samplers);
    if (stageCount < GPU_STAGE_COUNT)
        rd.ChangeTextureStageState(stageCount, D3DTSS_COLOROP, D3DTOP_DISABLE);
    rd.ChangeRenderState(D3DRS_ALPHABLENDENABLE, 0);

    DrawRuns();

    rd.RevertRenderState(D3DRS_ALPHABLENDENABLE);
    if (stageCount < GPU_STAGE_COUNT)
        rd.RevertTextureStageState(stageCount, D3DTSS_COLOROP);
    for (uint32_t number = 0; number < stageCount; ++number)
        RevertStage(number);
    // The stages past the two the passes use keep no hold on the terrain's textures.
    for (uint32_t number = 2; number < stageCount; ++number)
        rd.SetTexture(number, nullptr);
    return true;
}

void Terrain::DrawRuns()
{
    for (const TerrainRun& run : runs)
        DrawIndexed(D3DPT_TRIANGLELIST, run.firstVertex, run.vertexCount, run.firstIndex, run.triangleCount);
}

void Terrain::CollectRuns(const std::vector<TerrainPatch*>& visible)
{
    for (const TerrainPatch* patch : visible)
        patchVisible[size_t(patch - patches.data())] = 1;
    runs.clear();
    const uint32_t patchVertices = uint32_t(patchVertexCount), patchTriangles = uint32_t(patchTriangleCount);
    for (size_t number = 0; number < patches.size(); ++number) {
        if (patchVisible[number] == 0)
            continue;
        patchVisible[number] = 0;
        const TerrainPatch& patch = patches[number];
        TerrainRun* last = runs.empty() ? nullptr : &runs.back();
        if (last != nullptr && last->firstVertex + last->vertexCount == patch.firstVertex) {
            last->vertexCount += patchVertices;
            last->triangleCount += patchTriangles;
        } else {
            runs.push_back({patch.firstVertex, patchVertices, patch.firstIndex, patchTriangles});
        }
    }
}

void Terrain::DrawPass(const TerrainPass& pass)
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

    DrawRuns();

    rd.RevertTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS);
    if (!pass.opaque)
        rd.RevertRenderState(D3DRS_ALPHATESTENABLE);
}

#include "engine/models/QvxModel.h"

#include "backend/files/Files.h"
#include "backend/gpu/GpuDevice.h"
#include "backend/gpu/GpuIndexBuffer.h"
#include "backend/gpu/GpuTexture.h"
#include "backend/gpu/GpuVertexBuffer.h"
#include "engine/models/ModelBuffers.h"
#include "engine/models/ModelRenderUtil.h"
#include "engine/models/QvxReader.h"
#include "engine/platform/BoundingBox.h"
#include "engine/platform/Log.h"
#include "engine/platform/RenderDevice.h"

#include <cstring>

using namespace backend;

namespace {

GpuMaterial DefaultMaterial()
{
    GpuMaterial m;
    m.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
    m.Ambient = {1.0f, 1.0f, 1.0f, 1.0f};
    return m;
}

} // namespace

QvxModel::~QvxModel()
{
    ReleaseBuffers();
    texture.Release();
}

bool QvxModel::Load(const char* path, const char* textureName, const GpuMaterial* newMaterial)
{
    LogFormat("\nLoading .qvx model \"%s\"...", path ? path : "");
    std::vector<uint8_t> bytes;
    std::string refusal;
    // A path that does not fit the name could not be found again by Restore.
    if (path == nullptr || std::strlen(path) >= sizeof(name) ||
        !ReadWholeFile(path, bytes, MAX_ASSET_FILE_BYTES, &refusal))
        return ReportFileError(MissingOrRefused(refusal, "Error loading QVX file: File not found!",
                                                "Error loading QVX file: Can't open file!"),
                               path, refusal);

    std::vector<QvxFrame> read;
    if (const QvxReadResult result = ReadQvx(bytes.data(), bytes.size(), read); result != QvxReadResult::Ok)
        return ReportFileError("Error loading QVX file: File corrupted!", path,
                               result == QvxReadResult::BadMagic ? "not a QVX file" : "damaged model data");
    ReleaseBuffers();
    frames = std::move(read);
    frameCount = int32_t(frames.size());

    if (!CreateBuffers())
        return ReportError("Error creating QVX model buffers!");
    material = newMaterial ? *newMaterial : DefaultMaterial();
    texture.Release();
    if (textureName != nullptr && textureName[0] != 0 && !texture.Load(textureName))
        return false;
    SetName(path);
    return true;
}

bool QvxModel::LoadAnimation(const char* path)
{
    return animations.Load(path);
}

bool QvxModel::CreateBuffers()
{
    GpuDevice* device = g_RenderDevice.device;
    if (device == nullptr)
        return false;
    for (QvxFrame& frame : frames) {
        for (QvxMesh& mesh : frame.meshes) {
            if (mesh.vertices.empty() || mesh.indices.empty())
                continue;
            const uint32_t vertexBytes = uint32_t(mesh.vertices.size() * sizeof(QvxVertex));
            const uint32_t indexBytes = uint32_t(mesh.indices.size() * sizeof(uint16_t));
            ReleaseModelBuffer(mesh.vertexBuffer);
            ReleaseModelBuffer(mesh.indexBuffer);
            if (GpuFailed(device->CreateVertexBuffer(vertexBytes, D3DUSAGE_WRITEONLY, QVX_FVF, D3DPOOL_MANAGED,
                                                     &mesh.vertexBuffer)))
                return false;
            if (GpuFailed(device->CreateIndexBuffer(indexBytes, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED,
                                                    &mesh.indexBuffer)))
                return false;
            if (!FillModelBuffer(mesh.vertexBuffer, mesh.vertices.data(), vertexBytes) ||
                !FillModelBuffer(mesh.indexBuffer, mesh.indices.data(), indexBytes))
                return false;
        }
    }
    return true;
}

void QvxModel::DrawMeshes(int32_t frame)
{
    if (frames.empty())
        return;
    RenderDevice& rd = g_RenderDevice;
    for (QvxMesh& mesh : frames[size_t(ClampFrame(frame, frameCount))].meshes) {
        if (mesh.vertexBuffer == nullptr || mesh.indexBuffer == nullptr)
            continue;
        rd.device->SetStreamSource(0, mesh.vertexBuffer, sizeof(QvxVertex));
        rd.device->SetIndices(mesh.indexBuffer, 0);
        if (GpuSucceeded(rd.device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, uint32_t(mesh.vertices.size()), 0,
                                                         uint32_t(mesh.triangleCount))))
            rd.primitiveCount += uint32_t(mesh.triangleCount);
    }
}

void QvxModel::Render(int32_t frame, bool flatColour)
{
    RenderDevice& rd = g_RenderDevice;
    const bool blended = material.Diffuse.a < 1.0f;
    if (blended) {
        rd.ChangeRenderState(D3DRS_ALPHABLENDENABLE, 1);
        rd.device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        rd.device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
        rd.ChangeTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    }
    // Front faces are counter-clockwise.
    rd.ChangeRenderState(D3DRS_CULLMODE, D3DCULL_CW);
    SetModelVertexFormat(QVX_FVF);
    if (texture.texture != nullptr)
        rd.SetTexture(0, texture.texture);
    rd.device->SetMaterial(&material);
    if (flatColour) {
        rd.ChangeRenderState(D3DRS_ZENABLE, 0);
        rd.device->SetRenderState(D3DRS_TEXTUREFACTOR, 0);
        rd.device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TFACTOR);
    } else {
        rd.ChangeRenderState(D3DRS_ZENABLE, 1);
    }
    rd.ChangeTextureStageState(0, D3DTSS_COLOROP, flatColour ? D3DTOP_SELECTARG1 : D3DTOP_MODULATE);

    DrawMeshes(frame);

    rd.device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    rd.RevertTextureStageState(0, D3DTSS_COLOROP);
    rd.RevertRenderState(D3DRS_ZENABLE);
    rd.RevertRenderState(D3DRS_CULLMODE);
    if (blended) {
        rd.RevertTextureStageState(0, D3DTSS_ALPHAOP);
        rd.RevertRenderState(D3DRS_ALPHABLENDENABLE);
    }
}

void QvxModel::RenderDot3(int32_t frame, bool flatColour)
{
    if (flatColour) {
        Render(frame, true);
        return;
    }
    RenderDevice& rd = g_RenderDevice;
    if (material.Diffuse.a < 1.0f) {
        SetAlphaBlending();
    }
    rd.ChangeRenderState(D3DRS_CULLMODE, D3DCULL_CW);
    BeginDot3Stages();
    SetModelVertexFormat(QVX_FVF);
    if (texture.texture != nullptr)
        rd.SetTexture(1, texture.texture);
    rd.device->SetMaterial(&material);
    rd.device->SetRenderState(D3DRS_ZENABLE, 1);

    DrawMeshes(frame);

    rd.device->SetRenderState(D3DRS_ALPHABLENDENABLE, 0);
    EndDot3Stages();
    rd.RevertRenderState(D3DRS_CULLMODE);
}

void QvxModel::RenderMaterialOnly(int32_t frame, bool flatColour)
{
    if (flatColour) {
        Render(frame, true);
        return;
    }
    RenderDevice& rd = g_RenderDevice;
    rd.ChangeRenderState(D3DRS_CULLMODE, D3DCULL_CW);
    SetModelVertexFormat(QVX_FVF);
    rd.device->SetMaterial(&material);
    DrawMeshes(frame);
    rd.RevertRenderState(D3DRS_CULLMODE);
}

bool QvxModel::Animate(const char* animationName, uint32_t loop, float step)
{
    return int32_t(animations.Advance(animationName, loop, step)) != -1;
}

int32_t QvxModel::GetAnimationFrame(const char* animationName)
{
    return int32_t(animations.GetFrame(animationName));
}

int32_t QvxModel::GetFrameCount()
{
    return frameCount;
}

void QvxModel::GetFrameBounds(BoundingBox* out, int32_t frame, const Matrix* world)
{
    if (frames.empty()) {
        *out = BoundingBox();
        return;
    }
    frames[size_t(ClampFrame(frame, frameCount))].corners.GetTransformedBounds(out, world);
}

bool QvxModel::Restore()
{
    if (name[0] != 0)
        LogFormat("\nRestoring .qvx model \"%s\"...", name);
    if (!CreateBuffers())
        return false;
    return texture.Restore();
}

void QvxModel::ReleaseBuffers()
{
    for (QvxFrame& frame : frames) {
        for (QvxMesh& mesh : frame.meshes) {
            ReleaseModelBuffer(mesh.vertexBuffer);
            ReleaseModelBuffer(mesh.indexBuffer);
        }
    }
}

void QvxModel::Release()
{
    if (name[0] != 0)
        LogFormat("\nReleasing .qvx model \"%s\"...", name);
    texture.Release();
    ReleaseBuffers();
}

void QvxModel::Destroy()
{
    if (name[0] != 0)
        LogFormat("\nDestroying .qvx model \"%s\"...", name);
    ReleaseBuffers();
    frames.clear();
    frameCount = 0;
}

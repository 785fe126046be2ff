#include "engine/models/Md2Model.h"

#include "backend/files/Files.h"
#include "backend/gpu/GpuDevice.h"
#include "backend/gpu/GpuTexture.h"
#include "backend/gpu/GpuVertexBuffer.h"
#include "engine/models/Md2Reader.h"
#include "engine/models/ModelBuffers.h"
#include "engine/models/ModelRenderUtil.h"
#include "engine/platform/BoundingBox.h"
#include "engine/platform/Log.h"
#include "engine/platform/RenderDevice.h"

#include <cstring>

using namespace backend;

Md2Model::~Md2Model()
{
    ReleaseBuffers();
    texture.Release();
}

bool Md2Model::Load(const char* path, const char* textureName)
{
    ReleaseBuffers();
    frames.assign(size_t(MD2_MAX_FRAMES), Md2Frame());
    frameCount = 0;
    triangleCount = 0;
    LogFormat("\nLoading .md2 model \"%s\"...", path ? path : "");
    std::vector<uint8_t> bytes;
    std::string refusal;
    if (path == nullptr || std::strlen(path) >= sizeof(name) ||
        !ReadWholeFile(path, bytes, MAX_ASSET_FILE_BYTES, &refusal))
        return ReportFileError("Error loading MD2 file!", path, refusal);
    if (!ReadMd2(bytes.data(), bytes.size(), frames, frameCount, triangleCount))
        return ReportFileError("Error loading MD2 file!", path, "not an MD2 model the game can use");
    if (!CreateBuffers())
        return ReportError("Error loading MD2 file!");
    texture.Release();
    if (textureName != nullptr && textureName[0] != 0 && !texture.Load(textureName))
        return false;
    material = GpuMaterial();
    material.Diffuse = {1.0f, 1.0f, 1.0f, 0.0f};
    material.Ambient = {1.0f, 1.0f, 1.0f, 0.0f};
    SetName(path);
    return true;
}

bool Md2Model::LoadAnimation(const char* path)
{
    return animations.Load(path);
}

bool Md2Model::CreateBuffers()
{
    GpuDevice* device = g_RenderDevice.device;
    if (device == nullptr)
        return false;
    for (int32_t f = 0; f < frameCount; ++f) {
        Md2Frame& frame = frames[size_t(f)];
        if (frame.vertices.empty() || frame.vertexBuffer != nullptr)
            continue;
        const uint32_t bytes = uint32_t(frame.vertices.size() * sizeof(Md2Vertex));
        if (GpuFailed(
                device->CreateVertexBuffer(bytes, D3DUSAGE_WRITEONLY, MD2_FVF, D3DPOOL_DEFAULT, &frame.vertexBuffer)))
            return false;
        if (!FillModelBuffer(frame.vertexBuffer, frame.vertices.data(), bytes))
            return false;
    }
    return true;
}

void Md2Model::DrawFrame(int32_t frame)
{
    if (frameCount <= 0)
        return;
    RenderDevice& rd = g_RenderDevice;
    Md2Frame& drawn = frames[size_t(ClampFrame(frame, frameCount))];
    if (drawn.vertexBuffer == nullptr)
        return;
    rd.device->SetStreamSource(0, drawn.vertexBuffer, sizeof(Md2Vertex));
    if (GpuSucceeded(rd.device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, uint32_t(triangleCount))))
        rd.primitiveCount += uint32_t(triangleCount);
}

void Md2Model::Render(int32_t frame, bool flatColour)
{
    RenderDevice& rd = g_RenderDevice;
    SetModelVertexFormat(MD2_FVF);
    if (texture.texture != nullptr)
        rd.SetTexture(0, texture.texture);
    rd.device->SetMaterial(&material);
    rd.device->SetRenderState(D3DRS_ZENABLE, 1);
    if (flatColour)
        BeginFlatColour();
    else
        rd.device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);

    DrawFrame(frame);

    rd.device->SetRenderState(D3DRS_ZENABLE, 1);
    rd.device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    rd.device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
}

void Md2Model::RenderDot3(int32_t frame, bool flatColour)
{
    if (flatColour) {
        Render(frame, true);
        return;
    }
    RenderDevice& rd = g_RenderDevice;
    BeginDot3Stages();
    SetModelVertexFormat(MD2_FVF);
    if (texture.texture != nullptr)
        rd.SetTexture(1, texture.texture);
    rd.device->SetMaterial(&material);
    rd.device->SetRenderState(D3DRS_ZENABLE, 1);

    DrawFrame(frame);

    EndDot3Stages();
}

bool Md2Model::Animate(const char* animationName, uint32_t loop, float step)
{
    return int32_t(animations.Advance(animationName, loop, step)) != -1;
}

int32_t Md2Model::GetAnimationFrame(const char* animationName)
{
    return int32_t(animations.GetFrame(animationName));
}

int32_t Md2Model::GetFrameCount()
{
    return frameCount;
}

void Md2Model::GetFrameBounds(BoundingBox* out, int32_t frame, const Matrix* world)
{
    if (frameCount <= 0) {
        *out = BoundingBox();
        return;
    }
    frames[size_t(ClampFrame(frame, frameCount))].corners.GetTransformedBounds(out, world);
}

bool Md2Model::Restore()
{
    if (name[0] != 0)
        LogFormat("\nRestoring .md2 model \"%s\"...", name);
    if (!CreateBuffers())
        return false;
    return texture.Restore();
}

void Md2Model::ReleaseBuffers()
{
    for (Md2Frame& frame : frames)
        ReleaseModelBuffer(frame.vertexBuffer);
}

void Md2Model::Release()
{
    if (name[0] != 0)
        LogFormat("\nReleasing .md2 model \"%s\"...", name);
    ReleaseBuffers();
    texture.Release();
}

void Md2Model::Destroy()
{
    if (name[0] != 0)
        LogFormat("\nDestroying .md2 model \"%s\"...", name);
    ReleaseBuffers();
    frames.clear();
    frameCount = 0;
}

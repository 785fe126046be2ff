#include "engine/platform/VertexImage.h"

#include "backend/gpu/GpuDevice.h"
#include "backend/gpu/GpuTexture.h"
#include "backend/gpu/GpuVertexBuffer.h"
#include "backend/math/MatrixMath.h"
#include "engine/platform/Log.h"
#include "engine/platform/RenderDevice.h"

#include <cstring>

using namespace backend;

bool VertexImage::Load(const char* textureFile, float newWidth, float newHeight, uint32_t newColour,
                       const float newUv[4])
{
    width = newWidth;
    height = newHeight;
    colour = newColour;
    std::memcpy(uv, newUv, sizeof(uv));
    LogMessage("\nLoading vertex image...");
    if (!CreateVertexBuffer())
        return ReportError("Error loading vertex image!");
    return LoadTexture(textureFile);
}

bool VertexImage::CreateVertexBuffer()
{
    GpuDevice* device = g_RenderDevice.device;
    if (device == nullptr)
        return false;
    GpuVertexBuffer* created = nullptr;
    if (GpuFailed(device->CreateVertexBuffer(4 * sizeof(VertexImageVertex), D3DUSAGE_WRITEONLY, VERTEXIMAGE_FVF,
                                             D3DPOOL_MANAGED, &created)) ||
        created == nullptr)
        return false;
    // A buffer still held (a second Load) would otherwise be lost.
    if (vertexBuffer != nullptr)
        vertexBuffer->Release();
    vertexBuffer = created;
    return UpdateVertices();
}

bool VertexImage::UpdateVertices()
{
    if (vertexBuffer == nullptr)
        return false;
    uint8_t* data = nullptr;
    if (GpuFailed(vertexBuffer->Lock(0, 0, &data, 0)) || data == nullptr)
        return false;
    const float halfWidth = width * 0.5f, halfHeight = height * 0.5f;
    const VertexImageVertex vertices[4] = {
        {-halfWidth, -halfHeight, 1.0f, colour, uv[0], uv[3]}, // bottom left
        {-halfWidth, +halfHeight, 1.0f, colour, uv[0], uv[1]}, // top left
        {+halfWidth, -halfHeight, 1.0f, colour, uv[2], uv[3]}, // bottom right
        {+halfWidth, +halfHeight, 1.0f, colour, uv[2], uv[1]}, // top right
    };
    std::memcpy(data, vertices, sizeof(vertices));
    vertexBuffer->Unlock();
    return true;
}

bool VertexImage::LoadTexture(const char* file)
{
    ownTexture.Release();
    if (file == nullptr) {
        mode = VERTEXIMAGE_TEXTURE_NONE;
        texture = nullptr;
        return true;
    }
    if (!ownTexture.Load(file)) {
        mode = VERTEXIMAGE_TEXTURE_NONE;
        texture = nullptr;
        return false;
    }
    mode = VERTEXIMAGE_TEXTURE_OWN;
    texture = ownTexture.texture;
    return true;
}

void VertexImage::SetTexture(GpuTexture* external)
{
    ownTexture.Release();
    mode = VERTEXIMAGE_TEXTURE_EXTERNAL;
    texture = external;
}

void VertexImage::SetPosition(float x, float y, uint32_t flags)
{
    if ((flags & 1) == 0)
        x -= 400.0f - width * 0.5f;
    if ((flags & 2) == 0)
        y -= 300.0f - height * 0.5f;
    Matrix world;
    MatrixTranslation(&world, x, -y, 0.0f);
    g_RenderDevice.device->SetTransform(D3DTS_WORLD, &world);
}

void VertexImage::Render()
{
    RenderDevice& rd = g_RenderDevice;
    rd.ChangeRenderState(D3DRS_ZENABLE, 0);
    rd.ChangeRenderState(D3DRS_LIGHTING, 0);
    rd.device->SetStreamSource(0, vertexBuffer, sizeof(VertexImageVertex));
    if (rd.currentVertexShader != VERTEXIMAGE_FVF) {
        if (GpuSucceeded(rd.device->SetVertexShader(VERTEXIMAGE_FVF)))
            rd.currentVertexShader = VERTEXIMAGE_FVF;
    }
    if (mode == VERTEXIMAGE_TEXTURE_EXTERNAL || mode == VERTEXIMAGE_TEXTURE_OWN)
        rd.SetTexture(0, texture);
    else if (rd.currentTexture[0] != nullptr)
        rd.SetTexture(0, nullptr);
    DrawQuad();
    rd.RevertRenderState(D3DRS_LIGHTING);
    rd.RevertRenderState(D3DRS_ZENABLE);
    if (rd.currentTexture[0] != nullptr)
        rd.SetTexture(0, nullptr);
}

void VertexImage::DrawQuad()
{
    if (GpuSucceeded(g_RenderDevice.device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2)))
        g_RenderDevice.primitiveCount += 2;
}

bool VertexImage::Restore()
{
    LogMessage("\nRestoring vertex image...");
    if (mode == VERTEXIMAGE_TEXTURE_OWN) {
        if (!ownTexture.Restore())
            return false;
        texture = ownTexture.texture;
    }
    return CreateVertexBuffer();
}

void VertexImage::Release()
{
    // The texture and the buffer are let go independently: a Restore that failed
    // half-way may have left only one of them.
    if (vertexBuffer != nullptr)
        LogMessage("\nReleasing vertex image...");
    ownTexture.Release();
    texture = nullptr;
    if (vertexBuffer != nullptr) {
        vertexBuffer->Release();
        vertexBuffer = nullptr;
    }
}

#include "engine/scene/Billboard.h"

#include "engine/platform/Log.h"
#include "engine/platform/RenderDevice.h"
#include "engine/scene/SceneDevice.h"
#include "engine/scene/SceneVertex.h"

#include "backend/gpu/GpuDevice.h"
#include "backend/gpu/GpuTexture.h"
#include "backend/gpu/GpuVertexBuffer.h"
#include "backend/math/MatrixMath.h"
#include "physics/TAnimatedBody.h"
#include "physics/TSimulator.h"

using namespace backend;

Billboard::~Billboard()
{
    ReleaseObject(vertexBuffer);
    texture.Release();
}

bool Billboard::Load(const char* textureFile, float newWidth, float newHeight, uint32_t newColour,
                     const float newUvRect[4])
{
    width = newWidth;
    height = newHeight;
    colour = newColour;
    for (int i = 0; i < 4; ++i)
        uvRect[i] = newUvRect[i];
    MatrixIdentity(&orientation);
    LogMessage("\nLoading billboard...");
    if (!CreateBuffer())
        return ReportError("Error creating a billboard!");
    texture.Release();
    if (textureFile != nullptr && !texture.Load(textureFile))
        return false;
    return true;
}

bool Billboard::CreateBuffer()
{
    ReleaseObject(vertexBuffer);
    GpuDevice* device = g_RenderDevice.device;
    if (device == nullptr || GpuFailed(device->CreateVertexBuffer(4 * sizeof(SceneVertex), D3DUSAGE_WRITEONLY,
                                                                  SCENE_VERTEX_FVF, D3DPOOL_MANAGED, &vertexBuffer)))
        return false;
    uint8_t* data = nullptr;
    if (GpuFailed(vertexBuffer->Lock(0, 0, &data, 0)))
        return false;
    GetCorners(reinterpret_cast<SceneVertex*>(data));
    vertexBuffer->Unlock();
    return true;
}

void Billboard::GetCorners(SceneVertex out[4]) const
{
    const float w = width * 0.5f;
    out[0] = {-w, 0.0f, 0.0f, colour, uvRect[0], uvRect[3]};
    out[1] = {-w, height, 0.0f, colour, uvRect[0], uvRect[1]};
    out[2] = {w, 0.0f, 0.0f, colour, uvRect[2], uvRect[3]};
    out[3] = {w, height, 0.0f, colour, uvRect[2], uvRect[1]};
}

BoundingBox Billboard::GetBounds(const Vector3& base) const
{
    BoundingBox box;
    const float w = width * 0.5f;
    box.min = {base.x - w, base.y, base.z - w};
    box.max = {base.x + w, base.y + height, base.z + w};
    return box;
}

void Billboard::Render(bool flat)
{
    if (vertexBuffer == nullptr)
        return;
    RenderDevice& rd = g_RenderDevice;
    Matrix translation, worldMatrix;
    MatrixTranslation(&translation, position.x, position.y, position.z);
    MatrixMultiply(&worldMatrix, &orientation, &translation);
    rd.device->SetTransform(D3DTS_WORLD, &worldMatrix);
    rd.SetStreamSource(0, vertexBuffer, sizeof(SceneVertex));
    SetVertexFormat(SCENE_VERTEX_FVF);
    rd.SetTexture(0, texture.texture);
    BeginDraw(flat);
    rd.DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
    EndDraw(flat);
}

void Billboard::BeginDraw(bool flat)
{
    RenderDevice& rd = g_RenderDevice;
    if (flat) {
        rd.ChangeRenderState(D3DRS_ZENABLE, 0);
        rd.ChangeRenderState(D3DRS_TEXTUREFACTOR, 0);
        rd.SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TFACTOR);
        rd.SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    } else {
        rd.SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    }
}

void Billboard::EndDraw(bool flat)
{
    RenderDevice& rd = g_RenderDevice;
    rd.SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    rd.SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    if (flat)
        rd.RevertRenderState(D3DRS_ZENABLE);
}

bool Billboard::AddToPhysics(TSimulator* simulator, const Vector3& base) const
{
    if (collisionRadius == 0.0f)
        return true;
    if (simulator == nullptr)
        return false;
    TAnimatedBody* body = simulator->CreateAnimatedBody();
    if (body == nullptr)
        return false;
    TConvex* box = body->AddGeometry();
    if (box == nullptr)
        return false;
    box->SetMaterialIndex(int32_t(material));
    // The radius serves as the box's full width and depth.
    const TVec4 fullSize = Vec(collisionRadius, height, collisionRadius);
    box->SetBoxSize(&fullSize);
    body->UpdateBoundingInfo();
    body->SetCollisionId(int(material));
    const TVec4 centre = Vec(base.x, base.y + height * 0.5f, base.z, 1.0f);
    body->SetPosition(&centre);
    return true;
}

bool Billboard::Restore()
{
    LogMessage("\nRestoring billboard...");
    if (!texture.Restore())
        return false;
    return CreateBuffer();
}

void Billboard::Release()
{
    LogMessage("\nReleasing billboard...");
    texture.Release();
    ReleaseObject(vertexBuffer);
}

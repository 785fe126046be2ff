#include "engine/scene/Water.h"

#include "engine/platform/Log.h"
#include "engine/platform/MathUtil.h"
#include "engine/platform/RenderDevice.h"
#include "engine/scene/SceneDevice.h"

#include "backend/gpu/GpuDevice.h"
#include "backend/gpu/GpuTexture.h"
#include "backend/gpu/GpuVertexBuffer.h"
#include "backend/math/MatrixMath.h"

#include <cmath>
#include <cstring>

using namespace backend;

namespace {

// Back into [0, 1); rounding of a tiny negative value up to 1.0 counts as 0.
float WrapOffset(float offset)
{
    offset -= std::floor(offset);
    return offset >= 1.0f ? 0.0f : offset;
}

} // namespace

Water::~Water()
{
    ReleaseObject(vertexBuffer);
    texture.Release();
}

bool Water::Create(const char* textureFile, float newSizeX, float newSizeZ, float alpha, float tileU, float tileV,
                   uint32_t newSourceBlend, const float scrollSpeed[2])
{
    LogMessage("\nCreating water...");
    material = GpuMaterial();
    material.Diffuse = {1.0f, 1.0f, 1.0f, alpha};
    material.Ambient = {1.0f, 1.0f, 1.0f, alpha};
    material.Specular = {0.0f, 0.0f, 0.0f, alpha};
    material.Emissive = {0.0f, 0.0f, 0.0f, alpha};
    const float hx = newSizeX * 0.5f, hz = newSizeZ * 0.5f;
    const float corners[4][4] = {
        {-hx, -hz, 0.0f, 1.0f}, {-hx, hz, 0.0f, 0.0f}, {hx, -hz, 1.0f, 1.0f}, {hx, hz, 1.0f, 0.0f}};
    for (int i = 0; i < 4; ++i) {
        vertices[i].position = {corners[i][0], 0.0f, corners[i][1]};
        vertices[i].normal = {0.0f, 1.0f, 0.0f};
        vertices[i].u = corners[i][2];
        vertices[i].v = corners[i][3];
    }
    offsetU = offsetV = 0.0f;
    sizeX = newSizeX;
    sizeZ = newSizeZ;
    if (!CreateBuffer())
        return ReportError("Error creating water!");
    texture.Release();
    if (textureFile != nullptr && !texture.Load(textureFile))
        return false;
    sourceBlend = newSourceBlend;
    speedU = scrollSpeed[0];
    speedV = scrollSpeed[1];
    MatrixScaling(&textureScale, tileU, tileV, 1.0f);
    return true;
}

bool Water::CreateBuffer()
{
    ReleaseObject(vertexBuffer);
    GpuDevice* device = g_RenderDevice.device;
    if (device == nullptr || GpuFailed(device->CreateVertexBuffer(sizeof(vertices), D3DUSAGE_WRITEONLY,
                                                                  TERRAIN_VERTEX_FVF, D3DPOOL_DEFAULT, &vertexBuffer)))
        return false;
    uint8_t* data = nullptr;
    if (GpuFailed(vertexBuffer->Lock(0, 0, &data, 0)))
        return false;
    std::memcpy(data, vertices, sizeof(vertices));
    vertexBuffer->Unlock();
    return true;
}

void Water::Update()
{
    offsetU = WrapOffset(offsetU - speedU);
    offsetV = WrapOffset(offsetV + speedV);
}

void Water::BuildTextureTransform(Matrix* out) const
{
    Matrix translation, arranged;
    MatrixTranslation(&translation, offsetU, offsetV, 0.0f);
    BuildTextureMatrix2D(&arranged, &translation);
    MatrixMultiply(out, &arranged, &textureScale);
}

void Water::Render(bool flat)
{
    if (vertexBuffer == nullptr)
        return;
    RenderDevice& rd = g_RenderDevice;
    rd.SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
    rd.SetRenderState(D3DRS_SRCBLEND, sourceBlend);
    rd.SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    rd.ChangeTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    SetVertexFormat(TERRAIN_VERTEX_FVF);
    if (flat) {
        rd.SetRenderState(D3DRS_ZENABLE, 0);
        rd.SetRenderState(D3DRS_TEXTUREFACTOR, 0);
        rd.SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TFACTOR);
        rd.SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    } else {
        rd.SetRenderState(D3DRS_ZENABLE, 1);
        rd.SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    }

    Matrix worldMatrix, textureTransform;
    MatrixTranslation(&worldMatrix, position.x, position.y, position.z);
    rd.device->SetTransform(D3DTS_WORLD, &worldMatrix);
    BuildTextureTransform(&textureTransform);
    rd.device->SetTransform(D3DTS_TEXTURE0, &textureTransform);
    rd.ChangeTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2);

    rd.device->SetMaterial(&material);
    if (texture.texture != nullptr)
        rd.SetTexture(0, texture.texture);
    rd.SetStreamSource(0, vertexBuffer, sizeof(TerrainVertex));
    rd.DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);

    rd.SetRenderState(D3DRS_ALPHABLENDENABLE, 0);
    rd.SetRenderState(D3DRS_ZENABLE, 1);
    rd.SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    rd.SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    rd.RevertTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS);
    rd.RevertTextureStageState(0, D3DTSS_ALPHAOP);
}

bool Water::Restore()
{
    LogMessage("\nRestoring water...");
    if (!texture.Restore())
        return false;
    return CreateBuffer();
}

void Water::Release()
{
    LogMessage("\nReleasing water...");
    texture.Release();
    ReleaseObject(vertexBuffer);
}

#include "engine/scene/FlareLight.h"

#include "engine/platform/Log.h"
#include "engine/platform/RenderDevice.h"
#include "engine/scene/Camera.h"
#include "engine/scene/SceneDevice.h"
#include "engine/scene/SceneVertex.h"

#include "backend/gpu/GpuDevice.h"
#include "backend/gpu/GpuTexture.h"
#include "backend/gpu/GpuVertexBuffer.h"
#include "backend/math/MatrixMath.h"
#include "backend/math/Vector.h"

#include <algorithm>
#include <cmath>

using namespace backend;

namespace {

constexpr float BRIGHTNESS_EPSILON = 1e-6f;

} // namespace

FlareLight::~FlareLight()
{
    ReleaseObject(vertexBuffer);
    texture.Release();
}

bool FlareLight::Create(const char* textureFile, float newHalfSize, const Vector3* newPosition,
                        const Vector3* newDirection, float newFalloff, float newGain, float newRate, bool newTwoSided)
{
    halfSize = newHalfSize;
    basePosition = *newPosition;
    Vec3Normalize(&direction, newDirection);
    falloff = newFalloff;
    gain = newGain;
    rate = newRate;
    twoSided = newTwoSided;
    LogMessage("\nCreating flare light...");
    if (!CreateBuffer())
        return ReportError("Error creating flare light!");
    texture.Release();
    if (textureFile != nullptr && !texture.Load(textureFile))
        return false;
    intensity = 1.0f;
    visible = true;
    position = basePosition;
    return true;
}

bool FlareLight::CreateBuffer()
{
    ReleaseObject(vertexBuffer);
    GpuDevice* device = g_RenderDevice.device;
    return device != nullptr &&
           GpuSucceeded(device->CreateVertexBuffer(4 * sizeof(SceneVertex), D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY,
                                                   SCENE_VERTEX_FVF, D3DPOOL_DEFAULT, &vertexBuffer));
}

void FlareLight::Reset()
{
    visible = true;
    intensity = 1.0f;
    position = basePosition;
}

void FlareLight::UpdateBrightness(const Camera& camera)
{
    position = basePosition;
    billboardPitch = -camera.angles.x;
    billboardYaw = camera.angles.y;
    const Vector3 towardLamp = -direction;
    float facing = Vec3Dot(&towardLamp, &camera.forward) * gain;
    if (twoSided)
        facing = std::fabs(facing);
    const Vector3 offset = basePosition - camera.eye;
    const float target = std::clamp(facing - Vec3Length(&offset) * falloff, 0.0f, 1.0f);
    const float step = (target - intensity) * rate;
    float next;
    if (target > intensity)
        next = std::clamp(intensity + step, 0.0f, target);
    else
        next = std::min(std::max(intensity + 2.0f * step, target), 1.0f);
    // The steps shrink with the gap and would stall in denormals above the
    // target for good: close enough counts as there, so a dark lamp goes out.
    if (std::fabs(next - target) < BRIGHTNESS_EPSILON)
        next = target;
    visible = next > 0.0f;
    intensity = next;
}

void FlareLight::Render(const Camera* camera)
{
    UpdateBrightness(*camera);
    uint8_t* data = nullptr;
    if (vertexBuffer == nullptr || GpuFailed(vertexBuffer->Lock(0, 0, &data, D3DLOCK_DISCARD)))
        return;
    const float h = halfSize;
    const GpuColor colour = GpuColorArgb(ColourChannel(intensity), 255, 255, 255);
    const SceneVertex quad[4] = {{-h, -h, 0.0f, colour, 0.0f, 1.0f},
                                 {-h, h, 0.0f, colour, 0.0f, 0.0f},
                                 {h, -h, 0.0f, colour, 1.0f, 1.0f},
                                 {h, h, 0.0f, colour, 1.0f, 0.0f}};
    SceneVertex* out = reinterpret_cast<SceneVertex*>(data);
    for (const SceneVertex& v : quad)
        *out++ = v;
    vertexBuffer->Unlock();
    if (!visible)
        return;

    RenderDevice& rd = g_RenderDevice;
    SetVertexFormat(SCENE_VERTEX_FVF);
    rd.ChangeRenderState(D3DRS_LIGHTING, 0);
    rd.ChangeRenderState(D3DRS_ALPHABLENDENABLE, 1);
    rd.ChangeRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    rd.ChangeRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    rd.ChangeRenderState(D3DRS_ZWRITEENABLE, 0);
    rd.ChangeTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    if (texture.texture != nullptr)
        rd.SetTexture(0, texture.texture);
    Matrix yaw, pitch, roll, translation, world;
    MatrixRotationY(&yaw, billboardYaw);
    MatrixRotationX(&pitch, billboardPitch);
    MatrixRotationZ(&roll, 0.0f);
    MatrixTranslation(&translation, position.x, position.y, position.z);
    MatrixMultiply(&world, &yaw, &pitch);
    MatrixMultiply(&world, &world, &roll);
    MatrixMultiply(&world, &world, &translation);
    rd.device->SetTransform(D3DTS_WORLD, &world);
    rd.SetStreamSource(0, vertexBuffer, sizeof(SceneVertex));
    rd.DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
    rd.RevertRenderState(D3DRS_LIGHTING);
    rd.RevertRenderState(D3DRS_ALPHABLENDENABLE);
    rd.RevertRenderState(D3DRS_SRCBLEND);
    rd.RevertRenderState(D3DRS_DESTBLEND);
    rd.RevertRenderState(D3DRS_ZWRITEENABLE);
    rd.RevertTextureStageState(0, D3DTSS_ALPHAOP);
}

bool FlareLight::Restore()
{
    return CreateBuffer() && texture.Restore();
}

void FlareLight::Release()
{
    LogMessage("\nReleasing flare light...");
    texture.Release();
    ReleaseObject(vertexBuffer);
}

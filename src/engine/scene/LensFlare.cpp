#include "engine/scene/LensFlare.h"

#include "engine/platform/Log.h"
#include "engine/platform/RenderDevice.h"
#include "engine/scene/SceneDevice.h"
#include "engine/scene/SceneVertex.h"

#include "backend/gpu/GpuDevice.h"
#include "backend/gpu/GpuSurface.h"
#include "backend/gpu/GpuTexture.h"
#include "backend/gpu/GpuVertexBuffer.h"
#include "backend/math/MatrixMath.h"
#include "backend/math/Vector.h"

#include <algorithm>
#include <cmath>

using namespace backend;

namespace {

constexpr uint32_t POINT_VERTEX_FVF = D3DFVF_XYZRHW | D3DFVF_TEX1;
constexpr int PREVIEW_VERTICES = 8;
constexpr int POINT_BUFFER_VERTICES = PREVIEW_VERTICES + LENS_FLARE_POINTS;
// The sun quad for the screen, the one for the sun map, then the elements.
constexpr int SUN_QUADS = 2;

// A pre-transformed vertex in pixels of the current target.
struct PointVertex {
    float x, y, z, rhw;
    float u, v;
};
static_assert(sizeof(PointVertex) == 24);

float SafeAcos(float value)
{
    return std::acos(std::clamp(value, -1.0f, 1.0f));
}

void WriteQuad(SceneVertex* out, const Vector3& centre, const Vector3& a, const Vector3& b, GpuColor colour)
{
    const Vector3 corners[4] = {centre - a - b, centre - a + b, centre + a - b, centre + a + b};
    const float uv[4][2] = {{0.0f, 1.0f}, {0.0f, 0.0f}, {1.0f, 1.0f}, {1.0f, 0.0f}};
    for (int i = 0; i < 4; ++i)
        out[i] = {corners[i].x, corners[i].y, corners[i].z, colour, uv[i][0], uv[i][1]};
}

void WritePreviewQuad(PointVertex* out, float left, float top, float right, float bottom)
{
    out[0] = {left, bottom, 0.0f, 1.0f, 0.0f, 1.0f};
    out[1] = {left, top, 0.0f, 1.0f, 0.0f, 0.0f};
    out[2] = {right, bottom, 0.0f, 1.0f, 1.0f, 1.0f};
    out[3] = {right, top, 0.0f, 1.0f, 1.0f, 0.0f};
}

} // namespace

LensFlare::LensFlare()
{
    elements.reserve(10);
}

LensFlare::~LensFlare()
{
    ReleaseSurfaces();
    ReleaseObject(pointBuffer);
    ReleaseObject(vertexBuffer);
    intensityMap.Release();
    sunMap.Release();
    for (Texture& texture : textures)
        texture.Release();
}

bool LensFlare::Create(const char textureNames[LENS_FLARE_TEXTURES][260], float newDistance, float newSize,
                       const Vector3* newSunDirection, const float newColour[4])
{
    LogMessage("\nCreating lens flare...");
    Vec3Normalize(&sunDirection, newSunDirection);
    for (int i = 0; i < 4; ++i)
        colour[i] = newColour[i];
    distance = newDistance;
    size = newSize;
    fovFactor = 0.7f;
    ReleaseSurfaces();
    intensityMap.Release();
    sunMap.Release();
    for (int i = 0; i < LENS_FLARE_TEXTURES; ++i) {
        textures[i].Release();
        if (!textures[i].Load(textureNames[i]))
            return ReportError("Error creating a lens flare!");
    }
    if (!sunMap.Create(LENS_FLARE_MAP_SIZE, LENS_FLARE_MAP_SIZE, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8,
                       D3DPOOL_DEFAULT, "SunMap", true) ||
        !intensityMap.Create(LENS_FLARE_MAP_SIZE, LENS_FLARE_MAP_SIZE, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8,
                             D3DPOOL_DEFAULT, "IntensityMap", true) ||
        !TakeMapSurfaces())
        return false;
    return CreateBuffers();
}

void LensFlare::AddElement(float elementSize, float red, float green, float blue, float alpha, float position,
                           int32_t textureIndex)
{
    LensFlareElement element;
    element.textureIndex = textureIndex;
    element.size = elementSize;
    element.red = red;
    element.green = green;
    element.blue = blue;
    element.alpha = alpha;
    element.position = position;
    elements.push_back(element);
}

bool LensFlare::CreateBuffers()
{
    LogMessage("\nCreating buffers for the lens flare...");
    ReleaseObject(pointBuffer);
    ReleaseObject(vertexBuffer);
    bufferElementCount = 0;
    GpuDevice* device = g_RenderDevice.device;
    uint8_t* data = nullptr;
    if (device == nullptr ||
        GpuFailed(device->CreateVertexBuffer(POINT_BUFFER_VERTICES * sizeof(PointVertex), D3DUSAGE_WRITEONLY,
                                             POINT_VERTEX_FVF, D3DPOOL_MANAGED, &pointBuffer)) ||
        GpuFailed(pointBuffer->Lock(0, 0, &data, 0)))
        return ReportError("Error creating buffers for the lens flare!");
    PointVertex* points = reinterpret_cast<PointVertex*>(data);
    WritePreviewQuad(points, 225.0f, 0.0f, 325.0f, 100.0f);
    WritePreviewQuad(points + 4, 325.0f, 0.0f, 375.0f, 50.0f);
    // One point per sun-map texel, all landing on texel (0, 0) of the target;
    // each samples the centre of its texel.
    PointVertex* out = points + PREVIEW_VERTICES;
    for (int row = 0; row < LENS_FLARE_MAP_SIZE; ++row)
        for (int column = 0; column < LENS_FLARE_MAP_SIZE; ++column)
            *out++ = {0.0f,
                      0.0f,
                      0.0f,
                      1.0f,
                      (float(column) + 0.5f) / LENS_FLARE_MAP_SIZE,
                      (float(row) + 0.5f) / LENS_FLARE_MAP_SIZE};
    sunMapQuadStart = 0;
    intensityQuadStart = 4;
    pointsStart = PREVIEW_VERTICES;
    pointBuffer->Unlock();

    const uint32_t quads = uint32_t(elements.size()) + SUN_QUADS;
    if (GpuFailed(device->CreateVertexBuffer(quads * 4 * sizeof(SceneVertex), D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, 0,
                                             D3DPOOL_DEFAULT, &vertexBuffer)))
        return ReportError("Error creating buffers for the lens flare lens flare!");
    bufferElementCount = int32_t(elements.size());
    return true;
}

void LensFlare::AimFlareCamera(const Camera& camera)
{
    const Vector3 flatDirection = {sunDirection.x, 0.0f, sunDirection.z};
    Vector3 h;
    Vec3Normalize(&h, &flatDirection);
    float elevation, heading;
    if (Vec3LengthSq(&h) == 0.0f) {
        // Straight up or down: any heading will do.
        elevation = std::copysign(std::acos(0.0f), sunDirection.y);
        heading = 0.0f;
    } else {
        elevation = std::copysign(SafeAcos(Vec3Dot(&h, &sunDirection)), sunDirection.y);
        heading = SafeAcos(h.z);
        if (h.x < 0.0f)
            heading = -heading;
    }
    const Vector3 corner = sunPoint + Vector3{size, size, 0.0f} - camera.eye;
    Vector3 cornerDirection;
    Vec3Normalize(&cornerDirection, &corner);
    const float fieldOfView = 2.0f * SafeAcos(Vec3Dot(&cornerDirection, &sunDirection)) * fovFactor;
    const Vector3 angles = {elevation, heading, 0.0f};
    flareCamera.Set(fieldOfView, 1.0f, camera.nearClip, camera.farClip + 2.0f * size, &camera.eye, &angles);
}

void LensFlare::Update(const Camera& camera)
{
    const Vector3& forward = camera.forward;
    const float d = Vec3Dot(&sunDirection, &forward);
    if (d <= 1e-5f) {
        visible = false;
        return;
    }
    visible = true;
    centrePoint = camera.eye + forward * distance;
    sunPoint = camera.eye + sunDirection * (distance / d);

    // Looking straight at the sun leaves no line: take the camera's right axis.
    const Vector3 line = centrePoint - sunPoint;
    Vector3 axis = camera.right;
    if (Vec3LengthSq(&line) > 1e-12f)
        Vec3Normalize(&axis, &line);
    Vector3 across;
    Vec3Cross(&across, &axis, &forward);

    AimFlareCamera(camera);

    uint8_t* data = nullptr;
    if (vertexBuffer == nullptr || GpuFailed(vertexBuffer->Lock(0, 0, &data, D3DLOCK_DISCARD | D3DLOCK_NOSYSLOCK)))
        return;
    SceneVertex* out = reinterpret_cast<SceneVertex*>(data);
    Vector3 right;
    Vec3Normalize(&right, &flareCamera.right);
    const Vector3 a = right * size;
    const GpuColor sunColour = ColourFromFloats(colour[0], colour[1], colour[2], colour[3]);
    Vector3 b;
    Vec3Cross(&b, &right, &forward);
    WriteQuad(out, sunPoint, a, b * size, sunColour);
    Vec3Cross(&b, &right, &flareCamera.forward);
    WriteQuad(out + 4, sunPoint, a, b * size, sunColour);

    const int count = std::min(int32_t(elements.size()), bufferElementCount);
    for (int i = 0; i < count; ++i) {
        const LensFlareElement& element = elements[size_t(i)];
        const Vector3 centre = centrePoint + line * element.position;
        const float half = element.size * size * d;
        WriteQuad(out + 4 * (SUN_QUADS + i), centre, axis * half, across * half,
                  ColourFromFloats(element.red, element.green, element.blue, element.alpha * d));
    }
    vertexBuffer->Unlock();
}

void LensFlare::RenderSun(bool toSunMap)
{
    if (!visible || vertexBuffer == nullptr)
        return;
    RenderDevice& rd = g_RenderDevice;
    rd.SetTexture(0, textures[0].texture);
    rd.SetRenderState(D3DRS_TEXTUREFACTOR, 0xFFFFFFFFu);
    if (toSunMap) {
        // A white silhouette with the sprite's alpha.
        rd.ChangeTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TFACTOR);
        rd.ChangeTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        rd.ChangeTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
        rd.SetRenderState(D3DRS_ALPHABLENDENABLE, 0);
    } else {
        rd.SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        rd.SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        rd.SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
        rd.SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
    }
    SetVertexFormat(SCENE_VERTEX_FVF);
    rd.ChangeRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    rd.SetRenderState(D3DRS_LIGHTING, 0);
    rd.SetRenderState(D3DRS_COLORVERTEX, 1);
    rd.SetRenderState(D3DRS_ALPHATESTENABLE, 1);
    rd.SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
    rd.SetRenderState(D3DRS_ALPHAREF, 5);
    rd.SetRenderState(D3DRS_ZENABLE, toSunMap ? 0 : 1);
    rd.SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    rd.SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    Matrix identity;
    MatrixIdentity(&identity);
    rd.device->SetTransform(D3DTS_WORLD, &identity);
    rd.SetStreamSource(0, vertexBuffer, sizeof(SceneVertex));
    rd.DrawPrimitive(D3DPT_TRIANGLESTRIP, toSunMap ? 4 : 0, 2);

    rd.SetTexture(0, nullptr);
    rd.RevertRenderState(D3DRS_CULLMODE);
    rd.SetRenderState(D3DRS_LIGHTING, 1);
    rd.SetRenderState(D3DRS_ALPHABLENDENABLE, 0);
    rd.SetRenderState(D3DRS_ALPHATESTENABLE, 0);
    rd.SetRenderState(D3DRS_ZENABLE, 1);
    rd.SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    rd.SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    rd.SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
}

// Taken once per device: a frame's switches then make no new surface objects.
bool LensFlare::TakeMapSurfaces()
{
    ReleaseObject(sunMapSurface);
    ReleaseObject(intensitySurface);
    if (sunMap.texture == nullptr || intensityMap.texture == nullptr ||
        GpuFailed(sunMap.texture->GetSurfaceLevel(0, &sunMapSurface)) ||
        GpuFailed(intensityMap.texture->GetSurfaceLevel(0, &intensitySurface))) {
        ReleaseObject(sunMapSurface);
        return ReportError("Error creating the lens flare's render targets!");
    }
    return true;
}

void LensFlare::ReleaseSavedTargets()
{
    ReleaseObject(savedRenderTarget);
    ReleaseObject(savedDepthStencil);
}

void LensFlare::ReleaseSurfaces()
{
    ReleaseSavedTargets();
    ReleaseObject(sunMapSurface);
    ReleaseObject(intensitySurface);
}

bool LensFlare::BeginSunMap()
{
    GpuDevice* device = g_RenderDevice.device;
    ReleaseSavedTargets();
    if (!visible || sunMapSurface == nullptr || intensitySurface == nullptr ||
        GpuFailed(device->GetRenderTarget(&savedRenderTarget)) ||
        GpuFailed(device->GetDepthStencilSurface(&savedDepthStencil)) ||
        GpuFailed(device->SetRenderTarget(sunMapSurface, nullptr))) {
        ReleaseSavedTargets();
        return false;
    }
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00000000u, 1.0f, 0);
    device->SetTransform(D3DTS_VIEW, &flareCamera.view);
    device->SetTransform(D3DTS_PROJECTION, &flareCamera.projection);
    g_RenderDevice.SetRenderState(D3DRS_ZENABLE, 0);
    RenderSun(true);
    return true;
}

void LensFlare::ComputeIntensity(const Camera& camera)
{
    RenderDevice& rd = g_RenderDevice;
    GpuDevice* device = rd.device;
    if (savedRenderTarget == nullptr || intensitySurface == nullptr) {
        ReleaseSavedTargets();
        return;
    }
    rd.SetRenderState(D3DRS_ZENABLE, 1);
    if (GpuSucceeded(device->SetRenderTarget(intensitySurface, nullptr))) {
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00000000u, 1.0f, 0);
        rd.SetTexture(0, sunMap.texture);
        rd.ChangeTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
        rd.ChangeTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        rd.ChangeTextureStageState(0, D3DTSS_COLORARG2, D3DTA_TFACTOR);
        rd.ChangeTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_POINT);
        rd.ChangeTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_POINT);
        rd.ChangeTextureStageState(0, D3DTSS_MIPFILTER, D3DTEXF_NONE);
        // Each uncovered texel adds one step of 1/255.
        rd.SetRenderState(D3DRS_TEXTUREFACTOR, 0x01010101u);
        SetVertexFormat(POINT_VERTEX_FVF);
        rd.SetRenderState(D3DRS_LIGHTING, 0);
        rd.ChangeRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
        rd.ChangeRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
        rd.ChangeRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        rd.SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
        rd.SetRenderState(D3DRS_ALPHATESTENABLE, 1);
        rd.SetRenderState(D3DRS_ZENABLE, 0);
        rd.SetStreamSource(0, pointBuffer, sizeof(PointVertex));
        rd.DrawPrimitive(D3DPT_POINTLIST, uint32_t(pointsStart), LENS_FLARE_POINTS);

        rd.SetTexture(0, nullptr);
        rd.SetRenderState(D3DRS_LIGHTING, 1);
        rd.SetRenderState(D3DRS_ALPHABLENDENABLE, 0);
        rd.SetRenderState(D3DRS_ALPHATESTENABLE, 0);
        rd.SetRenderState(D3DRS_ZENABLE, 1);
        rd.RevertTextureStageState(0, D3DTSS_COLOROP);
        rd.RevertTextureStageState(0, D3DTSS_COLORARG1);
        rd.RevertTextureStageState(0, D3DTSS_COLORARG2);
        rd.RevertTextureStageState(0, D3DTSS_MINFILTER);
        rd.RevertTextureStageState(0, D3DTSS_MAGFILTER);
        rd.RevertTextureStageState(0, D3DTSS_MIPFILTER);
        rd.RevertRenderState(D3DRS_SRCBLEND);
        rd.RevertRenderState(D3DRS_DESTBLEND);
        rd.RevertRenderState(D3DRS_CULLMODE);
    }
    device->SetRenderTarget(savedRenderTarget, savedDepthStencil);
    ReleaseSavedTargets();
    device->SetTransform(D3DTS_VIEW, &camera.view);
    device->SetTransform(D3DTS_PROJECTION, &camera.projection);
}

void LensFlare::Render()
{
    if (!visible || vertexBuffer == nullptr)
        return;
    RenderDevice& rd = g_RenderDevice;
    rd.SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    rd.SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    // Stage 1 reads the intensity texel at (0, 0): the flare vertices have no
    // second coordinate set.
    rd.ChangeTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE);
    rd.SetTexture(1, intensityMap.texture);
    rd.ChangeTextureStageState(1, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    rd.ChangeTextureStageState(1, D3DTSS_COLORARG2, D3DTA_CURRENT);
    rd.ChangeTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    rd.ChangeTextureStageState(1, D3DTSS_MINFILTER, D3DTEXF_POINT);
    rd.ChangeTextureStageState(1, D3DTSS_MAGFILTER, D3DTEXF_POINT);
    rd.ChangeTextureStageState(1, D3DTSS_MIPFILTER, D3DTEXF_NONE);

    SetVertexFormat(SCENE_VERTEX_FVF);
    rd.ChangeRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    rd.SetRenderState(D3DRS_LIGHTING, 0);
    rd.SetRenderState(D3DRS_COLORVERTEX, 1);
    rd.SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
    rd.SetRenderState(D3DRS_ALPHATESTENABLE, 1);
    rd.SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
    rd.SetRenderState(D3DRS_ALPHAREF, 16);
    rd.SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    rd.SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    rd.SetRenderState(D3DRS_ZENABLE, 0);
    Matrix identity;
    MatrixIdentity(&identity);
    rd.device->SetTransform(D3DTS_WORLD, &identity);
    rd.SetStreamSource(0, vertexBuffer, sizeof(SceneVertex));
    const int count = std::min(int32_t(elements.size()), bufferElementCount);
    for (int i = 0; i < count; ++i) {
        rd.SetTexture(0, GetTexture(elements[size_t(i)].textureIndex).texture);
        rd.DrawPrimitive(D3DPT_TRIANGLESTRIP, uint32_t(4 * (SUN_QUADS + i)), 2);
    }

    rd.SetTexture(0, nullptr);
    rd.SetTexture(1, nullptr);
    rd.RevertRenderState(D3DRS_CULLMODE);
    rd.SetRenderState(D3DRS_LIGHTING, 1);
    rd.SetRenderState(D3DRS_ALPHABLENDENABLE, 0);
    rd.SetRenderState(D3DRS_ALPHATESTENABLE, 0);
    rd.SetRenderState(D3DRS_ZENABLE, 1);
    rd.RevertTextureStageState(1, D3DTSS_COLOROP);
    rd.RevertTextureStageState(1, D3DTSS_COLORARG1);
    rd.RevertTextureStageState(1, D3DTSS_COLORARG2);
    rd.RevertTextureStageState(1, D3DTSS_ALPHAOP);
    rd.RevertTextureStageState(1, D3DTSS_MINFILTER);
    rd.RevertTextureStageState(1, D3DTSS_MAGFILTER);
    rd.RevertTextureStageState(1, D3DTSS_MIPFILTER);
}

Texture& LensFlare::GetTexture(int32_t index)
{
    if (index >= 1 && index <= 5)
        return textures[index];
    return textures[5];
}

bool LensFlare::Restore()
{
    LogMessage("\nRestoring lens flare...");
    for (Texture& texture : textures)
        if (!texture.Restore())
            return false;
    if (!sunMap.Restore() || !intensityMap.Restore() || !TakeMapSurfaces())
        return false;
    return CreateBuffers();
}

void LensFlare::Release()
{
    LogMessage("\nReleasing lens flare...");
    ReleaseObject(pointBuffer);
    ReleaseObject(vertexBuffer);
    ReleaseSurfaces();
    intensityMap.Release();
    sunMap.Release();
    for (Texture& texture : textures)
        texture.Release();
}

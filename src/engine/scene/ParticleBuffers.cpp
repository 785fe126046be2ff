#include "engine/scene/ParticleBuffers.h"

#include "engine/platform/RenderDevice.h"
#include "engine/scene/Camera.h"
#include "engine/scene/SceneDevice.h"

#include "backend/gpu/GpuDevice.h"
#include "backend/gpu/GpuIndexBuffer.h"
#include "backend/gpu/GpuVertexBuffer.h"
#include "backend/math/MatrixMath.h"
#include "backend/math/Vector.h"

using namespace backend;

bool ParticleBuffers::Create(int count)
{
    Release();
    GpuDevice* device = g_RenderDevice.device;
    if (device == nullptr || count < 1 || count > MAX_PARTICLES)
        return false;
    const uint32_t n = uint32_t(count);
    if (GpuFailed(device->CreateVertexBuffer(n * 4 * sizeof(SceneVertex), D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY,
                                             SCENE_VERTEX_FVF, D3DPOOL_DEFAULT, &vertexBuffer)) ||
        GpuFailed(device->CreateIndexBuffer(n * 6 * sizeof(uint16_t), D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY,
                                            D3DFMT_INDEX16, D3DPOOL_DEFAULT, &indexBuffer))) {
        Release();
        return false;
    }
    uint8_t* data = nullptr;
    if (GpuFailed(indexBuffer->Lock(0, 0, &data, D3DLOCK_DISCARD))) {
        Release();
        return false;
    }
    uint16_t* out = reinterpret_cast<uint16_t*>(data);
    for (uint32_t k = 0; k < n; ++k) {
        const uint16_t base = uint16_t(k * 4);
        const uint16_t quad[6] = {
            base, uint16_t(base + 1), uint16_t(base + 2), uint16_t(base + 1), uint16_t(base + 2), uint16_t(base + 3)};
        for (uint16_t index : quad)
            *out++ = index;
    }
    indexBuffer->Unlock();
    capacity = count;
    return true;
}

void ParticleBuffers::Release()
{
    ReleaseObject(vertexBuffer);
    ReleaseObject(indexBuffer);
    capacity = 0;
}

SceneVertex* ParticleBuffers::Lock(int quads)
{
    uint8_t* data = nullptr;
    // No discard: the device keeps what earlier draws used, and a discard
    // would send the whole buffer again.
    if (vertexBuffer == nullptr || quads < 1 || quads > capacity ||
        GpuFailed(vertexBuffer->Lock(0, uint32_t(quads) * 4 * sizeof(SceneVertex), &data, 0)))
        return nullptr;
    return reinterpret_cast<SceneVertex*>(data);
}

void ParticleBuffers::Unlock()
{
    vertexBuffer->Unlock();
}

bool ParticleBuffers::Draw(int quads)
{
    if (quads <= 0 || quads > capacity)
        return false;
    RenderDevice& rd = g_RenderDevice;
    SetVertexFormat(SCENE_VERTEX_FVF);
    rd.SetStreamSource(0, vertexBuffer, sizeof(SceneVertex));
    rd.device->SetIndices(indexBuffer, 0);
    return DrawIndexed(D3DPT_TRIANGLELIST, 0, uint32_t(quads) * 4, 0, uint32_t(quads) * 2);
}

void BuildFacingRotation(Matrix* out, const Camera& camera)
{
    Matrix yaw, pitch, roll;
    MatrixRotationY(&yaw, camera.angles.y);
    MatrixRotationX(&pitch, -camera.angles.x);
    MatrixRotationZ(&roll, 0.0f);
    MatrixMultiply(out, &yaw, &pitch);
    MatrixMultiply(out, out, &roll);
}

void BuildQuadCorners(Vector3 out[4], float s, const Matrix& rotation)
{
    const Vector3 corners[4] = {{-s, -s, 0.0f}, {-s, s, 0.0f}, {s, -s, 0.0f}, {s, s, 0.0f}};
    for (int i = 0; i < 4; ++i)
        Vec3TransformNormal(&out[i], &corners[i], &rotation);
}

#include "engine/scene/RainSystem.h"

#include "engine/platform/MathUtil.h"
#include "engine/platform/RenderDevice.h"
#include "engine/scene/Camera.h"
#include "engine/scene/ParticleRandom.h"

#include "backend/math/MatrixMath.h"
#include "backend/math/Vector.h"

using namespace backend;

bool RainSystem::Create(int newCount, float newDropSize, const char* textureFile, const Vector3* newPosition,
                        const Vector3* newDirection, float newRadius, float newBottom, float newSpeed,
                        uint32_t newColour)
{
    count = newCount;
    dropSize = newDropSize;
    position = *newPosition;
    Vec3Normalize(&direction, newDirection);
    radius = newRadius;
    bottom = newBottom;
    speed = newSpeed;
    colour = newColour;
    return CreateParticles("\nCreating rain system...", "Error creating rain system!", textureFile);
}

void RainSystem::Spawn(Particle& drop) const
{
    drop.position.x = position.x + RandomSigned() * radius;
    drop.position.y = position.y - (position.y - bottom) * RandomUnit();
    drop.position.z = position.z + RandomSigned() * radius;
    drop.previousPosition = drop.position;
    drop.velocity = direction * speed;
    drop.alive = 1;
}

void RainSystem::Reset()
{
    for (Particle& drop : particles)
        Spawn(drop);
}

bool RainSystem::Update()
{
    for (Particle& drop : particles) {
        drop.previousPosition = drop.position;
        drop.position += drop.velocity;
        if (drop.position.y < bottom)
            Spawn(drop);
    }
    return true;
}

void RainSystem::Render(const Camera* camera)
{
    if (particles.empty())
        return;
    // Streaks turn about y toward the camera and lean along the fall.
    const Vector3 down = {0.0f, -1.0f, 0.0f};
    Matrix yaw, align, rotation;
    MatrixRotationY(&yaw, camera->angles.y);
    BuildAlignMatrix(&align, &direction, &down);
    MatrixMultiply(&rotation, &yaw, &align);
    const float w = dropSize;
    SceneVertex* out = buffers.Lock(int(particles.size()));
    if (out == nullptr)
        return;
    for (const Particle& drop : particles) {
        const float dy = drop.position.y - drop.previousPosition.y;
        const Vector3 corners[4] = {{-w, 0.0f, 0.0f}, {-w, dy, 0.0f}, {w, 0.0f, 0.0f}, {w, dy, 0.0f}};
        const float uv[4][2] = {{0.0f, 0.0f}, {0.0f, 1.0f}, {1.0f, 0.0f}, {1.0f, 1.0f}};
        for (int i = 0; i < 4; ++i) {
            Vector3 p;
            Vec3TransformNormal(&p, &corners[i], &rotation);
            p += drop.position;
            *out++ = {p.x, p.y, p.z, colour, uv[i][0], uv[i][1]};
        }
    }
    buffers.Unlock();

    RenderDevice& rd = g_RenderDevice;
    rd.ChangeRenderState(D3DRS_LIGHTING, 0);
    rd.ChangeRenderState(D3DRS_ALPHABLENDENABLE, 1);
    rd.ChangeRenderState(D3DRS_ALPHATESTENABLE, 1);
    rd.ChangeRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    rd.ChangeRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    rd.ChangeRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
    rd.ChangeRenderState(D3DRS_ALPHAREF, 5);
    rd.ChangeRenderState(D3DRS_ZWRITEENABLE, 0);
    rd.ChangeTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    rd.ChangeTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    Matrix world;
    MatrixIdentity(&world);
    DrawParticles(world, int(particles.size()));
    rd.RevertTextureStageState(0, D3DTSS_COLOROP);
    rd.RevertTextureStageState(0, D3DTSS_ALPHAOP);
    rd.RevertRenderState(D3DRS_LIGHTING);
    rd.RevertRenderState(D3DRS_ALPHABLENDENABLE);
    rd.RevertRenderState(D3DRS_ALPHATESTENABLE);
    rd.RevertRenderState(D3DRS_SRCBLEND);
    rd.RevertRenderState(D3DRS_DESTBLEND);
    rd.RevertRenderState(D3DRS_ALPHAFUNC);
    rd.RevertRenderState(D3DRS_ALPHAREF);
    rd.RevertRenderState(D3DRS_ZWRITEENABLE);
}

bool RainSystem::Restore()
{
    return RestoreParticles("\nRestoring rain system...");
}

void RainSystem::Release()
{
    ReleaseParticles("\nReleasing rain system...");
}

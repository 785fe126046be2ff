#include "engine/scene/SnowSystem.h"

#include "engine/platform/RenderDevice.h"
#include "engine/scene/Camera.h"
#include "engine/scene/ParticleRandom.h"

#include "backend/math/MatrixMath.h"
#include "backend/math/Vector.h"

using namespace backend;

bool SnowSystem::Create(int newCount, float newFlakeSize, const char* textureFile, const Vector3* newPosition,
                        float newRadius, float newTop, float newBottom, float newJitter, float newFallVariance,
                        const Vector3* newWind)
{
    count = newCount;
    flakeSize = newFlakeSize;
    position = *newPosition;
    radius = newRadius;
    top = newTop;
    bottom = newBottom;
    jitter = newJitter;
    fallVariance = newFallVariance;
    wind = *newWind;
    return CreateParticles("\nCreating snow system...", "Error creating snow system!", textureFile);
}

void SnowSystem::SpawnPosition(Particle& flake) const
{
    flake.position.x = RandomSigned() * radius;
    flake.position.y = top - (top - bottom) * RandomUnit();
    flake.position.z = RandomSigned() * radius;
}

void SnowSystem::Reset()
{
    for (Particle& flake : particles) {
        SpawnPosition(flake);
        flake.velocity = {0.0f, -(RandomUnit() * fallVariance + 0.02f), 0.0f};
        flake.alive = 1;
    }
}

bool SnowSystem::Update()
{
    for (Particle& flake : particles) {
        flake.position.x += RandomUnit() * jitter + flake.velocity.x + wind.x;
        flake.position.y += flake.velocity.y + wind.y;
        flake.position.z += RandomUnit() * jitter + flake.velocity.z + wind.z;
        if (flake.position.y < bottom)
            SpawnPosition(flake);
    }
    return true;
}

void SnowSystem::Render(const Camera* camera)
{
    if (particles.empty())
        return;
    Matrix facing;
    BuildFacingRotation(&facing, *camera);
    Vector3 corners[4];
    BuildQuadCorners(corners, flakeSize, facing);
    SceneVertex* out = buffers.Lock(int(particles.size()));
    if (out == nullptr)
        return;
    for (const Particle& flake : particles)
        for (int i = 0; i < 4; ++i) {
            const Vector3 p = flake.position + corners[i];
            *out++ = {p.x, p.y, p.z, 0xFFFFFFFFu, PARTICLE_UV[i][0], PARTICLE_UV[i][1]};
        }
    buffers.Unlock();

    RenderDevice& rd = g_RenderDevice;
    rd.ChangeRenderState(D3DRS_LIGHTING, 0);
    rd.ChangeRenderState(D3DRS_ALPHABLENDENABLE, 1);
    rd.ChangeRenderState(D3DRS_ALPHATESTENABLE, 1);
    rd.ChangeRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    rd.ChangeRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    rd.ChangeRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
    rd.ChangeRenderState(D3DRS_ZWRITEENABLE, 0);
    Matrix world;
    MatrixTranslation(&world, position.x, position.y, position.z);
    DrawParticles(world, int(particles.size()));
    rd.RevertRenderState(D3DRS_LIGHTING);
    rd.RevertRenderState(D3DRS_ALPHABLENDENABLE);
    rd.RevertRenderState(D3DRS_ALPHATESTENABLE);
    rd.RevertRenderState(D3DRS_SRCBLEND);
    rd.RevertRenderState(D3DRS_DESTBLEND);
    rd.RevertRenderState(D3DRS_ALPHAFUNC);
    rd.RevertRenderState(D3DRS_ZWRITEENABLE);
}

bool SnowSystem::Restore()
{
    return RestoreParticles("\nRestoring snow system...");
}

void SnowSystem::Release()
{
    ReleaseParticles("\nReleasing snow system...");
}

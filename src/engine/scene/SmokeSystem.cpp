#include "engine/scene/SmokeSystem.h"

#include "engine/platform/RenderDevice.h"
#include "engine/scene/Camera.h"
#include "engine/scene/ParticleRandom.h"

#include "backend/math/MatrixMath.h"
#include "backend/math/Vector.h"

#include <algorithm>

using namespace backend;

bool SmokeSystem::Create(int newCount, const char* textureFile, const Vector3* newPosition, const Vector3* newDirection,
                         uint32_t newSourceBlend, float newSizeBase, float newSpeed, float newShrink, float newFade,
                         float newSpread, bool newLooping)
{
    count = newCount;
    position = *newPosition;
    Vec3Normalize(&direction, newDirection);
    sourceBlend = newSourceBlend;
    sizeBase = newSizeBase;
    speed = newSpeed;
    shrink = newShrink;
    fade = newFade;
    spread = newSpread;
    looping = newLooping;
    return CreateParticles("\nCreating smoke system...", "Error creating smoke system!", textureFile);
}

void SmokeSystem::Spawn(Particle& puff) const
{
    puff.position = position;
    puff.shade = RandomUnit();
    const Vector3 random = {RandomSigned(), RandomSigned(), RandomSigned()};
    Vector3 v;
    Vec3Normalize(&v, &random);
    const Vector3 across = v - direction * Vec3Dot(&v, &direction);
    puff.velocity = direction * speed + across * spread;
    puff.size = (2.0f * RandomUnit() + 1.0f) * sizeBase;
    puff.alive = 1;
}

void SmokeSystem::Reset()
{
    for (Particle& puff : particles)
        Spawn(puff);
}

bool SmokeSystem::Update()
{
    activeCount = 0;
    for (Particle& puff : particles) {
        if (puff.alive == 0)
            continue;
        ++activeCount;
        puff.position += puff.velocity;
        puff.shade -= fade;
        if (shrink != 0.0f)
            puff.size -= shrink;
        if (puff.shade <= 0.0f || puff.size <= 0.0f) {
            if (looping)
                Spawn(puff);
            else
                puff.alive = 0;
        }
    }
    if (looping)
        activeCount = int(particles.size());
    return activeCount > 0;
}

void SmokeSystem::Render(const Camera* camera)
{
    if (activeCount <= 0 && !looping)
        return;
    Matrix facing;
    BuildFacingRotation(&facing, *camera);
    const int alive =
        int(std::count_if(particles.begin(), particles.end(), [](const Particle& p) { return p.alive != 0; }));
    if (alive == 0)
        return;
    SceneVertex* out = buffers.Lock(alive);
    if (out == nullptr)
        return;
    int quads = 0;
    for (const Particle& puff : particles) {
        if (puff.alive == 0)
            continue;
        Vector3 corners[4];
        BuildQuadCorners(corners, puff.size, facing);
        const uint32_t grey = ColourChannel(puff.shade);
        const GpuColor shade = GpuColorArgb(255, grey, grey, grey);
        for (int i = 0; i < 4; ++i) {
            const Vector3 p = puff.position + corners[i];
            *out++ = {p.x, p.y, p.z, shade, PARTICLE_UV[i][0], PARTICLE_UV[i][1]};
        }
        ++quads;
    }
    buffers.Unlock();

    RenderDevice& rd = g_RenderDevice;
    rd.ChangeRenderState(D3DRS_LIGHTING, 0);
    rd.ChangeRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    rd.ChangeRenderState(D3DRS_ALPHABLENDENABLE, 1);
    rd.ChangeRenderState(D3DRS_SRCBLEND, sourceBlend);
    rd.ChangeRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCCOLOR);
    rd.ChangeRenderState(D3DRS_ZWRITEENABLE, 0);
    Matrix world;
    MatrixIdentity(&world);
    DrawParticles(world, quads);
    rd.RevertRenderState(D3DRS_LIGHTING);
    rd.RevertRenderState(D3DRS_CULLMODE);
    rd.RevertRenderState(D3DRS_ALPHABLENDENABLE);
    rd.RevertRenderState(D3DRS_SRCBLEND);
    rd.RevertRenderState(D3DRS_DESTBLEND);
    rd.RevertRenderState(D3DRS_ZWRITEENABLE);
}

bool SmokeSystem::Restore()
{
    return RestoreParticles("\nRestoring smoke system...");
}

void SmokeSystem::Release()
{
    ReleaseParticles("\nReleasing smoke system...");
}

void SmokeSystem::Clear()
{
    ParticleSystem::Clear();
    activeCount = 0;
}

#include "engine/scene/ParticleSystem.h"

#include "engine/platform/Log.h"
#include "engine/platform/RenderDevice.h"

#include "backend/gpu/GpuDevice.h"
#include "backend/gpu/GpuTexture.h"

using namespace backend;

bool ParticleSystem::CreateParticles(const char* message, const char* error, const char* textureFile)
{
    LogMessage(message);
    if (!buffers.Create(count))
        return ReportError(error);
    texture.Release();
    if (textureFile != nullptr && !texture.Load(textureFile))
        return false;
    particles.assign(size_t(count), Particle());
    Reset();
    return true;
}

void ParticleSystem::DrawParticles(const Matrix& world, int quads)
{
    RenderDevice& rd = g_RenderDevice;
    if (texture.texture != nullptr)
        rd.SetTexture(0, texture.texture);
    rd.device->SetTransform(D3DTS_WORLD, &world);
    buffers.Draw(quads);
}

bool ParticleSystem::RestoreParticles(const char* message)
{
    LogMessage(message);
    return buffers.Create(count) && texture.Restore();
}

void ParticleSystem::ReleaseParticles(const char* message)
{
    LogMessage(message);
    texture.Release();
    buffers.Release();
}

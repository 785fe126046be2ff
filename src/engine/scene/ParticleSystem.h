#pragma once
// What rain, snow and smoke share: the particles, their buffers and texture,
// and the steps of creating, drawing, restoring and releasing them. Each
// system passes its own log and error texts.

#include "engine/platform/Texture.h"
#include "engine/scene/EffectSystem.h"
#include "engine/scene/Particle.h"
#include "engine/scene/ParticleBuffers.h"

#include <vector>

class ParticleSystem : public EffectSystem {
public:
    ~ParticleSystem() override { texture.Release(); }

    void Clear() override { particles.clear(); }

    Texture texture;
    ParticleBuffers buffers;
    std::vector<Particle> particles;
    int count = 0;

protected:
    ParticleSystem() = default;

    // The end of Create once the settings are kept: buffers for `count`
    // particles (`error` reported when they fail), the texture loaded again
    // when a file is given, and every particle reset.
    bool CreateParticles(const char* message, const char* error, const char* textureFile);
    // Binds the texture when there is one, sets `world` and draws `quads`.
    void DrawParticles(const backend::Matrix& world, int quads);
    bool RestoreParticles(const char* message);
    void ReleaseParticles(const char* message);
};

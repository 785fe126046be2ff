#pragma once
// Rain: drops falling along a direction inside a square area, drawn as
// streaks stretched by the last step's vertical travel.

#include "engine/platform/Texture.h"
#include "engine/scene/EffectSystem.h"
#include "engine/scene/Particle.h"
#include "engine/scene/ParticleBuffers.h"

#include <vector>

class RainSystem : public EffectSystem {
public:
    RainSystem() = default;
    ~RainSystem() override { texture.Release(); }

    bool Create(int count, float dropSize, const char* textureFile, const backend::Vector3* position,
                const backend::Vector3* direction, float radius, float bottom, float speed, uint32_t colour);
    void Reset() override;
    bool Update() override;
    void Render(const Camera* camera) override;
    bool Restore() override;
    void Release() override;
    void Clear() override;

    void Spawn(Particle& drop) const;

    Texture texture;
    ParticleBuffers buffers;
    std::vector<Particle> particles;
    int count = 0;
    float dropSize = 0.0f;
    // The centre of the rain area in world space; the tracks move it every frame.
    backend::Vector3 position;
    backend::Vector3 direction;
    float radius = 0.0f;
    float bottom = 0.0f;
    float speed = 0.0f;
    uint32_t colour = 0;
};

#pragma once
// Rain: drops falling along a direction inside a square area, drawn as
// streaks stretched by the last step's vertical travel.

#include "engine/scene/ParticleSystem.h"

class RainSystem : public ParticleSystem {
public:
    RainSystem() = default;

    bool Create(int count, float dropSize, const char* textureFile, const backend::Vector3* position,
                const backend::Vector3* direction, float radius, float bottom, float speed, uint32_t colour);
    void Reset() override;
    bool Update() override;
    void Render(const Camera* camera) override;
    bool Restore() override;
    void Release() override;

    void Spawn(Particle& drop) const;

    float dropSize = 0.0f;
    // The centre of the rain area in world space; the tracks move it every frame.
    backend::Vector3 position;
    backend::Vector3 direction;
    float radius = 0.0f;
    float bottom = 0.0f;
    float speed = 0.0f;
    uint32_t colour = 0;
};

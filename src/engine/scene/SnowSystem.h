#pragma once
// Falling snow in a column around a point: random fall speeds, a drift that
// only goes toward +x and +z, and wind; drawn additively and alpha-tested.

#include "engine/scene/ParticleSystem.h"

class SnowSystem : public ParticleSystem {
public:
    SnowSystem() = default;

    bool Create(int count, float flakeSize, const char* textureFile, const backend::Vector3* position, float radius,
                float top, float bottom, float jitter, float fallVariance, const backend::Vector3* wind);
    void Reset() override;
    bool Update() override;
    void Render(const Camera* camera) override;
    bool Restore() override;
    void Release() override;

    // A new place in the column, relative to its centre.
    void SpawnPosition(Particle& flake) const;

    float flakeSize = 0.0f;
    // The column's centre, applied as the world translation.
    backend::Vector3 position;
    float radius = 0.0f;
    float top = 0.0f;
    float bottom = 0.0f;
    float jitter = 0.0f;
    float fallVariance = 0.0f;
    backend::Vector3 wind;
};

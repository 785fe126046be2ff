#pragma once
// Smoke puffs from an emitter: they spread, fade and shrink, and either start
// again at the emitter (looping) or die.

#include "engine/scene/ParticleSystem.h"

class SmokeSystem : public ParticleSystem {
public:
    SmokeSystem() = default;

    // Without a texture file the puffs draw with the texture bound on stage 0.
    bool Create(int count, const char* textureFile, const backend::Vector3* position, const backend::Vector3* direction,
                uint32_t sourceBlend, float sizeBase, float speed, float shrink, float fade, float spread,
                bool looping);
    void Reset() override;
    // True while puffs are alive.
    bool Update() override;
    void Render(const Camera* camera) override;
    bool Restore() override;
    void Release() override;
    void Clear() override;

    void Spawn(Particle& puff) const;

    // The emitter in world space; the owner may move it every frame.
    backend::Vector3 position;
    backend::Vector3 direction;
    uint32_t sourceBlend = 0;
    float sizeBase = 0.0f;
    float speed = 0.0f;
    float shrink = 0.0f;
    float fade = 0.0f;
    float spread = 0.0f;
    bool looping = false;
    int activeCount = 0;
};

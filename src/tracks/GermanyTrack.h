#pragma once
// Germany: a rainy circuit lined with tyre walls, with stands of seats, the
// finish poles, rain that follows the local moped and its sound.

#include "tracks/Track.h"

#include "engine/scene/RainSystem.h"

class Sound;

class GermanyTrack : public Track {
public:
    GermanyTrack();

    bool Load() override;
    bool CreatePhysics(PhysicsEngine* physics) override;
    void Reset(const backend::Vector3* mopedPosition) override;
    void SetupLighting() override;
    void StartSounds() override;
    void Update(const backend::Vector3* mopedPosition) override;
    void RenderParticles(const Camera* camera) override;
    bool Restore() override;
    void Release() override;
    void Destroy() override;

    RainSystem rain;
    // Made by Load through the audio manager; null before.
    Sound* rainSound = nullptr;
};

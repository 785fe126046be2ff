#pragma once
// Cambodia: a rainy high plateau with grass and sand, trees, grass tufts,
// huts, the finish poles, rain that follows the local moped and its sound.

#include "tracks/Track.h"

#include "engine/scene/Billboard.h"
#include "engine/scene/RainSystem.h"

class Sound;

class CambodiaTrack : public Track {
public:
    CambodiaTrack();

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
    Billboard treeBillboard;
    Billboard grassBillboard;
    // Made by Load through the audio manager; null before.
    Sound* rainSound = nullptr;
};

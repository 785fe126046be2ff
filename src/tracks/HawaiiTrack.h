#pragma once
// Hawaii: an island road by the sea, palms, and the smoke of the volcano.

#include "tracks/Track.h"

#include "engine/scene/Billboard.h"
#include "engine/scene/SmokeSystem.h"
#include "engine/scene/Water.h"

class HawaiiTrack : public Track {
public:
    HawaiiTrack();

    bool Load() override;
    bool CreatePhysics(PhysicsEngine* physics) override;
    void Reset(const backend::Vector3* mopedPosition) override;
    void SetupLighting() override;
    void Update(const backend::Vector3* mopedPosition) override;
    void RenderTransparent(const Camera* camera) override;
    void RenderParticles(const Camera* camera) override;
    bool Restore() override;
    void Release() override;
    void Destroy() override;

    Billboard palmBillboard;
    Water water;
    SmokeSystem volcanoSmoke;
};

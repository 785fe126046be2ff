#pragma once
// Finland II: snow with sandy roads, fir trees, cottages, the finish poles
// and falling snow round the local moped.

#include "tracks/Track.h"

#include "engine/scene/Billboard.h"
#include "engine/scene/SnowSystem.h"

class Finland2Track : public Track {
public:
    Finland2Track();

    bool Load() override;
    bool CreatePhysics(PhysicsEngine* physics) override;
    void Reset(const backend::Vector3* mopedPosition) override;
    void SetupLighting() override;
    void Update(const backend::Vector3* mopedPosition) override;
    void RenderParticles(const Camera* camera) override;
    bool Restore() override;
    void Release() override;
    void Destroy() override;

    Billboard firBillboard;
    SnowSystem snow;
};

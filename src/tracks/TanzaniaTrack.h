#pragma once
// Tanzania: an almost flat savanna with sandy tracks, acacias, grass tufts
// and the finish poles.

#include "tracks/Track.h"

#include "engine/scene/Billboard.h"

class TanzaniaTrack : public Track {
public:
    TanzaniaTrack();

    bool Load() override;
    bool CreatePhysics(PhysicsEngine* physics) override;
    void SetupLighting() override;
    void Update(const backend::Vector3* mopedPosition) override;
    void RenderTransparent(const Camera* camera) override;
    bool Restore() override;
    void Release() override;

    Billboard acaciaBillboard;
    Billboard grassBillboard;
};

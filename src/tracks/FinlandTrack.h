#pragma once
// Finland I: grass and gravel roads, three kinds of trees, cottages, a fence,
// rocks, loose stones and the finish poles.

#include "tracks/Track.h"

#include "engine/scene/Billboard.h"

class FinlandTrack : public Track {
public:
    FinlandTrack();

    bool Load() override;
    bool CreatePhysics(PhysicsEngine* physics) override;
    void SetupLighting() override;
    bool Restore() override;
    void Release() override;

    Billboard firBillboard;
    Billboard pineBillboard;
    Billboard birchBillboard;
};

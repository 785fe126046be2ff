#pragma once
// UK Dirt Track: a small sandy circuit with a mud layer, fir trees and the
// finish poles.

#include "tracks/Track.h"

#include "engine/scene/Billboard.h"

class UKTrack : public Track {
public:
    UKTrack();

    bool Load() override;
    bool CreatePhysics(PhysicsEngine* physics) override;
    void SetupLighting() override;
    bool Restore() override;
    void Release() override;

    Billboard firBillboard;
};

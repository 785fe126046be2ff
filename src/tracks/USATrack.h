#pragma once
// USA: a flat town whose streets are the road, with buildings, skyscrapers,
// traffic signs and lights, parked cars, a ramp and loose blocks.

#include "tracks/Track.h"

class USATrack : public Track {
public:
    USATrack();

    bool Load() override;
    bool CreatePhysics(PhysicsEngine* physics) override;
    void SetupLighting() override;
};

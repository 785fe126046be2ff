#pragma once
// Egypt: a desert road above the water, palms, pyramids, and a sun whose
// flare the pyramids and the palms can hide.

#include "tracks/Track.h"

#include "engine/scene/Billboard.h"
#include "engine/scene/LensFlare.h"
#include "engine/scene/Water.h"

class EgyptTrack : public Track {
public:
    EgyptTrack();

    bool Load() override;
    bool CreatePhysics(PhysicsEngine* physics) override;
    void SetupLighting() override;
    void Update(const backend::Vector3* mopedPosition) override;
    void RenderTransparent(const Camera* camera) override;
    void RenderLensFlare(const Camera* camera) override;
    bool Restore() override;
    void Release() override;

    // The objects and the palms hide the sun here; the terrain doesn't.
    void RenderFlareOccluders(const Camera* camera) override;

    Billboard palmBillboard;
    Water water;
    LensFlare lensFlare;
};

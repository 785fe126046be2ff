#pragma once
// Mexico: a desert track with cacti, fog sheets drifting over the valley by
// the east edge, and a low sun whose flare the hills can hide.

#include "tracks/Track.h"

#include "engine/platform/Texture.h"
#include "engine/scene/Billboard.h"
#include "engine/scene/LensFlare.h"
#include "engine/scene/Water.h"

class MexicoTrack : public Track {
public:
    MexicoTrack();
    ~MexicoTrack() override;

    bool Load() override;
    bool CreatePhysics(PhysicsEngine* physics) override;
    void SetupLighting() override;
    void Update(const backend::Vector3* mopedPosition) override;
    void RenderTransparent(const Camera* camera) override;
    void RenderLensFlare(const Camera* camera) override;
    bool Restore() override;
    void Release() override;

    // Only the terrain hides the sun here.
    void RenderFlareOccluders(const Camera* camera) override;

    Billboard cactusBillboard;
    Water fogLayers[2];
    Texture fogTexture;
    LensFlare lensFlare;
};

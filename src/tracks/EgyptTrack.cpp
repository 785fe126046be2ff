#include "tracks/EgyptTrack.h"

#include "tracks/EgyptDefs.h"

using namespace EgyptDefs;

EgyptTrack::EgyptTrack() : Track(TRACK_EGYPT)
{
    SetConstants(CONSTANTS);
}

bool EgyptTrack::Load()
{
    if (!Track::Load() || !AddTerrainPasses(PASSES) || !CreateWater(water, WATER) ||
        !LoadBillboard(palmBillboard, PALM))
        return false;
    BuildBillboardTree(BILLBOARD_TREE);
    if (!CreateLensFlare(lensFlare, LENS_FLARE))
        return false;
    if (!LoadObjects(MODELS, TEXTURES, STATIC_PLACEMENTS, DYNAMIC_PLACEMENTS, OBJECT_TREE))
        return false;
    SetLight(LIGHT);
    return true;
}

bool EgyptTrack::CreatePhysics(PhysicsEngine* physics)
{
    return CreatePhysicsWithGround(physics, GROUND_FRICTION);
}

void EgyptTrack::SetupLighting()
{
    ApplyLighting(LIGHT.deviceAmbient);
}

void EgyptTrack::Update(const backend::Vector3* mopedPosition)
{
    Track::Update(mopedPosition);
    water.Update();
}

void EgyptTrack::RenderTransparent(const Camera* camera)
{
    water.Render(false);
    Track::RenderTransparent(camera);
}

void EgyptTrack::RenderLensFlare(const Camera* camera)
{
    RenderSunFlare(lensFlare, camera);
}

void EgyptTrack::RenderFlareOccluders(const Camera* camera)
{
    RenderObjects(&lensFlare.flareCamera, true);
    // The visible set stays the race camera's.
    billboards.Update(camera);
    billboards.Render(&lensFlare.flareCamera, true);
}

bool EgyptTrack::Restore()
{
    return Track::Restore() && water.Restore() && palmBillboard.Restore() && lensFlare.Restore();
}

void EgyptTrack::Release()
{
    lensFlare.Release();
    palmBillboard.Release();
    water.Release();
    Track::Release();
}

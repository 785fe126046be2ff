#include "tracks/TanzaniaTrack.h"

#include "tracks/TanzaniaDefs.h"

using namespace TanzaniaDefs;

TanzaniaTrack::TanzaniaTrack() : Track(TRACK_TANZANIA)
{
    SetConstants(CONSTANTS);
}

bool TanzaniaTrack::Load()
{
    if (!Track::Load() || !AddTerrainPasses(PASSES))
        return false;
    if (!LoadBillboard(acaciaBillboard, ACACIA) || !LoadBillboard(grassBillboard, GRASS))
        return false;
    BuildBillboardTree(BILLBOARD_TREE);
    if (!LoadObjects(MODELS, TEXTURES, {}, DYNAMIC_PLACEMENTS, OBJECT_TREE))
        return false;
    SetLight(LIGHT);
    return true;
}

bool TanzaniaTrack::CreatePhysics(PhysicsEngine* physics)
{
    return CreatePhysicsWithGround(physics, GROUND_FRICTION);
}

void TanzaniaTrack::SetupLighting()
{
    ApplyLighting(LIGHT.deviceAmbient);
}

void TanzaniaTrack::Update(const backend::Vector3* mopedPosition)
{
    Track::Update(mopedPosition);
}

void TanzaniaTrack::RenderTransparent(const Camera* camera)
{
    Track::RenderTransparent(camera);
}

bool TanzaniaTrack::Restore()
{
    return Track::Restore() && acaciaBillboard.Restore() && grassBillboard.Restore();
}

void TanzaniaTrack::Release()
{
    grassBillboard.Release();
    acaciaBillboard.Release();
    Track::Release();
}

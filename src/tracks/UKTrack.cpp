#include "tracks/UKTrack.h"

#include "tracks/UKDefs.h"

using namespace UKDefs;

UKTrack::UKTrack() : Track(TRACK_UK)
{
    SetConstants(CONSTANTS);
}

bool UKTrack::Load()
{
    if (!Track::Load() || !AddTerrainPasses(PASSES) || !LoadBillboard(firBillboard, FIR))
        return false;
    BuildBillboardTree(BILLBOARD_TREE);
    if (!LoadObjects(MODELS, TEXTURES, {}, DYNAMIC_PLACEMENTS, OBJECT_TREE))
        return false;
    SetLight(LIGHT);
    return true;
}

bool UKTrack::CreatePhysics(PhysicsEngine* physics)
{
    return CreatePhysicsWithGround(physics, GROUND_FRICTION);
}

void UKTrack::SetupLighting()
{
    ApplyLighting(LIGHT.deviceAmbient);
}

bool UKTrack::Restore()
{
    return Track::Restore() && firBillboard.Restore();
}

void UKTrack::Release()
{
    firBillboard.Release();
    Track::Release();
}

#include "tracks/FinlandTrack.h"

#include "tracks/FinlandDefs.h"

using namespace FinlandDefs;

FinlandTrack::FinlandTrack() : Track(TRACK_FINLAND)
{
    SetConstants(CONSTANTS);
}

bool FinlandTrack::Load()
{
    if (!Track::Load() || !AddTerrainPasses(PASSES))
        return false;
    if (!LoadBillboard(firBillboard, FIR) || !LoadBillboard(pineBillboard, PINE) ||
        !LoadBillboard(birchBillboard, BIRCH))
        return false;
    BuildBillboardTree(BILLBOARD_TREE);
    if (!LoadObjects(MODELS, TEXTURES, STATIC_PLACEMENTS, DYNAMIC_PLACEMENTS, OBJECT_TREE))
        return false;
    SetLight(LIGHT);
    return true;
}

bool FinlandTrack::CreatePhysics(PhysicsEngine* physics)
{
    return CreatePhysicsWithGround(physics, GROUND_FRICTION);
}

void FinlandTrack::SetupLighting()
{
    ApplyLighting(LIGHT.deviceAmbient);
}

bool FinlandTrack::Restore()
{
    return Track::Restore() && firBillboard.Restore() && pineBillboard.Restore() && birchBillboard.Restore();
}

void FinlandTrack::Release()
{
    birchBillboard.Release();
    pineBillboard.Release();
    firBillboard.Release();
    Track::Release();
}

#include "tracks/USATrack.h"

#include "tracks/USADefs.h"

using namespace USADefs;

USATrack::USATrack() : Track(TRACK_USA)
{
    SetConstants(CONSTANTS);
}

bool USATrack::Load()
{
    if (!Track::Load() || !AddTerrainPasses(PASSES))
        return false;
    // No billboards: the town has no trees.
    if (!LoadObjects(MODELS, TEXTURES, STATIC_PLACEMENTS, DYNAMIC_PLACEMENTS, OBJECT_TREE))
        return false;
    SetLight(LIGHT);
    return true;
}

bool USATrack::CreatePhysics(PhysicsEngine* physics)
{
    return CreatePhysicsWithGround(physics, GROUND_FRICTION);
}

void USATrack::SetupLighting()
{
    ApplyLighting(LIGHT.deviceAmbient);
}

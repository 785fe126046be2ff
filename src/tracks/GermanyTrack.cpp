#include "tracks/GermanyTrack.h"

#include "tracks/GermanyDefs.h"

#include "tracks/TrackRain.h"

#include "audio/Sound.h"

using namespace GermanyDefs;

GermanyTrack::GermanyTrack() : Track(TRACK_GERMANY)
{
    SetConstants(CONSTANTS);
}

bool GermanyTrack::Load()
{
    if (!Track::Load() || !AddTerrainPasses(PASSES))
        return false;
    if (!CreateRain(rain, RAIN))
        return false;
    // No billboards: the circuit has no trees.
    if (!LoadObjects(MODELS, TEXTURES, STATIC_PLACEMENTS, DYNAMIC_PLACEMENTS, OBJECT_TREE))
        return false;
    SetLight(LIGHT);
    return LoadRainSound(rainSound, RAIN);
}

bool GermanyTrack::CreatePhysics(PhysicsEngine* physics)
{
    return CreatePhysicsWithGround(physics, GROUND_FRICTION);
}

void GermanyTrack::Reset(const backend::Vector3* mopedPosition)
{
    Track::Reset(mopedPosition);
    ResetRain(rain, rainSound, mopedPosition, RAIN);
}

void GermanyTrack::SetupLighting()
{
    ApplyLighting(LIGHT.deviceAmbient);
}

void GermanyTrack::StartSounds()
{
    if (rainSound != nullptr)
        rainSound->Play();
}

void GermanyTrack::Update(const backend::Vector3* mopedPosition)
{
    Track::Update(mopedPosition);
    UpdateRain(rain, mopedPosition, RAIN);
}

void GermanyTrack::RenderParticles(const Camera* camera)
{
    rain.Render(camera);
}

bool GermanyTrack::Restore()
{
    return Track::Restore() && rain.Restore();
}

void GermanyTrack::Release()
{
    rain.Release();
    Track::Release();
}

void GermanyTrack::Destroy()
{
    DestroyRain(rain, rainSound);
    Track::Destroy();
}

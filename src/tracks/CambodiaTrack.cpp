#include "tracks/CambodiaTrack.h"

#include "tracks/CambodiaDefs.h"

#include "tracks/TrackRain.h"

#include "audio/Sound.h"

using namespace CambodiaDefs;

CambodiaTrack::CambodiaTrack() : Track(TRACK_CAMBODIA)
{
    SetConstants(CONSTANTS);
}

bool CambodiaTrack::Load()
{
    if (!Track::Load() || !AddTerrainPasses(PASSES))
        return false;
    if (!LoadBillboard(treeBillboard, TREE) || !LoadBillboard(grassBillboard, GRASS))
        return false;
    BuildBillboardTree(BILLBOARD_TREE);
    if (!CreateRain(rain, RAIN))
        return false;
    if (!LoadObjects(MODELS, TEXTURES, STATIC_PLACEMENTS, DYNAMIC_PLACEMENTS, OBJECT_TREE))
        return false;
    SetLight(LIGHT);
    return LoadRainSound(rainSound, RAIN);
}

bool CambodiaTrack::CreatePhysics(PhysicsEngine* physics)
{
    return CreatePhysicsWithGround(physics, GROUND_FRICTION);
}

void CambodiaTrack::Reset(const backend::Vector3* mopedPosition)
{
    Track::Reset(mopedPosition);
    ResetRain(rain, rainSound, mopedPosition, RAIN);
}

void CambodiaTrack::SetupLighting()
{
    ApplyLighting(LIGHT.deviceAmbient);
}

void CambodiaTrack::StartSounds()
{
    if (rainSound != nullptr)
        rainSound->Play();
}

void CambodiaTrack::Update(const backend::Vector3* mopedPosition)
{
    Track::Update(mopedPosition);
    UpdateRain(rain, mopedPosition, RAIN);
}

void CambodiaTrack::RenderParticles(const Camera* camera)
{
    rain.Render(camera);
}

bool CambodiaTrack::Restore()
{
    return Track::Restore() && treeBillboard.Restore() && grassBillboard.Restore() && rain.Restore();
}

void CambodiaTrack::Release()
{
    rain.Release();
    grassBillboard.Release();
    treeBillboard.Release();
    Track::Release();
}

void CambodiaTrack::Destroy()
{
    DestroyRain(rain, rainSound);
    Track::Destroy();
}

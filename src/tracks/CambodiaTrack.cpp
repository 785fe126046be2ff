#include "tracks/CambodiaTrack.h"

#include "tracks/CambodiaDefs.h"

#include "audio/AudioManager.h"
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
    if (!rain.Create(RAIN_COUNT, RAIN_DROP_SIZE, RAIN_TEXTURE, &RAIN_POSITION, &RAIN_DIRECTION, RAIN_RADIUS,
                     RAIN_BOTTOM, RAIN_SPEED, RAIN_COLOUR))
        return false;
    if (!LoadModels(MODELS) || !LoadTextures(TEXTURES))
        return false;
    AppendPlacements(STATIC_PLACEMENTS, DYNAMIC_PLACEMENTS);
    if (!BuildObjects(OBJECT_TREE))
        return false;
    SetLight(LIGHT);
    rainSound = GetAudioManager()->CreateSound();
    if (rainSound == nullptr)
        return false;
    const SoundLoadParams looping = {0, 0, 1};
    return rainSound->Load(RAIN_SOUND, &looping);
}

bool CambodiaTrack::CreatePhysics(PhysicsEngine* physics)
{
    return CreatePhysicsWithGround(physics, GROUND_FRICTION);
}

void CambodiaTrack::Reset(const backend::Vector3* mopedPosition)
{
    Track::Reset(mopedPosition);
    rain.position = {mopedPosition->x, RAIN_HEIGHT, mopedPosition->z};
    rain.Reset();
    if (rainSound != nullptr)
        rainSound->SetVolume(RAIN_VOLUME);
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
    rain.position = {mopedPosition->x, RAIN_HEIGHT, mopedPosition->z};
    rain.Update();
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
    if (rainSound != nullptr) {
        rainSound->Release();
        GetAudioManager()->DestroySound(&rainSound);
    }
    rain.Clear();
    Track::Destroy();
}

#include "tracks/GermanyTrack.h"

#include "tracks/GermanyDefs.h"

#include "audio/AudioManager.h"
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
    if (!rain.Create(RAIN_COUNT, RAIN_DROP_SIZE, RAIN_TEXTURE, &RAIN_POSITION, &RAIN_DIRECTION, RAIN_RADIUS,
                     RAIN_BOTTOM, RAIN_SPEED, RAIN_COLOUR))
        return false;
    // No billboards: the circuit has no trees.
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

bool GermanyTrack::CreatePhysics(PhysicsEngine* physics)
{
    return CreatePhysicsWithGround(physics, GROUND_FRICTION);
}

void GermanyTrack::Reset(const backend::Vector3* mopedPosition)
{
    Track::Reset(mopedPosition);
    rain.position = {mopedPosition->x, RAIN_HEIGHT, mopedPosition->z};
    rain.Reset();
    if (rainSound != nullptr)
        rainSound->SetVolume(RAIN_VOLUME);
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
    rain.position = {mopedPosition->x, RAIN_HEIGHT, mopedPosition->z};
    rain.Update();
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
    if (rainSound != nullptr) {
        rainSound->Release();
        GetAudioManager()->DestroySound(&rainSound);
    }
    rain.Clear();
    Track::Destroy();
}

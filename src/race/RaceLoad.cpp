#include "race/Race.h"

#include "race/RaceWorld.h"

#include "tracks/CreateTrack.h"
#include "tracks/Track.h"
#include "tracks/TrackTable.h"

#include "backend/gpu/GpuDevice.h"

#include "audio/AudioManager.h"
#include "audio/Sound.h"
#include "audio/Sound3D.h"
#include "audio/SoundDefinitionManager.h"
#include "engine/platform/Memory.h"
#include "engine/platform/RenderDevice.h"

#include <string>

using backend::Vector3;

namespace {

constexpr const char* GEAR_CHANGE_SOUND = "Audio\\Sounds\\GearChange.wav";
constexpr const char* ENGINE_START_SOUND = "Audio\\Sounds\\EngineStart.wav";
constexpr float MINIMAP_CENTRE[2] = {60.0f, 510.0f};
constexpr float FULL_SCREEN_ASPECT = 4.0f / 3.0f;
constexpr float CAMERA_FOV = 0.7853982f;
constexpr float CAMERA_NEAR = 0.1f;

bool LoadSound(Sound*& sound, const char* path)
{
    const SoundLoadParams once;
    sound = GetAudioManager()->CreateSound();
    return sound != nullptr && sound->Load(path, &once);
}

void FreeSound(Sound*& sound)
{
    if (sound == nullptr)
        return;
    sound->Release();
    GetAudioManager()->DestroySound(&sound);
}

} // namespace

bool Race::Load(int32_t id)
{
    trackId = id;
    if (!mopedModel.Load())
        return false;
    track = CreateTrack(static_cast<TrackId>(id));
    if (track == nullptr || !track->Load())
        return false;
    track->SetupLighting();
    playerMoped.track = track;
    if (!playerMoped.Load(&mopedModel))
        return false;
    if (!speedMeter.Load() || !countDown.Load() || !boostMeter.Load())
        return false;

    const std::string map = BuildTrackGraphicsPath(static_cast<TrackId>(id)) + "Textures\\TrackHUD.dds";
    const float mapSize[2] = {track->viewValues.x, track->viewValues.y};
    const float worldSize[2] = {track->worldSize.x, track->worldSize.z};
    if (!minimap.Load(map.c_str(), MINIMAP_CENTRE, mapSize, worldSize))
        return false;

    const backend::GpuPresentParameters& screen = g_RenderDevice.presentParameters;
    float aspect = FULL_SCREEN_ASPECT;
    if (screen.Windowed && screen.BackBufferHeight != 0)
        aspect = static_cast<float>(screen.BackBufferWidth) / static_cast<float>(screen.BackBufferHeight);
    const Vector3 zero = {0.0f, 0.0f, 0.0f};
    camera.Set(CAMERA_FOV, aspect, CAMERA_NEAR, track->viewValues.z, &zero, &zero);

    const SoundLoadParams once;
    SoundDefinitionManager* definitions = GetSoundDefinitionManager();
    if (!definitions->Add3DDefinition(GEAR_CHANGE_SOUND, &once) ||
        !definitions->Add3DDefinition(ENGINE_START_SOUND, &once))
        return false;
    Moped::PreloadSounds(1);
    if (!LoadSound(newLapSound, "Audio\\Sounds\\NewLapDriven.wav") ||
        !LoadSound(applauseSound, "Audio\\Sounds\\Applause.wav"))
        return false;
    g_CrashSound = GetAudioManager()->Create3DSound();
    return g_CrashSound != nullptr && g_CrashSound->Load("Audio\\Sounds\\Crash.wav", &once);
}

bool Race::CreatePhysics()
{
    const RaceWorldSize size = {GetRigidBodyCount(),  GetAnimatedBodyCount(),  GetGeometryCount(),
                                GetConstraintCount(), GetConstraintSetCount(), track->terrain.vertexCount};
    if (!CreateRaceWorld(&physics, size, Race::OnCollision) || !track->CreatePhysics(&physics))
        return false;
    return playerMoped.CreatePhysics(&physics);
}

bool Race::Restore()
{
    if (track == nullptr)
        return false;
    if (!mopedModel.Restore() || !track->Restore())
        return false;
    track->SetupLighting();
    return playerMoped.Restore() && speedMeter.Restore() && countDown.Restore() && boostMeter.Restore() &&
           minimap.Restore();
}

void Race::Release()
{
    minimap.Release();
    boostMeter.Release();
    countDown.Release();
    speedMeter.Release();
    playerMoped.Release();
    if (track != nullptr)
        track->Release();
    mopedModel.Release();
}

void Race::Destroy()
{
    if (g_CrashSound != nullptr) {
        g_CrashSound->Release();
        GetAudioManager()->Destroy3DSound(&g_CrashSound);
    }
    FreeSound(applauseSound);
    FreeSound(newLapSound);
    SoundDefinitionManager* definitions = GetSoundDefinitionManager();
    definitions->Remove3DDefinition(ENGINE_START_SOUND);
    definitions->Remove3DDefinition(GEAR_CHANGE_SOUND);
    countDown.Destroy();
    playerMoped.Destroy(&physics);
    physics.Destroy();
    if (track != nullptr) {
        track->Destroy();
        delete track;
        track = nullptr;
    }
    mopedModel.Destroy();
    // The next race or menu builds the programs it draws with again; the
    // driver's code for this race's states would otherwise stay for good.
    if (g_RenderDevice.device != nullptr)
        g_RenderDevice.device->ReleaseGeneratedPrograms();
    ReturnFreedMemory();
}

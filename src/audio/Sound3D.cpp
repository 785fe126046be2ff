#include "audio/Sound3D.h"

#include "audio/AudioManager.h"
#include "audio/Sound.h"
#include "backend/sound/SoundBuffer3D.h"
#include "engine/platform/Log.h"

#include <algorithm>
#include <cstring>

using backend::DS3D_DEFERRED;

namespace {

float ClampUnit(float value)
{
    if (!(value > 0.0f))
        return 0.0f; // also NaN
    return std::min(value, 1.0f);
}

} // namespace

Sound3D::~Sound3D()
{
    AudioManager* manager = GetAudioManager();
    if (isLoaded)
        Release();
    manager->RemoveFading3DSound(this);
    if (sound)
        manager->DestroySound(sound);
}

bool Sound3D::Load(const char* fileName, const SoundLoadParams* loadParams)
{
    if (!sound) {
        sound = GetAudioManager()->CreateSound();
        if (!sound)
            return false;
    }
    sound->is3D = true;
    sound->owner3D = this;
    params = loadParams ? *loadParams : SoundLoadParams{};
    std::strncpy(name, fileName ? fileName : "", sizeof(name) - 1);
    name[sizeof(name) - 1] = '\0';
    isSet = true;
    return LoadFile();
}

bool Sound3D::Reload()
{
    return LoadFile();
}

bool Sound3D::LoadFile()
{
    if (isLoaded)
        return true;
    if (!isSet || !sound)
        return ReportError("Error loading a 3D sound: not initialized!", false);
    AudioManager* manager = GetAudioManager();
    if (!manager->HasRoomFor3DSound() && !manager->EvictLowestPriority3DSound(this))
        return false;
    if (!sound->Load(name, &params))
        return false;
    LogFormat("\nAdding 3D properties for the sound \"%s\"...", name);
    if (!sound->Query3DBuffer(&buffer3D)) {
        sound->Release();
        return false;
    }
    SetProperties(&properties);
    manager->AddLoaded3DSound(this);
    isLoaded = true;
    return true;
}

void Sound3D::Release()
{
    if (!isLoaded)
        return;
    if (sound->IsFading())
        CancelFade();
    if (IsPlaying()) {
        Stop();
        if (!isLoaded)
            return; // the stop failed and released it already
    }
    LogFormat("\nReleasing 3D properties for the sound \"%s\"...", name);
    buffer3D = nullptr;
    isLoaded = false;
    sound->Release();
    AudioManager* manager = GetAudioManager();
    manager->RemoveLoaded3DSound(this);
    manager->RemoveFading3DSound(this);
}

void Sound3D::Play()
{
    if (isLoaded && !IsPlaying())
        sound->Play();
}

void Sound3D::Pause()
{
    if (isLoaded)
        sound->Pause();
}

void Sound3D::Stop()
{
    if (!isLoaded)
        return;
    if (sound->IsFading())
        GetAudioManager()->RemoveFading3DSound(this);
    sound->Stop();
}

void Sound3D::FadeIn(float step)
{
    if (!isLoaded)
        return;
    if (!sound->IsFading())
        GetAudioManager()->AddFading3DSound(this);
    sound->FadeIn(step);
}

void Sound3D::FadeOut(float step, bool pauseAtEnd)
{
    if (!isLoaded)
        return;
    if (!sound->IsFading())
        GetAudioManager()->AddFading3DSound(this);
    sound->FadeOut(step, pauseAtEnd);
}

void Sound3D::CancelFade()
{
    if (!isLoaded)
        return;
    if (sound->IsFading())
        GetAudioManager()->RemoveFading3DSound(this);
    sound->CancelFade();
}

bool Sound3D::IsPlaying()
{
    return isLoaded && sound->IsPlaying();
}

bool Sound3D::IsPaused()
{
    return isLoaded && sound->IsPaused();
}

bool Sound3D::IsLooping()
{
    return isLoaded && sound->IsLooping();
}

bool Sound3D::IsFading()
{
    return isLoaded && sound->IsFading();
}

void Sound3D::SetProperties(const Sound3DProperties* block)
{
    if (!block)
        return;
    properties = *block;
    SetVolume(properties.volume);
    SetFrequency(properties.frequencyFactor);
    SetPosition(&properties.position);
    SetVelocity(&properties.velocity);
    SetConeOrientation(&properties.coneOrientation);
    SetConeAngles(properties.insideConeAngle, properties.outsideConeAngle);
    SetConeOutsideVolume(properties.coneOutsideVolume);
    SetMinDistance(properties.minDistance);
    SetMaxDistance(properties.maxDistance);
    SetMode(properties.mode);
}

const Sound3DProperties* Sound3D::GetProperties()
{
    return &properties;
}

void Sound3D::SetVolume(float volume)
{
    properties.volume = ClampUnit(volume);
    if (sound)
        sound->SetVolume(properties.volume);
}

float Sound3D::GetVolume()
{
    return properties.volume;
}

void Sound3D::SetFrequency(float factor)
{
    properties.frequencyFactor = factor;
    if (sound)
        sound->SetFrequency(factor);
}

float Sound3D::GetFrequency()
{
    return properties.frequencyFactor;
}

void Sound3D::SetPosition(const backend::Vector3* position)
{
    if (!position)
        return;
    properties.position = *position;
    const backend::Vector3& p = properties.position;
    if (buffer3D && !buffer3D->SetPosition(p.x, p.y, p.z, DS3D_DEFERRED))
        LogMessage("\nSetting the position of a 3D sound FAILED!");
}

const backend::Vector3* Sound3D::GetPosition()
{
    return &properties.position;
}

void Sound3D::SetVelocity(const backend::Vector3* velocity)
{
    if (!velocity)
        return;
    properties.velocity = *velocity;
    const backend::Vector3& v = properties.velocity;
    if (buffer3D && !buffer3D->SetVelocity(v.x, v.y, v.z, DS3D_DEFERRED))
        LogMessage("\nSetting the velocity of a 3D sound FAILED!");
}

const backend::Vector3* Sound3D::GetVelocity()
{
    return &properties.velocity;
}

void Sound3D::SetConeOrientation(const backend::Vector3* orientation)
{
    if (!orientation)
        return;
    properties.coneOrientation = *orientation;
    const backend::Vector3& o = properties.coneOrientation;
    if (buffer3D && !buffer3D->SetConeOrientation(o.x, o.y, o.z, DS3D_DEFERRED))
        LogMessage("\nSetting the cone orientation of a 3D sound FAILED!");
}

const backend::Vector3* Sound3D::GetConeOrientation()
{
    return &properties.coneOrientation;
}

void Sound3D::SetConeAngles(uint32_t inside, uint32_t outside)
{
    properties.insideConeAngle = std::min<uint32_t>(inside, 360);
    properties.outsideConeAngle = std::min<uint32_t>(outside, 360);
    if (buffer3D && !buffer3D->SetConeAngles(properties.insideConeAngle, properties.outsideConeAngle, DS3D_DEFERRED))
        LogMessage("\nSetting the cone angles of a 3D sound FAILED!");
}

uint32_t Sound3D::GetInsideConeAngle()
{
    return properties.insideConeAngle;
}

uint32_t Sound3D::GetOutsideConeAngle()
{
    return properties.outsideConeAngle;
}

void Sound3D::SetConeOutsideVolume(float volume)
{
    properties.coneOutsideVolume = ClampUnit(volume);
    if (buffer3D &&
        !buffer3D->SetConeOutsideVolume(LinearToDirectSoundVolume(properties.coneOutsideVolume), DS3D_DEFERRED))
        LogMessage("\nSetting the cone outside volume of a 3D sound FAILED!");
}

float Sound3D::GetConeOutsideVolume()
{
    return properties.coneOutsideVolume;
}

void Sound3D::SetMinDistance(float distance)
{
    properties.minDistance = distance;
    if (buffer3D && !buffer3D->SetMinDistance(distance, DS3D_DEFERRED))
        LogMessage("\nSetting the minimum distance of a 3D sound FAILED!");
}

float Sound3D::GetMinDistance()
{
    return properties.minDistance;
}

void Sound3D::SetMaxDistance(float distance)
{
    properties.maxDistance = distance;
    if (buffer3D && !buffer3D->SetMaxDistance(distance, DS3D_DEFERRED))
        LogMessage("\nSetting the maximum distance of a 3D sound FAILED!");
}

float Sound3D::GetMaxDistance()
{
    return properties.maxDistance;
}

void Sound3D::SetMode(uint32_t mode)
{
    properties.mode = mode;
    if (buffer3D && !buffer3D->SetMode(mode, DS3D_DEFERRED))
        LogMessage("\nSetting the mode of a 3D sound FAILED!");
}

uint32_t Sound3D::GetMode()
{
    return properties.mode;
}

void Sound3D::SetCurrentPosition(uint32_t byteOffset)
{
    if (sound)
        sound->SetCurrentPosition(byteOffset);
}

uint32_t Sound3D::GetCurrentPosition()
{
    return sound ? sound->GetCurrentPosition() : 0;
}

uint32_t Sound3D::GetDataSize()
{
    return sound ? sound->GetDataSize() : 0;
}

bool Sound3D::IsSet()
{
    return isSet;
}

bool Sound3D::IsLoaded()
{
    return isLoaded;
}

void Sound3D::UpdateFade()
{
    AudioManager* manager = GetAudioManager();
    if (!isLoaded) {
        manager->RemoveFading3DSound(this);
        return;
    }
    sound->UpdateFade();
    properties.volume = sound->GetVolume();
    if (!sound->IsFading())
        manager->RemoveFading3DSound(this);
}

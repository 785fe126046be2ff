#include "audio/AudioListener.h"

#include "audio/AudioManager.h"
#include "backend/sound/PrimarySoundBuffer.h"
#include "backend/sound/SoundListener3D.h"
#include "engine/platform/Log.h"

using backend::DS3D_DEFERRED;

bool AudioListener::Init()
{
    LogMessage("\nInitializing audio listener...");
    AudioManager* manager = GetAudioManager();
    if (!manager->IsInitialized())
        return ReportError("Error initializing audio listener: audio manager not initialized!");
    listener3D = manager->primaryBuffer ? manager->primaryBuffer->GetListener() : nullptr;
    if (!listener3D)
        return ReportError("Error initializing audio listener!");
    SetProperties(&properties);
    listener3D->CommitDeferredSettings();
    initialized = true;
    return true;
}

void AudioListener::Release()
{
    // The interface belongs to the primary buffer; letting go is all there is.
    if (initialized && listener3D)
        listener3D = nullptr;
}

bool AudioListener::CommitDeferredSettings()
{
    if (!initialized || !listener3D)
        return false;
    return listener3D->CommitDeferredSettings();
}

void AudioListener::SetProperties(const AudioListenerProperties* block)
{
    if (!block)
        return;
    properties = *block;
    SetPosition(&properties.position);
    SetVelocity(&properties.velocity);
    SetOrientation(&properties.frontOrientation, &properties.topOrientation);
    SetDistanceFactor(properties.distanceFactor);
    SetRolloffFactor(properties.rolloffFactor);
    SetDopplerFactor(properties.dopplerFactor);
}

const AudioListenerProperties* AudioListener::GetProperties()
{
    return &properties;
}

void AudioListener::SetPosition(const backend::Vector3* position)
{
    if (!position)
        return;
    properties.position = *position;
    const backend::Vector3& p = properties.position;
    if (listener3D && !listener3D->SetPosition(p.x, p.y, p.z, DS3D_DEFERRED))
        LogMessage("\nSetting the position of the audio listener FAILED!");
}

const backend::Vector3* AudioListener::GetPosition()
{
    return &properties.position;
}

void AudioListener::SetVelocity(const backend::Vector3* velocity)
{
    if (!velocity)
        return;
    properties.velocity = *velocity;
    const backend::Vector3& v = properties.velocity;
    if (listener3D && !listener3D->SetVelocity(v.x, v.y, v.z, DS3D_DEFERRED))
        LogMessage("\nSetting the velocity of the audio listener FAILED!");
}

const backend::Vector3* AudioListener::GetVelocity()
{
    return &properties.velocity;
}

void AudioListener::SetOrientation(const backend::Vector3* front, const backend::Vector3* top)
{
    if (!front || !top)
        return;
    properties.frontOrientation = *front;
    properties.topOrientation = *top;
    if (listener3D &&
        !listener3D->SetOrientation(properties.frontOrientation, properties.topOrientation, DS3D_DEFERRED))
        LogMessage("\nSetting the orientation of the audio listener FAILED!");
}

const backend::Vector3* AudioListener::GetFrontOrientation()
{
    return &properties.frontOrientation;
}

const backend::Vector3* AudioListener::GetTopOrientation()
{
    return &properties.topOrientation;
}

void AudioListener::SetDistanceFactor(float factor)
{
    properties.distanceFactor = factor;
    if (listener3D && !listener3D->SetDistanceFactor(factor, DS3D_DEFERRED))
        LogMessage("\nSetting the distance factor of the audio listener FAILED!");
}

float AudioListener::GetDistanceFactor()
{
    return properties.distanceFactor;
}

void AudioListener::SetRolloffFactor(float factor)
{
    properties.rolloffFactor = factor;
    if (listener3D && !listener3D->SetRolloffFactor(factor, DS3D_DEFERRED))
        LogMessage("\nSetting the rolloff factor of the audio listener FAILED!");
}

float AudioListener::GetRolloffFactor()
{
    return properties.rolloffFactor;
}

void AudioListener::SetDopplerFactor(float factor)
{
    properties.dopplerFactor = factor;
    if (listener3D && !listener3D->SetDopplerFactor(factor, DS3D_DEFERRED))
        LogMessage("\nSetting the Doppler factor of the audio listener FAILED!");
}

float AudioListener::GetDopplerFactor()
{
    return properties.dopplerFactor;
}

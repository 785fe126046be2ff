#include "audio/Sound.h"

#include "audio/AudioManager.h"
#include "audio/OggVorbisReader.h"
#include "audio/Sound3D.h"
#include "audio/WaveFileReader.h"
#include "backend/clock/Clock.h"
#include "backend/sound/DirectSound.h"
#include "backend/sound/SoundBuffer.h"
#include "engine/platform/Log.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

namespace {

float Clamp(float value, float lo, float hi)
{
    if (!(value >= lo))
        return lo; // also NaN
    return std::min(value, hi);
}

} // namespace

Sound::Sound() = default;
Sound::~Sound() = default;

bool Sound::Load(const char* fileName, const SoundLoadParams* loadParams)
{
    params = loadParams ? *loadParams : SoundLoadParams{};
    std::strncpy(name, fileName ? fileName : "", sizeof(name) - 1);
    name[sizeof(name) - 1] = '\0';
    isSet = true;
    return LoadFile();
}

bool Sound::Reload()
{
    return LoadFile();
}

bool Sound::LoadFile()
{
    LogFormat("\nLoading the sound \"%s\"...", name);
    if (!isSet)
        return ReportError("Error loading a sound: not initialized!");
    if (isLoaded)
        return true;
    AudioManager* manager = GetAudioManager();
    if (!is3D && !manager->HasRoomForSound() && !manager->EvictLowestPrioritySound(this))
        return false;
    if (!OpenReader())
        return false;
    if (!CreateBuffer() || !FillInitialData()) {
        buffer.reset();
        CloseReader();
        return false;
    }
    SetProperties(&properties);
    if (!params.streamed)
        CloseReader(); // all of its data is in the buffer
    if (!is3D)
        manager->AddLoadedSound(this);
    isLoaded = true;
    return true;
}

bool Sound::OpenReader()
{
    size_t length = std::strlen(name);
    const char* extension = length >= 3 ? name + length - 3 : "";
    SoundReader* made = nullptr;
    if (std::strcmp(extension, "wav") == 0)
        made = new (std::nothrow) WaveFileReader();
    else if (std::strcmp(extension, "ogg") == 0)
        made = new (std::nothrow) OggVorbisReader();
    else
        return ReportFileError("Error loading a sound: unsupported file type!", name, "not a .wav or .ogg file");
    if (!made)
        return ReportFileError("Error loading a sound: not enough memory!", name, "no memory for its reader");
    reader.reset(made);
    if (!reader->Open(name)) {
        CloseReader();
        return false;
    }
    format = *reader->GetFormat();
    return true;
}

void Sound::CloseReader()
{
    if (reader)
        reader->Close();
    reader.reset();
}

bool Sound::CreateBuffer()
{
    LogMessage("\nCreating a sound buffer...");
    if (is3D && format.channels > 1)
        return ReportFileError("Error loading a sound: multichannel sounds not allowed in 3d mode!", name,
                               std::to_string(format.channels) + " channels; a sound placed in 3D has one");
    uint32_t dataSize = reader->GetDataSize();
    writeOffset = 0;
    bytesPlayed = 0;
    lastPlayCursor = 0;
    if (params.streamed && dataSize <= format.avgBytesPerSec) {
        params.streamed = 0; // short enough to load whole
        bufferBytes = dataSize;
    } else if (params.streamed) {
        bufferBytes = format.avgBytesPerSec;
    } else {
        bufferBytes = dataSize;
    }

    AudioManager* manager = GetAudioManager();
    backend::SoundBufferDesc desc;
    desc.flags = backend::DSBCAPS_CTRLFREQUENCY | backend::DSBCAPS_CTRLVOLUME | backend::DSBCAPS_GETCURRENTPOSITION2;
    if (is3D)
        desc.flags |= backend::DSBCAPS_CTRL3D | backend::DSBCAPS_MUTE3DATMAXDISTANCE;
    else if (format.channels == 1)
        desc.flags |= backend::DSBCAPS_CTRLPAN;
    bool software = is3D ? manager->software3D : manager->software2D;
    desc.flags |= software ? backend::DSBCAPS_LOCSOFTWARE : backend::DSBCAPS_LOCHARDWARE;
    if (is3D && software)
        desc.algorithm3D = backend::Sound3DAlgorithm::HrtfFull;
    desc.bufferBytes = bufferBytes;
    desc.format = &format;
    if (!manager->directSound || !manager->directSound->CreateSoundBuffer(desc, buffer))
        return ReportFileError("Error loading a sound: buffer creation failed!", name,
                               bufferBytes == 0 ? "it holds no sound" : "no sound buffer for it");
    return true;
}

bool Sound::FillInitialData()
{
    LogMessage("\nFilling the sound buffer with initial data...");
    void* part1 = nullptr;
    void* part2 = nullptr;
    uint32_t bytes1 = 0, bytes2 = 0;
    if (!buffer || !reader ||
        !buffer->Lock(0, bufferBytes, &part1, &bytes1, &part2, &bytes2, backend::DSBLOCK_ENTIREBUFFER)) {
        buffer.reset();
        CloseReader();
        return ReportFileError("Error loading a sound: locking the sound buffer failed!", name,
                               "its sound buffer could not be filled");
    }
    uint32_t read = 0;
    if (!reader->Read(part1, bytes1, &read)) {
        buffer->Unlock(part1, bytes1, part2, bytes2);
        buffer.reset();
        CloseReader();
        return false;
    }
    std::memset(static_cast<uint8_t*>(part1) + read, SilenceByte(), bytes1 - read);
    if (!buffer->Unlock(part1, bytes1, part2, bytes2)) {
        buffer.reset();
        CloseReader();
        return ReportFileError("Error loading a sound: locking the sound buffer failed!", name,
                               "its sound buffer could not be filled");
    }
    if (params.streamed)
        writeOffset = (writeOffset + read) % bufferBytes;
    return true;
}

void Sound::Release()
{
    if (!isLoaded)
        return;
    if (IsFading())
        CancelFade();
    if (IsPlaying()) {
        Stop();
        if (!isLoaded)
            return; // the stop failed and released it already
    }
    LogFormat("\nReleasing sound \"%s\"...", name);
    buffer.reset();
    CloseReader();
    AudioManager* manager = GetAudioManager();
    if (!is3D)
        manager->RemoveLoadedSound(this);
    // No list may keep a pointer to a sound without a buffer.
    manager->RemoveStreamingSound(this);
    manager->RemoveFadingSound(this);
    isLoaded = false;
}

void Sound::Play()
{
    // A stream that failed only resumes what it has left to play.
    if (!isLoaded || IsPlaying() || (StreamFailed() && !paused))
        return;
    uint32_t flags = (params.looping || params.streamed) ? backend::DSBPLAY_LOOPING : 0;
    if (!buffer->Play(flags))
        LogMessage("\nPlaying a sound FAILED!");
    if (params.streamed)
        GetAudioManager()->AddStreamingSound(this);
    playStartTime = backend::TimeGetTime();
    paused = false;
}

void Sound::Pause()
{
    if (!isLoaded || !IsPlaying() || paused)
        return;
    if (!buffer->Stop())
        LogMessage("\nPausing a sound FAILED!");
    if (params.streamed)
        GetAudioManager()->RemoveStreamingSound(this);
    paused = true;
}

void Sound::Stop()
{
    if (!isLoaded || !(IsPlaying() || paused))
        return;
    // A stream that can't start over is let go, and the game goes on without it.
    const RecoverableStep recoverable;
    AudioManager* manager = GetAudioManager();
    if (!buffer->Stop())
        LogMessage("\nStopping a sound FAILED!");
    if (params.streamed) {
        manager->RemoveStreamingSound(this);
        bytesPlayed = 0;
        writeOffset = 0;
        lastPlayCursor = 0;
        buffer->SetCurrentPosition(0);
        if (!reader || !reader->Reset() || !FillInitialData()) {
            ReleaseWhole();
            return;
        }
    } else {
        SetCurrentPosition(0);
    }
    if (!is3D && fadeMode != 0)
        manager->RemoveFadingSound(this);
    fadeMode = 0;
    paused = false;
}

// Half a sound is no sound: lets go of all of it.
void Sound::ReleaseWhole()
{
    if (owner3D)
        owner3D->Release();
    else
        Release();
}

void Sound::FadeIn(float step)
{
    if (!isLoaded)
        return;
    if (!IsPlaying())
        Play();
    if (!is3D && fadeMode == 0)
        GetAudioManager()->AddFadingSound(this);
    fadeMode = 1;
    fadeStep = step;
}

void Sound::FadeOut(float step, bool pauseAtEnd)
{
    if (!isLoaded || !IsPlaying())
        return;
    if (!is3D && fadeMode == 0)
        GetAudioManager()->AddFadingSound(this);
    fadeMode = 2;
    fadeStep = step;
    pauseAtFadeEnd = pauseAtEnd;
}

void Sound::CancelFade()
{
    if (!is3D && fadeMode != 0)
        GetAudioManager()->RemoveFadingSound(this);
    fadeMode = 0;
}

bool Sound::IsPlaying()
{
    if (!isLoaded || !buffer)
        return false;
    uint32_t status = 0;
    return buffer->GetStatus(&status) && (status & backend::DSBSTATUS_PLAYING);
}

bool Sound::IsPaused()
{
    return paused;
}

bool Sound::IsLooping()
{
    return params.looping != 0;
}

bool Sound::IsFading()
{
    return fadeMode != 0;
}

void Sound::SetProperties(const SoundProperties* block)
{
    if (!block)
        return;
    properties = *block;
    SetVolume(properties.volume);
    SetPan(properties.pan);
    SetFrequency(properties.frequencyFactor);
}

const SoundProperties* Sound::GetProperties()
{
    return &properties;
}

void Sound::SetVolume(float volume)
{
    properties.volume = Clamp(volume, 0.0f, 1.0f);
    if (!buffer)
        return;
    AudioManager* manager = GetAudioManager();
    float master = params.isMusic ? manager->GetMusicVolume() : manager->GetSoundVolume();
    if (!buffer->SetVolume(LinearToDirectSoundVolume(properties.volume * master)))
        LogMessage("\nSetting the volume of a sound FAILED!");
}

float Sound::GetVolume()
{
    return properties.volume;
}

void Sound::SetPan(float pan)
{
    if (format.channels != 1 || is3D)
        return;
    properties.pan = Clamp(pan, -1.0f, 1.0f);
    if (buffer && !buffer->SetPan(static_cast<int32_t>(properties.pan * 10000.0f)))
        LogMessage("\nSetting the panning of a sound FAILED!");
}

float Sound::GetPan()
{
    return properties.pan;
}

void Sound::SetFrequency(float factor)
{
    properties.frequencyFactor = factor;
    if (!buffer)
        return;
    const backend::SoundCaps& caps = GetAudioManager()->caps;
    double hertz = static_cast<double>(format.samplesPerSec) * factor;
    if (!(hertz >= 0.0))
        hertz = 0.0; // negative or NaN
    hertz = std::min(hertz, 4294967295.0);
    uint32_t frequency = static_cast<uint32_t>(hertz);
    frequency = std::clamp(frequency, caps.minSecondarySampleRate, caps.maxSecondarySampleRate);
    if (!buffer->SetFrequency(frequency))
        LogMessage("\nSetting the frequency of a sound FAILED!");
}

float Sound::GetFrequency()
{
    return properties.frequencyFactor;
}

void Sound::SetCurrentPosition(uint32_t byteOffset)
{
    if (params.streamed || !buffer)
        return;
    if (!buffer->SetCurrentPosition(byteOffset))
        LogMessage("Setting the current position of a sound FAILED!");
}

uint32_t Sound::GetCurrentPosition()
{
    if (!isLoaded || !buffer)
        return 0;
    if (params.streamed)
        return bytesPlayed;
    uint32_t cursor = 0;
    if (!buffer->GetCurrentPosition(&cursor, nullptr))
        return 0;
    return cursor;
}

uint32_t Sound::GetDataSize()
{
    return reader ? reader->GetDataSize() : 0;
}

bool Sound::IsSet()
{
    return isSet;
}

bool Sound::IsLoaded()
{
    return isLoaded;
}

bool Sound::Query3DBuffer(backend::SoundBuffer3D** out)
{
    if (!is3D)
        return ReportError("Error querying DirectSound 3d buffer: invalid 2d buffer for this operation!", false);
    LogMessage("\nQuerying DirectSound 3d buffer...");
    backend::SoundBuffer3D* found = buffer ? buffer->Get3DBuffer() : nullptr;
    if (!found || !out)
        return ReportError("Error querying DirectSound 3d buffer!");
    *out = found;
    return true;
}

void Sound::UpdateFade()
{
    bool ended = false;
    if (fadeMode == 1) {
        properties.volume += fadeStep;
        if (properties.volume >= 1.0f) {
            properties.volume = 1.0f;
            ended = true;
        }
    } else if (fadeMode == 2) {
        properties.volume -= fadeStep;
        if (properties.volume <= 0.0f) {
            properties.volume = 0.0f;
            ended = true;
            if (pauseAtFadeEnd)
                Pause();
            else
                Stop();
        }
    } else {
        ended = true;
    }
    SetVolume(properties.volume);
    if (ended) {
        fadeMode = 0;
        if (!is3D)
            GetAudioManager()->RemoveFadingSound(this);
    }
}

void Sound::UpdateStream()
{
    if (!isLoaded)
        return;
    // Music that can't be read on plays out and goes; the game goes on without it.
    const RecoverableStep recoverable;
    if (StreamFailed()) {
        if (!IsPlaying())
            ReleaseWhole(); // played out
        return;
    }
    if (!IsPlaying())
        return;
    uint32_t cursor = 0;
    if (!buffer->GetCurrentPosition(&cursor, nullptr)) {
        LogMessage("\nRetrieving current sound buffer position FAILED!");
        return;
    }
    // An unmoved cursor is no progress, not a lap.
    bytesPlayed += (cursor + bufferBytes - lastPlayCursor) % bufferBytes;
    uint32_t dataSize = reader->GetDataSize();
    if (bytesPlayed >= dataSize) {
        if (params.looping && dataSize > 0) {
            bytesPlayed %= dataSize;
        } else {
            Stop();
            return;
        }
    }

    uint32_t fill = std::min((cursor + bufferBytes - writeOffset) % bufferBytes, bufferBytes / 2);
    fill -= fill % std::max<uint32_t>(format.blockAlign, 1);
    if (fill > 0) {
        void* part1 = nullptr;
        void* part2 = nullptr;
        uint32_t bytes1 = 0, bytes2 = 0;
        if (!buffer->Lock(writeOffset, fill, &part1, &bytes1, &part2, &bytes2, 0)) {
            LogMessage("\nLocking streaming sound buffer FAILED!");
            lastPlayCursor = cursor; // counted already
            return;
        }
        if (reader->IsEndOfData()) {
            std::memset(part1, SilenceByte(), bytes1);
            if (part2)
                std::memset(part2, SilenceByte(), bytes2);
            writeOffset += bytes1 + bytes2;
        } else {
            uint32_t read = 0;
            bool ok = reader->Read(part1, bytes1, &read);
            writeOffset += read;
            if (ok && part2 && read == bytes1) {
                ok = reader->Read(part2, bytes2, &read);
                writeOffset += read;
            }
            if (!ok) {
                EndFailedStream(part1, bytes1, part2, bytes2);
                return;
            }
        }
        if (!buffer->Unlock(part1, bytes1, part2, bytes2))
            LogMessage("\nUnlocking sound buffer FAILED!");
        if (params.looping && reader->IsEndOfData())
            reader->Reset();
    }
    lastPlayCursor = cursor;
    writeOffset %= bufferBytes;
}

// The reader failed (and said why): the buffer plays out what it has queued and
// queues nothing more, since all it holds besides is older music; then the
// next update lets go of the sound. A stream that plays again loads anew.
void Sound::EndFailedStream(void* part1, uint32_t bytes1, void* part2, uint32_t bytes2)
{
    buffer->PlayOut();
    buffer->Unlock(part1, bytes1, part2, bytes2);
    CloseReader();
}

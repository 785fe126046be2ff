#include "audio/AudioManager.h"

#include "audio/AudioListener.h"
#include "audio/Sound.h"
#include "audio/Sound3D.h"
#include "backend/sound/DirectSound.h"
#include "backend/sound/PrimarySoundBuffer.h"
#include "engine/platform/Log.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <string>

namespace {

// Streams are refilled on every update.
constexpr float STREAM_REFILL_INTERVAL = 0.0f;
constexpr size_t SOUND_CAPACITY = 256;
constexpr size_t MAX_RESERVED = 4096;

template <typename T> void AddOnce(std::vector<T*>& list, T* item)
{
    if (item && std::find(list.begin(), list.end(), item) == list.end())
        list.push_back(item);
}

template <typename T> void RemoveFirst(std::vector<T*>& list, T* item)
{
    auto it = std::find(list.begin(), list.end(), item);
    if (it != list.end())
        list.erase(it);
}

float ClampVolume(float volume)
{
    if (!(volume > 0.0f))
        return 0.0f; // also NaN
    return std::min(volume, 1.0f);
}

int Compare(uint32_t a, uint32_t b)
{
    return a > b ? 1 : (a < b ? -1 : 0);
}

// Whether 2D sound a ranks before b: playing first, then the later started.
bool RanksBefore(Sound* a, Sound* b)
{
    int score = (a->IsPlaying() ? 1 : 0) - (b->IsPlaying() ? 1 : 0);
    score += Compare(a->playStartTime, b->playStartTime);
    return score > 0;
}

double DistanceToListener(Sound3D* sound, const backend::Vector3& listener)
{
    const backend::Vector3* p = sound->GetPosition();
    double dx = p->x - listener.x, dy = p->y - listener.y, dz = p->z - listener.z;
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

// Whether 3D sound a ranks before b: as 2D sounds, then a sound beyond its
// maximum distance ranks low, and the nearer one ranks first.
bool RanksBefore(Sound3D* a, Sound3D* b, const backend::Vector3& listener)
{
    int score = 0;
    if (a->sound && b->sound) {
        score = (a->sound->IsPlaying() ? 1 : 0) - (b->sound->IsPlaying() ? 1 : 0);
        score += Compare(a->sound->playStartTime, b->sound->playStartTime);
    }
    double da = DistanceToListener(a, listener);
    double db = DistanceToListener(b, listener);
    if (da >= a->GetMaxDistance())
        score -= 2;
    if (db >= b->GetMaxDistance())
        score += 2;
    // Strictly nearer, so that a sound never ranks before itself.
    if (da < db)
        score += 1;
    else if (da > db)
        score -= 1;
    return score > 0;
}

} // namespace

int32_t LinearToDirectSoundVolume(float volume)
{
    if (!(volume > 0.0f))
        return backend::DSBVOLUME_MIN; // also NaN
    if (volume >= 1.0f)
        return backend::DSBVOLUME_MAX;
    double millibels = -2000.0 * std::log10(1.0 / static_cast<double>(volume));
    if (millibels <= backend::DSBVOLUME_MIN)
        return backend::DSBVOLUME_MIN;
    return static_cast<int32_t>(millibels);
}

AudioManager* GetAudioManager()
{
    static AudioManager manager;
    return &manager;
}

AudioManager::AudioManager() = default;
AudioManager::~AudioManager() = default;

bool AudioManager::Init(const AudioInitParams* initParams)
{
    if (initialized)
        return true;
    if (!initParams)
        return ReportError("Error initializing DirectSound8!");
    const AudioInitParams& p = *initParams;
    LogMessage("\nInitializing audio manager...");
    LogMessage("\nCreating DirectSound8...");
    std::string why;
    if (!backend::DirectSound::Create(p.deviceGuid, directSound, &why))
        return ReportErrorWithReason("Error initializing DirectSound8!", why);

    LogMessage("\nSetting DirectSound's cooperative level...");
    if (!directSound->SetCooperativeLevel(p.hWnd, backend::DSSCL_PRIORITY)) {
        ReleaseDevice();
        return ReportError("Error setting DirectSound's cooperative level!");
    }

    LogMessage("\nCreating the primary sound buffer...");
    if (!directSound->CreatePrimaryBuffer(backend::DSBCAPS_PRIMARYBUFFER | backend::DSBCAPS_CTRL3D, primaryBuffer)) {
        ReleaseDevice();
        return ReportError("Error creating the primary sound buffer!");
    }

    LogMessage("\nSetting primary sound buffer's format...");
    backend::WaveFormat format;
    format.formatTag = backend::WAVE_FORMAT_PCM;
    format.channels = 2;
    format.samplesPerSec = p.primarySampleRate;
    format.bitsPerSample = static_cast<uint16_t>(p.primaryBitsPerSample & 0xFFFF);
    format.blockAlign = static_cast<uint16_t>(format.bitsPerSample * 2 / 8);
    format.avgBytesPerSec = format.blockAlign * format.samplesPerSec;
    if (!primaryBuffer->SetFormat(format)) {
        ReleaseDevice();
        return ReportError("Error setting primary sound buffer's format!");
    }

    LogMessage("\nTrying to play the primary sound buffer...");
    if (!primaryBuffer->Play(backend::DSBPLAY_LOOPING)) {
        ReleaseDevice();
        return ReportError("Error playing the primary sound buffer!");
    }

    LogMessage("\nChecking sound card capabilities...");
    if (!directSound->GetCaps(&caps)) {
        ReleaseDevice();
        return ReportError("Error checking sound card capabilities!");
    }

    AudioInitParams adjusted = p;
    bool forceSoftware = (p.forceSoftware & 0xFF) != 0;
    if (caps.maxHwMixingAllBuffers < p.minHardware2DBuffers || forceSoftware) {
        LogMessage("\nUsing software 2D sound buffers...");
        software2D = true;
    } else {
        LogMessage("\nUsing hardware 2D sound buffers...");
        software2D = false;
        adjusted.maxHardware2DSounds = std::min(adjusted.maxHardware2DSounds, caps.maxHwMixingAllBuffers);
    }
    if (caps.maxHw3DAllBuffers < p.minHardware3DBuffers || forceSoftware) {
        LogMessage("\nUsing software 3D sound buffers...");
        software3D = true;
    } else {
        LogMessage("\nUsing hardware 3D sound buffers...");
        software3D = false;
        adjusted.maxHardware3DSounds = std::min(adjusted.maxHardware3DSounds, caps.maxHw3DAllBuffers);
    }
    // Room for the limits, within reason: the limits come from the caller.
    size_t limit2D =
        std::min<size_t>(software2D ? adjusted.maxSoftware2DSounds : adjusted.maxHardware2DSounds, MAX_RESERVED);
    size_t limit3D =
        std::min<size_t>(software3D ? adjusted.maxSoftware3DSounds : adjusted.maxHardware3DSounds, MAX_RESERVED);
    loadedSounds.reserve(limit2D);
    loaded3DSounds.reserve(limit3D);
    sounds.reserve(SOUND_CAPACITY);
    sounds3D.reserve(SOUND_CAPACITY);
    streamingSounds.reserve(limit2D + limit3D);
    fadingSounds.reserve(limit2D);
    fading3DSounds.reserve(limit3D);

    params = adjusted;
    initialized = true;
    updateTimer.Init(false);

    LogMessage("\nCreating the audio listener object...");
    listener = new (std::nothrow) AudioListener();
    if (!listener)
        return ReportError("Error creating the audio listener: not enough memory!");
    return listener->Init();
}

void AudioManager::ReleaseDevice()
{
    primaryBuffer.reset();
    directSound.reset();
}

Sound* AudioManager::CreateSound()
{
    LogMessage("\nCreating a sound object...");
    if (!initialized) {
        ReportError("Error creating a sound: audio manager not initialized!");
        return nullptr;
    }
    Sound* sound = new (std::nothrow) Sound();
    if (!sound) {
        ReportError("Error creating a sound: not enough memory!");
        return nullptr;
    }
    sounds.push_back(sound);
    return sound;
}

void AudioManager::DestroySound(Sound*& sound)
{
    LogMessage("\nDestroying a sound object...");
    if (!initialized) {
        ReportError("Error destroying a sound: audio manager not initialized!");
        return;
    }
    if (!sound) {
        ReportError("Error destroying a sound: invalid pointer!");
        return;
    }
    // A caller that forgot to release it must not leave it in the loaded list.
    if (sound->IsLoaded())
        sound->Release();
    RemoveFirst(sounds, sound);
    delete sound;
    sound = nullptr;
}

void AudioManager::DestroySound(Sound** sound)
{
    if (!sound) {
        ReportError("Error destroying a sound: invalid pointer!");
        return;
    }
    DestroySound(*sound);
}

Sound3D* AudioManager::Create3DSound()
{
    LogMessage("\nCreating a 3D sound object...");
    if (!initialized) {
        ReportError("Error creating a 3D sound: audio manager not initialized!");
        return nullptr;
    }
    Sound3D* sound = new (std::nothrow) Sound3D();
    if (!sound) {
        ReportError("Error creating a 3D sound: not enough memory!");
        return nullptr;
    }
    sounds3D.push_back(sound);
    return sound;
}

void AudioManager::Destroy3DSound(Sound3D*& sound)
{
    LogMessage("\nDestroying a 3D sound object...");
    if (!initialized) {
        ReportError("Error destroying a 3D sound: audio manager not initialized!");
        return;
    }
    if (!sound) {
        ReportError("Error destroying a 3D sound: invalid pointer!");
        return;
    }
    if (sound->IsLoaded())
        sound->Release();
    RemoveFirst(sounds3D, sound);
    delete sound;
    sound = nullptr;
}

void AudioManager::Destroy3DSound(Sound3D** sound)
{
    if (!sound) {
        ReportError("Error destroying a 3D sound: invalid pointer!");
        return;
    }
    Destroy3DSound(*sound);
}

void AudioManager::Update()
{
    if (!initialized)
        return;
    // Walk from the back: an entry may leave its list (and, if a refill fails,
    // take others with it), so every index is checked again.
    for (size_t i = fadingSounds.size(); i-- > 0;) {
        if (i < fadingSounds.size())
            fadingSounds[i]->UpdateFade();
    }
    for (size_t i = fading3DSounds.size(); i-- > 0;) {
        if (i < fading3DSounds.size())
            fading3DSounds[i]->UpdateFade();
    }
    if (listener)
        listener->CommitDeferredSettings();
    if (updateTimer.HasElapsed(STREAM_REFILL_INTERVAL)) {
        updateTimer.Tick();
        for (size_t i = streamingSounds.size(); i-- > 0;) {
            if (i < streamingSounds.size())
                streamingSounds[i]->UpdateStream();
        }
    }
}

void AudioManager::ResumeAll()
{
    std::vector<Sound*> list = loadedSounds;
    for (Sound* sound : list) {
        if (sound->IsPaused())
            sound->Play();
    }
    std::vector<Sound3D*> list3D = loaded3DSounds;
    for (Sound3D* sound : list3D) {
        if (sound->IsPaused())
            sound->Play();
    }
}

void AudioManager::PauseAll()
{
    std::vector<Sound*> list = loadedSounds;
    for (Sound* sound : list)
        sound->Pause();
    std::vector<Sound3D*> list3D = loaded3DSounds;
    for (Sound3D* sound : list3D)
        sound->Pause();
}

void AudioManager::StopAll()
{
    std::vector<Sound*> list = loadedSounds;
    for (Sound* sound : list)
        sound->Stop();
    std::vector<Sound3D*> list3D = loaded3DSounds;
    for (Sound3D* sound : list3D)
        sound->Stop();
}

void AudioManager::Shutdown()
{
    if (!initialized)
        return;
    LogMessage("\nUninitializing Audio Manager...");
    streamingSounds.clear();
    while (!loadedSounds.empty()) {
        Sound* sound = loadedSounds.back();
        sound->Release();
        RemoveFirst(loadedSounds, sound); // in case it was listed but not loaded
    }
    while (!loaded3DSounds.empty()) {
        Sound3D* sound = loaded3DSounds.back();
        sound->Release();
        RemoveFirst(loaded3DSounds, sound);
    }
    // 3D sounds first: each destroys its inner sound, which is also in `sounds`.
    while (!sounds3D.empty()) {
        LogMessage("\nDestroying 3d sound...");
        Sound3D* sound = sounds3D.back();
        sounds3D.pop_back();
        delete sound;
    }
    while (!sounds.empty()) {
        LogMessage("\nDestroying sound...");
        Sound* sound = sounds.back();
        sounds.pop_back();
        delete sound;
    }
    loadedSounds.clear();
    loaded3DSounds.clear();
    streamingSounds.clear();
    fadingSounds.clear();
    fading3DSounds.clear();
    if (listener) {
        listener->Release();
        delete listener;
        listener = nullptr;
    }
    ReleaseDevice();
    initialized = false;
}

AudioListener* AudioManager::GetListener()
{
    return listener;
}

void AudioManager::SetSoundVolume(float volume)
{
    if (!initialized)
        return;
    soundVolume = ClampVolume(volume);
    for (Sound* sound : loadedSounds) {
        if (!sound->params.isMusic)
            sound->SetVolume(sound->GetVolume());
    }
    for (Sound3D* sound : loaded3DSounds) {
        if (!sound->params.isMusic)
            sound->SetVolume(sound->GetVolume());
    }
}

void AudioManager::SetMusicVolume(float volume)
{
    if (!initialized)
        return;
    musicVolume = ClampVolume(volume);
    for (Sound* sound : loadedSounds) {
        if (sound->params.isMusic)
            sound->SetVolume(sound->GetVolume());
    }
    for (Sound3D* sound : loaded3DSounds) {
        if (sound->params.isMusic)
            sound->SetVolume(sound->GetVolume());
    }
}

float AudioManager::GetSoundVolume()
{
    return initialized ? soundVolume : 0.0f;
}

float AudioManager::GetMusicVolume()
{
    return initialized ? musicVolume : 0.0f;
}

bool AudioManager::IsInitialized()
{
    return initialized;
}

void AudioManager::AddLoadedSound(Sound* sound)
{
    AddOnce(loadedSounds, sound);
}

void AudioManager::RemoveLoadedSound(Sound* sound)
{
    RemoveFirst(loadedSounds, sound);
}

void AudioManager::AddLoaded3DSound(Sound3D* sound)
{
    AddOnce(loaded3DSounds, sound);
}

void AudioManager::RemoveLoaded3DSound(Sound3D* sound)
{
    RemoveFirst(loaded3DSounds, sound);
}

void AudioManager::AddStreamingSound(Sound* sound)
{
    AddOnce(streamingSounds, sound);
}

void AudioManager::RemoveStreamingSound(Sound* sound)
{
    RemoveFirst(streamingSounds, sound);
}

void AudioManager::AddFadingSound(Sound* sound)
{
    AddOnce(fadingSounds, sound);
}

void AudioManager::RemoveFadingSound(Sound* sound)
{
    RemoveFirst(fadingSounds, sound);
}

void AudioManager::AddFading3DSound(Sound3D* sound)
{
    AddOnce(fading3DSounds, sound);
}

void AudioManager::RemoveFading3DSound(Sound3D* sound)
{
    RemoveFirst(fading3DSounds, sound);
}

bool AudioManager::HasRoomForSound()
{
    size_t limit = software2D ? params.maxSoftware2DSounds : params.maxHardware2DSounds;
    return loadedSounds.size() < limit;
}

bool AudioManager::HasRoomFor3DSound()
{
    size_t limit = software3D ? params.maxSoftware3DSounds : params.maxHardware3DSounds;
    return loaded3DSounds.size() < limit;
}

// One pass for the lowest-ranked sound: the ranking is no strict weak order,
// so sorting by it would be undefined.
bool AudioManager::EvictLowestPrioritySound(Sound* incoming)
{
    if (loadedSounds.empty() || !incoming)
        return true;
    Sound* lowest = loadedSounds.front();
    for (Sound* sound : loadedSounds) {
        if (RanksBefore(lowest, sound))
            lowest = sound;
    }
    if (RanksBefore(lowest, incoming))
        return false;
    LogFormat("\nRemoving lowest-priority sound \"%s\"...", lowest->name);
    lowest->Release();
    RemoveFirst(loadedSounds, lowest);
    return true;
}

bool AudioManager::EvictLowestPriority3DSound(Sound3D* incoming)
{
    if (loaded3DSounds.empty() || !incoming)
        return true;
    backend::Vector3 at = listener ? *listener->GetPosition() : backend::Vector3{};
    Sound3D* lowest = loaded3DSounds.front();
    for (Sound3D* sound : loaded3DSounds) {
        if (RanksBefore(lowest, sound, at))
            lowest = sound;
    }
    if (RanksBefore(lowest, incoming, at))
        return false;
    LogFormat("\nRemoving lowest-priority 3d sound \"%s\"...", lowest->name);
    lowest->Release();
    RemoveFirst(loaded3DSounds, lowest);
    return true;
}

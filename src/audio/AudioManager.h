#pragma once
// The one sound manager of the process: the sound device and its primary
// buffer, every sound made, the lists of sounds that hold a buffer, stream and
// fade, the limits with eviction, the per-frame update and the master volumes.

#include "audio/AudioInitParams.h"
#include "backend/sound/SoundTypes.h"
#include "engine/platform/Timer.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace backend {
class DirectSound;
class PrimarySoundBuffer;
} // namespace backend

class AudioListener;
class Sound;
class Sound3D;

// Linear volume 0..1 in hundredths of a decibel, -10000..0.
int32_t LinearToDirectSoundVolume(float volume);

class AudioManagerBase {
public:
    virtual ~AudioManagerBase() = default;
    virtual bool Init(const AudioInitParams* params) = 0;
    virtual Sound* CreateSound() = 0;
    virtual void DestroySound(Sound*& sound) = 0;
    virtual Sound3D* Create3DSound() = 0;
    virtual void Destroy3DSound(Sound3D*& sound) = 0;
    virtual void Update() = 0;
    virtual void ResumeAll() = 0;
    virtual void PauseAll() = 0;
    virtual void StopAll() = 0;
    virtual void Shutdown() = 0;
    virtual AudioListener* GetListener() = 0;
    virtual void SetSoundVolume(float volume) = 0;
    virtual void SetMusicVolume(float volume) = 0;
    virtual float GetSoundVolume() = 0;
    virtual float GetMusicVolume() = 0;
    virtual bool IsInitialized() = 0;
};

class AudioManager : public AudioManagerBase {
public:
    AudioManager();
    // Frees the lists only; Shutdown takes the sounds and the device down.
    ~AudioManager() override;

    bool Init(const AudioInitParams* params) override;
    Sound* CreateSound() override;
    void DestroySound(Sound*& sound) override;
    Sound3D* Create3DSound() override;
    void Destroy3DSound(Sound3D*& sound) override;
    void Update() override;
    void ResumeAll() override;
    void PauseAll() override;
    void StopAll() override;
    void Shutdown() override;
    AudioListener* GetListener() override;
    void SetSoundVolume(float volume) override;
    void SetMusicVolume(float volume) override;
    float GetSoundVolume() override;
    float GetMusicVolume() override;
    bool IsInitialized() override;

    // The same, for callers that pass the address of their pointer.
    void DestroySound(Sound** sound);
    void Destroy3DSound(Sound3D** sound);

    // List upkeep for the sounds; adding a sound that is already listed does nothing.
    void AddLoadedSound(Sound* sound);
    void RemoveLoadedSound(Sound* sound);
    void AddLoaded3DSound(Sound3D* sound);
    void RemoveLoaded3DSound(Sound3D* sound);
    void AddStreamingSound(Sound* sound);
    void RemoveStreamingSound(Sound* sound);
    void AddFadingSound(Sound* sound);
    void RemoveFadingSound(Sound* sound);
    void AddFading3DSound(Sound3D* sound);
    void RemoveFading3DSound(Sound3D* sound);

    bool HasRoomForSound();
    bool HasRoomFor3DSound();
    // Releases the lowest-ranked loaded sound to make room for `incoming`;
    // false when even that one ranks before the incoming sound.
    bool EvictLowestPrioritySound(Sound* incoming);
    bool EvictLowestPriority3DSound(Sound3D* incoming);

    std::unique_ptr<backend::DirectSound> directSound;
    backend::SoundCaps caps{};
    std::unique_ptr<backend::PrimarySoundBuffer> primaryBuffer;
    AudioInitParams params{};
    AudioListener* listener = nullptr;
    std::vector<Sound*> sounds;
    std::vector<Sound3D*> sounds3D;
    std::vector<Sound*> loadedSounds;
    std::vector<Sound3D*> loaded3DSounds;
    std::vector<Sound*> streamingSounds;
    std::vector<Sound*> fadingSounds;
    std::vector<Sound3D*> fading3DSounds;
    float soundVolume = 1.0f;
    float musicVolume = 1.0f;
    bool software2D = false;
    bool software3D = false;
    Timer updateTimer;
    bool initialized = false;

private:
    void ReleaseDevice();
};

// The process-wide sound manager, made on first use.
AudioManager* GetAudioManager();

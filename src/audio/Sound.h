#pragma once
// One playable sound on a sound buffer, loaded whole or streamed through a
// one-second ring that the audio manager refills every frame. Alone it is a 2D
// sound; inside a Sound3D it is marked 3D.

#include "audio/SoundLoadParams.h"
#include "audio/SoundReader.h"
#include "backend/sound/SoundTypes.h"

#include <cstdint>
#include <memory>

namespace backend {
class SoundBuffer;
class SoundBuffer3D;
} // namespace backend

class Sound3D;

// Volume, pan and frequency factor, set and read as one block.
struct SoundProperties {
    float volume = 1.0f;
    float pan = 0.0f;
    float frequencyFactor = 1.0f;
};

class SoundBase {
public:
    virtual ~SoundBase() = default;
    virtual bool Load(const char* fileName, const SoundLoadParams* params) = 0;
    virtual void Play() = 0;
    virtual void Pause() = 0;
    virtual void Stop() = 0;
    virtual void FadeIn(float step) = 0;
    virtual void FadeOut(float step, bool pauseAtEnd) = 0;
    virtual void CancelFade() = 0;
    virtual bool IsPlaying() = 0;
    virtual bool IsPaused() = 0;
    virtual bool IsLooping() = 0;
    virtual bool IsFading() = 0;
    virtual bool Reload() = 0;
    virtual void Release() = 0;
    virtual void SetProperties(const SoundProperties* block) = 0;
    virtual const SoundProperties* GetProperties() = 0;
    virtual void SetVolume(float volume) = 0;
    virtual float GetVolume() = 0;
    virtual void SetPan(float pan) = 0;
    virtual float GetPan() = 0;
    virtual void SetFrequency(float factor) = 0;
    virtual float GetFrequency() = 0;
    virtual void SetCurrentPosition(uint32_t byteOffset) = 0;
    virtual uint32_t GetCurrentPosition() = 0;
    virtual uint32_t GetDataSize() = 0;
    virtual bool IsSet() = 0;
    virtual bool IsLoaded() = 0;
};

class Sound : public SoundBase {
public:
    Sound();
    // Releases nothing: the owner releases a loaded sound first.
    ~Sound() override;

    bool Load(const char* fileName, const SoundLoadParams* params) override;
    void Play() override;
    void Pause() override;
    void Stop() override;
    void FadeIn(float step) override;
    void FadeOut(float step, bool pauseAtEnd) override;
    void CancelFade() override;
    bool IsPlaying() override;
    bool IsPaused() override;
    bool IsLooping() override;
    bool IsFading() override;
    bool Reload() override;
    void Release() override;
    void SetProperties(const SoundProperties* block) override;
    const SoundProperties* GetProperties() override;
    void SetVolume(float volume) override;
    float GetVolume() override;
    void SetPan(float pan) override;
    float GetPan() override;
    void SetFrequency(float factor) override;
    float GetFrequency() override;
    void SetCurrentPosition(uint32_t byteOffset) override;
    uint32_t GetCurrentPosition() override;
    uint32_t GetDataSize() override;
    bool IsSet() override;
    bool IsLoaded() override;

    // For Sound3D only.
    bool Query3DBuffer(backend::SoundBuffer3D** out);
    // Called by the audio manager's update.
    void UpdateFade();
    void UpdateStream();

    std::unique_ptr<backend::SoundBuffer> buffer;
    char name[260] = {};
    SoundLoadParams params{};
    backend::WaveFormat format{};
    std::unique_ptr<SoundReader> reader;
    SoundProperties properties;
    uint32_t fadeMode = 0; // 0 none, 1 in, 2 out
    float fadeStep = 0.0f;
    bool pauseAtFadeEnd = false;
    uint32_t bufferBytes = 0;
    uint32_t bytesPlayed = 0;
    uint32_t writeOffset = 0;
    uint32_t lastPlayCursor = 0;
    uint32_t playStartTime = 0;
    bool paused = false;
    bool is3D = false;
    bool isSet = false;
    bool isLoaded = false;
    // The Sound3D this sound belongs to, when it is 3D.
    Sound3D* owner3D = nullptr;

private:
    bool LoadFile();
    bool OpenReader();
    bool CreateBuffer();
    bool FillInitialData();
    void CloseReader();
    void EndFailedStream(void* part1, uint32_t bytes1, void* part2, uint32_t bytes2);
    bool StreamFailed() const { return params.streamed && !reader; }
    void ReleaseWhole();
    uint8_t SilenceByte() const { return format.bitsPerSample == 8 ? 128 : 0; }
};

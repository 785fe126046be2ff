#pragma once
// A sound with a place in the world. It owns an inner Sound marked 3D and adds
// position, velocity, cone and distances, set as deferred settings that the
// audio manager commits once per frame.

#include "audio/SoundLoadParams.h"
#include "backend/math/MathTypes.h"

#include <cstdint>

namespace backend {
class SoundBuffer3D;
}

class Sound;

// Seventeen words, with the defaults of a new 3D sound.
struct Sound3DProperties {
    float volume = 1.0f;
    float frequencyFactor = 1.0f;
    backend::Vector3 position{0, 0, 0};
    backend::Vector3 velocity{0, 0, 0};
    backend::Vector3 coneOrientation{0, 0, 1};
    uint32_t insideConeAngle = 360;
    uint32_t outsideConeAngle = 360;
    float coneOutsideVolume = 1.0f; // linear, 0..1
    float minDistance = 1.0f;
    float maxDistance = 100.0f;
    uint32_t mode = 0;
};

static_assert(sizeof(Sound3DProperties) == 17 * 4);

class Sound3DBase {
public:
    virtual ~Sound3DBase() = default;
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
    virtual void SetProperties(const Sound3DProperties* properties) = 0;
    virtual const Sound3DProperties* GetProperties() = 0;
    virtual void SetVolume(float volume) = 0;
    virtual float GetVolume() = 0;
    virtual void SetFrequency(float factor) = 0;
    virtual float GetFrequency() = 0;
    virtual void SetPosition(const backend::Vector3* position) = 0;
    virtual const backend::Vector3* GetPosition() = 0;
    virtual void SetVelocity(const backend::Vector3* velocity) = 0;
    virtual const backend::Vector3* GetVelocity() = 0;
    virtual void SetConeOrientation(const backend::Vector3* orientation) = 0;
    virtual const backend::Vector3* GetConeOrientation() = 0;
    virtual void SetConeAngles(uint32_t inside, uint32_t outside) = 0;
    virtual uint32_t GetInsideConeAngle() = 0;
    virtual uint32_t GetOutsideConeAngle() = 0;
    virtual void SetConeOutsideVolume(float volume) = 0;
    virtual float GetConeOutsideVolume() = 0;
    virtual void SetMinDistance(float distance) = 0;
    virtual float GetMinDistance() = 0;
    virtual void SetMaxDistance(float distance) = 0;
    virtual float GetMaxDistance() = 0;
    virtual void SetMode(uint32_t mode) = 0;
    virtual uint32_t GetMode() = 0;
    virtual void SetCurrentPosition(uint32_t byteOffset) = 0;
    virtual uint32_t GetCurrentPosition() = 0;
    virtual uint32_t GetDataSize() = 0;
    virtual bool IsSet() = 0;
    virtual bool IsLoaded() = 0;
};

class Sound3D : public Sound3DBase {
public:
    Sound3D() = default;
    // Destroys the inner sound; the owner releases a loaded 3D sound first.
    ~Sound3D() override;

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
    void SetProperties(const Sound3DProperties* properties) override;
    const Sound3DProperties* GetProperties() override;
    void SetVolume(float volume) override;
    float GetVolume() override;
    void SetFrequency(float factor) override;
    float GetFrequency() override;
    void SetPosition(const backend::Vector3* position) override;
    const backend::Vector3* GetPosition() override;
    void SetVelocity(const backend::Vector3* velocity) override;
    const backend::Vector3* GetVelocity() override;
    void SetConeOrientation(const backend::Vector3* orientation) override;
    const backend::Vector3* GetConeOrientation() override;
    void SetConeAngles(uint32_t inside, uint32_t outside) override;
    uint32_t GetInsideConeAngle() override;
    uint32_t GetOutsideConeAngle() override;
    void SetConeOutsideVolume(float volume) override;
    float GetConeOutsideVolume() override;
    void SetMinDistance(float distance) override;
    float GetMinDistance() override;
    void SetMaxDistance(float distance) override;
    float GetMaxDistance() override;
    void SetMode(uint32_t mode) override;
    uint32_t GetMode() override;
    void SetCurrentPosition(uint32_t byteOffset) override;
    uint32_t GetCurrentPosition() override;
    uint32_t GetDataSize() override;
    bool IsSet() override;
    bool IsLoaded() override;

    // Called by the audio manager's update.
    void UpdateFade();

    backend::SoundBuffer3D* buffer3D = nullptr;
    Sound* sound = nullptr;
    char name[260] = {};
    SoundLoadParams params{};
    Sound3DProperties properties;
    bool isSet = false;
    bool isLoaded = false;

private:
    bool LoadFile();
};

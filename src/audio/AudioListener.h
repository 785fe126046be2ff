#pragma once
// The ear of the 3D sound scene. Its settings are deferred; the audio manager
// commits them, together with every 3D sound's, once per frame.

#include "backend/math/MathTypes.h"

namespace backend {
class SoundListener3D;
}

// Fifteen floats: position, velocity, front and top orientation, then the
// distance, Doppler and rolloff factors.
struct AudioListenerProperties {
    backend::Vector3 position{0, 0, 0};
    backend::Vector3 velocity{0, 0, 0};
    backend::Vector3 frontOrientation{0, 0, 1};
    backend::Vector3 topOrientation{0, 1, 0};
    float distanceFactor = 1.0f;
    float dopplerFactor = 1.0f;
    float rolloffFactor = 1.0f;
};

static_assert(sizeof(AudioListenerProperties) == 15 * 4);

class AudioListenerBase {
public:
    virtual ~AudioListenerBase() = default;
    virtual void SetProperties(const AudioListenerProperties* properties) = 0;
    virtual const AudioListenerProperties* GetProperties() = 0;
    virtual void SetPosition(const backend::Vector3* position) = 0;
    virtual const backend::Vector3* GetPosition() = 0;
    virtual void SetVelocity(const backend::Vector3* velocity) = 0;
    virtual const backend::Vector3* GetVelocity() = 0;
    virtual void SetOrientation(const backend::Vector3* front, const backend::Vector3* top) = 0;
    virtual const backend::Vector3* GetFrontOrientation() = 0;
    virtual const backend::Vector3* GetTopOrientation() = 0;
    virtual void SetDistanceFactor(float factor) = 0;
    virtual float GetDistanceFactor() = 0;
    virtual void SetRolloffFactor(float factor) = 0;
    virtual float GetRolloffFactor() = 0;
    virtual void SetDopplerFactor(float factor) = 0;
    virtual float GetDopplerFactor() = 0;
};

class AudioListener : public AudioListenerBase {
public:
    // Takes the listener of the audio manager's primary buffer and applies the stored values.
    bool Init();
    void Release();
    bool CommitDeferredSettings();

    void SetProperties(const AudioListenerProperties* properties) override;
    const AudioListenerProperties* GetProperties() override;
    void SetPosition(const backend::Vector3* position) override;
    const backend::Vector3* GetPosition() override;
    void SetVelocity(const backend::Vector3* velocity) override;
    const backend::Vector3* GetVelocity() override;
    void SetOrientation(const backend::Vector3* front, const backend::Vector3* top) override;
    const backend::Vector3* GetFrontOrientation() override;
    const backend::Vector3* GetTopOrientation() override;
    void SetDistanceFactor(float factor) override;
    float GetDistanceFactor() override;
    void SetRolloffFactor(float factor) override;
    float GetRolloffFactor() override;
    void SetDopplerFactor(float factor) override;
    float GetDopplerFactor() override;

    backend::SoundListener3D* listener3D = nullptr;
    // The stored values, in the order of the properties block.
    AudioListenerProperties properties;
    bool initialized = false;
};

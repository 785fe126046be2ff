#pragma once
// The ear of the 3D scene. Settings made with DS3D_DEFERRED wait until
// CommitDeferredSettings, which applies them together with the deferred
// settings of every 3D buffer. Positions are in the game's left-handed frame.

#include "backend/math/MathTypes.h"
#include "backend/sound/SoundTypes.h"

namespace backend {

class SoundContext;

struct SoundListenerValues {
    Vector3 position;
    Vector3 velocity;
    Vector3 front{0, 0, 1};
    Vector3 top{0, 1, 0};
    float distanceFactor = 1.0f;
    float dopplerFactor = 1.0f;
    float rolloffFactor = 1.0f;
};

class SoundListener3D {
public:
    explicit SoundListener3D(SoundContext& context);

    bool SetPosition(float x, float y, float z, uint32_t apply);
    bool SetVelocity(float x, float y, float z, uint32_t apply);
    bool SetOrientation(const Vector3& front, const Vector3& top, uint32_t apply);
    bool SetDistanceFactor(float factor, uint32_t apply);
    bool SetDopplerFactor(float factor, uint32_t apply);
    bool SetRolloffFactor(float factor, uint32_t apply);

    // Applies every deferred listener and 3D buffer setting at once.
    bool CommitDeferredSettings();

    // The values in effect (what the last commit or immediate setting left).
    const SoundListenerValues& Committed() const { return committed; }

    // Pushes the values in effect to OpenAL, with the listener's rolloff and
    // the mute at maximum distance refreshed on every 3D buffer.
    void ApplyAll();

private:
    // Stores a setting; immediate ones take effect now.
    bool Finish(uint32_t apply, void (*copy)(SoundListenerValues& to, const SoundListenerValues& from));

    SoundContext& context;
    SoundListenerValues pending;
    SoundListenerValues committed;
};

} // namespace backend

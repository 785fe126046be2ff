#pragma once
// The OpenAL device and context behind one DirectSound object. Buffers share
// it, so that it outlives every buffer made from it. Internal to the backend.

#include "backend/sound/SoundTypes.h"

#ifndef AL_ALEXT_PROTOTYPES
#define AL_ALEXT_PROTOTYPES
#endif
#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>

#include <memory>
#include <vector>

namespace backend {

class SoundBuffer3D;
class SoundListener3D;

class SoundContext {
public:
    ~SoundContext();

    // Opens the named device (null: the default one), or the loopback device
    // when tests asked for it; the output runs at `frequency`.
    static std::shared_ptr<SoundContext> Open(const char* deviceName, uint32_t frequency);

    // Makes this context the current one before AL calls.
    void Use() const;
    // Changes the output rate; false when the device refuses.
    bool SetFrequency(uint32_t frequency);
    uint32_t Frequency() const { return frequency; }
    bool IsLoopback() const { return loopback; }
    // Renders frames of 16-bit stereo on a loopback device.
    bool Render(int16_t* out, uint32_t frames);

    SoundListener3D& Listener() { return *listener; }

    // 3D buffers take part in every commit of the listener.
    void Register3DBuffer(SoundBuffer3D* buffer);
    void Unregister3DBuffer(SoundBuffer3D* buffer);
    const std::vector<SoundBuffer3D*>& Buffers3D() const { return buffers3D; }

private:
    SoundContext() = default;
    bool CreateContext();
    void Attributes(std::vector<ALCint>& out) const;

    ALCdevice* device = nullptr;
    ALCcontext* context = nullptr;
    bool loopback = false;
    uint32_t frequency = 22050;
    std::unique_ptr<SoundListener3D> listener;
    std::vector<SoundBuffer3D*> buffers3D;
};

// Test hooks seen from inside the backend.
void SetLoopbackSoundContext(const std::shared_ptr<SoundContext>& context);
bool TakeSoundLockFailure();
void ReportedHardwareSoundBuffers(uint32_t& mixingBuffers, uint32_t& buffers3D);

// Converts hundredths of a decibel to a linear gain; -10000 and below is silence.
float MillibelsToGain(int32_t millibels);

} // namespace backend

#pragma once
// The sound device: DirectSound 8's services on OpenAL Soft. A device is named
// by its OpenAL name; null (or "") is the default device.

#include "backend/sound/SoundTypes.h"

#include <memory>
#include <string>

namespace backend {

class PrimarySoundBuffer;
class SoundBuffer;
class SoundContext;

// Called once for the default device (name null) and once per device; returns
// false to stop the enumeration.
using SoundDeviceCallback = bool (*)(const char* deviceName, const char* description, void* user);

// Lists the output devices; false when OpenAL can't list them.
bool EnumerateSoundDevices(SoundDeviceCallback callback, void* user);

class DirectSound {
public:
    ~DirectSound();

    // Opens the device; false when it can't be opened, with the reason and
    // what the player can do in `why` when given.
    static bool Create(const char* deviceName, std::unique_ptr<DirectSound>& out, std::string* why = nullptr);

    // Accepted for the caller's sake: there is no other program to share with.
    bool SetCooperativeLevel(void* window, uint32_t level);
    // Only the primary buffer flags (DSBCAPS_PRIMARYBUFFER, optionally DSBCAPS_CTRL3D).
    bool CreatePrimaryBuffer(uint32_t flags, std::unique_ptr<PrimarySoundBuffer>& out);
    bool CreateSoundBuffer(const SoundBufferDesc& desc, std::unique_ptr<SoundBuffer>& out);
    // No hardware buffers; secondary rates DSBFREQUENCY_MIN..DSBFREQUENCY_MAX.
    bool GetCaps(SoundCaps* caps) const;

private:
    DirectSound() = default;
    std::shared_ptr<SoundContext> context;
};

} // namespace backend

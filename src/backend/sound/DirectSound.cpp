#include "backend/sound/DirectSound.h"

#include "backend/sound/PrimarySoundBuffer.h"
#include "backend/sound/SoundBuffer.h"
#include "backend/sound/SoundContext.h"
#include "backend/sound/SoundTestHooks.h"

#include <cstring>
#include <string>

namespace backend {

namespace {

// The output rate until the primary buffer's format changes it.
constexpr uint32_t DEFAULT_FREQUENCY = 22050;

} // namespace

bool EnumerateSoundDevices(SoundDeviceCallback callback, void* user)
{
    if (!callback)
        return false;
    const ALCchar* list = nullptr;
    if (alcIsExtensionPresent(nullptr, "ALC_ENUMERATE_ALL_EXT"))
        list = alcGetString(nullptr, ALC_ALL_DEVICES_SPECIFIER);
    else
        list = alcGetString(nullptr, ALC_DEVICE_SPECIFIER);
    if (!callback(nullptr, "Primary Sound Driver", user))
        return true;
    // A list of names, each ended by a zero, the whole ended by a second zero.
    for (const ALCchar* name = list; name && *name; name += std::strlen(name) + 1) {
        if (!callback(name, name, user))
            break;
    }
    return true;
}

DirectSound::~DirectSound() = default;

bool DirectSound::Create(const char* deviceName, std::unique_ptr<DirectSound>& out, std::string* why)
{
    out.reset();
    if (deviceName && !*deviceName)
        deviceName = nullptr;
    std::shared_ptr<SoundContext> context = SoundContext::Open(deviceName, DEFAULT_FREQUENCY);
    if (!context) {
        // OpenAL Soft's null driver plays nothing and needs no sound card.
        if (why != nullptr)
            *why = (deviceName ? "the sound output device \"" + std::string(deviceName) + "\" was not found"
                               : std::string("no sound output device found")) +
                   "; to play without sound, start the game with ALSOFT_DRIVERS=null";
        return false;
    }
    out.reset(new DirectSound());
    out->context = std::move(context);
    return true;
}

bool DirectSound::SetCooperativeLevel(void*, uint32_t)
{
    return true;
}

bool DirectSound::CreatePrimaryBuffer(uint32_t flags, std::unique_ptr<PrimarySoundBuffer>& out)
{
    out.reset();
    if (!(flags & DSBCAPS_PRIMARYBUFFER))
        return false;
    out = std::make_unique<PrimarySoundBuffer>(context, flags);
    return true;
}

bool DirectSound::CreateSoundBuffer(const SoundBufferDesc& desc, std::unique_ptr<SoundBuffer>& out)
{
    out = SoundBuffer::Create(context, desc);
    return out != nullptr;
}

bool DirectSound::GetCaps(SoundCaps* caps) const
{
    if (!caps)
        return false;
    *caps = SoundCaps{};
    caps->minSecondarySampleRate = DSBFREQUENCY_MIN;
    caps->maxSecondarySampleRate = DSBFREQUENCY_MAX;
    // Everything mixes in software; tests may pretend otherwise.
    ReportedHardwareSoundBuffers(caps->maxHwMixingAllBuffers, caps->maxHw3DAllBuffers);
    return true;
}

} // namespace backend

#include "backend/sound/SoundContext.h"

#include "backend/sound/SoundListener3D.h"
#include "backend/sound/SoundTestHooks.h"

#include <algorithm>
#include <cmath>

namespace backend {

namespace {

// Enough sources for 256 2D and 256 3D sounds with a buffer each.
constexpr ALCint MONO_SOURCES = 512;
constexpr ALCint STEREO_SOURCES = 256;

} // namespace

float MillibelsToGain(int32_t millibels)
{
    if (millibels <= DSBVOLUME_MIN)
        return 0.0f;
    return static_cast<float>(std::pow(10.0, millibels / 2000.0));
}

std::shared_ptr<SoundContext> SoundContext::Open(const char* deviceName, uint32_t frequency)
{
    std::shared_ptr<SoundContext> result(new SoundContext());
    result->frequency = frequency;
    if (IsLoopbackSoundDeviceUsed()) {
        auto openLoopback =
            reinterpret_cast<LPALCLOOPBACKOPENDEVICESOFT>(alcGetProcAddress(nullptr, "alcLoopbackOpenDeviceSOFT"));
        if (!openLoopback)
            return nullptr;
        result->device = openLoopback(nullptr);
        result->loopback = true;
    } else {
        result->device = alcOpenDevice(deviceName);
    }
    if (!result->device || !result->CreateContext())
        return nullptr;
    result->listener.reset(new SoundListener3D(*result));
    result->listener->ApplyAll();
    if (result->loopback)
        SetLoopbackSoundContext(result);
    return result;
}

SoundContext::~SoundContext()
{
    if (context) {
        if (alcGetCurrentContext() == context)
            alcMakeContextCurrent(nullptr);
        alcDestroyContext(context);
    }
    if (device)
        alcCloseDevice(device);
}

// HRTF stays off: OpenAL Soft has no HRTF data for 22050 Hz, and the mix stays
// the same on every machine.
void SoundContext::Attributes(std::vector<ALCint>& out) const
{
    out = {ALC_FREQUENCY,      static_cast<ALCint>(frequency),
           ALC_HRTF_SOFT,      ALC_FALSE,
           ALC_MONO_SOURCES,   MONO_SOURCES,
           ALC_STEREO_SOURCES, STEREO_SOURCES};
    if (loopback) {
        out.insert(out.end(), {ALC_FORMAT_CHANNELS_SOFT, ALC_STEREO_SOFT, ALC_FORMAT_TYPE_SOFT, ALC_SHORT_SOFT});
    }
    out.push_back(0);
}

bool SoundContext::CreateContext()
{
    std::vector<ALCint> attributes;
    Attributes(attributes);
    context = alcCreateContext(device, attributes.data());
    if (!context)
        return false;
    alcMakeContextCurrent(context);
    alDistanceModel(AL_INVERSE_DISTANCE_CLAMPED);
    return alGetError() == AL_NO_ERROR;
}

void SoundContext::Use() const
{
    if (alcGetCurrentContext() != context)
        alcMakeContextCurrent(context);
}

bool SoundContext::SetFrequency(uint32_t newFrequency)
{
    if (newFrequency == frequency)
        return true;
    auto reset = reinterpret_cast<LPALCRESETDEVICESOFT>(alcGetProcAddress(device, "alcResetDeviceSOFT"));
    if (!reset)
        return false;
    uint32_t old = frequency;
    frequency = newFrequency;
    std::vector<ALCint> attributes;
    Attributes(attributes);
    if (!reset(device, attributes.data())) {
        frequency = old;
        return false;
    }
    return true;
}

bool SoundContext::Render(int16_t* out, uint32_t frames)
{
    if (!loopback)
        return false;
    auto render = reinterpret_cast<LPALCRENDERSAMPLESSOFT>(alcGetProcAddress(nullptr, "alcRenderSamplesSOFT"));
    if (!render)
        return false;
    Use();
    render(device, out, static_cast<ALCsizei>(frames));
    return true;
}

void SoundContext::Register3DBuffer(SoundBuffer3D* buffer)
{
    buffers3D.push_back(buffer);
}

void SoundContext::Unregister3DBuffer(SoundBuffer3D* buffer)
{
    auto it = std::find(buffers3D.begin(), buffers3D.end(), buffer);
    if (it != buffers3D.end())
        buffers3D.erase(it);
}

} // namespace backend

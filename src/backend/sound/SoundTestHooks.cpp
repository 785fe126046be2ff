#include "backend/sound/SoundTestHooks.h"

#include "backend/sound/SoundContext.h"

namespace backend {

namespace {
bool s_UseLoopback = false;
std::weak_ptr<SoundContext> s_LoopbackContext;
int s_FailingLocks = 0;
uint32_t s_HardwareMixingBuffers = 0;
uint32_t s_Hardware3DBuffers = 0;
} // namespace

void UseLoopbackSoundDevice(bool enabled)
{
    s_UseLoopback = enabled;
}

bool IsLoopbackSoundDeviceUsed()
{
    return s_UseLoopback;
}

bool RenderSoundFrames(int16_t* out, uint32_t frames)
{
    std::shared_ptr<SoundContext> context = s_LoopbackContext.lock();
    return context && context->Render(out, frames);
}

void FailNextSoundBufferLocks(int count)
{
    s_FailingLocks = count;
}

void ReportHardwareSoundBuffers(uint32_t mixingBuffers, uint32_t buffers3D)
{
    s_HardwareMixingBuffers = mixingBuffers;
    s_Hardware3DBuffers = buffers3D;
}

void ReportedHardwareSoundBuffers(uint32_t& mixingBuffers, uint32_t& buffers3D)
{
    mixingBuffers = s_HardwareMixingBuffers;
    buffers3D = s_Hardware3DBuffers;
}

void SetLoopbackSoundContext(const std::shared_ptr<SoundContext>& context)
{
    s_LoopbackContext = context;
}

bool TakeSoundLockFailure()
{
    if (s_FailingLocks <= 0)
        return false;
    --s_FailingLocks;
    return true;
}

} // namespace backend

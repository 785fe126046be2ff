#pragma once
// Hooks for tests only: the game never calls them.

#include <cstdint>

namespace backend {

// While enabled, DirectSound objects open OpenAL Soft's loopback device, which
// mixes only when RenderSoundFrames asks and needs no sound card.
void UseLoopbackSoundDevice(bool enabled);
bool IsLoopbackSoundDeviceUsed();

// Mixes `frames` frames of interleaved 16-bit stereo from the newest loopback
// device into `out`; false when there is none.
bool RenderSoundFrames(int16_t* out, uint32_t frames);

// Device caps report this many hardware mixing and 3D buffers (0 and 0 unless set).
void ReportHardwareSoundBuffers(uint32_t mixingBuffers, uint32_t buffers3D);

// The next `count` sound buffer locks fail.
void FailNextSoundBufferLocks(int count);

} // namespace backend

#pragma once
// The primary buffer: the output format of the device and its 3D listener.

#include "backend/sound/SoundTypes.h"

#include <memory>

namespace backend {

class SoundContext;
class SoundListener3D;

class PrimarySoundBuffer {
public:
    PrimarySoundBuffer(std::shared_ptr<SoundContext> context, uint32_t flags);

    // Sets the output rate; the mix is always 16-bit stereo underneath.
    bool SetFormat(const WaveFormat& format);
    bool GetFormat(WaveFormat* format) const;
    // The output always runs; accepted for the caller's sake.
    bool Play(uint32_t flags);
    // The listener interface; null without DSBCAPS_CTRL3D on the buffer.
    SoundListener3D* GetListener();

private:
    std::shared_ptr<SoundContext> context;
    WaveFormat format;
    uint32_t flags = 0;
};

} // namespace backend

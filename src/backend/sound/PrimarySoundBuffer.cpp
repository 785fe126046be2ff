#include "backend/sound/PrimarySoundBuffer.h"

#include "backend/sound/SoundContext.h"
#include "backend/sound/SoundListener3D.h"

namespace backend {

PrimarySoundBuffer::PrimarySoundBuffer(std::shared_ptr<SoundContext> context, uint32_t flags)
    : context(std::move(context)), flags(flags)
{
    format.formatTag = WAVE_FORMAT_PCM;
    format.channels = 2;
    format.bitsPerSample = 16;
    format.samplesPerSec = this->context->Frequency();
    format.blockAlign = 4;
    format.avgBytesPerSec = format.samplesPerSec * 4;
}

bool PrimarySoundBuffer::SetFormat(const WaveFormat& newFormat)
{
    if (newFormat.formatTag != WAVE_FORMAT_PCM || newFormat.channels < 1 || newFormat.channels > 2 ||
        (newFormat.bitsPerSample != 8 && newFormat.bitsPerSample != 16) || newFormat.samplesPerSec < DSBFREQUENCY_MIN ||
        newFormat.samplesPerSec > DSBFREQUENCY_MAX)
        return false;
    if (!context->SetFrequency(newFormat.samplesPerSec))
        return false;
    format = newFormat;
    return true;
}

bool PrimarySoundBuffer::GetFormat(WaveFormat* out) const
{
    if (!out)
        return false;
    *out = format;
    return true;
}

bool PrimarySoundBuffer::Play(uint32_t)
{
    return true;
}

SoundListener3D* PrimarySoundBuffer::GetListener()
{
    if (!(flags & DSBCAPS_CTRL3D))
        return nullptr;
    return &context->Listener();
}

} // namespace backend

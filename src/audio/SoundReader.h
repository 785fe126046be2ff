#pragma once
// Turns a sound file into raw PCM bytes for a sound buffer; one interface for
// WAV and Ogg Vorbis, so that a sound loads whole or streams either kind.

#include "backend/sound/SoundTypes.h"

#include <cstdint>

class SoundReader {
public:
    virtual ~SoundReader() = default;
    // Opens the file, reads its format and data size, and positions at the data.
    virtual bool Open(const char* fileName) = 0;
    // Delivers the next bytes, at most `bytes`; fewer only at the end of the data.
    virtual bool Read(void* destination, uint32_t bytes, uint32_t* bytesRead) = 0;
    // Back to the start of the data.
    virtual bool Reset() = 0;
    virtual void Close() = 0;
    // The last Read reached the end of the data.
    virtual bool IsEndOfData() = 0;
    virtual const backend::WaveFormat* GetFormat();
    // Total PCM data size in bytes.
    virtual uint32_t GetDataSize() = 0;

    // The PCM data this reader delivers.
    backend::WaveFormat format{};
};

#pragma once
// Uncompressed PCM (8 or 16 bits, mono or stereo) from RIFF WAVE files.

#include "audio/SoundReader.h"
#include "backend/sound/RiffFile.h"

#include <string>

class WaveFileReader : public SoundReader {
public:
    ~WaveFileReader() override;
    bool Open(const char* fileName) override;
    bool Read(void* destination, uint32_t bytes, uint32_t* bytesRead) override;
    bool Reset() override;
    void Close() override;
    bool IsEndOfData() override;
    uint32_t GetDataSize() override;

    // The open file; closed when nothing is open.
    backend::RiffFile mmio;
    // After Reset its size counts the data bytes not read yet.
    backend::RiffChunk dataChunk;
    backend::RiffChunk riffChunk;
    uint32_t dataSize = 0;
    bool endOfData = false;

private:
    bool ReadHeader();
    // The file's name for error reports.
    std::string name;
};

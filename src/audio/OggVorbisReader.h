#pragma once
// Ogg Vorbis files decoded by vorbisfile into 16-bit little-endian samples.

#include "audio/SoundReader.h"

#include <cstdio>

#define OV_EXCLUDE_STATIC_CALLBACKS
#include <vorbis/vorbisfile.h>

class OggVorbisReader : public SoundReader {
public:
    OggVorbisReader();
    ~OggVorbisReader() override;
    bool Open(const char* fileName) override;
    bool Read(void* destination, uint32_t bytes, uint32_t* bytesRead) override;
    bool Reset() override;
    void Close() override;
    bool IsEndOfData() override;
    uint32_t GetDataSize() override;

    // Given to ov_open, which owns it once the open succeeded.
    FILE* file = nullptr;
    OggVorbis_File vorbisFile;
    uint32_t dataSize = 0;
    bool endOfData = false;
    bool isOpen = false;

private:
    bool ReadInfo();
};

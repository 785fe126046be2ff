#pragma once
// Ogg Vorbis files decoded by vorbisfile into 16-bit little-endian samples.

#include "audio/SoundReader.h"

#include <cstddef>
#include <cstdio>
#include <string>

#define OV_EXCLUDE_STATIC_CALLBACKS
#include <vorbis/vorbisfile.h>

class OggVorbisReader : public SoundReader {
public:
    OggVorbisReader();
    ~OggVorbisReader() override;
    bool Open(const char* fileName) override;
    // Opens a file held in memory, as Open does one on disk; the bytes must
    // stay until the reader is closed.
    bool OpenMemory(const uint8_t* data, size_t size);
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
    // A gap in the stream (a damaged page) is skipped. Any other decode or
    // seek failure, or a file that can no longer be read to its end, refuses
    // the file from then on: libvorbis 1.3.7 keeps half-built codebooks after a
    // failed decoder set-up and divides by zero in them when asked to decode again.
    bool failed = false;

    // The bytes of OpenMemory and the read position in them.
    struct MemoryFile {
        const uint8_t* data = nullptr;
        uint64_t size = 0;
        uint64_t position = 0;
    };
    MemoryFile memory;

private:
    bool Start();
    bool ReadInfo();
    const char* LostFile();
    bool Fail(const std::string& reason);

    // The file's name for error reports (empty for one held in memory), and
    // its size at the open.
    std::string name;
    int64_t openedBytes = 0;
};

#pragma once
// RIFF WAVE files: good ones of any PCM layout, and broken variants for tests.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace datagen {

struct WavSpec {
    uint16_t channels = 1;
    uint32_t sampleRate = 22050;
    uint16_t bitsPerSample = 16;
    // What goes into the file; the defaults give a correct PCM file.
    uint16_t formatTag = 1;
    uint32_t formatChunkSize = 16; // 14 gives a short format chunk, 18 adds an empty extra size
    const char* formType = "WAVE";
    bool listChunkBeforeData = false; // a "LIST" chunk between "fmt " and "data"
    bool oddChunkBeforeData = false;  // an odd-sized chunk and its pad byte before "data"
    int64_t declaredDataSize = -1;    // >= 0: the size written in the data chunk header
    int64_t declaredRiffSize = -1;    // >= 0: the size written in the RIFF header
    size_t truncateTo = SIZE_MAX;     // cut the file after this many bytes
};

// The whole file for interleaved PCM bytes (8-bit unsigned or 16-bit signed little-endian).
std::vector<uint8_t> MakeWavBytes(const WavSpec& spec, const std::vector<uint8_t>& pcm);
bool WriteWav(const std::string& path, const WavSpec& spec, const std::vector<uint8_t>& pcm);

// Interleaved samples in -1..1 as PCM bytes of 8 or 16 bits.
std::vector<uint8_t> ToPcm(const std::vector<float>& samples, uint16_t bitsPerSample);

} // namespace datagen

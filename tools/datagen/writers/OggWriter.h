#pragma once
// Ogg Vorbis files encoded with libvorbisenc.

#include <cstdint>
#include <string>
#include <vector>

namespace datagen {

// Encodes interleaved samples in -1..1; false when the encoder refuses the layout.
// Streams with different serial numbers can be chained by appending one to another.
bool EncodeOggVorbis(const std::vector<float>& samples, int channels, long sampleRate, std::vector<uint8_t>& out,
                     float quality = 0.4f, int serial = 0x5A17);
bool WriteOggVorbis(const std::string& path, const std::vector<float>& samples, int channels, long sampleRate,
                    float quality = 0.4f);

} // namespace datagen

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
// A good file paged again as a trap for ov_pcm_seek: its header pages, 64 KiB
// of zero bytes, then its first audio packet alone on a page. The seek's
// bisection divides zero by zero on it and looks near 2^63, where tmpfs
// accepts the seek and reads nothing, for ever. False when `good` holds no
// audio packet.
bool MakeSeekTrapOgg(const std::vector<uint8_t>& good, std::vector<uint8_t>& out);
// A good file with one byte flipped inside its middle audio page, as a damaged
// disk or download leaves it: that page fails its checksum and the decoder
// meets a gap. False when `good` has fewer than three audio pages.
bool DamageMiddleAudioPage(const std::vector<uint8_t>& good, std::vector<uint8_t>& out);
bool WriteOggVorbis(const std::string& path, const std::vector<float>& samples, int channels, long sampleRate,
                    float quality = 0.4f);

} // namespace datagen

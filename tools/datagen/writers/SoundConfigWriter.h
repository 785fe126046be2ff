#pragma once
// "Data\Sound.cfg": effects and music volume as two little-endian 32-bit floats.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace datagen {

constexpr size_t SOUND_CONFIG_SIZE = 8;

// truncateTo cuts the file short for tests; any float (NaN, out of range) can be written.
std::vector<uint8_t> EncodeSoundConfig(float effectsVolume, float musicVolume, size_t truncateTo = SIZE_MAX);
bool WriteSoundConfig(const std::string& path, float effectsVolume, float musicVolume);

} // namespace datagen

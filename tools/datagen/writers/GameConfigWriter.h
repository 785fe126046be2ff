#pragma once
// "Game.cfg": the launcher's ten choices as little-endian 32-bit integers (40 bytes).

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace datagen {

struct GameConfigValues {
    int32_t renderDeviceIndex = 0;
    int32_t displayModeIndex = 0;
    int32_t windowed = 1;
    int32_t tripleBuffering = 0;
    int32_t textureFilterIndex = 1;
    int32_t anisotropyIndex = 0;
    int32_t disableMipmapping = 0;
    int32_t soundDeviceIndex = 0;
    int32_t softwareSoundBuffers = 0;
    int32_t disableMusic = 0;
};

constexpr size_t GAME_CONFIG_SIZE = 40;

// truncateTo cuts the file short for tests.
std::vector<uint8_t> EncodeGameConfig(const GameConfigValues& values, size_t truncateTo = SIZE_MAX);
bool WriteGameConfig(const std::string& path, const GameConfigValues& values);

} // namespace datagen

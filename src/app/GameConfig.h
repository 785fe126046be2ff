#pragma once
// "Game.cfg": the launcher's choices as list rows and check states, ten
// little-endian 32-bit values beside the executable. -1 is "no selection".

#include <cstddef>
#include <cstdint>
#include <string>

struct GameConfig {
    int32_t renderDeviceIndex = 0;
    int32_t displayModeIndex = 0;
    int32_t windowed = 0;
    int32_t tripleBuffering = 0;
    int32_t textureFilterIndex = 0;
    int32_t anisotropyIndex = 0;
    int32_t disableMipmapping = 0;
    int32_t soundDeviceIndex = 0;
    int32_t softwareSoundBuffers = 0;
    int32_t disableMusic = 0;
};
static_assert(sizeof(GameConfig) == 40, "Game.cfg holds ten 32-bit values");

constexpr const char* GAME_CONFIG_PATH = "Game.cfg";
constexpr size_t GAME_CONFIG_VALUE_COUNT = 10;

extern GameConfig g_GameConfig;

// Reads the file into g_GameConfig: values the file does not hold whole are 0,
// bytes past the tenth value are ignored. False when the file can't be opened
// or is refused (not a regular file, or larger than a few KB: a line in the
// log); g_GameConfig is then left as it was.
bool LoadGameConfig(const char* path = GAME_CONFIG_PATH);
// Writes g_GameConfig (40 bytes) through a temporary file renamed over the old
// one; false, with the old file kept, when it can't be written (which file and
// why in `error`, if given).
bool SaveGameConfig(const char* path = GAME_CONFIG_PATH, std::string* error = nullptr);

#include "app/GameConfig.h"

#include "backend/files/Files.h"
#include "engine/platform/Log.h"

#include <cstdio>
#include <string>

GameConfig g_GameConfig;

namespace {

// The values in file order.
int32_t GameConfig::*const FIELDS[GAME_CONFIG_VALUE_COUNT] = {
    &GameConfig::renderDeviceIndex, &GameConfig::displayModeIndex,   &GameConfig::windowed,
    &GameConfig::tripleBuffering,   &GameConfig::textureFilterIndex, &GameConfig::anisotropyIndex,
    &GameConfig::disableMipmapping, &GameConfig::soundDeviceIndex,   &GameConfig::softwareSoundBuffers,
    &GameConfig::disableMusic,
};

} // namespace

bool LoadGameConfig(const char* path)
{
    std::string refusal;
    FILE* file = backend::OpenFileForReading(path, backend::MAX_SETTINGS_FILE_BYTES, &refusal);
    if (!refusal.empty())
        LogFormat("\nGame configuration not read: %s", refusal.c_str());
    if (!file)
        return false;
    uint8_t bytes[GAME_CONFIG_VALUE_COUNT * 4];
    const size_t got = std::fread(bytes, 1, sizeof(bytes), file);
    std::fclose(file);

    // Only whole values are taken; the rest read as 0.
    GameConfig config;
    for (size_t i = 0; i < GAME_CONFIG_VALUE_COUNT && (i + 1) * 4 <= got; ++i) {
        const uint8_t* b = bytes + i * 4;
        config.*FIELDS[i] = int32_t(uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24);
    }
    g_GameConfig = config;
    return true;
}

bool SaveGameConfig(const char* path, std::string* error)
{
    uint8_t bytes[GAME_CONFIG_VALUE_COUNT * 4];
    for (size_t i = 0; i < GAME_CONFIG_VALUE_COUNT; ++i) {
        const uint32_t v = uint32_t(g_GameConfig.*FIELDS[i]);
        bytes[i * 4 + 0] = uint8_t(v);
        bytes[i * 4 + 1] = uint8_t(v >> 8);
        bytes[i * 4 + 2] = uint8_t(v >> 16);
        bytes[i * 4 + 3] = uint8_t(v >> 24);
    }
    return backend::ReplaceFileBytes(path, bytes, sizeof(bytes), error);
}

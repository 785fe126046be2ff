#include "app/SoundConfig.h"

#include "backend/files/Files.h"
#include "engine/platform/Log.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

float DecodeVolume(const uint8_t* bytes, float fallback)
{
    const uint32_t bits =
        uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24;
    float value = 0.0f;
    std::memcpy(&value, &bits, sizeof(value));
    if (!std::isfinite(value))
        return fallback;
    return value < 0.0f ? 0.0f : (value > 1.0f ? 1.0f : value);
}

void EncodeVolume(float value, uint8_t* bytes)
{
    uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof(bits));
    for (int i = 0; i < 4; ++i)
        bytes[i] = uint8_t(bits >> (8 * i));
}

} // namespace

SoundConfig LoadSoundConfig(const char* path)
{
    SoundConfig config;
    std::string refusal;
    FILE* file = backend::OpenFileForReading(path, backend::MAX_SETTINGS_FILE_BYTES, &refusal);
    if (!refusal.empty())
        LogFormat("\nSound configuration not read: %s", refusal.c_str());
    if (file == nullptr)
        return config;
    uint8_t bytes[8] = {};
    const size_t got = std::fread(bytes, 1, sizeof(bytes), file);
    std::fclose(file);
    if (got >= 4)
        config.soundVolume = DecodeVolume(bytes, DEFAULT_SOUND_VOLUME);
    if (got >= 8)
        config.musicVolume = DecodeVolume(bytes + 4, DEFAULT_MUSIC_VOLUME);
    return config;
}

bool SaveSoundConfig(const SoundConfig& config, const char* path, std::string* error)
{
    uint8_t bytes[8];
    EncodeVolume(config.soundVolume, bytes);
    EncodeVolume(config.musicVolume, bytes + 4);
    return backend::ReplaceFileBytes(path, bytes, sizeof(bytes), error);
}

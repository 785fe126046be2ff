#pragma once
// "Data\Sound.cfg": the sound-effect and music volumes, two little-endian
// 32-bit floats.

#include <string>

constexpr const char* SOUND_CONFIG_PATH = "Data\\Sound.cfg";
constexpr float DEFAULT_SOUND_VOLUME = 1.0f;
constexpr float DEFAULT_MUSIC_VOLUME = 0.9f;

struct SoundConfig {
    float soundVolume = DEFAULT_SOUND_VOLUME;
    float musicVolume = DEFAULT_MUSIC_VOLUME;
};

// Reads the volumes. A missing or refused file (not a regular file, or larger
// than a few KB: a line in the log), a value the file does not hold whole and
// a value that is not a finite number keep their defaults; the rest are
// clamped to 0..1.
SoundConfig LoadSoundConfig(const char* path = SOUND_CONFIG_PATH);
// Writes both volumes through a temporary file renamed over the old one; false,
// with the old file kept, when it can't be written (which file and why in
// `error`, if given).
bool SaveSoundConfig(const SoundConfig& config, const char* path = SOUND_CONFIG_PATH, std::string* error = nullptr);

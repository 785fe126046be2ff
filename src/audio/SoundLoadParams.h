#pragma once
// The three bytes passed with a file name to every sound load and definition.

#include <cstdint>

struct SoundLoadParams {
    uint8_t isMusic = 0;  // volume group: 0 sound effects, 1 music
    uint8_t streamed = 0; // 1: stream from the file
    uint8_t looping = 0;  // 1: play in a loop
};

static_assert(sizeof(SoundLoadParams) == 3);

#pragma once
// One best time or race result: a zero-terminated name and a time in ms.

#include <cstdint>

constexpr int RACE_RECORD_NAME_SIZE = 20;

struct RaceRecord {
    char name[RACE_RECORD_NAME_SIZE] = {};
    uint32_t time = 0;
};
static_assert(sizeof(RaceRecord) == 24, "RaceRecord is 24 bytes");

#pragma once
// The results list of a network race: g_RaceRecords in ascending order of
// time, g_LocalResultIndex following the local player's row.

#include <cstdint>

// Inserts after every row of the same or a smaller time; the caller holds g_RaceLock.
void InsertRaceResult(const char* name, uint32_t timeMs, bool local);

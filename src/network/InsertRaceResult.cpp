#include "network/InsertRaceResult.h"

#include "race/RaceGlobals.h"

#include <cstring>

void InsertRaceResult(const char* name, uint32_t timeMs, bool local)
{
    if (!local && g_LocalResultIndex >= 0 && static_cast<size_t>(g_LocalResultIndex) < g_RaceRecords.size() &&
        timeMs < g_RaceRecords[static_cast<size_t>(g_LocalResultIndex)].time)
        ++g_LocalResultIndex;
    RaceRecord row;
    if (name != nullptr)
        std::strncpy(row.name, name, sizeof row.name - 1);
    row.time = timeMs;
    auto at = g_RaceRecords.begin();
    while (at != g_RaceRecords.end() && at->time <= timeMs)
        ++at;
    at = g_RaceRecords.insert(at, row);
    if (local)
        g_LocalResultIndex = static_cast<int32_t>(at - g_RaceRecords.begin());
}

#include "race/FinishLedger.h"

#include "engine/platform/Log.h"

#include <algorithm>
#include <cstring>

FinishLedger::Entrant* FinishLedger::Find(uint32_t playerId)
{
    for (size_t i = 0; i < entrantCount; ++i)
        if (entrants[i].playerId == playerId)
            return &entrants[i];
    return nullptr;
}

bool FinishLedger::Enter(uint32_t playerId, const char* name)
{
    if (Find(playerId) != nullptr)
        return true;
    if (entrantCount == entrants.size())
        return false;
    Entrant& entrant = entrants[entrantCount++];
    entrant = Entrant();
    entrant.playerId = playerId;
    if (name != nullptr)
        std::strncpy(entrant.name, name, sizeof entrant.name - 1);
    return true;
}

void FinishLedger::Withdraw(uint32_t playerId)
{
    Entrant* entrant = Find(playerId);
    if (entrant == nullptr)
        return;
    *entrant = entrants[--entrantCount];
}

void FinishLedger::LogStranger(uint32_t playerId)
{
    const auto end = strangers.begin() + static_cast<std::ptrdiff_t>(strangerCount);
    if (strangerCount == strangers.size() || std::find(strangers.begin(), end, playerId) != end)
        return;
    strangers[strangerCount++] = playerId;
    LogFormat("\nA finish from player %u, who is not in this race, was dropped.", playerId);
}

bool FinishLedger::Count(uint32_t playerId, uint32_t timeMs, uint32_t raceClockMs, const char** name)
{
    Entrant* entrant = Find(playerId);
    if (entrant == nullptr) {
        LogStranger(playerId);
        return false;
    }
    const uint64_t latest = uint64_t(raceClockMs) + raceClockMs / FINISH_CLOCK_DRIFT_DIVISOR + FINISH_CLOCK_SLACK_MS;
    if (!entrant->finished && timeMs > 0 && timeMs <= latest) {
        entrant->finished = true;
        *name = entrant->name;
        return true;
    }
    if (!entrant->refusalLogged) {
        entrant->refusalLogged = true;
        LogFormat("\nA finish of %s in %u ms was dropped (race clock %u ms%s); later ones are dropped silently.",
                  entrant->name, timeMs, raceClockMs, entrant->finished ? ", finished already" : "");
    }
    return false;
}

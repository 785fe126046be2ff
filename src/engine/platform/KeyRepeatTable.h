#pragma once
// Turns a held key into a first press followed by repeats at a fixed
// interval. Keys are the game's own small ids, not key numbers: the caller
// decides which key each id stands for.

#include "engine/platform/KeyRepeatEntry.h"

#include <cstdint>
#include <map>

class KeyRepeatTable {
public:
    // Adds an id with its interval; an id already present keeps its own.
    void AddKey(int id, uint32_t intervalMs);
    // Called on each frame the key is down: true on the first frame of a press
    // and then each time the interval has run out again. False for an unknown id.
    bool KeyDown(int id);
    // Called on frames the key is up; unknown ids are ignored.
    void KeyUp(int id);
    void Clear() { entries.clear(); }

    std::map<int, KeyRepeatEntry> entries;
};

extern KeyRepeatTable g_KeyRepeat;

#pragma once
// One key of the repeat table: its interval as a count-down stopwatch, and
// whether the key was down at the last KeyDown.

#include "engine/platform/Stopwatch.h"

struct KeyRepeatEntry {
    Stopwatch stopwatch;
    bool held = false;
};

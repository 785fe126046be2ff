#include "engine/platform/KeyRepeatTable.h"

KeyRepeatTable g_KeyRepeat;

void KeyRepeatTable::AddKey(int id, uint32_t intervalMs)
{
    if (entries.count(id))
        return;
    KeyRepeatEntry& entry = entries[id];
    entry.stopwatch.Init(true, false, 0, 0, intervalMs);
    entry.held = false;
}

bool KeyRepeatTable::KeyDown(int id)
{
    auto it = entries.find(id);
    if (it == entries.end())
        return false;
    KeyRepeatEntry& entry = it->second;
    if (!entry.held) {
        entry.held = true;
        entry.stopwatch.Reset();
        entry.stopwatch.Start();
        return true;
    }
    entry.stopwatch.Update();
    if (!entry.stopwatch.expired)
        return false;
    entry.stopwatch.Reset();
    return true;
}

void KeyRepeatTable::KeyUp(int id)
{
    auto it = entries.find(id);
    if (it == entries.end())
        return;
    it->second.held = false;
    it->second.stopwatch.Stop();
}

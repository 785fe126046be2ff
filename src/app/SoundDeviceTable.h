#pragma once
// The sound devices the launcher lists, by their OpenAL names. The chosen
// device in DeviceSettings points at a name kept here, so the table lives as
// long as the program.

#include <string>

constexpr int MAX_SOUND_DEVICES = 20;

struct SoundDeviceTable {
    std::string names[MAX_SOUND_DEVICES];
    int count = 0;

    void Clear();
    // The slot of a new name, or -1 when the table is full.
    int Add(const char* name);
};

extern SoundDeviceTable g_SoundDeviceTable;

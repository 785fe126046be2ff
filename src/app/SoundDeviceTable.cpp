#include "app/SoundDeviceTable.h"

SoundDeviceTable g_SoundDeviceTable;

void SoundDeviceTable::Clear()
{
    for (std::string& name : names)
        name.clear();
    count = 0;
}

int SoundDeviceTable::Add(const char* name)
{
    if (count >= MAX_SOUND_DEVICES || !name)
        return -1;
    names[count] = name;
    return count++;
}

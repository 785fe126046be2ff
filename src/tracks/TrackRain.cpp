#include "tracks/TrackRain.h"

#include "audio/AudioManager.h"
#include "audio/Sound.h"
#include "engine/scene/RainSystem.h"

bool CreateRain(RainSystem& rain, const RainDef& def)
{
    return rain.Create(def.count, def.dropSize, def.texture, &def.position, &def.direction, def.radius, def.bottom,
                       def.speed, def.colour);
}

bool LoadRainSound(Sound*& sound, const RainDef& def)
{
    sound = GetAudioManager()->CreateSound();
    if (sound == nullptr)
        return false;
    const SoundLoadParams looping = {0, 0, 1};
    return sound->Load(def.sound, &looping);
}

void ResetRain(RainSystem& rain, Sound* sound, const backend::Vector3* mopedPosition, const RainDef& def)
{
    rain.position = {mopedPosition->x, def.height, mopedPosition->z};
    rain.Reset();
    if (sound != nullptr)
        sound->SetVolume(def.volume);
}

void UpdateRain(RainSystem& rain, const backend::Vector3* mopedPosition, const RainDef& def)
{
    rain.position = {mopedPosition->x, def.height, mopedPosition->z};
    rain.Update();
}

void DestroyRain(RainSystem& rain, Sound*& sound)
{
    if (sound != nullptr) {
        sound->Release();
        GetAudioManager()->DestroySound(&sound);
    }
    rain.Clear();
}

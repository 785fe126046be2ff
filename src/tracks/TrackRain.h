#pragma once
// The rain of the rainy tracks: a rain system over the local moped and its
// looping sound, made, moved and given back the same way on every such track.

#include "tracks/TrackDefs.h"

#include "backend/math/MathTypes.h"

class RainSystem;
class Sound;

bool CreateRain(RainSystem& rain, const RainDef& def);
// A looping 2D sound through the audio manager; its load result is the track's.
bool LoadRainSound(Sound*& sound, const RainDef& def);
// Over the moped at the rain's height, every drop respawned, the sound at its volume.
void ResetRain(RainSystem& rain, Sound* sound, const backend::Vector3* mopedPosition, const RainDef& def);
void UpdateRain(RainSystem& rain, const backend::Vector3* mopedPosition, const RainDef& def);
// Gives the sound back to the audio manager and empties the rain; safe to repeat.
void DestroyRain(RainSystem& rain, Sound*& sound);

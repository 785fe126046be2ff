#pragma once
// A named sound effect: the file it loads, how it loads, and its pool of
// instances. The audio manager owns the instances; a definition only lists them.

#include "audio/SoundLoadParams.h"

#include <deque>
#include <vector>

class Sound;
class Sound3D;

template <typename T> struct BasicSoundDefinition {
    char name[260] = {}; // the key, and the file its instances load
    SoundLoadParams params{};
    std::deque<T*> idleInstances; // given back, first in first out
    std::vector<T*> instances;    // handed out
};

using SoundDefinition = BasicSoundDefinition<Sound>;
using Sound3DDefinition = BasicSoundDefinition<Sound3D>;

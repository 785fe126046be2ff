#pragma once
// A named sound effect: the file it loads, how it loads, and its pool of
// instances. The audio manager owns the instances; a definition only lists them.

#include "audio/SoundLoadParams.h"

#include <vector>

class Sound;
class Sound3D;

template <typename T> struct BasicSoundDefinition {
    char name[260] = {}; // the key, and the file its instances load
    SoundLoadParams params{};
    // Given back, first in first out; a vector, so that cycling through a
    // pool of fixed size never allocates.
    std::vector<T*> idleInstances;
    std::vector<T*> instances; // handed out
};

using SoundDefinition = BasicSoundDefinition<Sound>;
using Sound3DDefinition = BasicSoundDefinition<Sound3D>;

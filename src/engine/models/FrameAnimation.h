#pragma once
// A table of named frame ranges that a model advances once per update and
// reads back as the frame to draw.

#include "engine/models/Animation.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class FrameAnimation {
public:
    bool Load(const char* path);
    // Reads a table from the bytes of an animation file; false, with the
    // error reported, when the bytes are not a whole table. `path` names the
    // file in error reports when there is one.
    bool LoadFromMemory(const uint8_t* data, size_t size, const char* path = nullptr);
    // A null or empty name adds nothing; longer names are cut to 63 characters.
    void AddAnimation(const char* name, int32_t first, int32_t last, float speed);
    // The frame after the step, or -1 when no animation has that name.
    float Advance(const char* name, uint32_t loop, float step);
    // The current frame of the named animation, -1 when there is none.
    float GetFrame(const char* name) const;
    void Wrap(Animation& animation, uint32_t loop, bool forward);
    void Clear() { animations.clear(); }

    std::vector<Animation> animations;
    int32_t currentIndex = 0;

private:
    int32_t Find(const char* name) const;
};

// Feeds arbitrary bytes to the frame animation reader, then plays every record.

#include "engine/models/FrameAnimation.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FrameAnimation table;
    if (!table.LoadFromMemory(data, size)) {
        if (!table.animations.empty())
            std::abort();
        return 0;
    }
    for (const Animation& a : table.animations) {
        if (std::memchr(a.name, 0, sizeof(a.name)) == nullptr)
            std::abort();
    }
    for (size_t i = 0; i < table.animations.size() && i < 8; ++i) {
        // The first record of a name is the one that plays.
        size_t first = 0;
        while (std::strcmp(table.animations[first].name, table.animations[i].name) != 0)
            ++first;
        const Animation& a = table.animations[first];
        const float low = std::min(a.firstFrame, a.lastFrame), high = std::max(a.firstFrame, a.lastFrame);
        for (int step = 0; step < 4; ++step) {
            const float frame = table.Advance(a.name, uint32_t(step & 1), step == 3 ? 1e20f : -1.0f);
            if (!(frame >= low && frame <= high))
                std::abort(); // frames stay inside their range
        }
    }
    return 0;
}

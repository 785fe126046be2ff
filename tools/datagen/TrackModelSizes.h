#pragma once
// Full box sizes of the generated track models. Every model is centred on its
// box, so an object placed at y stands on ground at y - size.y / 2; the
// landscapes shape their ground pads from the same numbers.

#include "datagen/writers/ModelTypes.h"

namespace datagen {

struct TrackModelSize {
    const char* path; // game path, as the track's model table spells it
    Float3 size;
};

constexpr TrackModelSize TRACK_MODEL_SIZES[] = {
    {"Graphics\\Models\\FinishPole.x", {0.1f, 0.5f, 0.1f}},
    {"Graphics\\Tracks\\Finland\\Models\\Cottage.x", {4.55f, 6.692f, 4.69f}},
    {"Graphics\\Tracks\\Finland\\Models\\Cottage2.x", {9.3f, 4.82f, 6.5f}},
    {"Graphics\\Tracks\\Finland\\Models\\Fence.x", {8.0f, 1.2f, 0.2f}},
    {"Graphics\\Tracks\\Finland\\Models\\Rock.qvx", {3.0f, 2.0f, 2.6f}},
    {"Graphics\\Tracks\\Finland\\Models\\Rock2.qvx", {2.4f, 1.6f, 2.2f}},
    {"Graphics\\Tracks\\Finland\\Models\\Rock3.qvx", {4.0f, 2.4f, 3.2f}},
    {"Graphics\\Tracks\\Finland\\Models\\Rock4.qvx", {1.8f, 1.2f, 1.6f}},
    {"Graphics\\Tracks\\Finland\\Models\\Rock5.qvx", {2.8f, 1.8f, 3.0f}},
    {"Graphics\\Tracks\\Finland\\Models\\Rock6.qvx", {2.2f, 1.4f, 2.0f}},
    {"Graphics\\Tracks\\Finland\\Models\\Rock7.qvx", {5.0f, 3.0f, 4.0f}},
    {"Graphics\\Tracks\\Finland\\Models\\Stone.qvx", {1.2f, 0.9f, 1.1f}},
    {"Graphics\\Tracks\\Finland\\Models\\Stone2.qvx", {0.7f, 0.5f, 0.6f}},
    {"Graphics\\Tracks\\Finland\\Models\\Stone3.qvx", {0.8f, 0.6f, 0.8f}},
    {"Graphics\\Tracks\\Finland\\Models\\Stone4.qvx", {1.1f, 0.8f, 1.0f}},
    {"Graphics\\Tracks\\Finland\\Models\\Stone5.qvx", {0.6f, 0.5f, 0.6f}},
    {"Graphics\\Tracks\\Finland\\Models\\Stone6.qvx", {1.0f, 0.7f, 0.9f}},
    {"Graphics\\Tracks\\Finland\\Models\\Stone7.qvx", {0.8f, 0.6f, 0.7f}},
};

} // namespace datagen

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
    {"Graphics\\Models\\FinishPole.x", {0.32f, 0.5f, 0.32f}},
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
    {"Graphics\\Tracks\\Cambodia\\Models\\Hut1.x", {5.164f, 5.5f, 4.13f}},
    {"Graphics\\Tracks\\Cambodia\\Models\\Hut2.x", {8.451f, 5.5f, 6.818f}},
    {"Graphics\\Tracks\\Cambodia\\Models\\Hut3.x", {10.326f, 5.5f, 6.196f}},
    {"Graphics\\Tracks\\Germany\\Models\\Seats.x", {20.0f, 28.0f, 10.0f}},
    {"Graphics\\Tracks\\Germany\\Models\\TyreStack.x", {0.72f, 1.26f, 0.72f}},
    {"Graphics\\Tracks\\Finland2\\Models\\Cottage.x", {4.55f, 6.692f, 4.69f}},
    {"Graphics\\Tracks\\Finland2\\Models\\Cottage2.x", {9.3f, 4.82f, 6.5f}},
    {"Graphics\\Tracks\\USA\\Models\\Building.x", {16.0f, 60.0f, 16.0f}},
    {"Graphics\\Tracks\\USA\\Models\\Building2.x", {18.0f, 72.0f, 14.0f}},
    {"Graphics\\Tracks\\USA\\Models\\Building3.x", {9.4f, 8.5f, 8.5f}},
    {"Graphics\\Tracks\\USA\\Models\\Building4.x", {6.0f, 3.0f, 4.0f}},
    {"Graphics\\Tracks\\USA\\Models\\Building5.x", {10.0f, 9.0f, 10.0f}},
    {"Graphics\\Tracks\\USA\\Models\\Skyscraper.x", {22.0f, 220.0f, 22.0f}},
    {"Graphics\\Tracks\\USA\\Models\\Skyscraper2.x", {20.0f, 440.0f, 20.0f}},
    {"Graphics\\Tracks\\USA\\Models\\Skyscraper3.x", {18.0f, 150.0f, 18.0f}},
    {"Graphics\\Tracks\\USA\\Models\\Skyscraper4.x", {20.0f, 140.0f, 16.0f}},
    {"Graphics\\Tracks\\USA\\Models\\Skyscraper5.x", {18.0f, 165.0f, 18.0f}},
    {"Graphics\\Tracks\\USA\\Models\\Skyscraper6.x", {18.0f, 183.0f, 20.0f}},
    {"Graphics\\Tracks\\USA\\Models\\Skyscraper7.x", {16.0f, 125.0f, 16.0f}},
    {"Graphics\\Tracks\\USA\\Models\\Skyscraper8.x", {16.0f, 91.0f, 16.0f}},
    {"Graphics\\Tracks\\USA\\Models\\TrafficSign.x", {0.6f, 2.1f, 0.06f}},
    {"Graphics\\Tracks\\USA\\Models\\TrafficLightOneSide.x", {0.3f, 3.5f, 0.5f}},
    {"Graphics\\Tracks\\USA\\Models\\TrafficLightTwoSides.x", {0.3f, 3.5f, 0.9f}},
    {"Graphics\\Tracks\\USA\\Models\\Car.qvx", {1.8f, 1.354f, 4.2f}},
    {"Graphics\\Tracks\\USA\\Models\\Block.x", {1.8f, 0.472f, 0.6f}},
    {"Graphics\\Tracks\\USA\\Models\\Ramp.x", {4.0f, 0.3f, 6.0f}},
    {"Graphics\\Tracks\\Egypt\\Models\\Pyramid.x", {18.0f, 20.0f, 18.0f}},
};

} // namespace datagen

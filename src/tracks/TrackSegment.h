#pragma once
// One cell of the road ring: the quadrilateral between a gate and the next,
// held as four vertical planes whose positive sides enclose it.

#include "backend/math/MathTypes.h"

#include <cstdint>

constexpr uint8_t TRACK_SEGMENT_ORDINARY = 0;
constexpr uint8_t TRACK_SEGMENT_START = 1;
constexpr uint8_t TRACK_SEGMENT_CHECKPOINT = 2;

struct TrackSegment {
    // Planes as (a, b, c, d): a*x + b*y + c*z + d >= 0 on the cell's side; b is 0.
    float leftPlane[4] = {};
    float rightPlane[4] = {};
    float gatePlane[4] = {};     // positive in the direction of travel
    float nextGatePlane[4] = {}; // positive back into the cell
    backend::Vector3 centre;     // centre of this gate, y = 0
    backend::Vector3 direction;  // unit x-z vector to the next centre, or zero
    uint8_t type = TRACK_SEGMENT_ORDINARY;
    int32_t index = 0;
    int32_t checkpointIndex = 0; // only meaningful for checkpoint cells
    TrackSegment* prev = nullptr;
    TrackSegment* next = nullptr;
};

#pragma once
// The street plan of the USA town: a grid of straight streets, the race's
// loop along some of them, and the lots between. The placement table and the
// landscape are both drawn from it.

#include "datagen/TrackRoad.h"

#include <vector>

namespace datagen {

struct Street {
    bool alongZ; // runs along z at x = `at`, else along x at z = `at`
    float at, from, to;
    float width;
    bool raced;
};

namespace usa {

constexpr float RACED_WIDTH = 12.0f;
constexpr float SIDE_WIDTH = 10.0f;
constexpr float PAVEMENT = 3.5f;
constexpr float CORNER_RADIUS = 12.0f;

// Every street, raced ones first.
const std::vector<Street>& Streets();
// The race loop's corners in driving order, the first the centre of the start line.
std::vector<Point2D> LoopCorners();
// The loop as a control polygon: straights kept straight, corners rounded.
std::vector<Point2D> LoopPolygon();
// Distance from (x, z) to the nearest asphalt of the street grid; negative inside.
float StreetDistance(float x, float z);

} // namespace usa

} // namespace datagen

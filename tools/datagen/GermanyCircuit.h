#pragma once
// The Germany circuit: a control polygon of curves and straights, and the
// tyre walls that line the straights. Each straight runs along one of the
// wall rotations, so its walls follow the road exactly.

#include "datagen/TrackRoad.h"

#include <vector>

namespace germany {

using datagen::Point2D;

constexpr int ROTATION_COUNT = 17;
// The walls' rotations y and the number of red and white pairs at each.
constexpr float WALL_ROTATIONS[ROTATION_COUNT] = {-2.47837f, -1.92859f, -1.5708f,   -1.48353f,  -1.38754f,  -1.22173f,
                                                  -1.06465f, -1.05592f, -0.759218f, -0.715585f, -0.628318f, -0.130899f,
                                                  0.0f,      0.148353f, 0.584685f,  1.15192f,   1.22173f};
constexpr int WALL_PAIRS[ROTATION_COUNT] = {15, 14, 46, 24, 5, 19, 89, 20, 17, 46, 45, 40, 189, 46, 19, 46, 30};

constexpr float RED_STEP = 1.44f;   // between the reds of a wall
constexpr float WHITE_STEP = 0.72f; // from a red to its white

// The direction a wall of the rotation runs along: the stacks' own x axis.
Point2D WallDirection(int rotation);

// A straight of the road along a wall rotation, with its walls' lateral
// distances from the centre line (0: no wall on that side).
struct Straight {
    int rotation;
    Point2D from; // centre line where the straight begins
    float length;
    float travel;      // +1 along the wall direction, -1 against it
    float left, right; // lateral distance of the walls
    int rows;          // parallel walls on each walled side, 2.0 apart
};

const std::vector<Straight>& Straights();
// Closed, in driving order, point 0 the centre of the start gate.
std::vector<Point2D> Polygon();

} // namespace germany

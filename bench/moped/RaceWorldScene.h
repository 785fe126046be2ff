#pragma once
// The race's physics world as plain scene data, for another engine to build:
// the terrain mesh, the track's static boxes (objects and colliding
// billboards), its loose crates and every moped's six bodies and five hinges,
// posed as they stand now, with the world's materials. Nothing of the driving
// model comes along.

#include "physics/scenes/PhysicsScene.h"

#include <vector>

class Moped;
class PhysicsEngine;
class Track;

SceneDesc RaceWorldScene(Track& track, PhysicsEngine& physics, const std::vector<Moped*>& mopeds);

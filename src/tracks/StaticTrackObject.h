#pragma once
// A track object that stands still (house, fence, rock, finish pole): drawn
// through the track's object tree, held in the physics world by an immovable
// body with one box centred on its origin.

#include "backend/math/MathTypes.h"
#include "engine/platform/BoundingBox.h"

#include <cstdint>

class Model;
class Texture;
class TAnimatedBody;
class PhysicsEngine;

class StaticTrackObject {
public:
    bool Init(Model* model, Texture* texture, const char* name, const backend::Vector3* position,
              const backend::Vector3* rotation, uint32_t materialIndex);
    // False when the simulator has no free animated body or geometry.
    bool CreatePhysics(PhysicsEngine* physics);
    // Advances the named animation of the shared model; nothing moves.
    void Update();
    void Render(bool flatColour);
    // Forgets the body, model and texture; none of them is owned.
    void Clear();

    Model* model = nullptr;
    Texture* texture = nullptr;
    char name[64] = {};
    backend::Matrix world;
    backend::Vector3 position;
    backend::Vector3 rotation;
    // World box of the model, read by the object tree.
    BoundingBox bounds;
    TAnimatedBody* body = nullptr;
    // Full sizes of the collision box.
    backend::Vector3 boxSize;
    // Physics material and collision id.
    uint32_t materialIndex = 0;
};

#pragma once
// A loose track object (stone, block): driven by a rigid body with one box,
// its world matrix and box taken from the body every frame, and put back on
// its placement at every race start.

#include "backend/math/MathTypes.h"
#include "engine/platform/BoundingBox.h"
#include "engine/platform/BoxCorners.h"

#include <cstdint>

class Model;
class Texture;
class TRigidBody;
class PhysicsEngine;

class DynamicTrackObject {
public:
    bool Init(Model* model, Texture* texture, const char* name, const backend::Vector3* position,
              const backend::Vector3* rotation, float mass, uint32_t materialIndex);
    // False when the simulator has no free rigid body or geometry.
    bool CreatePhysics(PhysicsEngine* physics);
    // Back to the placement pose, at rest.
    void ResetPose();
    void Update();
    void Render(bool flatColour);
    // Forgets the body, model and texture; none of them is owned.
    void Clear();

    Model* model = nullptr;
    Texture* texture = nullptr;
    char name[64] = {};
    // The placement pose it returns to.
    backend::Vector3 position;
    backend::Vector3 rotation;
    // Current world matrix and box, from the body.
    backend::Matrix world;
    BoundingBox bounds;
    // Corners of the model's own box, in model space.
    BoxCorners localCorners{};
    TRigidBody* body = nullptr;
    // Full sizes of the collision box.
    backend::Vector3 boxSize;
    float mass = 0.0f;
    // Physics material and collision id.
    uint32_t materialIndex = 0;
};

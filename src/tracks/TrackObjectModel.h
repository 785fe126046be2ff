#pragma once
// What the static and dynamic track objects share about their model: its box
// over all frames, and drawing it at a world matrix with the object's texture.

#include "backend/math/MathTypes.h"

class BoundingBox;
class Model;
class Texture;
class TBody;

// The union of the model's frame boxes in its own space. A model with no
// geometry gets a zero box at its origin, never the inverted empty box.
void ComputeModelBox(Model* model, BoundingBox* out);

// Full sizes of a box; zero on an axis where the box is empty.
backend::Vector3 BoxSize(const BoundingBox& box);

// World transform, stage-0 texture through the device cache, then the frame
// the named animation has reached (frame 0 without a name).
void RenderTrackModel(Model* model, Texture* texture, const char* name, const backend::Matrix* world, bool flatColour);

// One box of full sizes `boxSize` centred on the body; its material is also the body's collision id.
// False when the simulator has no free geometry.
bool AddCollisionBox(TBody* body, const backend::Vector3& boxSize, uint32_t materialIndex);

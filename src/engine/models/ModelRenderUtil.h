#pragma once
// Small drawing helpers shared by the model classes.

#include <cstdint>

// Sets the flexible vertex format through the render device's cache.
void SetModelVertexFormat(uint32_t fvf);

// The flat pass of the .md2 and .x models, set directly on the device: black
// from the texture factor on stage 0, no depth test.
void BeginFlatColour();

// Source-alpha blending, set directly on the device.
void SetAlphaBlending();

// The stages of the Dot3 pass, changed through the render device's cache: a
// dot product with the texture factor on stage 0, then modulation on stages 1
// and 2 (stage 2 with the diffuse colour). EndDot3Stages reverts them.
void BeginDot3Stages();
void EndDot3Stages();

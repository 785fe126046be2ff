#pragma once
// Small drawing helpers shared by the model classes.

#include <cstdint>

// Sets the flexible vertex format through the render device's cache.
void SetModelVertexFormat(uint32_t fvf);

// The flat pass of the .md2 and .x models, set directly on the device: black
// from the texture factor on stage 0, no depth test.
void BeginFlatColour();

#pragma once
// Device state changes that the front end makes in several places.

#include <cstdint>

// Alpha blending with source alpha over the frame, stage 0 alpha = texture x diffuse.
void BeginAlphaBlend();
void EndAlphaBlend();
// The mip filter of texture stages 0 and 1.
void SetMipFilter(uint32_t filter);
// The render states that a device reset loses: depth test, no culling, solid
// fill, dithering, specular, normalised normals and lighting.
void SetFixedRenderStates();
// Min, mag and max-anisotropy of stages 0 and 1 from the launcher's settings,
// with the given mip filter.
void SetSamplerStates(uint32_t mipFilter);

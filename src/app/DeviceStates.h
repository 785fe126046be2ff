#pragma once
// Device state changes that the front end makes in several places.

#include "engine/platform/FixedRenderStates.h"

#include <cstdint>

// Alpha blending with source alpha over the frame, stage 0 alpha = texture x diffuse.
void BeginAlphaBlend();
void EndAlphaBlend();
// The mip filter of texture stages 0 and 1.
void SetMipFilter(uint32_t filter);
// Min, mag and max-anisotropy of stages 0 and 1 from the launcher's settings,
// with the given mip filter.
void SetSamplerStates(uint32_t mipFilter);

#pragma once
// The coloured, textured vertex of the sky, billboards, particles and flares.

#include "backend/gpu/GpuTypes.h"
#include "backend/math/MathTypes.h"

constexpr uint32_t SCENE_VERTEX_FVF = backend::D3DFVF_XYZ | backend::D3DFVF_DIFFUSE | backend::D3DFVF_TEX1;

struct SceneVertex {
    float x = 0.0f, y = 0.0f, z = 0.0f;
    backend::GpuColor colour = 0;
    float u = 0.0f, v = 0.0f;
};
static_assert(sizeof(SceneVertex) == 24);

// 1.0 or more gives 255, 0.0 or less 0, else value x 255 + 0.5 truncated.
inline uint32_t ColourChannel(float value)
{
    if (value >= 1.0f)
        return 255;
    if (value <= 0.0f)
        return 0;
    return uint32_t(value * 255.0f + 0.5f);
}

inline backend::GpuColor ColourFromFloats(float r, float g, float b, float a)
{
    return backend::GpuColorArgb(ColourChannel(a), ColourChannel(r), ColourChannel(g), ColourChannel(b));
}

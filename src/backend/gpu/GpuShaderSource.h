#pragma once
// GLSL 1.20 text of the fixed-function pipeline for one state key: transform,
// per-vertex lighting and texture coordinates in the vertex shader, the
// texture-stage cascade, specular sum and alpha test in the fragment shader.

#include "backend/gpu/GpuShaderKey.h"

#include <string>

namespace backend {

std::string GpuVertexShaderSource(const GpuShaderKey& key);
std::string GpuFragmentShaderSource(const GpuShaderKey& key);
// True when a stage's operation samples its texture.
bool GpuStageReadsTexture(const GpuShaderStageKey& stage);
// False for texture operations the generated shaders do not carry out.
bool GpuTextureOpImplemented(uint32_t op);

} // namespace backend

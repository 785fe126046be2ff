#pragma once
// The device's shadow of every state a caller can set, with the defaults a
// new or reset device starts from.

#include "backend/gpu/GpuTypes.h"

namespace backend {

class GpuStateBlock {
public:
    // Defaults for a render target of the given size.
    void SetDefaults(uint32_t targetWidth, uint32_t targetHeight);

    uint32_t renderStates[GPU_RENDER_STATE_COUNT];
    uint32_t stageStates[GPU_STAGE_COUNT][GPU_STAGE_STATE_COUNT];
    Matrix world;
    Matrix view;
    Matrix projection;
    Matrix textureTransforms[GPU_STAGE_COUNT];
    GpuLight lights[GPU_MAX_LIGHTS];
    bool lightEnabled[GPU_MAX_LIGHTS];
    GpuMaterial material;
    GpuViewport viewport;

    // Storage slot of a transform type; null for types the device has none for.
    Matrix* Transform(uint32_t type);
    const Matrix* Transform(uint32_t type) const;
};

Matrix GpuIdentityMatrix();

} // namespace backend

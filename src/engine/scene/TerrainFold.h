#pragma once
// The terrain's passes as the texture stages of one draw, where they fit: the
// first pass's texture, then for each later pass its alpha map's alpha and its
// texture blended over by that alpha, and the lighting applied once at the end.
// A pass blended into the frame buffer adds the same as that stage blend, since
// lighting is the same factor on every layer.

#include "engine/scene/TerrainPass.h"

#include "backend/gpu/GpuTypes.h"

#include <array>
#include <memory>
#include <span>
#include <vector>

namespace backend {
class GpuBaseTexture;
}

struct TerrainStage {
    backend::GpuBaseTexture* texture = nullptr;
    const backend::Matrix* textureMatrix = nullptr; // null: the coordinates as they are
    uint32_t samplerStage = 0;                      // the stage whose filters the texture takes
    uint32_t colourOp = backend::D3DTOP_SELECTARG1;
    uint32_t colourArg1 = backend::D3DTA_TEXTURE;
    uint32_t colourArg2 = backend::D3DTA_CURRENT;
    uint32_t alphaOp = backend::D3DTOP_SELECTARG2;
    uint32_t alphaArg1 = backend::D3DTA_TEXTURE;
    uint32_t alphaArg2 = backend::D3DTA_CURRENT;
};

class TerrainFold {
public:
    // False when the passes do not fold: the first is not opaque, a later one
    // is, or they need more than `stageLimit` stages.
    bool Build(const std::vector<std::unique_ptr<TerrainPass>>& passes, uint32_t stageLimit);
    std::span<const TerrainStage> Stages() const { return {stages.data(), count}; }

private:
    bool Add(const TerrainStage& stage, uint32_t stageLimit);

    std::array<TerrainStage, backend::GPU_STAGE_COUNT> stages;
    size_t count = 0;
};

#include "engine/scene/TerrainFold.h"

#include "backend/gpu/GpuTexture.h"

using namespace backend;

namespace {

const Matrix* TilingOf(const TerrainPass& pass)
{
    return pass.tileU == 1.0f && pass.tileV == 1.0f ? nullptr : &pass.textureMatrix;
}

} // namespace

bool TerrainFold::Add(const TerrainStage& stage, uint32_t stageLimit)
{
    if (count >= stageLimit || count >= stages.size())
        return false;
    stages[count++] = stage;
    return true;
}

bool TerrainFold::Build(const std::vector<std::unique_ptr<TerrainPass>>& passes, uint32_t stageLimit)
{
    count = 0;
    if (passes.empty() || !passes.front()->opaque)
        return false;
    const TerrainPass& first = *passes.front();
    TerrainStage base;
    base.texture = first.colourTexture.texture;
    base.textureMatrix = TilingOf(first);
    base.alphaOp = D3DTOP_SELECTARG1;
    base.alphaArg1 = D3DTA_DIFFUSE;
    if (!Add(base, stageLimit))
        return false;
    if (first.alphaTexture.texture != nullptr) {
        TerrainStage shade;
        shade.texture = first.alphaTexture.texture;
        shade.samplerStage = 1;
        shade.colourOp = D3DTOP_MODULATE;
        if (!Add(shade, stageLimit))
            return false;
    }
    for (size_t number = 1; number < passes.size(); ++number) {
        const TerrainPass& pass = *passes[number];
        if (pass.opaque)
            return false;
        TerrainStage layer;
        layer.texture = pass.colourTexture.texture;
        layer.textureMatrix = TilingOf(pass);
        layer.colourOp = D3DTOP_BLENDDIFFUSEALPHA; // without an alpha map the lit alpha blends it
        if (pass.alphaTexture.texture != nullptr) {
            TerrainStage coverage;
            coverage.texture = pass.alphaTexture.texture;
            coverage.samplerStage = 1;
            coverage.colourOp = D3DTOP_SELECTARG2;
            coverage.alphaOp = D3DTOP_SELECTARG1;
            if (!Add(coverage, stageLimit))
                return false;
            layer.colourOp = D3DTOP_BLENDCURRENTALPHA;
        }
        if (!Add(layer, stageLimit))
            return false;
    }
    TerrainStage light;
    light.colourOp = D3DTOP_MODULATE;
    light.colourArg1 = D3DTA_DIFFUSE;
    light.alphaOp = D3DTOP_SELECTARG1;
    light.alphaArg1 = D3DTA_DIFFUSE;
    return Add(light, stageLimit);
}

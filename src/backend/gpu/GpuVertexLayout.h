#pragma once
// Where each element of a flexible-vertex-format vertex lies.

#include <cstdint>

namespace backend {

struct GpuVertexLayout {
    uint32_t stride = 0;
    bool pretransformed = false; // x, y, z, rhw in pixels
    uint32_t positionOffset = 0;
    int32_t normalOffset = -1;
    int32_t diffuseOffset = -1;
    int32_t specularOffset = -1;
    uint32_t texCoordCount = 0;
    uint32_t texCoordOffsets[8] = {};
    uint32_t texCoordSizes[8] = {};
};

// False for formats the device cannot draw (blend weights, no position).
bool GpuDescribeFvf(uint32_t fvf, GpuVertexLayout& layout);

} // namespace backend

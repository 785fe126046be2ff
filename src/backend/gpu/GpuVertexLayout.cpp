#include "backend/gpu/GpuVertexLayout.h"

#include "backend/gpu/GpuTypes.h"

namespace backend {

bool GpuDescribeFvf(uint32_t fvf, GpuVertexLayout& layout)
{
    layout = GpuVertexLayout();
    uint32_t offset = 0;
    switch (fvf & D3DFVF_POSITION_MASK) {
    case D3DFVF_XYZ:
        offset = 12;
        break;
    case D3DFVF_XYZRHW:
        layout.pretransformed = true;
        offset = 16;
        break;
    default:
        return false;
    }
    if (fvf & D3DFVF_NORMAL) {
        layout.normalOffset = int32_t(offset);
        offset += 12;
    }
    if (fvf & D3DFVF_PSIZE)
        offset += 4;
    if (fvf & D3DFVF_DIFFUSE) {
        layout.diffuseOffset = int32_t(offset);
        offset += 4;
    }
    if (fvf & D3DFVF_SPECULAR) {
        layout.specularOffset = int32_t(offset);
        offset += 4;
    }
    uint32_t count = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
    if (count > 8)
        return false;
    layout.texCoordCount = count;
    for (uint32_t i = 0; i < count; ++i) {
        static const uint32_t SIZES[4] = {2, 3, 4, 1};
        uint32_t size = SIZES[(fvf >> (16 + i * 2)) & 3];
        layout.texCoordOffsets[i] = offset;
        layout.texCoordSizes[i] = size;
        offset += size * 4;
    }
    layout.stride = offset;
    return true;
}

} // namespace backend

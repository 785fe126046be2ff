#pragma once
// Everything about the state that changes the generated shaders. All fields
// are bytes so that keys compare and hash as plain memory.

#include <cstddef>
#include <cstdint>

namespace backend {

enum class GpuTexKind : uint8_t { Flat = 0, Cube = 1 };
enum class GpuColorFrom : uint8_t { Material = 0, Diffuse = 1, Specular = 2 };

struct GpuShaderStageKey {
    uint8_t colorOp = 0;
    uint8_t colorArg1 = 0;
    uint8_t colorArg2 = 0;
    uint8_t alphaOp = 0;
    uint8_t alphaArg1 = 0;
    uint8_t alphaArg2 = 0;
    GpuTexKind texKind = GpuTexKind::Flat;
    uint8_t coordSource = 0;    // 0 a set of the vertex, 1 normal, 2 position, 3 reflection (camera space)
    uint8_t coordSet = 0;       // set index; 0xFF when the vertex has no such set
    uint8_t transformCount = 0; // 0 untransformed, else components taken after the texture matrix
    bool operator==(const GpuShaderStageKey&) const = default;
};

struct GpuShaderKey {
    uint8_t pretransformed = 0;
    uint8_t hasNormal = 0;
    uint8_t hasDiffuse = 0;
    uint8_t hasSpecular = 0;
    uint8_t texCoordCount = 0;
    uint8_t texCoordSizes[8] = {};
    uint8_t lighting = 0;
    uint8_t normalizeNormals = 0;
    uint8_t localViewer = 0;
    uint8_t specularEnable = 0;
    uint8_t lightCount = 0; // enabled directional lights when lighting
    GpuColorFrom diffuseFrom = GpuColorFrom::Material;
    GpuColorFrom ambientFrom = GpuColorFrom::Material;
    GpuColorFrom specularFrom = GpuColorFrom::Material;
    GpuColorFrom emissiveFrom = GpuColorFrom::Material;
    uint8_t alphaFunc = 8;  // D3DCMP_ALWAYS when alpha testing is off
    uint8_t stageCount = 0; // stages before the first disabled colour op
    GpuShaderStageKey stages[8] = {};
    bool operator==(const GpuShaderKey&) const = default;
};

struct GpuShaderKeyHash {
    size_t operator()(const GpuShaderKey& key) const;
};

} // namespace backend

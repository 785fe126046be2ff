#pragma once
// Compiled programs of the fixed-function pipeline, one per state key, made
// on first use and kept for the life of the GL context.

#include "backend/gpu/GpuShaderKey.h"

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>

namespace backend {

// Attribute slots, bound before linking.
enum GpuAttribute : uint32_t {
    GPU_ATTRIB_POSITION = 0,
    GPU_ATTRIB_NORMAL = 1,
    GPU_ATTRIB_DIFFUSE = 2,
    GPU_ATTRIB_SPECULAR = 3,
    GPU_ATTRIB_TEXCOORD0 = 4,
};

// The uniform values a program was last given; each group is uploaded again
// only when its value changes.
struct GpuUniformValues {
    enum Group : uint32_t {
        WORLD_VIEW,
        PROJECTION,
        NORMAL_MATRIX,
        FLIP_Y,
        VIEWPORT,
        TEX_MATRIX,
        LIGHT_TOWARD,
        LIGHT_DIFFUSE,
        LIGHT_SPECULAR,
        LIGHT_AMBIENT,
        MAT_DIFFUSE,
        MAT_AMBIENT,
        MAT_SPECULAR,
        MAT_EMISSIVE,
        MAT_POWER,
        GLOBAL_AMBIENT,
        TFACTOR,
        ALPHA_REF,
        GROUPS
    };
    static constexpr uint32_t MAX_FLOATS = 8 * 16; // the texture matrices
    float values[GROUPS][MAX_FLOATS] = {};
    uint32_t known = 0; // a bit per group
};

struct GpuProgram {
    uint32_t name = 0;
    int worldView = -1, projection = -1, normalMatrix = -1, flipY = -1, viewport = -1;
    int texMatrix = -1, lightToward = -1, lightDiffuse = -1, lightSpecular = -1, lightAmbient = -1;
    int matDiffuse = -1, matAmbient = -1, matSpecular = -1, matEmissive = -1, matPower = -1;
    int globalAmbient = -1, tfactor = -1, alphaRef = -1;
    int samplers[8] = {-1, -1, -1, -1, -1, -1, -1, -1};
    GpuUniformValues uniforms;
};

class GpuGlState;

class GpuShaderCache {
public:
    explicit GpuShaderCache(GpuGlState& glState) : state(glState) {}
    GpuShaderCache(const GpuShaderCache&) = delete;
    GpuShaderCache& operator=(const GpuShaderCache&) = delete;
    ~GpuShaderCache();

    // The program of a key, or null when it failed to build (lastError says why).
    GpuProgram* Get(const GpuShaderKey& key);
    size_t Size() const { return programs.size(); }
    const std::string& LastError() const { return lastError; }
    // Forgets the programs without deleting them (their context is gone).
    void Abandon() { programs.clear(); }
    // Deletes every program; each is built again when next asked for.
    void Clear();

private:
    bool Build(const GpuShaderKey& key, GpuProgram& program);
    void DeletePrograms();

    std::unordered_map<GpuShaderKey, std::unique_ptr<GpuProgram>, GpuShaderKeyHash> programs;
    GpuGlState& state;
    std::string lastError;
};

} // namespace backend

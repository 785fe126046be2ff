#pragma once
// Turns the device's shadow state into GL state for one draw: picks the
// generated program, loads its uniforms, binds the stage textures with the
// stage's sampler settings and sets blending, depth, culling and the vertex
// arrays. Only what differs from the GL state last set reaches GL.

#include "backend/gpu/GpuGlState.h"
#include "backend/gpu/GpuShaderCache.h"
#include "backend/gpu/GpuTypes.h"

#include <cstdint>

namespace backend {

class GpuGlContext;
class GpuStateBlock;
class GpuBaseTexture;
struct GpuVertexLayout;

// The surface being drawn into.
struct GpuDrawTarget {
    uint32_t width = 0;
    uint32_t height = 0;
    bool flipped = false;    // a texture: row 0 at the top, so the picture is turned over
    bool hasDepth = true;    // false: drawn as without a depth buffer
    bool hasStencil = false; // false: the stencil states do nothing
};

class GpuPipeline {
public:
    explicit GpuPipeline(GpuGlContext& glContext);

    // False when the program for this state cannot be built.
    bool Apply(const GpuStateBlock& state, const GpuVertexLayout& layout, GpuBaseTexture* const* textures,
               const GpuDrawTarget& target, uint32_t vertexBuffer, uintptr_t vertexOffset, uint32_t stride);
    // The GL viewport of a device viewport on a target.
    static GpuGlViewport GlViewport(const GpuViewport& viewport, const GpuDrawTarget& target);
    // The key the state gives (visible for tests of the key rules).
    static GpuShaderKey MakeKey(const GpuStateBlock& state, const GpuVertexLayout& layout,
                                GpuBaseTexture* const* textures);

    // False for render states that drawing ignores; states whose effect
    // cannot show on these targets count as honoured.
    static bool HonoursRenderState(uint32_t renderState);

    GpuShaderCache& Shaders() { return shaders; }
    // Uniform uploads since the last ResetCount.
    uint64_t UniformUploads() const { return uniformUploads; }
    void ResetCount() { uniformUploads = 0; }

private:
    void LoadUniforms(GpuProgram& program, const GpuShaderKey& key, const GpuStateBlock& state,
                      const GpuDrawTarget& target);
    void LoadLights(GpuProgram& program, const GpuStateBlock& state);
    // True (and counted as an upload) when a uniform the program uses is to
    // get values other than those it has; they are noted as its values.
    bool Changed(GpuProgram& program, GpuUniformValues::Group group, int location, const float* values, uint32_t count);
    void BindTextures(const GpuShaderKey& key, const GpuStateBlock& state, GpuBaseTexture* const* textures);
    void SetFixedState(const GpuStateBlock& state, const GpuDrawTarget& target);
    static void SetStencil(const uint32_t* renderStates, const GpuDrawTarget& target, GpuFixedState& fixed);
    void SetVertexArrays(const GpuVertexLayout& layout, uint32_t vertexBuffer, uintptr_t vertexOffset, uint32_t stride);

    GpuGlContext& context;
    GpuGlState& gl;
    GpuShaderCache shaders;
    uint64_t uniformUploads = 0;
};

} // namespace backend

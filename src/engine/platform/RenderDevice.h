#pragma once
// The one rendering device of the program: creation, the saved-state slots,
// the vertex-format and texture caches that renderers compare before setting,
// and the primitive counter.

#include "backend/gpu/GpuTypes.h"

#include <cstdint>

namespace backend {
class GpuSystem;
class GpuDevice;
class GpuBaseTexture;
class GpuVertexBuffer;
struct NativeWindow;
} // namespace backend

class RenderDevice {
public:
    bool Init();
    bool CreateDevice(backend::NativeWindow* window, backend::GpuDisplayMode mode, uint32_t deviceType,
                      uint32_t behaviorFlags, bool autoDepthStencil, uint32_t depthStencilFormat,
                      uint32_t backBufferCount, bool windowed);
    // Forgets the cached vertex format and textures, so the next ones reach the device.
    void ResetStateCache();
    // Orthographic projection over width x height, identity world and view, no depth test, no lighting.
    void Begin2D(float width, float height);

    // One saved slot per state, not a stack.
    bool SaveRenderState(uint32_t state);
    bool ChangeRenderState(uint32_t state, uint32_t value);
    bool RevertRenderState(uint32_t state);
    bool SaveTextureStageState(uint32_t stage, uint32_t type);
    bool ChangeTextureStageState(uint32_t stage, uint32_t type, uint32_t value);
    bool RevertTextureStageState(uint32_t stage, uint32_t type);

    void ApplyGammaRamp();
    void Shutdown();

    // Plain device calls; DrawPrimitive counts the primitives it drew and
    // SetTexture goes through the per-stage cache.
    bool SetRenderState(uint32_t state, uint32_t value);
    bool SetTextureStageState(uint32_t stage, uint32_t type, uint32_t value);
    bool DrawPrimitive(uint32_t type, uint32_t startVertex, uint32_t count);
    bool SetStreamSource(uint32_t stream, backend::GpuVertexBuffer* buffer, uint32_t stride);
    bool SetTexture(uint32_t stage, backend::GpuBaseTexture* texture);

    backend::GpuSystem* direct3D = nullptr;
    backend::GpuDevice* device = nullptr;
    backend::GpuSurfaceDesc backBufferDesc;
    backend::GpuPresentParameters presentParameters;
    backend::GpuCaps caps;
    bool canSetGamma = false;
    uint32_t savedRenderStates[backend::GPU_RENDER_STATE_COUNT] = {};
    uint32_t savedTextureStageStates[backend::GPU_STAGE_COUNT][backend::GPU_STAGE_STATE_COUNT] = {};
    uint32_t currentVertexShader = 0xFFFFFFFFu;
    backend::GpuBaseTexture* currentTexture[backend::GPU_STAGE_COUNT] = {};
    uint32_t primitiveCount = 0;
    uint32_t calibrateGamma = 0;
    backend::GpuGammaRamp gammaRamp;
};

extern RenderDevice g_RenderDevice;

#pragma once
// The rendering device: a fixed-function pipeline with render states,
// texture-stage states, transforms, lights and a material, drawn on an
// OpenGL 2.1 context by shaders generated from the state.
//
// State set here is kept in a shadow block that Get* calls read; GL is only
// touched when something is drawn, cleared or presented. Objects bound to the
// device (textures, streams, indices, render target) hold a reference until
// they are replaced or the device is reset.

#include "backend/gpu/GpuRefCounted.h"
#include "backend/gpu/GpuTypes.h"

#include <atomic>
#include <memory>
#include <set>
#include <unordered_map>
#include <vector>

union SDL_Event;

namespace backend {

class GpuSystem;
class GpuResource;
class GpuBaseTexture;
class GpuTexture;
class GpuCubeTexture;
class GpuSurface;
class GpuVertexBuffer;
class GpuIndexBuffer;
class GpuGlContext;
class GpuStateBlock;
class GpuPipeline;
struct GpuDrawTarget;

// Calls a test can make fail once (the next call of that kind fails).
enum class GpuDeviceFault { CreateResource, Reset, Present, GetDeviceCaps };

// Counts of calls that reached the device since the last ResetStats.
struct GpuDeviceStats {
    uint64_t drawCalls = 0;
    uint64_t primitives = 0;
    uint64_t setTextureCalls = 0;
    uint64_t setVertexShaderCalls = 0;
    uint64_t setRenderStateCalls = 0;
    uint64_t setTextureStageStateCalls = 0;
    uint64_t setStreamSourceCalls = 0;
    uint64_t setGammaRampCalls = 0;
    uint64_t presents = 0;
    uint64_t resets = 0;
    uint64_t glCalls = 0;        // calls the device made to GL
    uint64_t uniformUploads = 0; // of them, uniform uploads
    uint32_t lastGammaFlags = 0;
};

class GpuDevice : public GpuRefCounted {
public:
    // --- Device status, reset and presentation.
    // GPU_OK, GPUERR_DEVICELOST (skip the frame) or GPUERR_DEVICENOTRESET
    // (release default-pool objects, then Reset).
    GpuResult TestCooperativeLevel();
    // Fails while any default-pool object or a reference to the back buffer
    // or depth surface is alive. Afterwards every state is back at its
    // default and all bindings are dropped.
    GpuResult Reset(GpuPresentParameters* presentParameters);
    GpuResult Present(const GpuRect* sourceRect = nullptr, const GpuRect* destRect = nullptr,
                      NativeWindow* overrideWindow = nullptr, const void* dirtyRegion = nullptr);
    GpuResult BeginScene();
    GpuResult EndScene();
    // Clears the viewport (or the given rectangles within it) whatever the
    // write masks are.
    GpuResult Clear(uint32_t rectCount, const GpuRect* rects, uint32_t flags, GpuColor color, float z,
                    uint32_t stencil);

    GpuResult GetDeviceCaps(GpuCaps* caps);
    GpuResult GetDisplayMode(GpuDisplayMode* mode);
    GpuResult GetDirect3D(GpuSystem** creator);
    GpuResult SetGammaRamp(uint32_t flags, const GpuGammaRamp* ramp);
    void GetGammaRamp(GpuGammaRamp* ramp) const;

    // --- States.
    GpuResult SetRenderState(uint32_t renderState, uint32_t value);
    GpuResult GetRenderState(uint32_t renderState, uint32_t* value) const;
    GpuResult SetTextureStageState(uint32_t stage, uint32_t type, uint32_t value);
    GpuResult GetTextureStageState(uint32_t stage, uint32_t type, uint32_t* value) const;
    GpuResult SetTransform(uint32_t type, const Matrix* matrix);
    GpuResult GetTransform(uint32_t type, Matrix* matrix) const;
    GpuResult SetViewport(const GpuViewport* viewport);
    GpuResult GetViewport(GpuViewport* viewport) const;
    GpuResult SetLight(uint32_t index, const GpuLight* light);
    GpuResult GetLight(uint32_t index, GpuLight* light) const;
    GpuResult LightEnable(uint32_t index, bool enable);
    GpuResult GetLightEnable(uint32_t index, bool* enable) const;
    GpuResult SetMaterial(const GpuMaterial* material);
    GpuResult GetMaterial(GpuMaterial* material) const;

    // --- Bindings (each holds a reference to the bound object).
    GpuResult SetTexture(uint32_t stage, GpuBaseTexture* texture);
    // A new reference to the bound texture, or null.
    GpuResult GetTexture(uint32_t stage, GpuBaseTexture** texture);
    // The flexible vertex format of the following draws.
    GpuResult SetVertexShader(uint32_t vertexFormat);
    GpuResult GetVertexShader(uint32_t* vertexFormat) const;
    GpuResult SetStreamSource(uint32_t streamNumber, GpuVertexBuffer* buffer, uint32_t stride);
    GpuResult GetStreamSource(uint32_t streamNumber, GpuVertexBuffer** buffer, uint32_t* stride);
    GpuResult SetIndices(GpuIndexBuffer* buffer, uint32_t baseVertex);
    GpuResult GetIndices(GpuIndexBuffer** buffer, uint32_t* baseVertex);
    // Draws into a texture level (or the back buffer); a null depth surface
    // draws without depth buffer. Also resets the viewport to the target.
    GpuResult SetRenderTarget(GpuSurface* target, GpuSurface* depthSurface);
    GpuResult GetRenderTarget(GpuSurface** target);
    GpuResult GetDepthStencilSurface(GpuSurface** surface);
    GpuResult GetBackBuffer(uint32_t index, GpuBackBufferType type, GpuSurface** surface);
    // True when draws into the current target have a stencil buffer: the back
    // buffer with a depth surface of a format with stencil bits. Texture
    // targets count as without (one larger than the back buffer has none).
    bool TargetHasStencil() const;

    // --- Drawing. Zero primitives draw nothing and succeed.
    GpuResult DrawPrimitive(GpuPrimitiveType type, uint32_t startVertex, uint32_t primitiveCount);
    GpuResult DrawIndexedPrimitive(GpuPrimitiveType type, uint32_t minIndex, uint32_t vertexCount, uint32_t startIndex,
                                   uint32_t primitiveCount);
    // Draws vertices from memory; stream 0 is unbound afterwards.
    GpuResult DrawPrimitiveUP(GpuPrimitiveType type, uint32_t primitiveCount, const void* vertices, uint32_t stride);

    // --- Resources. levels 0 asks for a full mip chain.
    GpuResult CreateTexture(uint32_t width, uint32_t height, uint32_t levels, uint32_t usage, GpuFormat format,
                            GpuPool pool, GpuTexture** texture);
    GpuResult CreateCubeTexture(uint32_t edgeLength, uint32_t levels, uint32_t usage, GpuFormat format, GpuPool pool,
                                GpuCubeTexture** texture);
    GpuResult CreateVertexBuffer(uint32_t length, uint32_t usage, uint32_t vertexFormat, GpuPool pool,
                                 GpuVertexBuffer** buffer);
    GpuResult CreateIndexBuffer(uint32_t length, uint32_t usage, GpuFormat format, GpuPool pool,
                                GpuIndexBuffer** buffer);
    // A lockable surface in memory.
    GpuResult CreateImageSurface(uint32_t width, uint32_t height, GpuFormat format, GpuSurface** surface);

    // Deletes the programs generated for the states drawn so far, and with
    // them the driver's compiled code; the next draw of a state builds its
    // program again. For the end of a scene whose states the next may not use.
    void ReleaseGeneratedPrograms();
    // Programs generated and not released (for tests).
    size_t GetGeneratedProgramCount() const;

    // --- Introspection and fault injection for tests.
    const GpuDeviceStats& GetStats() const { return stats; }
    void ResetStats();
    uint32_t GetLiveResourceCount() const { return uint32_t(resources.size()); }
    // Live objects that make Reset fail (default pool, extra references to the
    // back buffer or depth surface).
    uint32_t GetLiveDefaultPoolCount() const;
    // The pixels of a surface as ARGB, top row first; null reads the current
    // render target.
    GpuResult ReadPixels(GpuSurface* surface, std::vector<GpuColor>& pixels, uint32_t* width = nullptr,
                         uint32_t* height = nullptr);
    void FailNext(GpuDeviceFault fault);
    // Refused formats make texture creation fail with GPUERR_NOTAVAILABLE.
    void RefuseFormat(GpuFormat format, bool refuse = true);
    bool IsFormatRefused(GpuFormat format) const { return refusedFormats.count(format) != 0; }
    // The next `lostCalls` TestCooperativeLevel calls report the device lost,
    // then it reports "not reset" until Reset.
    void ForceDeviceLoss(uint32_t lostCalls = 1);
    const GpuPresentParameters& GetPresentParameters() const { return parameters; }

    // --- Used by the device's own objects.
    void RegisterResource(GpuResource* resource);
    void UnregisterResource(GpuResource* resource);
    // Makes the device's GL context current (there is one per device).
    void MakeCurrent();
    // The GL context, which resources bind and delete their objects through.
    GpuGlContext* GlContext() { return context.get(); }

private:
    friend class GpuSystem;
    GpuDevice(GpuSystem* creator, NativeWindow* nativeWindow);
    ~GpuDevice() override;
    GpuResult Initialise(GpuPresentParameters* presentParameters);
    GpuResult CheckPresentParameters(const GpuPresentParameters& pp) const;
    GpuResult ApplyPresentParameters(GpuPresentParameters* pp);
    bool TakeFault(GpuDeviceFault fault);
    void DropBindings();
    void ReleaseDeviceSurfaces();
    GpuResult CheckCreate(uint32_t usage, GpuFormat format, GpuPool pool) const;
    // The tail of CreateVertexBuffer and CreateIndexBuffer: the size and fault
    // checks, then a buffer of `length` bytes made with `args` and allocated.
    template <class Buffer, class... Args> GpuResult CreateBuffer(uint32_t length, Buffer** buffer, Args... args);
    GpuResult Draw(GpuPrimitiveType type, uint32_t firstVertex, uint32_t primitiveCount, bool indexed,
                   uint32_t startIndex, const void* userVertices, uint32_t userStride);
    GpuDrawTarget BindTarget();
    // The GL call counts into the stats.
    void SyncCounts();
    // References the device itself holds, per object (bindings, own surfaces).
    std::unordered_map<const GpuResource*, uint32_t> DeviceHeldReferences() const;
    void UpdateLossState();
    // Logs `line` the first time `what` is asked for on this device.
    void ReportUnsupported(uint32_t what, const char* line);
    static int WatchWindowEvents(void* device, SDL_Event* event);

    enum class Status { Ok, Lost, NotReset };

    GpuSystem* system; // referenced
    NativeWindow* window;
    GpuPresentParameters parameters;
    std::unique_ptr<GpuGlContext> context;
    std::unique_ptr<GpuStateBlock> state;
    std::unique_ptr<GpuPipeline> pipeline;

    GpuSurface* backBuffer = nullptr;
    GpuSurface* depthStencil = nullptr;
    GpuSurface* renderTarget = nullptr; // referenced
    GpuSurface* depthTarget = nullptr;  // referenced, may be null
    GpuBaseTexture* textures[GPU_STAGE_COUNT] = {};
    GpuVertexBuffer* stream = nullptr;
    uint32_t streamStride = 0;
    GpuIndexBuffer* indices = nullptr;
    uint32_t baseVertexIndex = 0;
    uint32_t fvf = 0;

    GpuGammaRamp gammaRamp;
    GpuDeviceStats stats;
    std::set<GpuResource*> resources;
    std::set<uint32_t> refusedFormats;
    std::set<uint32_t> reportedUnsupported;
    uint32_t pendingFaults = 0;
    uint32_t forcedLostCalls = 0;
    Status status = Status::Ok;
    bool inScene = false;
    std::atomic<bool> windowMinimised = false; // from the window's events, on the thread that queues them
    std::atomic<bool> windowFocusLost = false;
    bool windowAway = false; // full-screen window minimised or without focus
    bool watchingEvents = false;
};

} // namespace backend

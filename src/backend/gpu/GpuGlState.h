#pragma once
// What the device has last set in its GL context, so that a draw sends the
// driver only what differs. Every binding and fixed state the device uses
// goes through here; a value is "unknown" until it is first set, and Forget
// makes everything unknown again (a new back buffer, a present, or GL state
// changed by anyone else). Objects the device deletes are forgotten wherever
// they are bound, since GL unbinds them and may hand their names out again.

#include <cstdint>

namespace backend {

// A vertex attribute array as given to glVertexAttribPointer.
struct GpuAttribPointer {
    uint32_t buffer = 0;
    int32_t size = 0;
    uint32_t type = 0;
    bool normalised = false;
    uint32_t stride = 0;
    uintptr_t offset = 0;
    bool operator==(const GpuAttribPointer&) const = default;
};

// Blending, depth, culling and the other per-draw switches, as GL values.
struct GpuFixedState {
    bool depthTest = false;
    uint32_t depthFunc = 0;
    bool depthWrite = false;
    bool blend = false;
    uint32_t blendSource = 0, blendDest = 0;
    bool cull = false;
    uint32_t frontFace = 0;
    uint32_t polygonMode = 0;
    uint32_t colorMask = 0; // bit 0 red .. bit 3 alpha
    float pointSize = 1.0f;
    bool stencilTest = false;
    uint32_t stencilFunc = 0, stencilRef = 0, stencilReadMask = 0, stencilWriteMask = 0;
    uint32_t stencilFail = 0, stencilDepthFail = 0, stencilPass = 0;
    bool operator==(const GpuFixedState&) const = default;
};

struct GpuGlViewport {
    int32_t x = 0, y = 0, width = 0, height = 0;
    float minZ = 0.0f, maxZ = 1.0f;
    bool operator==(const GpuGlViewport&) const = default;
};

class GpuGlState {
public:
    static constexpr uint32_t UNITS = 8;
    static constexpr uint32_t ATTRIBUTES = 12;

    GpuGlState() { Forget(); }

    void Forget();
    // GL deleted these objects: whatever held them now holds nothing.
    void ForgetTexture(uint32_t name);
    void ForgetBuffer(uint32_t name);

    void UseProgram(uint32_t program);
    void BindFramebuffer(uint32_t framebuffer);
    // Binds on a unit (making it the active one only when a bind is needed).
    void BindTexture(uint32_t unit, uint32_t target, uint32_t name);
    // Makes a unit the active one (for settings of the texture bound there).
    void SelectUnit(uint32_t unit);
    // Binds on the unit that is active, for uploads and sampler settings.
    void BindTextureForEdit(uint32_t target, uint32_t name);
    // target is GL_ARRAY_BUFFER or GL_ELEMENT_ARRAY_BUFFER.
    void BindBuffer(uint32_t target, uint32_t name);
    void SetAttribPointer(uint32_t slot, const GpuAttribPointer& pointer);
    void EnableAttributes(uint32_t mask);
    void SetFixed(const GpuFixedState& fixed);
    void SetViewport(const GpuGlViewport& viewport);
    void SetScissorTest(bool enable);
    // Colour, depth and stencil writes all on, as a clear needs them.
    void EnableAllWrites();

    // GL calls sent through here since the last ResetCount.
    uint64_t Calls() const { return calls; }
    // Counts calls made beside this shadow (uniforms, draws, uploads).
    void Count(uint32_t made = 1) { calls += made; }
    void ResetCount() { calls = 0; }

private:
    void SetColorMask(uint32_t mask);
    void SetDepthWrite(bool write);
    void SetStencilWriteMask(uint32_t mask);
    static constexpr uint32_t UNKNOWN = 0xFFFFFFFFu;

    uint32_t program = UNKNOWN;
    uint32_t framebuffer = UNKNOWN;
    uint32_t activeUnit = UNKNOWN;
    uint32_t flatTexture[UNITS] = {};
    uint32_t cubeTexture[UNITS] = {};
    uint32_t arrayBuffer = UNKNOWN;
    uint32_t elementBuffer = UNKNOWN;
    GpuAttribPointer attributes[ATTRIBUTES] = {};
    bool attributeKnown[ATTRIBUTES] = {};
    uint32_t enabledAttributes = 0;
    bool enabledKnown = false;
    GpuFixedState fixed;
    bool fixedKnown = false;
    GpuGlViewport viewport;
    bool viewportKnown = false;
    uint32_t scissorTest = UNKNOWN;
    uint64_t calls = 0;
};

} // namespace backend

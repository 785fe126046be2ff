#pragma once
// The GL context of a device and the GL objects that belong to the device
// rather than to a resource: the back buffer (a colour and a depth-stencil
// renderbuffer in a framebuffer, shown by Present, or the window's own back
// buffer when it has the same size), the framebuffer that texture targets are
// attached to, the 1x1 white texture that stands in for a missing texture, a
// scratch buffer for vertices drawn from memory, and the shadow of the GL
// state set on the context.

#include "backend/gpu/GpuGlState.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct SDL_Window;

namespace backend {

class GpuGlContext {
public:
    // Null (with a reason) when the window has no GL support or GL 2.1 with
    // framebuffer objects is missing.
    static std::unique_ptr<GpuGlContext> Create(SDL_Window* sdlWindow, std::string& error);
    ~GpuGlContext();
    GpuGlContext(const GpuGlContext&) = delete;
    GpuGlContext& operator=(const GpuGlContext&) = delete;

    void MakeCurrent();
    // The back buffer is the window's own when the window has this size and
    // its buffers hold what the device's would (alpha only when asked for).
    bool ResizeBackBuffer(uint32_t newWidth, uint32_t newHeight, bool withAlpha);
    uint32_t BackBufferWidth() const { return width; }
    uint32_t BackBufferHeight() const { return height; }
    bool DrawsToWindow() const { return drawsToWindow; }

    // Draw into the back buffer. A target drawn without depth buffer keeps
    // it attached; drawing switches the depth test and writes off instead.
    void BindBackBuffer();
    // Draw into a level of a texture (imageTarget is GL_TEXTURE_2D or a cube
    // face); false when GL refuses the attachment. The depth buffer stays
    // attached unless the level is larger than it.
    bool BindTextureTarget(uint32_t texture, uint32_t imageTarget, uint32_t level, uint32_t levelWidth,
                           uint32_t levelHeight);
    // GL deletes a texture or buffer of a resource; nothing keeps its name.
    void DeleteTexture(uint32_t name);
    void DeleteBuffer(uint32_t name);
    // Shows the back buffer in the window (a copy scaled to the window when it
    // is not the window's own) and swaps, then waits until the frame before
    // is drawn: one frame is drawn while the next is built, never more (a
    // swap need not wait for anything). GL state is unknown afterwards.
    void Present();
    // The fence after the frame presented last (a GLsync; null without
    // fences): the only one the context keeps.
    void* FrameFence() const { return previousFrame; }
    // Reads a rectangle of the bound target as B,G,R,A, GL's row order.
    void ReadBgra(uint32_t areaWidth, uint32_t areaHeight, std::vector<uint8_t>& out);

    uint32_t WhiteTexture() const { return whiteTexture; }
    uint32_t ScratchBuffer() const { return scratchBuffer; }
    uint32_t MaxTextureSize() const { return maxTextureSize; }
    uint32_t MaxAnisotropy() const { return maxAnisotropy; }
    SDL_Window* Window() const { return window; }
    GpuGlState& State() { return state; }

private:
    GpuGlContext() = default;
    bool Initialise(std::string& error);
    bool WindowMatches(uint32_t wantWidth, uint32_t wantHeight, bool withAlpha);
    void WaitForPreviousFrame();
    bool AttachBackBuffer(uint32_t newWidth, uint32_t newHeight);
    void ClearBackBuffer();

    SDL_Window* window = nullptr;
    void* context = nullptr;
    uint32_t width = 0, height = 0;
    uint32_t backFramebuffer = 0;
    uint32_t colorBuffer = 0;
    uint32_t depthBuffer = 0;
    uint32_t targetFramebuffer = 0;
    uint32_t whiteTexture = 0;
    uint32_t scratchBuffer = 0;
    uint32_t maxTextureSize = 2048;
    uint32_t maxAnisotropy = 1;
    bool drawsToWindow = false;
    bool hasFences = false;
    void* previousFrame = nullptr; // the fence after the frame presented last
    // What is attached to the texture framebuffer.
    uint32_t targetTexture = 0, targetImage = 0, targetLevel = 0;
    bool targetDepth = false;
    bool targetComplete = false;
    GpuGlState state;
};

} // namespace backend

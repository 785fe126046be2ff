#pragma once
// The GL context of a device and the GL objects that belong to the device
// rather than to a resource: the back buffer (a colour and a depth-stencil
// renderbuffer in a framebuffer, shown by Present), the framebuffer that
// texture targets are attached to, the 1x1 white texture that stands in for
// a missing texture, and a scratch buffer for vertices drawn from memory.

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
    bool ResizeBackBuffer(uint32_t newWidth, uint32_t newHeight);
    uint32_t BackBufferWidth() const { return width; }
    uint32_t BackBufferHeight() const { return height; }

    // Draw into the back buffer, with or without its depth-stencil buffer.
    void BindBackBuffer(bool withDepth);
    // Draw into a level of a texture (imageTarget is GL_TEXTURE_2D or a cube
    // face); false when GL refuses the attachment.
    bool BindTextureTarget(uint32_t texture, uint32_t imageTarget, uint32_t level, bool withDepth);
    // Copies the back buffer to the window (scaled to its size) and swaps.
    void Present();
    // Reads a rectangle of the bound target as B,G,R,A, GL's row order.
    void ReadBgra(uint32_t areaWidth, uint32_t areaHeight, std::vector<uint8_t>& out);

    uint32_t WhiteTexture() const { return whiteTexture; }
    uint32_t ScratchBuffer() const { return scratchBuffer; }
    uint32_t MaxTextureSize() const { return maxTextureSize; }
    uint32_t MaxAnisotropy() const { return maxAnisotropy; }
    SDL_Window* Window() const { return window; }

private:
    GpuGlContext() = default;
    bool Initialise(std::string& error);

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
};

} // namespace backend

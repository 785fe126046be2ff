#include "backend/gpu/GpuGlContext.h"

#include "backend/gpu/GlHeaders.h"
#include "backend/gpu/GpuDriverTimer.h"

#include <SDL.h>

#include <cstring>

namespace backend {

std::unique_ptr<GpuGlContext> GpuGlContext::Create(SDL_Window* sdlWindow, std::string& error)
{
    if (!sdlWindow) {
        error = "no window";
        return nullptr;
    }
    if (!(SDL_GetWindowFlags(sdlWindow) & SDL_WINDOW_OPENGL)) {
        error = "the window was not created for OpenGL";
        return nullptr;
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, 0);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    std::unique_ptr<GpuGlContext> made(new GpuGlContext());
    made->window = sdlWindow;
    made->context = SDL_GL_CreateContext(sdlWindow);
    if (!made->context) {
        error = std::string("cannot create a GL context: ") + SDL_GetError();
        return nullptr;
    }
    if (!made->Initialise(error))
        return nullptr;
    return made;
}

bool GpuGlContext::Initialise(std::string& error)
{
    MakeCurrent();
    SDL_GL_SetSwapInterval(0);
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    if (!version || version[0] < '2') {
        error = "OpenGL 2.1 is needed";
        return false;
    }
    bool hasFramebuffers = version[0] >= '3' || (extensions && std::strstr(extensions, "GL_ARB_framebuffer_object"));
    if (!hasFramebuffers) {
        error = "framebuffer objects are needed";
        return false;
    }
    hasFences = version[0] >= '4' || std::strncmp(version, "3.2", 3) >= 0 ||
                (extensions && std::strstr(extensions, "GL_ARB_sync"));
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    maxTextureSize = maxSize > 0 ? uint32_t(maxSize) : 2048;
    if (extensions && std::strstr(extensions, "GL_EXT_texture_filter_anisotropic")) {
        GLfloat reportedAnisotropy = 1.0f;
        glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &reportedAnisotropy);
        maxAnisotropy = reportedAnisotropy >= 1.0f ? uint32_t(reportedAnisotropy) : 1;
    }

    GLuint names[2] = {};
    glGenFramebuffers(2, names);
    backFramebuffer = names[0];
    targetFramebuffer = names[1];
    glGenRenderbuffers(2, names);
    colorBuffer = names[0];
    depthBuffer = names[1];

    GLuint white = 0;
    glGenTextures(1, &white);
    whiteTexture = white;
    const uint8_t texel[4] = {255, 255, 255, 255};
    glBindTexture(GL_TEXTURE_2D, white);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, texel);

    GLuint scratch = 0;
    glGenBuffers(1, &scratch);
    scratchBuffer = scratch;
    return true;
}

GpuGlContext::~GpuGlContext()
{
    if (!context)
        return;
    MakeCurrent();
    if (previousFrame)
        glDeleteSync(static_cast<GLsync>(previousFrame));
    GLuint framebuffers[2] = {backFramebuffer, targetFramebuffer};
    glDeleteFramebuffers(2, framebuffers);
    GLuint renderbuffers[2] = {colorBuffer, depthBuffer};
    glDeleteRenderbuffers(2, renderbuffers);
    GLuint texture = whiteTexture;
    glDeleteTextures(1, &texture);
    GLuint buffer = scratchBuffer;
    glDeleteBuffers(1, &buffer);
    SDL_GL_MakeCurrent(window, nullptr);
    SDL_GL_DeleteContext(static_cast<SDL_GLContext>(context));
}

void GpuGlContext::MakeCurrent()
{
    if (SDL_GL_GetCurrentContext() != context)
        SDL_GL_MakeCurrent(window, static_cast<SDL_GLContext>(context));
}

bool GpuGlContext::ResizeBackBuffer(uint32_t newWidth, uint32_t newHeight, bool withAlpha)
{
    MakeCurrent();
    if (newWidth == 0 || newHeight == 0 || newWidth > maxTextureSize || newHeight > maxTextureSize)
        return false;
    state.Forget();
    glGetError();
    if (!AttachBackBuffer(newWidth, newHeight))
        return false;
    width = newWidth;
    height = newHeight;
    drawsToWindow = WindowMatches(newWidth, newHeight, withAlpha);
    ClearBackBuffer();
    return true;
}

bool GpuGlContext::AttachBackBuffer(uint32_t newWidth, uint32_t newHeight)
{
    glBindRenderbuffer(GL_RENDERBUFFER, colorBuffer);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, GLsizei(newWidth), GLsizei(newHeight));
    glBindRenderbuffer(GL_RENDERBUFFER, depthBuffer);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, GLsizei(newWidth), GLsizei(newHeight));
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    // Texture targets get the colour attachment when they are drawn into.
    state.BindFramebuffer(targetFramebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, 0, 0);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, depthBuffer);
    targetTexture = targetImage = targetLevel = 0;
    targetDepth = true;
    targetComplete = false;
    state.BindFramebuffer(backFramebuffer);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colorBuffer);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, depthBuffer);
    bool complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    return glGetError() == GL_NO_ERROR && complete;
}

// The window's buffers serve as the back buffer when they have its size, a
// depth-stencil buffer as deep as the device's and, if asked, alpha.
bool GpuGlContext::WindowMatches(uint32_t wantWidth, uint32_t wantHeight, bool withAlpha)
{
    int windowWidth = 0, windowHeight = 0;
    SDL_GL_GetDrawableSize(window, &windowWidth, &windowHeight);
    if (uint32_t(windowWidth) != wantWidth || uint32_t(windowHeight) != wantHeight)
        return false;
    state.BindFramebuffer(0);
    GLint red = 0, green = 0, blue = 0, alpha = 0, depth = 0, stencil = 0;
    glGetIntegerv(GL_RED_BITS, &red);
    glGetIntegerv(GL_GREEN_BITS, &green);
    glGetIntegerv(GL_BLUE_BITS, &blue);
    glGetIntegerv(GL_ALPHA_BITS, &alpha);
    glGetIntegerv(GL_DEPTH_BITS, &depth);
    glGetIntegerv(GL_STENCIL_BITS, &stencil);
    return red == 8 && green == 8 && blue == 8 && (!withAlpha || alpha == 8) && depth == 24 && stencil == 8 &&
           glGetError() == GL_NO_ERROR;
}

// A new back buffer starts black with the depth at the far plane.
void GpuGlContext::ClearBackBuffer()
{
    BindBackBuffer();
    state.SetScissorTest(false);
    state.EnableAllWrites();
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClearDepth(1.0);
    glClearStencil(0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
}

void GpuGlContext::BindBackBuffer()
{
    state.BindFramebuffer(drawsToWindow ? 0 : backFramebuffer);
}

bool GpuGlContext::BindTextureTarget(uint32_t texture, uint32_t imageTarget, uint32_t level, uint32_t levelWidth,
                                     uint32_t levelHeight)
{
    state.BindFramebuffer(targetFramebuffer);
    bool depth = levelWidth <= width && levelHeight <= height;
    if (texture == targetTexture && imageTarget == targetImage && level == targetLevel && depth == targetDepth)
        return targetComplete;
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, imageTarget, texture, GLint(level));
    state.Count(2);
    if (depth != targetDepth) {
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER,
                                  depth ? depthBuffer : 0);
        state.Count();
    }
    targetTexture = texture;
    targetImage = imageTarget;
    targetLevel = level;
    targetDepth = depth;
    targetComplete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    return targetComplete;
}

void GpuGlContext::DeleteTexture(uint32_t name)
{
    MakeCurrent();
    GLuint texture = name;
    glDeleteTextures(1, &texture);
    state.ForgetTexture(name);
    // An attachment outlives the name unless its framebuffer was bound; drop it either way.
    if (targetTexture == name) {
        state.BindFramebuffer(targetFramebuffer);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, 0, 0);
        targetTexture = targetImage = targetLevel = 0;
        targetComplete = false;
    }
}

void GpuGlContext::DeleteBuffer(uint32_t name)
{
    MakeCurrent();
    GLuint buffer = name;
    glDeleteBuffers(1, &buffer);
    state.ForgetBuffer(name);
}

void GpuGlContext::Present()
{
    GpuDriverTimer timer;
    MakeCurrent();
    int windowWidth = 0, windowHeight = 0;
    SDL_GL_GetDrawableSize(window, &windowWidth, &windowHeight);
    bool sameSize = uint32_t(windowWidth) == width && uint32_t(windowHeight) == height;
    if (!drawsToWindow) {
        glBindFramebuffer(GL_READ_FRAMEBUFFER, backFramebuffer);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
        glDisable(GL_SCISSOR_TEST);
        glBlitFramebuffer(0, 0, GLint(width), GLint(height), 0, 0, windowWidth, windowHeight, GL_COLOR_BUFFER_BIT,
                          sameSize ? GL_NEAREST : GL_LINEAR);
    } else if (!sameSize) {
        // The window changed size under a picture drawn into it: the next ones are drawn apart and scaled.
        drawsToWindow = false;
    }
    // A swap need not flush (an offscreen surface's does not): the frame is sent on its way here.
    glFlush();
    SDL_GL_SwapWindow(window);
    WaitForPreviousFrame();
    state.Forget();
}

void GpuGlContext::WaitForPreviousFrame()
{
    if (!hasFences)
        return;
    constexpr GLuint64 WAIT_LIMIT_NS = 2'000'000'000; // a hung driver does not hang the game
    GLsync thisFrame = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
    if (previousFrame) {
        GLsync previous = static_cast<GLsync>(previousFrame);
        glClientWaitSync(previous, GL_SYNC_FLUSH_COMMANDS_BIT, WAIT_LIMIT_NS);
        glDeleteSync(previous);
    }
    previousFrame = thisFrame;
}

void GpuGlContext::ReadBgra(uint32_t areaWidth, uint32_t areaHeight, std::vector<uint8_t>& out)
{
    out.assign(size_t(areaWidth) * areaHeight * 4, 0);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, GLsizei(areaWidth), GLsizei(areaHeight), GL_BGRA, GL_UNSIGNED_BYTE, out.data());
}

} // namespace backend

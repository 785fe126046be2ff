// GpuDevice: clearing, drawing and reading pixels back.

#include "backend/gpu/GpuDevice.h"

#include "backend/gpu/GlHeaders.h"
#include "backend/gpu/GpuDriverTimer.h"
#include "backend/gpu/GpuGlContext.h"
#include "backend/gpu/GpuGlState.h"
#include "backend/gpu/GpuIndexBuffer.h"
#include "backend/gpu/GpuPipeline.h"
#include "backend/gpu/GpuPixelFormat.h"
#include "backend/gpu/GpuStateBlock.h"
#include "backend/gpu/GpuSurface.h"
#include "backend/gpu/GpuTexture.h"
#include "backend/gpu/GpuVertexBuffer.h"
#include "backend/gpu/GpuVertexLayout.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>

namespace backend {

namespace {

struct PrimitiveShape {
    GLenum mode;
    uint64_t vertices;
};

bool ShapeOf(GpuPrimitiveType type, uint32_t primitives, PrimitiveShape& shape)
{
    uint64_t n = primitives;
    switch (type) {
    case D3DPT_POINTLIST:
        shape = {GL_POINTS, n};
        return true;
    case D3DPT_LINELIST:
        shape = {GL_LINES, n * 2};
        return true;
    case D3DPT_LINESTRIP:
        shape = {GL_LINE_STRIP, n + 1};
        return true;
    case D3DPT_TRIANGLELIST:
        shape = {GL_TRIANGLES, n * 3};
        return true;
    case D3DPT_TRIANGLESTRIP:
        shape = {GL_TRIANGLE_STRIP, n + 2};
        return true;
    case D3DPT_TRIANGLEFAN:
        shape = {GL_TRIANGLE_FAN, n + 2};
        return true;
    default:
        return false;
    }
}

GLenum FaceTarget(const GpuSurface& surface)
{
    return surface.GetContainer()->IsCube() ? GLenum(GL_TEXTURE_CUBE_MAP_POSITIVE_X + surface.GetFace())
                                            : GLenum(GL_TEXTURE_2D);
}

} // namespace

GpuDrawTarget GpuDevice::BindTarget()
{
    MakeCurrent();
    GpuDrawTarget target;
    GpuSurfaceDesc desc;
    renderTarget->GetDesc(&desc);
    target.width = desc.Width;
    target.height = desc.Height;
    target.hasDepth = depthTarget != nullptr;
    target.hasStencil = TargetHasStencil();
    if (renderTarget == backBuffer) {
        context->BindBackBuffer();
    } else {
        // Texture rows are stored top first, so drawing into one turns the picture over.
        target.flipped = true;
        context->BindTextureTarget(renderTarget->GetContainer()->GlName(), FaceTarget(*renderTarget),
                                   renderTarget->GetLevel(), desc.Width, desc.Height);
    }
    return target;
}

GpuResult GpuDevice::Clear(uint32_t rectCount, const GpuRect* rects, uint32_t flags, GpuColor color, float z,
                           uint32_t stencil)
{
    if ((flags & ~uint32_t(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) || (rectCount && !rects))
        return GPUERR_INVALIDCALL;
    if (status != Status::Ok)
        return GPU_OK;
    GpuDriverTimer timer;
    GpuDrawTarget target = BindTarget();
    GLbitfield mask = 0;
    if (flags & D3DCLEAR_TARGET)
        mask |= GL_COLOR_BUFFER_BIT;
    if (depthTarget && (flags & D3DCLEAR_ZBUFFER))
        mask |= GL_DEPTH_BUFFER_BIT;
    if (depthTarget && (flags & D3DCLEAR_STENCIL))
        mask |= GL_STENCIL_BUFFER_BIT;
    if (mask == 0)
        return GPU_OK;
    // A clear writes whatever the write masks say.
    GpuGlState& gl = context->State();
    gl.EnableAllWrites();
    glClearColor(float((color >> 16) & 0xFF) / 255.0f, float((color >> 8) & 0xFF) / 255.0f,
                 float(color & 0xFF) / 255.0f, float((color >> 24) & 0xFF) / 255.0f);
    glClearDepth(std::clamp(z, 0.0f, 1.0f));
    glClearStencil(GLint(stencil & 0xFF));
    gl.Count(3);
    gl.SetScissorTest(true);
    const GpuViewport& vp = state->viewport;
    GpuRect whole = {int32_t(vp.X), int32_t(vp.Y), int32_t(vp.X + vp.Width), int32_t(vp.Y + vp.Height)};
    uint32_t count = rectCount ? rectCount : 1;
    for (uint32_t i = 0; i < count; ++i) {
        GpuRect r = whole;
        if (rectCount) {
            r.left = std::max(r.left, rects[i].left);
            r.top = std::max(r.top, rects[i].top);
            r.right = std::min(r.right, rects[i].right);
            r.bottom = std::min(r.bottom, rects[i].bottom);
        }
        if (r.right <= r.left || r.bottom <= r.top)
            continue;
        GLint y = target.flipped ? r.top : GLint(target.height) - r.bottom;
        glScissor(r.left, y, r.right - r.left, r.bottom - r.top);
        glClear(mask);
        gl.Count(2);
    }
    SyncCounts();
    return GPU_OK;
}

GpuResult GpuDevice::DrawPrimitive(GpuPrimitiveType type, uint32_t startVertex, uint32_t primitiveCount)
{
    return Draw(type, startVertex, primitiveCount, false, 0, nullptr, 0);
}

GpuResult GpuDevice::DrawIndexedPrimitive(GpuPrimitiveType type, uint32_t, uint32_t, uint32_t startIndex,
                                          uint32_t primitiveCount)
{
    return Draw(type, 0, primitiveCount, true, startIndex, nullptr, 0);
}

GpuResult GpuDevice::DrawPrimitiveUP(GpuPrimitiveType type, uint32_t primitiveCount, const void* vertices,
                                     uint32_t stride)
{
    if (!vertices || stride == 0)
        return GPUERR_INVALIDCALL;
    GpuResult result = Draw(type, 0, primitiveCount, false, 0, vertices, stride);
    SetStreamSource(0, nullptr, 0);
    return result;
}

GpuResult GpuDevice::Draw(GpuPrimitiveType type, uint32_t firstVertex, uint32_t primitiveCount, bool indexed,
                          uint32_t startIndex, const void* userVertices, uint32_t userStride)
{
    PrimitiveShape shape;
    if (!ShapeOf(type, primitiveCount, shape))
        return GPUERR_INVALIDCALL;
    if (primitiveCount == 0 || status != Status::Ok)
        return GPU_OK;
    GpuVertexLayout layout;
    if (!GpuDescribeFvf(fvf, layout))
        return GPUERR_INVALIDCALL;
    uint32_t stride = userVertices ? userStride : streamStride;
    if (stride < layout.stride)
        return GPUERR_INVALIDCALL;

    GpuDriverTimer timer;
    MakeCurrent();
    GpuGlState& gl = context->State();
    uint32_t vertexBuffer = 0;
    uintptr_t vertexOffset = 0;
    if (userVertices) {
        vertexBuffer = context->ScratchBuffer();
        gl.BindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
        glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(shape.vertices * stride), userVertices, GL_STREAM_DRAW);
        gl.Count();
    } else {
        if (!stream)
            return GPUERR_INVALIDCALL;
        uint64_t available = stream->GetSize() / stride;
        if (indexed) {
            // Every index must name a vertex of the stream; GL would read past it.
            if (!indices)
                return GPUERR_INVALIDCALL;
            uint64_t size = indices->IndexSize();
            if ((uint64_t(startIndex) + shape.vertices) * size > indices->GetSize())
                return GPUERR_INVALIDCALL;
            // The whole buffer's largest index usually settles it without a scan of the range.
            uint32_t highest = indices->MaxIndex();
            if (uint64_t(baseVertexIndex) + highest >= available)
                highest = indices->MaxIndex(startIndex, shape.vertices);
            if (uint64_t(baseVertexIndex) + highest >= available)
                return GPUERR_INVALIDCALL;
            vertexOffset = uintptr_t(baseVertexIndex) * stride;
        } else if (uint64_t(firstVertex) + shape.vertices > available) {
            return GPUERR_INVALIDCALL;
        }
        vertexBuffer = stream->GlName();
    }

    GpuDrawTarget target = BindTarget();
    if (!pipeline->Apply(*state, layout, textures, target, vertexBuffer, vertexOffset, stride)) {
        SDL_SetError("%s", pipeline->Shaders().LastError().c_str());
        return GPUERR_INVALIDCALL;
    }
    if (indexed) {
        gl.BindBuffer(GL_ELEMENT_ARRAY_BUFFER, indices->GlName());
        GLenum indexType = indices->IndexSize() == 2 ? GL_UNSIGNED_SHORT : GL_UNSIGNED_INT;
        glDrawElements(shape.mode, GLsizei(shape.vertices), indexType,
                       reinterpret_cast<const void*>(uintptr_t(startIndex) * indices->IndexSize()));
    } else {
        glDrawArrays(shape.mode, GLint(firstVertex), GLsizei(shape.vertices));
    }
    gl.Count();
    ++stats.drawCalls;
    stats.primitives += primitiveCount;
    SyncCounts();
    return GPU_OK;
}

GpuResult GpuDevice::ReadPixels(GpuSurface* surface, std::vector<GpuColor>& pixels, uint32_t* width, uint32_t* height)
{
    if (!surface)
        surface = renderTarget;
    if (!surface || surface->GetDevice() != this)
        return GPUERR_INVALIDCALL;
    GpuSurfaceDesc desc;
    surface->GetDesc(&desc);
    std::vector<uint8_t> bgra;
    bool bottomFirst = false;
    GpuDriverTimer timer;
    MakeCurrent();
    switch (surface->GetKind()) {
    case GpuSurface::Kind::BackBuffer:
        context->BindBackBuffer();
        context->ReadBgra(desc.Width, desc.Height, bgra);
        bottomFirst = true;
        break;
    case GpuSurface::Kind::TextureLevel: {
        GpuBaseTexture* container = surface->GetContainer();
        if (container->IsRenderTarget()) {
            context->BindTextureTarget(container->GlName(), FaceTarget(*surface), surface->GetLevel(), desc.Width,
                                       desc.Height);
            context->ReadBgra(desc.Width, desc.Height, bgra);
        } else {
            container->ReadLevel(surface->GetFace(), surface->GetLevel(), bgra);
        }
        break;
    }
    case GpuSurface::Kind::Image:
        GpuConvertToBgra(desc.Format, desc.Width, desc.Height, surface->bytes.data(), bgra);
        break;
    default:
        return GPUERR_INVALIDCALL;
    }
    bool opaque = !GpuFormatHasAlpha(desc.Format);
    pixels.resize(size_t(desc.Width) * desc.Height);
    for (uint32_t y = 0; y < desc.Height; ++y) {
        uint32_t sourceRow = bottomFirst ? desc.Height - 1 - y : y;
        for (uint32_t x = 0; x < desc.Width; ++x) {
            const uint8_t* p = &bgra[(size_t(sourceRow) * desc.Width + x) * 4];
            GpuColor argb = uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
            pixels[size_t(y) * desc.Width + x] = opaque ? (argb | 0xFF000000u) : argb;
        }
    }
    if (width)
        *width = desc.Width;
    if (height)
        *height = desc.Height;
    return GPU_OK;
}

} // namespace backend

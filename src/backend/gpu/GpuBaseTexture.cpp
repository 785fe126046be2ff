#include "backend/gpu/GpuBaseTexture.h"

#include "backend/gpu/GlHeaders.h"
#include "backend/gpu/GpuDevice.h"
#include "backend/gpu/GpuDriverTimer.h"
#include "backend/gpu/GpuGlContext.h"
#include "backend/gpu/GpuPixelFormat.h"

#include "backend/gpu/TexelCodec.h"

#include <algorithm>
#include <new>

namespace backend {

namespace {

bool IsBlockCompressed(GpuFormat format)
{
    return GpuLevelRows(format, 4) == 1;
}

GLenum ImageTarget(bool cube, uint32_t face)
{
    return cube ? GLenum(GL_TEXTURE_CUBE_MAP_POSITIVE_X + face) : GLenum(GL_TEXTURE_2D);
}

} // namespace

uint32_t GpuFullMipCount(uint32_t width, uint32_t height)
{
    uint32_t levels = 1;
    uint32_t size = std::max(width, height);
    while (size > 1) {
        size >>= 1;
        ++levels;
    }
    return levels;
}

GpuBaseTexture::GpuBaseTexture(GpuDevice* owner, GpuResourceType resourceType, uint32_t width, uint32_t height,
                               uint32_t requestedLevels, uint32_t usageFlags, GpuFormat texelFormat, GpuPool memoryPool)
    : GpuResource(owner, resourceType, memoryPool, usageFlags), format(texelFormat)
{
    uint32_t full = GpuFullMipCount(width, height);
    levelCount = (requestedLevels == 0 || requestedLevels > full) ? full : requestedLevels;
    levels.resize(size_t(FaceCount()) * levelCount);
    for (uint32_t face = 0; face < FaceCount(); ++face) {
        for (uint32_t level = 0; level < levelCount; ++level) {
            GpuTextureLevel& entry = levels[face * levelCount + level];
            entry.width = std::max(1u, width >> level);
            entry.height = std::max(1u, height >> level);
            entry.pitch = GpuLevelPitch(texelFormat, entry.width);
        }
    }
}

GpuBaseTexture::~GpuBaseTexture()
{
    FreeGlObjects();
}

void GpuBaseTexture::FreeGlObjects()
{
    if (glName != 0 && GetDevice() && GetDevice()->GlContext())
        GetDevice()->GlContext()->DeleteTexture(glName);
    glName = 0;
}

bool GpuBaseTexture::Allocate()
{
    GLenum target = IsCube() ? GL_TEXTURE_CUBE_MAP : GL_TEXTURE_2D;
    if (!IsRenderTarget()) {
        try {
            for (GpuTextureLevel& level : levels)
                level.bytes.assign(size_t(level.pitch) * GpuLevelRows(format, level.height), 0);
        } catch (const std::bad_alloc&) {
            return false;
        }
    }
    GLuint name = 0;
    glGenTextures(1, &name);
    if (name == 0)
        return false;
    glName = name;
    GetDevice()->GlContext()->State().BindTextureForEdit(target, name);
    glTexParameteri(target, GL_TEXTURE_BASE_LEVEL, 0);
    glTexParameteri(target, GL_TEXTURE_MAX_LEVEL, GLint(levelCount - 1));
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    for (uint32_t face = 0; face < FaceCount(); ++face) {
        GLenum imageTarget = ImageTarget(IsCube(), face);
        for (uint32_t level = 0; level < levelCount; ++level) {
            const GpuTextureLevel& entry = levels[face * levelCount + level];
            glTexImage2D(imageTarget, GLint(level), GL_RGBA8, GLsizei(entry.width), GLsizei(entry.height), 0, GL_BGRA,
                         GL_UNSIGNED_BYTE, nullptr);
        }
    }
    appliedSampler = GpuSamplerSettings();
    if (glGetError() == GL_OUT_OF_MEMORY)
        return false;
    if (!IsRenderTarget()) {
        for (uint32_t face = 0; face < FaceCount(); ++face)
            for (uint32_t level = 0; level < levelCount; ++level)
                Upload(face, level);
    }
    return true;
}

uint32_t GpuBaseTexture::LevelWidth(uint32_t level) const
{
    return level < levelCount ? levels[level].width : 0;
}

uint32_t GpuBaseTexture::LevelHeight(uint32_t level) const
{
    return level < levelCount ? levels[level].height : 0;
}

GpuTextureLevel* GpuBaseTexture::Level(uint32_t face, uint32_t level)
{
    if (face >= FaceCount() || level >= levelCount)
        return nullptr;
    return &levels[face * levelCount + level];
}

uint32_t GpuBaseTexture::PrepareForDraw()
{
    return glName;
}

void GpuBaseTexture::Upload(uint32_t face, uint32_t level)
{
    GpuTextureLevel* entry = Level(face, level);
    if (!entry || glName == 0 || entry->bytes.empty() || !GetDevice())
        return;
    GpuDriverTimer timer;
    GetDevice()->MakeCurrent();
    std::vector<uint8_t> bgra;
    GpuConvertToBgra(format, entry->width, entry->height, entry->bytes.data(), bgra);
    GLenum target = IsCube() ? GL_TEXTURE_CUBE_MAP : GL_TEXTURE_2D;
    GLenum imageTarget = ImageTarget(IsCube(), face);
    GetDevice()->GlContext()->State().BindTextureForEdit(target, glName);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexSubImage2D(imageTarget, GLint(level), 0, 0, GLsizei(entry->width), GLsizei(entry->height), GL_BGRA,
                    GL_UNSIGNED_BYTE, bgra.data());
    entry->dirty = false;
}

void GpuBaseTexture::LeaveLevelsToGl()
{
    if (IsRenderTarget() || IsBlockCompressed(format) || glName == 0)
        return;
    for (GpuTextureLevel& entry : levels) {
        if (entry.locked || entry.dirty || entry.bytes.empty())
            continue;
        std::vector<uint8_t>().swap(entry.bytes);
        entry.inGlOnly = true;
    }
}

bool GpuBaseTexture::ReadFromGl(uint32_t face, uint32_t level, std::vector<uint8_t>& bgra)
{
    const GpuTextureLevel* entry = Level(face, level);
    if (!entry || glName == 0 || !GetDevice() || !GetDevice()->GlContext())
        return false;
    GpuDriverTimer timer;
    GetDevice()->MakeCurrent();
    GetDevice()->GlContext()->State().BindTextureForEdit(IsCube() ? GL_TEXTURE_CUBE_MAP : GL_TEXTURE_2D, glName);
    bgra.resize(size_t(entry->width) * entry->height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(ImageTarget(IsCube(), face), GLint(level), GL_BGRA, GL_UNSIGNED_BYTE, bgra.data());
    return true;
}

// The copy made again from GL's texels: exact for the formats left to GL.
bool GpuBaseTexture::RestoreCopy(uint32_t face, uint32_t level)
{
    GpuTextureLevel* entry = Level(face, level);
    std::vector<uint8_t> bgra;
    if (!entry || !ReadFromGl(face, level, bgra))
        return false;
    const uint32_t texelBytes = GpuLevelPitch(format, 1);
    entry->bytes.assign(size_t(entry->pitch) * GpuLevelRows(format, entry->height), 0);
    for (uint32_t y = 0; y < entry->height; ++y)
        for (uint32_t x = 0; x < entry->width; ++x)
            PackTexel(format, &bgra[(size_t(y) * entry->width + x) * 4],
                      &entry->bytes[size_t(y) * entry->pitch + size_t(x) * texelBytes]);
    entry->inGlOnly = false;
    return true;
}

void GpuBaseTexture::ReadLevel(uint32_t face, uint32_t level, std::vector<uint8_t>& bgra)
{
    GpuTextureLevel* entry = Level(face, level);
    if (!entry)
        return;
    if (entry->inGlOnly)
        ReadFromGl(face, level, bgra);
    else
        GpuConvertToBgra(format, entry->width, entry->height, entry->bytes.data(), bgra);
}

GpuResult GpuBaseTexture::LockLevel(uint32_t face, uint32_t level, GpuLockedRect* locked, const GpuRect* rect, uint32_t)
{
    GpuTextureLevel* entry = Level(face, level);
    if (entry && entry->inGlOnly && !RestoreCopy(face, level))
        return GPUERR_INVALIDCALL;
    if (!entry || !locked || entry->locked || IsRenderTarget() || entry->bytes.empty())
        return GPUERR_INVALIDCALL;
    uint32_t x = 0, y = 0;
    if (rect) {
        if (rect->left < 0 || rect->top < 0 || rect->right <= rect->left || rect->bottom <= rect->top ||
            uint32_t(rect->right) > entry->width || uint32_t(rect->bottom) > entry->height)
            return GPUERR_INVALIDCALL;
        x = uint32_t(rect->left);
        y = uint32_t(rect->top);
    }
    uint32_t offset;
    if (IsBlockCompressed(format)) { // rectangles start on a block
        if (x % 4 || y % 4)
            return GPUERR_INVALIDCALL;
        offset = (y / 4) * entry->pitch + GpuLevelPitch(format, 4) * (x / 4);
    } else {
        offset = y * entry->pitch + GpuLevelPitch(format, x);
    }
    locked->Pitch = int32_t(entry->pitch);
    locked->pBits = entry->bytes.data() + offset;
    entry->locked = true;
    return GPU_OK;
}

GpuResult GpuBaseTexture::UnlockLevel(uint32_t face, uint32_t level)
{
    GpuTextureLevel* entry = Level(face, level);
    if (!entry || !entry->locked)
        return GPUERR_INVALIDCALL;
    entry->locked = false;
    entry->dirty = true;
    Upload(face, level);
    return GPU_OK;
}

void GpuBaseTexture::DescribeLevel(uint32_t level, GpuSurfaceDesc* desc) const
{
    const GpuTextureLevel& entry = levels[level];
    desc->Format = format;
    desc->Type = D3DRTYPE_SURFACE;
    desc->Usage = GetUsage();
    desc->Pool = GetPool();
    desc->Size = uint32_t(entry.pitch * GpuLevelRows(format, entry.height));
    desc->MultiSampleType = 0;
    desc->Width = entry.width;
    desc->Height = entry.height;
}

} // namespace backend

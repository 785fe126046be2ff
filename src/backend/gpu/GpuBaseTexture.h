#pragma once
// What plain and cube textures share: the levels in their own format (a copy
// in memory that locks read and write, unless the levels were left to GL),
// the GL texture they are uploaded to, and the sampler settings last applied
// to it.

#include "backend/gpu/GpuResource.h"

#include <cstdint>
#include <vector>

namespace backend {

// One mip level of one face, stored in the texture's format.
struct GpuTextureLevel {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t pitch = 0; // bytes per row (per row of 4x4 blocks for DXT)
    std::vector<uint8_t> bytes;
    bool locked = false;
    bool dirty = false;
    bool inGlOnly = false; // no copy: a lock takes the level back from GL
};

// Sampler settings as applied to a GL texture object.
struct GpuSamplerSettings {
    uint32_t minFilter = 0xFFFFFFFF;
    uint32_t magFilter = 0;
    uint32_t mipFilter = 0;
    uint32_t addressU = 0;
    uint32_t addressV = 0;
    uint32_t addressW = 0;
    uint32_t maxAnisotropy = 0;
    bool operator==(const GpuSamplerSettings&) const = default;
};

class GpuBaseTexture : public GpuResource {
public:
    uint32_t GetLevelCount() const { return levelCount; }
    GpuFormat GetFormat() const { return format; }
    bool IsCube() const { return GetType() == D3DRTYPE_CUBETEXTURE; }
    bool IsRenderTarget() const { return (GetUsage() & D3DUSAGE_RENDERTARGET) != 0; }

    // Device side: the GL texture with every unlocked change uploaded.
    uint32_t PrepareForDraw();
    uint32_t GlName() const { return glName; }
    GpuSamplerSettings& AppliedSampler() { return appliedSampler; }
    // Width and height of a level (faces share them).
    uint32_t LevelWidth(uint32_t level) const;
    uint32_t LevelHeight(uint32_t level) const;
    // For a texture filled once that nothing is expected to lock again: the
    // levels GL can give back exactly live in GL only (block-compressed ones
    // keep their copy). A later lock brings a level's copy back.
    void LeaveLevelsToGl();
    // Whether a level has its copy in memory (for tests).
    bool HoldsLevelCopy(uint32_t face, uint32_t level) const
    {
        return face < FaceCount() && level < levelCount && !levels[face * levelCount + level].bytes.empty();
    }
    // A level as B,G,R,A bytes, row 0 first.
    void ReadLevel(uint32_t face, uint32_t level, std::vector<uint8_t>& bgra);

protected:
    GpuBaseTexture(GpuDevice* owner, GpuResourceType resourceType, uint32_t width, uint32_t height,
                   uint32_t requestedLevels, uint32_t usageFlags, GpuFormat texelFormat, GpuPool memoryPool);
    ~GpuBaseTexture() override;
    void FreeGlObjects() override;

    uint32_t FaceCount() const { return IsCube() ? 6u : 1u; }
    GpuTextureLevel* Level(uint32_t face, uint32_t level);
    GpuResult LockLevel(uint32_t face, uint32_t level, GpuLockedRect* locked, const GpuRect* rect, uint32_t flags);
    GpuResult UnlockLevel(uint32_t face, uint32_t level);
    void DescribeLevel(uint32_t level, GpuSurfaceDesc* desc) const;

private:
    friend class GpuDevice;
    friend class GpuSurface;
    // Allocates the GL texture and the level copies; false when out of memory.
    bool Allocate();
    void Upload(uint32_t face, uint32_t level);
    // Reads a level from GL into `bgra`; false when there is no GL texture.
    bool ReadFromGl(uint32_t face, uint32_t level, std::vector<uint8_t>& bgra);
    bool RestoreCopy(uint32_t face, uint32_t level);

    GpuFormat format;
    uint32_t levelCount;
    std::vector<GpuTextureLevel> levels; // face-major
    uint32_t glName = 0;
    GpuSamplerSettings appliedSampler;
};

// Number of levels of a full mip chain down to 1x1.
uint32_t GpuFullMipCount(uint32_t width, uint32_t height);

} // namespace backend

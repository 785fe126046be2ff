#include "backend/gpu/GpuTextureLoader.h"

#include "backend/files/Files.h"
#include "backend/gpu/GpuCubeTexture.h"
#include "backend/gpu/GpuDevice.h"
#include "backend/gpu/GpuPixelFormat.h"
#include "backend/gpu/GpuTexture.h"
#include "backend/gpu/ImageData.h"

#include <cstring>
#include <vector>

namespace backend {

namespace {

GpuResult Fail(std::string* error, const std::string& text, GpuResult result = GPUERR_INVALIDCALL)
{
    if (error)
        *error = text;
    return result;
}

bool ReadFile(std::string_view path, std::vector<uint8_t>& bytes, std::string* error)
{
    std::string reason;
    if (!ReadWholeFile(path, bytes, MAX_ASSET_FILE_BYTES, &reason)) {
        if (error)
            *error = reason.empty() ? "cannot read " + std::string(path) : reason;
        return false;
    }
    return true;
}

// Copies one decoded surface into a locked level, row by row.
void CopyLevel(const ImageSurface& surface, GpuFormat format, const GpuLockedRect& locked)
{
    uint32_t rowBytes = GpuLevelPitch(format, surface.width);
    uint32_t rows = GpuLevelRows(format, surface.height);
    auto* destination = static_cast<uint8_t*>(locked.pBits);
    for (uint32_t row = 0; row < rows; ++row)
        std::memcpy(destination + size_t(row) * uint32_t(locked.Pitch), surface.bytes.data() + size_t(row) * rowBytes,
                    rowBytes);
}

// A decoded picture must hold every level it claims, each of its full size.
bool ImageIsWhole(const ImageData& image)
{
    if (image.levels == 0 || image.surfaces.size() != size_t(image.FaceCount()) * image.levels)
        return false;
    for (uint32_t face = 0; face < image.FaceCount(); ++face)
        for (uint32_t level = 0; level < image.levels; ++level) {
            const ImageSurface& surface = image.Surface(face, level);
            size_t need =
                size_t(GpuLevelPitch(image.format, surface.width)) * GpuLevelRows(image.format, surface.height);
            uint32_t width = image.width >> level, height = image.height >> level;
            if (surface.width != (width ? width : 1) || surface.height != (height ? height : 1) ||
                surface.bytes.size() < need)
                return false;
        }
    return true;
}

} // namespace

GpuResult GpuCreateTextureFromImage(GpuDevice* device, ImageData& image, GpuTexture** texture, std::string* error)
{
    if (!device || !texture)
        return Fail(error, "no device");
    *texture = nullptr;
    if (image.cube)
        return Fail(error, "the picture is a cube map");
    GenerateMipChain(image);
    if (!ImageIsWhole(image) || !GpuFormatIsTexture(image.format))
        return Fail(error, "the picture has no usable format");
    GpuTexture* created = nullptr;
    GpuResult result =
        device->CreateTexture(image.width, image.height, image.levels, 0, image.format, D3DPOOL_MANAGED, &created);
    if (GpuFailed(result))
        return Fail(error, "the device cannot make the texture", result);
    for (uint32_t level = 0; level < image.levels; ++level) {
        GpuLockedRect locked;
        if (GpuFailed(created->LockRect(level, &locked, nullptr, 0))) {
            created->Release();
            return Fail(error, "cannot fill the texture");
        }
        CopyLevel(image.Surface(0, level), image.format, locked);
        created->UnlockRect(level);
    }
    created->LeaveLevelsToGl();
    *texture = created;
    return GPU_OK;
}

GpuResult GpuCreateCubeTextureFromImage(GpuDevice* device, ImageData& image, GpuCubeTexture** texture,
                                        std::string* error)
{
    if (!device || !texture)
        return Fail(error, "no device");
    *texture = nullptr;
    if (!image.cube || image.width != image.height)
        return Fail(error, "the picture is not a cube map");
    GenerateMipChain(image);
    if (!ImageIsWhole(image) || !GpuFormatIsTexture(image.format))
        return Fail(error, "the picture has no usable format");
    GpuCubeTexture* created = nullptr;
    GpuResult result = device->CreateCubeTexture(image.width, image.levels, 0, image.format, D3DPOOL_MANAGED, &created);
    if (GpuFailed(result))
        return Fail(error, "the device cannot make the cube texture", result);
    for (uint32_t face = 0; face < 6; ++face)
        for (uint32_t level = 0; level < image.levels; ++level) {
            GpuLockedRect locked;
            if (GpuFailed(created->LockRect(GpuCubeFace(face), level, &locked, nullptr, 0))) {
                created->Release();
                return Fail(error, "cannot fill the cube texture");
            }
            CopyLevel(image.Surface(face, level), image.format, locked);
            created->UnlockRect(GpuCubeFace(face), level);
        }
    created->LeaveLevelsToGl();
    *texture = created;
    return GPU_OK;
}

GpuResult GpuCreateTextureFromFileInMemory(GpuDevice* device, const void* data, size_t size, GpuTexture** texture,
                                           std::string* error)
{
    if (texture)
        *texture = nullptr;
    if (!data)
        return Fail(error, "no data");
    ImageData image;
    std::string reason;
    if (!ReadImageFile(static_cast<const uint8_t*>(data), size, image, reason))
        return Fail(error, reason);
    return GpuCreateTextureFromImage(device, image, texture, error);
}

GpuResult GpuCreateCubeTextureFromFileInMemory(GpuDevice* device, const void* data, size_t size,
                                               GpuCubeTexture** texture, std::string* error)
{
    if (texture)
        *texture = nullptr;
    if (!data)
        return Fail(error, "no data");
    ImageData image;
    std::string reason;
    if (!ReadImageFile(static_cast<const uint8_t*>(data), size, image, reason))
        return Fail(error, reason);
    return GpuCreateCubeTextureFromImage(device, image, texture, error);
}

GpuResult GpuCreateTextureFromFile(GpuDevice* device, std::string_view path, GpuTexture** texture, std::string* error)
{
    if (texture)
        *texture = nullptr;
    std::vector<uint8_t> bytes;
    if (!ReadFile(path, bytes, error))
        return GPUERR_INVALIDCALL;
    GpuResult result = GpuCreateTextureFromFileInMemory(device, bytes.data(), bytes.size(), texture, error);
    if (GpuFailed(result) && error)
        *error = std::string(path) + ": " + *error;
    return result;
}

GpuResult GpuCreateCubeTextureFromFile(GpuDevice* device, std::string_view path, GpuCubeTexture** texture,
                                       std::string* error)
{
    if (texture)
        *texture = nullptr;
    std::vector<uint8_t> bytes;
    if (!ReadFile(path, bytes, error))
        return GPUERR_INVALIDCALL;
    GpuResult result = GpuCreateCubeTextureFromFileInMemory(device, bytes.data(), bytes.size(), texture, error);
    if (GpuFailed(result) && error)
        *error = std::string(path) + ": " + *error;
    return result;
}

} // namespace backend

#include "engine/platform/Texture.h"

#include "backend/gpu/GpuDevice.h"
#include "backend/gpu/GpuTexture.h"
#include "backend/gpu/GpuTextureLoader.h"
#include "engine/platform/Log.h"
#include "engine/platform/RenderDevice.h"

#include <cstring>

using namespace backend;

namespace {

// Tried in this order when a created texture's own format is refused.
constexpr GpuFormat FALLBACK_FORMATS[] = {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_R8G8B8,
                                          D3DFMT_A8R3G3B2, D3DFMT_A4R4G4B4, D3DFMT_R5G6B5};

// Copies a name into a record's 260-byte field; false when it does not fit.
bool CopyName(char (&field)[260], const char* text)
{
    const size_t length = std::strlen(text);
    if (length >= sizeof(field))
        return false;
    std::memcpy(field, text, length + 1);
    return true;
}

} // namespace

Texture::Texture() = default;

bool Texture::LoadFile(const char* file, std::string* error)
{
    GpuTexture* loaded = nullptr;
    if (g_RenderDevice.device == nullptr ||
        GpuFailed(GpuCreateTextureFromFile(g_RenderDevice.device, file, &loaded, error)) || loaded == nullptr)
        return false;
    texture = loaded;
    return true;
}

bool Texture::Load(const char* file)
{
    if (file == nullptr)
        return ReportError("Error loading a texture!");
    LogFormat("\nLoading texture \"%s\"...", file);
    // The name must fit the record, or Restore could not find the file again.
    if (std::strlen(file) >= sizeof(name))
        return ReportFileError("Error loading a texture!", file, "the name is too long");
    std::string error;
    if (!LoadFile(file, &error))
        return ReportFileError("Error loading a texture!", file, error);
    CopyName(name, file);
    source = TEXTURE_SOURCE_FILE;
    owns = true;
    return true;
}

bool Texture::CreateTexture(GpuFormat withFormat)
{
    GpuTexture* created = nullptr;
    if (g_RenderDevice.device == nullptr ||
        GpuFailed(g_RenderDevice.device->CreateTexture(width, height, levels, usage, withFormat, pool, &created)) ||
        created == nullptr)
        return false;
    texture = created;
    format = withFormat;
    return true;
}

bool Texture::Create(uint32_t newWidth, uint32_t newHeight, uint32_t newLevels, uint32_t newUsage, GpuFormat newFormat,
                     GpuPool newPool, const char* newName, bool allowFallback)
{
    if (newName == nullptr)
        newName = "";
    LogFormat("\nCreating texture \"%s\"...", newName);
    if (std::strlen(newName) >= sizeof(name))
        return ReportError("Error creating a texture!");

    // The creation values are needed by the attempts; the record keeps its old
    // ones when every attempt fails.
    const Texture before = *this;
    width = newWidth;
    height = newHeight;
    levels = newLevels;
    usage = newUsage;
    pool = newPool;
    bool created = CreateTexture(newFormat);
    if (!created && allowFallback) {
        for (GpuFormat fallback : FALLBACK_FORMATS) {
            if (CreateTexture(fallback)) {
                created = true;
                break;
            }
        }
    }
    if (!created) {
        *this = before;
        return ReportError("Error creating a texture!");
    }
    CopyName(name, newName);
    owns = true;
    source = TEXTURE_SOURCE_CREATED;
    allowFormatFallback = allowFallback;
    return true;
}

bool Texture::Restore()
{
    switch (source) {
    case TEXTURE_SOURCE_FILE:
        LogFormat("\nRestoring texture \"%s\"...", name);
        return LoadFile(name);
    case TEXTURE_SOURCE_CREATED:
        LogFormat("\nRestoring texture \"%s\"...", name);
        return CreateTexture(format);
    default:
        return true;
    }
}

void Texture::Release()
{
    if (texture == nullptr)
        return;
    LogFormat("\nReleasing texture \"%s\"...", name);
    if (owns) {
        texture->Release();
        texture = nullptr;
    }
}

#pragma once
// One owned texture with what it takes to make it again after a device reset:
// loaded from a picture file, or created empty with a list of fallback formats.

#include "backend/gpu/GpuTypes.h"
#include "engine/platform/TextureSource.h"

#include <cstdint>
#include <string>

namespace backend {
class GpuTexture;
}

class Texture {
public:
    Texture();

    bool Load(const char* file);
    bool Create(uint32_t width, uint32_t height, uint32_t levels, uint32_t usage, backend::GpuFormat format,
                backend::GpuPool pool, const char* name, bool allowFallback);
    // Makes the texture again after a device reset; false, with no error message, when that fails.
    bool Restore();
    void Release();

    backend::GpuTexture* texture = nullptr;
    char name[260] = {};
    uint32_t width = 0, height = 0, levels = 0;
    uint32_t usage = 0;
    backend::GpuFormat format = backend::D3DFMT_UNKNOWN;
    backend::GpuPool pool = backend::D3DPOOL_DEFAULT;
    TextureSource source = TEXTURE_SOURCE_NONE;
    bool owns = false;
    bool allowFormatFallback = true;

private:
    // The device calls behind Load and Create, without log lines or error reports.
    // `error` (when given) gets the reason of a failure.
    bool LoadFile(const char* file, std::string* error = nullptr);
    bool CreateTexture(backend::GpuFormat withFormat);
};

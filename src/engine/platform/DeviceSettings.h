#pragma once
// The launcher's choices for the device and the sound system; filled by the
// launcher, read at device creation, at every device reset and by the sound manager.

#include "backend/gpu/GpuTypes.h"

#include <cstdint>

struct DeviceSettings {
    backend::GpuDeviceType deviceType = backend::D3DDEVTYPE_HAL;
    uint32_t behaviorFlags = 0;
    uint32_t width = 0, height = 0;
    backend::GpuFormat format = backend::D3DFMT_UNKNOWN;
    bool windowed = false;
    uint32_t backBufferCount = 0;
    backend::GpuTextureFilter minMagFilter = backend::D3DTEXF_NONE;
    backend::GpuTextureFilter mipFilter = backend::D3DTEXF_NONE;
    uint32_t maxAnisotropy = 0;
    // The chosen sound device's identifier (a GUID kept by the launcher), null for the default one.
    const void* soundDevice = nullptr;
    bool softwareSoundBuffers = false;
    bool disableMusic = false;
};

extern DeviceSettings g_DeviceSettings;

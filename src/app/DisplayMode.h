#pragma once
// One distinct display mode of the launcher's list (refresh rates are not told apart).

#include "backend/gpu/GpuTypes.h"

#include <cstdint>

struct DisplayMode {
    uint32_t width = 0;
    uint32_t height = 0;
    backend::GpuFormat format = backend::D3DFMT_UNKNOWN;
};

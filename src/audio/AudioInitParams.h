#pragma once
// The start-up parameters of the sound manager, in the order the caller fills them.

#include <cstdint>

struct AudioInitParams {
    const char* deviceGuid = nullptr; // the chosen sound device by name; null for the default one
    void* hWnd = nullptr;             // window for the cooperative level
    uint32_t forceSoftware = 0;       // low byte non-zero: software buffers whatever the device offers
    uint32_t minHardware2DBuffers = 8;
    uint32_t maxHardware2DSounds = 256;
    uint32_t minHardware3DBuffers = 8;
    uint32_t maxHardware3DSounds = 256;
    uint32_t maxSoftware2DSounds = 256;
    uint32_t maxSoftware3DSounds = 256;
    uint32_t primaryBitsPerSample = 16; // the low 16 bits are used
    uint32_t primarySampleRate = 22050;
};

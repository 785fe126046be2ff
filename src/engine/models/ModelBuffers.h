#pragma once
// Buffer helpers shared by the models that keep their own vertex and index
// buffers.

#include "backend/gpu/GpuTypes.h"

#include <cstdint>
#include <cstring>

// Copies `bytes` from `source` to the start of a vertex or index buffer;
// false when the buffer cannot be locked.
template <typename Buffer> bool FillModelBuffer(Buffer* buffer, const void* source, uint32_t bytes)
{
    uint8_t* data = nullptr;
    if (backend::GpuFailed(buffer->Lock(0, 0, &data, 0)))
        return false;
    std::memcpy(data, source, bytes);
    buffer->Unlock();
    return true;
}

// Releases a device object that may be null and forgets it.
template <typename Object> void ReleaseModelBuffer(Object*& object)
{
    if (object != nullptr) {
        object->Release();
        object = nullptr;
    }
}

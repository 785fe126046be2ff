#pragma once
// Small device helpers shared by the scene's renderers: the vertex format
// through the device cache, counted indexed draws and releasing held objects.

#include <cstdint>

// Sets the vertex format unless the device cache already holds it.
bool SetVertexFormat(uint32_t fvf);
// DrawIndexedPrimitive that adds the primitives to the counter on success.
bool DrawIndexed(uint32_t type, uint32_t minIndex, uint32_t vertexCount, uint32_t startIndex, uint32_t primitiveCount);

// Releases a device object and nulls the pointer; does nothing for null.
template <typename T> void ReleaseObject(T*& object)
{
    if (object != nullptr) {
        object->Release();
        object = nullptr;
    }
}

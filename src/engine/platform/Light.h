#pragma once
// The device's light record with a setter for the tracks' directional light.

#include "backend/gpu/GpuTypes.h"

struct Light : backend::GpuLight {
    // Clears the record and makes it a directional light; the direction is
    // stored as given (not normalised). Colours are r, g, b, a.
    void SetDirectional(const backend::Vector3* direction, float range, float diffuseR, float diffuseG, float diffuseB,
                        float diffuseA, float ambientR, float ambientG, float ambientB, float ambientA, float specularR,
                        float specularG, float specularB, float specularA);
};

static_assert(sizeof(Light) == sizeof(backend::GpuLight));

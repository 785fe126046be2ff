#pragma once
// Where a track puts one of its fixed objects: model, texture, pose, physics
// material and collision box. A plain value copied into the track's vector.

#include "backend/math/MathTypes.h"

#include <cstdint>

struct StaticObjectPlacement {
    StaticObjectPlacement(uint32_t modelIndex, uint32_t textureIndex, const char* name,
                          const backend::Vector3* position, const backend::Vector3* rotation, uint32_t materialIndex,
                          uint8_t hasBoxSize, const backend::Vector3* boxSize, uint8_t snapToGround,
                          float heightAboveGround);

    uint32_t modelIndex = 0;
    uint32_t textureIndex = 0;
    char name[64] = {};
    backend::Vector3 position;
    backend::Vector3 rotation;
    uint32_t materialIndex = 0;
    uint8_t hasBoxSize = 0;
    backend::Vector3 boxSize;
    uint8_t snapToGround = 0;
    float heightAboveGround = 0.0f;
};

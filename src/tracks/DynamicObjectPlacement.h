#pragma once
// Where a track puts one of its loose objects (stones, blocks, finish poles):
// as a fixed placement, plus the mass of its rigid body.

#include "backend/math/MathTypes.h"

#include <cstdint>

struct DynamicObjectPlacement {
    DynamicObjectPlacement(uint32_t modelIndex, uint32_t textureIndex, const char* name,
                           const backend::Vector3* position, const backend::Vector3* rotation, float mass,
                           uint32_t materialIndex, uint8_t hasBoxSize, const backend::Vector3* boxSize,
                           uint8_t snapToGround, float heightAboveGround);

    uint32_t modelIndex = 0;
    uint32_t textureIndex = 0;
    char name[64] = {};
    backend::Vector3 position;
    backend::Vector3 rotation;
    float mass = 0.0f;
    uint32_t materialIndex = 0;
    uint8_t hasBoxSize = 0;
    backend::Vector3 boxSize;
    uint8_t snapToGround = 0;
    float heightAboveGround = 0.0f;
};

#include "tracks/DynamicObjectPlacement.h"

#include <cstring>

DynamicObjectPlacement::DynamicObjectPlacement(uint32_t modelIndex, uint32_t textureIndex, const char* name,
                                               const backend::Vector3* position, const backend::Vector3* rotation,
                                               float mass, uint32_t materialIndex, uint8_t hasBoxSize,
                                               const backend::Vector3* boxSize, uint8_t snapToGround,
                                               float heightAboveGround)
    : modelIndex(modelIndex), textureIndex(textureIndex), position(*position), rotation(*rotation), mass(mass),
      materialIndex(materialIndex), hasBoxSize(hasBoxSize), boxSize(*boxSize), snapToGround(snapToGround),
      heightAboveGround(heightAboveGround)
{
    // Names longer than 63 characters are not allowed; cut them rather than overrun.
    if (name != nullptr)
        std::strncpy(this->name, name, sizeof(this->name) - 1);
}

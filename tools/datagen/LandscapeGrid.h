#pragma once
// The vertex grid a track's terrain builds from its height map, and the
// ground the game will stand things on, for the landscape designer.

#include "datagen/TrackLandscape.h"
#include "engine/scene/HeightField.h"

#include <cmath>

namespace datagen {

struct LandscapeGrid {
    int cellsX, cellsZ, mapWidth, mapHeight;
    float sizeX, sizeY, sizeZ, cellX, cellZ;

    explicit LandscapeGrid(const TrackConstants& c)
        : cellsX(c.terrainCellsX), cellsZ(c.terrainCellsZ), mapWidth(c.heightMapWidth), mapHeight(c.heightMapHeight),
          sizeX(c.worldSize.x), sizeY(c.worldSize.y), sizeZ(c.worldSize.z),
          cellX(c.worldSize.x / float(c.terrainCellsX)), cellZ(c.worldSize.z / float(c.terrainCellsZ))
    {
    }
    int Columns() const { return cellsX + 1; }
    int Rows() const { return cellsZ + 1; }
    float X(int column) const { return (float(column) - float(cellsX) * 0.5f) * cellX; }
    float Z(int row) const { return -(float(row) - float(cellsZ) * 0.5f) * cellZ; }
    size_t Index(int row, int column) const { return size_t(row) * size_t(Columns()) + size_t(column); }
    // Where a mask byte puts its billboard.
    float MaskX(int column) const { return (float(column) / float(mapWidth) - 0.5f) * sizeX; }
    float MaskZ(int row) const { return (0.5f - float(row) / float(mapHeight)) * sizeZ; }

    // The smoothed ground the game builds from the map.
    HeightField Ground(const std::vector<uint8_t>& map) const
    {
        HeightField field;
        field.Build(map.data(), mapWidth, mapHeight, cellsX, cellsZ, sizeX, sizeY, sizeZ);
        field.Smooth(false);
        return field;
    }
};

inline float ObjectRadius(const LandscapeObject& object)
{
    return 0.5f * std::hypot(object.size.x, object.size.z);
}

inline float GroundTarget(const LandscapeObject& object)
{
    return object.position.y - object.size.y * 0.5f;
}

} // namespace datagen

#pragma once
// The terrain's height grid without any device: vertex heights read from an
// 8-bit height map, the 3x3 smoothing and the bilinear ground query. The
// sample data generator shapes its landscapes with the same code.

#include <cstddef>
#include <cstdint>
#include <vector>

class HeightField {
public:
    // The map byte a grid vertex reads: column along x, row counted from the
    // +z edge of the grid (the byte row is one behind the vertex row).
    static int SampleColumn(int column, int cellsX, int mapWidth);
    static int SampleRow(int row, int cellsZ, int mapHeight);

    // Heights of the (cellsX + 1) x (cellsZ + 1) vertices from a mapWidth x
    // mapHeight map; a byte of 255 stands sizeY high. Counts must be positive.
    void Build(const uint8_t* map, int mapWidth, int mapHeight, int cellsX, int cellsZ, float sizeX, float sizeY,
               float sizeZ);
    // The mean of each vertex's 3x3 neighbourhood; the border too if asked.
    void Smooth(bool smoothBorders);
    // Height at grid-local (x, z), the grid centred on the origin; false off the grid.
    bool HeightAt(float x, float z, float* out) const;

    // Vertex (row, column); row 0 lies along the +z edge.
    float At(int row, int column) const { return heights[size_t(row) * (cellsX + 1) + column]; }
    bool Empty() const { return heights.empty(); }
    void Clear();

    int cellsX = 0, cellsZ = 0;
    float sizeX = 0.0f, sizeY = 0.0f, sizeZ = 0.0f;
    std::vector<float> heights;
};

#include "engine/scene/HeightField.h"

#include <algorithm>
#include <cmath>

int HeightField::SampleColumn(int column, int cellsX, int mapWidth)
{
    const float tX = float(column) / float(cellsX);
    return std::clamp(int(tX * float(mapWidth)), 0, mapWidth - 1);
}

int HeightField::SampleRow(int row, int cellsZ, int mapHeight)
{
    const float tZ = float(row) / float(cellsZ);
    const int r = std::clamp(mapHeight - int(tZ * float(mapHeight)), 0, mapHeight - 1);
    return mapHeight - r - 1;
}

void HeightField::Build(const uint8_t* map, int mapWidth, int mapHeight, int newCellsX, int newCellsZ, float newSizeX,
                        float newSizeY, float newSizeZ)
{
    cellsX = newCellsX;
    cellsZ = newCellsZ;
    sizeX = newSizeX;
    sizeY = newSizeY;
    sizeZ = newSizeZ;
    heights.assign(size_t(cellsX + 1) * size_t(cellsZ + 1), 0.0f);
    for (int row = 0; row <= cellsZ; ++row) {
        const uint8_t* line = map + size_t(SampleRow(row, cellsZ, mapHeight)) * mapWidth;
        for (int column = 0; column <= cellsX; ++column) {
            const uint8_t sample = line[SampleColumn(column, cellsX, mapWidth)];
            heights[size_t(row) * (cellsX + 1) + column] = float(sample) * sizeY / 255.0f;
        }
    }
}

void HeightField::Smooth(bool smoothBorders)
{
    std::vector<float> smoothed = heights;
    const int first = smoothBorders ? 0 : 1;
    for (int row = first; row <= cellsZ - first; ++row)
        for (int column = first; column <= cellsX - first; ++column) {
            float sum = 0.0f;
            int count = 0;
            for (int dr = -1; dr <= 1; ++dr)
                for (int dc = -1; dc <= 1; ++dc) {
                    const int r = row + dr, c = column + dc;
                    if (r < 0 || r > cellsZ || c < 0 || c > cellsX)
                        continue;
                    sum += At(r, c);
                    ++count;
                }
            smoothed[size_t(row) * (cellsX + 1) + column] = sum / float(count);
        }
    heights.swap(smoothed);
}

bool HeightField::HeightAt(float x, float z, float* out) const
{
    if (heights.empty() || sizeX == 0.0f || sizeZ == 0.0f)
        return false;
    const float u = x / sizeX + 0.5f;
    const float v = z / sizeZ + 0.5f;
    const float cellU = u * float(cellsX), cellV = v * float(cellsZ);
    // floor, so that points a little beyond the -x and -z edges are refused too.
    const float fi = std::floor(cellU), fj = std::floor(cellV);
    if (!(fi >= 0.0f && fi <= float(cellsX - 1) && fj >= 0.0f && fj <= float(cellsZ - 1)))
        return false;
    const int i = int(fi), j = int(fj);
    const float fx = cellU - fi, fz = cellV - fj;
    const int k = cellsZ - j;
    auto height = [this](int row, int column) { return At(std::clamp(row, 0, cellsZ), std::clamp(column, 0, cellsX)); };
    const float h00 = height(k, i), h10 = height(k, i + 1), h01 = height(k - 1, i), h11 = height(k - 1, i + 1);
    *out = (1.0f - fz) * (h00 * (1.0f - fx) + h10 * fx) + fz * (h01 * (1.0f - fx) + h11 * fx);
    return true;
}

void HeightField::Clear()
{
    std::vector<float>().swap(heights);
    cellsX = cellsZ = 0;
}

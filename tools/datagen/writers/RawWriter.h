#pragma once
// Headerless raw grids (height maps and object masks): width x height one-byte
// samples, row after row; row 0 is the +z edge of a track, column 0 its -x edge.

#include <cstdint>
#include <functional>
#include <vector>

namespace datagen {

// The grid with sample(column, row) in each cell.
std::vector<uint8_t> EncodeRaw(uint32_t width, uint32_t height,
                               const std::function<uint8_t(uint32_t column, uint32_t row)>& sample);

} // namespace datagen

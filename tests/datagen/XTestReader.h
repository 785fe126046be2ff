#pragma once
// Just enough of the text ".x" format for the tests: tokens, number runs and the first mesh.

#include "datagen/writers/ModelTypes.h"

#include <cstdint>
#include <string>
#include <vector>

namespace datagen_test {

// Separators and braces as tokens of their own; "//" and "#" comments dropped.
std::vector<std::string> Tokens(const std::string& text);
// The numbers from `from` (skipping one opening brace) up to the next brace or name.
std::vector<double> NumbersAfter(const std::vector<std::string>& tokens, size_t from);
// Positions and faces of the first Mesh; false when its counts or indices don't fit.
bool ReadFirstXMesh(const std::string& text, std::vector<datagen::Float3>& positions,
                    std::vector<std::vector<uint32_t>>& faces);

} // namespace datagen_test

#pragma once
// Reads QVX files back for the tests, checking every count against the bytes left.

#include "datagen/writers/QvxWriter.h"

#include <cstdint>
#include <string>
#include <vector>

namespace datagen_test {

// False with `error` set on any inconsistency (magic, counts, indices, size).
bool ReadQvx(const std::vector<uint8_t>& bytes, std::vector<datagen::QvxFrame>& frames, std::string& error);

// Six times the enclosed volume of each mesh, taking counter-clockwise as the front;
// positive for closed meshes whose faces point outwards.
double QvxSignedVolume(const datagen::QvxMesh& mesh);

} // namespace datagen_test

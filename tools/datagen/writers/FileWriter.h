#pragma once
// Writes generated files, creating the folders they go in.

#include <cstdint>
#include <string>
#include <vector>

namespace datagen {

// False (and a message on stderr) when the file can't be written.
bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);

} // namespace datagen

#pragma once
// Game paths on a Linux file system: the game names its files with backslashes
// ("Data\\Font.dat"), relative to its own folder, and without regard to case.

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace backend {

// The folder that relative game paths start from: the executable's folder,
// unless SetBaseDirectory chose another one.
const std::string& BaseDirectory();
void SetBaseDirectory(std::string directory);

// A game path as a path on disk: backslashes become slashes, a relative path
// starts at BaseDirectory(), and a component that does not exist with its exact
// spelling is matched case-insensitively when exactly such an entry exists.
std::string ResolvePath(std::string_view gamePath);

// fopen of a game path.
FILE* OpenFile(std::string_view gamePath, const char* mode);

// Reads a whole file; false when it cannot be opened or read.
bool ReadWholeFile(std::string_view gamePath, std::vector<uint8_t>& out);

} // namespace backend

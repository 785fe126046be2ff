#pragma once
// Reader of text .x model files: every mesh of the file, those inside frames
// moved by their frames' transforms, merged in file order into one mesh with
// one subset per material. Binary and compressed files are refused.

#include "backend/gpu/XMeshData.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace backend {

// False with a reason in `error` when the bytes are not a usable text .x file.
bool ReadXFile(const uint8_t* data, size_t size, XMeshData& mesh, std::string& error);
// The same for a game path.
bool ReadXFileFromPath(std::string_view path, XMeshData& mesh, std::string& error);

} // namespace backend

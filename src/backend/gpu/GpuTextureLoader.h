#pragma once
// Textures from picture files (DDS, PNG, JPEG): the file's size and format,
// a full mip chain (missing levels are generated), managed pool. Paths are
// game paths ("Graphics\\Textures\\Font.dds").

#include "backend/gpu/GpuTypes.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace backend {

class GpuDevice;
class GpuTexture;
class GpuCubeTexture;
struct ImageData;

// On failure the texture stays null and `error` (when given) says why.
GpuResult GpuCreateTextureFromFile(GpuDevice* device, std::string_view path, GpuTexture** texture,
                                   std::string* error = nullptr);
GpuResult GpuCreateTextureFromFileInMemory(GpuDevice* device, const void* data, size_t size, GpuTexture** texture,
                                           std::string* error = nullptr);
// Cube maps come from DDS files with all six faces.
GpuResult GpuCreateCubeTextureFromFile(GpuDevice* device, std::string_view path, GpuCubeTexture** texture,
                                       std::string* error = nullptr);
GpuResult GpuCreateCubeTextureFromFileInMemory(GpuDevice* device, const void* data, size_t size,
                                               GpuCubeTexture** texture, std::string* error = nullptr);

// A texture (or cube texture) holding a decoded picture, with its mip chain
// completed.
GpuResult GpuCreateTextureFromImage(GpuDevice* device, ImageData& image, GpuTexture** texture,
                                    std::string* error = nullptr);
GpuResult GpuCreateCubeTextureFromImage(GpuDevice* device, ImageData& image, GpuCubeTexture** texture,
                                        std::string* error = nullptr);

} // namespace backend

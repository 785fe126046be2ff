// Feeds arbitrary bytes to the .md2 reader and checks what it builds.

#include "engine/models/Md2Reader.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<Md2Frame> frames(static_cast<size_t>(MD2_MAX_FRAMES));
    int32_t frameCount = 0, triangleCount = 0;
    if (!ReadMd2(data, size, frames, frameCount, triangleCount))
        return 0;
    if (frameCount < 0 || frameCount > MD2_MAX_FRAMES || triangleCount < 0 || triangleCount > MD2_MAX_TRIANGLES)
        std::abort();
    for (int32_t f = 0; f < frameCount; ++f) {
        if (frames[size_t(f)].vertices.size() != size_t(triangleCount) * 3)
            std::abort();
    }
    return 0;
}

// Feeds arbitrary bytes to the QVX reader and checks what it builds.

#include "engine/models/QvxReader.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<QvxFrame> frames;
    if (ReadQvx(data, size, frames) != QvxReadResult::Ok) {
        if (!frames.empty())
            std::abort(); // a refused file leaves nothing behind
        return 0;
    }
    for (const QvxFrame& frame : frames) {
        for (const QvxMesh& mesh : frame.meshes) {
            if (mesh.vertices.size() > QVX_MAX_VERTICES || mesh.indices.size() != size_t(mesh.triangleCount) * 3)
                std::abort();
            for (uint16_t index : mesh.indices) {
                if (index >= mesh.vertices.size())
                    std::abort();
            }
        }
    }
    return 0;
}

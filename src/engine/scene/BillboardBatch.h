#pragma once
// The visible billboards of a frame in few draws: neighbouring placements
// (in drawing order) whose billboards share a texture go out as one list of
// triangles built in world space, so the picture and its order stay those of
// one draw per placement.

#include "engine/scene/SceneVertex.h"

#include <cstddef>
#include <vector>

namespace backend {
class GpuTexture;
}
struct BillboardInstance;

class BillboardBatch {
public:
    // Room for `quads` placements, so that drawing allocates nothing.
    void Reserve(size_t quads);
    // Draws the placements in order, each billboard turned by its orientation.
    void Draw(const std::vector<BillboardInstance*>& placements, bool flat);

private:
    void Append(const BillboardInstance& placement);
    void Flush(backend::GpuTexture* texture);

    std::vector<SceneVertex> vertices;
};

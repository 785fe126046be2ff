#pragma once
// The visible billboards of a frame in few draws: placements whose billboards
// share a texture go out as one list of triangles built in world space. A
// placement joins the last draw of its texture only when no placement drawn
// after that one covers any of its pixels, so the picture stays the one of
// one draw per placement in the order given.

#include "engine/scene/SceneVertex.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace backend {
class GpuTexture;
struct Matrix;
} // namespace backend
struct BillboardInstance;

class BillboardBatch {
public:
    // Room for `quads` placements, so that drawing allocates nothing.
    void Reserve(size_t quads);
    // Draws the placements, each billboard turned by its orientation, with
    // the device's view and projection.
    void Draw(const std::vector<BillboardInstance*>& placements, bool flat);

    // A conservative box around a placement's pixels, in clip x and y.
    struct ScreenBox {
        float minX, minY, maxX, maxY;
        bool Overlaps(const ScreenBox& other) const;
        void Add(const ScreenBox& other);
    };

private:
    struct Group {
        backend::GpuTexture* texture;
        ScreenBox box; // around every member
        uint32_t count;
        uint32_t first; // its first vertex in `vertices`
    };

    // Builds the quad of each drawn placement and assigns it to a group.
    void Collect(const std::vector<BillboardInstance*>& placements);
    // The group a placement with this texture and box may join, or a new one.
    uint32_t GroupFor(backend::GpuTexture* texture, const ScreenBox& box);
    // Copies the quads into `vertices` group after group.
    void Arrange();

    std::vector<SceneVertex> quads; // six per drawn placement, in order
    std::vector<uint32_t> groupOf;  // per drawn placement
    std::vector<Group> groups;
    std::vector<SceneVertex> vertices; // the quads, group after group
};

#include "engine/scene/BillboardBatch.h"

#include "engine/platform/RenderDevice.h"
#include "engine/scene/Billboard.h"
#include "engine/scene/BillboardInstance.h"
#include "engine/scene/SceneDevice.h"

#include "backend/gpu/GpuDevice.h"
#include "backend/gpu/GpuTexture.h"
#include "backend/math/MatrixMath.h"

#include <algorithm>

using namespace backend;

namespace {

constexpr size_t VERTICES_PER_QUAD = 6;
// Beyond the rasteriser's reach from a vertex: two pixels, in clip units.
constexpr float MARGIN_PIXELS = 2.0f;
// Closer to the eye than this a quad counts as covering the whole picture.
constexpr float MIN_CLIP_W = 1e-4f;
constexpr BillboardBatch::ScreenBox EVERYWHERE = {-1e30f, -1e30f, 1e30f, 1e30f};

// The quad's corners in world space: the world matrix Render sets is the
// orientation with the base point added.
void BuildQuad(const BillboardInstance& placement, SceneVertex out[VERTICES_PER_QUAD])
{
    const Billboard& billboard = *placement.billboard;
    SceneVertex corners[4];
    billboard.GetCorners(corners);
    const Matrix& o = billboard.orientation;
    const Vector3& base = placement.position;
    for (SceneVertex& v : corners) {
        const float x = v.x, y = v.y;
        v.x = x * o.m[0][0] + y * o.m[1][0] + base.x;
        v.y = x * o.m[0][1] + y * o.m[1][1] + base.y;
        v.z = x * o.m[0][2] + y * o.m[1][2] + base.z;
    }
    // The strip's two triangles in the order a strip draws them.
    int k = 0;
    for (int corner : {0, 1, 2, 2, 1, 3})
        out[k++] = corners[corner];
}

BillboardBatch::ScreenBox BoxOf(const SceneVertex quad[VERTICES_PER_QUAD], const Matrix& viewProjection, float marginX,
                                float marginY)
{
    BillboardBatch::ScreenBox box = {1e30f, 1e30f, -1e30f, -1e30f};
    const Matrix& m = viewProjection;
    for (size_t i = 0; i < 4; ++i) { // corners 0, 1, 2 and 3 are the first four
        const SceneVertex& v = quad[i < 3 ? i : 5];
        const float w = v.x * m.m[0][3] + v.y * m.m[1][3] + v.z * m.m[2][3] + m.m[3][3];
        if (w < MIN_CLIP_W)
            return EVERYWHERE;
        const float x = (v.x * m.m[0][0] + v.y * m.m[1][0] + v.z * m.m[2][0] + m.m[3][0]) / w;
        const float y = (v.x * m.m[0][1] + v.y * m.m[1][1] + v.z * m.m[2][1] + m.m[3][1]) / w;
        box.minX = std::min(box.minX, x - marginX);
        box.maxX = std::max(box.maxX, x + marginX);
        box.minY = std::min(box.minY, y - marginY);
        box.maxY = std::max(box.maxY, y + marginY);
    }
    return box;
}

} // namespace

bool BillboardBatch::ScreenBox::Overlaps(const ScreenBox& other) const
{
    return minX <= other.maxX && other.minX <= maxX && minY <= other.maxY && other.minY <= maxY;
}

void BillboardBatch::ScreenBox::Add(const ScreenBox& other)
{
    minX = std::min(minX, other.minX);
    minY = std::min(minY, other.minY);
    maxX = std::max(maxX, other.maxX);
    maxY = std::max(maxY, other.maxY);
}

void BillboardBatch::Reserve(size_t count)
{
    quads.reserve(count * VERTICES_PER_QUAD);
    vertices.reserve(count * VERTICES_PER_QUAD);
    groupOf.reserve(count);
    groups.reserve(count);
}

void BillboardBatch::Draw(const std::vector<BillboardInstance*>& placements, bool flat)
{
    Collect(placements);
    if (groups.empty())
        return;
    Arrange();
    RenderDevice& rd = g_RenderDevice;
    Matrix identity;
    MatrixIdentity(&identity);
    rd.device->SetTransform(D3DTS_WORLD, &identity);
    SetVertexFormat(SCENE_VERTEX_FVF);
    Billboard::BeginDraw(flat);
    for (const Group& group : groups) {
        rd.SetTexture(0, group.texture);
        const uint32_t triangles = group.count * 2;
        if (GpuSucceeded(
                rd.device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, triangles, &vertices[group.first], sizeof(SceneVertex))))
            rd.primitiveCount += triangles;
    }
    Billboard::EndDraw(flat);
}

void BillboardBatch::Collect(const std::vector<BillboardInstance*>& placements)
{
    GpuDevice* device = g_RenderDevice.device;
    Matrix view, projection, viewProjection;
    device->GetTransform(D3DTS_VIEW, &view);
    device->GetTransform(D3DTS_PROJECTION, &projection);
    MatrixMultiply(&viewProjection, &view, &projection);
    GpuViewport viewport;
    device->GetViewport(&viewport);
    const float marginX = 2.0f * MARGIN_PIXELS / float(std::max(viewport.Width, 1u));
    const float marginY = 2.0f * MARGIN_PIXELS / float(std::max(viewport.Height, 1u));

    quads.clear();
    groupOf.clear();
    groups.clear();
    for (const BillboardInstance* placement : placements) {
        const Billboard& billboard = *placement->billboard;
        if (billboard.vertexBuffer == nullptr) // released: Render draws nothing either
            continue;
        quads.resize(quads.size() + VERTICES_PER_QUAD);
        SceneVertex* quad = &quads[quads.size() - VERTICES_PER_QUAD];
        BuildQuad(*placement, quad);
        groupOf.push_back(GroupFor(billboard.texture.texture, BoxOf(quad, viewProjection, marginX, marginY)));
    }
}

uint32_t BillboardBatch::GroupFor(GpuTexture* texture, const ScreenBox& box)
{
    // Back from the last group: the placement may be drawn earlier, with a
    // group of its texture, when nothing drawn after that group touches it.
    for (size_t g = groups.size(); g-- > 0;) {
        Group& group = groups[g];
        if (group.texture == texture) {
            group.box.Add(box);
            ++group.count;
            return uint32_t(g);
        }
        if (group.box.Overlaps(box))
            break;
    }
    groups.push_back({texture, box, 1, 0});
    return uint32_t(groups.size() - 1);
}

void BillboardBatch::Arrange()
{
    uint32_t next = 0;
    for (Group& group : groups) {
        group.first = next;
        next += group.count * uint32_t(VERTICES_PER_QUAD);
        group.count = 0; // counts again as the quads are placed
    }
    vertices.resize(next);
    for (size_t p = 0; p < groupOf.size(); ++p) {
        Group& group = groups[groupOf[p]];
        std::copy_n(&quads[p * VERTICES_PER_QUAD], VERTICES_PER_QUAD,
                    &vertices[group.first + group.count * VERTICES_PER_QUAD]);
        ++group.count;
    }
}

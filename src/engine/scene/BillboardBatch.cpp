#include "engine/scene/BillboardBatch.h"

#include "engine/platform/RenderDevice.h"
#include "engine/scene/Billboard.h"
#include "engine/scene/BillboardInstance.h"
#include "engine/scene/SceneDevice.h"

#include "backend/gpu/GpuDevice.h"
#include "backend/gpu/GpuTexture.h"
#include "backend/math/MatrixMath.h"

using namespace backend;

namespace {

constexpr size_t VERTICES_PER_QUAD = 6;

} // namespace

void BillboardBatch::Reserve(size_t quads)
{
    vertices.reserve(quads * VERTICES_PER_QUAD);
}

void BillboardBatch::Draw(const std::vector<BillboardInstance*>& placements, bool flat)
{
    RenderDevice& rd = g_RenderDevice;
    Matrix identity;
    MatrixIdentity(&identity);
    rd.device->SetTransform(D3DTS_WORLD, &identity);
    SetVertexFormat(SCENE_VERTEX_FVF);
    Billboard::BeginDraw(flat);
    vertices.clear();
    GpuTexture* texture = nullptr;
    for (const BillboardInstance* placement : placements) {
        const Billboard& billboard = *placement->billboard;
        if (billboard.vertexBuffer == nullptr) // released: Render draws nothing either
            continue;
        if (billboard.texture.texture != texture)
            Flush(texture);
        texture = billboard.texture.texture;
        Append(*placement);
    }
    Flush(texture);
    Billboard::EndDraw(flat);
}

void BillboardBatch::Append(const BillboardInstance& placement)
{
    const Billboard& billboard = *placement.billboard;
    SceneVertex corners[4];
    billboard.GetCorners(corners);
    // The world matrix Render sets: orientation, then the base point added.
    const Matrix& o = billboard.orientation;
    const Vector3& base = placement.position;
    for (SceneVertex& v : corners) {
        const float x = v.x, y = v.y;
        v.x = x * o.m[0][0] + y * o.m[1][0] + base.x;
        v.y = x * o.m[0][1] + y * o.m[1][1] + base.y;
        v.z = x * o.m[0][2] + y * o.m[1][2] + base.z;
    }
    // The strip's two triangles in the order a strip draws them.
    for (int corner : {0, 1, 2, 2, 1, 3})
        vertices.push_back(corners[corner]);
}

void BillboardBatch::Flush(GpuTexture* texture)
{
    if (vertices.empty())
        return;
    RenderDevice& rd = g_RenderDevice;
    rd.SetTexture(0, texture);
    const uint32_t triangles = uint32_t(vertices.size() / 3);
    if (GpuSucceeded(rd.device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, triangles, vertices.data(), sizeof(SceneVertex))))
        rd.primitiveCount += triangles;
    vertices.clear();
}

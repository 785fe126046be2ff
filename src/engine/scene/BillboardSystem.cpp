#include "engine/scene/BillboardSystem.h"

#include "engine/platform/Log.h"
#include "engine/platform/RawData.h"
#include "engine/platform/RenderDevice.h"
#include "engine/scene/Billboard.h"
#include "engine/scene/Camera.h"
#include "engine/scene/Terrain.h"

#include "backend/gpu/GpuDevice.h"
#include "backend/gpu/GpuTexture.h"
#include "backend/math/MatrixMath.h"

#include <algorithm>
#include <cmath>

using namespace backend;

namespace {

// The ground height under a placement. A point on or beyond the terrain's
// edge (every placement of a mask's first row lies on the +z edge) takes the
// height at the nearest point just inside the grid.
float GroundHeight(const Terrain* terrain, Vector3 point)
{
    if (terrain == nullptr)
        return 0.0f;
    Vector3 snapped = point;
    if (terrain->SnapToGround(&snapped, 0.0f))
        return snapped.y;
    const float halfX = terrain->size.x * 0.5f, halfZ = terrain->size.z * 0.5f;
    const float minX = terrain->position.x - halfX, maxX = terrain->position.x + halfX;
    const float minZ = terrain->position.z - halfZ, maxZ = terrain->position.z + halfZ;
    // A small step back inside, so that rounding cannot land on the edge again.
    snapped.x = std::clamp(point.x, minX, maxX - terrain->cellSizeX * 1e-3f);
    snapped.z = std::clamp(point.z, minZ, maxZ - terrain->cellSizeZ * 1e-3f);
    if (terrain->SnapToGround(&snapped, 0.0f))
        return snapped.y;
    return terrain->position.y;
}

} // namespace

void BillboardSystem::AddBillboard(Billboard* billboard, const Vector3& position)
{
    billboards.insert(billboard);
    if (billboard->collisionRadius > 0.0f)
        ++collidingCount;
    auto instance = std::make_unique<BillboardInstance>();
    instance->billboard = billboard;
    instance->position = position;
    instance->bounds = billboard->GetBounds(position);
    instances.push_back(std::move(instance));
}

bool BillboardSystem::AddFromMask(const char* maskFile, int width, int height, Billboard* billboard,
                                  const Terrain* terrain, float yOffset, const Vector3* centre, const Vector3* size)
{
    LogMessage("\nAdding billboards to the billboard system...");
    if (width < 1 || height < 1)
        return ReportError("Error reading RAW file: Bad data!");
    RawData mask;
    if (!mask.Load(maskFile, uint32_t(width), uint32_t(height), D3DFMT_P8))
        return false;
    for (int j = 0; j < height; ++j)
        for (int i = 0; i < width; ++i) {
            if (mask.data[size_t(j) * width + i] == 0)
                continue;
            Vector3 position;
            position.x = (float(i) / float(width) - 0.5f) * size->x + centre->x;
            position.z = (0.5f - float(j) / float(height)) * size->z + centre->z;
            position.y = GroundHeight(terrain, position) + yOffset;
            AddBillboard(billboard, position);
        }
    return true;
}

void BillboardSystem::BuildTree(int maxDepth, const Vector3* centre, const Vector3* size)
{
    tree.Begin(*centre, *size, maxDepth);
    for (auto& instance : instances)
        tree.Place(instance.get());
    tree.Prune();
    sorted.reserve(instances.size());
    batch.Reserve(instances.size());
}

void BillboardSystem::Update(const Camera* camera)
{
    const std::vector<BillboardInstance*>& visible = tree.CollectVisible(*camera);
    sorted.assign(visible.begin(), visible.end());
    const Vector3& forward = camera->forward;
    for (BillboardInstance* instance : sorted)
        instance->sortKey = instance->position.x * forward.x + instance->position.z * forward.z;
    std::sort(sorted.begin(), sorted.end(),
              [](const BillboardInstance* a, const BillboardInstance* b) { return a->sortKey > b->sortKey; });
}

void BillboardSystem::Render(const Camera* camera, bool flat)
{
    Matrix facing;
    MatrixRotationY(&facing, camera->angles.y);
    for (Billboard* billboard : billboards)
        billboard->orientation = facing;

    RenderDevice& rd = g_RenderDevice;
    rd.ChangeRenderState(D3DRS_ALPHABLENDENABLE, 1);
    rd.SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    rd.SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    rd.ChangeTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    rd.ChangeRenderState(D3DRS_ALPHATESTENABLE, 1);
    rd.SetRenderState(D3DRS_ALPHAREF, 8);
    rd.SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    rd.ChangeRenderState(D3DRS_LIGHTING, 0);
    batch.Draw(sorted, flat);
    rd.RevertRenderState(D3DRS_LIGHTING);
    rd.RevertRenderState(D3DRS_ALPHATESTENABLE);
    rd.RevertTextureStageState(0, D3DTSS_ALPHAOP);
    rd.RevertRenderState(D3DRS_ALPHABLENDENABLE);
}

bool BillboardSystem::AddToPhysics(TSimulator* simulator)
{
    for (auto& instance : instances)
        if (!instance->billboard->AddToPhysics(simulator, instance->position))
            return false;
    return true;
}

void BillboardSystem::Destroy()
{
    tree.Clear();
    sorted.clear();
    instances.clear();
    billboards.clear();
    collidingCount = 0;
}

#pragma once
// Every billboard placement of a track: placed from mask files, culled through
// an octree and drawn back to front.

#include "engine/scene/BillboardBatch.h"
#include "engine/scene/BillboardInstance.h"
#include "engine/scene/Octree.h"

#include "backend/math/MathTypes.h"

#include <memory>
#include <set>
#include <vector>

class Billboard;
class Camera;
class Terrain;
class TSimulator;

class BillboardSystem {
public:
    BillboardSystem() = default;
    ~BillboardSystem() { Destroy(); }
    BillboardSystem(const BillboardSystem&) = delete;
    BillboardSystem& operator=(const BillboardSystem&) = delete;

    void AddBillboard(Billboard* billboard, const backend::Vector3& position);
    // One placement per non-zero mask byte; row 0 lies along the +z edge of
    // the area centre -/+ size / 2, column 0 along its -x edge.
    bool AddFromMask(const char* maskFile, int width, int height, Billboard* billboard, const Terrain* terrain,
                     float yOffset, const backend::Vector3* centre, const backend::Vector3* size);
    void BuildTree(int maxDepth, const backend::Vector3* centre, const backend::Vector3* size);
    // Collects the visible placements and sorts them far to near.
    void Update(const Camera* camera);
    void Render(const Camera* camera, bool flat);
    bool AddToPhysics(TSimulator* simulator);
    void Destroy();

    Octree<BillboardInstance> tree;
    std::set<Billboard*> billboards;
    std::vector<std::unique_ptr<BillboardInstance>> instances;
    std::vector<BillboardInstance*> sorted;
    int32_t collidingCount = 0;

private:
    BillboardBatch batch;
};

#pragma once
// The landscape of a track: an 8-bit height map made into a grid of vertices,
// cut into patches culled through a quadtree and drawn in texture passes, which
// become one multi-texture draw where the device has the stages. The patches'
// vertices lie in one vertex buffer and their cells in one index buffer, patch
// after patch, so that visible neighbours draw as one range. It answers height
// queries and hands its triangles to the physics engine.

#include "engine/platform/RawData.h"
#include "engine/scene/HeightField.h"
#include "engine/scene/Octree.h"
#include "engine/scene/TerrainFold.h"
#include "engine/scene/TerrainPass.h"
#include "engine/scene/TerrainPatch.h"
#include "engine/scene/TerrainRun.h"
#include "engine/scene/TerrainVertex.h"

#include "backend/gpu/GpuTypes.h"

#include <memory>
#include <vector>

namespace backend {
class GpuIndexBuffer;
class GpuVertexBuffer;
} // namespace backend
struct TTerrainMesh;

constexpr int TERRAIN_TREE_DEPTH = 9;

class Terrain {
public:
    Terrain() = default;
    ~Terrain();
    Terrain(const Terrain&) = delete;
    Terrain& operator=(const Terrain&) = delete;

    // The cell counts must be positive multiples of the patch counts.
    bool Init(const backend::Vector3* size, int cellsX, int cellsZ, int patchesX, int patchesZ);
    bool LoadHeightMap(const char* path, int width, int height, uint32_t format);
    bool Build(bool smooth, bool smoothBorders);
    // alphaMapFile null or empty: no alpha map. A tiling of 0 counts as 1.
    bool AddPass(const char* textureFile, const char* alphaMapFile, float tileU, float tileV, bool opaque);
    void Render(const Camera* camera, bool flat);
    // True when Render(camera, false) draws one opaque pass (no blending, every
    // layer folded into the device's texture stages).
    bool DrawsOnePass();
    // Only the height of `out` means anything to the callers.
    bool GetSurfacePoint(const backend::Vector3* point, backend::Vector3* out) const;
    bool SnapToGround(backend::Vector3* point, float offset) const;
    bool SnapToGroundXZ(backend::Vector3* point, float offset) const;
    // The arrays are made with new[]; the caller frees them with delete[].
    void BuildCollisionMesh(TTerrainMesh* out, uint32_t material) const;
    // The passes' textures, then the buffers from the kept vertex grid.
    bool Restore();
    void Release();
    void Destroy();

    // Vertex (row, column); row 0 lies along the +z edge.
    const TerrainVertex& VertexAt(int row, int column) const { return vertices[size_t(row) * (cellsX + 1) + column]; }

    Octree<TerrainPatch, 4> patchTree;
    // Patch after patch: its own vertices (sharing their border values with
    // the neighbours) and its cells indexing them.
    backend::GpuVertexBuffer* vertexBuffer = nullptr;
    backend::GpuIndexBuffer* indexBuffer = nullptr;
    backend::GpuMaterial material;
    std::vector<TerrainVertex> vertices;
    std::vector<uint32_t> indices;
    std::vector<std::unique_ptr<TerrainPass>> passes;
    RawData heightMap;
    HeightField heights; // the vertex heights, for the ground queries
    int cellsX = 0, cellsZ = 0;
    float cellSizeX = 0.0f, cellSizeZ = 0.0f;
    int patchesX = 0, patchesZ = 0;
    int cellsPerPatchX = 0, cellsPerPatchZ = 0;
    std::vector<TerrainPatch> patches;
    int vertexCount = 0, indexCount = 0, triangleCount = 0;
    int patchVertexCount = 0, patchIndexCount = 0, patchTriangleCount = 0;
    backend::Vector3 size;
    backend::Vector3 position;
    backend::Matrix world;

private:
    void ComputeNormals();
    bool CreateBuffers();
    void BuildPatchTree();
    void ReleaseBuffers();
    // The visible patches as runs of neighbours in the index buffer.
    void CollectRuns(const std::vector<TerrainPatch*>& visible);
    void DrawPasses(bool flat);
    void DrawPass(const TerrainPass& pass);
    // Where the device has the stages: the passes in one draw of each run.
    bool DrawFolded();
    bool BuildFold();
    void DrawRuns();

    std::vector<uint8_t> patchVisible; // per patch, for CollectRuns
    std::vector<TerrainRun> runs;
    TerrainFold fold;
};

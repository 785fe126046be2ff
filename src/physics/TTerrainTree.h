#pragma once
// Four-way tree over the terrain's triangles in x and z. Leaves hold triangle indices; one triangle may be
// listed by several leaves. Nodes live in one array addressed by index; index -1 names the root.

#include "physics/TAllocator.h"
#include "physics/TDefaultAllocator.h"
#include "physics/TGrowArray.h"
#include "physics/TMath.h"
#include "physics/TTerrainTriangle.h"

#include <cstdint>

class TTerrainTree;

constexpr int32_t TTREE_ROOT = -1;
constexpr int32_t TTREE_NO_CHILD = -1;
constexpr int32_t TTREE_ROOT_PARENT = -2;
constexpr int32_t TTREE_CHILD_COUNT = 4;
constexpr int32_t TTREE_MAX_DEPTH = 5;       // nodes at this depth are always leaves
constexpr int32_t TTREE_LEAF_TRIANGLES = 10; // fewer triangles than this make a leaf

struct TTerrainTreeNode {
    TTerrainTree* owner = nullptr;
    int32_t parent = TTREE_ROOT_PARENT;
    int32_t children[TTREE_CHILD_COUNT] = {TTREE_NO_CHILD, TTREE_NO_CHILD, TTREE_NO_CHILD, TTREE_NO_CHILD};
    float min[3] = {};
    float max[3] = {};
    uint32_t* triangles = nullptr; // a block from the tree's allocator; empty for an inner node
    int32_t triangleCount = 0;

    bool IsLeaf() const { return triangleCount > 0; }
};

class TTerrainTree {
public:
    TTerrainTree() = default;
    TTerrainTree(const TTerrainTree&) = delete;
    TTerrainTree& operator=(const TTerrainTree&) = delete;
    ~TTerrainTree() { Clear(); }

    // First capacity and growth step (-1 doubles, 0 never grows) of the node array of the next build.
    void SetNodeReserve(int32_t startCount, int32_t growBy)
    {
        reservedStartCount = startCount;
        reservedGrowBy = growBy;
    }

    // Copies the mesh and builds the tree; 0, changing nothing, for a null array or a count below 1.
    int Build(const TVec4* vertices, int vertexCount, const TTerrainTriangle* triangles, int triangleCount,
              TAllocator* allocator);
    // Appends every leaf whose box meets the given box (closed intervals); start with the root at depth 0.
    void Query(const TTerrainTreeNode* node, TGrowArray<const TTerrainTreeNode*>* result, const TVec4* boxMin,
               const TVec4* boxMax, int depth) const;
    void Query(TGrowArray<const TTerrainTreeNode*>* result, const TVec4& boxMin, const TVec4& boxMax) const
    {
        Query(&root, result, &boxMin, &boxMax, 0);
    }
    TTerrainTreeNode* GetNode(int index) { return index == TTREE_ROOT ? &root : &nodes[index]; }
    const TTerrainTreeNode* GetNode(int index) const { return index == TTREE_ROOT ? &root : &nodes[index]; }
    void Clear();

    const TVec4* Vertices() const { return vertices; }
    int32_t VertexCount() const { return vertexCount; }
    const TTerrainTriangle* Triangles() const { return triangleArray.Count() > 0 ? &triangleArray[0] : nullptr; }
    int32_t TriangleCount() const { return triangleArray.Count(); }
    int32_t NodeCount() const { return nodes.Count(); }

    // Whether a triangle of this tree meets a cell; a triangle lying in a face plane of the cell counts.
    int TriangleOverlapsBox(const float cellMin[3], const float cellMax[3], const TTerrainTriangle& triangle) const;

private:
    void BuildNode(int32_t nodeIndex, const uint32_t* list, int32_t count, int32_t depth);
    bool SetTriangles(int32_t nodeIndex, const uint32_t* list, int32_t count);
    void ListBounds(const uint32_t* list, int32_t count, float min[3], float max[3]) const;
    void ReleaseNodes();

    TVec4* vertices = nullptr;
    int32_t vertexCount = 0;
    TGrowArray<TTerrainTriangle> triangleArray;
    TGrowArray<TTerrainTreeNode> nodes;
    TAllocator* allocator = nullptr;
    TDefaultAllocator ownAllocator;
    TTerrainTreeNode root;
    int32_t reservedStartCount = 200;
    int32_t reservedGrowBy = -1;
};

// Separating-axis overlap of a triangle and a box (centre, half size); touching counts.
int TriangleBoxOverlap(const float centre[3], const float halfSize[3], const float triangle[3][3]);
// Whether the plane (normal, d) meets the box of the given half size centred at the origin.
int PlaneBoxOverlap(const float normal[3], float d, const float halfSize[3]);

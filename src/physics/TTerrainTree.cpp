#include "physics/TTerrainTree.h"

#include <cmath>
#include <cstring>
#include <initializer_list>

int PlaneBoxOverlap(const float normal[3], float d, const float halfSize[3])
{
    float vmin[3];
    float vmax[3];
    for (int q = 0; q < 3; ++q) {
        if (normal[q] > 0.0f) {
            vmin[q] = -halfSize[q];
            vmax[q] = halfSize[q];
        } else {
            vmin[q] = halfSize[q];
            vmax[q] = -halfSize[q];
        }
    }
    float atMin = normal[0] * vmin[0] + normal[1] * vmin[1] + normal[2] * vmin[2];
    if (atMin + d > 0.0f) {
        return 0;
    }
    float atMax = normal[0] * vmax[0] + normal[1] * vmax[1] + normal[2] * vmax[2];
    return atMax + d >= 0.0f ? 1 : 0;
}

int TriangleBoxOverlap(const float centre[3], const float halfSize[3], const float triangle[3][3])
{
    float v[3][3];
    for (int i = 0; i < 3; ++i) {
        for (int k = 0; k < 3; ++k) {
            v[i][k] = triangle[i][k] - centre[k];
        }
    }
    float e[3][3];
    for (int k = 0; k < 3; ++k) {
        e[0][k] = v[1][k] - v[0][k];
        e[1][k] = v[2][k] - v[1][k];
        e[2][k] = v[0][k] - v[2][k];
    }
    // The nine axes edge x unit axis, edge by edge.
    for (int j = 0; j < 3; ++j) {
        for (int k = 0; k < 3; ++k) {
            float axis[3] = {0.0f, 0.0f, 0.0f};
            int k1 = (k + 1) % 3;
            int k2 = (k + 2) % 3;
            axis[k1] = e[j][k2];
            axis[k2] = -e[j][k1];
            float p0 = axis[0] * v[0][0] + axis[1] * v[0][1] + axis[2] * v[0][2];
            float p1 = axis[0] * v[1][0] + axis[1] * v[1][1] + axis[2] * v[1][2];
            float p2 = axis[0] * v[2][0] + axis[1] * v[2][1] + axis[2] * v[2][2];
            float low = std::fmin(p0, std::fmin(p1, p2));
            float high = std::fmax(p0, std::fmax(p1, p2));
            float radius = halfSize[k1] * std::fabs(axis[k1]) + halfSize[k2] * std::fabs(axis[k2]);
            if (low > radius || high < -radius) {
                return 0;
            }
        }
    }
    for (int k = 0; k < 3; ++k) {
        float low = std::fmin(v[0][k], std::fmin(v[1][k], v[2][k]));
        float high = std::fmax(v[0][k], std::fmax(v[1][k], v[2][k]));
        if (low > halfSize[k] || high < -halfSize[k]) {
            return 0;
        }
    }
    float normal[3] = {e[0][1] * e[1][2] - e[0][2] * e[1][1], e[0][2] * e[1][0] - e[0][0] * e[1][2],
                       e[0][0] * e[1][1] - e[0][1] * e[1][0]};
    float d = -(normal[0] * v[0][0] + normal[1] * v[0][1] + normal[2] * v[0][2]);
    return PlaneBoxOverlap(normal, d, halfSize);
}

int TTerrainTree::TriangleOverlapsBox(const float cellMin[3], const float cellMax[3],
                                      const TTerrainTriangle& triangle) const
{
    const TVec4& a = vertices[triangle.a];
    const TVec4& b = vertices[triangle.b];
    const TVec4& c = vertices[triangle.c];
    TVec4 n = Normalize3(Cross3(b - a, c - b));
    float pad[3] = {0.0f, 0.0f, 0.0f};
    // A triangle lying in a face plane of the cell still meets it.
    if (std::fabs(std::fabs(n.x) - 1.0f) < 1e-6f) {
        pad[0] = 0.01f;
    } else if (std::fabs(std::fabs(n.y) - 1.0f) < 1e-6f) {
        pad[1] = 0.01f;
    } else if (std::fabs(std::fabs(n.z) - 1.0f) < 1e-6f) {
        pad[2] = 0.01f;
    }
    float centre[3];
    float half[3];
    for (int k = 0; k < 3; ++k) {
        centre[k] = (cellMin[k] + cellMax[k]) * 0.5f;
        half[k] = (cellMax[k] - cellMin[k]) * 0.5f + pad[k];
    }
    float corners[3][3] = {{a.x, a.y, a.z}, {b.x, b.y, b.z}, {c.x, c.y, c.z}};
    return TriangleBoxOverlap(centre, half, corners);
}

void TTerrainTree::ListBounds(const uint32_t* list, int32_t count, float min[3], float max[3]) const
{
    for (int k = 0; k < 3; ++k) {
        min[k] = 1e6f;
        max[k] = -1e6f;
    }
    for (int32_t i = 0; i < count; ++i) {
        const TTerrainTriangle& t = triangleArray[int32_t(list[i])];
        for (uint32_t index : {t.a, t.b, t.c}) {
            for (int k = 0; k < 3; ++k) {
                min[k] = std::fmin(min[k], vertices[index][k]);
                max[k] = std::fmax(max[k], vertices[index][k]);
            }
        }
    }
}

bool TTerrainTree::SetTriangles(int32_t nodeIndex, const uint32_t* list, int32_t count)
{
    TTerrainTreeNode* node = GetNode(nodeIndex);
    if (node->triangles != nullptr) {
        allocator->Free(node->triangles);
    }
    node->triangles = nullptr;
    node->triangleCount = 0;
    for (int32_t& child : node->children) {
        child = TTREE_NO_CHILD;
    }
    auto* block = static_cast<uint32_t*>(allocator->Alloc(sizeof(uint32_t) * size_t(count), 0));
    if (block == nullptr) {
        return false;
    }
    std::memcpy(block, list, sizeof(uint32_t) * size_t(count));
    node->triangles = block;
    node->triangleCount = count;
    return true;
}

void TTerrainTree::BuildNode(int32_t nodeIndex, const uint32_t* list, int32_t count, int32_t depth)
{
    TVec4 split;
    for (int32_t i = 0; i < count; ++i) {
        const TTerrainTriangle& t = triangleArray[int32_t(list[i])];
        split += vertices[t.a] + vertices[t.b] + vertices[t.c];
    }
    split = split * (1.0f / (3.0f * float(count)));
    if (depth >= TTREE_MAX_DEPTH || count < TTREE_LEAF_TRIANGLES) {
        SetTriangles(nodeIndex, list, count);
        return;
    }
    auto* childList = static_cast<uint32_t*>(allocator->Alloc(sizeof(uint32_t) * size_t(count), 0));
    if (childList == nullptr) {
        SetTriangles(nodeIndex, list, count);
        return;
    }
    for (int q = 0; q < TTREE_CHILD_COUNT; ++q) {
        const TTerrainTreeNode* node = GetNode(nodeIndex);
        float cellMin[3] = {node->min[0], node->min[1], node->min[2]};
        float cellMax[3] = {node->max[0], node->max[1], node->max[2]};
        bool highX = q == 1 || q == 2;
        bool highZ = q == 2 || q == 3;
        (highX ? cellMin[0] : cellMax[0]) = split.x;
        (highZ ? cellMin[2] : cellMax[2]) = split.z;
        int32_t found = 0;
        for (int32_t i = 0; i < count; ++i) {
            if (TriangleOverlapsBox(cellMin, cellMax, triangleArray[int32_t(list[i])])) {
                childList[found++] = list[i];
            }
        }
        if (found == 0) {
            GetNode(nodeIndex)->children[q] = TTREE_NO_CHILD;
            continue;
        }
        if (found == count) {
            SetTriangles(nodeIndex, list, count);
            break;
        }
        TTerrainTreeNode* child = nodes.PushSlot();
        if (child == nullptr) {
            // No room for another node: this one keeps its triangles as a leaf.
            SetTriangles(nodeIndex, list, count);
            break;
        }
        *child = TTerrainTreeNode{};
        child->owner = this;
        child->parent = nodeIndex;
        int32_t childIndex = nodes.Count() - 1;
        float yMin[3];
        float yMax[3];
        ListBounds(childList, found, yMin, yMax);
        child->min[0] = cellMin[0];
        child->max[0] = cellMax[0];
        child->min[2] = cellMin[2];
        child->max[2] = cellMax[2];
        child->min[1] = yMin[1];
        child->max[1] = yMax[1];
        GetNode(nodeIndex)->children[q] = childIndex;
        // The child's own list outlives this loop's scratch.
        auto* own = static_cast<uint32_t*>(allocator->Alloc(sizeof(uint32_t) * size_t(found), 0));
        if (own == nullptr) {
            SetTriangles(childIndex, childList, found);
            continue;
        }
        std::memcpy(own, childList, sizeof(uint32_t) * size_t(found));
        BuildNode(childIndex, own, found, depth + 1);
        allocator->Free(own);
    }
    allocator->Free(childList);
}

void TTerrainTree::ReleaseNodes()
{
    if (root.triangles != nullptr) {
        allocator->Free(root.triangles);
    }
    for (int32_t i = 0; i < nodes.Count(); ++i) {
        if (nodes[i].triangles != nullptr) {
            allocator->Free(nodes[i].triangles);
        }
    }
    nodes.Release();
    root = TTerrainTreeNode{};
    root.owner = this;
    for (int k = 0; k < 3; ++k) {
        root.min[k] = root.max[k] = 0.0f;
    }
}

void TTerrainTree::Clear()
{
    if (allocator != nullptr) {
        ReleaseNodes();
        triangleArray.Release();
        if (vertices != nullptr) {
            allocator->Free(vertices);
        }
    }
    vertices = nullptr;
    vertexCount = 0;
    root = TTerrainTreeNode{};
    root.owner = this;
    allocator = nullptr;
}

int TTerrainTree::Build(const TVec4* vertexArray, int count, const TTerrainTriangle* triangles, int triangleCount,
                        TAllocator* with)
{
    if (vertexArray == nullptr || triangles == nullptr || count < 1 || triangleCount < 1) {
        return 0;
    }
    // A triangle naming a vertex that is not there would read past the copy.
    for (int i = 0; i < triangleCount; ++i) {
        const TTerrainTriangle& t = triangles[i];
        if (t.a >= uint32_t(count) || t.b >= uint32_t(count) || t.c >= uint32_t(count)) {
            return 0;
        }
    }
    Clear();
    allocator = with != nullptr ? with : &ownAllocator;
    root.owner = this;
    if (!triangleArray.Create(allocator, triangleCount, 0)) {
        Clear();
        return 0;
    }
    for (int i = 0; i < triangleCount; ++i) {
        triangleArray.Push(triangles[i]);
    }
    vertices = static_cast<TVec4*>(allocator->Alloc(sizeof(TVec4) * size_t(count), 0));
    auto* list = static_cast<uint32_t*>(allocator->Alloc(sizeof(uint32_t) * size_t(triangleCount), 0));
    if (vertices == nullptr || list == nullptr) {
        if (list != nullptr) {
            allocator->Free(list);
        }
        Clear();
        return 0;
    }
    std::memcpy(static_cast<void*>(vertices), vertexArray, sizeof(TVec4) * size_t(count));
    vertexCount = count;
    nodes.Create(allocator, reservedStartCount, reservedGrowBy);
    for (int i = 0; i < triangleCount; ++i) {
        list[i] = uint32_t(i);
    }
    ListBounds(list, triangleCount, root.min, root.max);
    root.parent = TTREE_ROOT_PARENT;
    BuildNode(TTREE_ROOT, list, triangleCount, 0);
    allocator->Free(list);
    return 1;
}

void TTerrainTree::Query(const TTerrainTreeNode* node, TGrowArray<const TTerrainTreeNode*>* result, const TVec4* boxMin,
                         const TVec4* boxMax, int depth) const
{
    if (!(boxMin->y <= node->max[1] && boxMax->y >= node->min[1] && boxMin->x <= node->max[0] &&
          boxMax->x >= node->min[0] && boxMin->z <= node->max[2] && boxMax->z >= node->min[2])) {
        return;
    }
    if (node->triangleCount > 0) {
        result->Push(node);
        return;
    }
    for (int32_t child : node->children) {
        if (child != TTREE_NO_CHILD) {
            Query(&nodes[child], result, boxMin, boxMax, depth + 1);
        }
    }
}

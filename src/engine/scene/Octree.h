#pragma once
// The culling tree over elements with world boxes (track objects, terrain
// patches, billboard placements). It never owns or changes its elements.

#include "engine/scene/OctreeNode.h"

#include "backend/math/Vector.h"

#include <algorithm>
#include <cstddef>

template <typename T, int CHILD_COUNT = 8> class Octree {
public:
    using Node = OctreeNode<T, CHILD_COUNT>;

    Octree() = default;
    ~Octree() { Clear(); }
    Octree(const Octree&) = delete;
    Octree& operator=(const Octree&) = delete;

    // Root box = centre -/+ size / 2, split once when maxDepth is above 0.
    void Begin(const backend::Vector3& centre, const backend::Vector3& size, int newMaxDepth)
    {
        Clear();
        maxDepth = newMaxDepth;
        root.bounds.min = centre - size * 0.5f;
        root.bounds.max = centre + size * 0.5f;
        if (maxDepth > 0)
            root.Subdivide();
    }

    // Into the first root child that wholly contains the element (below it
    // from depth 2 on), else into the root.
    void Place(T* element)
    {
        // Room in `visible` for every element, so that collecting never allocates.
        ++placed;
        if (visible.capacity() < placed)
            visible.reserve(std::max(placed, 2 * visible.capacity()));
        Node* child = root.FindContainingChild(GetElementBounds(*element));
        if (child == nullptr) {
            root.elements.push_back(element);
            return;
        }
        if (maxDepth < 2) {
            child->elements.push_back(element);
            return;
        }
        if (child->children.empty())
            child->Subdivide();
        child->Insert(element, 2, maxDepth);
    }

    void Prune() { root.Prune(); }

    // visible = the elements whose boxes may be seen; reuses its storage.
    const std::vector<T*>& CollectVisible(const Camera& camera)
    {
        visible.clear();
        root.CollectVisible(camera, visible);
        return visible;
    }

    void Clear()
    {
        root.Clear();
        visible.clear();
        placed = 0;
        maxDepth = 0;
    }

    Node root;
    std::vector<T*> visible;
    std::size_t placed = 0; // elements placed since Begin
    int maxDepth = 0;
};

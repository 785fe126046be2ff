#pragma once
// One node of the culling tree: its children by value, the elements it holds
// (not owned) and its box. CHILD_COUNT is 8 for octants, 4 for quadrants in x
// and z that keep the node's whole height (the terrain's patches).

#include "engine/platform/BoundingBox.h"
#include "engine/scene/Camera.h"

#include <cstddef>
#include <vector>

// The box the tree reads from an element.
template <typename T> const BoundingBox& GetElementBounds(const T& element)
{
    return element.bounds;
}

inline bool BoxContains(const BoundingBox& outer, const BoundingBox& inner)
{
    return outer.min.x <= inner.min.x && outer.min.y <= inner.min.y && outer.min.z <= inner.min.z &&
           outer.max.x >= inner.max.x && outer.max.y >= inner.max.y && outer.max.z >= inner.max.z;
}

template <typename T, int CHILD_COUNT = 8> class OctreeNode {
    static_assert(CHILD_COUNT == 8 || CHILD_COUNT == 4);

public:
    // Children ordered by bit 0 = x, bit 1 = y (octants) or z (quadrants), bit 2 = z; 0 = low half.
    void Subdivide()
    {
        const backend::Vector3 c = {(bounds.min.x + bounds.max.x) * 0.5f, (bounds.min.y + bounds.max.y) * 0.5f,
                                    (bounds.min.z + bounds.max.z) * 0.5f};
        children.clear();
        children.resize(CHILD_COUNT);
        for (int i = 0; i < CHILD_COUNT; ++i) {
            BoundingBox& box = children[i].bounds;
            const bool highX = (i & 1) != 0;
            const bool highY = CHILD_COUNT == 8 && (i & 2) != 0;
            const bool highZ = CHILD_COUNT == 8 ? (i & 4) != 0 : (i & 2) != 0;
            box.min.x = highX ? c.x : bounds.min.x;
            box.max.x = highX ? bounds.max.x : c.x;
            box.min.z = highZ ? c.z : bounds.min.z;
            box.max.z = highZ ? bounds.max.z : c.z;
            if (CHILD_COUNT == 8) {
                box.min.y = highY ? c.y : bounds.min.y;
                box.max.y = highY ? bounds.max.y : c.y;
            } else {
                box.min.y = bounds.min.y;
                box.max.y = bounds.max.y;
            }
        }
    }

    // Walks down through the first child that wholly contains the element;
    // the element stays in the deepest containing node, or in the child
    // reached at maxDepth.
    void Insert(T* element, int depth, int maxDepth)
    {
        const BoundingBox& box = GetElementBounds(*element);
        OctreeNode* node = this;
        for (;;) {
            OctreeNode* child = node->FindContainingChild(box);
            if (child == nullptr) {
                node->elements.push_back(element);
                return;
            }
            if (depth >= maxDepth) {
                child->elements.push_back(element);
                return;
            }
            if (child->children.empty())
                child->Subdivide();
            node = child;
            ++depth;
        }
    }

    OctreeNode* FindContainingChild(const BoundingBox& box)
    {
        for (OctreeNode& child : children)
            if (BoxContains(child.bounds, box))
                return &child;
        return nullptr;
    }

    // The node's own box is not tested; a child that fails is skipped whole.
    void CollectVisible(const Camera& camera, std::vector<T*>& out) const
    {
        for (T* element : elements)
            if (camera.IsBoxInFrustum(&GetElementBounds(*element)))
                out.push_back(element);
        for (const OctreeNode& child : children)
            if (camera.IsBoxInFrustum(&child.bounds))
                child.CollectVisible(camera, out);
    }

    // Removes children without elements and children; a child emptied by its
    // own pruning stays for this pass.
    void Prune()
    {
        for (std::size_t i = 0; i < children.size();) {
            OctreeNode& child = children[i];
            if (child.elements.empty() && child.children.empty()) {
                children.erase(children.begin() + std::ptrdiff_t(i));
                continue;
            }
            if (!child.children.empty())
                child.Prune();
            ++i;
        }
    }

    void Clear()
    {
        for (OctreeNode& child : children)
            child.Clear();
        bounds = BoundingBox();
        std::vector<T*>().swap(elements);
        std::vector<OctreeNode>().swap(children);
    }

    std::vector<OctreeNode> children;
    std::vector<T*> elements;
    BoundingBox bounds;
};

#include "engine/scene/Octree.h"

#include "backend/math/Vector.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

using backend::Vector3;

namespace {

struct TestElement {
    BoundingBox bounds;
};

TestElement MakeElement(Vector3 min, Vector3 max)
{
    TestElement element;
    element.bounds.min = min;
    element.bounds.max = max;
    return element;
}

// The depth of the node holding the element, -1 when none does.
template <typename Node> int DepthOf(const Node& node, const TestElement* element, int depth = 0)
{
    if (std::find(node.elements.begin(), node.elements.end(), element) != node.elements.end())
        return depth;
    for (const Node& child : node.children) {
        const int found = DepthOf(child, element, depth + 1);
        if (found >= 0)
            return found;
    }
    return -1;
}

template <typename Node> size_t CountElements(const Node& node)
{
    size_t count = node.elements.size();
    for (const Node& child : node.children)
        count += CountElements(child);
    return count;
}

std::vector<TestElement> RandomBoxes(std::mt19937& random, int count, float extent)
{
    std::uniform_real_distribution<float> place(-extent, extent);
    std::uniform_real_distribution<float> sizes(0.0f, extent * 0.05f);
    std::vector<TestElement> boxes;
    for (int i = 0; i < count; ++i) {
        Vector3 min = {place(random), place(random) * 0.2f, place(random)};
        // Every tenth box is large, some are flat, a few lie outside the root.
        float scale = i % 10 == 0 ? 8.0f : 1.0f;
        Vector3 size = {sizes(random) * scale, i % 7 == 0 ? 0.0f : sizes(random), sizes(random) * scale};
        if (i % 97 == 0)
            min.x += extent * 3.0f;
        boxes.push_back(MakeElement(min, min + size));
    }
    return boxes;
}

template <int CHILDREN> void CheckAgainstBruteForce(int maxDepth)
{
    std::mt19937 random(1234 + maxDepth * 10 + CHILDREN);
    const float extent = 500.0f;
    std::vector<TestElement> boxes = RandomBoxes(random, 4000, extent);
    const std::vector<TestElement> before = boxes;

    Octree<TestElement, CHILDREN> tree;
    tree.Begin({0.0f, 0.0f, 0.0f}, {2 * extent, 2 * extent, 2 * extent}, maxDepth);
    for (TestElement& box : boxes)
        tree.Place(&box);
    tree.Prune();
    ASSERT_EQ(CountElements(tree.root), boxes.size());

    // Collecting reuses storage sized by the placing.
    TestElement* const* storage = tree.visible.data();
    ASSERT_NE(storage, nullptr);
    std::uniform_real_distribution<float> eyes(-extent, extent);
    std::uniform_real_distribution<float> turns(-3.14159265f, 3.14159265f);
    for (int view = 0; view < 40; ++view) {
        Camera camera;
        const Vector3 eye = {eyes(random), eyes(random) * 0.1f, eyes(random)};
        const Vector3 angles = {turns(random) * 0.3f, turns(random), 0.0f};
        camera.Set(0.8f, 4.0f / 3.0f, 0.5f, 300.0f, &eye, &angles);

        std::vector<TestElement*> expected;
        for (TestElement& box : boxes)
            if (camera.IsBoxInFrustum(&box.bounds))
                expected.push_back(&box);
        std::vector<TestElement*> found = tree.CollectVisible(camera);
        std::sort(expected.begin(), expected.end());
        std::sort(found.begin(), found.end());
        ASSERT_EQ(found, expected) << "view " << view;
        ASSERT_EQ(tree.visible.data(), storage) << "view " << view;
    }
    for (size_t i = 0; i < boxes.size(); ++i) {
        ASSERT_EQ(boxes[i].bounds.min, before[i].bounds.min);
        ASSERT_EQ(boxes[i].bounds.max, before[i].bounds.max);
    }
}

} // namespace

TEST(Octree, OctantTreeCollectsExactlyTheBruteForceSet)
{
    CheckAgainstBruteForce<8>(4);
    CheckAgainstBruteForce<8>(8);
}

TEST(Octree, QuadrantTreeCollectsExactlyTheBruteForceSet)
{
    CheckAgainstBruteForce<4>(9);
    CheckAgainstBruteForce<4>(1);
}

TEST(Octree, ContainmentIncludesTheBoundsAndStopsAtMaxDepth)
{
    // Root -8..8: a level-1 octant spans 0..8, a level-2 one 0..4.
    TestElement octant = MakeElement({0, 0, 0}, {8, 8, 8});
    TestElement deep = MakeElement({0.5f, 0.5f, 0.5f}, {1, 1, 1});
    TestElement straddling = MakeElement({-1, 1, 1}, {1, 2, 2});
    Octree<TestElement> tree;
    tree.Begin({0, 0, 0}, {16, 16, 16}, 3);
    tree.Place(&octant);
    tree.Place(&deep);
    tree.Place(&straddling);
    EXPECT_EQ(DepthOf(tree.root, &octant), 1);
    EXPECT_EQ(DepthOf(tree.root, &deep), 3);
    EXPECT_EQ(DepthOf(tree.root, &straddling), 0);
    // The octant with bit 0 (x), bit 1 (y) and bit 2 (z) all high holds the first box.
    ASSERT_EQ(tree.root.children.size(), 8u);
    EXPECT_EQ(tree.root.children[7].elements.size(), 1u);

    Octree<TestElement> shallow;
    shallow.Begin({0, 0, 0}, {16, 16, 16}, 2);
    shallow.Place(&deep);
    EXPECT_EQ(DepthOf(shallow.root, &deep), 2);

    Octree<TestElement> flat;
    flat.Begin({0, 0, 0}, {16, 16, 16}, 0);
    flat.Place(&deep);
    EXPECT_TRUE(flat.root.children.empty());
    EXPECT_EQ(DepthOf(flat.root, &deep), 0);
}

TEST(Octree, QuadrantsSpanTheWholeHeight)
{
    TestElement tall = MakeElement({1, -7, 1}, {2, 7, 2});
    Octree<TestElement, 4> tree;
    tree.Begin({0, 0, 0}, {16, 16, 16}, 9);
    tree.Place(&tall);
    ASSERT_EQ(tree.root.children.size(), 4u);
    for (const auto& child : tree.root.children) {
        EXPECT_EQ(child.bounds.min.y, -8.0f);
        EXPECT_EQ(child.bounds.max.y, 8.0f);
    }
    // x high and z high is quadrant 3; the tall box sinks below it.
    EXPECT_GT(DepthOf(tree.root, &tall), 2);
}

TEST(Octree, PruneRemovesEmptyLeavesKeepsOrderAndLeavesEmptiedInnerNodes)
{
    TestElement lowCorner = MakeElement({-7, -7, -7}, {-6, -6, -6});
    TestElement highCorner = MakeElement({6, 6, 6}, {7, 7, 7});
    Octree<TestElement> tree;
    tree.Begin({0, 0, 0}, {16, 16, 16}, 2);
    tree.Place(&lowCorner);
    tree.Place(&highCorner);
    // An inner node whose children are all empty leaves.
    tree.root.children[3].Subdivide();
    tree.Prune();
    ASSERT_EQ(tree.root.children.size(), 3u);
    EXPECT_EQ(DepthOf(tree.root.children[0], &lowCorner), 1);
    EXPECT_TRUE(tree.root.children[1].children.empty());
    EXPECT_TRUE(tree.root.children[1].elements.empty());
    EXPECT_EQ(DepthOf(tree.root.children[2], &highCorner), 1);
    for (const auto& child : tree.root.children[0].children)
        EXPECT_FALSE(child.elements.empty() && child.children.empty());
}

TEST(Octree, ElementOutsideTheRootStaysInTheRootAndIsTestedEachTime)
{
    TestElement outside = MakeElement({100, -1, 20}, {101, 1, 21});
    TestElement inside = MakeElement({1, 1, 1}, {2, 2, 2});
    Octree<TestElement> tree;
    tree.Begin({0, 0, 0}, {16, 16, 16}, 4);
    tree.Place(&outside);
    tree.Place(&inside);
    tree.Prune();
    EXPECT_EQ(DepthOf(tree.root, &outside), 0);

    Camera camera;
    const Vector3 eye = {100.5f, 0, 0}, angles = {0, 0, 0};
    camera.Set(0.8f, 1.0f, 0.5f, 100.0f, &eye, &angles);
    for (int i = 0; i < 2; ++i) {
        const std::vector<TestElement*>& visible = tree.CollectVisible(camera);
        ASSERT_EQ(visible.size(), 1u);
        EXPECT_EQ(visible[0], &outside);
    }
    tree.Clear();
    EXPECT_TRUE(tree.root.children.empty());
    EXPECT_TRUE(tree.CollectVisible(camera).empty());
}

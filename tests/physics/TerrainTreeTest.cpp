#include "CollisionTestKit.h"
#include "PhysicsTestSupport.h"
#include "TerrainMeshKit.h"

#include "physics/TTerrainTree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

using namespace collisionkit;

namespace {

int Build(TTerrainTree& tree, const TestMesh& mesh, TAllocator* allocator = nullptr)
{
    return tree.Build(mesh.vertices.data(), int(mesh.vertices.size()), mesh.triangles.data(),
                      int(mesh.triangles.size()), allocator);
}

std::set<uint32_t> Gather(const TTerrainTree& tree, const TVec4& min, const TVec4& max,
                          std::vector<const TTerrainTreeNode*>* leaves = nullptr)
{
    TDefaultAllocator allocator;
    TGrowArray<const TTerrainTreeNode*> result;
    result.Create(&allocator, 16, -1);
    tree.Query(&result, min, max);
    std::set<uint32_t> found;
    for (int32_t i = 0; i < result.Count(); ++i) {
        const TTerrainTreeNode* leaf = result[i];
        EXPECT_TRUE(leaf->IsLeaf());
        if (leaves != nullptr) {
            leaves->push_back(leaf);
        }
        for (int32_t t = 0; t < leaf->triangleCount; ++t) {
            found.insert(leaf->triangles[t]);
        }
    }
    return found;
}

// Triangles that meet the box, by the box-triangle overlap test over all of them.
std::set<uint32_t> BruteForce(const TestMesh& mesh, const TVec4& min, const TVec4& max)
{
    std::set<uint32_t> found;
    float centre[3], half[3];
    for (int k = 0; k < 3; ++k) {
        centre[k] = (min[k] + max[k]) * 0.5f;
        half[k] = (max[k] - min[k]) * 0.5f;
    }
    for (size_t i = 0; i < mesh.triangles.size(); ++i) {
        const TTerrainTriangle& t = mesh.triangles[i];
        const TVec4* v[3] = {&mesh.vertices[t.a], &mesh.vertices[t.b], &mesh.vertices[t.c]};
        bool apart = false;
        for (int k = 0; k < 3 && !apart; ++k) {
            float low = std::fmin((*v[0])[k], std::fmin((*v[1])[k], (*v[2])[k]));
            float high = std::fmax((*v[0])[k], std::fmax((*v[1])[k], (*v[2])[k]));
            apart = low > max[k] || high < min[k];
        }
        if (apart) {
            continue;
        }
        float corners[3][3];
        for (int c = 0; c < 3; ++c) {
            for (int k = 0; k < 3; ++k) {
                corners[c][k] = (*v[c])[k];
            }
        }
        if (TriangleBoxOverlap(centre, half, corners)) {
            found.insert(uint32_t(i));
        }
    }
    return found;
}

int Depth(const TTerrainTree& tree, const TTerrainTreeNode* node)
{
    int depth = 0;
    while (node->parent != TTREE_ROOT_PARENT) {
        node = tree.GetNode(node->parent);
        ++depth;
    }
    return depth;
}

// Random query boxes centred within [0, extent] in x and z: each finds every triangle it meets.
void ExpectQueriesFindEveryTriangleTheyMeet(const TTerrainTree& tree, const TestMesh& mesh, float extent,
                                            const TVec4& maxHalf, int queries)
{
    Rng rng(47);
    for (int q = 0; q < queries; ++q) {
        TVec4 centre = Vec(rng.Uniform(0, extent), 0, rng.Uniform(0, extent));
        TVec4 half = Vec(rng.Uniform(0, maxHalf.x), maxHalf.y, rng.Uniform(0, maxHalf.z));
        std::set<uint32_t> found = Gather(tree, centre - half, centre + half);
        for (uint32_t t : BruteForce(mesh, centre - half, centre + half)) {
            ASSERT_TRUE(found.count(t)) << "query " << q << " misses triangle " << t;
        }
    }
}

float Hills(float x, float z)
{
    return 3.0f * std::sin(x * 0.05f) * std::cos(z * 0.07f) + 0.5f * std::sin(x * 0.9f + z);
}

} // namespace

TEST(TerrainTree, FewTrianglesMakeTheRootALeaf)
{
    TestMesh mesh = HeightGrid(2, 1.0f, [](float, float) { return 0.0f; });
    TTerrainTree tree;
    ASSERT_EQ(Build(tree, mesh), 1);
    const TTerrainTreeNode* root = tree.GetNode(TTREE_ROOT);
    EXPECT_EQ(root->triangleCount, 8);
    EXPECT_EQ(root->parent, TTREE_ROOT_PARENT);
    EXPECT_EQ(tree.NodeCount(), 0);
    std::vector<const TTerrainTreeNode*> leaves;
    EXPECT_EQ(Gather(tree, Vec(0.5f, -1, 0.5f), Vec(0.6f, 1, 0.6f), &leaves).size(), 8u);
    ASSERT_EQ(leaves.size(), 1u);
    EXPECT_EQ(leaves[0], root);
    EXPECT_TRUE(Gather(tree, Vec(5, -1, 5), Vec(6, 1, 6)).empty());
    // A box touching the mesh's bounds on a face still meets the root.
    EXPECT_EQ(Gather(tree, Vec(2, -1, 0), Vec(3, 1, 1)).size(), 8u);
}

// On a 257 x 257 grid: exactly the leaves that meet the box, and every triangle that does among them.
TEST(TerrainTree, QueriesReturnExactlyTheLeavesThatMeetTheBox)
{
    TestMesh mesh = HeightGrid(256, 1.0f, Hills);
    TTerrainTree tree;
    tree.SetNodeReserve(int32_t(mesh.vertices.size()), 0);
    ASSERT_EQ(Build(tree, mesh), 1);
    EXPECT_LE(tree.NodeCount(), 1364);
    // Every leaf reachable from the root, found by walking the whole tree.
    std::vector<const TTerrainTreeNode*> allLeaves;
    std::vector<const TTerrainTreeNode*> stack = {tree.GetNode(TTREE_ROOT)};
    while (!stack.empty()) {
        const TTerrainTreeNode* node = stack.back();
        stack.pop_back();
        if (node->IsLeaf()) {
            allLeaves.push_back(node);
            EXPECT_LE(Depth(tree, node), TTREE_MAX_DEPTH);
        }
        for (int32_t child : node->children) {
            if (child != TTREE_NO_CHILD) {
                const TTerrainTreeNode* below = tree.GetNode(child);
                // A child's box lies inside its parent's, so a walk that prunes by box loses nothing.
                for (int k = 0; k < 3; ++k) {
                    ASSERT_GE(below->min[k], node->min[k]);
                    ASSERT_LE(below->max[k], node->max[k]);
                }
                stack.push_back(below);
            }
        }
    }
    ASSERT_GT(allLeaves.size(), 100u);
    // Every triangle sits in some leaf.
    std::set<uint32_t> listed;
    for (const TTerrainTreeNode* leaf : allLeaves) {
        listed.insert(leaf->triangles, leaf->triangles + leaf->triangleCount);
    }
    EXPECT_EQ(listed.size(), mesh.triangles.size());

    Rng rng(53);
    for (int q = 0; q < 300; ++q) {
        TVec4 centre = Vec(rng.Uniform(-5, 261), rng.Uniform(-5, 5), rng.Uniform(-5, 261));
        TVec4 half = Vec(rng.Uniform(0, 4), rng.Uniform(0, 2), rng.Uniform(0, 4));
        // Some boxes snapped to whole units, so that they touch leaf boxes exactly.
        if (q % 3 == 0) {
            centre = Vec(std::round(centre.x), std::round(centre.y), std::round(centre.z));
            half = Vec(std::round(half.x), std::round(half.y), std::round(half.z));
        }
        TVec4 min = centre - half;
        TVec4 max = centre + half;
        std::set<const TTerrainTreeNode*> expected;
        std::set<uint32_t> expectedTriangles;
        for (const TTerrainTreeNode* leaf : allLeaves) {
            bool meets = true;
            for (int k = 0; k < 3; ++k) {
                meets = meets && leaf->min[k] <= max[k] && leaf->max[k] >= min[k];
            }
            if (meets) {
                expected.insert(leaf);
                expectedTriangles.insert(leaf->triangles, leaf->triangles + leaf->triangleCount);
            }
        }
        std::vector<const TTerrainTreeNode*> leaves;
        std::set<uint32_t> found = Gather(tree, min, max, &leaves);
        EXPECT_EQ(leaves.size(), expected.size()) << "query " << q;
        EXPECT_EQ(std::set<const TTerrainTreeNode*>(leaves.begin(), leaves.end()), expected) << "query " << q;
        EXPECT_EQ(found, expectedTriangles) << "query " << q;
        if (q % 2 == 0) {
            for (uint32_t t : BruteForce(mesh, min, max)) {
                ASSERT_TRUE(found.count(t)) << "query " << q << " misses triangle " << t;
            }
        }
    }
}

TEST(TerrainTree, FlatGridTrianglesReachEveryCellTheyTouch)
{
    TestMesh mesh = HeightGrid(32, 1.0f, [](float, float) { return 0.0f; });
    TTerrainTree tree;
    ASSERT_EQ(Build(tree, mesh), 1);
    EXPECT_GT(tree.NodeCount(), 4);
    ExpectQueriesFindEveryTriangleTheyMeet(tree, mesh, 32, Vec(1, 0, 1), 300);
}

TEST(TerrainTree, QuadrantHoldingEverythingStopsTheSplit)
{
    // Long triangles that all cross the middle: every quadrant would receive all of them.
    TestMesh mesh;
    for (int i = 0; i < 12; ++i) {
        float a = 0.5f * float(i);
        mesh.Add(Vec(-10 * std::cos(a), 0, -10 * std::sin(a)), Vec(10 * std::cos(a), 0.1f * float(i), 10 * std::sin(a)),
                 Vec(10 * std::cos(a) + 0.1f, 1, 10 * std::sin(a)));
    }
    TTerrainTree tree;
    ASSERT_EQ(Build(tree, mesh), 1);
    const TTerrainTreeNode* root = tree.GetNode(TTREE_ROOT);
    EXPECT_EQ(root->triangleCount, 12);
    for (int32_t child : root->children) {
        EXPECT_EQ(child, TTREE_NO_CHILD);
    }
}

TEST(TerrainTree, DenseClusterStopsSplittingAtDepthFive)
{
    TestMesh mesh = HeightGrid(64, 1.0f, [](float, float) { return 0.0f; });
    // Pile many tiny triangles onto one spot.
    for (int i = 0; i < 200; ++i) {
        float x = 10.0f + 0.001f * float(i);
        mesh.Add(Vec(x, 0, 10), Vec(x, 0, 10.0005f), Vec(x + 0.0005f, 0, 10));
    }
    TTerrainTree tree;
    tree.SetNodeReserve(64, -1);
    ASSERT_EQ(Build(tree, mesh), 1);
    int deepest = 0;
    for (int32_t i = 0; i < tree.NodeCount(); ++i) {
        deepest = std::max(deepest, Depth(tree, tree.GetNode(i)));
    }
    EXPECT_EQ(deepest, TTREE_MAX_DEPTH);
    std::set<uint32_t> found = Gather(tree, Vec(10, -1, 10), Vec(10.3f, 1, 10.01f));
    for (uint32_t t = uint32_t(64 * 64 * 2); t < uint32_t(mesh.triangles.size()); ++t) {
        EXPECT_TRUE(found.count(t));
    }
}

TEST(TerrainTree, BuildRefusesBrokenInputAndKeepsTheOldTree)
{
    TestMesh mesh = HeightGrid(8, 1.0f, Hills);
    TTerrainTree tree;
    ASSERT_EQ(Build(tree, mesh), 1);
    int32_t triangles = tree.TriangleCount();
    EXPECT_EQ(tree.Build(nullptr, 3, mesh.triangles.data(), 1, nullptr), 0);
    EXPECT_EQ(tree.Build(mesh.vertices.data(), 0, mesh.triangles.data(), 1, nullptr), 0);
    EXPECT_EQ(tree.Build(mesh.vertices.data(), int(mesh.vertices.size()), mesh.triangles.data(), 0, nullptr), 0);
    TestMesh broken = mesh;
    broken.triangles[3].c = 100000; // names a vertex that is not there
    EXPECT_EQ(Build(tree, broken), 0);
    EXPECT_EQ(tree.TriangleCount(), triangles);
    EXPECT_FALSE(Gather(tree, Vec(0, -10, 0), Vec(8, 10, 8)).empty());
}

TEST(TerrainTree, RebuildAndClearGiveEveryBlockBack)
{
    CountingAllocator allocator;
    allocator.fill = 0xCD;
    TestMesh mesh = HeightGrid(40, 1.0f, Hills);
    {
        TTerrainTree tree;
        ASSERT_EQ(Build(tree, mesh, &allocator), 1);
        ASSERT_EQ(Build(tree, mesh, &allocator), 1);
        EXPECT_GT(allocator.live.size(), 0u);
        tree.Clear();
        EXPECT_TRUE(allocator.live.empty());
        EXPECT_EQ(tree.GetNode(TTREE_ROOT)->triangleCount, 0);
        ASSERT_EQ(Build(tree, mesh, &allocator), 1);
    }
    EXPECT_TRUE(allocator.live.empty()); // the destructor clears too
    EXPECT_EQ(allocator.badFrees, 0);
}

TEST(TerrainTree, FullNodeArrayKeepsTrianglesInLeaves)
{
    TestMesh mesh = HeightGrid(64, 1.0f, Hills);
    TTerrainTree tree;
    tree.SetNodeReserve(8, 0);
    ASSERT_EQ(Build(tree, mesh), 1);
    EXPECT_LE(tree.NodeCount(), 8);
    std::set<uint32_t> all = Gather(tree, Vec(-1, -100, -1), Vec(65, 100, 65));
    EXPECT_EQ(all.size(), mesh.triangles.size());
    ExpectQueriesFindEveryTriangleTheyMeet(tree, mesh, 64, Vec(1, 4, 1), 50);
}

TEST(TerrainTree, PlaneAndTriangleBoxOverlapCountTouching)
{
    float half[3] = {1, 1, 1};
    float up[3] = {0, 1, 0};
    EXPECT_EQ(PlaneBoxOverlap(up, -1.0f, half), 1); // plane y = 1 touches the top face
    EXPECT_EQ(PlaneBoxOverlap(up, -1.001f, half), 0);
    float centre[3] = {0, 0, 0};
    float touching[3][3] = {{1, -5, -5}, {1, 5, -5}, {1, 0, 5}};
    EXPECT_EQ(TriangleBoxOverlap(centre, half, touching), 1);
    float apart[3][3] = {{1.01f, -5, -5}, {1.01f, 5, -5}, {1.01f, 0, 5}};
    EXPECT_EQ(TriangleBoxOverlap(centre, half, apart), 0);
    // Bounds and plane meet the box; only the axis across the long edge keeps them apart.
    float diagonal[3][3] = {{2.5f, 0, 0}, {0, 2.5f, 0}, {2.5f, 2.5f, 0}};
    EXPECT_EQ(TriangleBoxOverlap(centre, half, diagonal), 0);
}

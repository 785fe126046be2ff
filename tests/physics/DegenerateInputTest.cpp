#include "CollisionTestKit.h"
#include "HullKit.h"
#include "TerrainMeshKit.h"

#include "physics/TDefaultAllocator.h"
#include "physics/TNarrowPhase.h"

#include <gtest/gtest.h>

using namespace collisionkit;

// Every supported pair on random, often degenerate, input: zero sizes, coincident or snapped positions, flat and
// collinear triangles. A reported contact is always finite, with a unit normal and a depth not below zero.
TEST(CollisionProperties, NoNaNAndUnitNormalsOnDegenerateInput)
{
    Rng rng(61);
    HullBuilder hull = HullBuilder::Octahedron(0.5f);
    TestMesh mesh;
    mesh.Add(Vec(-2, 0, -2), Vec(-2, 0, 2), Vec(2, 0, 2));
    mesh.Add(Vec(0, 0, 0), Vec(1, 0, 0), Vec(2, 0, 0));                   // collinear
    mesh.Add(Vec(0.5f, 0.5f, 0), Vec(0.5f, 0.5f, 0), Vec(0.5f, 0.5f, 0)); // a point
    mesh.Add(Vec(0, -1, 0), Vec(0, 1, 0), Vec(0, 0, 1));                  // a wall
    mesh.Add(Vec(0, -1, 0), Vec(0, 1, 0), Vec(0, 0, 1), 0, TTRIANGLE_HEIGHT_FIELD);
    TConvex set = mesh.Set();
    auto size = [&]() { return rng.Int(0, 3) == 0 ? 0.0f : rng.Uniform(0.0f, 1.0f); };
    auto position = [&]() {
        switch (rng.Int(0, 3)) {
        case 0:
            return Vec(0, 0, 0);
        case 1:
            return Vec(0.5f * float(rng.Int(-2, 2)), 0.5f * float(rng.Int(-2, 2)), 0.5f * float(rng.Int(-2, 2)));
        default:
            return rng.Point(1.0f);
        }
    };
    auto shape = [&](int kind) {
        TConvex c;
        c.SetDefault();
        switch (kind) {
        case 0:
            c.SetBoxSizeImpl(size(), size(), size());
            break;
        case 1:
            c.SetSphereDiameter(size());
            break;
        case 2:
            c.SetCapsule(size(), size());
            break;
        default:
            c.SetPoints(&hull.block);
            break;
        }
        return c;
    };
    int contacts = 0;
    for (int i = 0; i < 40000; ++i) {
        TConvex a = shape(rng.Int(0, 3));
        TConvex b = shape(rng.Int(0, 3));
        TMat44 wa = Pose(rng.Int(0, 2) == 0 ? IdentityMat34() : rng.Rotation(), position());
        TMat44 wb = Pose(rng.Int(0, 2) == 0 ? IdentityMat34() : rng.Rotation(), position());
        for (const TConvex* second : {&b, &set}) {
            TContact c{};
            CollidePrimitives(&c, &a, wa, second, second == &set ? IdentityMat44() : wb);
            if (!c.collided) {
                continue;
            }
            ++contacts;
            ASSERT_TRUE(Finite(c)) << "pair " << i << " types " << a.type << "/" << second->type;
            ASSERT_GE(c.depth, 0.0f) << "pair " << i << " types " << a.type << "/" << second->type;
            ASSERT_NEAR(Length3(c.normal), 1.0f, 1e-3f) << "pair " << i << " types " << a.type << "/" << second->type;
        }
    }
    EXPECT_GT(contacts, 10000);
}

// Random placements of the pairs that the other collision tests cover only by hand-made cases: spheres
// against spheres and capsules, capsules against capsules, hulls against hulls and against triangles.
// Each is checked against a double-precision reference: a hit exactly
// when the shapes overlap, the depth, the normal from B to A, separation once A is pushed out along the
// normal, and the reversed call negating the normal and exchanging the points.

#include "CollisionTestKit.h"
#include "HullKit.h"
#include "TerrainMeshKit.h"

#include "physics/TNarrowPhase.h"

#include <gtest/gtest.h>

#include <optional>

using namespace collisionkit;

namespace {

double CapsuleSegmentGap(const TConvex& a, const TMat44& wa, const TConvex& b, const TMat44& wb)
{
    D3 a0, a1, b0, b1;
    CapsuleEnds(a, wa, &a0, &a1);
    CapsuleEnds(b, wb, &b0, &b1);
    return SegmentGap(a0, a1, b0, b1);
}

} // namespace

TEST(SphereSphere, RandomPlacementsMatchCentreDistanceBothWays)
{
    Rng rng(71);
    auto make = [&](ReferencePair& p) {
        p.a = Sphere(rng.Uniform(0.05f, 1.0f));
        p.b = Sphere(rng.Uniform(0.05f, 1.0f));
        p.wa = Pose(rng.Rotation(), rng.Point(1.5f));
        p.wb = Pose(rng.Rotation(), rng.Point(1.5f));
        p.overlap = [&p](const TMat44& wa) {
            return p.a.Radius() + p.b.Radius() - Len(ToD(wa.row[3]) - ToD(p.wb.row[3]));
        };
        return true;
    };
    // Point A on A's surface, point B on B's.
    auto onSurfaces = [](const TContact& c, const ReferencePair& p, int i) {
        EXPECT_NEAR(Distance(c.worldPointA, p.wa.row[3]), p.a.Radius(), 1e-4f) << i;
        EXPECT_NEAR(Distance(c.worldPointB, p.wb.row[3]), p.b.Radius(), 1e-4f) << i;
    };
    EXPECT_GT(ExpectAgreesWithReference(20000, make, {.deeper = 1e-4, .mirror = 1e-5f}, onSurfaces), 2000);
}

TEST(Capsule, SphereAtRandomMatchesSegmentDistanceBothWays)
{
    Rng rng(73);
    auto make = [&](ReferencePair& p) {
        p.a = Capsule(rng.Uniform(0.05f, 0.8f), rng.Uniform(0.0f, 1.2f));
        p.b = Sphere(rng.Uniform(0.05f, 0.8f));
        p.wa = Pose(rng.Rotation(), rng.Point(1.0f));
        p.wb = Pose(rng.Rotation(), rng.Point(2.0f));
        p.overlap = [&p](const TMat44& wa) {
            D3 e0, e1, centre = ToD(p.wb.row[3]);
            CapsuleEnds(p.a, wa, &e0, &e1);
            return p.a.Radius() + p.b.Radius() - Len(centre - ClosestOnSegment(centre, e0, e1));
        };
        return true;
    };
    EXPECT_GT(ExpectAgreesWithReference(20000, make, {.shallower = 2e-4, .deeper = 2e-4, .mirror = 1e-5f}), 2000);
}

// Unless the axes nearly cross, the two calls find the same pair of closest points.
TEST(Capsule, CapsulePairsMatchSegmentDistanceBothWays)
{
    Rng rng(79);
    auto make = [&](ReferencePair& p) {
        p.a = Capsule(rng.Uniform(0.1f, 0.6f), rng.Uniform(0.0f, 1.2f));
        p.b = Capsule(rng.Uniform(0.1f, 0.6f), rng.Uniform(0.0f, 1.2f));
        p.wa = Pose(rng.Rotation(), rng.Point(1.2f));
        p.wb = Pose(rng.Rotation(), rng.Point(1.2f));
        p.overlap = [&p](const TMat44& wa) {
            return p.a.Radius() + p.b.Radius() - CapsuleSegmentGap(p.a, wa, p.b, p.wb);
        };
        p.sameFeatures = p.overlap(p.wa) < std::fmin(p.a.Radius(), p.b.Radius()) * 0.5;
        return true;
    };
    ReferenceMargins margins{.hit = 2e-3, .shallower = 3e-3, .deeper = 3e-3, .leftAfterPush = 1e-4, .mirror = 2e-3f};
    EXPECT_GT(ExpectAgreesWithReference(4000, make, margins), 500);
}

TEST(Hull, HullPairsMatchReferenceSeparateAndMirror)
{
    Rng rng(89);
    HullBuilder octahedron = HullBuilder::Octahedron(0.7f);
    std::optional<HullBuilder> box;
    const HullBuilder* first = nullptr;
    int compared = 0;
    auto make = [&](ReferencePair& p) {
        box.emplace(HullBuilder::Box(rng.Uniform(0.1f, 1), rng.Uniform(0.1f, 1), rng.Uniform(0.1f, 1)));
        first = first == &octahedron ? &*box : &octahedron;
        p.a = PointSet(*first);
        p.b = PointSet(*box);
        p.wa = Pose(rng.Rotation(), rng.Point(1));
        p.wb = Pose(rng.Rotation(), rng.Point(1));
        p.overlap = [&](const TMat44& wa) { return Penetration(HullShape(*first, wa), HullShape(*box, p.wb)); };
        std::vector<double> overlaps = ShapeOverlaps(HullShape(*first, p.wa), HullShape(*box, p.wb));
        p.sameFeatures = overlaps[1] - overlaps[0] > 1e-3;
        return true;
    };
    auto count = [&](const TContact&, const ReferencePair& p, int) { compared += p.sameFeatures ? 1 : 0; };
    EXPECT_GT(ExpectAgreesWithReference(4000, make, {}, count), 500);
    EXPECT_GT(compared, 300);
}

TEST(Hull, HullAgainstRandomTrianglesMatchesReferenceAndPushesOut)
{
    Rng rng(97);
    HullBuilder octahedron = HullBuilder::Octahedron(0.6f);
    std::optional<HullBuilder> box;
    const HullBuilder* hull = nullptr;
    TestMesh mesh;
    auto make = [&](ReferencePair& p) {
        box.emplace(HullBuilder::Box(rng.Uniform(0.05f, 1), rng.Uniform(0.05f, 1), rng.Uniform(0.05f, 1)));
        hull = hull == &octahedron ? &*box : &octahedron;
        mesh = TestMesh();
        if (!AddRandomTriangle(mesh, rng, 1.5f, 5)) {
            return false;
        }
        p.a = PointSet(*hull);
        p.b = mesh.Set();
        p.wa = Pose(rng.Rotation(), rng.Point(1.5f));
        p.reversible = false;
        p.overlap = [&](const TMat44& wa) {
            return Penetration(HullShape(*hull, wa),
                               TriangleShape(mesh.vertices[0], mesh.vertices[1], mesh.vertices[2]));
        };
        return true;
    };
    auto material = [](const TContact& c, const ReferencePair&, int i) { EXPECT_EQ(c.materialB, 5) << i; };
    EXPECT_GT(ExpectAgreesWithReference(6000, make, {}, material), 1000);
}

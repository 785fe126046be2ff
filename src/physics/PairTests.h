#pragma once
// Pair tests of the narrow phase. Each writes into out: `collided`, worldPointA, worldPointB, the unit
// normal from B towards A and the depth (positive when overlapping); the triangle-set tests also the
// triangle's material (materialB) and tag. Point B = point A + normal * depth unless a test says otherwise.

#include "physics/TContact.h"
#include "physics/TConvex.h"
#include "physics/TMath.h"

void CollideBoxBox(TContact* out, const TConvex* a, const TMat44& worldA, const TConvex* b, const TMat44& worldB);
void CollideSphereSphere(TContact* out, const TConvex* a, const TMat44& worldA, const TConvex* b, const TMat44& worldB);
void CollideBoxSphere(TContact* out, const TConvex* a, const TMat44& worldA, const TConvex* b, const TMat44& worldB);
void CollideBoxTriangle(TContact* out, const TConvex* a, const TMat44& worldA, const TConvex* b, const TMat44& worldB);
void CollideBoxTriangleSet(TContact* out, const TConvex* a, const TMat44& worldA, const TConvex* b,
                           const TMat44& worldB);
void CollideSphereTriangleSet(TContact* out, const TConvex* a, const TMat44& worldA, const TConvex* b,
                              const TMat44& worldB);
void CollideCapsuleSphere(TContact* out, const TConvex* a, const TMat44& worldA, const TConvex* b,
                          const TMat44& worldB);
void CollideBoxCapsule(TContact* out, const TConvex* a, const TMat44& worldA, const TConvex* b, const TMat44& worldB);
void CollideCapsuleCapsule(TContact* out, const TConvex* a, const TMat44& worldA, const TConvex* b,
                           const TMat44& worldB);
void CollideCapsuleTriangleSet(TContact* out, const TConvex* a, const TMat44& worldA, const TConvex* b,
                               const TMat44& worldB);
// Boxes and convex hulls against each other.
void ConvexConvexTest(TContact* out, const TConvex* a, const TMat44& worldA, const TConvex* b, const TMat44& worldB);
// A convex hull against the terrain triangle set.
void CollidePointsTriangle(TContact* out, const TConvex* a, const TMat44& worldA, const TConvex* b,
                           const TMat44& worldB);

#include "physics/PairTests.h"

#include <cmath>

void CollideSphereSphere(TContact* out, const TConvex* a, const TMat44& worldA, const TConvex* b, const TMat44& worldB)
{
    out->collided = 0;
    TVec4 v = worldA.row[3] - worldB.row[3];
    float sum = a->Radius() + b->Radius();
    float distanceSquared = LengthSquared3(v);
    if (sum * sum <= distanceSquared || distanceSquared < T_ZERO_LENGTH_SQUARED) {
        return; // apart, or centres too close for a direction
    }
    float distance = std::sqrt(distanceSquared);
    TVec4 normal = v * (1.0f / distance);
    out->collided = 1;
    out->normal = normal;
    out->depth = sum - distance;
    out->worldPointA = worldA.row[3] - normal * a->Radius();
    out->worldPointB = worldB.row[3] + normal * b->Radius();
}

// Contact through face k of the box: normal -s_k times the box axis.
static void BoxFaceContact(TContact* out, const TMat44& box, const TVec4& centre, float radius, float sign, int k,
                           float depth)
{
    TVec4 normal = box.row[k] * -sign;
    out->collided = 1;
    out->normal = normal;
    out->depth = depth;
    out->worldPointB = centre + normal * radius;
    out->worldPointA = out->worldPointB - normal * depth;
}

void CollideBoxSphere(TContact* out, const TConvex* a, const TMat44& worldA, const TConvex* b, const TMat44& worldB)
{
    out->collided = 0;
    TVec4 centre = worldB.row[3];
    float radius = b->Radius();
    TVec4 half = a->HalfExtents();
    TVec4 p = InverseTransformPoint(worldA, centre);
    float s[3];
    float q[3];
    float d[3];
    int outside = 0;
    for (int i = 0; i < 3; ++i) {
        s[i] = p[i] >= 0.0f ? 1.0f : -1.0f;
        q[i] = std::fabs(p[i]);
        d[i] = q[i] - half[i];
        if (d[i] >= 0.0f) {
            ++outside;
        }
    }
    if (outside >= 2) {
        // Corner or edge region: the nearest box point clamps the outer axes to the faces.
        TVec4 nearest = p;
        for (int i = 0; i < 3; ++i) {
            if (d[i] >= 0.0f) {
                nearest[i] = s[i] * half[i];
            }
        }
        TVec4 w = nearest - p;
        float distanceSquared = LengthSquared3(w);
        if (distanceSquared > radius * radius) {
            return;
        }
        float distance = std::sqrt(distanceSquared);
        if (distance > 0.0f) {
            TVec4 normal = Rotate(worldA, w * (1.0f / distance));
            out->collided = 1;
            out->normal = normal;
            out->depth = radius - distance;
            out->worldPointA = TransformPoint(worldA, nearest);
            out->worldPointB = centre + normal * radius;
            return;
        }
        // The centre sits on the edge or corner: fall through to the face with the least penetration.
    }
    if (outside == 1) {
        int k = d[1] >= 0.0f ? 1 : (d[2] >= 0.0f ? 2 : 0);
        float depth = half[k] + radius - q[k];
        if (depth <= 0.0f) {
            return;
        }
        BoxFaceContact(out, worldA, centre, radius, s[k], k, depth);
        return;
    }
    // Centre inside (or on an edge): the face nearest to the centre.
    int k = 0;
    for (int i = 1; i < 3; ++i) {
        if (half[i] - q[i] <= half[k] - q[k]) {
            k = i;
        }
    }
    BoxFaceContact(out, worldA, centre, radius, s[k], k, radius + half[k] - q[k]);
}

#include "physics/PairTests.h"
#include "physics/TBoxFrame.h"

void CollideBoxBox(TContact* out, const TConvex* a, const TMat44& worldA, const TConvex* b, const TMat44& worldB)
{
    TBoxFrame frameA(a->HalfExtents(), worldA);
    TBoxFrame frameB(b->HalfExtents(), worldB);
    TBoxSatResult result;
    if (!frameA.TestBox(&result, frameB)) {
        out->collided = 0;
        return;
    }
    out->depth = result.depth;
    out->collided = 1;
    out->normal = result.normal;
    out->worldPointA = result.pointA;
    out->worldPointB = result.pointB;
}

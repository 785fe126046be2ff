#pragma once
// The narrow phase: for two bodies brought together, whether their geometries touch and the single deepest
// contact. Bodies are given by their bounding records (TConvex, whose list holds the geometries) and their
// world transforms. A terrain-triangle geometry (type 6) may stand as its own bounding record.
// Not reentrant: the candidate lists are owned scratch, sized at creation.

#include "physics/TAllocator.h"
#include "physics/TContact.h"
#include "physics/TConvex.h"
#include "physics/TMath.h"

#include <cstdint>

class TNarrowPhase {
public:
    TNarrowPhase() = default;
    TNarrowPhase(const TNarrowPhase&) = delete;
    TNarrowPhase& operator=(const TNarrowPhase&) = delete;
    ~TNarrowPhase() { Release(); }

    // Room for the candidates of a body with up to geometryCapacity geometries; false when refused.
    bool Create(TAllocator* allocator, int32_t geometryCapacity);
    void Release();

    // Sets `collided`; when 1, points, arms, local points, normal, depth, materials and geometries are valid.
    void CollideGeometrySets(TContact* out, const TConvex* boundsA, const TMat44& worldA, const TConvex* boundsB,
                             const TMat44& worldB);

private:
    TAllocator* allocator = nullptr;
    const TConvex** candidatesA = nullptr;
    const TConvex** candidatesB = nullptr;
    int32_t capacity = 0;
};

// World transform of a geometry: its local transform times the body's.
TMat44 GeometryWorldTransform(const TConvex* geometry, const TMat44& bodyWorld);

// Runs the pair test for the two types (or nothing); the result always has the first geometry as side A.
void CollidePrimitives(TContact* out, const TConvex* a, const TMat44& worldA, const TConvex* b, const TMat44& worldB);

#include "physics/TNarrowPhase.h"

#include "physics/PairTests.h"

namespace {

using PairTest = void (*)(TContact*, const TConvex*, const TMat44&, const TConvex*, const TMat44&);

struct Dispatch {
    PairTest test;
    bool swapped; // run with B first, then reverse the result
};

Dispatch Lookup(int typeA, int typeB)
{
    switch (typeA) {
    case TCONVEX_BOX:
        switch (typeB) {
        case TCONVEX_SINGLE_TRIANGLE:
            return {CollideBoxTriangle, false};
        case TCONVEX_BOX:
            return {CollideBoxBox, false};
        case TCONVEX_SPHERE:
            return {CollideBoxSphere, false};
        case TCONVEX_CAPSULE:
            return {CollideBoxCapsule, false};
        case TCONVEX_TRIANGLE:
            return {CollideBoxTriangleSet, false};
        case TCONVEX_POINTS:
            return {ConvexConvexTest, false};
        default:
            return {nullptr, false};
        }
    case TCONVEX_SPHERE:
        switch (typeB) {
        case TCONVEX_BOX:
            return {CollideBoxSphere, true};
        case TCONVEX_SPHERE:
            return {CollideSphereSphere, false};
        case TCONVEX_CAPSULE:
            return {CollideCapsuleSphere, true};
        case TCONVEX_TRIANGLE:
            return {CollideSphereTriangleSet, false};
        default:
            return {nullptr, false};
        }
    case TCONVEX_CAPSULE:
        switch (typeB) {
        case TCONVEX_BOX:
            return {CollideBoxCapsule, true};
        case TCONVEX_SPHERE:
            return {CollideCapsuleSphere, false};
        case TCONVEX_CAPSULE:
            return {CollideCapsuleCapsule, false};
        case TCONVEX_TRIANGLE:
            return {CollideCapsuleTriangleSet, false};
        default:
            return {nullptr, false};
        }
    case TCONVEX_POINTS:
        switch (typeB) {
        case TCONVEX_BOX:
            return {ConvexConvexTest, true};
        case TCONVEX_TRIANGLE:
            return {CollidePointsTriangle, false};
        case TCONVEX_POINTS:
            return {ConvexConvexTest, false};
        default:
            return {nullptr, false};
        }
    default:
        return {nullptr, false};
    }
}

// The geometries of a body: a terrain-triangle record stands for itself.
const TConvex* FirstGeometry(const TConvex* bounds)
{
    return bounds->type == TCONVEX_TRIANGLE ? bounds : bounds->next;
}

int32_t GeometryCount(const TConvex* bounds)
{
    if (bounds->type == TCONVEX_TRIANGLE) {
        return 1;
    }
    return bounds->next != nullptr ? bounds->geometryCount : 0;
}

const TConvex* Next(const TConvex* geometry, const TConvex* bounds)
{
    return geometry == bounds ? nullptr : geometry->next;
}

} // namespace

TMat44 GeometryWorldTransform(const TConvex* geometry, const TMat44& bodyWorld)
{
    if (geometry->type == TCONVEX_TRIANGLE) {
        return IdentityMat44(); // world coordinates already
    }
    return Multiply(geometry->transform, bodyWorld);
}

void CollidePrimitives(TContact* out, const TConvex* a, const TMat44& worldA, const TConvex* b, const TMat44& worldB)
{
    Dispatch dispatch = Lookup(a->type, b->type);
    if (dispatch.test == nullptr) {
        return;
    }
    out->geometryA = const_cast<TConvex*>(a);
    out->geometryB = const_cast<TConvex*>(b);
    if (!dispatch.swapped) {
        dispatch.test(out, a, worldA, b, worldB);
        return;
    }
    dispatch.test(out, b, worldB, a, worldA);
    if (out->collided) {
        out->normal = -out->normal;
        TVec4 point = out->worldPointA;
        out->worldPointA = out->worldPointB;
        out->worldPointB = point;
    }
}

bool TNarrowPhase::Create(TAllocator* owner, int32_t geometryCapacity)
{
    Release();
    if (geometryCapacity <= 0) {
        return true;
    }
    allocator = owner;
    size_t bytes = sizeof(const TConvex*) * size_t(geometryCapacity);
    candidatesA = static_cast<const TConvex**>(allocator->Alloc(bytes, 0));
    candidatesB = static_cast<const TConvex**>(allocator->Alloc(bytes, 0));
    if (candidatesA == nullptr || candidatesB == nullptr) {
        Release();
        return false;
    }
    capacity = geometryCapacity;
    return true;
}

void TNarrowPhase::Release()
{
    if (allocator != nullptr) {
        if (candidatesA != nullptr) {
            allocator->Free(candidatesA);
        }
        if (candidatesB != nullptr) {
            allocator->Free(candidatesB);
        }
    }
    candidatesA = nullptr;
    candidatesB = nullptr;
    capacity = 0;
    allocator = nullptr;
}

void TNarrowPhase::CollideGeometrySets(TContact* out, const TConvex* boundsA, const TMat44& worldA,
                                       const TConvex* boundsB, const TMat44& worldB)
{
    out->collided = 0;
    int32_t countA = GeometryCount(boundsA);
    int32_t countB = GeometryCount(boundsB);
    if (countA == 0 || countB == 0) {
        return;
    }
    TContact kept{};
    TContact candidate{};
    auto test = [&](const TConvex* a, const TConvex* b) {
        candidate = TContact{};
        CollidePrimitives(&candidate, a, GeometryWorldTransform(a, worldA), b, GeometryWorldTransform(b, worldB));
        return candidate.collided != 0;
    };
    // Of several pairs only a positive depth can win, and of equal depths the first stays.
    auto keepDeeper = [&](const TConvex* a, const TConvex* b) {
        if (test(a, b) && candidate.depth > kept.depth) {
            kept = candidate;
        }
    };
    const TConvex* firstA = FirstGeometry(boundsA);
    const TConvex* firstB = FirstGeometry(boundsB);
    if (countA == 1 && countB == 1) {
        if (!test(firstA, firstB)) {
            return;
        }
        kept = candidate;
    } else {
        const TConvex* filterA = boundsA->type == TCONVEX_TRIANGLE ? firstA : boundsA;
        const TConvex* filterB = boundsB->type == TCONVEX_TRIANGLE ? firstB : boundsB;
        if (!test(filterA, filterB)) {
            return;
        }
        if (countA == 1) {
            for (const TConvex* b = firstB; b != nullptr; b = Next(b, boundsB)) {
                keepDeeper(firstA, b);
            }
        } else if (countB == 1) {
            for (const TConvex* a = firstA; a != nullptr; a = Next(a, boundsA)) {
                keepDeeper(a, firstB);
            }
        } else {
            int32_t foundA = 0;
            int32_t foundB = 0;
            for (const TConvex* a = firstA; a != nullptr && foundA < capacity; a = Next(a, boundsA)) {
                if (test(a, filterB)) {
                    candidatesA[foundA++] = a;
                }
            }
            for (const TConvex* b = firstB; b != nullptr && foundB < capacity; b = Next(b, boundsB)) {
                if (test(filterA, b)) {
                    candidatesB[foundB++] = b;
                }
            }
            for (int32_t i = 0; i < foundA; ++i) {
                for (int32_t j = 0; j < foundB; ++j) {
                    keepDeeper(candidatesA[i], candidatesB[j]);
                }
            }
        }
        if (kept.collided == 0) {
            return;
        }
    }
    const TConvex* geometryA = kept.geometryA;
    const TConvex* geometryB = kept.geometryB;
    out->collided = 1;
    out->depth = kept.depth;
    out->normal = kept.normal;
    out->worldPointA = kept.worldPointA;
    out->worldPointB = kept.worldPointB;
    out->armA = kept.worldPointA - worldA.row[3];
    out->armB = kept.worldPointB - worldB.row[3];
    out->localPointA = RotateInverse(worldA, out->armA);
    out->localPointB = RotateInverse(worldB, out->armB);
    out->materialA = geometryA->materialIndex;
    bool triangleSide = geometryB->type == TCONVEX_TRIANGLE || geometryB->type == TCONVEX_SINGLE_TRIANGLE;
    out->materialB = triangleSide ? kept.materialB : geometryB->materialIndex;
    out->triangleTag = kept.triangleTag;
    out->geometryA = const_cast<TConvex*>(geometryA);
    // The terrain side has no geometry of its own.
    out->geometryB = geometryB->type == TCONVEX_TRIANGLE ? nullptr : const_cast<TConvex*>(geometryB);
}

#include "physics/TProbe.h"

#include "physics/TNarrowPhase.h"
#include "physics/TTriangleFrame.h"

#include <cmath>

void TProbe::SetSegment(const TVec4& startPoint, const TVec4& segmentDirection)
{
    start = startPoint;
    direction = segmentDirection;
    length = std::sqrt(LengthSquared3(direction));
}

void TProbe::ResetResult()
{
    depth = 0.0f;
    hitBody = nullptr;
}

static bool IntersectBox(const TVec4& worldStart, const TVec4& worldDirection, const TConvex* box, const TMat44& world,
                         TVec4* hitPoint, TVec4* hitNormal, float* hitDepth)
{
    TVec4 s = InverseTransformPoint(world, worldStart);
    TVec4 d = RotateInverse(world, worldDirection);
    TVec4 h = box->HalfExtents();
    float enter = -1000000.0f;
    float exit = 1000000.0f;
    int axis = -1;
    for (int i = 0; i < 3; ++i) {
        if (std::fabs(d[i]) < 1e-6f) {
            if (s[i] < -h[i] || s[i] > h[i]) {
                return false;
            }
            continue;
        }
        float t1 = (-h[i] - s[i]) / d[i];
        float t2 = (h[i] - s[i]) / d[i];
        if (t1 > t2) {
            float swap = t1;
            t1 = t2;
            t2 = swap;
        }
        if (t1 > enter) {
            enter = t1;
            axis = i;
        }
        exit = t2 < exit ? t2 : exit;
        if (exit < enter || exit < 0.0f) {
            return false;
        }
    }
    // A segment without length enters through no face.
    if (axis < 0 || enter > 1.0f) {
        return false;
    }
    TVec4 local = s + d * enter;
    *hitDepth = std::sqrt(LengthSquared3(s + d - local));
    TVec4 normal;
    normal[axis] = d[axis] < 0.0f ? 1.0f : -1.0f;
    *hitPoint = TransformPoint(world, local);
    *hitNormal = Rotate(world, normal);
    return true;
}

static bool IntersectTriangles(const TVec4& s, const TVec4& d, const TConvex* set, TVec4* hitPoint, TVec4* hitNormal,
                               float* hitDepth, int32_t* hitMaterial)
{
    if (set->triangleIndices == nullptr || set->triangles == nullptr || set->vertexArray == nullptr) {
        return false;
    }
    float segmentLength = std::sqrt(LengthSquared3(d));
    bool found = false;
    for (int32_t n = 0; n < set->triangleCount; ++n) {
        const TTerrainTriangle& source = set->triangles[set->triangleIndices[n]];
        if (source.flags != TTRIANGLE_ORDINARY && source.flags != TTRIANGLE_HEIGHT_FIELD) {
            continue;
        }
        TTriangleFrame triangle(set->vertexArray[source.a], set->vertexArray[source.b], set->vertexArray[source.c]);
        if (triangle.IsDegenerate()) {
            continue;
        }
        float across = Dot3(triangle.n, d);
        if (std::fabs(across) < 1e-6f) {
            continue; // parallel to the plane
        }
        float t = Dot3(triangle.n, triangle.a - s) / across;
        if (t < 0.0f || t > 1.0f) {
            continue;
        }
        TVec4 point = s + d * t;
        // Inside or on an edge: a segment through the edge shared by two triangles hits both.
        float scale = -1e-6f * LengthSquared3(triangle.e0);
        if (Dot3(Cross3(triangle.e0, point - triangle.a), triangle.n) < scale ||
            Dot3(Cross3(triangle.e1, point - triangle.b), triangle.n) < scale ||
            Dot3(Cross3(triangle.e2, point - triangle.c), triangle.n) < scale) {
            continue;
        }
        float depth = (1.0f - t) * segmentLength;
        if (!found || depth > *hitDepth) {
            found = true;
            *hitDepth = depth;
            *hitPoint = point;
            *hitNormal = across <= 0.0f ? triangle.n : -triangle.n;
            *hitMaterial = int32_t(source.material);
        }
    }
    return found;
}

bool TProbe::IntersectGeometry(const TVec4& worldStart, const TVec4& worldDirection, const TConvex* geometry,
                               const TMat44& geometryWorld, TVec4* hitPoint, TVec4* hitNormal, float* hitDepth,
                               int32_t* hitMaterial)
{
    bool hit = false;
    if (geometry->type == TCONVEX_BOX) {
        hit = IntersectBox(worldStart, worldDirection, geometry, geometryWorld, hitPoint, hitNormal, hitDepth);
        if (hit) {
            *hitMaterial = geometry->materialIndex;
        }
    } else if (geometry->type == TCONVEX_TRIANGLE) {
        hit = IntersectTriangles(worldStart, worldDirection, geometry, hitPoint, hitNormal, hitDepth, hitMaterial);
    }
    return hit && *hitDepth > 0.0f;
}

void TProbe::TestGeometries(TProbe* list, const TMat44& ownWorld, const TConvex* otherBounds, const TMat44& otherWorld,
                            TBody* other)
{
    bool terrain = otherBounds->type == TCONVEX_TRIANGLE;
    for (TProbe* probe = list; probe != nullptr; probe = probe->next) {
        TVec4 worldStart = TransformPoint(ownWorld, probe->start);
        TVec4 worldDirection = Rotate(ownWorld, probe->direction);
        int32_t remaining = terrain ? 1 : otherBounds->geometryCount;
        const TConvex* geometry = terrain ? otherBounds : otherBounds->next;
        for (; geometry != nullptr && remaining > 0; geometry = geometry->next, --remaining) {
            TVec4 point;
            TVec4 normal;
            float depth = 0.0f;
            int32_t hitMaterial = 0;
            if (IntersectGeometry(worldStart, worldDirection, geometry, GeometryWorldTransform(geometry, otherWorld),
                                  &point, &normal, &depth, &hitMaterial) &&
                depth > probe->depth) {
                probe->depth = depth;
                probe->hitPoint = point;
                probe->hitNormal = normal;
                probe->material = hitMaterial;
                probe->hitBody = other;
            }
        }
    }
}

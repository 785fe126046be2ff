#include "physics/BoxTriangleCollision.h"

#include "physics/CollideTriangleSet.h"
#include "physics/PairTests.h"

#include <cmath>

bool TestBoxTriangleFaceAxis(const TBoxFrame& box, TBoxSatResult* result, const TTriangleFrame& triangle, int k)
{
    TVec4 u = box.UnitAxis(k);
    int minVertex = 0;
    int maxVertex = 0;
    float tMin = Dot3(u, triangle.a);
    float tMax = tMin;
    for (int v = 1; v < 3; ++v) {
        float t = Dot3(u, triangle.Vertex(v));
        if (t < tMin) {
            tMin = t;
            minVertex = v;
        }
        if (t > tMax) {
            tMax = t;
            maxVertex = v;
        }
    }
    float c = Dot3(u, box.Centre());
    float h = box.Half(k);
    if (c + h <= tMin || tMax <= c - h) {
        return false;
    }
    float overlapLow = (c + h) - tMin;
    float overlapHigh = tMax - (c - h);
    float depth;
    TVec4 normal;
    TVec4 vertex;
    if (overlapHigh <= overlapLow) {
        depth = overlapHigh;
        normal = u;
        vertex = triangle.Vertex(maxVertex);
    } else {
        depth = overlapLow;
        normal = -u;
        vertex = triangle.Vertex(minVertex);
    }
    if (depth < result->depth) {
        result->depth = depth;
        result->normal = normal;
        result->pointA = vertex;
        result->pointB = vertex + normal * depth;
        result->hit = true;
        result->edge = false;
    }
    return true;
}

bool TestBoxTriangleEdgeAxis(const TBoxFrame& box, TBoxSatResult* result, const TTriangleFrame& triangle, int i, int j)
{
    TVec4 edge = Normalize3(triangle.Edge(j));
    if (std::fabs(edge.x) < 1e-6f && std::fabs(edge.y) < 1e-6f && std::fabs(edge.z) < 1e-6f) {
        return true;
    }
    TVec4 axis = Cross3(edge, box.UnitAxis(i));
    if (Length3(axis) == 0.0f) {
        return true;
    }
    axis = Normalize3(axis);
    int o1 = (i + 1) % 3;
    int o2 = (i + 2) % 3;
    float p1 = Dot3(axis, box.axis[o1]);
    float p2 = Dot3(axis, box.axis[o2]);
    float s1 = p1 > 0.0f ? 1.0f : -1.0f;
    float s2 = p2 > 0.0f ? 1.0f : -1.0f;
    float c = Dot3(axis, box.Centre());
    float reach = std::fabs(p1) + std::fabs(p2);
    float boxMin = c - reach;
    float boxMax = c + reach;
    const TVec4& start = triangle.Vertex(j);
    const TVec4& opposite = triangle.Vertex((j + 2) % 3);
    float tStart = Dot3(axis, start);
    float tOpposite = Dot3(axis, opposite);
    bool startIsMin = tStart <= tOpposite;
    float tMin = startIsMin ? tStart : tOpposite;
    float tMax = startIsMin ? tOpposite : tStart;
    if (!(tMin < boxMax && tMax > boxMin)) {
        return false;
    }
    float depth;
    TVec4 normal;
    TVec4 boxPoint;
    TVec4 outer = box.axis[o1] * s1 + box.axis[o2] * s2;
    if (startIsMin) {
        normal = -axis;
        depth = boxMax - tMin;
        boxPoint = box.Centre() + outer;
    } else {
        normal = axis;
        depth = tMax - boxMin;
        boxPoint = box.Centre() - outer;
    }
    if (depth < result->depth) {
        result->depth = depth;
        result->normal = normal;
        result->pointA = boxPoint;
        result->pointB = boxPoint;
        result->hit = true;
        result->edge = true; // marks an edge-axis best until the closest points are known
        result->edgeA0 = boxPoint - box.axis[i];
        result->edgeA1 = boxPoint + box.axis[i];
        result->edgeB0 = start;
        result->edgeB1 = triangle.Vertex((j + 1) % 3);
    }
    return true;
}

bool TestBoxTriangle(TBoxFrame& box, TBoxSatResult* result, const TTriangleFrame& triangle)
{
    result->depth = 100000.0f;
    result->hit = false;
    result->edge = false;
    if (triangle.IsDegenerate()) {
        return false; // no plane, no contact
    }
    // The triangle's normal axis, oriented towards the box.
    float t = Dot3(triangle.n, box.Centre()) - triangle.d;
    TVec4 normal = triangle.n;
    if (t >= 0.0f) {
        t = -t;
    } else {
        normal = -normal;
    }
    float depth = t;
    TVec4 deepest = box.Centre();
    for (int i = 0; i < 3; ++i) {
        float projection = Dot3(box.axis[i], normal);
        float sigma = projection > 0.0f ? 1.0f : -1.0f;
        depth += std::fabs(projection);
        deepest -= box.axis[i] * sigma;
    }
    if (depth < 0.0f) {
        return false;
    }
    if (depth < 100000.0f) {
        result->depth = depth;
        result->pointA = deepest;
        result->pointB = deepest + normal * depth;
        result->normal = normal;
        result->hit = true;
    }
    TBoxSatResult faces = *result;
    for (int k = 0; k < 3; ++k) {
        if (!TestBoxTriangleFaceAxis(box, &faces, triangle, k)) {
            return false;
        }
    }
    TBoxSatResult edges = faces;
    edges.edge = false;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            if (!TestBoxTriangleEdgeAxis(box, &edges, triangle, i, j)) {
                return false;
            }
        }
    }
    *result = edges;
    if (result->edge) {
        result->edge = false;
        TBoxSatResult closest = *result;
        if (edges.ClosestEdgePoints(&closest)) {
            *result = closest;
            result->edge = true;
            return true;
        }
    }
    return result->hit;
}

bool TestBoxTriangleVertical(TBoxFrame& box, TBoxSatResult* result, const TTriangleFrame& triangle)
{
    result->depth = 100000.0f;
    result->hit = false;
    result->edge = false;
    // A wall has no height above a point; the plane is taken facing up.
    if (std::fabs(triangle.n.y) < 1e-6f) {
        return false;
    }
    TVec4 n = triangle.n;
    float d = triangle.d;
    if (n.y < 0.0f) {
        n = -n;
        d = -d;
    }
    if (!box.cornersValid) {
        box.ComputeCorners();
    }
    auto cross = [](const TVec4& from, const TVec4& to, const TVec4& p) {
        return (to.x - from.x) * (p.z - from.z) - (to.z - from.z) * (p.x - from.x);
    };
    float best = 0.0f;
    bool found = false;
    for (int i = 0; i < 8; ++i) {
        const TVec4& p = box.corner[i];
        float c0 = cross(triangle.a, triangle.b, p);
        float c1 = cross(triangle.b, triangle.c, p);
        float c2 = cross(triangle.c, triangle.a, p);
        bool inside = (c0 >= 0.0f && c1 >= 0.0f && c2 >= 0.0f) || (c0 <= 0.0f && c1 <= 0.0f && c2 <= 0.0f);
        if (!inside) {
            continue;
        }
        float height = (d - n.x * p.x - n.z * p.z) / n.y;
        float depth = height - p.y;
        if (depth > 0.0f && (!found || depth > best)) {
            found = true;
            best = depth;
            result->pointA = p;
            result->pointB = Vec(p.x, height, p.z);
            result->normal = n;
            result->depth = depth;
            result->hit = true;
        }
    }
    return found;
}

void CollideBoxTriangle(TContact* out, const TConvex* a, const TMat44& worldA, const TConvex* b, const TMat44& worldB)
{
    out->collided = 0;
    if (b->vertexArray == nullptr) {
        return;
    }
    TBoxFrame box(a->HalfExtents(), worldA);
    TTriangleFrame triangle(TransformPoint(worldB, b->vertexArray[b->vertexIndex[0]]),
                            TransformPoint(worldB, b->vertexArray[b->vertexIndex[1]]),
                            TransformPoint(worldB, b->vertexArray[b->vertexIndex[2]]));
    TBoxSatResult result;
    if (!TestBoxTriangle(box, &result, triangle)) {
        return;
    }
    out->collided = 1;
    out->depth = result.depth;
    out->normal = result.normal;
    out->worldPointA = result.pointA;
    out->worldPointB = result.edge ? result.pointB : result.pointA;
    out->materialB = b->materialIndex;
}

void CollideBoxTriangleSet(TContact* out, const TConvex* a, const TMat44& worldA, const TConvex* b, const TMat44&)
{
    TBoxFrame box(a->HalfExtents(), worldA);
    CollideTriangleSet(
        out, b, true, [&](const TTerrainTriangle& source, const TTriangleFrame& triangle, TTriangleHit* hit) {
            TBoxSatResult result;
            bool touched = source.flags == TTRIANGLE_ORDINARY ? TestBoxTriangle(box, &result, triangle)
                                                              : TestBoxTriangleVertical(box, &result, triangle);
            hit->normal = result.normal;
            hit->pointA = result.pointA;
            hit->pointB = result.pointB;
            hit->depth = result.depth;
            hit->hit = result.hit;
            return touched;
        });
}

#include "physics/CollideTriangleSet.h"
#include "physics/PairTests.h"
#include "physics/THullBlock.h"
#include "physics/TSegmentPair.h"
#include "physics/TTriangleFrame.h"

#include <cmath>

namespace {

constexpr int MAX_HULL_VERTICES = 255;
constexpr int MAX_HULL_EDGES = 255;
constexpr int MAX_HULL_FACES = 255;

// World view of a box, a hull or a triangle: vertices, face normals and edges.
struct THull {
    TVec4 vertices[MAX_HULL_VERTICES];
    TVec4 normals[MAX_HULL_FACES];
    uint8_t edges[MAX_HULL_EDGES][2];
    int vertexCount = 0;
    int faceCount = 0;
    int edgeCount = 0;
    TVec4 centre;
};

const uint8_t BOX_EDGES[12][2] = {{6, 7}, {2, 3}, {3, 7}, {2, 6}, {4, 5}, {0, 1},
                                  {1, 5}, {0, 4}, {5, 7}, {4, 6}, {1, 3}, {0, 2}};

// Box vertex i has bit 2 for +x, bit 1 for +y, bit 0 for +z.
bool InitBox(THull* hull, const TConvex* box, const TMat44& world)
{
    TVec4 h = box->HalfExtents();
    for (int i = 0; i < 8; ++i) {
        TVec4 local = Vec((i & 4) ? h.x : -h.x, (i & 2) ? h.y : -h.y, (i & 1) ? h.z : -h.z);
        hull->vertices[i] = TransformPoint(world, local);
    }
    hull->vertexCount = 8;
    for (int k = 0; k < 3; ++k) {
        hull->normals[k] = world.row[k];
    }
    hull->faceCount = 3; // the opposite faces share an axis
    for (int e = 0; e < 12; ++e) {
        hull->edges[e][0] = BOX_EDGES[e][0];
        hull->edges[e][1] = BOX_EDGES[e][1];
    }
    hull->edgeCount = 12;
    hull->centre = world.row[3];
    return true;
}

bool InitPoints(THull* hull, const TConvex* g, const TMat44& world)
{
    const THullBlock* block = g->hull;
    if (block == nullptr || block->vertices == nullptr || block->vertexCount <= 0 ||
        block->vertexCount > MAX_HULL_VERTICES || block->faceCount < 0 || block->faceCount > MAX_HULL_FACES ||
        block->edgeCount < 0 || block->edgeCount > MAX_HULL_EDGES) {
        return false;
    }
    TVec4 sum;
    for (int i = 0; i < block->vertexCount; ++i) {
        hull->vertices[i] = TransformPoint(world, block->vertices[i]);
        sum += hull->vertices[i];
    }
    hull->vertexCount = block->vertexCount;
    hull->centre = sum * (1.0f / float(block->vertexCount));
    hull->faceCount = 0;
    for (int f = 0; block->planes != nullptr && f < block->faceCount; ++f) {
        hull->normals[hull->faceCount++] = Rotate(world, block->planes[f]);
    }
    hull->edgeCount = 0;
    for (int e = 0; block->edges != nullptr && e < block->edgeCount; ++e) {
        const THullEdge& edge = block->edges[e];
        if (edge.vertex[0] < block->vertexCount && edge.vertex[1] < block->vertexCount) {
            hull->edges[hull->edgeCount][0] = edge.vertex[0];
            hull->edges[hull->edgeCount][1] = edge.vertex[1];
            ++hull->edgeCount;
        }
    }
    return true;
}

bool InitHull(THull* hull, const TConvex* g, const TMat44& world)
{
    if (g->type == TCONVEX_BOX) {
        return InitBox(hull, g, world);
    }
    if (g->type == TCONVEX_POINTS) {
        return InitPoints(hull, g, world);
    }
    return false;
}

void InitTriangle(THull* hull, const TTriangleFrame& triangle)
{
    hull->vertices[0] = triangle.a;
    hull->vertices[1] = triangle.b;
    hull->vertices[2] = triangle.c;
    hull->vertexCount = 3;
    hull->normals[0] = triangle.n;
    hull->faceCount = 1;
    for (int e = 0; e < 3; ++e) {
        hull->edges[e][0] = uint8_t(e);
        hull->edges[e][1] = uint8_t((e + 1) % 3);
    }
    hull->edgeCount = 3;
    hull->centre = (triangle.a + triangle.b + triangle.c) * (1.0f / 3.0f);
}

void Project(const THull& hull, const TVec4& axis, float* low, float* high)
{
    *low = *high = Dot3(axis, hull.vertices[0]);
    for (int i = 1; i < hull.vertexCount; ++i) {
        float p = Dot3(axis, hull.vertices[i]);
        *low = p < *low ? p : *low;
        *high = p > *high ? p : *high;
    }
}

struct AxisResult {
    float depth = 1e30f;
    TVec4 normal; // from B towards A
    int kind = 0; // 1 face of A, 2 face of B, 3 edge pair
    int edgeA = 0;
    int edgeB = 0;
};

// False when the axis separates; otherwise keeps it when shallower than the best so far.
bool TestAxis(const THull& a, const THull& b, TVec4 axis, int kind, int edgeA, int edgeB, float bias, AxisResult* best)
{
    float length = Length3(axis);
    if (length == 0.0f) {
        return true;
    }
    axis = axis * (1.0f / length);
    float lowA, highA, lowB, highB;
    Project(a, axis, &lowA, &highA);
    Project(b, axis, &lowB, &highB);
    float pushUp = highB - lowA; // A moved along +axis by this leaves B
    float pushDown = highA - lowB;
    if (pushUp <= 0.0f || pushDown <= 0.0f) {
        return false;
    }
    float depth = pushUp < pushDown ? pushUp : pushDown;
    if (depth + bias < best->depth) {
        best->depth = depth;
        best->normal = pushUp < pushDown ? axis : -axis;
        best->kind = kind;
        best->edgeA = edgeA;
        best->edgeB = edgeB;
    }
    return true;
}

// Deepest vertex of a hull along a direction.
TVec4 Support(const THull& hull, const TVec4& direction)
{
    int best = 0;
    float bestValue = Dot3(direction, hull.vertices[0]);
    for (int i = 1; i < hull.vertexCount; ++i) {
        float value = Dot3(direction, hull.vertices[i]);
        if (value > bestValue) {
            bestValue = value;
            best = i;
        }
    }
    return hull.vertices[best];
}

// Edge of a hull parallel to the given one that reaches furthest along a direction.
int SupportEdge(const THull& hull, int edge, const TVec4& direction)
{
    TVec4 along = Normalize3(hull.vertices[hull.edges[edge][1]] - hull.vertices[hull.edges[edge][0]]);
    int best = edge;
    float bestValue = -1e30f;
    for (int e = 0; e < hull.edgeCount; ++e) {
        TVec4 d = Normalize3(hull.vertices[hull.edges[e][1]] - hull.vertices[hull.edges[e][0]]);
        if (Length3(Cross3(d, along)) > 1e-3f) {
            continue;
        }
        float value = Dot3(direction, hull.vertices[hull.edges[e][0]] + hull.vertices[hull.edges[e][1]]);
        if (value > bestValue) {
            bestValue = value;
            best = e;
        }
    }
    return best;
}

// Minimum-penetration axis over every face normal and edge pair of the two hulls.
bool HullSat(const THull& a, const THull& b, TContact* out)
{
    AxisResult best;
    for (int f = 0; f < a.faceCount; ++f) {
        if (!TestAxis(a, b, a.normals[f], 1, 0, 0, 0.0f, &best)) {
            return false;
        }
    }
    for (int f = 0; f < b.faceCount; ++f) {
        if (!TestAxis(a, b, b.normals[f], 2, 0, 0, 0.0001f, &best)) {
            return false;
        }
    }
    for (int i = 0; i < a.edgeCount; ++i) {
        TVec4 da = Normalize3(a.vertices[a.edges[i][1]] - a.vertices[a.edges[i][0]]);
        for (int j = 0; j < b.edgeCount; ++j) {
            TVec4 db = Normalize3(b.vertices[b.edges[j][1]] - b.vertices[b.edges[j][0]]);
            // Edges are only preferred when clearly shallower than every face.
            if (!TestAxis(a, b, Cross3(da, db), 3, i, j, 0.0001f, &best)) {
                return false;
            }
        }
    }
    if (best.kind == 0) {
        return false;
    }
    TVec4 n = best.normal;
    out->normal = n;
    out->depth = best.depth;
    if (best.kind == 2) {
        // Face of B: A's deepest vertex against it.
        out->worldPointA = Support(a, -n);
        out->worldPointB = out->worldPointA + n * best.depth;
    } else if (best.kind == 1) {
        // Face of A: B's deepest vertex against it.
        out->worldPointB = Support(b, n);
        out->worldPointA = out->worldPointB - n * best.depth;
    } else {
        int ea = SupportEdge(a, best.edgeA, -n);
        int eb = SupportEdge(b, best.edgeB, n);
        TVec4 onA, onB;
        if (ClampedSegmentPoints(a.vertices[a.edges[ea][0]], a.vertices[a.edges[ea][1]], b.vertices[b.edges[eb][0]],
                                 b.vertices[b.edges[eb][1]], &onA, &onB)) {
            out->worldPointA = onA;
            out->worldPointB = onB;
        } else {
            out->worldPointA = Support(a, -n);
            out->worldPointB = out->worldPointA + n * best.depth;
        }
    }
    return true;
}

} // namespace

void ConvexConvexTest(TContact* out, const TConvex* a, const TMat44& worldA, const TConvex* b, const TMat44& worldB)
{
    out->collided = 0;
    static THull hullA;
    static THull hullB;
    if (!InitHull(&hullA, a, worldA) || !InitHull(&hullB, b, worldB)) {
        return;
    }
    TContact scratch{};
    if (HullSat(hullA, hullB, &scratch)) {
        out->collided = 1;
        out->normal = scratch.normal;
        out->depth = scratch.depth;
        out->worldPointA = scratch.worldPointA;
        out->worldPointB = scratch.worldPointB;
    }
}

void CollidePointsTriangle(TContact* out, const TConvex* a, const TMat44& worldA, const TConvex* b, const TMat44&)
{
    static THull hull;
    static THull triangleHull;
    if (!InitHull(&hull, a, worldA)) {
        out->collided = 0;
        return;
    }
    CollideTriangleSet(out, b, true, [&](const TTerrainTriangle&, const TTriangleFrame& triangle, TTriangleHit* hit) {
        InitTriangle(&triangleHull, triangle);
        TContact current{};
        if (!HullSat(hull, triangleHull, &current)) {
            return false;
        }
        hit->normal = current.normal;
        hit->pointA = current.worldPointA;
        hit->pointB = current.worldPointB;
        hit->depth = current.depth;
        hit->hit = true;
        return true;
    });
}

#include "physics/TConvex.h"

#include "physics/THullBlock.h"

#include <cmath>
#include <cstdio>

TVec4 ComputeInertiaFromExtents(float x, float y, float z, float mass)
{
    float s = x;
    if (y > s) {
        s = y;
    }
    if (z > s) {
        s = z;
    }
    float value = 2.0f * s * s * mass * 0.33333334f;
    return Vec(value, value, value);
}

void TConvex::SetDefault()
{
    type = TCONVEX_BOX;
    dims[0] = dims[1] = dims[2] = 0.5f;
    dims[3] = 0.0f;
    boundingRadius = Length3(HalfExtents());
    transform = IdentityMat44();
    scaleFactor = 0.0f;
    materialIndex = 0;
    reserved = 0;
    mass = 1.0f;
    inertia = ComputeInertiaFromExtents(1.0f, 1.0f, 1.0f, mass);
    vector = TVec4{};
    words[0] = 0.0f;
    words[1] = 0.5f;
    words[2] = 0.0f;
    words[3] = 0.0f;
    triangleIndices = nullptr;
    triangleCount = 0;
    triangles = nullptr;
    hull = nullptr;
    points = nullptr;
    pointCount = 0;
    vertexArray = nullptr;
}

void TConvex::SetBoxSizeImpl(float x, float y, float z)
{
    // Negative sizes would turn the box inside out; their magnitude is meant.
    type = TCONVEX_BOX;
    dims[0] = std::fabs(x) * 0.5f;
    dims[1] = std::fabs(y) * 0.5f;
    dims[2] = std::fabs(z) * 0.5f;
    boundingRadius = Length3(HalfExtents());
    scaleFactor = 0.0f;
}

void TConvex::SetSphereDiameter(float diameter)
{
    type = TCONVEX_SPHERE;
    float radius = std::fabs(diameter) * 0.5f;
    dims[0] = radius;
    dims[1] = radius * radius;
    dims[2] = 0.0f;
    scaleFactor = 0.0f;
}

void TConvex::SetCapsule(float radius, float halfHeight)
{
    type = TCONVEX_CAPSULE;
    radius = std::fabs(radius);
    dims[0] = radius;
    dims[1] = radius * radius;
    dims[2] = std::fabs(halfHeight);
    scaleFactor = 0.0f;
}

void TConvex::SetTriangleSet(const uint32_t* indices, int32_t count, const TTerrainTriangle* triangleArray,
                             const TVec4* vertices)
{
    type = TCONVEX_TRIANGLE;
    triangleIndices = indices;
    triangleCount = count;
    triangles = triangleArray;
    vertexArray = vertices;
    scaleFactor = 0.0f;
}

void TConvex::SetSingleTriangle(uint32_t i0, uint32_t i1, uint32_t i2, const TVec4* vertices)
{
    type = TCONVEX_SINGLE_TRIANGLE;
    vertexIndex[0] = i0;
    vertexIndex[1] = i1;
    vertexIndex[2] = i2;
    vertexArray = vertices;
    scaleFactor = 0.0f;
}

void TConvex::SetPoints(const THullBlock* block)
{
    type = TCONVEX_POINTS;
    hull = block;
    points = block != nullptr ? block->vertices : nullptr;
    pointCount = block != nullptr ? block->vertexCount : 0;
    scaleFactor = 0.0f;
}

void TConvex::SetScaledPoints(const TVec4* pointArray, int32_t count, float scale)
{
    type = TCONVEX_SCALED_POINTS;
    hull = nullptr;
    points = pointArray;
    pointCount = count;
    scaleFactor = scale;
}

static float LargestPointLength(const TVec4* points, int32_t count)
{
    float largest = 0.0f;
    for (int32_t i = 0; points != nullptr && i < count; ++i) {
        float length = Length3(points[i]);
        if (length > largest) {
            largest = length;
        }
    }
    return largest;
}

float TConvex::GetExtend() const
{
    TVec4 position = transform.row[3];
    switch (type) {
    case TCONVEX_BOX:
        return Length3(HalfExtents()) + Length3(position);
    case TCONVEX_SPHERE:
        return Length3(position) + dims[0];
    case TCONVEX_CAPSULE:
        // Radius plus half height; the second word holds the squared radius.
        return dims[0] + dims[2] + Length3(position);
    case TCONVEX_SCALED_POINTS:
        return (scaleFactor + 1.0f) * LargestPointLength(points, pointCount);
    case TCONVEX_POINTS:
        return LargestPointLength(points, pointCount);
    default:
        std::fputs("TConvex::GetExtend - error: unrecongised primitive type\n", stderr);
        return 0.0f;
    }
}

// Box in the parent frame of a local box given by centre and half extents along the transform's rows.
static void RotatedBoxBounds(const TMat44& m, const TVec4& centre, const TVec4& half, TVec4* min, TVec4* max)
{
    TVec4 c = TransformPoint(m, centre);
    for (int i = 0; i < 3; ++i) {
        float reach =
            std::fabs(m.row[0][i]) * half.x + std::fabs(m.row[1][i]) * half.y + std::fabs(m.row[2][i]) * half.z;
        (*min)[i] = c[i] - reach;
        (*max)[i] = c[i] + reach;
    }
}

bool TConvex::GetLocalBounds(TVec4* min, TVec4* max) const
{
    const TMat44& m = transform;
    switch (type) {
    case TCONVEX_BOX:
        RotatedBoxBounds(m, TVec4{}, HalfExtents(), min, max);
        return true;
    case TCONVEX_SPHERE:
        for (int i = 0; i < 3; ++i) {
            (*min)[i] = m.row[3][i] - dims[0];
            (*max)[i] = m.row[3][i] + dims[0];
        }
        return true;
    case TCONVEX_CAPSULE: {
        float r = dims[0];
        float h = dims[2];
        for (int i = 0; i < 3; ++i) {
            float reach = (r + h) * std::fabs(m.row[1][i]) + r * (std::fabs(m.row[0][i]) + std::fabs(m.row[2][i]));
            (*min)[i] = m.row[3][i] - reach;
            (*max)[i] = m.row[3][i] + reach;
        }
        return true;
    }
    case TCONVEX_SCALED_POINTS:
    case TCONVEX_POINTS: {
        TVec4 low = Vec(1e6f, 1e6f, 1e6f);
        TVec4 high = Vec(-1e6f, -1e6f, -1e6f);
        for (int32_t i = 0; points != nullptr && i < pointCount; ++i) {
            low = Min3(low, points[i]);
            high = Max3(high, points[i]);
        }
        if (pointCount <= 0 || points == nullptr) {
            low = high = TVec4{};
        }
        float factor = type == TCONVEX_POINTS ? 2.0f : scaleFactor + 2.0f;
        // The point box lives in the geometry's frame; carry it into the body's frame.
        TVec4 centre = (low + high) * (0.5f * factor);
        TVec4 half = (high - low) * (0.5f * factor);
        RotatedBoxBounds(m, centre, half, min, max);
        return true;
    }
    default:
        return false;
    }
}

void TConvex::BuildBoundingConvex()
{
    boundingRadius = 0.0f;
    if (geometryCount <= 0 || next == nullptr) {
        return;
    }
    int32_t count = 0;
    for (const TConvex* g = next; g != nullptr && count < geometryCount; g = g->next, ++count) {
        float extend = g->GetExtend();
        if (extend > boundingRadius) {
            boundingRadius = extend;
        }
    }
    if (geometryCount == 1 && next->type == TCONVEX_BOX) {
        const TConvex* box = next;
        for (int i = 0; i < 4; ++i) {
            dims[i] = box->dims[i];
        }
        transform = box->transform;
        boundingRadius = box->boundingRadius;
        scaleFactor = box->scaleFactor;
        type = box->type;
        materialIndex = box->materialIndex;
        reserved = box->reserved;
        inertia = box->inertia;
        vector = box->vector;
        mass = box->mass;
        for (int i = 0; i < 4; ++i) {
            words[i] = box->words[i];
        }
        return;
    }
    TVec4 low = Vec(1e6f, 1e6f, 1e6f);
    TVec4 high = Vec(-1e6f, -1e6f, -1e6f);
    bool any = false;
    count = 0;
    for (const TConvex* g = next; g != nullptr && count < geometryCount; g = g->next, ++count) {
        TVec4 gMin, gMax;
        if (g->GetLocalBounds(&gMin, &gMax)) {
            low = Min3(low, gMin);
            high = Max3(high, gMax);
            any = true;
        }
    }
    if (!any) {
        // Nothing with a box of its own: an empty box at the origin rather than an inside-out one.
        low = high = TVec4{};
    }
    TVec4 half = (high - low) * 0.5f;
    type = TCONVEX_BOX;
    dims[0] = half.x;
    dims[1] = half.y;
    dims[2] = half.z;
    dims[3] = 0.0f;
    transform = IdentityMat44();
    TVec4 centre = low + half;
    transform.row[3] = Vec(centre.x, centre.y, centre.z, 1.0f);
}

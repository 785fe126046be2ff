#pragma once
// Shapes, random poses and double-precision reference checks for the collision tests.

#include "physics/TAllocator.h"
#include "physics/TContact.h"
#include "physics/TConvex.h"
#include "physics/TMath.h"

#include <cmath>
#include <cstdlib>
#include <random>
#include <set>

namespace collisionkit {

struct Rng {
    explicit Rng(unsigned seed) : engine(seed) {}
    float Uniform(float low, float high) { return std::uniform_real_distribution<float>(low, high)(engine); }
    int Int(int low, int high) { return std::uniform_int_distribution<int>(low, high)(engine); }
    TVec4 Point(float range) { return Vec(Uniform(-range, range), Uniform(-range, range), Uniform(-range, range)); }
    TMat34 Rotation()
    {
        TQuat q;
        q.x = Uniform(-1, 1);
        q.y = Uniform(-1, 1);
        q.z = Uniform(-1, 1);
        q.w = Uniform(-1, 1);
        return RotationFromQuat(Normalize(q));
    }
    std::mt19937 engine;
};

inline TMat44 Pose(const TMat34& rotation, const TVec4& position)
{
    return MakeTransform(rotation, position);
}
inline TMat44 At(float x, float y, float z)
{
    return Pose(IdentityMat34(), Vec(x, y, z));
}

inline TMat34 RotationAbout(const TVec4& axis, float angle)
{
    TVec4 n = Normalize3(axis);
    float s = std::sin(angle * 0.5f);
    TQuat q;
    q.x = n.x * s;
    q.y = n.y * s;
    q.z = n.z * s;
    q.w = std::cos(angle * 0.5f);
    return RotationFromQuat(q);
}

inline TConvex Box(float hx, float hy, float hz)
{
    TConvex c;
    c.SetDefault();
    c.SetBoxSizeImpl(2 * hx, 2 * hy, 2 * hz);
    return c;
}

inline TConvex Sphere(float radius)
{
    TConvex c;
    c.SetDefault();
    c.SetSphereDiameter(2 * radius);
    return c;
}

inline TConvex Capsule(float radius, float halfHeight)
{
    TConvex c;
    c.SetDefault();
    c.SetCapsule(radius, halfHeight);
    return c;
}

// Links geometries into a body's bounding record and builds it.
inline void LinkBody(TConvex* bounds, TConvex* geometries, int count)
{
    bounds->SetDefault();
    bounds->next = count > 0 ? &geometries[0] : nullptr;
    for (int i = 0; i < count; ++i) {
        geometries[i].next = i + 1 < count ? &geometries[i + 1] : nullptr;
        geometries[i].prev = i > 0 ? &geometries[i - 1] : nullptr;
    }
    bounds->geometryCount = count;
    bounds->BuildBoundingConvex();
}

inline bool Finite(const TContact& c)
{
    return IsFinite3(c.normal) && IsFinite3(c.worldPointA) && IsFinite3(c.worldPointB) && std::isfinite(c.depth);
}

inline float Distance(const TVec4& a, const TVec4& b)
{
    return std::sqrt(LengthSquared3(a - b));
}

// Double-precision vectors for the reference checks.
struct D3 {
    double x = 0, y = 0, z = 0;
};
inline D3 ToD(const TVec4& v)
{
    return {v.x, v.y, v.z};
}
inline D3 operator-(const D3& a, const D3& b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline D3 operator+(const D3& a, const D3& b)
{
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline D3 operator*(const D3& a, double s)
{
    return {a.x * s, a.y * s, a.z * s};
}
inline double Dot(const D3& a, const D3& b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline D3 Cross(const D3& a, const D3& b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double Len(const D3& a)
{
    return std::sqrt(Dot(a, a));
}

// Minimum overlap of two vertex sets over the given axes (negative: separated on some axis).
template <size_t NA, size_t NB, size_t NX>
double MinOverlap(const D3 (&a)[NA], const D3 (&b)[NB], const D3 (&axes)[NX], int axisCount)
{
    double best = 1e30;
    for (int k = 0; k < axisCount; ++k) {
        double length = Len(axes[k]);
        if (length < 1e-9) {
            continue;
        }
        D3 n = axes[k] * (1.0 / length);
        double lowA = 1e30, highA = -1e30, lowB = 1e30, highB = -1e30;
        for (const D3& v : a) {
            lowA = std::fmin(lowA, Dot(n, v));
            highA = std::fmax(highA, Dot(n, v));
        }
        for (const D3& v : b) {
            lowB = std::fmin(lowB, Dot(n, v));
            highB = std::fmax(highB, Dot(n, v));
        }
        best = std::fmin(best, std::fmin(highA - lowB, highB - lowA));
    }
    return best;
}

inline void BoxCorners(const TConvex& box, const TMat44& world, D3 (&out)[8])
{
    for (int i = 0; i < 8; ++i) {
        TVec4 local = Vec((i & 4) ? box.dims[0] : -box.dims[0], (i & 2) ? box.dims[1] : -box.dims[1],
                          (i & 1) ? box.dims[2] : -box.dims[2]);
        out[i] = ToD(TransformPoint(world, local));
    }
}

// Exact minimum penetration of two boxes over their fifteen axes (negative when separated).
inline double BoxBoxReference(const TConvex& a, const TMat44& wa, const TConvex& b, const TMat44& wb)
{
    D3 ca[8], cb[8];
    BoxCorners(a, wa, ca);
    BoxCorners(b, wb, cb);
    D3 axes[15];
    int n = 0;
    for (int i = 0; i < 3; ++i) {
        axes[n++] = ToD(wa.row[i]);
        axes[n++] = ToD(wb.row[i]);
    }
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            D3 c = Cross(ToD(wa.row[i]), ToD(wb.row[j]));
            if (Len(c) > 1e-3) {
                axes[n++] = c;
            }
        }
    }
    return MinOverlap(ca, cb, axes, n);
}

// Closest point of a box (world) to a point, in double precision.
inline D3 ClosestOnBox(const TConvex& box, const TMat44& world, const D3& p)
{
    D3 centre = ToD(world.row[3]);
    D3 result = centre;
    for (int k = 0; k < 3; ++k) {
        D3 axis = ToD(world.row[k]);
        double t = Dot(p - centre, axis);
        double h = box.dims[k];
        t = t < -h ? -h : (t > h ? h : t);
        result = result + axis * t;
    }
    return result;
}

// Closest point of a triangle to a point, in double precision.
inline D3 ClosestOnTriangle(const D3& p, const D3& a, const D3& b, const D3& c)
{
    D3 ab = b - a, ac = c - a, ap = p - a;
    double d1 = Dot(ab, ap), d2 = Dot(ac, ap);
    if (d1 <= 0 && d2 <= 0) {
        return a;
    }
    D3 bp = p - b;
    double d3 = Dot(ab, bp), d4 = Dot(ac, bp);
    if (d3 >= 0 && d4 <= d3) {
        return b;
    }
    double vc = d1 * d4 - d3 * d2;
    if (vc <= 0 && d1 >= 0 && d3 <= 0) {
        return a + ab * (d1 / (d1 - d3));
    }
    D3 cp = p - c;
    double d5 = Dot(ab, cp), d6 = Dot(ac, cp);
    if (d6 >= 0 && d5 <= d6) {
        return c;
    }
    double vb = d5 * d2 - d1 * d6;
    if (vb <= 0 && d2 >= 0 && d6 <= 0) {
        return a + ac * (d2 / (d2 - d6));
    }
    double va = d3 * d6 - d5 * d4;
    if (va <= 0 && (d4 - d3) >= 0 && (d5 - d6) >= 0) {
        return b + (c - b) * ((d4 - d3) / ((d4 - d3) + (d5 - d6)));
    }
    double denominator = 1.0 / (va + vb + vc);
    return a + ab * (vb * denominator) + ac * (vc * denominator);
}

// Allocator that counts blocks and bytes, and can refuse after a number of blocks.
class CountingAllocator : public TAllocator {
public:
    void* Alloc(size_t size, uint32_t) override
    {
        if (failAfter >= 0 && allocations >= failAfter) {
            return nullptr;
        }
        void* block = std::aligned_alloc(16, (size + 15) & ~size_t(15));
        if (block != nullptr) {
            ++allocations;
            live.insert(block);
        }
        return block;
    }
    void Free(void* block) override
    {
        if (live.erase(block) == 1) {
            ++frees;
        } else {
            ++badFrees;
        }
        std::free(block);
    }
    int allocations = 0;
    int frees = 0;
    int badFrees = 0;
    int failAfter = -1;
    std::set<void*> live;
};

} // namespace collisionkit

namespace collisionkit {
inline TVec4 ToDVec(const D3& v)
{
    return Vec(float(v.x), float(v.y), float(v.z));
}
} // namespace collisionkit

#include "physics/TTriangleFrame.h"

#include <cmath>

TTriangleFrame::TTriangleFrame(const TVec4& va, const TVec4& vb, const TVec4& vc) : a(va), b(vb), c(vc)
{
    e0 = b - a;
    e1 = c - b;
    e2 = a - c;
    n = Normalize3(Cross3(e0, e1));
    d = Dot3(n, a);
}

int ClassifyTriangleRegion(const TTriangleFrame& t, const TVec4& x)
{
    float ax = std::fabs(t.n.x);
    float ay = std::fabs(t.n.y);
    float az = std::fabs(t.n.z);
    int i;
    int j;
    int dropped;
    if (ay <= az && ax < az) {
        dropped = 2;
        i = 0;
        j = 1;
    } else if (ay > az && ax < ay) {
        dropped = 1;
        i = 2;
        j = 0;
    } else {
        dropped = 0;
        i = 1;
        j = 2;
    }
    auto side = [&](const TVec4& u, const TVec4& w) {
        return (u[j] - w[j]) * (x[i] - u[i]) + (u[i] - w[i]) * (u[j] - x[j]);
    };
    bool out0 = side(t.a, t.b) > 0.0f;
    bool out1 = side(t.b, t.c) > 0.0f;
    bool out2 = side(t.c, t.a) > 0.0f;
    static const int REGIONS[8] = {-1, 2, 0, 1, 4, 3, 5, -1}; // index out0*4 + out1*2 + out2
    int region = REGIONS[(out0 ? 4 : 0) + (out1 ? 2 : 0) + (out2 ? 1 : 0)];
    if (region != -1 && !(t.n[dropped] > 0.0f)) {
        region = (region + 3) % 6;
    }
    return region;
}

static TVec4 ClosestOnSegment(const TVec4& start, const TVec4& end, const TVec4& p)
{
    TVec4 edge = end - start;
    float lengthSquared = Dot3(edge, edge);
    if (lengthSquared <= 0.0f) {
        return start;
    }
    float u = Dot3(p - start, edge) / lengthSquared;
    u = u < 0.0f ? 0.0f : (u > 1.0f ? 1.0f : u);
    return start + edge * u;
}

TVec4 ClosestBoundaryPoint(const TTriangleFrame& t, const TVec4& p)
{
    TVec4 best = ClosestOnSegment(t.a, t.b, p);
    float bestDistance = LengthSquared3(p - best);
    TVec4 candidates[2] = {ClosestOnSegment(t.b, t.c, p), ClosestOnSegment(t.c, t.a, p)};
    for (const TVec4& candidate : candidates) {
        float distance = LengthSquared3(p - candidate);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = candidate;
        }
    }
    return best;
}

#include "datagen/TrackRoad.h"

#include <algorithm>
#include <cmath>

namespace datagen {

namespace {

constexpr float DENSE_STEP = 1.0f;
constexpr float BUCKET_SIZE = 8.0f;

Point2D Lerp(Point2D a, Point2D b, double t)
{
    return {float(a.x + (b.x - a.x) * t), float(a.z + (b.z - a.z) * t)};
}

float Distance(Point2D a, Point2D b)
{
    return std::hypot(b.x - a.x, b.z - a.z);
}

// Centripetal Catmull-Rom between p1 and p2: no cusps or loops however
// unevenly the points are spaced.
Point2D CatmullRom(Point2D p0, Point2D p1, Point2D p2, Point2D p3, double s)
{
    const double t0 = 0.0;
    const double t1 = t0 + std::sqrt(std::max(Distance(p0, p1), 1e-4f));
    const double t2 = t1 + std::sqrt(std::max(Distance(p1, p2), 1e-4f));
    const double t3 = t2 + std::sqrt(std::max(Distance(p2, p3), 1e-4f));
    const double t = t1 + (t2 - t1) * s;
    const Point2D a1 = Lerp(p0, p1, (t - t0) / (t1 - t0));
    const Point2D a2 = Lerp(p1, p2, (t - t1) / (t2 - t1));
    const Point2D a3 = Lerp(p2, p3, (t - t2) / (t3 - t2));
    const Point2D b1 = Lerp(a1, a2, (t - t0) / (t2 - t0));
    const Point2D b2 = Lerp(a2, a3, (t - t1) / (t3 - t1));
    return Lerp(b1, b2, (t - t1) / (t2 - t1));
}

Float3 Flat(Point2D p)
{
    return {p.x, 0.0f, p.z};
}

} // namespace

TrackRoad::TrackRoad(const std::vector<Point2D>& polygon, Point2D left, Point2D right, float spacing, int startRows)
{
    width = Distance(left, right);
    const Point2D centre = {(left.x + right.x) * 0.5f, (left.z + right.z) * 0.5f};
    // Travel runs so that `left` lies on the left: left = centre + (-dz, dx) * width / 2.
    const Point2D toLeft = {(left.x - centre.x) / (width * 0.5f), (left.z - centre.z) / (width * 0.5f)};
    const Point2D heading = {toLeft.z, -toLeft.x};

    // A short straight through gate 0 keeps the road square to the gate.
    std::vector<Point2D> control = {centre, {centre.x + heading.x * 10.0f, centre.z + heading.z * 10.0f}};
    control.insert(control.end(), polygon.begin() + 1, polygon.end());
    control.push_back({centre.x - heading.x * 10.0f, centre.z - heading.z * 10.0f});

    std::vector<Point2D> curve;
    const size_t n = control.size();
    for (size_t i = 0; i < n; ++i) {
        const Point2D p0 = control[(i + n - 1) % n], p1 = control[i], p2 = control[(i + 1) % n],
                      p3 = control[(i + 2) % n];
        for (int k = 0; k < 32; ++k)
            curve.push_back(CatmullRom(p0, p1, p2, p3, k / 32.0));
    }
    curve.push_back(centre);
    std::vector<double> curveAlong(curve.size(), 0.0);
    for (size_t i = 1; i < curve.size(); ++i)
        curveAlong[i] = curveAlong[i - 1] + Distance(curve[i - 1], curve[i]);
    length = float(curveAlong.back());

    // The point at arc length s along the curve.
    auto at = [&](double s) {
        s = std::fmod(s, double(length));
        if (s < 0.0)
            s += length;
        const size_t k = size_t(std::upper_bound(curveAlong.begin(), curveAlong.end(), s) - curveAlong.begin());
        const size_t hi = std::min(std::max<size_t>(k, 1), curve.size() - 1);
        const double span = curveAlong[hi] - curveAlong[hi - 1];
        return Lerp(curve[hi - 1], curve[hi], span > 0.0 ? (s - curveAlong[hi - 1]) / span : 0.0);
    };
    auto tangent = [&](double s) {
        const Point2D a = at(s - 0.5), b = at(s + 0.5);
        const float d = std::max(Distance(a, b), 1e-6f);
        return Point2D{(b.x - a.x) / d, (b.z - a.z) / d};
    };

    const int denseCount = std::max(8, int(std::lround(length / DENSE_STEP)));
    for (int i = 0; i < denseCount; ++i) {
        line.push_back(at(double(length) * i / denseCount));
        lineAlong.push_back(length * float(i) / float(denseCount));
    }

    const int gateCount = std::max(3, int(std::lround(length / spacing)));
    const double step = double(length) / gateCount;
    for (int i = 0; i < gateCount; ++i) {
        TrackGate gate;
        if (i == 0) {
            gate.left = Flat(left);
            gate.right = Flat(right);
            gate.centre = Flat(centre);
        } else {
            const Point2D p = at(step * i), t = tangent(step * i);
            const Point2D side = {-t.z * width * 0.5f, t.x * width * 0.5f};
            gate.left = {p.x + side.x, 0.0f, p.z + side.z};
            gate.right = {p.x - side.x, 0.0f, p.z - side.z};
            gate.centre = Flat(p);
        }
        data.gates.push_back(gate);
    }
    for (int quarter = 1; quarter <= 3; ++quarter)
        data.gates[size_t(std::lround(gateCount * quarter / 4.0)) % gateCount].checkpoint = true;

    // Two abreast, the rows staggered inside the last two cells.
    for (int row = 0; row < startRows; ++row) {
        const double back = step * (0.3 + 0.4 * (row % 2) + (row / 2));
        const Point2D p = at(double(length) - back), t = tangent(double(length) - back);
        for (float side : {0.25f, -0.25f})
            data.startPositions.push_back({p.x - t.z * width * side, 0.0f, p.z + t.x * width * side});
    }
    Bucket();
}

void TrackRoad::Bucket()
{
    float maxX = line[0].x, maxZ = line[0].z;
    minX = line[0].x;
    minZ = line[0].z;
    for (const Point2D& p : line) {
        minX = std::min(minX, p.x);
        minZ = std::min(minZ, p.z);
        maxX = std::max(maxX, p.x);
        maxZ = std::max(maxZ, p.z);
    }
    minX -= REACH;
    minZ -= REACH;
    bucketsX = int((maxX + REACH - minX) / BUCKET_SIZE) + 1;
    bucketsZ = int((maxZ + REACH - minZ) / BUCKET_SIZE) + 1;
    buckets.assign(size_t(bucketsX) * bucketsZ, {});
    for (size_t j = 0; j < line.size(); ++j) {
        const Point2D a = line[j], b = line[(j + 1) % line.size()];
        const int x0 = int((std::min(a.x, b.x) - REACH - minX) / BUCKET_SIZE);
        const int x1 = int((std::max(a.x, b.x) + REACH - minX) / BUCKET_SIZE);
        const int z0 = int((std::min(a.z, b.z) - REACH - minZ) / BUCKET_SIZE);
        const int z1 = int((std::max(a.z, b.z) + REACH - minZ) / BUCKET_SIZE);
        for (int bz = std::max(z0, 0); bz <= std::min(z1, bucketsZ - 1); ++bz)
            for (int bx = std::max(x0, 0); bx <= std::min(x1, bucketsX - 1); ++bx)
                buckets[size_t(bz) * bucketsX + bx].push_back(int(j));
    }
}

RoadProjection TrackRoad::Project(float x, float z) const
{
    RoadProjection best;
    best.distance = REACH;
    const float fx = (x - minX) / BUCKET_SIZE, fz = (z - minZ) / BUCKET_SIZE;
    if (!(fx >= 0.0f && fz >= 0.0f && fx < float(bucketsX) && fz < float(bucketsZ)))
        return best;
    float bestSquared = REACH * REACH;
    for (int j : buckets[size_t(fz) * bucketsX + size_t(fx)]) {
        const Point2D a = line[size_t(j)], b = line[(size_t(j) + 1) % line.size()];
        const float ux = b.x - a.x, uz = b.z - a.z;
        const float segment = ux * ux + uz * uz;
        const float t = segment > 0.0f ? std::clamp(((x - a.x) * ux + (z - a.z) * uz) / segment, 0.0f, 1.0f) : 0.0f;
        const float px = a.x + ux * t, pz = a.z + uz * t;
        const float squared = (x - px) * (x - px) + (z - pz) * (z - pz);
        if (squared < bestSquared) {
            bestSquared = squared;
            const float segmentLength = std::sqrt(segment);
            best.distance = std::sqrt(squared);
            best.along = lineAlong[size_t(j)] + t * segmentLength;
            // (-uz, ux) points to the left of travel.
            best.lateral = segmentLength > 0.0f ? ((x - px) * -uz + (z - pz) * ux) / segmentLength : 0.0f;
        }
    }
    return best;
}

float TrackRoad::Wrapped(float along) const
{
    float s = std::fmod(along, length);
    if (s < 0.0f)
        s += length;
    return s >= length * 0.5f ? s - length : s;
}

} // namespace datagen

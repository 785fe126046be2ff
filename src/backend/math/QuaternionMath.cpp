#include "backend/math/QuaternionMath.h"

#include "backend/math/Vector.h"

#include <cmath>

namespace backend {

float QuaternionDot(const Quaternion* a, const Quaternion* b)
{
    return a->x * b->x + a->y * b->y + a->z * b->z + a->w * b->w;
}

Quaternion* QuaternionNormalize(Quaternion* out, const Quaternion* q)
{
    float length = std::sqrt(QuaternionDot(q, q));
    if (length == 0.0f) {
        *out = Quaternion{0, 0, 0, 0};
        return out;
    }
    *out = Quaternion{q->x / length, q->y / length, q->z / length, q->w / length};
    return out;
}

Quaternion* QuaternionMultiply(Quaternion* out, const Quaternion* a, const Quaternion* b)
{
    // Hamilton product p * q with p = b, q = a.
    const Quaternion& p = *b;
    const Quaternion& q = *a;
    Quaternion r;
    r.x = p.w * q.x + p.x * q.w + p.y * q.z - p.z * q.y;
    r.y = p.w * q.y - p.x * q.z + p.y * q.w + p.z * q.x;
    r.z = p.w * q.z + p.x * q.y - p.y * q.x + p.z * q.w;
    r.w = p.w * q.w - p.x * q.x - p.y * q.y - p.z * q.z;
    *out = r;
    return out;
}

Quaternion* QuaternionRotationAxis(Quaternion* out, const Vector3* axis, float angle)
{
    Vector3 n;
    Vec3Normalize(&n, axis);
    float s = std::sin(angle / 2.0f);
    *out = Quaternion{n.x * s, n.y * s, n.z * s, std::cos(angle / 2.0f)};
    return out;
}

Quaternion* QuaternionRotationMatrix(Quaternion* out, const Matrix* matrix)
{
    const auto& m = matrix->m;
    Quaternion r;
    float trace = m[0][0] + m[1][1] + m[2][2];
    if (trace > 0.0f) {
        float s = 2.0f * std::sqrt(trace + 1.0f); // 4w
        r.w = 0.25f * s;
        r.x = (m[1][2] - m[2][1]) / s;
        r.y = (m[2][0] - m[0][2]) / s;
        r.z = (m[0][1] - m[1][0]) / s;
    } else if (m[0][0] >= m[1][1] && m[0][0] >= m[2][2]) {
        float s = 2.0f * std::sqrt(1.0f + m[0][0] - m[1][1] - m[2][2]); // 4x
        r.x = 0.25f * s;
        r.y = (m[0][1] + m[1][0]) / s;
        r.z = (m[0][2] + m[2][0]) / s;
        r.w = (m[1][2] - m[2][1]) / s;
    } else if (m[1][1] >= m[2][2]) {
        float s = 2.0f * std::sqrt(1.0f + m[1][1] - m[0][0] - m[2][2]); // 4y
        r.y = 0.25f * s;
        r.x = (m[0][1] + m[1][0]) / s;
        r.z = (m[1][2] + m[2][1]) / s;
        r.w = (m[2][0] - m[0][2]) / s;
    } else {
        float s = 2.0f * std::sqrt(1.0f + m[2][2] - m[0][0] - m[1][1]); // 4z
        r.z = 0.25f * s;
        r.x = (m[0][2] + m[2][0]) / s;
        r.y = (m[1][2] + m[2][1]) / s;
        r.w = (m[0][1] - m[1][0]) / s;
    }
    *out = r;
    return out;
}

Quaternion* QuaternionSlerp(Quaternion* out, const Quaternion* a, const Quaternion* b, float t)
{
    float cosine = QuaternionDot(a, b);
    float sign = 1.0f;
    if (cosine < 0.0f) {
        cosine = -cosine;
        sign = -1.0f;
    }
    float wa = 1.0f - t;
    float wb = t;
    // Close quaternions fall back to a straight blend, which also avoids sin(0).
    if (1.0f - cosine > 0.001f) {
        float theta = std::acos(std::fmin(cosine, 1.0f));
        float sine = std::sin(theta);
        wa = std::sin((1.0f - t) * theta) / sine;
        wb = std::sin(t * theta) / sine;
    }
    wb *= sign;
    *out = Quaternion{wa * a->x + wb * b->x, wa * a->y + wb * b->y, wa * a->z + wb * b->z, wa * a->w + wb * b->w};
    return out;
}

} // namespace backend

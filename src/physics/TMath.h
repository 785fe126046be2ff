#pragma once
// The engine's own small math: four-float vectors (the fourth component carries no meaning unless said),
// 3x4 rotations whose rows are a body's axes, 4x4 transforms (rows: x, y, z axes, then position) and
// quaternions. Row-vector convention: a local vector v goes to the world as v.x*row0 + v.y*row1 + v.z*row2.

#include <cmath>
#include <cstdint>

struct alignas(16) TVec4 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    float w = 0.0f;

    float& operator[](int i) { return (&x)[i]; }
    float operator[](int i) const { return (&x)[i]; }
};
static_assert(sizeof(TVec4) == 16, "a vector is four floats");

struct alignas(16) TMat34 {
    TVec4 row[3];
};

struct alignas(16) TMat44 {
    TVec4 row[4];
};

struct alignas(16) TQuat {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    float w = 1.0f;
};

// Below this squared length a vector counts as zero.
constexpr float T_ZERO_LENGTH_SQUARED = 1e-6f;

inline TVec4 Vec(float x, float y, float z, float w = 0.0f)
{
    TVec4 v;
    v.x = x;
    v.y = y;
    v.z = z;
    v.w = w;
    return v;
}

inline TVec4 operator+(const TVec4& a, const TVec4& b)
{
    return Vec(a.x + b.x, a.y + b.y, a.z + b.z);
}
inline TVec4 operator-(const TVec4& a, const TVec4& b)
{
    return Vec(a.x - b.x, a.y - b.y, a.z - b.z);
}
inline TVec4 operator-(const TVec4& a)
{
    return Vec(-a.x, -a.y, -a.z);
}
inline TVec4 operator*(const TVec4& a, float s)
{
    return Vec(a.x * s, a.y * s, a.z * s);
}
inline TVec4 operator*(float s, const TVec4& a)
{
    return Vec(a.x * s, a.y * s, a.z * s);
}
inline TVec4& operator+=(TVec4& a, const TVec4& b)
{
    return a = a + b;
}
inline TVec4& operator-=(TVec4& a, const TVec4& b)
{
    return a = a - b;
}

inline float Dot3(const TVec4& a, const TVec4& b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

inline TVec4 Cross3(const TVec4& a, const TVec4& b)
{
    return Vec(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
}

inline float LengthSquared3(const TVec4& a)
{
    return Dot3(a, a);
}

// Length by the engine's rule: 0 when the squared length is below 1e-6.
inline float Length3(const TVec4& a)
{
    float squared = Dot3(a, a);
    return squared < T_ZERO_LENGTH_SQUARED ? 0.0f : std::sqrt(squared);
}

// Unit vector, or the zero vector when the length counts as zero.
inline TVec4 Normalize3(const TVec4& a)
{
    float length = Length3(a);
    if (length == 0.0f) {
        return TVec4{};
    }
    return a * (1.0f / length);
}

inline bool IsFinite3(const TVec4& a)
{
    return std::isfinite(a.x) && std::isfinite(a.y) && std::isfinite(a.z);
}

inline TVec4 Min3(const TVec4& a, const TVec4& b)
{
    return Vec(a.x < b.x ? a.x : b.x, a.y < b.y ? a.y : b.y, a.z < b.z ? a.z : b.z);
}

inline TVec4 Max3(const TVec4& a, const TVec4& b)
{
    return Vec(a.x > b.x ? a.x : b.x, a.y > b.y ? a.y : b.y, a.z > b.z ? a.z : b.z);
}

// Rotates a local vector into the frame's parent: v.x*row0 + v.y*row1 + v.z*row2.
inline TVec4 Rotate(const TMat34& m, const TVec4& v)
{
    return m.row[0] * v.x + m.row[1] * v.y + m.row[2] * v.z;
}
inline TVec4 Rotate(const TMat44& m, const TVec4& v)
{
    return m.row[0] * v.x + m.row[1] * v.y + m.row[2] * v.z;
}

// The inverse rotation: the vector's components along the three rows.
inline TVec4 RotateInverse(const TMat34& m, const TVec4& v)
{
    return Vec(Dot3(m.row[0], v), Dot3(m.row[1], v), Dot3(m.row[2], v));
}
inline TVec4 RotateInverse(const TMat44& m, const TVec4& v)
{
    return Vec(Dot3(m.row[0], v), Dot3(m.row[1], v), Dot3(m.row[2], v));
}

// A local point to the parent frame, and back.
inline TVec4 TransformPoint(const TMat44& m, const TVec4& p)
{
    return Rotate(m, p) + m.row[3];
}
inline TVec4 InverseTransformPoint(const TMat44& m, const TVec4& p)
{
    return RotateInverse(m, p - m.row[3]);
}

inline TMat44 IdentityMat44()
{
    TMat44 m;
    m.row[0] = Vec(1, 0, 0, 0);
    m.row[1] = Vec(0, 1, 0, 0);
    m.row[2] = Vec(0, 0, 1, 0);
    m.row[3] = Vec(0, 0, 0, 1);
    return m;
}

inline TMat34 IdentityMat34()
{
    TMat34 m;
    m.row[0] = Vec(1, 0, 0, 0);
    m.row[1] = Vec(0, 1, 0, 0);
    m.row[2] = Vec(0, 0, 1, 0);
    return m;
}

// local * parent: each local row rotated by the parent, the position moved along.
inline TMat44 Multiply(const TMat44& local, const TMat44& parent)
{
    TMat44 m;
    for (int i = 0; i < 3; ++i) {
        m.row[i] = Rotate(parent, local.row[i]);
        m.row[i].w = 0.0f;
    }
    m.row[3] = TransformPoint(parent, local.row[3]);
    m.row[3].w = 1.0f;
    return m;
}

inline TMat34 Multiply(const TMat34& a, const TMat34& b)
{
    TMat34 m;
    for (int i = 0; i < 3; ++i) {
        m.row[i] = Rotate(b, a.row[i]);
    }
    return m;
}

inline TMat34 Transpose(const TMat34& a)
{
    TMat34 m;
    for (int i = 0; i < 3; ++i) {
        m.row[i] = Vec(a.row[0][i], a.row[1][i], a.row[2][i]);
    }
    return m;
}

// A 4x4 transform from a rotation and a position.
inline TMat44 MakeTransform(const TMat34& rotation, const TVec4& position)
{
    TMat44 m;
    m.row[0] = rotation.row[0];
    m.row[1] = rotation.row[1];
    m.row[2] = rotation.row[2];
    m.row[3] = Vec(position.x, position.y, position.z, 1.0f);
    return m;
}

// Hamilton product a * b.
inline TQuat Multiply(const TQuat& a, const TQuat& b)
{
    TQuat q;
    q.w = a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z;
    q.x = a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y;
    q.y = a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x;
    q.z = a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w;
    return q;
}

inline TQuat Normalize(const TQuat& a)
{
    float squared = a.x * a.x + a.y * a.y + a.z * a.z + a.w * a.w;
    if (!(squared > 0.0f)) {
        return TQuat{};
    }
    float inverse = 1.0f / std::sqrt(squared);
    TQuat q;
    q.x = a.x * inverse;
    q.y = a.y * inverse;
    q.z = a.z * inverse;
    q.w = a.w * inverse;
    return q;
}

// Rotation rows (the body's axes) of a unit quaternion, in the row-vector convention.
inline TMat34 RotationFromQuat(const TQuat& q)
{
    float xx = q.x * q.x, yy = q.y * q.y, zz = q.z * q.z;
    float xy = q.x * q.y, xz = q.x * q.z, yz = q.y * q.z;
    float wx = q.w * q.x, wy = q.w * q.y, wz = q.w * q.z;
    TMat34 m;
    m.row[0] = Vec(1.0f - 2.0f * (yy + zz), 2.0f * (xy + wz), 2.0f * (xz - wy));
    m.row[1] = Vec(2.0f * (xy - wz), 1.0f - 2.0f * (xx + zz), 2.0f * (yz + wx));
    m.row[2] = Vec(2.0f * (xz + wy), 2.0f * (yz - wx), 1.0f - 2.0f * (xx + yy));
    return m;
}

// Unit quaternion of a rotation, from the largest of the four estimates.
inline TQuat QuatFromRotation(const TMat34& m)
{
    float m00 = m.row[0].x, m11 = m.row[1].y, m22 = m.row[2].z;
    float trace = m00 + m11 + m22;
    float w4 = trace, x4 = m00 - m11 - m22, y4 = m11 - m00 - m22, z4 = m22 - m00 - m11;
    TQuat q;
    if (w4 >= x4 && w4 >= y4 && w4 >= z4) {
        float s = std::sqrt(w4 + 1.0f) * 0.5f;
        float f = 0.25f / s;
        q.w = s;
        q.x = (m.row[1].z - m.row[2].y) * f;
        q.y = (m.row[2].x - m.row[0].z) * f;
        q.z = (m.row[0].y - m.row[1].x) * f;
    } else if (x4 >= y4 && x4 >= z4) {
        float s = std::sqrt(x4 + 1.0f) * 0.5f;
        float f = 0.25f / s;
        q.x = s;
        q.w = (m.row[1].z - m.row[2].y) * f;
        q.y = (m.row[0].y + m.row[1].x) * f;
        q.z = (m.row[2].x + m.row[0].z) * f;
    } else if (y4 >= z4) {
        float s = std::sqrt(y4 + 1.0f) * 0.5f;
        float f = 0.25f / s;
        q.y = s;
        q.w = (m.row[2].x - m.row[0].z) * f;
        q.x = (m.row[0].y + m.row[1].x) * f;
        q.z = (m.row[1].z + m.row[2].y) * f;
    } else {
        float s = std::sqrt(z4 + 1.0f) * 0.5f;
        float f = 0.25f / s;
        q.z = s;
        q.w = (m.row[0].y - m.row[1].x) * f;
        q.x = (m.row[2].x + m.row[0].z) * f;
        q.y = (m.row[1].z + m.row[2].y) * f;
    }
    return q;
}

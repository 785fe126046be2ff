#pragma once
// Vector functions of the renderer's math: single precision, row vectors
// (v' = v * M). Each function writes through `out` and returns it; `out` may
// be the same object as an input.

#include "backend/math/MathTypes.h"

namespace backend {

inline Vector3 operator+(const Vector3& a, const Vector3& b)
{
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Vector3 operator-(const Vector3& a, const Vector3& b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Vector3 operator-(const Vector3& a)
{
    return {-a.x, -a.y, -a.z};
}
inline Vector3 operator*(const Vector3& a, float s)
{
    return {a.x * s, a.y * s, a.z * s};
}
inline Vector3 operator*(float s, const Vector3& a)
{
    return {a.x * s, a.y * s, a.z * s};
}
inline Vector3 operator/(const Vector3& a, float s)
{
    return {a.x / s, a.y / s, a.z / s};
}
inline Vector3& operator+=(Vector3& a, const Vector3& b)
{
    return a = a + b;
}
inline Vector3& operator-=(Vector3& a, const Vector3& b)
{
    return a = a - b;
}
inline Vector3& operator*=(Vector3& a, float s)
{
    return a = a * s;
}
inline bool operator==(const Vector3& a, const Vector3& b)
{
    return a.x == b.x && a.y == b.y && a.z == b.z;
}
inline bool operator!=(const Vector3& a, const Vector3& b)
{
    return !(a == b);
}

float Vec3Dot(const Vector3* a, const Vector3* b);
float Vec3Length(const Vector3* v);
float Vec3LengthSq(const Vector3* v);
Vector3* Vec3Cross(Vector3* out, const Vector3* a, const Vector3* b);
// v / |v|; the zero vector stays the zero vector.
Vector3* Vec3Normalize(Vector3* out, const Vector3* v);
// (x, y, z, 1) * m, then divided by the resulting w.
Vector3* Vec3TransformCoord(Vector3* out, const Vector3* v, const Matrix* m);
// (x, y, z, 0) * m: directions, no translation.
Vector3* Vec3TransformNormal(Vector3* out, const Vector3* v, const Matrix* m);
// (x, y, z, 1) * m, all four components kept.
Vector4* Vec3Transform(Vector4* out, const Vector3* v, const Matrix* m);

} // namespace backend

#include "backend/math/Vector.h"

#include <cmath>

namespace backend {

float Vec3Dot(const Vector3* a, const Vector3* b)
{
    return a->x * b->x + a->y * b->y + a->z * b->z;
}

float Vec3LengthSq(const Vector3* v)
{
    return v->x * v->x + v->y * v->y + v->z * v->z;
}

float Vec3Length(const Vector3* v)
{
    return std::sqrt(Vec3LengthSq(v));
}

Vector3* Vec3Cross(Vector3* out, const Vector3* a, const Vector3* b)
{
    Vector3 r;
    r.x = a->y * b->z - a->z * b->y;
    r.y = a->z * b->x - a->x * b->z;
    r.z = a->x * b->y - a->y * b->x;
    *out = r;
    return out;
}

Vector3* Vec3Normalize(Vector3* out, const Vector3* v)
{
    float length = Vec3Length(v);
    if (length == 0.0f) {
        *out = Vector3{};
        return out;
    }
    *out = Vector3{v->x / length, v->y / length, v->z / length};
    return out;
}

Vector4* Vec3Transform(Vector4* out, const Vector3* v, const Matrix* m)
{
    const auto& a = m->m;
    Vector4 r;
    r.x = v->x * a[0][0] + v->y * a[1][0] + v->z * a[2][0] + a[3][0];
    r.y = v->x * a[0][1] + v->y * a[1][1] + v->z * a[2][1] + a[3][1];
    r.z = v->x * a[0][2] + v->y * a[1][2] + v->z * a[2][2] + a[3][2];
    r.w = v->x * a[0][3] + v->y * a[1][3] + v->z * a[2][3] + a[3][3];
    *out = r;
    return out;
}

Vector3* Vec3TransformCoord(Vector3* out, const Vector3* v, const Matrix* m)
{
    Vector4 r;
    Vec3Transform(&r, v, m);
    *out = Vector3{r.x / r.w, r.y / r.w, r.z / r.w};
    return out;
}

Vector3* Vec3TransformNormal(Vector3* out, const Vector3* v, const Matrix* m)
{
    const auto& a = m->m;
    Vector3 r;
    r.x = v->x * a[0][0] + v->y * a[1][0] + v->z * a[2][0];
    r.y = v->x * a[0][1] + v->y * a[1][1] + v->z * a[2][1];
    r.z = v->x * a[0][2] + v->y * a[1][2] + v->z * a[2][2];
    *out = r;
    return out;
}

} // namespace backend

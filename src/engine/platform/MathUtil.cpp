#include "engine/platform/MathUtil.h"

#include "backend/math/MatrixMath.h"
#include "backend/math/Vector.h"

#include <algorithm>
#include <cmath>
#include <numbers>

using backend::Matrix;
using backend::Vector3;

void BuildWorldMatrix(Matrix* out, const Vector3* position, const Vector3* angles)
{
    Matrix rotation, translation;
    BuildRotationMatrix(&rotation, angles);
    backend::MatrixTranslation(&translation, position->x, position->y, position->z);
    backend::MatrixMultiply(out, &rotation, &translation);
}

void BuildRotationMatrix(Matrix* out, const Vector3* angles)
{
    Matrix z, x, y;
    backend::MatrixRotationZ(&z, angles->z);
    backend::MatrixRotationX(&x, angles->x);
    backend::MatrixRotationY(&y, angles->y);
    backend::MatrixMultiply(&z, &z, &x);
    backend::MatrixMultiply(out, &z, &y);
}

void BuildAlignMatrix(Matrix* out, const Vector3* a, const Vector3* b)
{
    // A dot product that rounds beyond +-1 would make acos NaN.
    float cosine = std::clamp(backend::Vec3Dot(a, b), -1.0f, 1.0f);
    Vector3 axis;
    backend::Vec3Cross(&axis, b, a);
    if (backend::Vec3LengthSq(&axis) < 1e-12f) {
        // Parallel or opposite: no axis from the cross product.
        if (cosine > 0.0f) {
            backend::MatrixIdentity(out);
            return;
        }
        // Half turn about an axis normal to b: the coordinate axis least along b crossed with b.
        Vector3 helper{0, 0, 0};
        float ax = std::abs(b->x), ay = std::abs(b->y), az = std::abs(b->z);
        if (ax <= ay && ax <= az)
            helper.x = 1;
        else if (ay <= az)
            helper.y = 1;
        else
            helper.z = 1;
        backend::Vec3Cross(&axis, b, &helper);
        backend::MatrixRotationAxis(out, &axis, std::numbers::pi_v<float>);
        return;
    }
    // Keep the axis normal to b despite rounding in a short cross product.
    backend::Vec3Normalize(&axis, &axis);
    axis -= *b * backend::Vec3Dot(&axis, b);
    backend::MatrixRotationAxis(out, &axis, std::acos(cosine));
}

void ComputeTriangleNormal(Vector3* out, const Vector3* p0, const Vector3* p1, const Vector3* p2)
{
    Vector3 u = *p1 - *p0, v = *p2 - *p0;
    backend::Vec3Cross(out, &u, &v);
    backend::Vec3Normalize(out, out);
}

void BuildTextureMatrix2D(Matrix* out, const Matrix* m)
{
    Matrix r;
    for (int j = 0; j < 3; ++j) {
        r.m[0][j] = m->m[0][j];
        r.m[1][j] = m->m[1][j];
        r.m[2][j] = m->m[3][j];
    }
    r.m[3][3] = 1.0f;
    *out = r;
}

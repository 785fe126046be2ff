#include "backend/math/MatrixMath.h"

#include "backend/math/Vector.h"

#include <cmath>

namespace backend {

namespace {

Matrix MakeRows(float m00, float m01, float m02, float m03, float m10, float m11, float m12, float m13, float m20,
                float m21, float m22, float m23, float m30, float m31, float m32, float m33)
{
    Matrix r;
    float values[16] = {m00, m01, m02, m03, m10, m11, m12, m13, m20, m21, m22, m23, m30, m31, m32, m33};
    for (int i = 0; i < 16; ++i)
        r.m[i / 4][i % 4] = values[i];
    return r;
}

Matrix IdentityValue()
{
    return MakeRows(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
}

// Determinant of the 3x3 minor that leaves out `row` and `column`.
float Minor(const Matrix& a, int row, int column)
{
    int r[3], c[3];
    for (int i = 0, n = 0; i < 4; ++i)
        if (i != row)
            r[n++] = i;
    for (int i = 0, n = 0; i < 4; ++i)
        if (i != column)
            c[n++] = i;
    return a.m[r[0]][c[0]] * (a.m[r[1]][c[1]] * a.m[r[2]][c[2]] - a.m[r[1]][c[2]] * a.m[r[2]][c[1]]) -
           a.m[r[0]][c[1]] * (a.m[r[1]][c[0]] * a.m[r[2]][c[2]] - a.m[r[1]][c[2]] * a.m[r[2]][c[0]]) +
           a.m[r[0]][c[2]] * (a.m[r[1]][c[0]] * a.m[r[2]][c[1]] - a.m[r[1]][c[1]] * a.m[r[2]][c[0]]);
}

} // namespace

Matrix* MatrixIdentity(Matrix* out)
{
    *out = IdentityValue();
    return out;
}

bool MatrixIsIdentity(const Matrix* m)
{
    Matrix identity = IdentityValue();
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            if (m->m[i][j] != identity.m[i][j])
                return false;
    return true;
}

Matrix* MatrixMultiply(Matrix* out, const Matrix* a, const Matrix* b)
{
    Matrix r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r.m[i][j] =
                a->m[i][0] * b->m[0][j] + a->m[i][1] * b->m[1][j] + a->m[i][2] * b->m[2][j] + a->m[i][3] * b->m[3][j];
    *out = r;
    return out;
}

Matrix* MatrixTranspose(Matrix* out, const Matrix* m)
{
    Matrix r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r.m[i][j] = m->m[j][i];
    *out = r;
    return out;
}

float MatrixDeterminant(const Matrix* m)
{
    float det = 0.0f;
    for (int j = 0; j < 4; ++j) {
        float term = m->m[0][j] * Minor(*m, 0, j);
        det += (j % 2 == 0) ? term : -term;
    }
    return det;
}

Matrix* MatrixInverse(Matrix* out, float* determinant, const Matrix* m)
{
    // Adjugate over the determinant, by cofactors.
    Matrix cofactor;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            float minor = Minor(*m, i, j);
            cofactor.m[i][j] = ((i + j) % 2 == 0) ? minor : -minor;
        }
    float det = 0.0f;
    for (int j = 0; j < 4; ++j)
        det += m->m[0][j] * cofactor.m[0][j];
    if (determinant)
        *determinant = det;
    if (det == 0.0f)
        return nullptr;
    float inverseDet = 1.0f / det;
    Matrix r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r.m[i][j] = cofactor.m[j][i] * inverseDet;
    *out = r;
    return out;
}

Matrix* MatrixTranslation(Matrix* out, float x, float y, float z)
{
    *out = MakeRows(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1);
    return out;
}

Matrix* MatrixScaling(Matrix* out, float sx, float sy, float sz)
{
    *out = MakeRows(sx, 0, 0, 0, 0, sy, 0, 0, 0, 0, sz, 0, 0, 0, 0, 1);
    return out;
}

Matrix* MatrixRotationX(Matrix* out, float angle)
{
    float c = std::cos(angle), s = std::sin(angle);
    *out = MakeRows(1, 0, 0, 0, 0, c, s, 0, 0, -s, c, 0, 0, 0, 0, 1);
    return out;
}

Matrix* MatrixRotationY(Matrix* out, float angle)
{
    float c = std::cos(angle), s = std::sin(angle);
    *out = MakeRows(c, 0, -s, 0, 0, 1, 0, 0, s, 0, c, 0, 0, 0, 0, 1);
    return out;
}

Matrix* MatrixRotationZ(Matrix* out, float angle)
{
    float c = std::cos(angle), s = std::sin(angle);
    *out = MakeRows(c, s, 0, 0, -s, c, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
    return out;
}

Matrix* MatrixRotationAxis(Matrix* out, const Vector3* axis, float angle)
{
    Vector3 n;
    Vec3Normalize(&n, axis);
    float c = std::cos(angle), s = std::sin(angle), t = 1.0f - c;
    *out = MakeRows(t * n.x * n.x + c, t * n.x * n.y + s * n.z, t * n.x * n.z - s * n.y, 0, //
                    t * n.x * n.y - s * n.z, t * n.y * n.y + c, t * n.y * n.z + s * n.x, 0, //
                    t * n.x * n.z + s * n.y, t * n.y * n.z - s * n.x, t * n.z * n.z + c, 0, //
                    0, 0, 0, 1);
    return out;
}

Matrix* MatrixRotationYawPitchRoll(Matrix* out, float yaw, float pitch, float roll)
{
    Matrix z, x, y;
    MatrixRotationZ(&z, roll);
    MatrixRotationX(&x, pitch);
    MatrixRotationY(&y, yaw);
    MatrixMultiply(&z, &z, &x);
    return MatrixMultiply(out, &z, &y);
}

Matrix* MatrixRotationQuaternion(Matrix* out, const Quaternion* q)
{
    float x = q->x, y = q->y, z = q->z, w = q->w;
    *out = MakeRows(1 - 2 * (y * y + z * z), 2 * (x * y + z * w), 2 * (x * z - y * w), 0, //
                    2 * (x * y - z * w), 1 - 2 * (x * x + z * z), 2 * (y * z + x * w), 0, //
                    2 * (x * z + y * w), 2 * (y * z - x * w), 1 - 2 * (x * x + y * y), 0, //
                    0, 0, 0, 1);
    return out;
}

Matrix* MatrixPerspectiveFovLH(Matrix* out, float fovy, float aspect, float zn, float zf)
{
    float ys = 1.0f / std::tan(fovy / 2.0f);
    float xs = ys / aspect;
    *out = MakeRows(xs, 0, 0, 0, 0, ys, 0, 0, 0, 0, zf / (zf - zn), 1, 0, 0, -zn * zf / (zf - zn), 0);
    return out;
}

Matrix* MatrixOrthoLH(Matrix* out, float w, float h, float zn, float zf)
{
    *out = MakeRows(2 / w, 0, 0, 0, 0, 2 / h, 0, 0, 0, 0, 1 / (zf - zn), 0, 0, 0, zn / (zn - zf), 1);
    return out;
}

} // namespace backend

#pragma once
// Matrix builders and operations of the renderer's math: row-major 4x4,
// row vectors (v' = v * M), left-handed, y up. Each function writes through
// `out` and returns it; `out` may be the same object as an input.

#include "backend/math/MathTypes.h"

namespace backend {

Matrix* MatrixIdentity(Matrix* out);
bool MatrixIsIdentity(const Matrix* m);
// a * b: a applies first, then b.
Matrix* MatrixMultiply(Matrix* out, const Matrix* a, const Matrix* b);
Matrix* MatrixTranspose(Matrix* out, const Matrix* m);
// Null (and out untouched) when the determinant is 0. `determinant` may be null.
Matrix* MatrixInverse(Matrix* out, float* determinant, const Matrix* m);
float MatrixDeterminant(const Matrix* m);

Matrix* MatrixTranslation(Matrix* out, float x, float y, float z);
Matrix* MatrixScaling(Matrix* out, float sx, float sy, float sz);
// +y turns toward +z.
Matrix* MatrixRotationX(Matrix* out, float angle);
// +z turns toward +x.
Matrix* MatrixRotationY(Matrix* out, float angle);
// +x turns toward +y.
Matrix* MatrixRotationZ(Matrix* out, float angle);
// About `axis` (normalised here; a zero axis leaves diag(c, c, c)).
Matrix* MatrixRotationAxis(Matrix* out, const Vector3* axis, float angle);
// RotationZ(roll) * RotationX(pitch) * RotationY(yaw).
Matrix* MatrixRotationYawPitchRoll(Matrix* out, float yaw, float pitch, float roll);
Matrix* MatrixRotationQuaternion(Matrix* out, const Quaternion* q);

// Depth 0 at zn and 1 at zf; fovy is the vertical field of view in radians.
Matrix* MatrixPerspectiveFovLH(Matrix* out, float fovy, float aspect, float zn, float zf);
// x in [-w/2, w/2], y in [-h/2, h/2] (y up), depth 0 at zn and 1 at zf.
Matrix* MatrixOrthoLH(Matrix* out, float w, float h, float zn, float zf);

} // namespace backend

#pragma once
// Quaternion functions of the renderer's math. A unit quaternion (x, y, z, w)
// stands for the rotation that MatrixRotationQuaternion gives. Each function
// writes through `out` and returns it; `out` may be the same object as an input.

#include "backend/math/MathTypes.h"

namespace backend {

float QuaternionDot(const Quaternion* a, const Quaternion* b);
// q / |q|; the zero quaternion stays zero.
Quaternion* QuaternionNormalize(Quaternion* out, const Quaternion* q);
// The rotation a followed by b (the product b * a), so that
// MatrixRotationQuaternion(a * b) = MatrixRotationQuaternion(a) * MatrixRotationQuaternion(b).
Quaternion* QuaternionMultiply(Quaternion* out, const Quaternion* a, const Quaternion* b);
// About `axis` (normalised here) by `angle` radians.
Quaternion* QuaternionRotationAxis(Quaternion* out, const Vector3* axis, float angle);
// The rotation held in the upper 3x3 of `m`, which must be a pure rotation.
Quaternion* QuaternionRotationMatrix(Quaternion* out, const Matrix* m);
// Spherical interpolation from a (t = 0) to b (t = 1) along the shorter arc.
Quaternion* QuaternionSlerp(Quaternion* out, const Quaternion* a, const Quaternion* b, float t);

} // namespace backend

#pragma once
// Matrix and normal builders shared by the engine and the game.

#include "backend/math/MathTypes.h"

// BuildRotationMatrix(angles) * Translation(position).
void BuildWorldMatrix(backend::Matrix* out, const backend::Vector3* position, const backend::Vector3* angles);
// RotationZ(angles.z) * RotationX(angles.x) * RotationY(angles.y): roll, then pitch, then yaw.
void BuildRotationMatrix(backend::Matrix* out, const backend::Vector3* angles);
// The rotation that turns unit vector b onto unit vector a: the identity when
// they are parallel, a half turn about an axis normal to b when opposite.
void BuildAlignMatrix(backend::Matrix* out, const backend::Vector3* a, const backend::Vector3* b);
// normalise(cross(p1 - p0, p2 - p0)); a degenerate triangle gives the zero vector.
void ComputeTriangleNormal(backend::Vector3* out, const backend::Vector3* p0, const backend::Vector3* p1,
                           const backend::Vector3* p2);
// Rows (m11, m12, m13, 0), (m21, m22, m23, 0), (m41, m42, m43, 0), (0, 0, 0, 1):
// a two-coordinate texture transform takes its translation from the third row.
void BuildTextureMatrix2D(backend::Matrix* out, const backend::Matrix* m);

#pragma once
// Preparation of contact and joint rows: the contact frame and the effective-mass matrix.

#include "physics/TContact.h"
#include "physics/TMath.h"

class TRigidBody;

// Two unit tangents perpendicular to n (t2 = n x t1); zero tangents for a zero normal.
void BuildContactFrame(TVec4* tangent1, TVec4* tangent2, const TVec4& normal);
// K of the two bodies at the record's arms (world axes, or the contact frame) and its inverse.
void ComputeCollisionMatrix(TContact* row, const TRigidBody* a, const TRigidBody* b, bool worldAxes);
// Prepares a record by its kind; a side takes part when its body is rigid and its skip flag is 0.
void ApplyConstraintRecord(TContact* row, int skipA, int skipB);
// Whether a record between resting bodies needs no work; may clear the resting side of a mixed pair.
bool CheckRestingBodies(TContact* row);
// Inverse of a 3x3 matrix by cofactors; false (out untouched) when |det| < 1e-17.
bool InvertMatrix3(const TMat34& m, TMat34* out);
// m * v with m's rows as rows of the matrix (not the rotation convention).
inline TVec4 MultiplyMatrix3(const TMat34& m, const TVec4& v)
{
    return Vec(Dot3(m.row[0], v), Dot3(m.row[1], v), Dot3(m.row[2], v));
}

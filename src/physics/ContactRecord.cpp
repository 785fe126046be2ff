// Preparation of contact and joint rows before the solver computes impulses.

#include "physics/ContactRecord.h"

#include "physics/TRigidBody.h"

#include <cmath>

namespace {

TMat34 ScaledIdentity(float s)
{
    TMat34 m{};
    m.row[0].x = s;
    m.row[1].y = s;
    m.row[2].z = s;
    return m;
}

// [r]x J [r]x, with [r]x the cross-product matrix of r: column k is r x (J (r x e_k)).
TMat34 CrossSandwich(const TVec4& r, const TMat34& j)
{
    const TVec4 across[3] = {Vec(0.0f, r.z, -r.y), Vec(-r.z, 0.0f, r.x), Vec(r.y, -r.x, 0.0f)}; // r x e_k
    TMat34 result{};
    for (int k = 0; k < 3; ++k) {
        TVec4 column = Cross3(r, MultiplyMatrix3(j, across[k]));
        result.row[0][k] = column.x;
        result.row[1][k] = column.y;
        result.row[2][k] = column.z;
    }
    return result;
}

// F^T J F for the contact frame F whose columns are t1, t2, n.
TMat34 ToContactFrame(const TMat34& j, const TVec4 axes[3])
{
    TMat34 result{};
    for (int a = 0; a < 3; ++a) {
        TVec4 ja = MultiplyMatrix3(j, axes[a]);
        for (int b = 0; b < 3; ++b) {
            result.row[b][a] = Dot3(axes[b], ja);
        }
    }
    return result;
}

void Subtract(TMat34* m, const TMat34& other)
{
    for (int i = 0; i < 3; ++i) {
        for (int k = 0; k < 3; ++k) {
            m->row[i][k] -= other.row[i][k];
        }
    }
}

TMat34 Sum(const TMat34& a, const TMat34& b)
{
    TMat34 m{};
    for (int i = 0; i < 3; ++i) {
        for (int k = 0; k < 3; ++k) {
            m.row[i][k] = a.row[i][k] + b.row[i][k];
        }
    }
    return m;
}

// A line row may only push across its axis. Projecting the full-space impulse afterwards does not
// converge when K is far from isotropic (long arms), so the row gets the inverse of K restricted to the
// plane across the axis instead: M = B (B^T K B)^-1 B^T with B two unit vectors across the axis.
void ReduceToPlane(TContact* row)
{
    TVec4 axis = Normalize3(row->axis);
    if (LengthSquared3(axis) == 0.0f) {
        return;
    }
    TVec4 b1, b2;
    BuildContactFrame(&b1, &b2, axis);
    const TMat34& k = row->collisionMatrix;
    TVec4 kb1 = MultiplyMatrix3(k, b1);
    TVec4 kb2 = MultiplyMatrix3(k, b2);
    float k11 = Dot3(b1, kb1), k12 = Dot3(b1, kb2), k22 = Dot3(b2, kb2);
    float determinant = k11 * k22 - k12 * k12;
    if (!(std::fabs(determinant) >= 1e-17f)) {
        return;
    }
    float inverse = 1.0f / determinant;
    float m11 = k22 * inverse, m12 = -k12 * inverse, m22 = k11 * inverse;
    TMat34 m{};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            m.row[i][j] = b1[i] * (m11 * b1[j] + m12 * b2[j]) + b2[i] * (m12 * b1[j] + m22 * b2[j]);
        }
    }
    row->inverseMatrix = m;
}

const TRigidBody* TakingPart(TBody* body, int skip)
{
    if (body == nullptr || skip != 0 || !body->IsRigid()) {
        return nullptr;
    }
    return static_cast<const TRigidBody*>(body);
}

} // namespace

bool InvertMatrix3(const TMat34& m, TMat34* out)
{
    TVec4 r0 = m.row[0], r1 = m.row[1], r2 = m.row[2];
    TVec4 c01 = Cross3(r0, r1);
    float determinant = Dot3(r2, c01);
    if (!(std::fabs(determinant) >= 1e-17f)) {
        return false;
    }
    float inverse = 1.0f / determinant;
    // Columns of the inverse are the cross products of the rows, over the determinant.
    TVec4 c12 = Cross3(r1, r2);
    TVec4 c20 = Cross3(r2, r0);
    TMat34 result{};
    for (int i = 0; i < 3; ++i) {
        result.row[i] = Vec(c12[i] * inverse, c20[i] * inverse, c01[i] * inverse);
    }
    *out = result;
    return true;
}

void BuildContactFrame(TVec4* tangent1, TVec4* tangent2, const TVec4& n)
{
    float ax = std::fabs(n.x), ay = std::fabs(n.y), az = std::fabs(n.z);
    if (!(ax >= 1e-6f || ay >= 1e-6f || az >= 1e-6f)) {
        *tangent1 = TVec4{};
        *tangent2 = TVec4{};
        return;
    }
    TVec4 t;
    int dominant; // 0 x, 1 y, 2 z
    if (ax <= ay) {
        dominant = az < ay ? 1 : 2;
    } else {
        dominant = az < ax ? 0 : 2;
    }
    if (dominant == 1) {
        t = Vec(1.0f, -(n.x + n.z) / n.y, 1.0f);
    } else if (dominant == 0) {
        t = Vec(-(n.y + n.z) / n.x, 1.0f, 1.0f);
    } else {
        t = Vec(1.0f, 1.0f, -(n.x + n.y) / n.z);
    }
    *tangent1 = Normalize3(t);
    *tangent2 = Cross3(n, *tangent1);
}

void ComputeCollisionMatrix(TContact* row, const TRigidBody* a, const TRigidBody* b, bool worldAxes)
{
    // K = m I - sum [r]x J [r]x in world axes; in the contact frame F it is F^T K F, the same as taking
    // the arms and inertias into the frame first.
    float inverseMass = (a != nullptr ? a->inverseMass : 0.0f) + (b != nullptr ? b->inverseMass : 0.0f);
    TMat34 k = ScaledIdentity(inverseMass);
    const TRigidBody* bodies[2] = {a, b};
    const TVec4 arms[2] = {row->armA, row->armB};
    for (int side = 0; side < 2; ++side) {
        if (bodies[side] != nullptr) {
            Subtract(&k, CrossSandwich(arms[side], bodies[side]->worldInverseInertia));
        }
    }
    if (!worldAxes) {
        TVec4 axes[3] = {row->tangent1, row->tangent2, row->normal};
        k = ToContactFrame(k, axes);
    }
    row->collisionMatrix = k;
    InvertMatrix3(k, &row->inverseMatrix);
}

void ApplyConstraintRecord(TContact* row, int skipA, int skipB)
{
    const TRigidBody* a = TakingPart(row->bodyA, skipA);
    const TRigidBody* b = TakingPart(row->bodyB, skipB);
    switch (row->kind) {
    case TCONTACT_CONTACT:
    case TCONTACT_RESTING:
        BuildContactFrame(&row->tangent1, &row->tangent2, row->normal);
        for (int i = 0; i < 3; ++i) {
            row->frame.row[i] = Vec(row->tangent1[i], row->tangent2[i], row->normal[i]);
        }
        ComputeCollisionMatrix(row, a, b, false);
        row->normalMass = row->collisionMatrix.row[2].z;
        break;
    case TCONTACT_POINT_ROW:
    case TCONTACT_LINEAR_LIMIT_ROW:
        ComputeCollisionMatrix(row, a, b, true);
        break;
    case TCONTACT_LINE_ROW:
        ComputeCollisionMatrix(row, a, b, true);
        ReduceToPlane(row);
        break;
    case TCONTACT_ANGULAR_LIMIT_ROW:
    case TCONTACT_ANGULAR_ROW: {
        TMat34 sum{};
        if (a != nullptr) {
            sum = Sum(sum, a->worldInverseInertia);
        }
        if (b != nullptr) {
            sum = Sum(sum, b->worldInverseInertia);
        }
        row->collisionMatrix = sum;
        InvertMatrix3(sum, &row->inverseMatrix);
        break;
    }
    case TCONTACT_AXIS_FRAME_ROW: {
        TMat34 axes = row->axisFrame;
        if (b != nullptr) {
            for (TVec4& axis : axes.row) {
                axis = Rotate(b->state.rotation, axis);
            }
        }
        TMat34 sum{};
        const TRigidBody* bodies[2] = {a, b};
        for (const TRigidBody* body : bodies) {
            if (body == nullptr) {
                continue;
            }
            for (int i = 0; i < 3; ++i) {
                TVec4 jw = MultiplyMatrix3(body->worldInverseInertia, axes.row[i]);
                for (int k = 0; k < 3; ++k) {
                    sum.row[k][i] += Dot3(axes.row[k], jw);
                }
            }
        }
        row->collisionMatrix = sum;
        InvertMatrix3(sum, &row->inverseMatrix);
        break;
    }
    case TCONTACT_SCALAR_ROW: {
        float inverseMass = (a != nullptr ? a->inverseMass : 0.0f) + (b != nullptr ? b->inverseMass : 0.0f);
        row->inverseMatrix.row[0].x = inverseMass > 0.0f ? 1.0f / inverseMass : 0.0f;
        break;
    }
    default:
        break;
    }
}

bool CheckRestingBodies(TContact* row)
{
    if (row->ratio > 1.0f) {
        return false;
    }
    TRigidBody* a = row->bodyA != nullptr && row->bodyA->IsRigid() ? static_cast<TRigidBody*>(row->bodyA) : nullptr;
    TRigidBody* b = row->bodyB != nullptr && row->bodyB->IsRigid() ? static_cast<TRigidBody*>(row->bodyB) : nullptr;
    if (a != nullptr && a->status == TREST_RESTING) {
        if (b == nullptr || b->status == TREST_RESTING) {
            return true;
        }
        row->bodyA = nullptr;
        return false;
    }
    if (b != nullptr && b->status == TREST_RESTING && a != nullptr) {
        row->bodyB = nullptr;
    }
    return false;
}

#include "physics/TRigidBody.h"

#include "physics/TConstraintSet.h"
#include "physics/TSimulator.h"

#include <cmath>

TRigidBody::TRigidBody()
{
    kind = TBODY_RIGID;
}

void TRigidBody::SetMass(float m)
{
    if (!(m > 0.0f) || !std::isfinite(m)) {
        return;
    }
    mass = m;
    inverseMass = 1.0f / m;
    RefreshGravityForce();
}

void TRigidBody::SetInertiaTensor(const TVec4* diagonal)
{
    inertia = IdentityMat34();
    inertia.row[0].x = diagonal->x;
    inertia.row[1].y = diagonal->y;
    inertia.row[2].z = diagonal->z;
    float determinant = diagonal->x * diagonal->y * diagonal->z;
    if (std::fabs(determinant) >= 1e-17f) {
        inverseInertia = IdentityMat34();
        inverseInertia.row[0].x = 1.0f / diagonal->x;
        inverseInertia.row[1].y = 1.0f / diagonal->y;
        inverseInertia.row[2].z = 1.0f / diagonal->z;
    }
    RefreshInertiaAndSpin();
}

void TRigidBody::SetPosition(const TVec4* newPosition)
{
    state.position = Vec(newPosition->x, newPosition->y, newPosition->z, 1.0f);
    Wake();
}

// The largest of the four estimates gives its component by square root, the others follow from the
// off-diagonal terms; the result is normalised with w >= 0.
static TQuat QuaternionOfRotation(const TMat34& m)
{
    float m00 = m.row[0].x, m11 = m.row[1].y, m22 = m.row[2].z;
    float w2 = (1.0f + m00 + m11 + m22) * 0.25f;
    float x2 = w2 - (m11 + m22) * 0.5f;
    float y2 = w2 - (m00 + m22) * 0.5f;
    float z2 = w2 - (m00 + m11) * 0.5f;
    TQuat q;
    if (w2 >= x2 && w2 >= y2 && w2 >= z2) {
        q.w = std::sqrt(w2);
        float f = 0.25f / q.w;
        q.x = (m.row[1].z - m.row[2].y) * f;
        q.y = (m.row[2].x - m.row[0].z) * f;
        q.z = (m.row[0].y - m.row[1].x) * f;
    } else if (x2 >= y2 && x2 >= z2) {
        q.x = std::sqrt(x2);
        float f = 0.25f / q.x;
        q.w = (m.row[1].z - m.row[2].y) * f;
        q.y = (m.row[0].y + m.row[1].x) * f;
        q.z = (m.row[2].x + m.row[0].z) * f;
    } else if (y2 >= z2) {
        q.y = std::sqrt(y2);
        float f = 0.25f / q.y;
        q.w = (m.row[2].x - m.row[0].z) * f;
        q.x = (m.row[0].y + m.row[1].x) * f;
        q.z = (m.row[1].z + m.row[2].y) * f;
    } else {
        q.z = std::sqrt(z2);
        float f = 0.25f / q.z;
        q.w = (m.row[0].y - m.row[1].x) * f;
        q.x = (m.row[2].x + m.row[0].z) * f;
        q.y = (m.row[1].z + m.row[2].y) * f;
    }
    q = Normalize(q);
    if (q.w < 0.0f) {
        q.x = -q.x;
        q.y = -q.y;
        q.z = -q.z;
        q.w = -q.w;
    }
    return q;
}

void TRigidBody::SetRotation(const TMat34* newRotation)
{
    state.rotation = *newRotation;
    for (TVec4& row : state.rotation.row) {
        row.w = 0.0f;
    }
    state.orientation = QuaternionOfRotation(state.rotation);
    RefreshInertiaAndSpin();
    Wake();
}

void TRigidBody::SetRotation(const float rows[3][4])
{
    TMat34 rotation = RotationFromRows(rows);
    SetRotation(&rotation);
}

TMat44* TRigidBody::GetTransform(TMat44* out) const
{
    *out = GetTransform();
    return out;
}

TMat44 TRigidBody::GetTransform() const
{
    TMat44 m;
    for (int i = 0; i < 3; ++i) {
        m.row[i] = state.rotation.row[i];
        m.row[i].w = 0.0f;
    }
    m.row[3] = Vec(state.position.x, state.position.y, state.position.z, 1.0f);
    return m;
}

void TRigidBody::SetVelocity(const TVec4* newVelocity)
{
    velocity = Vec(newVelocity->x, newVelocity->y, newVelocity->z);
    float squared = LengthSquared3(velocity);
    speed = squared >= 1e-6f ? std::sqrt(squared) : 0.0f;
    OnVelocityChanged();
}

void TRigidBody::SetAngularMomentum(const TVec4* momentum)
{
    SetAngularMomentumState(*momentum);
    OnVelocityChanged();
}

void TRigidBody::SetAngularMomentumAndWake(const TVec4* momentum)
{
    SetAngularMomentum(momentum);
    Wake();
}

static bool AnyComponentAbove(const TVec4& v, float threshold)
{
    return std::fabs(v.x) >= threshold || std::fabs(v.y) >= threshold || std::fabs(v.z) >= threshold;
}

void TRigidBody::SetForce(const TVec4* newForce)
{
    force = Vec(newForce->x, newForce->y, newForce->z);
    if (AnyComponentAbove(force, 1e-6f)) {
        Wake();
    }
}

void TRigidBody::SetTorque(const TVec4* newTorque)
{
    torque = Vec(newTorque->x, newTorque->y, newTorque->z);
    if (AnyComponentAbove(torque, 1e-6f)) {
        Wake();
    }
}

void TRigidBody::Wake()
{
    status = TREST_AWAKE;
    restCounter = 0;
    ResetRestReference();
    RefreshGravityForce();
}

void TRigidBody::ResetRestReference()
{
    restReference.position = state.position;
    restReference.orientation = state.orientation;
    restReference.velocity = velocity;
    restReference.angularVelocity = angularVelocity;
    stepsSinceReference = 0;
}

void TRigidBody::OnVelocityChanged()
{
    TConstraintSet* set = constraintSet;
    if (set == nullptr || set == &simulator->looseGroup) {
        Wake();
        return;
    }
    for (TBody* member = set->bodyHead; member != nullptr; member = member->setNext) {
        if (member->IsRigid()) {
            static_cast<TRigidBody*>(member)->Wake();
        }
    }
}

void TRigidBody::RefreshGravityForce()
{
    if (gravityFlag && status != TREST_RESTING && simulator != nullptr) {
        gravityForce = simulator->gravity * mass;
    } else {
        gravityForce = TVec4{};
    }
}

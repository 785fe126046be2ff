// Integration of a rigid body: the velocity step before the solver, the position step after it, and the
// quantities derived from the state. Angular motion goes through the angular momentum.

#include "physics/ContactRecord.h"
#include "physics/TForceUpdater.h"
#include "physics/TProbe.h"
#include "physics/TRigidBody.h"
#include "physics/TSimulator.h"

#include <cmath>

namespace {

// R^T * I^-1 * R for a rotation whose rows are the body's axes.
TMat34 WorldInverseInertia(const TMat34& rotation, const TMat34& inverseInertia)
{
    TMat34 product; // I^-1 * R
    for (int i = 0; i < 3; ++i) {
        product.row[i] = rotation.row[0] * inverseInertia.row[i].x + rotation.row[1] * inverseInertia.row[i].y +
                         rotation.row[2] * inverseInertia.row[i].z;
    }
    TMat34 result; // R^T * product
    for (int j = 0; j < 3; ++j) {
        result.row[j] = product.row[0] * rotation.row[0][j] + product.row[1] * rotation.row[1][j] +
                        product.row[2] * rotation.row[2][j];
        result.row[j].w = 0.0f;
    }
    return result;
}

// 0.5 * (omega, 0) * q.
TQuat QuaternionRate(const TVec4& omega, const TQuat& q)
{
    TQuat spin;
    spin.x = omega.x;
    spin.y = omega.y;
    spin.z = omega.z;
    spin.w = 0.0f;
    TQuat rate = Multiply(spin, q);
    rate.x *= 0.5f;
    rate.y *= 0.5f;
    rate.z *= 0.5f;
    rate.w *= 0.5f;
    return rate;
}

TQuat AddScaled(const TQuat& q, const TQuat& rate, float scale)
{
    TQuat r;
    r.x = q.x + rate.x * scale;
    r.y = q.y + rate.y * scale;
    r.z = q.z + rate.z * scale;
    r.w = q.w + rate.w * scale;
    return r;
}

bool AnyComponentAtLeast(const TVec4& v, float threshold)
{
    return std::fabs(v.x) >= threshold || std::fabs(v.y) >= threshold || std::fabs(v.z) >= threshold;
}

} // namespace

TVec4 TRigidBody::WorldInverseInertiaTimes(const TVec4& v) const
{
    return MultiplyMatrix3(worldInverseInertia, v);
}

void TRigidBody::RefreshInertiaAndSpin()
{
    worldInverseInertia = WorldInverseInertia(state.rotation, inverseInertia);
    angularVelocity = WorldInverseInertiaTimes(state.angularMomentum);
    angularVelocity.w = 0.0f;
    orientationRate = QuaternionRate(angularVelocity, state.orientation);
}

void TRigidBody::UpdateDerivedState()
{
    float squared = state.orientation.x * state.orientation.x + state.orientation.y * state.orientation.y +
                    state.orientation.z * state.orientation.z + state.orientation.w * state.orientation.w;
    float length = std::sqrt(squared);
    state.orientation.x /= length;
    state.orientation.y /= length;
    state.orientation.z /= length;
    state.orientation.w /= length;
    state.rotation = RotationFromQuat(state.orientation);
    RefreshInertiaAndSpin();
    float speedSquared = LengthSquared3(velocity);
    speed = speedSquared >= 1e-6f ? std::sqrt(speedSquared) : 0.0f;
}

void TRigidBody::IntegrateVelocity(float dt)
{
    ++stepsSinceReference;
    stackStepWord = 0;
    if (status == TREST_RESTING) {
        if (AnyComponentAtLeast(accumulatedForce, 1e-6f)) {
            Wake();
        }
        if (status == TREST_RESTING && AnyComponentAtLeast(accumulatedTorque, 1e-6f)) {
            Wake();
        }
        if (status == TREST_RESTING && IsRestSupported()) {
            return;
        }
    }
    subStepForce += force + gravityForce + accumulatedForce;
    acceleration = subStepForce * inverseMass;
    velocity += acceleration * dt;
    velocity = velocity * (1.0f - linearDamping);
    subStepTorque += torque + accumulatedTorque;
    IntegrateAngularMomentum(subStepTorque, dt);
}

void TRigidBody::IntegrateAngularMomentum(const TVec4& stepTorque, float dt)
{
    TVec4 momentum = state.angularMomentum * (1.0f - angularDamping);
    momentum.w = 0.0f;
    TVec4 halfMomentum = momentum + stepTorque * (dt * 0.5f);
    TQuat halfOrientation = Normalize(AddScaled(state.orientation, orientationRate, dt * 0.5f));
    TMat34 halfInertia = WorldInverseInertia(RotationFromQuat(halfOrientation), inverseInertia);
    TVec4 halfOmega = MultiplyMatrix3(halfInertia, halfMomentum);
    halfOmega.w = 0.0f;
    orientationRate = QuaternionRate(halfOmega, halfOrientation);
    angularVelocity = halfOmega;
    state.angularMomentum = momentum + stepTorque * dt;
    state.angularMomentum.w = 0.0f;
}

void TRigidBody::IntegratePosition(float dt)
{
    TVec4 oldPosition = state.position;
    TVec4 newPosition = oldPosition + velocity * dt + acceleration * (0.5f * dt * dt);
    smoothedDisplacement = smoothedDisplacement * 0.7f + (newPosition - oldPosition) * 0.3f;
    state.position = Vec(newPosition.x, newPosition.y, newPosition.z, 1.0f);

    angularVelocity = WorldInverseInertiaTimes(state.angularMomentum);
    angularVelocity.w = 0.0f;
    orientationRate = QuaternionRate(angularVelocity, state.orientation);
    state.orientation = AddScaled(state.orientation, orientationRate, dt);
    UpdateDerivedState();
    PrepareForces();
    for (TProbe* probe = probes; probe != nullptr; probe = probe->next) {
        probe->ResetResult();
    }
    int slot = simulator->stepSlot;
    velocityHistory[slot] = velocity;
    angularVelocityHistory[slot] = angularVelocity;
}

void TRigidBody::PrepareForces()
{
    RefreshGravityForce();
    accumulatedForce = TVec4{};
    accumulatedTorque = TVec4{};
    for (TForceUpdater* updater = forceUpdaters; updater != nullptr; updater = updater->next) {
        updater->Run(simulator->dt);
    }
}

void TRigidBody::UpdateWorldBoundsImpl()
{
    UpdateWorldBounds();
}

void TRigidBody::SetAngularMomentumState(const TVec4& momentum)
{
    state.angularMomentum = Vec(momentum.x, momentum.y, momentum.z);
    angularVelocity = WorldInverseInertiaTimes(state.angularMomentum);
    angularVelocity.w = 0.0f;
    orientationRate = QuaternionRate(angularVelocity, state.orientation);
}

int TRigidBody::ApplyImpulse(const TVec4& impulse, const TVec4& arm)
{
    velocity += impulse * inverseMass;
    state.angularMomentum += Cross3(arm, impulse);
    angularVelocity = WorldInverseInertiaTimes(state.angularMomentum);
    angularVelocity.w = 0.0f;
    orientationRate = QuaternionRate(angularVelocity, state.orientation);
    return 1;
}

int TRigidBody::PutToRest()
{
    status = TREST_RESTING;
    StopMotion();
    return 0;
}

void TRigidBody::StopMotion()
{
    velocity = TVec4{};
    angularVelocity = TVec4{};
    orientationRate = TQuat{0.0f, 0.0f, 0.0f, 0.0f};
    speed = 0.0f;
    state.angularMomentum = TVec4{};
    for (int i = 0; i < VELOCITY_HISTORY_COUNT; ++i) {
        velocityHistory[i] = TVec4{};
        angularVelocityHistory[i] = TVec4{};
    }
}

#include "race/Moped.h"

#include "race/MopedModel.h"
#include "race/Race.h"

#include "backend/math/MatrixMath.h"
#include "physics/TRigidBody.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float STEER_STEP = 0.015f;
constexpr float STEER_RETURN = 0.95f;
constexpr float LEAN_LIMIT = 0.9424778f;
constexpr float ROLL_SPEED_FACTOR = 0.08f;
constexpr float ROLL_FACTOR = 44.0f;
constexpr float ROLL_CAP = 58.0f;
constexpr float BOOST_USE = 0.15f;
constexpr float BOOST_REGAIN = 0.025f;
constexpr float BOOST_CAP = 100.0f;
constexpr float DRIVE_STEP = 0.05f;
constexpr float DRIVE_FACTOR = 120.0f;
constexpr float SPIN_DRAG = 0.007499077f;
constexpr float SPIN_DRAG_COASTING = 0.014998154f;
constexpr float REVERSE_RATE = 0.35f;
constexpr float BRAKE_FULL_RATE = 5.0f;
constexpr float BRAKE_TORQUE = 15.0f * 40.0f * TYRE_RADIUS;
constexpr float REVERSE_SPIN = -0.5f * 10.0f / TYRE_RADIUS;
constexpr float SPRING_RATE = 26500.0f;
constexpr float SPRING_DAMPING = 200.0f;
constexpr float AIR_DRAG = 0.58185f;
constexpr float TURN_DRAG = 387.9f;

TVec4 ToVec(const backend::Vector3& v)
{
    return Vec(v.x, v.y, v.z);
}

TMat34 RotationOf(const TMat44& m)
{
    TMat34 r;
    for (int i = 0; i < 3; ++i) {
        r.row[i] = m.row[i];
        r.row[i].w = 0.0f;
    }
    return r;
}

// The angular momentum that rolls the moped toward the turn at `lean` (signed toward the turn).
float RollHelp(float lean, float speed)
{
    return std::min((LEAN_LIMIT - lean) * speed * ROLL_SPEED_FACTOR / LEAN_LIMIT * ROLL_FACTOR, ROLL_CAP);
}

// The spin part of `spin` about the unit `axis`.
TVec4 SpinAbout(const TVec4& spin, const TVec4& axis)
{
    return axis * Dot3(spin, axis);
}

// A drag of `strength` against `rate`, but never more than stops `momentum` (of the motion
// `rate` measures) within one physics step: a body set spinning or flying by a hard knock
// slows down instead of swinging ever wider from step to step.
TVec4 Drag(const TVec4& rate, float strength, const TVec4& momentum)
{
    return Normalize3(-rate) * std::min(strength, Length3(momentum) / RACE_PHYSICS_STEP);
}

} // namespace

void Moped::Drive()
{
    const TMat34 w = RotationOf(world);
    const float entryAngle = steerAngle;

    const TVec4 heading = Normalize3(Vec(forward.x, 0.0f, forward.z));
    const TVec4 upright = Normalize3(up - heading * Dot3(up, heading));
    const float lean = std::acos(std::clamp(upright.y, -1.0f, 1.0f));

    if (steering == STEER_RIGHT) {
        steerAngle = std::min(steerAngle + STEER_STEP, MOPED_STEER_LIMIT);
        const float towardTurn = right.y > 0.0f ? -lean : lean;
        if (towardTurn >= -LEAN_LIMIT && towardTurn <= LEAN_LIMIT) {
            const TVec4 momentum = forward * -RollHelp(towardTurn, speed);
            rider->SetAngularMomentumAndWake(&momentum);
        }
    } else if (steering == STEER_LEFT) {
        steerAngle = std::max(steerAngle - STEER_STEP, -MOPED_STEER_LIMIT);
        const float towardTurn = right.y < 0.0f ? -lean : lean;
        if (towardTurn >= -LEAN_LIMIT && towardTurn <= LEAN_LIMIT) {
            const TVec4 momentum = forward * RollHelp(towardTurn, speed);
            rider->SetAngularMomentumAndWake(&momentum);
        }
    } else {
        steerAngle *= STEER_RETURN;
    }

    const TVec4& tilt = model->handlebarRotation;
    const TMat34 bar =
        Multiply(Multiply(AngleRotation(0.0f, steerAngle, 0.0f), AngleRotation(tilt.x, tilt.y, tilt.z)), w);
    handlebar->SetRotation(&bar);

    backend::Matrix turn;
    backend::MatrixRotationAxis(&turn, &steerAxis, steerAngle - entryAngle);
    const TMat34 tyre = Multiply(TBody::RotationFromRows(turn.m), RotationOf(frontTyre->GetTransform()));
    frontTyre->SetRotation(&tyre);

    if (boost == 1 && boostAmount > 0.0f) {
        boostAmount = std::max(boostAmount - BOOST_USE, 0.0f);
        enginePower = MOPED_BOOST_POWER;
    } else {
        enginePower = MOPED_NORMAL_POWER;
        if (boost == 0)
            boostAmount = std::min(boostAmount + BOOST_REGAIN, BOOST_CAP);
    }

    if (throttle == THROTTLE_ACCELERATE)
        driveTorque = std::min(driveTorque + enginePower * DRIVE_STEP, enginePower);
    else if (throttle == THROTTLE_NONE)
        driveTorque = std::max(driveTorque - enginePower * DRIVE_STEP, 0.0f);
    else
        driveTorque = 0.0f;

    TVec4 rearTorque, frontTorque, bodyForce, bodyTorque;
    if (driveTorque > 0.0f)
        rearTorque += right * (TYRE_RADIUS * DRIVE_FACTOR * driveTorque);

    if (throttle == THROTTLE_HANDBRAKE) {
        TVec4 momentum = rearTyre->GetAngularMomentum();
        momentum -= SpinAbout(momentum, right);
        rearTyre->SetAngularMomentum(&momentum);
    } else {
        const TVec4 spin = SpinAbout(rearTyre->GetAngularVelocity(), right);
        const float drag = throttle == THROTTLE_ACCELERATE ? SPIN_DRAG : SPIN_DRAG_COASTING;
        rearTorque += Drag(spin, LengthSquared3(spin) * drag, SpinAbout(rearTyre->GetAngularMomentum(), right));
    }

    const TVec4 frontAxis = frontTyre->GetTransform().row[0];
    const TVec4 frontSpin = SpinAbout(frontTyre->GetAngularVelocity(), frontAxis);
    if (throttle == THROTTLE_BRAKE && (driveDirection == 2 || engineRate <= REVERSE_RATE)) {
        const TVec4 backward = right * REVERSE_SPIN;
        rearTyre->SetAngularMomentum(&backward);
    } else if (throttle == THROTTLE_BRAKE) {
        const float rate = Length3(frontSpin);
        const float strength = rate > BRAKE_FULL_RATE ? BRAKE_TORQUE : BRAKE_TORQUE * rate / BRAKE_FULL_RATE;
        frontTorque += Normalize3(-frontSpin) * strength;
    } else {
        frontTorque += Drag(frontSpin, LengthSquared3(frontSpin) * SPIN_DRAG,
                            SpinAbout(frontTyre->GetAngularMomentum(), frontAxis));
    }
    rearTyre->SetTorque(&rearTorque);
    frontTyre->SetTorque(&frontTorque);

    // Rear suspension: a spring along the swing arm axis between the wheel and where it belongs.
    const TVec4 home = TransformPoint(world, model->rearTyrePosition);
    const TVec4 offset = home - rearTyre->GetTransform().row[3];
    const TVec4 along = Rotate(w, ToVec(swingArmAxis));
    const TVec4 relative = rearTyre->GetVelocity() - velocity;
    const float push = Length3(offset) * SPRING_RATE - Dot3(relative, along) * SPRING_DAMPING;
    const TVec4 wheelForce = along * push;
    rearTyre->SetForce(&wheelForce);
    bodyForce -= wheelForce;
    bodyTorque += Cross3(Rotate(w, model->rearForcePoint), -wheelForce);

    bodyForce += Drag(velocity, speed * speed * AIR_DRAG, velocity * body->mass);
    const TVec4 turning = body->GetAngularVelocity();
    bodyTorque += Drag(turning, LengthSquared3(turning) * TURN_DRAG, body->GetAngularMomentum());
    body->SetForce(&bodyForce);
    body->SetTorque(&bodyTorque);
}

#include "race/RemoteMoped.h"

#include "race/MopedModel.h"

#include "backend/math/MatrixMath.h"
#include "backend/math/QuaternionMath.h"
#include "physics/TRigidBody.h"
#include "tracks/Track.h"

#include <cmath>

using backend::Vector3;

namespace {

constexpr float BLEND_WEIGHT = 0.06f;
constexpr float CLOSE_ENOUGH_SQUARED = 0.04f;
constexpr float ANGLE_STEP = 1.0f / 60.0f;
constexpr float GROUND_CLEARANCE = 0.45f;
constexpr float TWO_PI = 6.2831853f;
// What no moped on any track comes near; a state beyond is garbage.
constexpr float MAX_COORDINATE = 1.0e5f;
constexpr float MAX_SPEED = 1000.0f;
constexpr float MAX_SPIN = 1.0e4f;
// Slack allowed in the received rotation rows.
constexpr float ROTATION_TOLERANCE = 0.01f;

Vector3 ToVector3(const TVec4& v)
{
    return {v.x, v.y, v.z};
}

TMat34 RotationOf(const TMat44& m)
{
    TMat34 r;
    for (int i = 0; i < 3; ++i)
        r.row[i] = Vec(m.row[i].x, m.row[i].y, m.row[i].z);
    return r;
}

backend::Quaternion QuaternionOf(const TMat44& m)
{
    backend::Matrix rotation;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            rotation.m[i][j] = m.row[i][j];
    rotation.m[3][3] = 1.0f;
    backend::Quaternion q;
    backend::QuaternionRotationMatrix(&q, &rotation);
    return q;
}

TMat44 WorldOf(const MopedStateMessage& state)
{
    TMat44 m;
    for (int i = 0; i < 4; ++i)
        m.row[i] = Vec(state.world[i * 4], state.world[i * 4 + 1], state.world[i * 4 + 2], i == 3 ? 1.0f : 0.0f);
    return m;
}

bool IsRotation(const TMat44& m)
{
    for (int i = 0; i < 3; ++i) {
        if (std::fabs(LengthSquared3(m.row[i]) - 1.0f) > ROTATION_TOLERANCE)
            return false;
        if (std::fabs(Dot3(m.row[i], m.row[(i + 1) % 3])) > ROTATION_TOLERANCE)
            return false;
    }
    return Dot3(Cross3(m.row[0], m.row[1]), m.row[2]) > 0.0f;
}

// Whether a received state can be applied without harm: finite (Unpack saw to that), the
// rotation a rotation, and every value within what a moped can have.
bool IsSound(const MopedStateMessage& state)
{
    const TMat44 world = WorldOf(state);
    const TVec4& at = world.row[3];
    if (std::fabs(at.x) > MAX_COORDINATE || std::fabs(at.y) > MAX_COORDINATE || std::fabs(at.z) > MAX_COORDINATE)
        return false;
    const TVec4 velocity = Vec(state.velocity[0], state.velocity[1], state.velocity[2]);
    return LengthSquared3(velocity) <= MAX_SPEED * MAX_SPEED && IsRotation(world) &&
           std::fabs(state.rearTyreSpin) <= MAX_SPIN && std::fabs(state.steerAngle) <= MOPED_STEER_LIMIT &&
           state.driveTorque >= 0.0f && state.driveTorque <= MOPED_BOOST_POWER;
}

float WrapAngle(float angle)
{
    angle = std::fmod(angle, TWO_PI);
    if (angle < 0.0f)
        angle += TWO_PI;
    if (angle >= TWO_PI)
        angle -= TWO_PI;
    return angle;
}

} // namespace

RemoteMoped::RemoteMoped() = default;

RemoteMoped::~RemoteMoped() = default;

bool RemoteMoped::Create(Track* raceTrack, MopedModel* mopedModel, PhysicsEngine* physics, const TVec4* start)
{
    track = raceTrack;
    if (!Load(mopedModel) || !CreatePhysics(physics)) {
        Release();
        Destroy(physics);
        return false;
    }
    SetPosition(start);
    Reset();
    StartEngineSound();
    return true;
}

void RemoteMoped::Reset()
{
    Moped::Reset();
    rearWheelAngle = 0.0f;
}

void RemoteMoped::ApplyControlMessage(const uint8_t message[CONTROL_MESSAGE_SIZE])
{
    ControlMessage control;
    if (!control.Unpack(message, CONTROL_MESSAGE_SIZE))
        return;
    throttle = control.throttle;
    if (control.steering != 3)
        steering = control.steering;
    boost = control.boost;
}

void RemoteMoped::UpdateRaceClock(uint32_t)
{
    if (IsComplete())
        UpdateRaceState();
}

bool RemoteMoped::IsComplete() const
{
    return body != nullptr && handlebar != nullptr && frontTyre != nullptr && swingArm != nullptr &&
           rearTyre != nullptr && rider != nullptr;
}

bool RemoteMoped::ApplyState(bool force)
{
    MopedStateMessage received;
    if (!IsComplete() || !received.Unpack(stateMessage, sizeof stateMessage) || !IsSound(received))
        return false;
    const TMat44 target = WorldOf(received);
    const float w = force ? 1.0f : BLEND_WEIGHT;
    const TVec4 d = target.row[3] - position;
    if (!force && LengthSquared3(d) < CLOSE_ENOUGH_SQUARED)
        return false;

    // Orientation along the shorter arc, so that q and -q blend without a spin.
    const backend::Quaternion from = QuaternionOf(world), to = QuaternionOf(target);
    backend::Quaternion blend;
    backend::QuaternionSlerp(&blend, &from, &to, w);
    backend::QuaternionNormalize(&blend, &blend);
    backend::Matrix turned;
    backend::MatrixRotationQuaternion(&turned, &blend);
    for (int i = 0; i < 3; ++i)
        world.row[i] = Vec(turned.m[i][0], turned.m[i][1], turned.m[i][2]);

    const float spin = Dot3(rearTyre->GetAngularMomentum(), right);
    const float targetSpin = spin + (received.rearTyreSpin - spin) * w;

    TVec4 at = world.row[3] + d * w;
    Vector3 ground = ToVector3(at);
    if (track->terrain.SnapToGround(&ground, GROUND_CLEARANCE) && ground.y > at.y)
        at.y = ground.y;
    world.row[3] = Vec(at.x, at.y, at.z, 1.0f);

    driveTorque += (received.driveTorque - driveTorque) * w;
    steerAngle += (received.steerAngle - steerAngle) * w;
    const TVec4 wanted = Vec(received.velocity[0], received.velocity[1], received.velocity[2]);
    const TVec4 targetVelocity = velocity + (wanted - velocity) * w;

    const TMat34 r = RotationOf(world);
    auto place = [&](TRigidBody* part, const TVec4& offset) {
        const TVec4 point = TransformPoint(world, offset);
        part->SetPosition(&point);
    };
    body->SetPosition(&world.row[3]);
    body->SetRotation(&r);
    place(handlebar, model->handlebarPosition);
    place(frontTyre, model->frontTyrePosition);
    place(rearTyre, model->rearTyrePosition);
    place(swingArm, model->rearTyrePosition);
    swingArm->SetRotation(&r);
    place(rider, model->riderPosition);
    rider->SetRotation(&r);

    const TVec4 rearSpin = r.row[0] * targetSpin;
    rearTyre->SetAngularMomentum(&rearSpin);
    const float rate = Dot3(rearTyre->GetAngularVelocity(), r.row[0]);
    rearWheelAngle = WrapAngle(rearWheelAngle + rate * ANGLE_STEP);

    // A positive angle turns the tyres as a positive spin about the axle does.
    const TMat34 wheelTurn = AngleRotation(rearWheelAngle, 0.0f, 0.0f);
    const TVec4& tilt = model->handlebarRotation;
    const TMat34 bar =
        Multiply(Multiply(AngleRotation(0.0f, steerAngle, 0.0f), AngleRotation(tilt.x, tilt.y, tilt.z)), r);
    handlebar->SetRotation(&bar);
    const TMat34 front = Multiply(wheelTurn, bar);
    frontTyre->SetRotation(&front);
    const TVec4 frontSpin = front.row[0] * targetSpin;
    frontTyre->SetAngularMomentum(&frontSpin);
    const TMat34 rear = Multiply(wheelTurn, r);
    rearTyre->SetRotation(&rear);

    for (TRigidBody* part : {body, handlebar, frontTyre, swingArm, rearTyre, rider})
        part->SetVelocity(&targetVelocity);

    position = world.row[3];
    right = world.row[0];
    up = world.row[1];
    forward = world.row[2];
    velocity = body->GetVelocity();
    speed = Length3(velocity);

    wheelRate = engineRate = std::fabs(rate) * TYRE_RADIUS;
    driveDirection = rate > 0.0f ? 1 : rate < 0.0f ? 2 : 0;

    const Vector3 where = ToVector3(position);
    progress.Update(&track->trackData, &where);
    const TrackSegment* cell = progress.currentSegment;
    wrongDirection = cell != nullptr && driveDirection == 1 &&
                     cell->gatePlane[0] * forward.x + cell->gatePlane[2] * forward.z < 0.0f;

    const bool gearChanged = SelectGear();
    riderFrame = static_cast<int32_t>((steerAngle / MOPED_STEER_LIMIT + 1.0f) * 30.0f);
    // The effects only move here; they advance once a frame in UpdateRaceState.
    const Vector3 behind = ToVector3(-forward);
    smoke.position = ToVector3(TransformPoint(world, model->exhaustPosition));
    smoke.direction = behind;
    backLight.basePosition = ToVector3(TransformPoint(world, model->backLightPosition));
    backLight.direction = behind;
    UpdateEngineSound(gearChanged);

    if (force)
        return false;
    return LengthSquared3(target.row[3] - position) >= CLOSE_ENOUGH_SQUARED;
}

#include "race/Moped.h"

#include "race/MopedModel.h"

#include "audio/AudioManager.h"
#include "audio/Sound3D.h"
#include "audio/SoundDefinitionManager.h"
#include "engine/platform/Log.h"
#include "physics/ComputeInertiaFromSize.h"
#include "physics/PhysicsEngine.h"
#include "physics/TSimulator.h"
#include "tracks/Track.h"

#include <algorithm>
#include <cmath>

using backend::Vector3;

const GearInfo g_GearTable[5] = {
    {0.01f, 0.0f, 1.0f, 0.0f}, {2.5f, 0.5f, 0.7f, 0.6f},   {7.5f, 0.5f, 1.0f, 0.4f},
    {11.0f, 0.5f, 1.1f, 0.3f}, {200.0f, 0.0f, 1.2f, 8.0f},
};

namespace {

constexpr int TYRE_SPHERES = 64;
constexpr float TYRE_SPHERE_DIAMETER = 0.185f;
constexpr float TYRE_SPHERE_STEP = 0.09817477f;
constexpr float HALF_PI = 1.5707963705062866f;
constexpr float REST_THRESHOLD = 2.0f;
constexpr float SWING_ARM_ANGLE = 0.27052602f;
constexpr float PLACE_HEIGHT = 0.45f;

Vector3 ToVector3(const TVec4& v)
{
    return {v.x, v.y, v.z};
}

// A box on `rigid` of `size`, its mass and inertia (scaled by `inertiaScale`).
bool AddBox(TRigidBody* rigid, int material, const TVec4& size, float mass, float inertiaScale)
{
    TConvex* box = rigid->AddGeometry();
    if (box == nullptr)
        return false;
    box->SetMaterialIndex(material);
    box->SetBoxSize(&size);
    rigid->UpdateBoundingInfo();
    rigid->SetMass(mass);
    TVec4 inertia;
    ComputeInertiaFromSize(&inertia, &size, mass);
    inertia = inertia * inertiaScale;
    rigid->SetInertiaTensor(&inertia);
    rigid->SetRestThreshold(REST_THRESHOLD);
    rigid->SetCollideJoined(0);
    return true;
}

// The ring of spheres in the y-z plane that makes a tyre.
bool AddTyre(TRigidBody* tyre)
{
    const float ring = TYRE_RADIUS - TYRE_SPHERE_DIAMETER * 0.5f;
    for (int i = 0; i < TYRE_SPHERES; ++i) {
        TConvex* sphere = tyre->AddGeometry();
        if (sphere == nullptr)
            return false;
        sphere->SetMaterialIndex(2);
        sphere->SetSphereDiameter(TYRE_SPHERE_DIAMETER);
        const float angle = static_cast<float>(i) * TYRE_SPHERE_STEP;
        TMat44 local = IdentityMat44();
        local.row[3] = Vec(0.0f, ring * std::cos(angle), ring * std::sin(angle), 1.0f);
        sphere->SetTransform(&local);
    }
    tyre->UpdateBoundingInfo();
    tyre->SetMass(25.0f);
    const TVec4 size = Vec(TYRE_SPHERE_DIAMETER, 2.0f * TYRE_RADIUS, 2.0f * TYRE_RADIUS);
    TVec4 inertia;
    tyre->SetInertiaTensor(ComputeInertiaFromSize(&inertia, &size, 25.0f));
    tyre->SetRestThreshold(REST_THRESHOLD);
    return true;
}

// A hinge about the frame's y row through `anchor`.
TConstraint* MakeHinge(TSimulator* simulator, TRigidBody* a, TBody* b, const TMat34& rotation, const TVec4& anchor,
                       bool limited, float low, float high)
{
    TConstraint* joint = simulator->CreateConstraint(a, b);
    if (joint == nullptr)
        return nullptr;
    TMat44 frame = MakeTransform(rotation, anchor);
    joint->SetFrame(&frame);
    joint->SetType(TCONSTRAINT_HINGE);
    if (limited) {
        joint->SetLimitMin(low);
        joint->SetLimitMax(high);
    }
    joint->SetTolerance(0.0f);
    joint->SetIterationCount(32);
    if (limited)
        joint->SetLimitEnabled(1);
    joint->Enable(1);
    return joint;
}

void SilenceAt(Sound3D* sound, const Vector3& where)
{
    if (sound == nullptr)
        return;
    const Vector3 still = {0.0f, 0.0f, 0.0f};
    sound->SetPosition(&where);
    sound->SetVelocity(&still);
    sound->SetVolume(0.0f);
    sound->Stop();
}

} // namespace

Moped::Moped() = default;

Moped::~Moped() = default;

TMat34 Moped::AngleRotation(float a0, float a1, float a2)
{
    const float c0 = std::cos(a0), s0 = std::sin(a0);
    const float c1 = std::cos(a1), s1 = std::sin(a1);
    const float c2 = std::cos(a2), s2 = std::sin(a2);
    TMat34 r;
    r.row[0] = Vec(c1 * c2, c1 * s2, -s1);
    r.row[1] = Vec(s0 * s1 * c2 - c0 * s2, s0 * s1 * s2 + c0 * c2, s0 * c1);
    r.row[2] = Vec(c0 * s1 * c2 + s0 * s2, c0 * s1 * s2 - s0 * c2, c0 * c1);
    return r;
}

bool Moped::Load(MopedModel* mopedModel)
{
    model = mopedModel;
    const Vector3 origin = {0.0f, 0.0f, 0.0f};
    const Vector3 backward = {0.0f, 0.0f, -1.0f};
    if (!smoke.Create(200, nullptr, &origin, &backward, 3, 0.007f, 0.00005f, 0.00001f, 0.04f, 0.008f, true))
        return false;
    if (!backLight.Create(nullptr, 0.15f, &origin, &backward, 0.5f, 255.0f, 0.2f, false))
        return false;
    if (!progress.Create(&track->trackData))
        return false;
    recoveryTimer.Init(true, false, 0, 8, 0);
    SoundLoadParams params;
    params.looping = 1;
    engineSound = GetAudioManager()->Create3DSound();
    if (engineSound == nullptr || !engineSound->Load("Audio\\Sounds\\Engine.wav", &params))
        return false;
    engineIdleSound = GetAudioManager()->Create3DSound();
    return engineIdleSound != nullptr && engineIdleSound->Load("Audio\\Sounds\\EngineIdle.wav", &params);
}

bool Moped::CreatePhysics(PhysicsEngine* physics)
{
    TSimulator* simulator = physics->simulator;
    const TVec4 origin = Vec(0.0f, 0.0f, 0.0f, 1.0f);
    const TVec4& tilt = model->handlebarRotation;
    const TMat34 handlebarTurn = AngleRotation(tilt.x, tilt.y, tilt.z);
    const TMat34 axleTurn = AngleRotation(0.0f, 0.0f, HALF_PI);

    body = simulator->CreateRigidBody();
    if (body == nullptr || !AddBox(body, 1, model->bodySize, 40.0f, 3.0f))
        return false;
    body->SetCollisionId(1);
    body->SetPosition(&origin);

    handlebar = simulator->CreateRigidBody();
    if (handlebar == nullptr || !AddBox(handlebar, 1, model->handlebarSize, 8.0f, 3.0f))
        return false;
    handlebar->SetCollisionId(1);
    handlebar->SetPosition(&model->handlebarPosition);
    handlebar->SetRotation(&handlebarTurn);
    steerAxis = {0.0f, std::cos(tilt.x), std::sin(tilt.x)};
    steeringJoint = MakeHinge(simulator, handlebar, body, handlebarTurn, model->handlebarPosition, true,
                              -MOPED_STEER_LIMIT, MOPED_STEER_LIMIT);
    if (steeringJoint == nullptr)
        return false;

    frontTyre = simulator->CreateRigidBody();
    if (frontTyre == nullptr || !AddTyre(frontTyre))
        return false;
    frontTyre->SetCollisionId(2);
    frontTyre->SetPosition(&model->frontTyrePosition);
    frontAxle = MakeHinge(simulator, frontTyre, handlebar, axleTurn, model->frontTyrePosition, false, 0.0f, 0.0f);
    if (frontAxle == nullptr)
        return false;

    swingArm = simulator->CreateRigidBody();
    if (swingArm == nullptr)
        return false;
    swingArm->SetPosition(&model->rearTyrePosition);
    swingArmAxis = {0.0f, -std::cos(SWING_ARM_ANGLE), -std::sin(SWING_ARM_ANGLE)};
    swingArmJoint = MakeHinge(simulator, swingArm, body, axleTurn, model->swingArmPivot, true, -0.28f, 0.0f);
    if (swingArmJoint == nullptr)
        return false;

    rearTyre = simulator->CreateRigidBody();
    if (rearTyre == nullptr || !AddTyre(rearTyre))
        return false;
    rearTyre->SetCollisionId(2);
    rearTyre->SetPosition(&model->rearTyrePosition);
    rearAxle = MakeHinge(simulator, rearTyre, swingArm, axleTurn, model->rearTyrePosition, false, 0.0f, 0.0f);
    if (rearAxle == nullptr)
        return false;

    rider = simulator->CreateRigidBody();
    if (rider == nullptr || !AddBox(rider, 6, model->riderSize, 22.0f, 1.0f))
        return false;
    rider->SetCollisionId(6);
    rider->SetPosition(&model->riderPosition);
    riderJoint = MakeHinge(simulator, rider, body, IdentityMat34(), model->riderPosition, true, 0.0f, 0.0f);
    return riderJoint != nullptr;
}

void Moped::SetPosition(const TVec4* point)
{
    TVec4 p = *point;
    Vector3 spot = {p.x, p.y, p.z};
    const TrackData* road = &track->trackData;
    if (!progress.Locate(road, &spot)) {
        track->terrain.SnapToGroundXZ(&spot, PLACE_HEIGHT);
        p.y = spot.y;
        const float level[3] = {0.0f, 0.0f, 0.0f};
        PlaceBodies(&p, level);
        LogMessage("\nWARNING! Moped's position set out of track!");
        return;
    }
    track->terrain.SnapToGroundXZ(&spot, PLACE_HEIGHT);
    p.y = spot.y;
    const TrackSegment* cell = progress.currentSegment;
    float dx = cell->direction.x, dz = cell->direction.z;
    if (dx == 0.0f && dz == 0.0f) {
        // Coincident centres give no direction: the entry gate's normal points along the road.
        const float length = std::hypot(cell->gatePlane[0], cell->gatePlane[2]);
        if (length > 0.0f) {
            dx = cell->gatePlane[0] / length;
            dz = cell->gatePlane[2] / length;
        } else {
            dz = 1.0f;
        }
    }
    float yaw = std::acos(std::clamp(dz, -1.0f, 1.0f));
    if (dx < 0.0f)
        yaw = -yaw;
    const float front = model->frontTyrePosition.z;
    const float rear = model->rearTyrePosition.z;
    Vector3 f = {p.x + dx * front, p.y, p.z + dz * front};
    Vector3 b = {p.x + dx * rear, p.y, p.z + dz * rear};
    track->terrain.SnapToGroundXZ(&f, 0.0f);
    track->terrain.SnapToGroundXZ(&b, 0.0f);
    const float angles[3] = {std::atan((b.y - f.y) / (front - rear)), yaw, 0.0f};
    PlaceBodies(&p, angles);
}

void Moped::PlaceBodies(const TVec4* point, const float angles[3])
{
    const TMat34 r = AngleRotation(angles[0], angles[1], angles[2]);
    body->SetPosition(point);
    body->SetRotation(&r);
    world = body->GetTransform();
    position = *point;
    right = r.row[0];
    up = r.row[1];
    forward = r.row[2];
    const TMat44 pose = MakeTransform(r, world.row[3]);
    auto place = [&](TRigidBody* part, const TVec4& offset, const TMat34& rotation) {
        const TVec4 at = TransformPoint(pose, offset);
        part->SetPosition(&at);
        part->SetRotation(&rotation);
    };
    const TVec4& tilt = model->handlebarRotation;
    place(handlebar, model->handlebarPosition, Multiply(AngleRotation(tilt.x, tilt.y, tilt.z), r));
    place(frontTyre, model->frontTyrePosition, r);
    place(rearTyre, model->rearTyrePosition, r);
    place(swingArm, model->rearTyrePosition, r);
    place(rider, model->riderPosition, r);

    throttle = THROTTLE_NONE;
    steering = STEER_NONE;
    boost = 0;
    driveDirection = 0;
    driveTorque = 0.0f;
    enginePower = MOPED_NORMAL_POWER;
    steerAngle = 0.0f;
    wheelRate = engineRate = speed = 0.0f;
    velocity.x = velocity.y = velocity.z = 0.0f;
    gear = 0;
    const TVec4 zero = Vec(0.0f, 0.0f, 0.0f);
    for (TRigidBody* part : {body, handlebar, frontTyre, swingArm, rearTyre, rider}) {
        part->SetVelocity(&zero);
        part->SetAngularMomentum(&zero);
        part->SetForce(&zero);
        part->SetTorque(&zero);
    }
    wrongDirection = 0;
    riderFrame = 30;

    const Vector3 behind = ToVector3(-forward);
    smoke.position = ToVector3(TransformPoint(pose, model->exhaustPosition));
    smoke.direction = behind;
    smoke.Reset();
    backLight.basePosition = ToVector3(TransformPoint(pose, model->backLightPosition));
    backLight.direction = behind;
    backLight.Reset();

    const Vector3 where = ToVector3(position);
    if (engineSound != nullptr)
        engineSound->SetFrequency(g_GearTable[std::clamp(gear, 0, 4)].basePitch);
    SilenceAt(engineSound, where);
    SilenceAt(engineIdleSound, where);
}

void Moped::Reset()
{
    progress.Clear();
    recoveryTimer.Reset();
    recoveryTimer.Stop();
    status = MOPEDSTATUS_NORMAL;
    recoverRequest = 0;
    boostAmount = 100.0f;
}

void Moped::StartEngineSound()
{
    static constexpr const char* START_SOUND = "Audio\\Sounds\\EngineStart.wav";
    SoundDefinitionManager* definitions = GetSoundDefinitionManager();
    if (Sound3D* start = definitions->Create3DInstance(START_SOUND)) {
        const Vector3 where = ToVector3(position);
        const Vector3 moving = ToVector3(velocity);
        start->SetPosition(&where);
        start->SetVelocity(&moving);
        start->Play();
        definitions->Release3DInstance(START_SOUND, start);
    }
    if (engineIdleSound != nullptr)
        engineIdleSound->FadeIn(0.01f);
}

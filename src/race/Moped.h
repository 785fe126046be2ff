#pragma once
// One moped with its rider as the race sees it: six rigid bodies joined by
// five hinges, the rider's controls, the pose read back from the physics, the
// engine and boost state, the road tracker, the recovery count-down, the
// engine sounds, the exhaust smoke and the back light.
// Moped space: x to the rider's right, y up, z forward; row vectors,
// p_world = p_local * R + t.

#include "race/TrackProgress.h"

#include "engine/platform/Stopwatch.h"
#include "engine/scene/FlareLight.h"
#include "engine/scene/SmokeSystem.h"

#include "backend/math/MathTypes.h"
#include "physics/TMath.h"

#include <cstdint>

class Camera;
class MopedModel;
class PhysicsEngine;
class Sound3D;
class TConstraint;
class TRigidBody;
class Track;

enum ThrottleState : int32_t {
    THROTTLE_NONE = 0,
    THROTTLE_ACCELERATE = 1,
    THROTTLE_BRAKE = 2,
    THROTTLE_HANDBRAKE = 3,
};

enum SteeringState : int32_t {
    STEER_NONE = 0,
    STEER_LEFT = 1,
    STEER_RIGHT = 2,
};

// Values and bits of Moped::status. A pending recovery is a condition bit
// together with MOPEDSTATUS_MESSAGE.
constexpr uint8_t MOPEDSTATUS_NORMAL = 1;
constexpr uint8_t MOPEDSTATUS_MESSAGE = 2;
constexpr uint8_t MOPEDSTATUS_RECOVERING = 4;
constexpr uint8_t MOPEDSTATUS_RECOVER_REQUEST = 16;
constexpr uint8_t MOPEDSTATUS_FALLEN = 32;
constexpr uint8_t MOPEDSTATUS_OUT_OF_TRACK = 64;

// Outer radius of a tyre's sphere ring.
constexpr float TYRE_RADIUS = 0.209f;
// Off the road farther than this from the last cell's centre starts a recovery.
constexpr float MOPED_OFF_TRACK_DISTANCE = 25.0f;
constexpr float MOPED_NORMAL_POWER = 4.5f;
constexpr float MOPED_BOOST_POWER = 14.0f;
constexpr float MOPED_STEER_LIMIT = 0.7f;
constexpr int MOPED_BODY_COUNT = 6;
constexpr int MOPED_JOINT_COUNT = 5;
// Room a race makes for one moped's geometries: two rings of 64 spheres plus the boxes.
constexpr int MOPED_GEOMETRY_COUNT = 2 * 64 + 4;

struct GearInfo {
    float upshiftRate;
    float boostScale;
    float basePitch;
    float pitchRange;
};

// Rows for gears 0 (neutral) to 4.
extern const GearInfo g_GearTable[5];

class Moped {
public:
    Moped();
    Moped(const Moped&) = delete;
    Moped& operator=(const Moped&) = delete;
    virtual ~Moped();

    // Effects, tracker, recovery count-down and engine sounds; `track` must be set. False at the first failure.
    bool Load(MopedModel* mopedModel);
    // The six bodies and five joints; false at the first failure, leaving what was made.
    bool CreatePhysics(PhysicsEngine* physics);
    // Upright at a point of the track, aligned with the road.
    void SetPosition(const TVec4* point);
    // Every body posed from a position and three angles; motion and controls cleared.
    void PlaceBodies(const TVec4* point, const float angles[3]);
    void Reset();
    void StartEngineSound();
    // Two loaded instances per moped of the gear-change and engine-start sounds, left idle in their
    // pools, so that playing them in the race loads nothing; their definitions must exist.
    static void PreloadSounds(int32_t mopedCount);

    // One step of the driving model, before the physics advance.
    void Drive();

    // After the physics step: pose, rates, tracking, recovery, gear, effects and sounds.
    void UpdateRaceState();
    void UpdateRecovery();
    void Recover();
    void UpdateEngineSound(bool gearChanged);
    // "R", "N" or the gear number into `out` (room for 4 characters).
    void GetGearText(char* out) const;
    // The gear rules for one frame; true when the gear changed.
    bool SelectGear();
    // Shift point of `gearIndex` (0..4) at the engine power `power`.
    static float ShiftPoint(int gearIndex, float power);

    void Render(Camera* camera, bool flatColour);
    void RenderRider(Camera* camera, bool flatColour);
    void RenderEffects(Camera* camera);
    bool Restore();
    void Release();
    // Sounds, joints, bodies, tracker and effects; safe on a half-built moped and when repeated.
    void Destroy(PhysicsEngine* physics);

    // R = Rx(a0) * Ry(a1) * Rz(a2): turned about x, then y, then z.
    static TMat34 AngleRotation(float a0, float a1, float a2);

    MopedModel* model = nullptr;
    Track* track = nullptr;
    SmokeSystem smoke;
    FlareLight backLight;
    Sound3D* engineIdleSound = nullptr;
    Sound3D* engineSound = nullptr;
    TRigidBody* body = nullptr;
    TRigidBody* handlebar = nullptr;
    TRigidBody* frontTyre = nullptr;
    TRigidBody* swingArm = nullptr;
    TRigidBody* rearTyre = nullptr;
    TRigidBody* rider = nullptr;
    TConstraint* steeringJoint = nullptr;
    TConstraint* frontAxle = nullptr;
    TConstraint* swingArmJoint = nullptr;
    TConstraint* rearAxle = nullptr;
    TConstraint* riderJoint = nullptr;
    int32_t throttle = THROTTLE_NONE;
    int32_t steering = STEER_NONE;
    uint32_t boost = 0;
    int32_t driveDirection = 0; // 1 forward, 2 backward, 0 standing
    float driveTorque = 0.0f;
    float steerAngle = 0.0f; // negative to the left
    float boostAmount = 100.0f;
    int32_t riderFrame = 0;
    TVec4 position;
    TVec4 up;
    TVec4 right;
    TVec4 forward;
    TMat44 world;
    TVec4 velocity;
    float speed = 0.0f;
    float wheelRate = 0.0f;
    float engineRate = 0.0f;
    int32_t gear = 0; // -1 reverse, 0 neutral, 1..4
    float enginePower = MOPED_NORMAL_POWER;
    backend::Vector3 steerAxis;
    backend::Vector3 swingArmAxis;
    TrackProgress progress;
    uint8_t wrongDirection = 0;
    Stopwatch recoveryTimer;
    uint8_t recoverRequest = 0;
    uint8_t status = MOPEDSTATUS_NORMAL;
};

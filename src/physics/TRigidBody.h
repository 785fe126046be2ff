#pragma once
// A dynamic body: mass properties, a state of orientation, angular momentum, rotation and position,
// the quantities derived from it, and up to three remembered resting contacts.

#include "physics/TBody.h"
#include "physics/TCachedContact.h"

struct TContact;
class TStackNode;
struct TForceUpdater;

enum TRestStatus : int32_t {
    TREST_AWAKE = 0,
    TREST_RESTING = 1,
};

struct TRigidState {
    TQuat orientation;
    TVec4 reserved;
    TVec4 angularMomentum;
    TMat34 rotation = IdentityMat34();
    TVec4 position = Vec(0, 0, 0, 1);
};

struct TRestReference {
    TVec4 position;
    TQuat orientation;
    TVec4 velocity;
    TVec4 angularVelocity;
};

constexpr int CACHED_CONTACT_COUNT = 3;
constexpr int VELOCITY_HISTORY_COUNT = 10;

class TRigidBody : public TBody {
public:
    TRigidBody();

    // Public interface.
    void SetMass(float m); // non-positive or non-finite masses are refused
    void SetInertiaTensor(const TVec4* diagonal);
    void SetRestThreshold(float threshold) { restThreshold = threshold; }
    void SetPosition(const TVec4* newPosition);
    void SetRotation(const TMat34* newRotation);
    void SetRotation(const float rows[3][4]);
    TMat44* GetTransform(TMat44* out) const;
    TMat44 GetTransform() const;
    void GetVelocity(TVec4* out) const { *out = velocity; }
    TVec4 GetVelocity() const { return velocity; }
    void SetVelocity(const TVec4* newVelocity);
    void GetAngularVelocity(TVec4* out) const { *out = angularVelocity; }
    TVec4 GetAngularVelocity() const { return angularVelocity; }
    void GetAngularMomentum(TVec4* out) const { *out = state.angularMomentum; }
    TVec4 GetAngularMomentum() const { return state.angularMomentum; }
    void SetAngularMomentum(const TVec4* momentum);
    void SetAngularMomentumAndWake(const TVec4* momentum);
    void SetForce(const TVec4* newForce);
    void SetTorque(const TVec4* newTorque);

    // Dynamics.
    void IntegrateVelocity(float dt);
    void IntegrateAngularMomentum(const TVec4& torque, float dt);
    void IntegratePosition(float dt);
    void UpdateDerivedState();
    void PrepareForces();
    void UpdateWorldBoundsImpl();
    void SetAngularMomentumState(const TVec4& momentum);
    int ApplyImpulse(const TVec4& impulse, const TVec4& arm);
    void Wake();
    void ResetRestReference();
    int PutToRest();
    void StopMotion();
    void OnVelocityChanged();
    void RefreshGravityForce();
    // World inverse inertia, angular velocity and quaternion rate from the stored rotation.
    void RefreshInertiaAndSpin();
    TVec4 WorldInverseInertiaTimes(const TVec4& v) const;

    // Resting contacts and stacks.
    void CacheRestingContact(const TContact& contact, TBody* support);
    bool AddRestingContact(const TContact& contact, TBody* support);
    bool JoinStack(const TContact& contact, TBody* support);
    void QueueStack();
    void ReleaseStackNode();
    void ClearContactCache();
    int UpdateContactCache();
    int ResolveCachedContacts(int flag);
    void UpdateCachedContactPoint(TCachedContact* slot);
    int CachedContactCount() const;

    // Rest tests.
    void TestRest();
    void TestRestImpl();
    int GetSupportCount();
    bool IsLoadHeldByFriction(const TVec4& load);
    bool CheckCachedContactsStill();
    // Whether the slot's point on this body still lies on its support's point (squared distance 0.002).
    bool IsTouchingSupport(TCachedContact& slot) const;
    // A body without load this sub-step: it has cached contacts, each touching a support that did not move.
    bool AreCachedContactsTouching();
    bool IsRestSupported();
    bool TestRestOverSteps();

    TVec4 smoothedDisplacement;
    float mass = 1.0f;
    float inverseMass = 1.0f;
    TMat34 inverseInertia = IdentityMat34(); // body frame
    TMat34 inertia = IdentityMat34();        // body frame
    TVec4 force;
    TVec4 torque;
    int32_t status = TREST_AWAKE;
    int32_t gravityFlag = 1;
    TVec4 gravityForce;
    TVec4 accumulatedForce;
    TVec4 accumulatedTorque;
    TVec4 subStepTorque;
    TVec4 subStepForce;
    TVec4 acceleration;
    float linearDamping = 0.0f;
    float angularDamping = 0.0f;
    TRigidState state;
    TVec4 velocity;
    TVec4 angularVelocity;
    TQuat orientationRate{0.0f, 0.0f, 0.0f, 0.0f};
    TMat34 worldInverseInertia{};
    float speed = 0.0f;
    int32_t restCounter = 0;
    TStackNode* stackNode = nullptr;
    int32_t cacheChanged = 0;
    TForceUpdater* forceUpdaters = nullptr;
    int32_t stackStepWord = 0;
    TCachedContact cache[CACHED_CONTACT_COUNT];
    int32_t resolvedOrder[CACHED_CONTACT_COUNT] = {};
    int32_t resolvedCount = 0;
    TVec4 supportNormal;
    TVec4 velocityHistory[VELOCITY_HISTORY_COUNT];
    TVec4 angularVelocityHistory[VELOCITY_HISTORY_COUNT];
    int32_t particle = 0;
    int32_t integrated = 0;
    float restThreshold = 0.2f;
    TRestReference restReference;
    int32_t stepsSinceReference = 0;
    int32_t correctedNow = 0;
    int32_t correctedBefore = 0;
};

#pragma once
// A joint from rigid body A to body B (rigid, animated or none: then B's frame is fixed in the world).

#include "physics/TConstraintLink.h"
#include "physics/TMath.h"

#include <cstdint>

class TBody;
class TRigidBody;
class TSimulator;
class TConstraintSet;
struct TForceUpdater;

enum TConstraintType : int32_t {
    TCONSTRAINT_POINT = 0,
    TCONSTRAINT_HINGE = 2,
    TCONSTRAINT_SLIDER = 3,
};

struct TConstraintLimit {
    int32_t active = 0;
    TVec4 axis;
    int32_t side = 0; // 1 below the lower bound, 0 above the upper bound
    int32_t enabled = 0;
    float violation = 0.0f;
    float upper = 0.0f;
    float lower = 0.0f;
    TConstraint* owner = nullptr;
};

constexpr int CONSTRAINT_MAX_ROWS = 2;

class TConstraint {
public:
    // Public interface.
    void SetType(int newType) { SetTypeImpl(newType); }
    void SetFrame(const TMat44* world);
    void Enable(int enable) { EnableImpl(enable); }
    void SetTolerance(float value) { tolerance = value; }
    void SetIterationCount(int count) { iterationCount = count; }
    void SetLimitMax(float value) { limit.upper = value; }
    void SetLimitMin(float value) { limit.lower = value; }
    void SetLimitEnabled(int flag) { limit.enabled = flag; }

    void Reset();
    void SetTypeImpl(int newType);
    void EnableImpl(int enable);
    void ComputePivots();
    TConstraintSet* JoinConstraintSet();
    void UpdateFrames();
    void UpdateAnchors();
    void BuildRows();
    void BuildAngularLimitRow();
    void BuildLinearLimitRow();
    void PreStep();
    void PostStep();

    TRigidBody* RigidB() const;

    TMat44 frameA = IdentityMat44();
    TMat44 frameB = IdentityMat44();
    TMat44 worldFrameA = IdentityMat44();
    TMat44 worldFrameB = IdentityMat44();
    TSimulator* simulator = nullptr;
    TForceUpdater* postStepUpdaters = nullptr;
    TRigidBody* bodyA = nullptr;
    TBody* bodyB = nullptr;
    TConstraintLink linkA;
    TConstraintLink linkB;
    int32_t rowCount = 1;
    TVec4 pivotALocal[CONSTRAINT_MAX_ROWS];
    TVec4 pivotAWorld[CONSTRAINT_MAX_ROWS];
    TVec4 pivotBLocal[CONSTRAINT_MAX_ROWS];
    TVec4 pivotBWorld[CONSTRAINT_MAX_ROWS];
    int32_t enabled = 0;
    float tolerance = -1.0f;
    int32_t iterationCount = -1;
    float length = 1.0f;
    float angle = 0.0f;
    float signedAngle = 0.0f;
    float damping = 0.0f;
    int32_t pivotsComputed = 0;
    TConstraintLimit limit;
    int32_t type = TCONSTRAINT_POINT;
    TConstraintSet* set = nullptr;
    TConstraint* nextInSet = nullptr;
    TConstraint* prevInSet = nullptr;
};

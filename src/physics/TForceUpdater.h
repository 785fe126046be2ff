#pragma once
// A periodic force source attached to a body. The pool exists; the program adds none.

#include "physics/TMath.h"

#include <cstdint>

class TRigidBody;
struct TForceUpdater;

class TForceUpdaterCallback {
public:
    virtual void Update(TForceUpdater* record, float dt) = 0;

protected:
    ~TForceUpdaterCallback() = default;
};

struct TForceUpdater {
    // Counts down; at zero calls the callback and reloads. Then adds its force and torque to the target.
    void Run(float dt);

    int32_t period = 0;
    int32_t countdown = 0;
    TForceUpdaterCallback* callback = nullptr;
    TRigidBody* target = nullptr;
    TVec4 force;
    TVec4 torque;
    TForceUpdater* next = nullptr;
};

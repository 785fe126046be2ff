#include "physics/TForceUpdater.h"

#include "physics/TRigidBody.h"

void TForceUpdater::Run(float dt)
{
    if (countdown == 0) {
        if (callback != nullptr) {
            callback->Update(this, dt);
        }
        countdown = period;
    } else {
        --countdown;
    }
    if (target != nullptr) {
        target->accumulatedForce += force;
        target->accumulatedTorque += torque;
    }
}

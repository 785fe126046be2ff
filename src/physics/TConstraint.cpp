#include "physics/TConstraint.h"

#include "physics/ContactRecord.h"
#include "physics/TAnimatedBody.h"
#include "physics/TConstraintSet.h"
#include "physics/TForceUpdater.h"
#include "physics/TRigidBody.h"
#include "physics/TSimulator.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float PI = 3.14159265358979f;

// A frame expressed in a body's local coordinates at its current pose.
TMat44 ToLocal(const TMat44& world, const TMat34& rotation, const TVec4& position)
{
    TMat44 local;
    for (int i = 0; i < 3; ++i) {
        local.row[i] = RotateInverse(rotation, world.row[i]);
    }
    local.row[3] = RotateInverse(rotation, world.row[3] - position);
    local.row[3].w = 1.0f;
    return local;
}

// A local frame carried to the world by a body's pose.
TMat44 ToWorld(const TMat44& local, const TMat34& rotation, const TVec4& position)
{
    TMat44 world;
    for (int i = 0; i < 3; ++i) {
        world.row[i] = Rotate(rotation, local.row[i]);
    }
    world.row[3] = Rotate(rotation, local.row[3]) + position;
    world.row[3].w = 1.0f;
    return world;
}

} // namespace

TRigidBody* TConstraint::RigidB() const
{
    return bodyB != nullptr && bodyB->IsRigid() ? static_cast<TRigidBody*>(bodyB) : nullptr;
}

void TConstraint::Reset()
{
    *this = TConstraint{};
    linkA.owner = this;
    linkB.owner = this;
    limit.owner = this;
}

void TConstraint::SetTypeImpl(int newType)
{
    switch (newType) {
    case TCONSTRAINT_POINT:
        type = TCONSTRAINT_POINT;
        rowCount = 1;
        break;
    case TCONSTRAINT_HINGE:
        type = TCONSTRAINT_HINGE;
        rowCount = 2;
        break;
    case TCONSTRAINT_SLIDER:
        type = TCONSTRAINT_SLIDER;
        rowCount = 2;
        break;
    default:
        break;
    }
}

void TConstraint::SetFrame(const TMat44* world)
{
    frameA = ToLocal(*world, bodyA->Rotation(), bodyA->Position());
    if (bodyB != nullptr) {
        frameB = ToLocal(*world, bodyB->Rotation(), bodyB->Position());
    } else {
        frameB = *world;
    }
}

void TConstraint::EnableImpl(int enable)
{
    if (bodyA == nullptr) {
        return;
    }
    if ((enable != 0) == (enabled != 0)) {
        return;
    }
    if (pivotsComputed) {
        enabled = enable;
    } else {
        if (enable == 0) {
            enabled = 0;
            return;
        }
        pivotsComputed = 1;
        ComputePivots();
        JoinConstraintSet();
        enabled = 1;
    }
    if (bodyA->status == TREST_RESTING) {
        bodyA->Wake();
    }
    TRigidBody* rigidB = RigidB();
    if (rigidB != nullptr && rigidB->status == TREST_RESTING) {
        rigidB->Wake();
    }
}

void TConstraint::ComputePivots()
{
    float h = length * 0.5f;
    TVec4 oA = frameA.row[3], oB = frameB.row[3];
    TVec4 yA = frameA.row[1], yB = frameB.row[1];
    switch (type) {
    case TCONSTRAINT_HINGE:
        pivotALocal[0] = oA + yA * h;
        pivotBLocal[0] = oB + yB * h;
        pivotALocal[1] = oA - yA * h;
        pivotBLocal[1] = oB - yB * h;
        break;
    case TCONSTRAINT_SLIDER:
        pivotALocal[0] = oA + yA * h;
        pivotALocal[1] = oA - yA * h;
        pivotBLocal[0] = oB;
        pivotBLocal[1] = oB;
        break;
    default:
        pivotALocal[0] = oA;
        pivotBLocal[0] = oB;
        break;
    }
}

TConstraintSet* TConstraint::JoinConstraintSet()
{
    TConstraintSet* setA = bodyA->constraintSet;
    TConstraintSet* setB = bodyB != nullptr ? bodyB->constraintSet : nullptr;
    TConstraintSet* result = nullptr;
    if (bodyB == nullptr) {
        if (setA != nullptr) {
            setA->AppendConstraint(this);
            result = setA;
        } else if ((result = simulator->TakeConstraintSet()) != nullptr) {
            result->AppendConstraint(this);
            result->AppendBody(bodyA);
        }
    } else if (setB != nullptr) {
        if (setA == nullptr) {
            setB->AppendConstraint(this);
            setB->AppendBody(bodyA);
        } else if (setA != setB) {
            setA->AppendConstraint(this);
            while (setB->constraintHead != nullptr) {
                TConstraint* moved = setB->constraintHead;
                setB->RemoveConstraint(moved);
                setA->AppendConstraint(moved);
            }
            while (setB->bodyHead != nullptr) {
                TBody* moved = setB->bodyHead;
                setB->RemoveBody(moved);
                setA->AppendBody(moved);
            }
            simulator->GiveConstraintSet(setB);
        } else {
            setA->AppendConstraint(this);
        }
        result = bodyA->constraintSet;
    } else if (setA != nullptr) {
        setA->AppendConstraint(this);
        setA->AppendBody(bodyB);
        result = setA;
    } else if ((result = simulator->TakeConstraintSet()) != nullptr) {
        result->AppendBody(bodyA);
        result->AppendConstraint(this);
        result->AppendBody(bodyB);
    }
    if (result == nullptr) {
        if (simulator->logLevel >= 1) {
            simulator->Message("Run out of Constraint Sets. Increase 'constraintSetsCount'.\n");
        }
        return nullptr;
    }
    result->flags |= 1;
    return result;
}

void TConstraint::UpdateFrames()
{
    worldFrameA = ToWorld(frameA, bodyA->Rotation(), bodyA->Position());
    worldFrameB = bodyB != nullptr ? ToWorld(frameB, bodyB->Rotation(), bodyB->Position()) : frameB;
    const TVec4 &xA = worldFrameA.row[0], &yA = worldFrameA.row[1], &oA = worldFrameA.row[3];
    const TVec4 &xB = worldFrameB.row[0], &yB = worldFrameB.row[1], &oB = worldFrameB.row[3];
    float c = std::clamp(Dot3(xA, xB), -1.0f, 1.0f);
    switch (type) {
    case TCONSTRAINT_HINGE: {
        limit.axis = Normalize3(yA + yB);
        if (std::fabs(c - 1.0f) < 1e-6f) {
            angle = 0.0f;
            signedAngle = 0.0f;
        } else if (std::fabs(c + 1.0f) < 1e-6f) {
            angle = PI;
            signedAngle = -PI;
        } else {
            TVec4 n = Normalize3(Cross3(xB, xA));
            float a = std::acos(c);
            if (Dot3(n, limit.axis) <= 0.0f) {
                angle = 2.0f * PI - a;
                signedAngle = -a;
            } else {
                angle = a;
                signedAngle = a;
            }
        }
        break;
    }
    case TCONSTRAINT_POINT:
        if (std::fabs(c - 1.0f) < 1e-6f) {
            angle = 0.0f;
            limit.axis = yA;
        } else if (std::fabs(c + 1.0f) < 1e-6f) {
            angle = PI;
            limit.axis = yA;
        } else {
            limit.axis = Normalize3(Cross3(xB, xA));
            angle = std::acos(c);
        }
        break;
    case TCONSTRAINT_SLIDER:
        limit.axis = Normalize3(yA + yB);
        angle = Dot3(oA - oB, yB);
        break;
    default:
        break;
    }
}

void TConstraint::UpdateAnchors()
{
    for (int i = 0; i < rowCount; ++i) {
        pivotAWorld[i] = Rotate(bodyA->Rotation(), pivotALocal[i]) + bodyA->Position();
        if (type != TCONSTRAINT_SLIDER) {
            pivotBWorld[i] =
                bodyB != nullptr ? Rotate(bodyB->Rotation(), pivotBLocal[i]) + bodyB->Position() : pivotBLocal[i];
        }
    }
}

void TConstraint::BuildRows()
{
    TRigidBody* rigidB = RigidB();
    const TVec4& oB = worldFrameB.row[3];
    const TVec4& yB = worldFrameB.row[1];
    for (int i = 0; i < rowCount; ++i) {
        TContact row{};
        row.bodyA = bodyA;
        row.bodyB = bodyB;
        row.constraint = this;
        row.armA = pivotAWorld[i] - bodyA->state.position;
        row.worldPointA = pivotAWorld[i];
        TVec4 pivotB;
        if (type == TCONSTRAINT_SLIDER) {
            row.kind = TCONTACT_LINE_ROW;
            pivotB = oB + yB * Dot3(pivotAWorld[i] - oB, yB);
            pivotBWorld[i] = pivotB;
            row.axis = yB;
        } else {
            row.kind = TCONTACT_POINT_ROW;
            pivotB = pivotBWorld[i];
        }
        row.worldPointB = pivotB;
        row.armB = rigidB != nullptr ? pivotB - rigidB->state.position : pivotB;
        row.separation = pivotAWorld[i] - pivotB;
        float separationLength = Length3(row.separation);
        if (row.kind == TCONTACT_LINE_ROW) {
            row.lineSeparation = separationLength;
        } else {
            row.depth = separationLength;
        }
        ApplyConstraintRecord(&row, 0, 0);
        simulator->PushJointRow(row);
    }
    if (limit.enabled) {
        if (type == TCONSTRAINT_SLIDER) {
            BuildLinearLimitRow();
        } else {
            BuildAngularLimitRow();
        }
    }
    if (bodyA->stackNode != nullptr) {
        bodyA->QueueStack();
    }
    if (rigidB != nullptr && rigidB->stackNode != nullptr) {
        rigidB->QueueStack();
    }
}

void TConstraint::BuildAngularLimitRow()
{
    limit.active = 0;
    float tested = (type == TCONSTRAINT_HINGE && limit.lower <= 0.0f) ? signedAngle : angle;
    if (tested < limit.lower) {
        limit.side = 1;
        limit.violation = tested - limit.lower;
    } else if (tested > limit.upper) {
        limit.side = 0;
        limit.violation = tested - limit.upper;
    } else {
        return;
    }
    limit.active = 1;
    TContact row{};
    row.kind = TCONTACT_ANGULAR_LIMIT_ROW;
    row.bodyA = bodyA;
    row.bodyB = bodyB;
    row.axis = limit.axis;
    row.depth = limit.violation;
    row.constraint = this;
    ApplyConstraintRecord(&row, 0, 0);
    simulator->PushJointRow(row);
}

void TConstraint::BuildLinearLimitRow()
{
    const TVec4& oA = worldFrameA.row[3];
    const TVec4& oB = worldFrameB.row[3];
    const TVec4& yB = worldFrameB.row[1];
    float d = Dot3(oA - oB, yB);
    float sign;
    if (d > limit.upper) {
        limit.violation = d - limit.upper;
        sign = 1.0f;
        limit.side = 0;
    } else if (d < limit.lower) {
        limit.violation = limit.lower - d;
        sign = -1.0f;
        limit.side = 1;
    } else {
        limit.active = 0;
        return;
    }
    limit.active = 1;
    limit.violation = std::min(limit.violation, 0.05f);
    TRigidBody* rigidB = RigidB();
    TContact row{};
    row.kind = TCONTACT_LINEAR_LIMIT_ROW;
    row.bodyA = bodyA;
    row.bodyB = bodyB;
    row.armA = oA - bodyA->state.position;
    row.armB = rigidB != nullptr ? oB - rigidB->state.position : (bodyB != nullptr ? oB - bodyB->Position() : oB);
    row.axis = yB * sign;
    row.depth = limit.violation;
    row.constraint = this;
    ApplyConstraintRecord(&row, 0, 0);
    simulator->PushJointRow(row);
}

void TConstraint::PreStep()
{
    TVec4 omegaA = bodyA->angularVelocity;
    TRigidBody* rigidB = RigidB();
    TVec4 omegaB = rigidB != nullptr ? rigidB->angularVelocity : TVec4{};
    TVec4 delta;
    if (type == TCONSTRAINT_POINT) {
        delta = omegaA - omegaB;
    } else if (type == TCONSTRAINT_HINGE) {
        worldFrameA = ToWorld(frameA, bodyA->Rotation(), bodyA->Position());
        worldFrameB = bodyB != nullptr ? ToWorld(frameB, bodyB->Rotation(), bodyB->Position()) : frameB;
        TVec4 axis = Normalize3(worldFrameA.row[1] + worldFrameB.row[1]);
        delta = axis * Dot3(axis, omegaA) - axis * Dot3(axis, omegaB);
    }
    bodyA->subStepTorque -= delta * damping;
    if (rigidB != nullptr) {
        rigidB->subStepTorque += delta * damping;
    }
}

void TConstraint::PostStep()
{
    TRigidBody* rigidB = RigidB();
    for (TForceUpdater* updater = postStepUpdaters; updater != nullptr; updater = updater->next) {
        if (updater->countdown == 0) {
            if (updater->callback != nullptr) {
                updater->callback->Update(updater, simulator->dt);
            }
            updater->countdown = updater->period;
        } else {
            --updater->countdown;
        }
        bodyA->accumulatedForce += updater->force;
        bodyA->accumulatedTorque += updater->torque;
        if (rigidB != nullptr) {
            rigidB->accumulatedForce -= updater->force;
            rigidB->accumulatedTorque -= updater->torque;
        }
    }
}

// The time step: Advance runs equal sub-steps, each a fixed list of stages.

#include "physics/TSimulator.h"

void TSimulator::Advance(float time, int steps, TPerfReport* perfReport)
{
    if (steps <= 0) {
        ClearAnimatedMovedFlags();
        ++advanceCount;
        return;
    }
    dt = float(double(time) / double(steps));
    inverseDt = dt != 0.0f ? 1.0f / dt : 0.0f;
    report = perfReport;
    stepSlot = advanceCount % 10;
    if (report != nullptr) {
        for (int i = 0; i < 10; ++i) {
            report->values[i] = 0.0f;
        }
        perfTimer->Reset();
    }
    for (int i = 0; i < steps; ++i) {
        subStepWord = 0;
        SubStep();
    }
    ClearAnimatedMovedFlags();
    if (report != nullptr) {
        ReportAdvance();
    }
    report = nullptr;
    ++advanceCount;
}

void TSimulator::ClearAnimatedMovedFlags()
{
    for (TBody* body = animatedBodies.head; body != nullptr; body = body->listNext) {
        static_cast<TAnimatedBody*>(body)->moved = 0;
    }
}

void TSimulator::SubStep()
{
    ClearProbeResults();
    UpdateBodyBounds();
    broadPhase.Update();
    Mark(5);
    CollideBodyPairs();
    Mark(6);
    CollideTerrain();
    Mark(7);
    ClearSubStepAccumulators();
    RunConstraintPreSteps();
    IntegrateVelocities();
    Mark(0);
    ClearStackQueuedFlags();
    SolveConstraintSets();
    UpdateStacks();
    Mark(3);
    ResolveRestingContacts();
    Mark(4);
    RestTestAndIntegratePositions();
    Mark(1);
    RunConstraintPostSteps();
    Mark(2);
}

void TSimulator::ClearProbeResults()
{
    TBodyList* lists[3] = {&animatedBodies, &particles, &rigidBodies};
    for (TBodyList* list : lists) {
        for (TBody* body = list->head; body != nullptr; body = body->listNext) {
            for (TProbe* probe = body->probes; probe != nullptr; probe = probe->next) {
                probe->ResetResult();
            }
        }
    }
}

void TSimulator::UpdateBodyBounds()
{
    for (TBody* body = rigidBodies.head; body != nullptr; body = body->listNext) {
        static_cast<TRigidBody*>(body)->UpdateWorldBoundsImpl();
    }
    for (TBody* body = particles.head; body != nullptr; body = body->listNext) {
        static_cast<TRigidBody*>(body)->UpdateWorldBoundsImpl();
    }
    for (TBody* body = animatedBodies.head; body != nullptr; body = body->listNext) {
        TAnimatedBody* animated = static_cast<TAnimatedBody*>(body);
        if (animated->moved) {
            animated->UpdateWorldBoundsImpl();
        }
    }
}

void TSimulator::ClearSubStepAccumulators()
{
    TBodyList* lists[2] = {&rigidBodies, &particles};
    for (TBodyList* list : lists) {
        for (TBody* body = list->head; body != nullptr; body = body->listNext) {
            TRigidBody* rigid = static_cast<TRigidBody*>(body);
            rigid->subStepForce = TVec4{};
            rigid->subStepTorque = TVec4{};
        }
    }
}

void TSimulator::RunConstraintPreSteps()
{
    for (TConstraintSet* set = setHead; set != nullptr; set = set->next) {
        for (TConstraint* constraint = set->constraintHead; constraint != nullptr; constraint = constraint->nextInSet) {
            if (constraint->enabled) {
                constraint->PreStep();
            }
        }
    }
}

void TSimulator::IntegrateVelocities()
{
    restingBodyCount = 0;
    for (TBody* body = rigidBodies.head; body != nullptr; body = body->listNext) {
        static_cast<TRigidBody*>(body)->IntegrateVelocity(dt);
    }
    for (TBody* body = particles.head; body != nullptr; body = body->listNext) {
        static_cast<TRigidBody*>(body)->IntegrateVelocity(dt);
    }
}

// A stack is gathered into at most one island per sub-step; the flag must not outlive it.
void TSimulator::ClearStackQueuedFlags()
{
    groundStack.queued = 0;
    for (TStack* stack = stackHead; stack != nullptr; stack = stack->next) {
        stack->queued = 0;
    }
}

void TSimulator::RestTestAndIntegratePositions()
{
    TBodyList* lists[2] = {&rigidBodies, &particles};
    for (TBodyList* list : lists) {
        for (TBody* body = list->head; body != nullptr; body = body->listNext) {
            TRigidBody* rigid = static_cast<TRigidBody*>(body);
            rigid->integrated = 1;
            if (rigid->status == TREST_RESTING) {
                continue;
            }
            if (rigid->constraintSet == nullptr) {
                rigid->TestRest();
            }
            if (rigid->status != TREST_RESTING) {
                rigid->IntegratePosition(dt);
            }
        }
    }
}

void TSimulator::RunConstraintPostSteps()
{
    for (TConstraintSet* set = setHead; set != nullptr; set = set->next) {
        for (TConstraint* constraint = set->constraintHead; constraint != nullptr; constraint = constraint->nextInSet) {
            if (constraint->enabled) {
                constraint->PostStep();
            }
        }
    }
}

void TSimulator::ReportAdvance()
{
    double total = perfTimer->Total();
    if (report->mode == 1) {
        report->values[0] = float(total);
        return;
    }
    if (total < 100.0) {
        report->count += 1;
        report->values[10] += float(total);
        report->values[0] = report->values[10] / float(report->count);
    }
}

#include "physics/TConstraintSet.h"

#include "physics/TBody.h"
#include "physics/TConstraint.h"
#include "physics/TRigidBody.h"

void TConstraintSet::AppendConstraint(TConstraint* constraint)
{
    constraint->set = this;
    constraint->nextInSet = nullptr;
    constraint->prevInSet = constraintTail;
    if (constraintTail != nullptr) {
        constraintTail->nextInSet = constraint;
    } else {
        constraintHead = constraint;
    }
    constraintTail = constraint;
}

void TConstraintSet::RemoveConstraint(TConstraint* constraint)
{
    if (constraint->prevInSet != nullptr) {
        constraint->prevInSet->nextInSet = constraint->nextInSet;
    } else {
        constraintHead = constraint->nextInSet;
    }
    if (constraint->nextInSet != nullptr) {
        constraint->nextInSet->prevInSet = constraint->prevInSet;
    } else {
        constraintTail = constraint->prevInSet;
    }
    constraint->nextInSet = nullptr;
    constraint->prevInSet = nullptr;
    constraint->set = nullptr;
}

void TConstraintSet::AppendBody(TBody* body)
{
    body->constraintSet = this;
    body->setNext = nullptr;
    body->setPrev = bodyTail;
    if (bodyTail != nullptr) {
        bodyTail->setNext = body;
    } else {
        bodyHead = body;
    }
    bodyTail = body;
    ++bodyCount;
}

void TConstraintSet::RemoveBody(TBody* body)
{
    if (body->setPrev != nullptr) {
        body->setPrev->setNext = body->setNext;
    } else {
        bodyHead = body->setNext;
    }
    if (body->setNext != nullptr) {
        body->setNext->setPrev = body->setPrev;
    } else {
        bodyTail = body->setPrev;
    }
    body->setNext = nullptr;
    body->setPrev = nullptr;
    body->constraintSet = nullptr;
    --bodyCount;
}

void TConstraintSet::Gather(int32_t* n)
{
    for (TConstraint* constraint = constraintHead; constraint != nullptr; constraint = constraint->nextInSet) {
        if (!constraint->enabled) {
            continue;
        }
        constraint->UpdateFrames();
        constraint->UpdateAnchors();
        constraint->BuildRows();
        if (constraint->iterationCount > *n) {
            *n = constraint->iterationCount;
        }
    }
    visited = 1;
}

bool TConstraintSet::AllReadyToRest()
{
    bool ready = true;
    for (TBody* body = bodyHead; body != nullptr; body = body->setNext) {
        if (body->IsRigid() && !static_cast<TRigidBody*>(body)->TestRestOverSteps()) {
            ready = false; // every body is tested: each failure resets its reference
        }
    }
    return ready;
}

void TConstraintSet::PutAllToRest(int onlyIfStackAllows)
{
    for (TBody* body = bodyHead; body != nullptr; body = body->setNext) {
        if (!body->IsRigid()) {
            continue;
        }
        TRigidBody* rigid = static_cast<TRigidBody*>(body);
        if (onlyIfStackAllows && !rigid->CheckCachedContactsStill()) {
            continue;
        }
        rigid->PutToRest();
    }
}

void TConstraintSet::WakeAll()
{
    for (TBody* body = bodyHead; body != nullptr; body = body->setNext) {
        if (body->IsRigid()) {
            static_cast<TRigidBody*>(body)->status = TREST_AWAKE;
        }
    }
}

void TConstraintSet::Clear()
{
    while (bodyHead != nullptr) {
        RemoveBody(bodyHead);
    }
    constraintHead = nullptr;
    constraintTail = nullptr;
    visited = 0;
    flags = 1;
}

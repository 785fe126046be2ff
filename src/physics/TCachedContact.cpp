#include "physics/TCachedContact.h"

#include "physics/TAnimatedBody.h"
#include "physics/TRigidBody.h"
#include "physics/TSimulator.h"

TVec4* TCachedContact::GetWorldPoint(TVec4* out)
{
    const TMat34& rotation = other->Rotation();
    worldNormal = Rotate(rotation, otherNormal);
    *out = Rotate(rotation, otherPoint) + other->Position();
    return out;
}

void TCachedContact::Unlink()
{
    if (kind != TCACHED_FREE && other != nullptr) {
        if (prev != nullptr) {
            prev->next = next;
        } else {
            other->restingHead = next;
        }
        if (next != nullptr) {
            next->prev = prev;
        } else {
            other->restingTail = prev;
        }
        --other->restingCount;
    }
    next = nullptr;
    prev = nullptr;
    kind = TCACHED_FREE;
    step = 0;
    other = nullptr;
}

bool TCachedContact::IsSupportStill() const
{
    if (kind == TCACHED_FIXED_SUPPORT) {
        return true;
    }
    if (other == nullptr) {
        return false;
    }
    if (other->IsRigid()) {
        return static_cast<const TRigidBody*>(other)->status == TREST_RESTING;
    }
    return static_cast<const TAnimatedBody*>(other)->moved == 0;
}

bool TCachedContact::IsSupportActive(const TSimulator* simulator) const
{
    if (other == nullptr) {
        return false;
    }
    if (simulator->IsTerrainBody(other)) {
        return true;
    }
    return other->IsInUse() && other->active != 0;
}

// The body-body pass: every overlapping pair of the broad phase that can change something is tested,
// and its contact is resolved and/or reported as the collision table says.

#include "physics/TSimulator.h"

#include <cmath>

namespace {

bool IsValidNormal(const TVec4& n)
{
    if (!IsFinite3(n)) {
        return false;
    }
    return std::fabs(n.x) >= 1e-6f || std::fabs(n.y) >= 1e-6f || std::fabs(n.z) >= 1e-6f;
}

bool IsResting(const TBody* body)
{
    return body->IsRigid() && static_cast<const TRigidBody*>(body)->status == TREST_RESTING;
}

bool WasCorrected(const TBody* body)
{
    return body->IsRigid() && static_cast<const TRigidBody*>(body)->correctedBefore != 0;
}

} // namespace

void TSimulator::CollideBodyPairs()
{
    for (int32_t pair = broadPhase.FirstPair(); pair >= 0; pair = broadPhase.NextPair(pair)) {
        CollideBodyPair(broadPhase.PairBodyA(pair), broadPhase.PairBodyB(pair));
    }
}

void TSimulator::CollideBodyPair(TBody* a, TBody* b)
{
    if (!a->IsRigid() && !b->IsRigid()) {
        return;
    }
    uint32_t response;
    if (a->collisionId == TERRAIN_COLLISION_ID && b->collisionId == TERRAIN_COLLISION_ID) {
        return;
    }
    response = collisionTable.Get(a->collisionId, b->collisionId);
    if (response == TCOLLISION_NONE) {
        return;
    }
    if (a->IsRigid() && b->IsRigid()) {
        if (a->constraintSet != nullptr && a->constraintSet == b->constraintSet) {
            if (!(a->collideJoined && b->collideJoined)) {
                return;
            }
            if (IsResting(a) && IsResting(b)) {
                return;
            }
        } else if (IsResting(a) && IsResting(b) && !WasCorrected(a) && !WasCorrected(b)) {
            return;
        }
    } else {
        TBody* rigid = a->IsRigid() ? a : b;
        const TAnimatedBody* animated = static_cast<const TAnimatedBody*>(a->IsRigid() ? b : a);
        if (IsResting(rigid) && !WasCorrected(rigid) && !animated->moved) {
            return;
        }
    }

    TContact contact{};
    narrowPhase.CollideGeometrySets(&contact, &a->bounds, a->WorldTransform(), &b->bounds, b->WorldTransform());
    if (a->probes != nullptr) {
        TProbe::TestGeometries(a->probes, a->WorldTransform(), &b->bounds, b->WorldTransform(), b);
    }
    if (b->probes != nullptr) {
        TProbe::TestGeometries(b->probes, b->WorldTransform(), &a->bounds, a->WorldTransform(), a);
    }
    if (!contact.collided) {
        return;
    }
    contact.bodyA = a;
    contact.bodyB = b;
    ComputeRelativeVelocity(&contact);
    if ((response & TCOLLISION_RESOLVE) && IsValidNormal(contact.normal)) {
        RegisterContact(a, b, &contact);
    }
    if ((response & TCOLLISION_CALLBACK) && collisionCallback != nullptr) {
        FillCollisionInfo(&pairInfo, contact, a, b, a->IsRigid() ? TCOLLISION_KIND_RIGID : TCOLLISION_KIND_ANIMATED,
                          b->IsRigid() ? TCOLLISION_KIND_RIGID : TCOLLISION_KIND_ANIMATED);
        pairInfo.geometryB = contact.geometryB;
        collisionCallback(&pairInfo);
    }
}

void TSimulator::FillCollisionInfo(TCollisionInfo* info, const TContact& contact, TBody* a, void* b, int32_t kindA,
                                   int32_t kindB)
{
    info->bodyA = a;
    info->bodyB = b;
    info->kindA = kindA;
    info->kindB = kindB;
    info->geometryA = contact.geometryA;
    info->geometryB = nullptr;
    info->materialA = contact.materialA;
    info->materialB = contact.materialB;
    info->localPointA = contact.localPointA;
    info->localPointB = contact.localPointB;
    info->worldPointA = contact.worldPointA;
    info->worldPointB = contact.worldPointB;
    info->contactVelocity = contact.relativeVelocity;
    info->normal = contact.normal;
}

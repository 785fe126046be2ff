// A rigid body's remembered resting contacts and its place in the resting stacks.

#include "physics/ContactRecord.h"
#include "physics/TRigidBody.h"
#include "physics/TSimulator.h"
#include "physics/TStack.h"
#include "physics/TStackNode.h"

#include <cmath>

namespace {
const char* const STACK_FULL = "Stacking Buffer full Error. Please contact techincal support\n";
}

int TRigidBody::CachedContactCount() const
{
    int count = 0;
    for (const TCachedContact& slot : cache) {
        count += slot.IsUsed() ? 1 : 0;
    }
    return count;
}

// The contact is seen from this body: side A is this body, side B the support.
void TRigidBody::CacheRestingContact(const TContact& contact, TBody* support)
{
    TCachedContact* chosen = nullptr;
    TCachedContact* shallowest = nullptr;
    TCachedContact* freeSlot = nullptr;
    for (TCachedContact& slot : cache) {
        if (!slot.IsUsed()) {
            freeSlot = &slot;
            continue;
        }
        if (shallowest == nullptr || slot.ranking < shallowest->ranking) {
            shallowest = &slot;
        }
        if (LengthSquared3(contact.localPointA - slot.point) < 0.0025f) {
            chosen = &slot;
            break;
        }
    }
    if (chosen != nullptr) {
        chosen->Unlink();
    } else if (freeSlot != nullptr) {
        chosen = freeSlot;
    } else {
        chosen = shallowest;
        chosen->Unlink();
    }
    const TMat34& supportRotation = support->Rotation();
    chosen->point = contact.localPointA;
    chosen->otherPoint =
        InverseTransformPoint(MakeTransform(supportRotation, support->Position()), contact.worldPointB);
    chosen->otherNormal = RotateInverse(supportRotation, contact.normal);
    chosen->worldNormal = contact.normal;
    chosen->ranking = contact.depth;
    chosen->materialA = contact.materialA;
    chosen->materialB = contact.materialB;
    chosen->owner = this;
    chosen->other = support;
    chosen->step = simulator->advanceCount;
    chosen->kind = support->IsRigid() ? TCACHED_RIGID_SUPPORT : TCACHED_ANIMATED_SUPPORT;
    chosen->next = nullptr;
    chosen->prev = support->restingTail;
    if (support->restingTail != nullptr) {
        support->restingTail->next = chosen;
    } else {
        support->restingHead = chosen;
    }
    support->restingTail = chosen;
    ++support->restingCount;
}

bool TRigidBody::JoinStack(const TContact& contact, TBody* support)
{
    TStackNode* node = simulator->TakeStackNode();
    if (node == nullptr) {
        simulator->Message(STACK_FULL);
        return false;
    }
    node->body = this;
    node->top = 0;
    stackNode = node;
    CacheRestingContact(contact, support);
    cacheChanged = 1;
    TStack* ground = &simulator->groundStack;
    if (!support->IsRigid()) {
        ground->AddNode(node);
        return true;
    }
    TRigidBody* rigidSupport = static_cast<TRigidBody*>(support);
    TStackNode* supportNode = rigidSupport->stackNode;
    if (supportNode != nullptr && !supportNode->stack->ground) {
        supportNode->stack->AddNode(node);
    } else if (supportNode != nullptr) {
        TStack* stack = simulator->TakeStack();
        if (stack != nullptr) {
            ground->RemoveNode(supportNode);
            stack->AddNode(node);
            stack->AddNode(supportNode);
        } else {
            ground->AddNode(node);
        }
    } else {
        // The support is in no stack yet: this body waits with the ground-stack bodies.
        ground->AddNode(node);
    }
    if (rigidSupport->constraintSet == nullptr) {
        rigidSupport->Wake();
    }
    return true;
}

bool TRigidBody::AddRestingContact(const TContact& contact, TBody* support)
{
    if (stackNode == nullptr) {
        return JoinStack(contact, support);
    }
    TStackNode* node = stackNode;
    node->top = 0;
    CacheRestingContact(contact, support);
    cacheChanged = 1;
    if (!support->IsRigid()) {
        return true;
    }
    TStack* ground = &simulator->groundStack;
    TRigidBody* rigidSupport = static_cast<TRigidBody*>(support);
    TStackNode* supportNode = rigidSupport->stackNode;
    if (supportNode == nullptr) {
        supportNode = simulator->TakeStackNode();
        if (supportNode == nullptr) {
            simulator->Message(STACK_FULL);
            return false;
        }
        supportNode->body = rigidSupport;
        supportNode->top = 1;
        rigidSupport->stackNode = supportNode;
        if (node->stack->ground) {
            TStack* stack = simulator->TakeStack();
            if (stack == nullptr) {
                ground->AddNode(supportNode);
                return true;
            }
            ground->RemoveNode(node);
            stack->AddNode(node);
        }
        node->stack->AddNode(supportNode);
        return true;
    }
    TStack* own = node->stack;
    TStack* other = supportNode->stack;
    if (own == other) {
        if (own->ground) {
            TStack* stack = simulator->TakeStack();
            if (stack != nullptr) {
                ground->RemoveNode(node);
                ground->RemoveNode(supportNode);
                stack->AddNode(node);
                stack->AddNode(supportNode);
            }
        }
        return true;
    }
    if (other->ground) {
        ground->RemoveNode(supportNode);
        own->AddNode(supportNode);
    } else if (own->ground) {
        ground->RemoveNode(node);
        other->AddNode(node);
    } else {
        other->MergeInto(own);
        simulator->GiveStack(other);
    }
    return true;
}

void TRigidBody::QueueStack()
{
    TStackNode* node = stackNode;
    if (node == nullptr) {
        return;
    }
    if (node->stack->ground) {
        if (cacheChanged) {
            cacheChanged = 0;
            ResolveCachedContacts(1);
        }
        return;
    }
    if (!node->stack->queued) {
        node->stack->queued = 1;
        simulator->PushIslandStack(node->stack);
    }
}

void TRigidBody::ReleaseStackNode()
{
    TStackNode* node = stackNode;
    if (node == nullptr) {
        return;
    }
    if (node->stack != nullptr) {
        node->stack->RemoveNode(node);
    }
    simulator->GiveStackNode(node);
    stackNode = nullptr;
}

void TRigidBody::ClearContactCache()
{
    for (TCachedContact& slot : cache) {
        slot.Unlink();
    }
    resolvedCount = 0;
}

void TRigidBody::UpdateCachedContactPoint(TCachedContact* slot)
{
    slot->ownerWorld = Rotate(state.rotation, slot->point) + state.position;
    slot->GetWorldPoint(&slot->supportWorld);
    slot->difference = slot->ownerWorld - slot->supportWorld;
    slot->separation = Dot3(slot->difference, slot->worldNormal);
    TVec4 across = slot->difference - slot->worldNormal * slot->separation;
    slot->drift = LengthSquared3(across);
}

int TRigidBody::UpdateContactCache()
{
    if (stackNode == nullptr) {
        return 0;
    }
    int count = 0;
    if (status == TREST_RESTING && cacheChanged == 0) {
        for (const TCachedContact& slot : cache) {
            if (!slot.IsUsed()) {
                continue;
            }
            if (!slot.IsSupportStill()) {
                break;
            }
            ++count;
        }
        return count;
    }
    const TVec4& down = simulator->gravityDirection;
    for (TCachedContact& slot : cache) {
        if (!slot.IsUsed()) {
            continue;
        }
        if (!slot.IsSupportActive(simulator)) {
            slot.Unlink();
            resolvedCount = 0;
            continue;
        }
        UpdateCachedContactPoint(&slot);
        if (Dot3(slot.worldNormal, down) > 0.0f || slot.separation > 0.01f || slot.drift > 0.001f) {
            slot.Unlink();
            resolvedCount = 0;
            continue;
        }
        ++count;
    }
    stackNode->unsupported = count == 0 ? 1 : 0;
    return count;
}

int TRigidBody::ResolveCachedContacts(int flag)
{
    int candidates[CACHED_CONTACT_COUNT];
    int candidateCount = 0;
    for (int i = 0; i < CACHED_CONTACT_COUNT; ++i) {
        TCachedContact& slot = cache[i];
        if (!slot.IsUsed()) {
            continue;
        }
        if (!slot.IsSupportActive(simulator)) {
            slot.Unlink();
            continue;
        }
        UpdateCachedContactPoint(&slot);
        if (slot.drift > 0.025f) {
            slot.Unlink();
            resolvedCount = 0;
            continue;
        }
        candidates[candidateCount++] = i;
    }
    resolvedCount = 0;
    if (candidateCount == 0) {
        return 0;
    }

    auto resolve = [&](TCachedContact& slot, float weight) {
        TContact row{};
        row.kind = TCONTACT_RESTING;
        row.worldPointA = slot.ownerWorld;
        row.worldPointB = slot.supportWorld;
        row.armA = slot.ownerWorld - state.position;
        row.armB = slot.supportWorld - slot.other->Position();
        row.normal = slot.worldNormal;
        row.materialA = slot.materialA;
        row.materialB = slot.materialB;
        row.depth = -slot.separation;
        row.bodyA = this;
        row.bodyB = slot.other;
        row.weight = weight;
        if (flag != 0 || !CheckRestingBodies(&row)) {
            ApplyConstraintRecord(&row, 0, 0);
            simulator->PushContactRow(row);
        }
    };

    if (candidateCount == 1 && cache[candidates[0]].separation < 0.0f) {
        resolve(cache[candidates[0]], 1.0f);
        return 1;
    }
    TVec4 normalSum;
    for (int c = 0; c < candidateCount; ++c) {
        TCachedContact& slot = cache[candidates[c]];
        float s = slot.separation;
        float weight;
        if (s <= 0.0f) {
            weight = 1.0f;
        } else if (s <= 0.01f) {
            float w = (0.01f - s) * 100.0f;
            weight = w * w * w;
        } else {
            continue;
        }
        resolve(slot, weight);
        resolvedOrder[resolvedCount++] = candidates[c];
        normalSum += slot.worldNormal;
    }
    if (resolvedCount > 0) {
        supportNormal = Normalize3(normalSum);
        if (Dot3(simulator->gravityDirection, supportNormal) < 0.0f) {
            supportNormal = -supportNormal;
        }
    }
    return resolvedCount;
}

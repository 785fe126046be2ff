// Registering a found contact: the impulse that stops the approach, and the hand-over of a resting contact
// to the stacking code of the body that lies on top.

#include "physics/ContactRecord.h"
#include "physics/TSimulator.h"

namespace {

// The same contact seen from the other side: A and B exchanged, the normal reversed.
TContact Reversed(const TContact& c)
{
    TContact r = c;
    r.armA = c.armB;
    r.armB = c.armA;
    r.localPointA = c.localPointB;
    r.localPointB = c.localPointA;
    r.worldPointA = c.worldPointB;
    r.worldPointB = c.worldPointA;
    r.normal = -c.normal;
    r.relativeVelocity = -c.relativeVelocity;
    r.materialA = c.materialB;
    r.materialB = c.materialA;
    r.bodyA = c.bodyB;
    r.bodyB = c.bodyA;
    r.geometryA = c.geometryB;
    r.geometryB = c.geometryA;
    return r;
}

} // namespace

void TSimulator::ComputeRelativeVelocity(TContact* contact) const
{
    TVec4 velocity;
    if (contact->bodyA != nullptr && contact->bodyA->IsRigid()) {
        const TRigidBody* a = static_cast<const TRigidBody*>(contact->bodyA);
        velocity += a->velocity + Cross3(a->angularVelocity, contact->armA);
    }
    if (contact->bodyB != nullptr && contact->bodyB->IsRigid()) {
        const TRigidBody* b = static_cast<const TRigidBody*>(contact->bodyB);
        velocity -= b->velocity + Cross3(b->angularVelocity, contact->armB);
    }
    contact->relativeVelocity = velocity;
}

void TSimulator::CorrectPosition(TRigidBody* body, const TVec4& offset)
{
    body->state.position += offset;
    body->state.position.w = 1.0f;
    body->correctedNow = 1;
}

void TSimulator::RegisterContact(TBody* a, TBody* b, TContact* contact)
{
    if (!a->IsRigid() && !b->IsRigid()) {
        contact->relativeVelocity = TVec4{};
        return;
    }
    if (a->SharesConstraintWith(b)) {
        return;
    }
    contact->bodyA = a;
    contact->bodyB = b;
    contact->kind = TCONTACT_CONTACT;
    if (a->IsRigid() && b->IsParticle()) {
        ApplyConstraintRecord(contact, 0, 0);
        ResolveContact(a, b, contact, 1, 1.0f);
        TRigidBody* particle = static_cast<TRigidBody*>(b);
        particle->state.position -= contact->normal * contact->depth;
        particle->state.position.w = 1.0f;
        return;
    }
    ComputeRelativeVelocity(contact);
    // A normal that opposes gravity means A lies on B.
    bool aOnB = Dot3(contact->normal, gravityDirection) <= 0.0f;
    if (aOnB) {
        if (a->IsRigid()) {
            ApplyConstraintRecord(contact, 0, 0);
            ResolveContact(a, b, contact, 1, 1.0f);
            static_cast<TRigidBody*>(a)->AddRestingContact(*contact, b);
        } else {
            CorrectPosition(static_cast<TRigidBody*>(b), -contact->normal * contact->depth);
            ApplyConstraintRecord(contact, 0, 0);
            ResolveContact(a, b, contact, 1, 1.0f);
        }
        return;
    }
    if (b->IsRigid()) {
        TContact reversed = Reversed(*contact);
        ApplyConstraintRecord(&reversed, 0, 0);
        ResolveContact(b, a, &reversed, 1, 1.0f);
        static_cast<TRigidBody*>(b)->AddRestingContact(reversed, a);
    } else {
        CorrectPosition(static_cast<TRigidBody*>(a), contact->normal * contact->depth);
        ApplyConstraintRecord(contact, 0, 0);
        ResolveContact(a, b, contact, 1, 1.0f);
    }
}

// The island solver: sequential impulses on joint rows and resting-contact rows, two passes of a fixed
// number of iterations; joint and limit errors enter as a velocity bias of one half, capped.

#include "physics/ContactRecord.h"
#include "physics/TSimulator.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float BIAS_POINT = 0.5f;
constexpr float BIAS_CONTACT = 0.5f;
constexpr float BIAS_LIMIT = 0.5f;
constexpr float CORRECTION_CAP = 0.05f;
constexpr float DEPTH_ALLOWANCE = 0.001f;
constexpr int32_t DEFAULT_ITERATIONS = 4;

TRigidBody* RigidOf(TBody* body)
{
    return body != nullptr && body->IsRigid() ? static_cast<TRigidBody*>(body) : nullptr;
}

TVec4 PointVelocity(const TRigidBody* body, const TVec4& arm)
{
    return body->velocity + Cross3(body->angularVelocity, arm);
}

TVec4 RelativeVelocityAt(const TContact* row)
{
    TVec4 u;
    if (const TRigidBody* a = RigidOf(row->bodyA)) {
        u += PointVelocity(a, row->armA);
    }
    if (const TRigidBody* b = RigidOf(row->bodyB)) {
        u -= PointVelocity(b, row->armB);
    }
    return u;
}

TVec4 ToContactCoordinates(const TContact* row, const TVec4& v)
{
    return Vec(Dot3(v, row->tangent1), Dot3(v, row->tangent2), Dot3(v, row->normal));
}

TVec4 FromContactCoordinates(const TContact* row, const TVec4& p)
{
    return row->tangent1 * p.x + row->tangent2 * p.y + row->normal * p.z;
}

// Velocity change of a rigid body by an impulse at an arm; the quaternion rate is left for later.
void PushBody(TRigidBody* body, const TVec4& impulse, const TVec4& arm)
{
    body->velocity += impulse * body->inverseMass;
    body->state.angularMomentum += Cross3(arm, impulse);
    body->angularVelocity = body->WorldInverseInertiaTimes(body->state.angularMomentum);
    body->angularVelocity.w = 0.0f;
}

} // namespace

void TSimulator::ApplyRowImpulse(TContact* row, const TVec4& impulse, bool toB)
{
    if (TRigidBody* a = RigidOf(row->bodyA)) {
        PushBody(a, impulse, row->armA);
    }
    if (toB) {
        if (TRigidBody* b = RigidOf(row->bodyB)) {
            PushBody(b, -impulse, row->armB);
        }
    }
}

void TSimulator::ClearLooseGroup()
{
    looseGroup.Clear();
}

void TSimulator::ResetIsland()
{
    islandStacks.Clear();
    islandSets.Clear();
    ClearLooseGroup();
    jointRows.Clear();
    contactRows.Clear();
}

void TSimulator::SolveConstraintSets()
{
    if (setCount == 0) {
        return;
    }
    for (TConstraintSet* set = setHead; set != nullptr; set = set->next) {
        set->visited = 0;
    }
    for (TConstraintSet* set = setHead; set != nullptr; set = set->next) {
        if (set->visited) {
            continue;
        }
        ResetIsland();
        islandSets.Push(set);
        int awake = 0;
        for (TBody* body = set->bodyHead; body != nullptr; body = body->setNext) {
            if (body->IsRigid() && static_cast<TRigidBody*>(body)->status != TREST_RESTING) {
                ++awake;
            }
        }
        if (awake == 0) {
            continue;
        }
        int32_t n = -1;
        set->Gather(&n);
        ExtendIsland(&n);
        SolveIsland(n);
        IslandRestDecision();
    }
    ClearLooseGroup();
    islandSets.Clear();
    islandStacks.Clear();
}

void TSimulator::ExtendIsland(int32_t* n)
{
    for (int32_t i = 0; i < islandStacks.Count(); ++i) {
        TStack* stack = islandStacks[i];
        stack->ResolveContacts();
        for (TStackNode* node = stack->head; node != nullptr; node = node->next) {
            TConstraintSet* set = node->body->constraintSet;
            if (set != nullptr && set != &looseGroup && !set->visited) {
                set->Gather(n);
                islandSets.Push(set);
            }
        }
    }
}

void TSimulator::SolveIsland(int32_t n)
{
    passFlag = 0;
    if (jointRows.Count() == 0 && contactRows.Count() == 0) {
        return;
    }
    if (n <= 0) {
        n = DEFAULT_ITERATIONS;
    }
    finalIteration = 0;
    int32_t reprepare = n >= 2 ? n - 2 : -1;
    for (int pass = 0; pass < 2; ++pass) {
        if (pass == 1) {
            passFlag = 1;
        }
        for (int32_t i = 0; i < n; ++i) {
            if (pass == 1 && i == n - 1) {
                if (reprepare < 0) {
                    for (int32_t r = 0; r < contactRows.Count(); ++r) {
                        if (contactRows[r].kind == TCONTACT_RESTING) {
                            ApplyConstraintRecord(&contactRows[r], 0, 1);
                        }
                    }
                }
                finalIteration = 1;
            }
            for (int32_t r = 0; r < jointRows.Count(); ++r) {
                SolveRecord(&jointRows[r]);
            }
            for (int32_t r = contactRows.Count() - 1; r >= 0; --r) {
                SolveRecord(&contactRows[r]);
            }
            if (pass == 1 && i == reprepare) {
                for (int32_t r = 0; r < contactRows.Count(); ++r) {
                    if (contactRows[r].kind == TCONTACT_RESTING) {
                        ApplyConstraintRecord(&contactRows[r], 0, 1);
                    }
                }
            }
        }
    }
    finalIteration = 0;
    jointRows.Clear();
    contactRows.Clear();
}

void TSimulator::SolveRecord(TContact* row)
{
    switch (row->kind) {
    case TCONTACT_RESTING:
    case TCONTACT_POINT_ROW:
    case TCONTACT_LINE_ROW: {
        TVec4 u = RelativeVelocityAt(row);
        row->relativeVelocity = u;
        if (row->kind == TCONTACT_RESTING) {
            row->localVelocity = ToContactCoordinates(row, u);
        } else if (row->kind == TCONTACT_LINE_ROW) {
            row->localVelocity = u - row->axis * Dot3(u, row->axis);
        } else {
            row->localVelocity = u;
        }
        break;
    }
    case TCONTACT_LINEAR_LIMIT_ROW:
        row->lineSeparation = -Dot3(RelativeVelocityAt(row), row->axis);
        break;
    case TCONTACT_ANGULAR_LIMIT_ROW: {
        TVec4 spin;
        if (const TRigidBody* a = RigidOf(row->bodyA)) {
            spin += a->angularVelocity;
        }
        if (const TRigidBody* b = RigidOf(row->bodyB)) {
            spin -= b->angularVelocity;
        }
        row->angularSpeed = Dot3(spin, row->axis);
        break;
    }
    default:
        return;
    }
    switch (row->kind) {
    case TCONTACT_RESTING:
        SolveContactRow(row);
        break;
    case TCONTACT_POINT_ROW:
        SolvePointRow(row);
        break;
    case TCONTACT_LINE_ROW:
        SolveLineRow(row);
        break;
    case TCONTACT_LINEAR_LIMIT_ROW:
        SolveLinearLimitRow(row);
        break;
    case TCONTACT_ANGULAR_LIMIT_ROW:
        if (RigidOf(row->bodyA) != nullptr || RigidOf(row->bodyB) != nullptr) {
            SolveAngularLimitRow(row);
        }
        break;
    default:
        break;
    }
}

// Bias of a joint error e: beta * e, its length capped at 0.05.
static TVec4 CappedBias(const TVec4& e, float length)
{
    float scale = BIAS_POINT * length > CORRECTION_CAP ? CORRECTION_CAP / (BIAS_POINT * length) : 1.0f;
    return e * (BIAS_POINT * scale);
}

void TSimulator::SolvePointRow(TContact* row)
{
    TVec4 target = row->localVelocity;
    if (row->depth >= 1e-6f) {
        target = row->localVelocity * BIAS_POINT + CappedBias(row->separation, row->depth) * inverseDt;
    }
    TVec4 impulse = -MultiplyMatrix3(row->inverseMatrix, target);
    ApplyRowImpulse(row, impulse, true);
}

void TSimulator::SolveLineRow(TContact* row)
{
    TVec4 target = row->localVelocity;
    if (row->lineSeparation >= 1e-6f) {
        target = row->localVelocity * BIAS_POINT + CappedBias(row->separation, row->lineSeparation) * inverseDt;
    }
    TVec4 impulse = -MultiplyMatrix3(row->inverseMatrix, target);
    impulse -= row->axis * Dot3(impulse, row->axis);
    ApplyRowImpulse(row, impulse, true);
}

void TSimulator::SolveLinearLimitRow(TContact* row)
{
    float closing = row->lineSeparation;
    float wanted = BIAS_LIMIT * row->depth * inverseDt;
    if (!(wanted > closing)) {
        return;
    }
    float m = wanted - BIAS_LIMIT * closing;
    TVec4 impulse = -MultiplyMatrix3(row->inverseMatrix, row->axis * m);
    ApplyRowImpulse(row, impulse, finalIteration == 0);
}

void TSimulator::SolveAngularLimitRow(TContact* row)
{
    float violation = row->depth;
    float spin = row->angularSpeed;
    if (violation == 0.0f || (violation > 0.0f && !(spin > 0.0f)) || (violation < 0.0f && !(spin < 0.0f))) {
        return;
    }
    float lambda = -BIAS_LIMIT * violation * inverseDt - BIAS_LIMIT * spin;
    TVec4 angularImpulse = MultiplyMatrix3(row->inverseMatrix, row->axis * lambda);
    if (TRigidBody* a = RigidOf(row->bodyA)) {
        a->SetAngularMomentumState(a->state.angularMomentum + angularImpulse);
    }
    if (TRigidBody* b = RigidOf(row->bodyB)) {
        b->SetAngularMomentumState(b->state.angularMomentum - angularImpulse);
    }
}

void TSimulator::SolveContactRow(TContact* row)
{
    TVec4 impulse;
    if (row->localVelocity.z < 0.0f) {
        impulse = ContactResponse(row, passFlag);
        row->localVelocity.z = 0.0f;
    }
    row->depth = std::min(row->depth, CORRECTION_CAP);
    float allowed = row->depth - DEPTH_ALLOWANCE * gravityMagnitude;
    if (row->depth > 0.0f && allowed > 0.0f && passFlag) {
        float wanted = BIAS_CONTACT * inverseDt * allowed;
        float vn = row->localVelocity.z;
        if (wanted > vn) {
            float lambda = wanted - BIAS_CONTACT * vn;
            impulse +=
                Vec(row->inverseMatrix.row[2].x, row->inverseMatrix.row[2].y, row->inverseMatrix.row[2].z) * lambda;
        }
    }
    if (!IsFinite3(impulse)) {
        return;
    }
    TVec4 world = FromContactCoordinates(row, impulse);
    if (row->kind == TCONTACT_RESTING) {
        world = world * row->weight;
    }
    ApplyRowImpulse(row, world, finalIteration == 0);
}

TVec4 TSimulator::ContactResponse(TContact* row, int noBounce)
{
    float frictionA = 0.5f, restitutionA = 0.4f, densityA = 1.0f;
    float frictionB = 0.5f, restitutionB = 0.4f, densityB = 1.0f;
    if (!GetMaterial(row->materialA, &frictionA, &restitutionA, &densityA)) {
        GetMaterial(0, &frictionA, &restitutionA, &densityA);
    }
    if (!GetMaterial(row->materialB, &frictionB, &restitutionB, &densityB)) {
        GetMaterial(0, &frictionB, &restitutionB, &densityB);
    }
    float mu = std::min(frictionA, frictionB);
    float epsilon = noBounce ? 0.0f : std::min(restitutionA, restitutionB);
    float k = row->normalMass;
    if (!(std::fabs(k) > 0.0f)) {
        return TVec4{};
    }
    TVec4 local = row->localVelocity;
    float vn = local.z;
    float u = -vn / k;
    TVec4 sticking = -MultiplyMatrix3(row->inverseMatrix, local) + Vec(0.0f, 0.0f, vn / k);
    float bounce = (1.0f + epsilon) * u;
    TVec4 impulse = sticking + Vec(0.0f, 0.0f, bounce);
    float coneEdge = mu * impulse.z;
    if (coneEdge * coneEdge < impulse.x * impulse.x + impulse.y * impulse.y) {
        float g = std::sqrt(sticking.x * sticking.x + sticking.y * sticking.y) - mu * sticking.z;
        if (std::fabs(g) <= 1e-6f) {
            return TVec4{};
        }
        float scale = bounce * mu / g;
        impulse = Vec(0.0f, 0.0f, bounce) + sticking * scale;
    }
    return impulse;
}

void TSimulator::ResolveContact(TBody* a, TBody* b, TContact* row, int mode, float scale)
{
    TRigidBody* rigidA = RigidOf(a);
    TRigidBody* rigidB = RigidOf(b);
    if (rigidA == nullptr && rigidB == nullptr) {
        return;
    }
    TVec4 u = RelativeVelocityAt(row);
    row->relativeVelocity = u;
    row->localVelocity = ToContactCoordinates(row, u);
    if (mode == 2) {
        // The row solver applies its own impulse.
        SolveContactRow(row);
        return;
    }
    if (row->localVelocity.z >= 0.0f) {
        return;
    }
    TVec4 impulse = ContactResponse(row, 0);
    if (!IsFinite3(impulse)) {
        return;
    }
    TVec4 world = FromContactCoordinates(row, impulse) * scale;
    if (rigidA != nullptr) {
        rigidA->ApplyImpulse(world, row->armA);
    }
    if (rigidB != nullptr) {
        rigidB->ApplyImpulse(-world, row->armB);
    }
}

void TSimulator::IslandRestDecision()
{
    bool ready = true;
    for (int32_t i = 0; i < islandSets.Count(); ++i) {
        if (!islandSets[i]->AllReadyToRest()) {
            ready = false;
        }
    }
    if (!looseGroup.AllReadyToRest()) {
        ready = false;
    }
    for (int32_t i = 0; i < islandSets.Count(); ++i) {
        if (ready) {
            islandSets[i]->PutAllToRest(0);
        } else {
            islandSets[i]->WakeAll();
        }
    }
    if (ready) {
        looseGroup.PutAllToRest(0);
    } else {
        looseGroup.WakeAll();
    }
}

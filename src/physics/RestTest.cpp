// When a rigid body may come to rest: quiet motion, remembered contacts that still hold, and supports
// that carry the load.

#include "physics/ContactRecord.h"
#include "physics/TRigidBody.h"
#include "physics/TSimulator.h"
#include "physics/TStackNode.h"

#include <algorithm>
#include <cmath>

namespace {

struct PlanePoint {
    float u;
    float v;
};

float CrossFromOrigin(const PlanePoint& a, const PlanePoint& b)
{
    return a.u * b.v - a.v * b.u;
}

// Whether the origin lies inside the triangle enlarged by 10 % about its centroid.
bool IsOriginInTriangle(PlanePoint p1, PlanePoint p2, PlanePoint p3)
{
    float cu = (p1.u + p2.u + p3.u) * 0.33333334f;
    float cv = (p1.v + p2.v + p3.v) * 0.33333334f;
    PlanePoint points[3] = {p1, p2, p3};
    for (PlanePoint& p : points) {
        p.u = cu + (p.u - cu) * 1.1f;
        p.v = cv + (p.v - cv) * 1.1f;
    }
    // Edge a->b contains the origin on its left when (b - a) x (0 - a) > 0.
    float e[3];
    for (int i = 0; i < 3; ++i) {
        const PlanePoint& a = points[i];
        const PlanePoint& b = points[(i + 1) % 3];
        PlanePoint ab{b.u - a.u, b.v - a.v};
        PlanePoint ao{-a.u, -a.v};
        e[i] = CrossFromOrigin(ab, ao);
    }
    return (e[0] > 0.0f && e[1] > 0.0f && e[2] > 0.0f) || (e[0] < 0.0f && e[1] < 0.0f && e[2] < 0.0f);
}

TVec4 MeanOf(const TVec4* history)
{
    TVec4 sum;
    for (int i = 0; i < VELOCITY_HISTORY_COUNT; ++i) {
        sum += history[i];
    }
    return sum * (1.0f / float(VELOCITY_HISTORY_COUNT));
}

} // namespace

void TRigidBody::TestRest()
{
    TestRestImpl();
}

void TRigidBody::TestRestImpl()
{
    float threshold = simulator->restSpeedSquared;
    if (LengthSquared3(velocity) < threshold && LengthSquared3(angularVelocity) < threshold) {
        ++restCounter;
    } else {
        TVec4 meanVelocity = MeanOf(velocityHistory);
        const TVec4& down = simulator->gravityDirection;
        float along = Dot3(meanVelocity, down);
        if (along > 0.0f) {
            meanVelocity -= down * along;
        }
        if (LengthSquared3(meanVelocity) > 2.0f) {
            restCounter = 0;
            return;
        }
        if (LengthSquared3(MeanOf(angularVelocityHistory)) > 1.0f) {
            restCounter = 0;
            return;
        }
        ++restCounter;
    }
    if (restCounter > 10 && stackNode != nullptr && CheckCachedContactsStill()) {
        int supports = GetSupportCount();
        if (supports == 3 || (supports == 2 && restCounter > 100)) {
            PutToRest();
        }
    }
}

int TRigidBody::GetSupportCount()
{
    const TVec4& load = subStepForce;
    if (!(std::fabs(load.x) >= 1e-6f || std::fabs(load.y) >= 1e-6f || std::fabs(load.z) >= 1e-6f)) {
        // A body without contacts of its own in a constraint set hangs on its joints: the set decides its rest.
        if (constraintSet != nullptr && CachedContactCount() == 0) {
            return 3;
        }
        return AreCachedContactsTouching() ? 3 : 0;
    }
    if (!IsLoadHeldByFriction(load)) {
        return 0;
    }
    TVec4 direction = Normalize3(load);
    TVec4 t1, t2;
    BuildContactFrame(&t1, &t2, direction);

    PlanePoint points[CACHED_CONTACT_COUNT];
    int count = 0;
    int used = 0;
    for (TCachedContact& slot : cache) {
        if (!slot.IsUsed()) {
            continue;
        }
        ++used;
        if (!slot.IsSupportStill()) {
            continue;
        }
        TVec4 relative = Rotate(state.rotation, slot.point);
        points[count++] = PlanePoint{Dot3(relative, t1), Dot3(relative, t2)};
    }
    if (used == 3 && count == 3) {
        return IsOriginInTriangle(points[0], points[1], points[2]) ? 3 : 0;
    }
    if (used == 2 && count == 2) {
        float du = points[1].u - points[0].u;
        float dv = points[1].v - points[0].v;
        float length = std::sqrt(du * du + dv * dv);
        float distance;
        if (length < 1e-6f) {
            distance = std::sqrt(points[0].u * points[0].u + points[0].v * points[0].v);
        } else {
            distance = std::fabs(CrossFromOrigin(PlanePoint{du, dv}, PlanePoint{-points[0].u, -points[0].v})) / length;
        }
        return distance < 0.005f ? 2 : 0;
    }
    if (used == 1 && count == 1) {
        float distance = std::sqrt(points[0].u * points[0].u + points[0].v * points[0].v);
        return distance < 0.005f ? 1 : 0;
    }
    return 0;
}

namespace {

// Whether a load pressed against a contact of normal n stays inside its friction cone.
bool InsideFrictionCone(const TVec4& load, const TVec4& n, float friction)
{
    float pressing = -Dot3(load, n);
    TVec4 sliding = load + n * pressing;
    return std::sqrt(LengthSquared3(sliding)) <= friction * std::fmax(pressing, 0.0f);
}

} // namespace

// Whether friction at the remembered contacts can hold the load: a body that would slide is never supported.
// The load is held when it fits the friction cone of one contact, of the contacts' mean normal (a body
// in a groove), or when two contacts' cones face each other and squeeze the body between them.
bool TRigidBody::IsLoadHeldByFriction(const TVec4& load)
{
    TVec4 normalSum;
    float friction = -1.0f;
    for (TCachedContact& slot : cache) {
        if (!slot.IsUsed()) {
            continue;
        }
        TVec4 supportPoint;
        slot.GetWorldPoint(&supportPoint);
        normalSum += slot.worldNormal;
        float frictionA = 0.5f, frictionB = 0.5f, restitution, density;
        simulator->GetMaterial(slot.materialA, &frictionA, &restitution, &density);
        simulator->GetMaterial(slot.materialB, &frictionB, &restitution, &density);
        float mu = std::min(frictionA, frictionB);
        friction = friction < 0.0f ? mu : std::min(friction, mu);
    }
    TVec4 normal = Normalize3(normalSum);
    if (friction < 0.0f || LengthSquared3(normal) == 0.0f) {
        return true;
    }
    float facing = -(1.0f - friction * friction) / (1.0f + friction * friction); // -cos(2 atan(mu))
    for (int i = 0; i < CACHED_CONTACT_COUNT; ++i) {
        if (!cache[i].IsUsed()) {
            continue;
        }
        if (InsideFrictionCone(load, cache[i].worldNormal, friction)) {
            return true;
        }
        for (int j = i + 1; j < CACHED_CONTACT_COUNT; ++j) {
            if (cache[j].IsUsed() && Dot3(cache[i].worldNormal, cache[j].worldNormal) <= facing) {
                return true;
            }
        }
    }
    return InsideFrictionCone(load, normal, friction);
}

bool TRigidBody::IsTouchingSupport(TCachedContact& slot) const
{
    TVec4 ownerWorld = Rotate(state.rotation, slot.point) + state.position;
    TVec4 supportWorld;
    slot.GetWorldPoint(&supportWorld);
    return LengthSquared3(ownerWorld - supportWorld) <= 0.002f;
}

bool TRigidBody::AreCachedContactsTouching()
{
    int used = 0;
    for (TCachedContact& slot : cache) {
        if (!slot.IsUsed()) {
            continue;
        }
        ++used;
        bool movedSupport = slot.kind == TCACHED_ANIMATED_SUPPORT && !slot.IsSupportStill();
        if (movedSupport || !IsTouchingSupport(slot)) {
            return false;
        }
    }
    return used > 0;
}

bool TRigidBody::CheckCachedContactsStill()
{
    if (stackNode == nullptr || stackNode->top != 0) {
        return false;
    }
    int used = CachedContactCount();
    if (used < 2) {
        return false;
    }
    for (TCachedContact& slot : cache) {
        if (slot.IsUsed() && !IsTouchingSupport(slot)) {
            ClearContactCache();
            return false;
        }
    }
    return true;
}

bool TRigidBody::IsRestSupported()
{
    float motion = LengthSquared3(velocity) + LengthSquared3(angularVelocity);
    if (motion >= simulator->restSpeedSquared) {
        Wake();
        return false;
    }
    if (!particle && GetSupportCount() == 0) {
        Wake();
        return false;
    }
    StopMotion();
    PrepareForces();
    ++simulator->restingBodyCount;
    return true;
}

bool TRigidBody::TestRestOverSteps()
{
    if (stepsSinceReference < 60) {
        return false;
    }
    float span = simulator->dt * 60.0f;
    if (!(span > 0.0f)) {
        return false;
    }
    float inverseSpan = 1.0f / span;
    if (std::sqrt(LengthSquared3(state.position - restReference.position)) * inverseSpan > restThreshold) {
        ResetRestReference();
        return false;
    }
    if (std::sqrt(LengthSquared3(velocity - restReference.velocity)) * inverseSpan > 5.0f) {
        ResetRestReference();
        return false;
    }
    // Angle between the current and the reference orientation: relative quaternion conj(ref) * q.
    TQuat reference = restReference.orientation;
    reference.x = -reference.x;
    reference.y = -reference.y;
    reference.z = -reference.z;
    TQuat relative = Multiply(reference, state.orientation);
    float vectorSquared = relative.x * relative.x + relative.y * relative.y + relative.z * relative.z;
    float angle = 0.0f;
    float w = std::fabs(relative.w);
    if (vectorSquared >= 1e-6f * 1e-6f && std::fabs(w - 1.0f) >= 1e-6f) {
        angle = 2.0f * std::acos(std::min(1.0f, w));
    }
    if (angle * inverseSpan > 10.0f) {
        ResetRestReference();
        return false;
    }
    if (std::sqrt(LengthSquared3(angularVelocity - restReference.angularVelocity)) * inverseSpan > 10.5f) {
        ResetRestReference();
        return false;
    }
    return true;
}

#include "physics/TBody.h"

#include "physics/TAnimatedBody.h"
#include "physics/TCollisionTable.h"
#include "physics/TConstraint.h"
#include "physics/TRigidBody.h"
#include "physics/TSimulator.h"

#include <cmath>

TConvex* TBody::AddGeometry()
{
    TConvex* geometry = simulator->geometryPool.Take();
    if (geometry == nullptr) {
        simulator->Message("Run out of Geometries. Increase 'geometriesCount'.\n");
        return nullptr;
    }
    geometry->SetDefault();
    geometry->materialIndex = 0;
    geometry->inUse = 1;
    geometry->prev = lastGeometry;
    geometry->next = nullptr;
    if (lastGeometry != nullptr) {
        lastGeometry->next = geometry;
    } else {
        bounds.next = geometry;
    }
    lastGeometry = geometry;
    ++bounds.geometryCount;
    if (active && !simulator->broadPhase.HasNode(bodyIndex)) {
        simulator->broadPhase.AddBody(this, bodyIndex, nullptr);
    }
    return geometry;
}

TConvex* TBody::NextGeometry()
{
    TConvex* current = geometryCursor;
    if (current != nullptr) {
        geometryCursor = current->next;
    }
    return current;
}

void TBody::UpdateBoundingInfo()
{
    bounds.BuildBoundingConvex();
    TVec4 low = Vec(1e6f, 1e6f, 1e6f);
    TVec4 high = Vec(-1e6f, -1e6f, -1e6f);
    bool any = false;
    for (const TConvex* g = bounds.next; g != nullptr; g = g->next) {
        TVec4 gMin, gMax;
        if (g->GetLocalBounds(&gMin, &gMax)) {
            low = Min3(low, gMin);
            high = Max3(high, gMax);
            any = true;
        }
    }
    for (const TProbe* probe = probes; probe != nullptr; probe = probe->next) {
        TVec4 end = probe->start + probe->direction;
        low = Min3(low, Min3(probe->start, end));
        high = Max3(high, Max3(probe->start, end));
        any = true;
    }
    if (!any) {
        low = TVec4{};
        high = TVec4{};
    }
    localCentre = (low + high) * 0.5f;
    TVec4 half = (high - low) * 0.5f;
    localHalfAxes[0] = Vec(half.x, 0, 0);
    localHalfAxes[1] = Vec(0, half.y, 0);
    localHalfAxes[2] = Vec(0, 0, half.z);
}

void TBody::SetCollisionId(int id)
{
    if (TCollisionTable::IsValidId(id)) {
        collisionId = id;
    }
}

bool TBody::IsParticle() const
{
    return kind == TBODY_RIGID && static_cast<const TRigidBody*>(this)->particle != 0;
}

bool TBody::IsInUse() const
{
    return simulator != nullptr && simulator->IsBodyInUse(this);
}

bool TBody::SharesConstraintWith(const TBody* other) const
{
    for (const TConstraintLink* link = constraintHead; link != nullptr; link = link->next) {
        const TConstraint* constraint = link->owner;
        if (constraint->bodyA == other || constraint->bodyB == other) {
            return true;
        }
    }
    return false;
}

const TMat34& TBody::Rotation() const
{
    if (kind == TBODY_RIGID) {
        return static_cast<const TRigidBody*>(this)->state.rotation;
    }
    return static_cast<const TAnimatedBody*>(this)->rotation;
}

const TVec4& TBody::Position() const
{
    if (kind == TBODY_RIGID) {
        return static_cast<const TRigidBody*>(this)->state.position;
    }
    return static_cast<const TAnimatedBody*>(this)->position;
}

void TBody::ComputeWorldBox()
{
    const TMat34& rotation = Rotation();
    TVec4 centre = Rotate(rotation, localCentre) + Position();
    TVec4 extent;
    for (int i = 0; i < 3; ++i) {
        TVec4 axis = Rotate(rotation, localHalfAxes[i]);
        extent.x += std::fabs(axis.x);
        extent.y += std::fabs(axis.y);
        extent.z += std::fabs(axis.z);
    }
    worldMin = centre - extent;
    worldMax = centre + extent;
}

void TBody::UpdateWorldBounds()
{
    if (bounds.geometryCount <= 0) {
        return;
    }
    ComputeWorldBox();
    if (bodyIndex >= 0 && simulator->broadPhase.State(bodyIndex) == TBROADPHASE_INSERTED) {
        simulator->broadPhase.SetBounds(bodyIndex, worldMin, worldMax);
    }
}

void TBody::LinkConstraint(TConstraintLink* link)
{
    link->next = nullptr;
    link->prev = constraintTail;
    if (constraintTail != nullptr) {
        constraintTail->next = link;
    } else {
        constraintHead = link;
    }
    constraintTail = link;
    ++constraintCount;
}

void TBody::UnlinkConstraint(TConstraintLink* link)
{
    if (link->prev != nullptr) {
        link->prev->next = link->next;
    } else {
        constraintHead = link->next;
    }
    if (link->next != nullptr) {
        link->next->prev = link->prev;
    } else {
        constraintTail = link->prev;
    }
    link->next = nullptr;
    link->prev = nullptr;
    --constraintCount;
}

TMat34 TBody::RotationFromRows(const float rows[3][4])
{
    TMat34 rotation;
    for (int i = 0; i < 3; ++i) {
        rotation.row[i] = Vec(rows[i][0], rows[i][1], rows[i][2], rows[i][3]);
    }
    return rotation;
}

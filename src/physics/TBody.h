#pragma once
// The head shared by rigid and animated bodies: geometries, bounds, joints and bookkeeping.

#include "physics/TConstraintLink.h"
#include "physics/TConvex.h"
#include "physics/TMath.h"

#include <cstdint>

class TSimulator;
class TConstraintSet;
class TProbe;
struct TCachedContact;

enum TBodyKind : int32_t {
    TBODY_ANIMATED = 0,
    TBODY_RIGID = 1,
};

class TBody {
public:
    // A new geometry (a unit box until set) at the end of the list, or null when the pool is empty.
    TConvex* AddGeometry();
    // Recomputes the local bounds from the geometries; call after adding or changing them.
    void UpdateBoundingInfo();
    // 0..63 selects a row of the collision table, -1 marks a terrain-like body; other values are refused.
    void SetCollisionId(int id);
    void SetCollideJoined(int flag) { collideJoined = flag; }

    void BeginGeometryIteration() { geometryCursor = bounds.next; }
    TConvex* NextGeometry();

    bool IsRigid() const { return kind == TBODY_RIGID; }
    bool IsParticle() const;
    // Whether this record is a live slot of the pool of its kind (the terrain body always is).
    bool IsInUse() const;
    // Whether one joint stands in both bodies' lists.
    bool SharesConstraintWith(const TBody* other) const;

    // Current pose: a rigid body's state, an animated body's rotation and position.
    const TMat34& Rotation() const;
    const TVec4& Position() const;
    TMat44 WorldTransform() const { return MakeTransform(Rotation(), Position()); }
    // World box from the local box and the pose; also handed to the broad phase.
    void UpdateWorldBounds();
    void ComputeWorldBox();

    // Rows of a 3x4 rotation given as plain floats.
    static TMat34 RotationFromRows(const float rows[3][4]);

    // Joints.
    void LinkConstraint(TConstraintLink* link);
    void UnlinkConstraint(TConstraintLink* link);

    // Constraint set membership (each body of a set is in its body list).
    TBody* setNext = nullptr;
    TBody* setPrev = nullptr;
    TConstraintLink* constraintHead = nullptr;
    TConstraintLink* constraintTail = nullptr;
    int32_t constraintCount = 0;
    TConvex* geometryCursor = nullptr;
    // Bounding record: its next heads the geometry list, its geometryCount counts it.
    TConvex bounds;
    TConvex* lastGeometry = nullptr;

    int32_t bodyIndex = 0;
    int32_t collisionId = 0;
    TConstraintSet* constraintSet = nullptr;
    int32_t kind = TBODY_ANIMATED;
    int32_t active = 1;
    int32_t collideJoined = 0;
    int32_t pairFlag = 0;
    TProbe* probes = nullptr;
    TSimulator* simulator = nullptr;

    // Local box: three half-extent axis vectors and the centre, in the body frame.
    TVec4 localHalfAxes[3];
    TVec4 localCentre;
    TVec4 worldMin;
    TVec4 worldMax;

    // Cached contacts of other bodies that rest on this one.
    TCachedContact* restingHead = nullptr;
    TCachedContact* restingTail = nullptr;
    int32_t restingCount = 0;

    // Links in the simulator's list of bodies of this kind.
    TBody* listNext = nullptr;
    TBody* listPrev = nullptr;
};

#pragma once
// One contact, or one solver row of a joint. The narrow phase fills the points, normal, depth, materials,
// geometries and `collided`; contact registration, record preparation and the solver fill the rest.
// Value-initialise records (TContact{}) so that every word starts at zero.

#include "physics/TMath.h"

#include <cstdint>

class TBody;
class TConvex;
class TConstraint;

// Record kinds.
enum TContactKind : int32_t {
    TCONTACT_NONE = 0,
    TCONTACT_CONTACT = 1,
    TCONTACT_RESTING = 2,
    TCONTACT_POINT_ROW = 3,
    TCONTACT_LINE_ROW = 4,
    TCONTACT_LINEAR_LIMIT_ROW = 5,
    TCONTACT_ANGULAR_LIMIT_ROW = 6,
    TCONTACT_AXIS_FRAME_ROW = 7,
    TCONTACT_ANGULAR_ROW = 8,
    TCONTACT_EMPTY_ROW = 9,
    TCONTACT_SCALAR_ROW = 10,
};

struct TContact {
    TVec4 armA;        // point on A minus A's position (world axes)
    TVec4 armB;        // point on B minus B's position
    TVec4 localPointA; // armA on A's axes
    TVec4 localPointB; // armB on B's axes
    TVec4 worldPointA; // contact point on A
    TVec4 worldPointB; // contact point on B; for a joint row whose B is not rigid, the world pivot
    TVec4 tangent1;
    TVec4 tangent2;
    TVec4 normal;           // unit, from B towards A
    TMat34 frame;           // velocity basis: columns tangent1, tangent2, normal
    TVec4 relativeVelocity; // velocity of the point on A minus that on B (world)
    TVec4 localVelocity;    // relativeVelocity in row coordinates (contacts: normal third)
    TVec4 separation;       // joint rows: pivot A minus pivot B
    TVec4 axis;             // line or limit axis
    TMat34 axisFrame;       // three axis vectors of a kind 7 row
    int32_t materialA = 0;
    int32_t materialB = 0;
    float depth = 0.0f; // penetration; point rows: separation length; limit rows: violation
    int32_t collided = 0;
    TBody* bodyA = nullptr;
    TBody* bodyB = nullptr;
    float ratio = 0.0f;          // compared against 1.0 by the resting check
    float lineSeparation = 0.0f; // line rows; linear limit rows keep their closing speed here
    float angularSpeed = 0.0f;   // angular limit rows
    float normalMass = 0.0f;     // normal effective-mass term
    TConvex* geometryA = nullptr;
    TConvex* geometryB = nullptr; // null for a terrain contact
    uint32_t triangleTag = 0;     // last word of the terrain triangle that produced the contact
    TMat34 collisionMatrix;       // K
    TMat34 inverseMatrix;         // K inverse (M)
    float weight = 0.0f;          // impulse weight of a resting contact
    int32_t kind = TCONTACT_NONE;
    TConstraint* constraint = nullptr; // owning constraint of a limit row
};

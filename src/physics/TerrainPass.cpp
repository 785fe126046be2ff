// The body-terrain pass: every awake rigid body is tested against the terrain triangles under its box.

#include "physics/TSimulator.h"

#include <cmath>

void TSimulator::CollideTerrain()
{
    TBodyList* lists[2] = {&rigidBodies, &particles};
    for (TBodyList* list : lists) {
        for (TBody* body = list->head; body != nullptr; body = body->listNext) {
            CollideBodyWithTerrain(static_cast<TRigidBody*>(body));
        }
    }
    RollCorrectedFlags();
}

void TSimulator::CollideBodyWithTerrain(TRigidBody* body)
{
    if (body->status == TREST_RESTING && !body->correctedBefore) {
        return;
    }
    if (body->bounds.geometryCount <= 0 || triangleStamps == nullptr) {
        return;
    }
    uint32_t response =
        body->collisionId == TERRAIN_COLLISION_ID ? 0u : collisionTable.Get(body->collisionId, TERRAIN_COLLISION_ID);
    if (response == TCOLLISION_NONE) {
        return; // nothing would be done with a contact
    }
    TTerrainTree& tree = broadPhase.GetTerrainTree();
    terrainCells.Clear();
    Mark(7);
    tree.Query(&terrainCells, body->worldMin, body->worldMax);
    Mark(8);
    if (terrainCells.Count() == 0) {
        return;
    }
    // Distinct triangles in the order met; a stamp per triangle replaces the search for duplicates.
    terrainTriangles.Clear();
    if (++gatherStamp == 0) {
        for (int32_t i = 0; i < tree.TriangleCount(); ++i) {
            triangleStamps[i] = 0;
        }
        gatherStamp = 1;
    }
    for (int32_t c = 0; c < terrainCells.Count(); ++c) {
        const TTerrainTreeNode* cell = terrainCells[c];
        for (int32_t t = 0; t < cell->triangleCount; ++t) {
            uint32_t index = cell->triangles[t];
            if (triangleStamps[index] != gatherStamp) {
                triangleStamps[index] = gatherStamp;
                terrainTriangles.Push(index);
            }
        }
    }
    if (terrainTriangles.Count() == 0) {
        return;
    }
    terrainGeometry.SetTriangleSet(terrainTriangles.Data(), terrainTriangles.Count(), tree.Triangles(),
                                   tree.Vertices());
    TMat44 terrainWorld = IdentityMat44();
    TContact contact{};
    narrowPhase.CollideGeometrySets(&contact, &body->bounds, body->WorldTransform(), &terrainGeometry, terrainWorld);
    if (body->probes != nullptr) {
        TProbe::TestGeometries(body->probes, body->WorldTransform(), &terrainGeometry, terrainWorld, &terrainBody);
    }
    if (!contact.collided) {
        return;
    }
    contact.bodyA = body;
    contact.bodyB = &terrainBody;
    // The terrain is seen from above: a body that sank past a triangle's plane gets a normal pointing
    // down, and acting on it would push the body further through the ground. Turn such a contact round.
    if (Dot3(contact.normal, gravityDirection) > 0.0f) {
        TVec4 onBody = contact.worldPointB;
        contact.worldPointB = contact.worldPointA;
        contact.worldPointA = onBody;
        contact.normal = -contact.normal;
        contact.armA = contact.worldPointA - body->state.position;
        contact.armB = contact.worldPointB;
        contact.localPointA = RotateInverse(body->state.rotation, contact.armA);
        contact.localPointB = contact.worldPointB;
    }
    ComputeRelativeVelocity(&contact);
    const TVec4& n = contact.normal;
    bool valid = IsFinite3(n) && (std::fabs(n.x) >= 1e-6f || std::fabs(n.y) >= 1e-6f || std::fabs(n.z) >= 1e-6f);
    if ((response & TCOLLISION_RESOLVE) && valid) {
        RegisterContact(body, &terrainBody, &contact);
    }
    if ((response & TCOLLISION_CALLBACK) && collisionCallback != nullptr) {
        FillCollisionInfo(&terrainInfo, contact, body, &terrainGeometry, TCOLLISION_KIND_RIGID,
                          TCOLLISION_KIND_TERRAIN);
        collisionCallback(&terrainInfo);
    }
}

void TSimulator::RollCorrectedFlags()
{
    TBodyList* lists[2] = {&rigidBodies, &particles};
    for (TBodyList* list : lists) {
        for (TBody* body = list->head; body != nullptr; body = body->listNext) {
            TRigidBody* rigid = static_cast<TRigidBody*>(body);
            rigid->correctedBefore = rigid->correctedNow != 0 ? 1 : 0;
            rigid->correctedNow = 0;
        }
    }
}

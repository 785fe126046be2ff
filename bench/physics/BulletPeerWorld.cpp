#include "PeerWorld.h"

#include <btBulletDynamicsCommon.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

uint64_t g_BulletBlocks = 0;

void* CountedAlloc(size_t size)
{
    ++g_BulletBlocks;
    return std::malloc(size);
}

void CountedFree(void* block)
{
    std::free(block);
}

void* CountedAlignedAlloc(size_t size, int alignment)
{
    ++g_BulletBlocks;
    return std::aligned_alloc(size_t(alignment),
                              (size + size_t(alignment) - 1) / size_t(alignment) * size_t(alignment));
}

// Our rotation rows are the local axes in the world; Bullet's basis has them as columns.
btMatrix3x3 Basis(const TMat34& r)
{
    return btMatrix3x3(r.row[0].x, r.row[1].x, r.row[2].x, r.row[0].y, r.row[1].y, r.row[2].y, r.row[0].z, r.row[1].z,
                       r.row[2].z);
}

btTransform Transform(const TMat34& rotation, const TVec4& position)
{
    return btTransform(Basis(rotation), btVector3(position.x, position.y, position.z));
}

float FrictionOf(const SceneDesc& scene, int material, float* restitution)
{
    for (const SceneMaterial& m : scene.materials) {
        if (m.index == material) {
            *restitution = m.restitution;
            return m.friction;
        }
    }
    *restitution = 0.0f;
    return 0.5f;
}

// The sweep's quantised space: the shared scenes' box, grown to hold a larger terrain or body spread.
btVector3 WorldMin(const SceneDesc& scene)
{
    btVector3 low(-200, -100, -200);
    for (const TVec4& v : scene.terrain.vertices)
        low.setMin(btVector3(v.x - 50, v.y - 50, v.z - 50));
    for (const SceneBody& body : scene.bodies)
        low.setMin(btVector3(body.position.x - 50, body.position.y - 50, body.position.z - 50));
    return low;
}

btVector3 WorldMax(const SceneDesc& scene)
{
    btVector3 high(200, 200, 200);
    for (const TVec4& v : scene.terrain.vertices)
        high.setMax(btVector3(v.x + 50, v.y + 50, v.z + 50));
    for (const SceneBody& body : scene.bodies)
        high.setMax(btVector3(body.position.x + 50, body.position.y + 50, body.position.z + 50));
    return high;
}

unsigned short HandleCount(const SceneDesc& scene)
{
    return (unsigned short)std::clamp<size_t>(scene.bodies.size() + 16, 16384, 65000);
}

class BulletPeerWorld : public PeerWorld {
public:
    explicit BulletPeerWorld(const SceneDesc& scene)
        : dispatcher(&configuration), broadphase(WorldMin(scene), WorldMax(scene), HandleCount(scene)),
          world(&dispatcher, &broadphase, &solver, &configuration)
    {
        world.setGravity(btVector3(0, -9.81f, 0));
        world.getSolverInfo().m_numIterations = 10;
        if (!scene.terrain.triangles.empty()) {
            btIndexedMesh part;
            part.m_numTriangles = int(scene.terrain.triangles.size());
            part.m_triangleIndexBase = reinterpret_cast<const unsigned char*>(scene.terrain.triangles.data());
            part.m_triangleIndexStride = int(sizeof(TTerrainTriangle));
            part.m_numVertices = int(scene.terrain.vertices.size());
            part.m_vertexBase = reinterpret_cast<const unsigned char*>(scene.terrain.vertices.data());
            part.m_vertexStride = int(sizeof(TVec4));
            part.m_indexType = PHY_INTEGER;
            part.m_vertexType = PHY_FLOAT;
            terrainArrays = new btTriangleIndexVertexArray();
            terrainArrays->addIndexedMesh(part, PHY_INTEGER);
            terrainShape = new btBvhTriangleMeshShape(terrainArrays, true);
            terrainShape->setMargin(0.01f);
            btRigidBody::btRigidBodyConstructionInfo info(0.0f, nullptr, terrainShape);
            float restitution;
            float friction = FrictionOf(scene, 0, &restitution);
            info.m_friction = std::sqrt(friction);
            info.m_restitution = std::sqrt(restitution);
            terrain = new btRigidBody(info);
            world.addRigidBody(terrain);
        }
        for (const SceneBody& desc : scene.bodies) {
            btCollisionShape* shape = nullptr;
            btCompoundShape* compound = nullptr;
            if (desc.shapes.size() != 1 || std::fabs(desc.shapes[0].local.row[3].x) +
                                                   std::fabs(desc.shapes[0].local.row[3].y) +
                                                   std::fabs(desc.shapes[0].local.row[3].z) >
                                               0.0f) {
                compound = new btCompoundShape();
                shapes.push_back(compound);
            }
            for (const SceneShape& s : desc.shapes) {
                btCollisionShape* piece;
                if (s.type == SCENE_BOX) {
                    piece = new btBoxShape(btVector3(s.size.x * 0.5f, s.size.y * 0.5f, s.size.z * 0.5f));
                } else {
                    piece = new btSphereShape(s.size.x * 0.5f);
                }
                shapes.push_back(piece);
                if (compound != nullptr) {
                    TMat34 local;
                    local.row[0] = s.local.row[0];
                    local.row[1] = s.local.row[1];
                    local.row[2] = s.local.row[2];
                    compound->addChildShape(Transform(local, s.local.row[3]), piece);
                } else {
                    shape = piece;
                }
            }
            if (compound != nullptr) {
                shape = compound;
            }
            if (shape == nullptr) { // a body without geometry (the swing arm)
                shape = new btEmptyShape();
                shapes.push_back(shape);
            }
            float mass = desc.dynamic ? desc.mass : 0.0f;
            auto* motion = new btDefaultMotionState(Transform(desc.rotation, desc.position));
            motions.push_back(motion);
            btRigidBody::btRigidBodyConstructionInfo info(mass, motion, shape,
                                                          btVector3(desc.inertia.x, desc.inertia.y, desc.inertia.z));
            float restitution;
            float friction = FrictionOf(scene, desc.shapes.empty() ? 1 : desc.shapes[0].material, &restitution);
            info.m_friction = std::sqrt(friction);
            info.m_restitution = std::sqrt(restitution);
            auto* body = new btRigidBody(info);
            world.addRigidBody(body);
            all.push_back(body);
            if (desc.dynamic) {
                body->setLinearVelocity(btVector3(desc.velocity.x, desc.velocity.y, desc.velocity.z));
                dynamic.push_back(body);
                forces.push_back(btVector3(desc.force.x, desc.force.y, desc.force.z));
            }
        }
        for (const SceneJoint& joint : scene.joints) {
            btRigidBody* a = all[size_t(joint.bodyA)];
            btRigidBody* b = all[size_t(joint.bodyB)];
            // Bullet turns a hinge about its frame's z axis; ours turn about the frame's y.
            TMat34 frame;
            frame.row[0] = joint.frame.row[2];
            frame.row[1] = joint.frame.row[0];
            frame.row[2] = joint.frame.row[1];
            btTransform world = Transform(frame, joint.frame.row[3]);
            btTransform inA = a->getCenterOfMassTransform().inverse() * world;
            btTransform inB = b->getCenterOfMassTransform().inverse() * world;
            auto* hinge = new btHingeConstraint(*a, *b, inA, inB);
            if (joint.limit) {
                hinge->setLimit(joint.lower, joint.upper);
            }
            this->world.addConstraint(hinge, true);
            hinges.push_back(hinge);
        }
    }

    ~BulletPeerWorld() override
    {
        for (btTypedConstraint* hinge : hinges) {
            world.removeConstraint(hinge);
            delete hinge;
        }
        for (btRigidBody* body : all) {
            world.removeRigidBody(body);
            delete body;
        }
        if (terrain != nullptr) {
            world.removeRigidBody(terrain);
            delete terrain;
        }
        for (btMotionState* motion : motions) {
            delete motion;
        }
        for (btCollisionShape* shape : shapes) {
            delete shape;
        }
        delete terrainShape;
        delete terrainArrays;
    }

    void Step() override
    {
        for (size_t i = 0; i < dynamic.size(); ++i) {
            if (!forces[i].isZero()) {
                dynamic[i]->activate();
                dynamic[i]->applyCentralForce(forces[i]);
            }
        }
        world.stepSimulation(1.0f / 60.0f, 0);
    }

    TVec4 Position(int body) const override
    {
        const btVector3& p = dynamic[size_t(body)]->getCenterOfMassPosition();
        return Vec(p.x(), p.y(), p.z());
    }
    bool IsAsleep(int body) const override { return dynamic[size_t(body)]->getActivationState() == ISLAND_SLEEPING; }
    int DynamicCount() const override { return int(dynamic.size()); }

private:
    btDefaultCollisionConfiguration configuration;
    btCollisionDispatcher dispatcher;
    btAxisSweep3 broadphase;
    btSequentialImpulseConstraintSolver solver;
    btDiscreteDynamicsWorld world;
    btTriangleIndexVertexArray* terrainArrays = nullptr;
    btBvhTriangleMeshShape* terrainShape = nullptr;
    btRigidBody* terrain = nullptr;
    std::vector<btCollisionShape*> shapes;
    std::vector<btMotionState*> motions;
    std::vector<btRigidBody*> all;
    std::vector<btRigidBody*> dynamic;
    std::vector<btVector3> forces;
    std::vector<btTypedConstraint*> hinges;
};

} // namespace

uint64_t BulletAllocations()
{
    return g_BulletBlocks;
}

void InstallBulletAllocator()
{
    btAlignedAllocSetCustom(&CountedAlloc, &CountedFree);
    btAlignedAllocSetCustomAligned(&CountedAlignedAlloc, &CountedFree);
}

std::unique_ptr<PeerWorld> MakeBulletWorld(const SceneDesc& scene)
{
    return std::make_unique<BulletPeerWorld>(scene);
}

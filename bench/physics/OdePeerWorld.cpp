#include "PeerWorld.h"

#include <ode/ode.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

uint64_t g_OdeBlocks = 0;

void* CountedAlloc(dsizeint size)
{
    ++g_OdeBlocks;
    return std::malloc(size);
}

void* CountedRealloc(void* block, dsizeint, dsizeint size)
{
    ++g_OdeBlocks;
    return std::realloc(block, size);
}

void CountedFree(void* block, dsizeint)
{
    std::free(block);
}

// Our rotation rows are the local axes in the world; ODE's matrix has them as columns.
void ToOde(const TMat34& r, dMatrix3 out)
{
    for (int j = 0; j < 3; ++j) {
        for (int i = 0; i < 3; ++i) {
            out[j * 4 + i] = r.row[i][j];
        }
        out[j * 4 + 3] = 0;
    }
}

struct Surface {
    dReal friction;
    dReal restitution;
};

class OdePeerWorld : public PeerWorld {
public:
    explicit OdePeerWorld(const SceneDesc& scene)
    {
        world = dWorldCreate();
        space = dHashSpaceCreate(nullptr);
        contacts = dJointGroupCreate(0);
        dWorldSetGravity(world, 0, -9.81, 0);
        dWorldSetERP(world, 0.5);
        dWorldSetContactMaxCorrectingVel(world, 3.0);
        dWorldSetContactSurfaceLayer(world, 0.0098);
        dWorldSetAutoDisableFlag(world, 1);
        dWorldSetQuickStepNumIterations(world, 20);
        for (const SceneMaterial& m : scene.materials) {
            materials.resize(std::max<size_t>(materials.size(), size_t(m.index) + 1), Surface{0.5, 0.0});
            materials[size_t(m.index)] = Surface{m.friction, m.restitution};
        }
        materials.resize(std::max<size_t>(materials.size(), 8), Surface{0.5, 0.0});
        if (!scene.terrain.triangles.empty()) {
            for (const TVec4& v : scene.terrain.vertices) {
                vertices.push_back(v.x);
                vertices.push_back(v.y);
                vertices.push_back(v.z);
            }
            for (const TTerrainTriangle& t : scene.terrain.triangles) {
                indices.push_back(int(t.a));
                indices.push_back(int(t.b));
                indices.push_back(int(t.c));
            }
            meshData = dGeomTriMeshDataCreate();
            dGeomTriMeshDataBuildSingle(meshData, vertices.data(), 3 * sizeof(float),
                                        int(scene.terrain.vertices.size()), indices.data(), int(indices.size()),
                                        3 * sizeof(int));
            dGeomID terrain = dCreateTriMesh(space, meshData, nullptr, nullptr, nullptr);
            dGeomSetData(terrain, &materials[0]);
        }
        for (const SceneBody& desc : scene.bodies) {
            dBodyID body = nullptr;
            dMatrix3 rotation;
            ToOde(desc.rotation, rotation);
            if (desc.dynamic) {
                body = dBodyCreate(world);
                dMass mass;
                dMassSetZero(&mass);
                dMassSetParameters(&mass, desc.mass, 0, 0, 0, desc.inertia.x, desc.inertia.y, desc.inertia.z, 0, 0, 0);
                dBodySetMass(body, &mass);
                dBodySetPosition(body, desc.position.x, desc.position.y, desc.position.z);
                dBodySetRotation(body, rotation);
                dBodySetLinearVel(body, desc.velocity.x, desc.velocity.y, desc.velocity.z);
                dynamic.push_back(body);
                forces.push_back(desc.force);
            }
            all.push_back(body);
            for (const SceneShape& s : desc.shapes) {
                dGeomID geom = s.type == SCENE_BOX ? dCreateBox(space, s.size.x, s.size.y, s.size.z)
                                                   : dCreateSphere(space, s.size.x * 0.5);
                dGeomSetData(geom, &materials[size_t(std::min<int>(s.material, int(materials.size()) - 1))]);
                TMat34 local;
                local.row[0] = s.local.row[0];
                local.row[1] = s.local.row[1];
                local.row[2] = s.local.row[2];
                if (body != nullptr) {
                    dGeomSetBody(geom, body);
                    const TVec4& o = s.local.row[3];
                    if (o.x != 0 || o.y != 0 || o.z != 0) {
                        dGeomSetOffsetPosition(geom, o.x, o.y, o.z);
                    }
                } else {
                    dGeomSetPosition(geom, desc.position.x, desc.position.y, desc.position.z);
                    dGeomSetRotation(geom, rotation);
                }
            }
        }
        for (const SceneJoint& joint : scene.joints) {
            dJointID hinge = dJointCreateHinge(world, nullptr);
            dJointAttach(hinge, all[size_t(joint.bodyA)], all[size_t(joint.bodyB)]);
            const TVec4& anchor = joint.frame.row[3];
            const TVec4& axis = joint.frame.row[1];
            dJointSetHingeAnchor(hinge, anchor.x, anchor.y, anchor.z);
            dJointSetHingeAxis(hinge, axis.x, axis.y, axis.z);
            if (joint.limit) {
                dJointSetHingeParam(hinge, dParamLoStop, joint.lower);
                dJointSetHingeParam(hinge, dParamHiStop, joint.upper);
            }
        }
    }

    ~OdePeerWorld() override
    {
        dJointGroupDestroy(contacts);
        dSpaceDestroy(space);
        dWorldDestroy(world);
        if (meshData != nullptr) {
            dGeomTriMeshDataDestroy(meshData);
        }
    }

    void Step() override
    {
        for (size_t i = 0; i < dynamic.size(); ++i) {
            const TVec4& f = forces[i];
            if (f.x != 0 || f.y != 0 || f.z != 0) {
                dBodyEnable(dynamic[i]);
                dBodyAddForce(dynamic[i], f.x, f.y, f.z);
            }
        }
        dSpaceCollide(space, this, &OdePeerWorld::NearCallback);
        dWorldQuickStep(world, 1.0 / 60.0);
        dJointGroupEmpty(contacts);
    }

    TVec4 Position(int body) const override
    {
        const dReal* p = dBodyGetPosition(dynamic[size_t(body)]);
        return Vec(float(p[0]), float(p[1]), float(p[2]));
    }
    bool IsAsleep(int body) const override { return !dBodyIsEnabled(dynamic[size_t(body)]); }
    int DynamicCount() const override { return int(dynamic.size()); }

private:
    static void NearCallback(void* data, dGeomID a, dGeomID b)
    {
        auto* self = static_cast<OdePeerWorld*>(data);
        dBodyID bodyA = dGeomGetBody(a);
        dBodyID bodyB = dGeomGetBody(b);
        if (bodyA == bodyB || (bodyA != nullptr && bodyB != nullptr && dAreConnected(bodyA, bodyB))) {
            return;
        }
        if ((bodyA == nullptr || !dBodyIsEnabled(bodyA)) && (bodyB == nullptr || !dBodyIsEnabled(bodyB))) {
            return;
        }
        dContact found[4];
        int count = dCollide(a, b, 4, &found[0].geom, sizeof(dContact));
        const auto* sa = static_cast<const Surface*>(dGeomGetData(a));
        const auto* sb = static_cast<const Surface*>(dGeomGetData(b));
        for (int i = 0; i < count; ++i) {
            dContact& c = found[i];
            c.surface.mode = dContactApprox1 | dContactBounce;
            c.surface.mu = std::min(sa->friction, sb->friction);
            c.surface.bounce = std::min(sa->restitution, sb->restitution);
            c.surface.bounce_vel = 0.1;
            dJointID joint = dJointCreateContact(self->world, self->contacts, &c);
            dJointAttach(joint, bodyA, bodyB);
        }
    }

    dWorldID world = nullptr;
    dSpaceID space = nullptr;
    dJointGroupID contacts = nullptr;
    dTriMeshDataID meshData = nullptr;
    std::vector<float> vertices;
    std::vector<int> indices;
    std::vector<Surface> materials;
    std::vector<dBodyID> all;
    std::vector<dBodyID> dynamic;
    std::vector<TVec4> forces;
};

} // namespace

uint64_t OdeAllocations()
{
    return g_OdeBlocks;
}

void InstallOdeAllocator()
{
    dSetAllocHandler(&CountedAlloc);
    dSetReallocHandler(&CountedRealloc);
    dSetFreeHandler(&CountedFree);
    dInitODE2(0);
}

std::unique_ptr<PeerWorld> MakeOdeWorld(const SceneDesc& scene)
{
    return std::make_unique<OdePeerWorld>(scene);
}

#include "RaceWorldScene.h"

#include "race/Moped.h"
#include "race/MopedModel.h"
#include "tracks/Track.h"

#include "engine/scene/Billboard.h"
#include "engine/scene/BillboardInstance.h"
#include "physics/PhysicsEngine.h"
#include "physics/TSimulator.h"

namespace {

constexpr float HALF_PI = 1.5707963705062866f;

// The body's geometries as scene shapes, in the body's frame.
std::vector<SceneShape> Shapes(TBody* body)
{
    std::vector<SceneShape> shapes;
    body->BeginGeometryIteration();
    while (TConvex* geometry = body->NextGeometry()) {
        SceneShape shape;
        shape.local = geometry->transform;
        shape.material = geometry->materialIndex;
        if (geometry->type == TCONVEX_SPHERE) {
            shape.type = SCENE_SPHERE;
            shape.size = Vec(2.0f * geometry->Radius(), 0.0f, 0.0f);
        } else {
            shape.type = SCENE_BOX;
            shape.size = geometry->HalfExtents() * 2.0f;
        }
        shapes.push_back(shape);
    }
    return shapes;
}

SceneBody Posed(TBody* body)
{
    SceneBody scene;
    scene.position = body->Position();
    scene.rotation = body->Rotation();
    scene.shapes = Shapes(body);
    scene.collisionId = body->collisionId;
    return scene;
}

SceneBody Static(TBody* body)
{
    SceneBody scene = Posed(body);
    scene.dynamic = false;
    return scene;
}

SceneBody Dynamic(TRigidBody* body)
{
    SceneBody scene = Posed(body);
    scene.mass = body->mass;
    scene.inertia = Vec(body->inertia.row[0].x, body->inertia.row[1].y, body->inertia.row[2].z);
    return scene;
}

void AddMoped(SceneDesc& scene, const Moped& moped)
{
    const int first = int(scene.bodies.size());
    for (TRigidBody* part : {moped.body, moped.handlebar, moped.frontTyre, moped.swingArm, moped.rearTyre, moped.rider})
        scene.bodies.push_back(Dynamic(part));
    // The hinges as the moped makes them in its own frame, carried to where it stands.
    const MopedModel& model = *moped.model;
    const TMat44 pose = MakeTransform(moped.body->Rotation(), moped.body->Position());
    const TVec4& tilt = model.handlebarRotation;
    const TMat34 handlebarTurn = Moped::AngleRotation(tilt.x, tilt.y, tilt.z);
    const TMat34 axleTurn = Moped::AngleRotation(0.0f, 0.0f, HALF_PI);
    auto hinge = [&](int a, int b, const TMat34& rotation, const TVec4& anchor, bool limit, float lower, float upper) {
        SceneJoint joint;
        joint.bodyA = first + a;
        joint.bodyB = first + b;
        joint.frame = MakeTransform(Multiply(rotation, moped.body->Rotation()), TransformPoint(pose, anchor));
        joint.limit = limit;
        joint.lower = lower;
        joint.upper = upper;
        scene.joints.push_back(joint);
    };
    hinge(1, 0, handlebarTurn, model.handlebarPosition, true, -MOPED_STEER_LIMIT, MOPED_STEER_LIMIT);
    hinge(2, 1, axleTurn, model.frontTyrePosition, false, 0.0f, 0.0f);
    hinge(3, 0, axleTurn, model.swingArmPivot, true, -0.28f, 0.0f);
    hinge(4, 3, axleTurn, model.rearTyrePosition, false, 0.0f, 0.0f);
    hinge(5, 0, IdentityMat34(), model.riderPosition, true, 0.0f, 0.0f);
}

} // namespace

SceneDesc RaceWorldScene(Track& track, PhysicsEngine& physics, const std::vector<Moped*>& mopeds)
{
    SceneDesc scene;
    scene.name = "race world";
    TTerrainMesh mesh;
    track.terrain.BuildCollisionMesh(&mesh, 0);
    scene.terrain.vertices.assign(mesh.vertices, mesh.vertices + mesh.vertexCount);
    scene.terrain.triangles.assign(mesh.triangles, mesh.triangles + mesh.triangleCount);
    delete[] mesh.vertices;
    delete[] mesh.triangles;

    for (int index = 0; index <= 6; ++index) {
        SceneMaterial material;
        material.index = index;
        float density = 0.0f;
        physics.simulator->GetMaterial(index, &material.friction, &material.restitution, &density);
        scene.materials.push_back(material);
    }
    // The billboards' boxes are not kept by the track: made again as Billboard::AddToPhysics makes them.
    for (const auto& instance : track.billboards.instances) {
        const Billboard& billboard = *instance->billboard;
        if (billboard.collisionRadius == 0.0f)
            continue;
        SceneShape box;
        box.size = Vec(billboard.collisionRadius, billboard.height, billboard.collisionRadius);
        box.material = int(billboard.material);
        SceneBody body;
        body.dynamic = false;
        body.position =
            Vec(instance->position.x, instance->position.y + billboard.height * 0.5f, instance->position.z, 1.0f);
        body.shapes.push_back(box);
        body.collisionId = int(billboard.material);
        scene.bodies.push_back(body);
    }
    for (StaticTrackObject* object : track.staticObjects)
        if (object->body != nullptr)
            scene.bodies.push_back(Static(object->body));
    for (DynamicTrackObject* object : track.dynamicObjects)
        if (object->body != nullptr)
            scene.bodies.push_back(Dynamic(object->body));
    for (const Moped* moped : mopeds)
        AddMoped(scene, *moped);
    return scene;
}

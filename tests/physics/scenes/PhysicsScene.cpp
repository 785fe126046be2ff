#include "physics/scenes/PhysicsScene.h"

#include "physics/ComputeInertiaFromSize.h"
#include "physics/TSimulator.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

namespace {

// Small deterministic generator for placing bodies.
struct SceneRandom {
    uint32_t state;
    explicit SceneRandom(uint32_t seed) : state(seed) {}
    float Next() // 0..1
    {
        state = state * 1664525u + 1013904223u;
        return float((state >> 8) & 0xFFFFFF) / float(0x1000000);
    }
    float Range(float low, float high) { return low + (high - low) * Next(); }
};

TVec4 BoxInertia(const TVec4& size, float mass)
{
    TVec4 inertia;
    ComputeInertiaFromSize(&inertia, &size, mass);
    return inertia;
}

// Rows of Rx(a0) * Ry(a1) * Rz(a2), the game's angle rotation.
TMat34 AngleRotation(float a0, float a1, float a2)
{
    float c0 = std::cos(a0), s0 = std::sin(a0);
    float c1 = std::cos(a1), s1 = std::sin(a1);
    float c2 = std::cos(a2), s2 = std::sin(a2);
    TMat34 m;
    m.row[0] = Vec(c1 * c2, c1 * s2, -s1);
    m.row[1] = Vec(s0 * s1 * c2 - c0 * s2, s0 * s1 * s2 + c0 * c2, s0 * c1);
    m.row[2] = Vec(c0 * s1 * c2 + s0 * s2, c0 * s1 * s2 - s0 * c2, c0 * c1);
    return m;
}

TMat44 Frame(const TMat34& rotation, const TVec4& origin)
{
    return MakeTransform(rotation, origin);
}

void AddMoped(SceneDesc* scene, const TVec4& at)
{
    const TVec4 frontTyre = Vec(0, -0.254f, 0.658f);
    const TVec4 rearTyre = Vec(0, -0.254f, -0.322f);
    const TVec4 handlebar = Vec(0, 0.094f, 0.491f);
    const TVec4 rider = Vec(0, 0.402f, 0.03f);
    const TVec4 swingArmPivot = Vec(0, -0.3f, 0);
    const float handlebarAngle = -0.4537856f;
    const TVec4 bodySize = Vec(0.355f, 0.568f, 1.095f);
    const TVec4 handlebarSize = Vec(0.4f, 0.828f, 0.358f);
    const TVec4 riderSize = Vec(0.521f, 0.9f, 0.342f);
    const float tyreRadius = 0.209f;
    int first = int(scene->bodies.size());

    SceneBody body = MakeBox(bodySize, 40.0f, at, 1);
    body.inertia = BoxInertia(bodySize, 40.0f) * 3.0f;
    body.restThreshold = 2.0f;
    body.collisionId = 1;
    scene->bodies.push_back(body);

    SceneBody bar = MakeBox(handlebarSize, 8.0f, at + handlebar, 1);
    bar.inertia = BoxInertia(handlebarSize, 8.0f) * 3.0f;
    bar.rotation = AngleRotation(handlebarAngle, 0, 0);
    bar.restThreshold = 2.0f;
    bar.collisionId = 1;
    scene->bodies.push_back(bar);

    auto tyre = [&](const TVec4& offset) {
        SceneBody wheel;
        wheel.mass = 25.0f;
        wheel.inertia = BoxInertia(Vec(0.185f, 0.418f, 0.418f), 25.0f);
        wheel.position = at + offset;
        wheel.restThreshold = 2.0f;
        wheel.collisionId = 2;
        float r = tyreRadius - 0.185f * 0.5f;
        for (int i = 0; i < 64; ++i) {
            float theta = float(i) * 0.09817477f;
            SceneShape sphere;
            sphere.type = SCENE_SPHERE;
            sphere.size = Vec(0.185f, 0.185f, 0.185f);
            sphere.local.row[3] = Vec(0, r * std::cos(theta), r * std::sin(theta), 1);
            sphere.material = 2;
            wheel.shapes.push_back(sphere);
        }
        return wheel;
    };
    scene->bodies.push_back(tyre(frontTyre));

    SceneBody swingArm;
    swingArm.position = at + rearTyre;
    swingArm.mass = 1.0f;
    swingArm.inertia = Vec(1, 1, 1);
    scene->bodies.push_back(swingArm);

    scene->bodies.push_back(tyre(rearTyre));

    SceneBody seat = MakeBox(riderSize, 22.0f, at + rider, 6);
    seat.inertia = BoxInertia(riderSize, 22.0f);
    seat.restThreshold = 2.0f;
    seat.collisionId = 6;
    scene->bodies.push_back(seat);

    const float halfPi = 1.5707963705062866f;
    auto hinge = [&](int a, int b, const TMat34& rotation, const TVec4& anchor, bool limit, float lower, float upper) {
        SceneJoint joint;
        joint.bodyA = first + a;
        joint.bodyB = first + b;
        joint.type = 2;
        joint.frame = Frame(rotation, at + anchor);
        joint.limit = limit;
        joint.lower = lower;
        joint.upper = upper;
        joint.iterations = 32;
        joint.tolerance = 0.0f;
        scene->joints.push_back(joint);
    };
    hinge(1, 0, AngleRotation(handlebarAngle, 0, 0), handlebar, true, -0.7f, 0.7f);
    hinge(2, 1, AngleRotation(0, 0, halfPi), frontTyre, false, 0, 0);
    hinge(3, 0, AngleRotation(0, 0, halfPi), swingArmPivot, true, -0.28f, 0.0f);
    hinge(4, 3, AngleRotation(0, 0, halfPi), rearTyre, false, 0, 0);
    hinge(5, 0, IdentityMat34(), rider, true, 0.0f, 0.0f);
}

void AddGroundMaterials(SceneDesc* scene, float groundFriction)
{
    scene->materials.push_back(SceneMaterial{0, groundFriction, 0.0f});
    scene->materials.push_back(SceneMaterial{1, 0.5f, 0.0f});
    scene->materials.push_back(SceneMaterial{2, 2.0f, 0.0f});
    scene->materials.push_back(SceneMaterial{3, 0.5f, 0.0f});
    scene->materials.push_back(SceneMaterial{6, 0.5f, 0.0f});
}

} // namespace

SceneTerrain MakeGridTerrain(int cells, float cellSize, const std::function<float(float, float)>& height, int material)
{
    SceneTerrain terrain;
    int side = cells + 1;
    float half = float(cells) * 0.5f;
    for (int gz = 0; gz < side; ++gz) {
        for (int gx = 0; gx < side; ++gx) {
            float x = (float(gx) - half) * cellSize;
            float z = -(float(gz) - half) * cellSize;
            terrain.vertices.push_back(Vec(x, height(x, z), z, 1.0f));
        }
    }
    for (int z = 0; z < cells; ++z) {
        for (int x = 0; x < cells; ++x) {
            uint32_t a = uint32_t(z * side + x);
            uint32_t b = a + 1;
            uint32_t c = uint32_t((z + 1) * side + x + 1);
            uint32_t d = uint32_t((z + 1) * side + x);
            terrain.triangles.push_back(TTerrainTriangle{a, b, c, uint32_t(material), 0, 0});
            terrain.triangles.push_back(TTerrainTriangle{a, c, d, uint32_t(material), 0, 0});
        }
    }
    return terrain;
}

float RollingHeight(float x, float z)
{
    return 1.5f * std::sin(x * 0.05f) * std::cos(z * 0.04f) + 0.4f * std::sin(x * 0.21f + z * 0.17f);
}

SceneBody MakeBox(const TVec4& size, float mass, const TVec4& position, int material)
{
    SceneBody body;
    body.mass = mass;
    body.inertia = BoxInertia(size, mass);
    body.position = position;
    SceneShape shape;
    shape.size = size;
    shape.material = material;
    body.shapes.push_back(shape);
    return body;
}

SceneBody MakeSphere(float diameter, float mass, const TVec4& position, int material)
{
    SceneBody body;
    body.mass = mass;
    float inertia = 0.1f * mass * diameter * diameter;
    body.inertia = Vec(inertia, inertia, inertia);
    body.position = position;
    SceneShape shape;
    shape.type = SCENE_SPHERE;
    shape.size = Vec(diameter, diameter, diameter);
    shape.material = material;
    body.shapes.push_back(shape);
    return body;
}

SceneBody MakeStaticBox(const TVec4& size, const TVec4& position, int material)
{
    SceneBody body = MakeBox(size, 1.0f, position, material);
    body.dynamic = false;
    body.collisionId = 3;
    return body;
}

static float Flat(float, float)
{
    return 0.0f;
}

SceneDesc BoxOnTerrainScene(float dropHeight)
{
    SceneDesc scene;
    scene.name = "box on terrain";
    scene.terrain = MakeGridTerrain(16, 2.0f, Flat);
    AddGroundMaterials(&scene, 0.5f);
    scene.bodies.push_back(MakeBox(Vec(1, 1, 1), 1.0f, Vec(0.3f, dropHeight, 0.2f)));
    return scene;
}

SceneDesc TowerScene(int boxes, float spacing)
{
    SceneDesc scene;
    scene.name = "tower of " + std::to_string(boxes);
    scene.terrain = MakeGridTerrain(16, 2.0f, Flat);
    AddGroundMaterials(&scene, 0.5f);
    for (int i = 0; i < boxes; ++i) {
        scene.bodies.push_back(MakeBox(Vec(1, 1, 1), 1.0f, Vec(0.3f, 0.5f + float(i) * spacing, 0.2f)));
    }
    return scene;
}

SceneDesc PyramidScene(int base)
{
    SceneDesc scene;
    scene.name = "pyramid of " + std::to_string(base * (base + 1) / 2);
    scene.terrain = MakeGridTerrain(16, 2.0f, Flat);
    AddGroundMaterials(&scene, 0.5f);
    for (int row = 0; row < base; ++row) {
        int count = base - row;
        for (int i = 0; i < count; ++i) {
            float x = (float(i) - float(count - 1) * 0.5f) * 1.05f;
            scene.bodies.push_back(MakeBox(Vec(1, 1, 1), 1.0f, Vec(x, 0.5f + float(row) * 1.01f, 0.0f)));
        }
    }
    return scene;
}

SceneDesc RainScene(int bodies)
{
    SceneDesc scene;
    scene.name = "rain of " + std::to_string(bodies);
    scene.terrain = MakeGridTerrain(128, 1.0f, RollingHeight);
    AddGroundMaterials(&scene, 0.8f);
    SceneRandom random(1234u + uint32_t(bodies));
    for (int i = 0; i < bodies; ++i) {
        float x = random.Range(-50.0f, 50.0f);
        float z = random.Range(-50.0f, 50.0f);
        float y = RollingHeight(x, z) + random.Range(2.0f, 8.0f);
        if (i % 3 == 2) {
            scene.bodies.push_back(MakeSphere(random.Range(0.4f, 1.2f), 1.0f, Vec(x, y, z)));
        } else {
            TVec4 size = Vec(random.Range(0.3f, 1.5f), random.Range(0.3f, 1.5f), random.Range(0.3f, 1.5f));
            SceneBody box = MakeBox(size, 1.0f, Vec(x, y, z));
            box.rotation = AngleRotation(random.Range(-1, 1), random.Range(-1, 1), random.Range(-1, 1));
            scene.bodies.push_back(box);
        }
    }
    return scene;
}

SceneDesc PileScene(int boxes)
{
    SceneDesc scene;
    scene.name = "pile of " + std::to_string(boxes);
    scene.terrain = MakeGridTerrain(16, 2.0f, Flat);
    AddGroundMaterials(&scene, 0.6f);
    const float inner = PILE_WALL_HALF_WIDTH * 2.0f;
    scene.bodies.push_back(MakeStaticBox(Vec(inner + 1, 4, 0.5f), Vec(0, 2, inner * 0.5f + 0.25f)));
    scene.bodies.push_back(MakeStaticBox(Vec(inner + 1, 4, 0.5f), Vec(0, 2, -inner * 0.5f - 0.25f)));
    scene.bodies.push_back(MakeStaticBox(Vec(0.5f, 4, inner), Vec(inner * 0.5f + 0.25f, 2, 0)));
    scene.bodies.push_back(MakeStaticBox(Vec(0.5f, 4, inner), Vec(-inner * 0.5f - 0.25f, 2, 0)));
    SceneRandom random(77u);
    int perLayer = 100;
    for (int i = 0; i < boxes; ++i) {
        int layer = i / perLayer;
        int cell = i % perLayer;
        float x = (float(cell % 10) - 4.5f) * 0.55f + random.Range(-0.02f, 0.02f);
        float z = (float(cell / 10) - 4.5f) * 0.55f + random.Range(-0.02f, 0.02f);
        scene.bodies.push_back(MakeBox(Vec(0.5f, 0.5f, 0.5f), 0.5f, Vec(x, 0.3f + float(layer) * 0.6f, z)));
    }
    return scene;
}

SceneDesc MopedScene()
{
    SceneDesc scene;
    scene.name = "moped";
    scene.terrain = MakeGridTerrain(32, 2.0f, Flat);
    AddGroundMaterials(&scene, 4.0f);
    AddMoped(&scene, Vec(0, 0.45f, 0));
    return scene;
}

SceneDesc GameScene(int mopeds, int staticBoxes, int crates)
{
    SceneDesc scene;
    scene.name = std::to_string(mopeds) + " moped(s), " + std::to_string(staticBoxes) + " static boxes";
    scene.terrain = MakeGridTerrain(128, 1.0f, RollingHeight);
    AddGroundMaterials(&scene, 4.0f);
    for (int m = 0; m < mopeds; ++m) {
        float x = -20.0f + float(m) * 8.0f;
        float z = -30.0f;
        int first = int(scene.bodies.size());
        AddMoped(&scene, Vec(x, RollingHeight(x, z) + 0.6f, z));
        scene.bodies[size_t(first)].force = Vec(0, 0, 60.0f);
    }
    SceneRandom random(4242u);
    for (int i = 0; i < staticBoxes; ++i) {
        float x = random.Range(-60.0f, 60.0f);
        float z = random.Range(-60.0f, 60.0f);
        if (std::fabs(z + 30.0f) < 4.0f) {
            z += 10.0f;
        }
        TVec4 size = Vec(random.Range(0.5f, 2.0f), random.Range(0.5f, 3.0f), random.Range(0.5f, 2.0f));
        scene.bodies.push_back(MakeStaticBox(size, Vec(x, RollingHeight(x, z) + size.y * 0.4f, z)));
    }
    for (int i = 0; i < crates; ++i) {
        float x = random.Range(-40.0f, 40.0f);
        float z = random.Range(-20.0f, 40.0f);
        scene.bodies.push_back(MakeBox(Vec(0.8f, 0.8f, 0.8f), 5.0f, Vec(x, RollingHeight(x, z) + 1.5f, z)));
    }
    return scene;
}

void SetSceneTerrain(TSimulator* simulator, const SceneTerrain& terrain)
{
    TTerrainMesh mesh;
    mesh.vertices = terrain.vertices.data();
    mesh.vertexCount = int32_t(terrain.vertices.size());
    mesh.triangles = terrain.triangles.data();
    mesh.triangleCount = int32_t(terrain.triangles.size());
    simulator->SetTerrainMesh(&mesh);
}

TRigidBody* OurWorld::Rigid(int i) const
{
    return static_cast<TRigidBody*>(bodies[size_t(i)]);
}

OurWorld BuildOurWorld(const SceneDesc& scene, TAllocator* allocator, int spareBodies)
{
    OurWorld world;
    TSizeInfo sizes;
    int dynamic = 0, fixed = 0, geometries = scene.extraGeometries;
    for (const SceneBody& body : scene.bodies) {
        (body.dynamic ? dynamic : fixed) += 1;
        geometries += int(body.shapes.size());
    }
    sizes.rigidBodiesCount = dynamic + spareBodies;
    sizes.animatedBodiesCount = fixed + spareBodies;
    sizes.rigidParticleCount = 0;
    sizes.forceUpdatersCount = 0;
    int64_t n = int64_t(sizes.rigidBodiesCount) + sizes.animatedBodiesCount;
    sizes.overlapPairsCount = int32_t(std::min<int64_t>(n * (n - 1) / 2, 1 << 20));
    sizes.geometriesCount = geometries + spareBodies * 2;
    sizes.constraintsCount = int(scene.joints.size()) + spareBodies;
    sizes.constraintSetsCount = int(scene.joints.size()) + spareBodies + 1;
    sizes.reservedSize = 10;
    sizes.probesCount = 0;
    sizes.reservedStartCount = std::max<int32_t>(int32_t(scene.terrain.vertices.size()), 1364);
    sizes.reservedGrowBy = -1;
    TVec4 gravity = Vec(0, -9.81f, 0);
    world.simulator = TSimulator::CreateSimulator(&sizes, allocator, &gravity);
    if (world.simulator == nullptr) {
        return world;
    }
    TSimulator* sim = world.simulator;
    for (const SceneMaterial& material : scene.materials) {
        sim->SetMaterial(material.index, material.friction, material.restitution);
    }
    if (!scene.terrain.triangles.empty()) {
        SetSceneTerrain(sim, scene.terrain);
    }
    for (const SceneBody& desc : scene.bodies) {
        TBody* body =
            desc.dynamic ? static_cast<TBody*>(sim->CreateRigidBody()) : static_cast<TBody*>(sim->CreateAnimatedBody());
        world.bodies.push_back(body);
        if (body == nullptr) {
            continue;
        }
        for (const SceneShape& shape : desc.shapes) {
            TConvex* geometry = body->AddGeometry();
            if (geometry == nullptr) {
                break;
            }
            geometry->SetMaterialIndex(shape.material);
            if (shape.type == SCENE_BOX) {
                geometry->SetBoxSize(&shape.size);
            } else {
                geometry->SetSphereDiameter(shape.size.x);
            }
            geometry->SetTransform(&shape.local);
        }
        body->UpdateBoundingInfo();
        body->SetCollisionId(desc.collisionId);
        if (desc.dynamic) {
            TRigidBody* rigid = static_cast<TRigidBody*>(body);
            rigid->SetMass(desc.mass);
            rigid->SetInertiaTensor(&desc.inertia);
            rigid->SetPosition(&desc.position);
            rigid->SetRotation(&desc.rotation);
            rigid->SetRestThreshold(desc.restThreshold);
            rigid->SetCollideJoined(desc.collideJoined);
            if (LengthSquared3(desc.velocity) > 0.0f) {
                rigid->SetVelocity(&desc.velocity);
            }
            if (LengthSquared3(desc.angularMomentum) > 0.0f) {
                rigid->SetAngularMomentum(&desc.angularMomentum);
            }
            rigid->SetForce(&desc.force);
            rigid->SetTorque(&desc.torque);
        } else {
            TAnimatedBody* animated = static_cast<TAnimatedBody*>(body);
            animated->SetPosition(&desc.position);
            animated->SetRotation(&desc.rotation);
        }
    }
    for (const SceneJoint& desc : scene.joints) {
        TBody* a = world.bodies[size_t(desc.bodyA)];
        TBody* b = world.bodies[size_t(desc.bodyB)];
        TConstraint* joint = nullptr;
        if (a != nullptr && a->IsRigid()) {
            joint = sim->CreateConstraint(static_cast<TRigidBody*>(a), b);
        }
        world.joints.push_back(joint);
        if (joint == nullptr) {
            continue;
        }
        joint->SetFrame(&desc.frame);
        joint->SetType(desc.type);
        if (desc.limit) {
            joint->SetLimitMin(desc.lower);
            joint->SetLimitMax(desc.upper);
        }
        joint->SetTolerance(desc.tolerance);
        joint->SetIterationCount(desc.iterations);
        joint->SetLimitEnabled(desc.limit ? 1 : 0);
        joint->Enable(1);
    }
    return world;
}

OurWorld::OurWorld(OurWorld&& other) noexcept
    : simulator(other.simulator), bodies(std::move(other.bodies)), joints(std::move(other.joints))
{
    other.simulator = nullptr;
}

OurWorld::~OurWorld()
{
    DestroyOurWorld(*this);
}

void DestroyOurWorld(OurWorld& world)
{
    TSimulator::DestroySimulator(world.simulator);
    world.simulator = nullptr;
    world.bodies.clear();
    world.joints.clear();
}

void StepOurWorld(OurWorld& world, int steps)
{
    for (int i = 0; i < steps; ++i) {
        world.simulator->Advance(1.0f / 60.0f, 1, nullptr);
    }
}

uint64_t HashOurWorld(const OurWorld& world)
{
    return HashBodies(world.bodies);
}

uint64_t HashBodies(const std::vector<TBody*>& bodies)
{
    uint64_t hash = 1469598103934665603ull;
    auto mix = [&hash](const void* data, size_t size) {
        const unsigned char* bytes = static_cast<const unsigned char*>(data);
        for (size_t i = 0; i < size; ++i) {
            hash = (hash ^ bytes[i]) * 1099511628211ull;
        }
    };
    for (TBody* body : bodies) {
        if (body == nullptr || !body->IsRigid()) {
            continue;
        }
        const TRigidBody* rigid = static_cast<const TRigidBody*>(body);
        mix(&rigid->state.position, sizeof(float) * 3);
        for (const TVec4& row : rigid->state.rotation.row) {
            mix(&row, sizeof(float) * 3);
        }
        mix(&rigid->velocity, sizeof(float) * 3);
    }
    return hash;
}

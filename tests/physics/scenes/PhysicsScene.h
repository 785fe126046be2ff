#pragma once
// Physics scenes shared by the tests and the benchmark: each is plain data (terrain, bodies, joints,
// materials) that any engine can build, plus the builder for our simulator.

#include "physics/TAllocator.h"
#include "physics/TMath.h"
#include "physics/TTerrainTriangle.h"

#include <functional>
#include <string>
#include <vector>

class TSimulator;
class TBody;
class TRigidBody;
class TConstraint;

enum SceneShapeType {
    SCENE_BOX = 0,
    SCENE_SPHERE = 1,
};

struct SceneShape {
    SceneShapeType type = SCENE_BOX;
    TVec4 size = Vec(1, 1, 1); // box: full sizes; sphere: diameter in x
    TMat44 local = IdentityMat44();
    int material = 0;
};

struct SceneBody {
    bool dynamic = true;
    float mass = 1.0f;
    TVec4 inertia = Vec(1, 1, 1); // diagonal
    TVec4 position;
    TMat34 rotation = IdentityMat34();
    std::vector<SceneShape> shapes;
    int collisionId = 0;
    float restThreshold = 0.2f;
    int collideJoined = 0;
    TVec4 velocity;
    TVec4 angularMomentum;
    TVec4 force;  // constant, set once
    TVec4 torque; // constant, set once
};

struct SceneJoint {
    int bodyA = 0;
    int bodyB = 0;
    int type = 2;
    TMat44 frame = IdentityMat44();
    bool limit = false;
    float lower = 0.0f;
    float upper = 0.0f;
    int iterations = -1;
    float tolerance = -1.0f;
};

struct SceneMaterial {
    int index = 0;
    float friction = 0.5f;
    float restitution = 0.0f;
};

struct SceneTerrain {
    std::vector<TVec4> vertices;
    std::vector<TTerrainTriangle> triangles;
};

struct SceneDesc {
    std::string name;
    SceneTerrain terrain;
    std::vector<SceneBody> bodies;
    std::vector<SceneJoint> joints;
    std::vector<SceneMaterial> materials;
    int extraGeometries = 0;
};

// A square grid of cells x cells, each of the given size, centred on the origin, heights from the function.
// Same layout as the game's terrain: vertex (x, h, -z), two triangles per cell wound upwards.
SceneTerrain MakeGridTerrain(int cells, float cellSize, const std::function<float(float, float)>& height,
                             int material = 0);
// Height of the scene's grid at (x, z) for the flat and noise grids used below.
float RollingHeight(float x, float z);

SceneBody MakeBox(const TVec4& size, float mass, const TVec4& position, int material = 1);
SceneBody MakeSphere(float diameter, float mass, const TVec4& position, int material = 1);
SceneBody MakeStaticBox(const TVec4& size, const TVec4& position, int material = 3);

// The scenes.
SceneDesc BoxOnTerrainScene(float dropHeight = 0.6f);
// Unit boxes stacked with the given centre spacing (1.0: touching).
SceneDesc TowerScene(int boxes, float spacing = 1.01f);
SceneDesc PyramidScene(int base);
SceneDesc RainScene(int bodies);
// Boxes dropped in layers of 100 between four walls whose inner faces lie PILE_WALL_HALF_WIDTH from the centre.
SceneDesc PileScene(int boxes);
constexpr float PILE_WALL_HALF_WIDTH = 3.0f;
// count mopeds of six bodies and five hinges on rolling terrain; with staticBoxes static objects and crates.
SceneDesc GameScene(int mopeds, int staticBoxes, int crates);
// One moped on flat ground, as the race builds it.
SceneDesc MopedScene();

// Gives the simulator the terrain's triangles.
void SetSceneTerrain(TSimulator* simulator, const SceneTerrain& terrain);
// Hash of the given rigid bodies' position, rotation and velocity bits.
uint64_t HashBodies(const std::vector<TBody*>& bodies);

// Our simulator built from a scene: bodies and joints in scene order. The world owns its simulator.
struct OurWorld {
    OurWorld() = default;
    OurWorld(OurWorld&& other) noexcept;
    OurWorld& operator=(OurWorld&&) = delete;
    ~OurWorld();

    TSimulator* simulator = nullptr;
    std::vector<TBody*> bodies;
    std::vector<TConstraint*> joints;

    TRigidBody* Rigid(int i) const;
};

OurWorld BuildOurWorld(const SceneDesc& scene, TAllocator* allocator = nullptr, int spareBodies = 0);
void DestroyOurWorld(OurWorld& world);
// n steps of 1/60 s with one sub-step.
void StepOurWorld(OurWorld& world, int steps);
// Hash of every rigid body's position and rotation bits.
uint64_t HashOurWorld(const OurWorld& world);

#include "race/RaceWorld.h"

#include "race/PhysicsMaterials.h"

#include "engine/platform/Log.h"
#include "physics/PhysicsEngine.h"
#include "physics/TSimulator.h"

namespace {

constexpr float GRAVITY = 9.81f;
constexpr int32_t RESERVED_SIZE = 10;

} // namespace

bool CreateRaceWorld(PhysicsEngine* physics, const RaceWorldSize& size, TCollisionCallback onCollision)
{
    const TVec4 gravity = Vec(0.0f, -GRAVITY, 0.0f);
    physics->reportError = ReportError;
    if (!physics->Create(size.rigidBodies, size.animatedBodies, 0, size.geometries, 0, size.constraints,
                         size.constraintSets, RESERVED_SIZE, 0, size.terrainVertices, 0, &gravity))
        return false;
    physics->simulator->SetCollisionCallback(onCollision);
    SetupPhysicsMaterials(physics);
    SetupCollisionGroups(physics);
    return true;
}

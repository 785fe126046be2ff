#include "physics/PhysicsEngine.h"

#include "physics/PhysicsAllocator.h"
#include "physics/TSimulator.h"

#include <cstdint>
#include <cstdio>

bool PhysicsEngine::Create(int rigidBodies, int animatedBodies, int rigidParticles, int geometries, int forceUpdaters,
                           int constraints, int constraintSets, int reserved8, int probes, int reserved10,
                           int reserved11, const TVec4* gravity)
{
    Destroy();
    sizeInfo = TSizeInfo{};
    int32_t* fields = &sizeInfo.rigidBodiesCount;
    for (int i = 0; i < 12; ++i) {
        fields[i] = 0;
    }
    sizeInfo.rigidBodiesCount = rigidBodies;
    sizeInfo.animatedBodiesCount = animatedBodies;
    sizeInfo.rigidParticleCount = rigidParticles;
    sizeInfo.forceUpdatersCount = forceUpdaters;
    int64_t n = int64_t(rigidBodies) + int64_t(animatedBodies);
    int64_t pairs = n > 1 ? n * (n - 1) / 2 : 0;
    sizeInfo.overlapPairsCount = int32_t(pairs > INT32_MAX ? INT32_MAX : pairs);
    sizeInfo.geometriesCount = geometries;
    sizeInfo.constraintsCount = constraints;
    sizeInfo.constraintSetsCount = constraintSets;
    sizeInfo.reservedSize = reserved8;
    sizeInfo.probesCount = probes;
    sizeInfo.reservedStartCount = reserved10;
    sizeInfo.reservedGrowBy = reserved11;
    simulator = TSimulator::CreateSimulator(&sizeInfo, &g_PhysicsAllocator, gravity);
    if (simulator != nullptr) {
        return true;
    }
    const char* const failure = "Error initializing physics engine!";
    if (reportError != nullptr) {
        return reportError(failure, true, nullptr);
    }
    std::fprintf(stderr, "%s\n", failure); // no reporter installed: the failure must not go unseen
    return false;
}

void PhysicsEngine::Destroy()
{
    if (simulator != nullptr) {
        TSimulator::DestroySimulator(simulator);
        simulator = nullptr;
    }
}

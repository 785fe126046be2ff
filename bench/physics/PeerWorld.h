#pragma once
// One engine's copy of a shared scene, stepped at 1/60 s with one internal step.

#include "physics/TMath.h"
#include "physics/scenes/PhysicsScene.h"

#include <cstdint>
#include <memory>
#include <string>

class PeerWorld {
public:
    virtual ~PeerWorld() = default;
    virtual void Step() = 0;
    // Dynamic body i of the scene (scene order, static bodies skipped).
    virtual TVec4 Position(int body) const = 0;
    virtual bool IsAsleep(int body) const = 0;
    virtual int DynamicCount() const = 0;
    // Largest gap between the two pivots of a joint, or -1 when the engine does not tell.
    virtual float JointError() const { return -1.0f; }
};

// Heap blocks taken by each engine since start-up.
uint64_t OurAllocations();
uint64_t BulletAllocations();
uint64_t OdeAllocations();

std::unique_ptr<PeerWorld> MakeOurWorld(const SceneDesc& scene);
std::unique_ptr<PeerWorld> MakeBulletWorld(const SceneDesc& scene);
std::unique_ptr<PeerWorld> MakeOdeWorld(const SceneDesc& scene);
// Must run before any Bullet or ODE object exists.
void InstallPeerAllocators();

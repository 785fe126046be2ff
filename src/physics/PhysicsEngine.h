#pragma once
// The game's wrapper of one simulator: the race's counts become a TSizeInfo and the simulator is made with
// the game's allocator and a gravity vector.

#include "physics/TMath.h"
#include "physics/TSizeInfo.h"

class TSimulator;

class PhysicsEngine {
public:
    // How a failure reaches the program's error report (its ReportError); none by default.
    typedef bool (*ErrorReporter)(const char* message, bool logIt, const char* detail);

    PhysicsEngine() = default;
    PhysicsEngine(const PhysicsEngine&) = delete;
    PhysicsEngine& operator=(const PhysicsEngine&) = delete;
    ~PhysicsEngine() { Destroy(); }

    // Note the argument order: geometries come before force updaters.
    bool Create(int rigidBodies, int animatedBodies, int rigidParticles, int geometries, int forceUpdaters,
                int constraints, int constraintSets, int reserved8, int probes, int reserved10, int reserved11,
                const TVec4* gravity);
    // Destroys the simulator when there is one; safe to repeat.
    void Destroy();

    TSimulator* simulator = nullptr;
    TSizeInfo sizeInfo;
    ErrorReporter reportError = nullptr;
};

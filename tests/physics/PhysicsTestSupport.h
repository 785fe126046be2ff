#pragma once
// Helpers of the physics tests: an allocator that counts, fills and fails on demand, a message catcher and
// the world's invariants.

#include "physics/TAllocator.h"
#include "physics/TSimulator.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

class CountingAllocator : public TAllocator {
public:
    void* Alloc(size_t size, uint32_t) override
    {
        ++calls;
        if ((failAt >= 0 && calls == failAt) || (failAfter >= 0 && allocations >= failAfter)) {
            return nullptr;
        }
        void* block = std::aligned_alloc(16, ((size == 0 ? 1 : size) + 15) & ~size_t(15));
        if (block == nullptr) {
            return nullptr;
        }
        std::memset(block, fill, size);
        live.insert(block);
        ++allocations;
        return block;
    }

    void Free(void* block) override
    {
        if (block == nullptr) {
            return;
        }
        if (live.erase(block) == 0) {
            ++badFrees;
            return;
        }
        ++frees;
        std::free(block);
    }

    int fill = 0;       // byte written over every new block
    int failAt = -1;    // the call number (1-based) that returns null
    int failAfter = -1; // the number of blocks handed out before every later call returns null
    int calls = 0;
    int allocations = 0;
    int frees = 0;
    int badFrees = 0;
    std::set<void*> live;
};

// Catches the engine's messages of one simulator.
struct MessageCatcher {
    static std::vector<std::string>& Messages()
    {
        static std::vector<std::string> messages;
        return messages;
    }
    static void Catch(const char* text) { Messages().push_back(text); }
    static void Attach(TSimulator* simulator)
    {
        Messages().clear();
        simulator->SetLogCallback(&MessageCatcher::Catch, 1);
    }
    static bool Saw(const std::string& text)
    {
        for (const std::string& message : Messages()) {
            if (message == text) {
                return true;
            }
        }
        return false;
    }
};

inline bool IsFiniteBody(const TRigidBody* body)
{
    return IsFinite3(body->state.position) && IsFinite3(body->velocity) && IsFinite3(body->state.angularMomentum) &&
           std::isfinite(body->state.orientation.w);
}

inline float QuaternionLength(const TQuat& q)
{
    return std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w);
}

// A simulator with the given pools and gravity (0, -9.81, 0).
inline TSimulator* MakeSimulator(int rigid, int animated, int geometries, TAllocator* allocator = nullptr,
                                 int constraints = 10, int sets = 10)
{
    TSizeInfo sizes;
    sizes.rigidBodiesCount = rigid;
    sizes.animatedBodiesCount = animated;
    sizes.rigidParticleCount = 0;
    int n = rigid + animated;
    sizes.overlapPairsCount = n * (n - 1) / 2;
    sizes.geometriesCount = geometries;
    sizes.constraintsCount = constraints;
    sizes.constraintSetsCount = sets;
    TVec4 gravity = Vec(0, -9.81f, 0);
    return TSimulator::CreateSimulator(&sizes, allocator, &gravity);
}

// A simulator with the default pools and no gravity.
inline TSimulator* MakeWeightlessSimulator()
{
    TSizeInfo sizes;
    TVec4 none = Vec(0, 0, 0);
    return TSimulator::CreateSimulator(&sizes, nullptr, &none);
}

// A simulator destroyed when it goes out of scope; it stands for the simulator wherever one is asked for.
class OwnedSimulator {
public:
    explicit OwnedSimulator(TSimulator* owned) : simulator(owned) {}
    ~OwnedSimulator() { TSimulator::DestroySimulator(simulator); }
    OwnedSimulator(const OwnedSimulator&) = delete;
    OwnedSimulator& operator=(const OwnedSimulator&) = delete;

    operator TSimulator*() const { return simulator; }
    TSimulator* operator->() const { return simulator; }

private:
    TSimulator* simulator;
};

// A rigid unit-mass box of the given full sizes at a position.
inline TRigidBody* AddBox(TSimulator* simulator, const TVec4& size, const TVec4& position, float mass = 1.0f,
                          int material = 1)
{
    TRigidBody* body = simulator->CreateRigidBody();
    if (body == nullptr) {
        return nullptr;
    }
    TConvex* box = body->AddGeometry();
    if (box != nullptr) {
        box->SetBoxSize(&size);
        box->SetMaterialIndex(material);
    }
    body->UpdateBoundingInfo();
    float s = std::fmax(size.x, std::fmax(size.y, size.z));
    TVec4 inertia = Vec(s * s * mass / 6.0f, s * s * mass / 6.0f, s * s * mass / 6.0f);
    body->SetMass(mass);
    body->SetInertiaTensor(&inertia);
    body->SetPosition(&position);
    return body;
}

inline TAnimatedBody* AddStaticBox(TSimulator* simulator, const TVec4& size, const TVec4& position, int material = 3)
{
    TAnimatedBody* body = simulator->CreateAnimatedBody();
    if (body == nullptr) {
        return nullptr;
    }
    TConvex* box = body->AddGeometry();
    box->SetBoxSize(&size);
    box->SetMaterialIndex(material);
    body->UpdateBoundingInfo();
    body->SetPosition(&position);
    return body;
}

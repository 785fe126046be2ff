#include "PeerWorld.h"

#include "physics/TSimulator.h"

#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

uint64_t g_OurBlocks = 0;

class CountingAllocator : public TAllocator {
public:
    void* Alloc(size_t size, uint32_t) override
    {
        ++g_OurBlocks;
        return std::malloc(size == 0 ? 1 : size);
    }
    void Free(void* block) override { std::free(block); }
};

CountingAllocator g_Allocator;

class OurPeerWorld : public PeerWorld {
public:
    explicit OurPeerWorld(const SceneDesc& scene) : world(BuildOurWorld(scene, &g_Allocator))
    {
        for (size_t i = 0; i < scene.bodies.size(); ++i) {
            if (scene.bodies[i].dynamic) {
                dynamic.push_back(world.Rigid(int(i)));
                forces.push_back(scene.bodies[i].force);
            }
        }
    }
    ~OurPeerWorld() override { DestroyOurWorld(world); }

    void Step() override { world.simulator->Advance(1.0f / 60.0f, 1, nullptr); }
    TVec4 Position(int body) const override { return dynamic[size_t(body)]->state.position; }
    bool IsAsleep(int body) const override { return dynamic[size_t(body)]->status == TREST_RESTING; }
    int DynamicCount() const override { return int(dynamic.size()); }
    float JointError() const override
    {
        float gap = world.joints.empty() ? -1.0f : 0.0f;
        for (TConstraint* joint : world.joints) {
            joint->UpdateFrames();
            joint->UpdateAnchors();
            for (int i = 0; i < joint->rowCount; ++i) {
                gap = std::fmax(gap, std::sqrt(LengthSquared3(joint->pivotAWorld[i] - joint->pivotBWorld[i])));
            }
        }
        return gap;
    }

private:
    OurWorld world;
    std::vector<TRigidBody*> dynamic;
    std::vector<TVec4> forces;
};

} // namespace

uint64_t OurAllocations()
{
    return g_OurBlocks;
}

std::unique_ptr<PeerWorld> MakeOurWorld(const SceneDesc& scene)
{
    return std::make_unique<OurPeerWorld>(scene);
}

#include "PhysicsTestSupport.h"

#include "physics/scenes/PhysicsScene.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

float Bumpy(float x, float z)
{
    return 1.5f + 1.5f * std::sin(x * 0.3f) * std::cos(z * 0.25f);
}

struct SoakResult {
    uint64_t hash = 0;
    int created = 0;
    int refused = 0;
    int nonFinite = 0;
};

// A world of mixed bodies, joints and static boxes, created and freed at random while it runs.
SoakResult RunSoak(CountingAllocator* allocator, uint32_t seed, int steps)
{
    SoakResult result;
    SceneTerrain terrain = MakeGridTerrain(80, 1.0f, Bumpy);
    TSizeInfo sizes;
    sizes.rigidBodiesCount = 30;
    sizes.animatedBodiesCount = 10;
    sizes.rigidParticleCount = 0;
    sizes.overlapPairsCount = 300;
    sizes.geometriesCount = 200;
    sizes.constraintsCount = 8;
    sizes.constraintSetsCount = 4;
    sizes.reservedStartCount = 1364;
    TVec4 gravity = Vec(0, -9.81f, 0);
    TSimulator* simulator = TSimulator::CreateSimulator(&sizes, allocator, &gravity);
    if (simulator == nullptr) {
        return result;
    }
    simulator->SetMaterial(0, 1.0f, 0.1f);
    SetSceneTerrain(simulator, terrain);

    std::mt19937 random(seed);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    auto range = [&](float low, float high) { return low + (high - low) * unit(random); };
    std::vector<TRigidBody*> rigid;
    std::vector<TAnimatedBody*> fixed;
    std::vector<TConstraint*> joints;

    auto addRigid = [&] {
        TRigidBody* body = simulator->CreateRigidBody();
        if (body == nullptr) {
            ++result.refused;
            return;
        }
        ++result.created;
        int shape = int(range(0, 4));
        int pieces = shape == 3 ? 64 : 1 + int(range(0, 3));
        for (int i = 0; i < pieces; ++i) {
            TConvex* geometry = body->AddGeometry();
            if (geometry == nullptr) {
                ++result.refused;
                break;
            }
            TMat44 local = IdentityMat44();
            if (shape == 3) {
                float theta = float(i) * 0.09817477f;
                geometry->SetSphereDiameter(0.185f);
                local.row[3] = Vec(0, 0.1165f * std::cos(theta), 0.1165f * std::sin(theta), 1);
            } else if (shape == 0) {
                TVec4 size = Vec(range(0.4f, 2.0f), range(0.4f, 2.0f), range(0.4f, 2.0f));
                geometry->SetBoxSize(&size);
                local.row[3] = Vec(range(-0.5f, 0.5f), range(-0.5f, 0.5f), range(-0.5f, 0.5f), 1) * float(i);
                local.row[3].w = 1.0f;
            } else {
                geometry->SetSphereDiameter(range(0.5f, 1.5f));
                local.row[3] = Vec(range(-0.3f, 0.3f), 0, 0, 1) * float(i);
                local.row[3].w = 1.0f;
            }
            geometry->SetTransform(&local);
            geometry->SetMaterialIndex(int(range(0, 3)));
        }
        if (body->bounds.geometryCount == 0) {
            simulator->FreeBody(body); // a body that cannot collide would only fall forever
            return;
        }
        body->UpdateBoundingInfo();
        body->SetCollisionId(int(range(0, 3)));
        body->SetMass(range(0.5f, 40.0f));
        TVec4 inertia = Vec(range(0.2f, 3.0f), range(0.2f, 3.0f), range(0.2f, 3.0f));
        body->SetInertiaTensor(&inertia);
        float x = range(-15, 15), z = range(-15, 15);
        TVec4 position = Vec(x, Bumpy(x, z) + range(1.0f, 4.0f), z);
        body->SetPosition(&position);
        TVec4 velocity = Vec(range(-5, 5), range(-5, 5), range(-5, 5));
        body->SetVelocity(&velocity);
        rigid.push_back(body);
    };
    auto addFixed = [&] {
        TAnimatedBody* body = simulator->CreateAnimatedBody();
        if (body == nullptr) {
            ++result.refused;
            return;
        }
        TConvex* box = body->AddGeometry();
        if (box != nullptr) {
            TVec4 size = Vec(range(0.5f, 3.0f), range(0.5f, 3.0f), range(0.5f, 3.0f));
            box->SetBoxSize(&size);
        }
        body->UpdateBoundingInfo();
        body->SetCollisionId(3);
        float x = range(-15, 15), z = range(-15, 15);
        TVec4 position = Vec(x, Bumpy(x, z), z);
        body->SetPosition(&position);
        fixed.push_back(body);
    };
    auto addJoint = [&] {
        if (rigid.size() < 2) {
            return;
        }
        TRigidBody* a = rigid[size_t(range(0, float(rigid.size())))];
        TRigidBody* b = rigid[size_t(range(0, float(rigid.size())))];
        if (a == b) {
            return;
        }
        TConstraint* joint = simulator->CreateConstraint(a, b);
        if (joint == nullptr) {
            ++result.refused;
            return;
        }
        TMat44 frame = MakeTransform(IdentityMat34(), (a->state.position + b->state.position) * 0.5f);
        joint->SetFrame(&frame);
        joint->SetType(int(range(0, 4)));
        joint->SetLimitMin(-0.4f);
        joint->SetLimitMax(0.4f);
        joint->SetLimitEnabled(int(range(0, 2)));
        joint->SetIterationCount(8);
        joint->Enable(1);
        joints.push_back(joint);
    };

    for (int i = 0; i < 20; ++i) {
        addRigid();
    }
    for (int i = 0; i < 6; ++i) {
        addFixed();
    }
    for (int step = 0; step < steps; ++step) {
        if (step % 25 == 0) {
            for (TRigidBody* body : rigid) {
                const TVec4& p = body->state.position;
                if (std::fabs(p.x) > 30.0f || std::fabs(p.z) > 30.0f || p.y < Bumpy(p.x, p.z) - 5.0f) {
                    float x = range(-15, 15), z = range(-15, 15);
                    TVec4 back = Vec(x, Bumpy(x, z) + 2.0f, z);
                    body->SetPosition(&back); // off the edge: put back over the ground
                }
            }
            int action = int(range(0, 6));
            if (action == 0) {
                addRigid();
            } else if (action == 1 && !rigid.empty()) {
                size_t index = size_t(range(0, float(rigid.size())));
                TRigidBody* body = rigid[index];
                for (size_t j = 0; j < joints.size();) {
                    if (joints[j]->bodyA == body || joints[j]->bodyB == body) {
                        joints.erase(joints.begin() + long(j));
                    } else {
                        ++j;
                    }
                }
                simulator->FreeBody(body);
                rigid.erase(rigid.begin() + long(index));
            } else if (action == 2) {
                addJoint();
            } else if (action == 3 && !joints.empty()) {
                size_t index = size_t(range(0, float(joints.size())));
                simulator->FreeConstraint(joints[index]);
                joints.erase(joints.begin() + long(index));
            } else if (action == 4 && !fixed.empty()) {
                TAnimatedBody* body = fixed[size_t(range(0, float(fixed.size())))];
                TVec4 position = body->position + Vec(range(-0.5f, 0.5f), 0, range(-0.5f, 0.5f));
                body->SetPosition(&position);
            } else if (action == 5) {
                if (fixed.size() > 3) {
                    simulator->FreeBody(fixed.back());
                    fixed.pop_back();
                }
                addFixed();
            }
        }
        simulator->Advance(1.0f / 60.0f, 1, nullptr);
        if (step % 50 == 0) {
            for (TRigidBody* body : rigid) {
                if (!IsFiniteBody(body)) {
                    ++result.nonFinite;
                }
            }
        }
    }
    result.hash = HashBodies(std::vector<TBody*>(rigid.begin(), rigid.end()));
    TSimulator::DestroySimulator(simulator);
    return result;
}

} // namespace

TEST(Soak, RandomWorldStaysFiniteLeaksNothingAndIgnoresFreshMemoryContents)
{
    CountingAllocator zeroed;
    SoakResult first = RunSoak(&zeroed, 2026u, 5000);
    EXPECT_GT(first.created, 20);
    EXPECT_GT(first.refused, 0) << "the run reaches empty pools";
    EXPECT_EQ(first.nonFinite, 0);
    EXPECT_TRUE(zeroed.live.empty());
    EXPECT_EQ(zeroed.badFrees, 0);

    CountingAllocator poisoned;
    poisoned.fill = 0xFF; // a NaN pattern in every float, -1 in every integer
    SoakResult second = RunSoak(&poisoned, 2026u, 5000);
    EXPECT_EQ(second.hash, first.hash) << "no field may depend on what a new block held";
    EXPECT_TRUE(poisoned.live.empty());
}

TEST(Determinism, SameSceneTwiceGivesBitIdenticalPoses)
{
    for (SceneDesc scene : {TowerScene(10), RainScene(100), GameScene(2, 200, 20)}) {
        uint64_t hashes[2];
        for (uint64_t& hash : hashes) {
            OurWorld world = BuildOurWorld(scene);
            StepOurWorld(world, 300);
            hash = HashOurWorld(world);
        }
        EXPECT_EQ(hashes[0], hashes[1]) << scene.name;
    }
}

TEST(Determinism, StepsAllocateNothingAfterWarmUp)
{
    // A wide slab that first meets the track-sized ground after the warm-up, over more cells and
    // triangles than any earlier gathering listed.
    SceneDesc slab = GameScene(0, 0, 0);
    slab.name = "late slab";
    slab.bodies.push_back(MakeBox(Vec(40, 1, 40), 200.0f, Vec(0, 45, 0)));
    for (SceneDesc scene : {PyramidScene(10), RainScene(300), GameScene(6, 1400, 50), PileScene(400), slab}) {
        CountingAllocator allocator;
        {
            OurWorld world = BuildOurWorld(scene, &allocator);
            ASSERT_NE(world.simulator, nullptr);
            StepOurWorld(world, 120);
            int before = allocator.calls;
            StepOurWorld(world, 240);
            EXPECT_EQ(allocator.calls, before) << scene.name;
        }
        EXPECT_TRUE(allocator.live.empty());
    }
}

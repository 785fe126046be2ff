#include "PhysicsTestSupport.h"

#include "physics/scenes/PhysicsScene.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

std::vector<TCollisionInfo> g_Calls;

void Record(TCollisionInfo* info)
{
    g_Calls.push_back(*info);
}

// Two unit boxes overlapping by 0.1 along x, in a world without terrain and without gravity.
struct OverlappingBoxes {
    OwnedSimulator simulator{MakeWeightlessSimulator()};
    TRigidBody* a;
    TRigidBody* b;

    explicit OverlappingBoxes(uint32_t response)
    {
        a = AddBox(simulator, Vec(1, 1, 1), Vec(0, 0, 0));
        b = AddBox(simulator, Vec(1, 1, 1), Vec(0.9f, 0, 0));
        a->SetCollisionId(4);
        b->SetCollisionId(5);
        simulator->GetCollisionTable()->Set(4, 5, response);
        simulator->SetCollisionCallback(&Record);
        g_Calls.clear();
    }
};

} // namespace

TEST(TimeStep, CollisionTableDecidesResolutionAndCallback)
{
    for (uint32_t response : {0u, 1u, 2u, 3u}) {
        OverlappingBoxes world(response);
        TVec4 closing = Vec(3, 0, 0);
        world.a->SetVelocity(&closing);
        TVec4 closingB = Vec(-2, 0, 0);
        world.b->SetVelocity(&closingB);
        world.simulator->Advance(1.0f / 60.0f, 1, nullptr);
        bool resolved = world.a->velocity.x < 2.9f;
        EXPECT_EQ(resolved, (response & 1) != 0) << "response " << response;
        ASSERT_EQ(g_Calls.size(), (response & 2) ? 1u : 0u) << "response " << response;
        if (!g_Calls.empty()) {
            const TCollisionInfo& info = g_Calls[0];
            EXPECT_EQ(info.kindA, TCOLLISION_KIND_RIGID);
            EXPECT_EQ(info.kindB, TCOLLISION_KIND_RIGID);
            EXPECT_NE(info.geometryA, nullptr);
            EXPECT_NE(info.geometryB, nullptr);
            EXPECT_EQ(info.materialA, 1);
            EXPECT_NEAR(std::sqrt(LengthSquared3(info.contactVelocity)), 5.0f, 1e-4f)
                << "the impact speed of this contact, computed before it is resolved";
            EXPECT_NEAR(std::fabs(info.normal.x), 1.0f, 1e-5f);
            EXPECT_GE(info.worldPointA.x, 0.39f) << "the contact lies in the overlap of the two boxes";
            EXPECT_LE(info.worldPointA.x, 0.51f);
            EXPECT_TRUE((info.bodyA == world.a && info.bodyB == world.b) ||
                        (info.bodyA == world.b && info.bodyB == world.a));
        }
    }
}

TEST(TimeStep, TerrainCallbackComesWhenAskedForAndNamesTheTerrainSide)
{
    SceneDesc scene = BoxOnTerrainScene(0.45f);
    scene.terrain = MakeGridTerrain(
        16, 2.0f, [](float, float) { return 0.0f; }, 9);
    scene.bodies[0].collisionId = 2;
    OurWorld world = BuildOurWorld(scene);
    world.simulator->SetCollisionCallback(&Record);
    g_Calls.clear();
    world.simulator->Advance(1.0f / 60.0f, 1, nullptr);
    EXPECT_TRUE(g_Calls.empty()) << "a fresh world resolves terrain contacts without a callback";
    world.simulator->GetCollisionTable()->Set(2, -1, 3);
    world.simulator->Advance(1.0f / 60.0f, 3, nullptr);
    ASSERT_EQ(g_Calls.size(), 3u) << "one callback per sub-step";
    const TCollisionInfo& info = g_Calls[0];
    EXPECT_EQ(info.bodyA, world.bodies[0]);
    EXPECT_EQ(info.kindA, TCOLLISION_KIND_RIGID);
    EXPECT_EQ(info.kindB, TCOLLISION_KIND_TERRAIN);
    EXPECT_EQ(info.geometryB, nullptr);
    EXPECT_NE(info.bodyB, nullptr);
    EXPECT_EQ(info.materialB, 9);
    EXPECT_NEAR(info.normal.y, 1.0f, 1e-5f);
}

TEST(TimeStep, OverlappingAnimatedBodiesNeverMeet)
{
    OwnedSimulator simulator(MakeSimulator(1, 2, 4));
    simulator->SetCollisionCallback(&Record);
    simulator->GetCollisionTable()->Set(3, 3, 3);
    AddStaticBox(simulator, Vec(1, 1, 1), Vec(0, 0, 0));
    AddStaticBox(simulator, Vec(1, 1, 1), Vec(0.5f, 0, 0));
    g_Calls.clear();
    simulator->Advance(1.0f / 60.0f, 2, nullptr);
    EXPECT_TRUE(g_Calls.empty());
}

TEST(TimeStep, JoinedBodiesReportButDoNotResolve)
{
    OverlappingBoxes world(3);
    world.a->SetCollideJoined(1);
    world.b->SetCollideJoined(1);
    TConstraint* hinge = world.simulator->CreateConstraint(world.a, world.b);
    TMat44 frame = MakeTransform(IdentityMat34(), Vec(0.45f, 0, 0));
    hinge->SetFrame(&frame);
    hinge->SetType(2);
    hinge->Enable(1);
    world.simulator->Advance(1.0f / 60.0f, 1, nullptr);
    EXPECT_EQ(g_Calls.size(), 1u);
    EXPECT_NEAR(world.a->velocity.x, 0.0f, 1e-5f) << "the contact between joined bodies is dropped";

    world.a->SetCollideJoined(0);
    g_Calls.clear();
    world.simulator->Advance(1.0f / 60.0f, 1, nullptr);
    EXPECT_TRUE(g_Calls.empty()) << "bodies of one set are tested only when both allow it";
}

TEST(TimeStep, MovedPlatformWakesTheBoxOnIt)
{
    SceneDesc scene = BoxOnTerrainScene(3.0f);
    scene.bodies.insert(scene.bodies.begin(), MakeStaticBox(Vec(4, 0.5f, 4), Vec(0, 2.0f, 0)));
    OurWorld world = BuildOurWorld(scene);
    auto* platform = static_cast<TAnimatedBody*>(world.bodies[0]);
    TRigidBody* box = world.Rigid(1);
    StepOurWorld(world, 240);
    ASSERT_EQ(box->status, TREST_RESTING);
    EXPECT_NEAR(box->state.position.y, 2.75f, 0.02f);
    float restingHeight = box->state.position.y;
    TVec4 nudged = Vec(0, 2.01f, 0);
    platform->SetPosition(&nudged);
    StepOurWorld(world, 1);
    EXPECT_EQ(box->status, TREST_AWAKE) << "a support that moves wakes the box, even by less than contact slack";
    TVec4 lifted = Vec(0, 2.3f, 0);
    platform->SetPosition(&lifted);
    StepOurWorld(world, 30);
    EXPECT_GT(box->state.position.y, restingHeight + 0.2f) << "the platform moved into the box";

    world.simulator->FreeBody(platform);
    StepOurWorld(world, 60);
    EXPECT_EQ(box->status, TREST_AWAKE);
    EXPECT_LT(box->state.position.y, 1.0f) << "the box falls once its support is gone";
}

TEST(TimeStep, RigidBodyPushesAParticleOutOfItself)
{
    TSizeInfo sizes;
    OwnedSimulator simulator(MakeWeightlessSimulator());
    TRigidBody* box = AddBox(simulator, Vec(1, 1, 1), Vec(0, 0, 0));
    TRigidBody* particle = simulator->CreateBodyImpl(1);
    ASSERT_NE(particle, nullptr);
    EXPECT_TRUE(particle->IsParticle());
    EXPECT_EQ(particle->bodyIndex, sizes.rigidBodiesCount + sizes.animatedBodiesCount);
    TConvex* sphere = particle->AddGeometry();
    sphere->SetSphereDiameter(0.4f);
    particle->UpdateBoundingInfo();
    TVec4 inside = Vec(0.6f, 0, 0);
    particle->SetPosition(&inside);
    simulator->Advance(1.0f / 60.0f, 1, nullptr);
    EXPECT_GT(particle->state.position.x, 0.65f) << "moved out by the penetration depth";
    EXPECT_TRUE(IsFiniteBody(box));
    simulator->FreeBody(particle);
    simulator->FreeBody(particle);
    EXPECT_STREQ(simulator->GetLastMessage(), "Trying to Free invalid RigidParticle.\n");
}

TEST(TimeStep, RestingBodyIsNotTestedAgainstTheTerrainUntilWoken)
{
    SceneDesc scene = BoxOnTerrainScene(0.6f);
    scene.bodies[0].collisionId = 2;
    OurWorld world = BuildOurWorld(scene);
    world.simulator->GetCollisionTable()->Set(2, -1, 3);
    world.simulator->SetCollisionCallback(&Record);
    TRigidBody* box = world.Rigid(0);
    StepOurWorld(world, 240);
    ASSERT_EQ(box->status, TREST_RESTING);
    g_Calls.clear();
    StepOurWorld(world, 60);
    EXPECT_TRUE(g_Calls.empty()) << "a resting body is left alone";
    TVec4 nudge = Vec(0, 0, 5.0f);
    box->SetForce(&nudge);
    StepOurWorld(world, 1);
    EXPECT_FALSE(g_Calls.empty()) << "a woken body touches the ground again";
}

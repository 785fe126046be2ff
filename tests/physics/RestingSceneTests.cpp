#include "PhysicsTestSupport.h"

#include "physics/scenes/PhysicsScene.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

// A planar slope falling along +x at the given angle; the box lies on it turned to match.
SceneDesc SlopeScene(float angle, float friction, float boxFriction = -1.0f)
{
    SceneDesc scene;
    float slope = std::tan(angle);
    scene.terrain = MakeGridTerrain(24, 2.0f, [slope](float x, float) { return -slope * x; });
    scene.materials.push_back(SceneMaterial{0, friction, 0.0f});
    scene.materials.push_back(SceneMaterial{1, boxFriction < 0.0f ? friction : boxFriction, 0.0f});
    float c = std::cos(angle), s = std::sin(angle);
    SceneBody box = MakeBox(Vec(1, 1, 1), 1.0f, Vec(0.52f * s, 0.52f * c, 0.0f));
    box.rotation.row[0] = Vec(c, -s, 0);
    box.rotation.row[1] = Vec(s, c, 0);
    box.rotation.row[2] = Vec(0, 0, 1);
    scene.bodies.push_back(box);
    return scene;
}

float HorizontalDistance(const TVec4& a, const TVec4& b)
{
    return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.z - b.z) * (a.z - b.z));
}

} // namespace

// The contact allowance (0.001 g) and the position step's half-acceleration term let a resting body sink
// a little over a centimetre into its support.
constexpr float REST_SINK = 0.015f;

TEST(RestingScene, BoxDroppedOnFlatTerrainComesToRestAtItsHalfHeight)
{
    OurWorld world = BuildOurWorld(BoxOnTerrainScene(0.6f));
    TRigidBody* box = world.Rigid(0);
    TVec4 start = box->state.position;
    int restedAt = -1;
    for (int step = 0; step < 180 && restedAt < 0; ++step) {
        StepOurWorld(world, 1);
        if (box->status == TREST_RESTING) {
            restedAt = step;
        }
    }
    ASSERT_GE(restedAt, 0) << "asleep within 3 s";
    EXPECT_NEAR(box->state.position.y, 0.5f, REST_SINK);
    EXPECT_LT(HorizontalDistance(box->state.position, start), 0.01f);
    EXPECT_GT(box->state.rotation.row[1].y, std::cos(0.0175f));
    TVec4 rested = box->state.position;
    StepOurWorld(world, 600);
    EXPECT_EQ(box->status, TREST_RESTING);
    EXPECT_EQ(box->state.position.y, rested.y);
    EXPECT_LE(box->CachedContactCount(), 3);
}

TEST(RestingScene, FrictionHoldsABoxOnASlopeOrLetsItSlide)
{
    const float angle = 0.2618f; // 15 degrees
    OurWorld sticky = BuildOurWorld(SlopeScene(angle, 0.5f));
    TVec4 start = sticky.Rigid(0)->state.position;
    StepOurWorld(sticky, 60);
    TVec4 settled = sticky.Rigid(0)->state.position;
    StepOurWorld(sticky, 300);
    EXPECT_LT(HorizontalDistance(sticky.Rigid(0)->state.position, settled), 0.05f);
    EXPECT_LT(HorizontalDistance(settled, start), 0.05f);
    EXPECT_EQ(sticky.Rigid(0)->status, TREST_RESTING);

    OurWorld slippery = BuildOurWorld(SlopeScene(angle, 0.1f));
    start = slippery.Rigid(0)->state.position;
    StepOurWorld(slippery, 300);
    TRigidBody* box = slippery.Rigid(0);
    EXPECT_GT(box->state.position.x - start.x, 1.0f) << "slides down the slope";
    EXPECT_EQ(box->status, TREST_AWAKE);

    OurWorld mixed = BuildOurWorld(SlopeScene(angle, 0.1f, 18.0f));
    start = mixed.Rigid(0)->state.position;
    StepOurWorld(mixed, 300);
    EXPECT_GT(mixed.Rigid(0)->state.position.x - start.x, 1.0f) << "the smaller friction of the pair applies";
}

TEST(RestingScene, StacksStandStillSleepAndFallWhenTheBottomGoes)
{
    for (int height : {3, 5}) {
        OurWorld world = BuildOurWorld(TowerScene(height));
        StepOurWorld(world, 120);
        std::vector<TVec4> settled;
        for (int i = 0; i < height; ++i) {
            settled.push_back(world.Rigid(i)->state.position);
            EXPECT_NEAR(settled.back().y, 0.5f + float(i), 0.03f + REST_SINK * float(i + 1)) << "box " << i;
        }
        for (int step = 0; step < 600; ++step) {
            StepOurWorld(world, 1);
            for (int i = 0; i < height; ++i) {
                ASSERT_LT(std::sqrt(LengthSquared3(world.Rigid(i)->state.position - settled[size_t(i)])), 0.01f)
                    << "tower of " << height << ", box " << i << ", step " << step;
            }
        }
        for (int i = 0; i < height; ++i) {
            EXPECT_EQ(world.Rigid(i)->status, TREST_RESTING) << "tower of " << height << ", box " << i;
        }

        world.simulator->FreeBody(world.bodies[0]);
        StepOurWorld(world, 60);
        for (int i = 1; i < height; ++i) {
            EXPECT_LT(world.Rigid(i)->state.position.y, settled[size_t(i)].y - 0.3f)
                << "tower of " << height << ", box " << i;
        }
    }
}

TEST(RestingScene, PyramidSettlesWithoutTunnelling)
{
    OurWorld world = BuildOurWorld(PyramidScene(10));
    StepOurWorld(world, 600);
    int resting = 0;
    for (size_t i = 0; i < world.bodies.size(); ++i) {
        TRigidBody* box = world.Rigid(int(i));
        ASSERT_TRUE(IsFiniteBody(box));
        EXPECT_GT(box->state.position.y, 0.45f);
        resting += box->status == TREST_RESTING ? 1 : 0;
    }
    EXPECT_EQ(resting, 55);
}

TEST(RestingScene, StackBookkeepingHoldsWhileAHeapSettlesAndIsTakenApart)
{
    SceneDesc scene = PileScene(0);
    for (int i = 0; i < 12; ++i) { // three staggered layers of four unit boxes: they land on one another
        float x = float(i % 2) * 1.05f - 0.5f + float(i / 4) * 0.3f;
        float z = float((i / 2) % 2) * 1.05f - 0.5f;
        scene.bodies.push_back(MakeBox(Vec(1, 1, 1), 1.0f, Vec(x, 0.6f + float(i / 4) * 1.3f, z)));
    }
    OurWorld world = BuildOurWorld(scene);
    TSimulator* simulator = world.simulator;
    int nodesSeen = 0, stacksSeen = 0;
    for (int step = 0; step < 3000; ++step) {
        StepOurWorld(world, 1);
        ASSERT_TRUE(simulator->CheckStackInvariants()) << "step " << step;
        nodesSeen = std::max(nodesSeen, simulator->StackNodesInUse());
        stacksSeen = std::max(stacksSeen, simulator->StacksInUse());
    }
    EXPECT_GT(nodesSeen, 4);
    EXPECT_GT(stacksSeen, 0) << "boxes rested on one another";
    int resting = 0;
    for (size_t i = 4; i < world.bodies.size(); ++i) {
        resting += world.Rigid(int(i))->status == TREST_RESTING ? 1 : 0;
    }
    EXPECT_EQ(resting, 12) << "the heap goes to sleep";
    for (size_t i = 4; i < world.bodies.size(); ++i) {
        simulator->FreeBody(world.bodies[i]);
        StepOurWorld(world, 20);
        ASSERT_TRUE(simulator->CheckStackInvariants()) << "after freeing body " << i;
    }
    StepOurWorld(world, 10);
    EXPECT_EQ(simulator->StackNodesInUse(), 0);
    EXPECT_EQ(simulator->StacksInUse(), 0);
}

TEST(RestingScene, BodiesRainedOnHillsStayAboveTheGround)
{
    OurWorld world = BuildOurWorld(RainScene(300));
    float deepest = -1.0f;
    for (int step = 0; step < 900; ++step) {
        StepOurWorld(world, 1);
        for (size_t i = 0; i < world.bodies.size(); ++i) {
            const TVec4& p = world.Rigid(int(i))->state.position;
            if (std::fabs(p.x) < 60.0f && std::fabs(p.z) < 60.0f) {
                deepest = std::fmax(deepest, RollingHeight(p.x, p.z) - p.y);
            }
        }
    }
    EXPECT_LT(deepest, 0.0f) << "no centre ever below the ground it lies on";
}

// The cached contact keeps its normal in the support's frame: a box turned on a tilted ramp must still see
// the ramp's normal and come to rest where it landed.
TEST(RestingScene, BoxTurnedOnATiltedRampComesToRest)
{
    const float tilt = 0.1745f; // 10 degrees about z
    const float turn = 0.7854f; // 45 degrees about the ramp's normal
    TMat34 ramp = IdentityMat34();
    ramp.row[0] = Vec(std::cos(tilt), std::sin(tilt), 0);
    ramp.row[1] = Vec(-std::sin(tilt), std::cos(tilt), 0);
    TMat34 yaw = IdentityMat34();
    yaw.row[0] = Vec(std::cos(turn), 0, -std::sin(turn));
    yaw.row[2] = Vec(std::sin(turn), 0, std::cos(turn));
    SceneDesc scene = BoxOnTerrainScene(0.6f);
    scene.bodies.clear();
    SceneBody platform = MakeStaticBox(Vec(6, 1, 6), Vec(0, 1.0f, 0), 1);
    platform.rotation = ramp;
    scene.bodies.push_back(platform);
    TVec4 up = ramp.row[1];
    SceneBody box = MakeBox(Vec(1, 1, 1), 1.0f, Vec(0, 1.0f, 0) + up * 1.02f);
    box.rotation = Multiply(yaw, ramp);
    scene.bodies.push_back(box);
    OurWorld world = BuildOurWorld(scene);
    TRigidBody* body = world.Rigid(1);
    TVec4 start = body->state.position;
    StepOurWorld(world, 300);
    EXPECT_EQ(body->status, TREST_RESTING);
    EXPECT_LT(std::sqrt(LengthSquared3(body->state.position - start)), 0.05f);
    TVec4 rested = body->state.position;
    StepOurWorld(world, 600);
    EXPECT_LT(std::sqrt(LengthSquared3(body->state.position - rested)), 1e-4f);
}

// A pile of boxes settles when its boxes do: a box put to rest on its neighbours is not woken again at once by
// the check that its supports still hold it, and every box inside the walls is asleep within 6 s.
TEST(RestingScene, PileSettlesWithoutWakingBoxesJustPutToRest)
{
    constexpr int BOXES = 300;
    constexpr int STEPS = 6 * 60;
    OurWorld world = BuildOurWorld(PileScene(BOXES));
    const int first = int(world.bodies.size()) - BOXES;
    std::vector<int> restedAt(BOXES, -1);
    int quickWakes = 0;
    int lastAwakeInside = 0;
    for (int step = 1; step <= STEPS; ++step) {
        StepOurWorld(world, 1);
        for (int i = 0; i < BOXES; ++i) {
            TRigidBody* box = world.Rigid(first + i);
            bool resting = box->status == TREST_RESTING;
            if (resting && restedAt[size_t(i)] < 0) {
                restedAt[size_t(i)] = step;
            } else if (!resting && restedAt[size_t(i)] >= 0) {
                quickWakes += step - restedAt[size_t(i)] <= 2 ? 1 : 0;
                restedAt[size_t(i)] = -1;
            }
            const TVec4& p = box->state.position;
            if (!resting && std::fabs(p.x) < PILE_WALL_HALF_WIDTH && std::fabs(p.z) < PILE_WALL_HALF_WIDTH) {
                lastAwakeInside = step;
            }
        }
    }
    EXPECT_EQ(quickWakes, 0) << "boxes woken within 2 steps of being put to rest";
    EXPECT_LT(lastAwakeInside, STEPS) << "a box inside the walls is still awake after " << STEPS << " steps";
}

#include "PhysicsTestSupport.h"

#include "physics/scenes/PhysicsScene.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

float WorstPivotGap(const OurWorld& world)
{
    float gap = 0.0f;
    for (TConstraint* joint : world.joints) {
        joint->UpdateFrames();
        joint->UpdateAnchors();
        for (int i = 0; i < joint->rowCount; ++i) {
            gap = std::fmax(gap, std::sqrt(LengthSquared3(joint->pivotAWorld[i] - joint->pivotBWorld[i])));
        }
    }
    return gap;
}

} // namespace

// Six bodies, two rings of 64 spheres and five limited hinges, as the race builds the moped. Two tyres in a line
// cannot balance it by themselves: left alone it must come to rest and stay up, its body, handlebar and rider
// hanging on their hinges, and still roll when pushed.
TEST(Moped, StandsAndSleepsUprightOnFlatGroundAndRollsWhenPushed)
{
    OurWorld world = BuildOurWorld(MopedScene());
    ASSERT_EQ(world.joints.size(), 5u);
    for (TConstraint* joint : world.joints) {
        ASSERT_NE(joint, nullptr);
    }
    TRigidBody* body = world.Rigid(0);
    TRigidBody* frontTyre = world.Rigid(2);
    TRigidBody* rearTyre = world.Rigid(4);
    ASSERT_EQ(frontTyre->bounds.geometryCount, 64);
    auto expectHeldTogether = [&](int step) {
        ASSERT_LT(WorstPivotGap(world), 0.05f) << "step " << step;
        ASSERT_GT(frontTyre->state.position.y, 0.209f - 0.05f) << "step " << step;
        ASSERT_GT(rearTyre->state.position.y, 0.209f - 0.05f) << "step " << step;
    };
    for (int step = 0; step < 180; ++step) {
        StepOurWorld(world, 1);
        for (size_t i = 0; i < world.bodies.size(); ++i) {
            ASSERT_TRUE(IsFiniteBody(world.Rigid(int(i))));
        }
        expectHeldTogether(step);
    }
    EXPECT_GT(body->state.rotation.row[1].y, 0.98f) << "upright";
    EXPECT_LT(std::fabs(body->state.position.z), 0.05f) << "standing still";
    for (size_t i = 0; i < world.bodies.size(); ++i) {
        EXPECT_EQ(world.Rigid(int(i))->status, TREST_RESTING) << "body " << i;
    }
    TVec4 settled = body->state.position;
    for (int step = 0; step < 900; ++step) {
        StepOurWorld(world, 1);
        ASSERT_LT(std::fabs(body->state.rotation.row[0].y), 0.01f) << "rolled over sideways, step " << step;
    }
    EXPECT_EQ(body->state.position.y, settled.y);
    EXPECT_EQ(body->status, TREST_RESTING);

    TVec4 push = Vec(0, 0, 300.0f);
    body->SetForce(&push);
    for (int step = 0; step < 120; ++step) {
        StepOurWorld(world, 1);
        expectHeldTogether(step);
    }
    EXPECT_GT(body->state.position.z, settled.z + 2.0f);
    EXPECT_GT(rearTyre->angularVelocity.x, 5.0f) << "the wheels roll";
    EXPECT_GT(frontTyre->angularVelocity.x, 5.0f);
    EXPECT_GT(body->state.rotation.row[1].y, 0.95f);
}

TEST(Moped, SixOnHillyGroundAmongStaticBoxesStayFinite)
{
    OurWorld world = BuildOurWorld(GameScene(6, 300, 20));
    StepOurWorld(world, 600);
    for (size_t i = 0; i < 36; ++i) {
        TRigidBody* part = world.Rigid(int(i));
        ASSERT_TRUE(IsFiniteBody(part));
        const TVec4& p = part->state.position;
        EXPECT_GT(p.y, RollingHeight(p.x, p.z) - 0.3f) << "body " << i;
    }
    EXPECT_LT(WorstPivotGap(world), 0.05f);
}

// A load on a jointed body sits in a stack that the joints' island solves, and must be solved in every step.
TEST(Moped, CarriesALoadForTenSecondsWithoutItSinkingThrough)
{
    SceneDesc scene = MopedScene();
    const float restingHeight = 0.284f + 0.15f; // the body's half height plus the load's
    scene.bodies.push_back(MakeBox(Vec(0.3f, 0.3f, 0.3f), 4.0f, Vec(0, 0.45f + restingHeight + 0.01f, -0.37f)));
    OurWorld world = BuildOurWorld(scene);
    TRigidBody* body = world.Rigid(0);
    TRigidBody* load = world.Rigid(6);
    for (int step = 0; step < 600; ++step) {
        StepOurWorld(world, 1);
        TVec4 onBody = RotateInverse(body->state.rotation, load->state.position - body->state.position);
        ASSERT_NEAR(onBody.y, restingHeight, 0.03f) << "step " << step;
        ASSERT_GT(world.Rigid(2)->state.position.y, 0.209f - 0.05f) << "step " << step;
        ASSERT_GT(world.Rigid(4)->state.position.y, 0.209f - 0.05f) << "step " << step;
    }
    EXPECT_GT(body->state.rotation.row[1].y, 0.95f);
}

#include "PhysicsTestSupport.h"

#include "physics/scenes/PhysicsScene.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

float Energy(const TRigidBody* body)
{
    return body->mass * 9.81f * body->state.position.y + 0.5f * body->mass * LengthSquared3(body->velocity) +
           0.5f * Dot3(body->angularVelocity, body->state.angularMomentum);
}

} // namespace

TEST(Energy, BouncingBodiesNeverGainEnergy)
{
    for (bool sphere : {false, true}) {
        SceneDesc scene = BoxOnTerrainScene(2.0f);
        scene.materials = {SceneMaterial{0, 0.5f, 0.5f}, SceneMaterial{1, 0.5f, 0.5f}};
        if (sphere) {
            scene.bodies[0] = MakeSphere(1.0f, 1.0f, Vec(0.3f, 2.0f, 0.2f));
        }
        OurWorld world = BuildOurWorld(scene);
        TRigidBody* body = world.Rigid(0);
        float start = Energy(body);
        float highest = start;
        float apex = body->state.position.y;
        float previousApex = apex + 1.0f;
        bool rising = false;
        int bounces = 0;
        for (int step = 0; step < 600; ++step) {
            StepOurWorld(world, 1);
            highest = std::fmax(highest, Energy(body));
            float vy = body->velocity.y;
            if (vy > 0.0f) {
                rising = true;
                apex = body->state.position.y;
            } else if (rising) {
                rising = false;
                ++bounces;
                EXPECT_LE(apex, previousApex + 0.02f) << (sphere ? "sphere" : "box") << " bounce " << bounces;
                previousApex = apex;
            }
        }
        EXPECT_LE(highest, start * 1.01f) << (sphere ? "sphere" : "box");
        EXPECT_GE(bounces, 1) << "restitution 0.5 bounces";
    }
}

TEST(Energy, TheSmallerRestitutionOfThePairApplies)
{
    float apexes[2];
    const float restitutions[2] = {0.0f, 0.9f};
    for (int i = 0; i < 2; ++i) {
        SceneDesc scene = BoxOnTerrainScene(2.0f);
        scene.materials = {SceneMaterial{0, 4.0f, restitutions[i]}, SceneMaterial{1, 18.0f, 0.9f}};
        scene.bodies[0] = MakeSphere(1.0f, 1.0f, Vec(0, 2.0f, 0));
        OurWorld world = BuildOurWorld(scene);
        TRigidBody* ball = world.Rigid(0);
        bool touched = false;
        apexes[i] = 0.0f;
        for (int step = 0; step < 120; ++step) {
            StepOurWorld(world, 1);
            touched = touched || ball->state.position.y < 0.6f;
            if (touched) {
                apexes[i] = std::fmax(apexes[i], ball->state.position.y);
            }
        }
        EXPECT_TRUE(touched);
    }
    EXPECT_LT(apexes[0], 0.7f) << "restitutions 0 and 0.9: the ball does not bounce";
    EXPECT_GT(apexes[1], 1.2f) << "restitutions 0.9 and 0.9: it does";
}

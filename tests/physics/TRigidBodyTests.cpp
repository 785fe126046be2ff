#include "CollisionTestKit.h"
#include "PhysicsTestSupport.h"

#include "physics/ComputeInertiaFromSize.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

class RigidBodyTest : public ::testing::Test {
protected:
    OwnedSimulator simulator{MakeSimulator(4, 2, 8)};
};

} // namespace

TEST_F(RigidBodyTest, NewBodyFeelsGravityAndRefusesCollisionIdsOutsideTheTable)
{
    TRigidBody* body = simulator->CreateRigidBody();
    EXPECT_FLOAT_EQ(body->gravityForce.y, -9.81f) << "a new body feels gravity in its first sub-step";
    body->SetCollisionId(64);
    EXPECT_EQ(body->collisionId, 0);
    body->SetCollisionId(-1);
    EXPECT_EQ(body->collisionId, -1);
    body->SetCollisionId(63);
    EXPECT_EQ(body->collisionId, 63);
}

// Given as a matrix or as rows of plain floats, to a rigid or an animated body.
TEST_F(RigidBodyTest, SetRotationRoundTripsThroughTheQuaternion)
{
    TRigidBody* body = simulator->CreateRigidBody();
    TRigidBody* fromRows = simulator->CreateRigidBody();
    TAnimatedBody* fixed = simulator->CreateAnimatedBody();
    const TVec4 axes[] = {Vec(1, 0, 0), Vec(0, 1, 0), Vec(0, 0, 1), Normalize3(Vec(1, 2, -3))};
    const float angles[] = {0.3f, 1.7f, 3.14159265f, -2.5f};
    for (const TVec4& axis : axes) {
        for (float angle : angles) {
            TMat34 rotation = collisionkit::RotationAbout(axis, angle);
            body->SetRotation(&rotation);
            EXPECT_NEAR(QuaternionLength(body->state.orientation), 1.0f, 1e-5f);
            EXPECT_GE(body->state.orientation.w, 0.0f);
            float rows[3][4];
            std::memcpy(rows, rotation.row, sizeof(rows));
            fromRows->SetRotation(rows);
            fixed->SetRotation(rows);
            TMat34 rebuilt = RotationFromQuat(body->state.orientation);
            TMat34 rebuiltFromRows = RotationFromQuat(fromRows->state.orientation);
            for (int i = 0; i < 3; ++i) {
                for (int k = 0; k < 3; ++k) {
                    EXPECT_NEAR(rebuilt.row[i][k], rotation.row[i][k], 1e-5f) << "angle " << angle;
                    EXPECT_EQ(rebuiltFromRows.row[i][k], rebuilt.row[i][k]) << "angle " << angle;
                    EXPECT_EQ(fixed->rotation.row[i][k], rotation.row[i][k]) << "angle " << angle;
                }
            }
        }
    }
}

TEST_F(RigidBodyTest, SettersRefuseBadMassAndSingularInertia)
{
    TRigidBody* body = simulator->CreateRigidBody();
    body->SetMass(4.0f);
    body->SetMass(0.0f);
    body->SetMass(-1.0f);
    body->SetMass(std::nanf(""));
    EXPECT_EQ(body->mass, 4.0f);
    EXPECT_EQ(body->inverseMass, 0.25f);
    TVec4 inertia = Vec(2, 4, 8);
    body->SetInertiaTensor(&inertia);
    TVec4 singular = Vec(0, 1, 1);
    body->SetInertiaTensor(&singular);
    EXPECT_EQ(body->inertia.row[0].x, 0.0f);
    EXPECT_EQ(body->inverseInertia.row[0].x, 0.5f) << "the previous inverse stays";
    EXPECT_EQ(body->inverseInertia.row[2].z, 0.125f);
}

TEST_F(RigidBodyTest, ForceWakesOnlyAboveTheThresholdAccumulatedForceAtOneMillionth)
{
    TRigidBody* body = simulator->CreateRigidBody();
    body->PutToRest();
    TVec4 tiny = Vec(1e-7f, 0, 0);
    body->SetForce(&tiny);
    EXPECT_EQ(body->status, TREST_RESTING);
    EXPECT_EQ(body->force.x, 1e-7f);
    TVec4 small = Vec(1e-5f, 0, 0);
    body->SetForce(&small);
    EXPECT_EQ(body->status, TREST_AWAKE);
    body->PutToRest();
    body->SetTorque(&small);
    EXPECT_EQ(body->status, TREST_AWAKE);
    body->PutToRest();
    TVec4 velocity = Vec(0, 0, 1);
    body->SetVelocity(&velocity);
    EXPECT_EQ(body->status, TREST_AWAKE) << "a new velocity wakes the body";

    TRigidBody* box = AddBox(simulator, Vec(1, 1, 1), Vec(0, 50, 0));
    box->PutToRest();
    box->accumulatedForce = Vec(1e-7f, 1e-7f, 1e-7f);
    box->IntegrateVelocity(1.0f / 60.0f);
    EXPECT_EQ(box->status, TREST_AWAKE) << "no support under the body: the rest check wakes it anyway";
    box->PutToRest();
    box->accumulatedForce = Vec(0, 1e-6f, 0);
    box->IntegrateVelocity(1.0f / 60.0f);
    EXPECT_EQ(box->status, TREST_AWAKE);
}

TEST_F(RigidBodyTest, FreeFallMovesOneAndAHalfGDtSquaredInTheFirstStep)
{
    TRigidBody* body = AddBox(simulator, Vec(1, 1, 1), Vec(0, 100, 0));
    float dt = 1.0f / 60.0f;
    simulator->Advance(dt, 1, nullptr);
    EXPECT_NEAR(body->velocity.y, -9.81f * dt, 1e-5f);
    EXPECT_NEAR(body->state.position.y, 100.0f - 1.5f * 9.81f * dt * dt, 1e-4f);
    simulator->Advance(dt * 4, 4, nullptr);
    EXPECT_FLOAT_EQ(simulator->GetSubStepTime(), dt);
    EXPECT_NEAR(body->velocity.y, -9.81f * dt * 5, 1e-4f);
    EXPECT_EQ(simulator->GetAdvanceCount(), 2);
}

TEST_F(RigidBodyTest, ZeroStepsMoveNothingButCountAndClearTheMovedFlags)
{
    TRigidBody* body = AddBox(simulator, Vec(1, 1, 1), Vec(0, 100, 0));
    TAnimatedBody* platform = AddStaticBox(simulator, Vec(4, 0.5f, 4), Vec(0, -2, 0));
    TVec4 lifted = Vec(0, -1, 0);
    platform->SetPosition(&lifted);
    simulator->Advance(1.0f / 60.0f, 0, nullptr);
    EXPECT_EQ(platform->moved, 0);
    simulator->Advance(1.0f / 60.0f, -3, nullptr);
    EXPECT_EQ(body->state.position.y, 100.0f);
    EXPECT_EQ(simulator->GetAdvanceCount(), 2);
    simulator->Advance(0.0f, 1, nullptr);
    EXPECT_TRUE(IsFiniteBody(body));
}

TEST_F(RigidBodyTest, TorqueFreeSpinKeepsMomentumEnergyAndUnitQuaternion)
{
    OwnedSimulator weightless(MakeWeightlessSimulator());
    TRigidBody* body = weightless->CreateRigidBody();
    TVec4 inertia = Vec(1, 2, 3);
    body->SetInertiaTensor(&inertia);
    TVec4 momentum = Vec(0.3f, 0.4f, 4.0f);
    body->SetAngularMomentum(&momentum);
    auto energy = [&] { return 0.5f * Dot3(body->angularVelocity, body->state.angularMomentum); };
    float startEnergy = energy();
    for (int i = 0; i < 10000; ++i) {
        weightless->Advance(1.0f / 60.0f, 1, nullptr);
        ASSERT_NEAR(QuaternionLength(body->state.orientation), 1.0f, 1e-5f);
        if (i == 600) {
            // The orientation step is first order, so energy drifts slowly; momentum is exact.
            EXPECT_NEAR(energy(), startEnergy, startEnergy * 0.025f) << "after 10 s";
        }
    }
    EXPECT_FLOAT_EQ(body->state.angularMomentum.x, 0.3f);
    EXPECT_FLOAT_EQ(body->state.angularMomentum.z, 4.0f);
    EXPECT_EQ(body->status, TREST_AWAKE);
    EXPECT_GT(LengthSquared3(body->angularVelocity), 0.0f);
}

TEST_F(RigidBodyTest, ImpulseChangesVelocityAndMomentum)
{
    TRigidBody* body = simulator->CreateRigidBody();
    body->SetMass(2.0f);
    body->ApplyImpulse(Vec(0, 0, 4), Vec(1, 0, 0));
    EXPECT_FLOAT_EQ(body->velocity.z, 2.0f);
    EXPECT_FLOAT_EQ(body->state.angularMomentum.y, -4.0f);
    EXPECT_FLOAT_EQ(body->angularVelocity.y, -4.0f);
    body->PutToRest();
    EXPECT_EQ(LengthSquared3(body->velocity), 0.0f);
    EXPECT_EQ(LengthSquared3(body->state.angularMomentum), 0.0f);
}

TEST(ComputeInertiaFromSize, UsesTheLargestSize)
{
    TVec4 sizes = Vec(1, 3, 2);
    TVec4 out = Vec(0, 0, 0, 42.0f);
    EXPECT_EQ(ComputeInertiaFromSize(&out, &sizes, 1.5f), &out);
    EXPECT_FLOAT_EQ(out.x, 9.0f);
    EXPECT_FLOAT_EQ(out.y, 9.0f);
    EXPECT_FLOAT_EQ(out.z, 9.0f);
    EXPECT_EQ(out.w, 42.0f);
}

TEST(TBody, BoundsFollowTheAnimatedPose)
{
    OwnedSimulator simulator(MakeSimulator(1, 1, 4));
    TAnimatedBody* body = AddStaticBox(simulator, Vec(1, 1, 1), Vec(10, 0, 0));
    EXPECT_NEAR(body->worldMin.x, 9.5f, 1e-6f);
    EXPECT_NEAR(body->worldMax.x, 10.5f, 1e-6f);
    EXPECT_NEAR(body->worldMin.y, -0.5f, 1e-6f);
    TMat34 turn = collisionkit::RotationAbout(Vec(0, 1, 0), 0.78539816f);
    body->SetRotation(&turn);
    body->SetPosition(&body->position);
    EXPECT_NEAR(body->worldMax.x - 10.0f, 0.70710678f, 1e-5f);
    EXPECT_NEAR(body->worldMax.z, 0.70710678f, 1e-5f);
    EXPECT_NEAR(body->worldMax.y, 0.5f, 1e-5f);
}

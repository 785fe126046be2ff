#include "PhysicsTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// A 0.5 m box hanging from a fixed body by a joint whose frame sits at the top of the box.
struct Pendulum {
    OwnedSimulator simulator{MakeSimulator(2, 2, 4)};
    TAnimatedBody* anchor = nullptr;
    TRigidBody* bob = nullptr;
    TConstraint* joint = nullptr;

    Pendulum(int type, const TMat34& frameRotation, int iterations)
    {
        anchor = simulator->CreateAnimatedBody();
        TVec4 origin = Vec(0, 5, 0);
        anchor->SetPosition(&origin);
        bob = AddBox(simulator, Vec(0.5f, 0.5f, 0.5f), Vec(0, 4.5f, 0), 2.0f);
        joint = simulator->CreateConstraint(bob, anchor);
        TMat44 frame = MakeTransform(frameRotation, Vec(0, 5, 0));
        joint->SetFrame(&frame);
        joint->SetType(type);
        joint->SetIterationCount(iterations);
    }

    float PivotGap() const
    {
        float gap = 0.0f;
        for (int i = 0; i < joint->rowCount; ++i) {
            gap = std::fmax(gap, std::sqrt(LengthSquared3(joint->pivotAWorld[i] - joint->pivotBWorld[i])));
        }
        return gap;
    }
};

TMat34 HorizontalAxisFrame()
{
    TMat34 m; // the frame's y axis (the hinge axis) along world x
    m.row[0] = Vec(0, 1, 0);
    m.row[1] = Vec(-1, 0, 0);
    m.row[2] = Vec(0, 0, 1);
    return m;
}

} // namespace

TEST(ConstraintSolver, HingeKeepsItsAxisAndLimitUnderLoad)
{
    for (int iterations : {32, -1}) {
        Pendulum pendulum(2, HorizontalAxisFrame(), iterations);
        pendulum.joint->SetLimitMin(-0.3f);
        pendulum.joint->SetLimitMax(0.3f);
        pendulum.joint->SetLimitEnabled(1);
        pendulum.joint->Enable(1);
        TVec4 push = Vec(0, 0, 15.0f);
        pendulum.bob->SetForce(&push);
        float worstAngle = 0.0f, worstGap = 0.0f, worstAxis = 1.0f;
        for (int step = 0; step < 10000; ++step) {
            if (step == 3000) {
                TVec4 across = Vec(0, 0, 1.5f);
                pendulum.bob->SetTorque(&across);
            }
            if (step == 6000) {
                TVec4 none = Vec(0, 0, 0);
                pendulum.bob->SetTorque(&none);
                push = Vec(0, 0, -15.0f);
                pendulum.bob->SetForce(&push);
            }
            pendulum.simulator->Advance(1.0f / 60.0f, 1, nullptr);
            ASSERT_TRUE(IsFiniteBody(pendulum.bob)) << "step " << step;
            if (step > 120) {
                pendulum.joint->UpdateFrames();
                pendulum.joint->UpdateAnchors();
                worstAngle = std::fmax(worstAngle, std::fabs(pendulum.joint->signedAngle));
                worstGap = std::fmax(worstGap, pendulum.PivotGap());
                worstAxis =
                    std::fmin(worstAxis, Dot3(pendulum.joint->worldFrameA.row[1], pendulum.joint->worldFrameB.row[1]));
            }
        }
        EXPECT_LT(worstAngle, 0.36f) << iterations << " iterations";
        EXPECT_LT(worstGap, iterations > 0 ? 0.01f : 0.03f) << iterations << " iterations";
        EXPECT_GT(worstAxis, std::cos(0.035f)) << iterations << " iterations";
    }
}

TEST(ConstraintSolver, HingeSwingsFreelyWithoutLimit)
{
    Pendulum pendulum(2, HorizontalAxisFrame(), 32);
    pendulum.joint->Enable(1);
    TVec4 kick = Vec(0, 0, 3.0f);
    pendulum.bob->SetVelocity(&kick);
    float widest = 0.0f;
    for (int step = 0; step < 600; ++step) {
        pendulum.simulator->Advance(1.0f / 60.0f, 1, nullptr);
        pendulum.joint->UpdateFrames();
        widest = std::fmax(widest, std::fabs(pendulum.joint->signedAngle));
    }
    EXPECT_GT(widest, 0.5f);
}

TEST(ConstraintSolver, PointJointKeepsItsConeLimit)
{
    Pendulum pendulum(0, IdentityMat34(), 32);
    pendulum.joint->SetLimitMin(0.0f);
    pendulum.joint->SetLimitMax(0.5f);
    pendulum.joint->SetLimitEnabled(1);
    pendulum.joint->Enable(1);
    TVec4 spin = Vec(0, 0, 2.0f);
    pendulum.bob->SetAngularMomentum(&spin);
    TVec4 push = Vec(15.0f, 0, 0);
    pendulum.bob->SetForce(&push);
    float worstAngle = 0.0f, worstGap = 0.0f;
    for (int step = 0; step < 10000; ++step) {
        pendulum.simulator->Advance(1.0f / 60.0f, 1, nullptr);
        ASSERT_TRUE(IsFiniteBody(pendulum.bob));
        pendulum.joint->UpdateFrames();
        pendulum.joint->UpdateAnchors();
        if (step > 60) {
            worstAngle = std::fmax(worstAngle, pendulum.joint->angle);
            worstGap = std::fmax(worstGap, pendulum.PivotGap());
        }
    }
    EXPECT_LT(worstAngle, 0.56f);
    EXPECT_LT(worstGap, 0.02f);
}

TEST(ConstraintSolver, SliderKeepsItsLimitUnderGravity)
{
    TMat34 vertical = IdentityMat34(); // the slide axis (frame y) is vertical
    Pendulum pendulum(3, vertical, 32);
    pendulum.joint->SetLimitMin(-0.2f);
    pendulum.joint->SetLimitMax(0.2f);
    pendulum.joint->SetLimitEnabled(1);
    pendulum.joint->Enable(1);
    float lowest = 1.0f;
    for (int step = 0; step < 10000; ++step) {
        pendulum.simulator->Advance(1.0f / 60.0f, 1, nullptr);
        ASSERT_TRUE(IsFiniteBody(pendulum.bob));
        pendulum.joint->UpdateFrames();
        if (step > 120) {
            lowest = std::fmin(lowest, pendulum.joint->angle);
        }
        ASSERT_LE(pendulum.joint->limit.violation, 0.05f);
    }
    pendulum.joint->UpdateFrames();
    EXPECT_GT(lowest, -0.26f);
    EXPECT_LT(pendulum.joint->angle, -0.14f) << "gravity pulls it to the lower stop";
    EXPECT_NEAR(pendulum.bob->state.position.x, 0.0f, 0.01f);
}

// A joint error of 1 m is corrected with a bias of length 0.05 per step, not 0.5: the converged closing
// speed is 0.05 / (0.5 dt) = 6 m/s.
TEST(ConstraintSolver, JointErrorBiasIsCappedAtFiveCentimetres)
{
    OwnedSimulator simulator(MakeWeightlessSimulator());
    TAnimatedBody* anchor = simulator->CreateAnimatedBody();
    TRigidBody* bob = simulator->CreateRigidBody();
    TConstraint* joint = simulator->CreateConstraint(bob, anchor);
    TMat44 frame = IdentityMat44();
    joint->SetFrame(&frame);
    joint->SetType(0);
    joint->SetIterationCount(32);
    joint->Enable(1);
    TVec4 away = Vec(1.0f, 0, 0);
    bob->SetPosition(&away);
    simulator->Advance(1.0f / 60.0f, 1, nullptr);
    EXPECT_NEAR(bob->velocity.x, -6.0f, 0.1f);
    EXPECT_NEAR(bob->velocity.y, 0.0f, 1e-4f);
    for (int step = 0; step < 120; ++step) {
        simulator->Advance(1.0f / 60.0f, 1, nullptr);
    }
    joint->UpdateFrames();
    joint->UpdateAnchors();
    EXPECT_LT(std::sqrt(LengthSquared3(joint->pivotAWorld[0] - joint->pivotBWorld[0])), 0.01f) << "closed";
}

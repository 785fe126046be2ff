#include "PhysicsTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

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

    void Limit(float lower, float upper)
    {
        joint->SetLimitMin(lower);
        joint->SetLimitMax(upper);
        joint->SetLimitEnabled(1);
        joint->Enable(1);
    }

    // The extremes after the first warmUp steps: the widest angle and signed angle, the lowest angle, the widest
    // pivot gap and the least alignment of the frames' y axes; and the widest limit violation of any step.
    struct Extremes {
        float angle = 0.0f, signedAngle = 0.0f, lowest = 1e9f, gap = 0.0f, axis = 1.0f, violation = 0.0f;
    };
    Extremes Swing(int steps, int warmUp, const std::function<void(int)>& beforeStep = nullptr)
    {
        Extremes worst;
        for (int step = 0; step < steps; ++step) {
            if (beforeStep) {
                beforeStep(step);
            }
            simulator->Advance(1.0f / 60.0f, 1, nullptr);
            if (!IsFiniteBody(bob)) {
                ADD_FAILURE() << "step " << step;
                break;
            }
            worst.violation = std::fmax(worst.violation, joint->limit.violation);
            joint->UpdateFrames();
            joint->UpdateAnchors();
            if (step > warmUp) {
                worst.angle = std::fmax(worst.angle, std::fabs(joint->angle));
                worst.signedAngle = std::fmax(worst.signedAngle, std::fabs(joint->signedAngle));
                worst.lowest = std::fmin(worst.lowest, joint->angle);
                worst.gap = std::fmax(worst.gap, PivotGap());
                worst.axis = std::fmin(worst.axis, Dot3(joint->worldFrameA.row[1], joint->worldFrameB.row[1]));
            }
        }
        return worst;
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

TEST(ConstraintSolver, HingeKeepsItsAxisAndLimitUnderLoadAndSwingsFreelyWithout)
{
    for (int iterations : {32, -1}) {
        Pendulum pendulum(2, HorizontalAxisFrame(), iterations);
        pendulum.Limit(-0.3f, 0.3f);
        TVec4 push = Vec(0, 0, 15.0f);
        pendulum.bob->SetForce(&push);
        Pendulum::Extremes worst = pendulum.Swing(10000, 120, [&](int step) {
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
        });
        EXPECT_LT(worst.signedAngle, 0.36f) << iterations << " iterations";
        EXPECT_LT(worst.gap, iterations > 0 ? 0.01f : 0.03f) << iterations << " iterations";
        EXPECT_GT(worst.axis, std::cos(0.035f)) << iterations << " iterations";
    }
    Pendulum unlimited(2, HorizontalAxisFrame(), 32);
    unlimited.joint->Enable(1);
    TVec4 kick = Vec(0, 0, 3.0f);
    unlimited.bob->SetVelocity(&kick);
    EXPECT_GT(unlimited.Swing(600, 0).signedAngle, 0.5f);
}

TEST(ConstraintSolver, PointJointKeepsItsConeLimit)
{
    Pendulum pendulum(0, IdentityMat34(), 32);
    pendulum.Limit(0.0f, 0.5f);
    TVec4 spin = Vec(0, 0, 2.0f);
    pendulum.bob->SetAngularMomentum(&spin);
    TVec4 push = Vec(15.0f, 0, 0);
    pendulum.bob->SetForce(&push);
    Pendulum::Extremes worst = pendulum.Swing(10000, 60);
    EXPECT_LT(worst.angle, 0.56f);
    EXPECT_LT(worst.gap, 0.02f);
}

TEST(ConstraintSolver, SliderKeepsItsLimitUnderGravity)
{
    Pendulum pendulum(3, IdentityMat34(), 32); // the slide axis (frame y) is vertical
    pendulum.Limit(-0.2f, 0.2f);
    Pendulum::Extremes worst = pendulum.Swing(10000, 120);
    EXPECT_LE(worst.violation, 0.05f);
    EXPECT_GT(worst.lowest, -0.26f);
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

#include "PhysicsTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TMat34 TurnAboutY(float angle)
{
    TMat34 m = IdentityMat34();
    m.row[0] = Vec(std::cos(angle), 0, -std::sin(angle));
    m.row[2] = Vec(std::sin(angle), 0, std::cos(angle));
    return m;
}

class ConstraintTest : public ::testing::Test {
protected:
    TConstraint* Join(TRigidBody* a, TBody* b, int type)
    {
        TConstraint* joint = simulator->CreateConstraint(a, b);
        TMat44 frame = IdentityMat44();
        joint->SetFrame(&frame);
        joint->SetType(type);
        joint->Enable(1);
        return joint;
    }
    OwnedSimulator simulator{MakeSimulator(6, 2, 8, nullptr, 6, 4)};
};

} // namespace

TEST_F(ConstraintTest, TypesGiveTheirRowsAndUnknownTypesAreHinges)
{
    TRigidBody* a = simulator->CreateRigidBody();
    TRigidBody* b = simulator->CreateRigidBody();
    TConstraint* joint = simulator->CreateConstraint(a, b);
    EXPECT_EQ(joint->rowCount, 1);
    joint->SetType(2);
    EXPECT_EQ(joint->rowCount, 2);
    joint->SetType(7);
    EXPECT_EQ(joint->type, TCONSTRAINT_HINGE);
    joint->SetType(3);
    EXPECT_EQ(joint->rowCount, 2);
    EXPECT_EQ(b->constraintCount, 1);
}

TEST_F(ConstraintTest, EnablingMergesSetsAndFreeingReturnsThem)
{
    TRigidBody* a = simulator->CreateRigidBody();
    TRigidBody* b = simulator->CreateRigidBody();
    TRigidBody* c = simulator->CreateRigidBody();
    TRigidBody* d = simulator->CreateRigidBody();
    TConstraint* ab = Join(a, b, 0);
    TConstraint* cd = Join(c, d, 0);
    ASSERT_NE(a->constraintSet, nullptr);
    EXPECT_NE(a->constraintSet, c->constraintSet);
    TConstraint* bc = Join(b, c, 0);
    TConstraintSet* set = a->constraintSet;
    for (TBody* body :
         {static_cast<TBody*>(a), static_cast<TBody*>(b), static_cast<TBody*>(c), static_cast<TBody*>(d)}) {
        EXPECT_EQ(body->constraintSet, set);
    }
    EXPECT_EQ(set->bodyCount, 4);
    int joints = 0;
    for (TConstraint* joint = set->constraintHead; joint != nullptr; joint = joint->nextInSet) {
        ++joints;
    }
    EXPECT_EQ(joints, 3);

    ab->Enable(1); // a second enabling changes nothing
    EXPECT_EQ(ab->enabled, 1);
    simulator->FreeConstraint(ab);
    EXPECT_EQ(a->constraintSet, nullptr) << "a body without joints leaves its set";
    simulator->FreeConstraint(bc);
    simulator->FreeConstraint(cd);
    for (TBody* body : {static_cast<TBody*>(b), static_cast<TBody*>(c), static_cast<TBody*>(d)}) {
        EXPECT_EQ(body->constraintSet, nullptr);
    }
    // All four sets are back: four new joints between fresh pairs all get a set.
    TRigidBody* e = simulator->CreateRigidBody();
    TRigidBody* f = simulator->CreateRigidBody();
    Join(a, b, 0);
    Join(c, d, 0);
    Join(e, f, 0);
    EXPECT_NE(e->constraintSet, nullptr);
}

TEST_F(ConstraintTest, HingeAngleFollowsTheTurnBothWays)
{
    TRigidBody* a = simulator->CreateRigidBody();
    TRigidBody* b = simulator->CreateRigidBody();
    TConstraint* hinge = Join(a, b, 2);
    hinge->UpdateFrames();
    EXPECT_EQ(hinge->angle, 0.0f);
    TMat34 quarter = TurnAboutY(1.5707963f);
    a->SetRotation(&quarter);
    hinge->UpdateFrames();
    float positive = hinge->signedAngle;
    EXPECT_NEAR(std::fabs(positive), 1.5707963f, 1e-4f);
    TMat34 back = TurnAboutY(-1.5707963f);
    a->SetRotation(&back);
    hinge->UpdateFrames();
    EXPECT_NEAR(hinge->signedAngle, -positive, 1e-4f);
    if (positive > 0) {
        EXPECT_NEAR(hinge->angle, 3.0f * 1.5707963f, 1e-4f);
    } else {
        EXPECT_NEAR(hinge->angle, 1.5707963f, 1e-4f);
    }
}

TEST_F(ConstraintTest, SliderPushedPastItsLimitMakesACappedRow)
{
    TRigidBody* a = simulator->CreateRigidBody();
    TAnimatedBody* b = simulator->CreateAnimatedBody();
    TConstraint* slider = simulator->CreateConstraint(a, b);
    TMat44 frame = IdentityMat44();
    slider->SetFrame(&frame);
    slider->SetType(3);
    slider->SetLimitMin(-0.1f);
    slider->SetLimitMax(0.1f);
    slider->SetLimitEnabled(1);
    slider->Enable(1);
    TVec4 moved = Vec(0, 0.3f, 0);
    a->SetPosition(&moved);
    slider->UpdateFrames();
    slider->UpdateAnchors();
    slider->BuildLinearLimitRow();
    EXPECT_EQ(slider->limit.active, 1);
    EXPECT_FLOAT_EQ(slider->limit.violation, 0.05f);
    EXPECT_NEAR(slider->angle, 0.3f, 1e-6f);
}

#include "PhysicsTestSupport.h"

#include "physics/TAnimatedBody.h"
#include "physics/TContact.h"
#include "physics/TStackNode.h"
#include "physics/scenes/PhysicsScene.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// A unit box at the origin whose remembered contacts lie against a static block.
class SupportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(simulator, nullptr);
        simulator->SetMaterial(1, 0.5f, 0.0f);
        simulator->SetMaterial(3, 0.5f, 0.0f);
        box = AddBox(simulator, Vec(1, 1, 1), Vec(0, 0, 0));
        block = AddStaticBox(simulator, Vec(4, 1, 4), Vec(0, -1, 0));
        ASSERT_NE(box, nullptr);
        ASSERT_NE(block, nullptr);
    }

    // A contact at a point of the box (its own frame, the box unrotated at the origin) with a normal
    // pointing from the block towards the box.
    void Touch(const TVec4& point, const TVec4& normal)
    {
        TContact contact{};
        contact.localPointA = point;
        contact.worldPointA = point;
        contact.worldPointB = point;
        contact.normal = Normalize3(normal);
        contact.depth = 0.001f;
        contact.materialA = 1;
        contact.materialB = 3;
        box->CacheRestingContact(contact, block);
    }

    TVec4 Weight() const { return Vec(0, -9.81f, 0); }

    OwnedSimulator simulator{MakeSimulator(1, 1, 2)};
    TRigidBody* box = nullptr;
    TAnimatedBody* block = nullptr;
};

} // namespace

TEST_F(SupportTest, FrictionHoldsTheLoadOnAGentleSlopeButNotOnASteepOne)
{
    // A 20 degree slope under friction 0.5 holds; 30 degrees does not.
    for (float degrees : {20.0f, 30.0f}) {
        box->ClearContactCache();
        float a = degrees * 3.14159265f / 180.0f;
        TVec4 n = Vec(-std::sin(a), std::cos(a), 0);
        Touch(Vec(-0.5f, -0.5f, -0.5f), n);
        Touch(Vec(0.5f, -0.5f, -0.5f), n);
        Touch(Vec(0.0f, -0.5f, 0.5f), n);
        EXPECT_EQ(box->IsLoadHeldByFriction(Weight()), degrees < 26.0f) << degrees << " degrees";
    }
}

TEST_F(SupportTest, ContactsAtTheSidesDoNotTipTheBalance)
{
    // Two contacts on level ground and one against a wall: the ground alone carries the weight, even
    // with a friction too small for the mean of the three normals.
    simulator->SetMaterial(1, 0.3f, 0.0f);
    Touch(Vec(-0.5f, -0.5f, -0.5f), Vec(0, 1, 0));
    Touch(Vec(0.5f, -0.5f, 0.5f), Vec(0, 1, 0));
    Touch(Vec(0.5f, 0.0f, 0.0f), Vec(-1, 0, 0));
    EXPECT_TRUE(box->IsLoadHeldByFriction(Weight()));

    // Wedged between two neighbours that squeeze it from either side, with a steep third contact below.
    box->ClearContactCache();
    Touch(Vec(0.0f, 0.0f, 0.5f), Vec(0, 0.01f, -1));
    Touch(Vec(0.0f, 0.0f, -0.5f), Vec(0.04f, 0.05f, 1));
    Touch(Vec(0.5f, -0.5f, 0.0f), Vec(-0.72f, 0.69f, 0));
    EXPECT_TRUE(box->IsLoadHeldByFriction(Weight()));

    // Two slopes of a groove: neither holds alone, together they do.
    box->ClearContactCache();
    Touch(Vec(-0.5f, -0.5f, 0.0f), Vec(0.6f, 0.8f, 0));
    Touch(Vec(0.5f, -0.5f, 0.0f), Vec(-0.6f, 0.8f, 0));
    EXPECT_TRUE(box->IsLoadHeldByFriction(Weight()));
}

// A deep pile has boxes jammed against walls and neighbours; every one of them must come to rest, or the
// whole pile is solved as one stack in every step.
TEST(RestingScene, ThousandBoxPileFallsAsleepToTheLastBox)
{
    OurWorld world = BuildOurWorld(PileScene(1000));
    int awake = 0;
    for (int second = 0; second < 12; ++second) {
        StepOurWorld(world, 60);
        awake = 0;
        for (TBody* body : world.bodies) {
            if (body->IsRigid()) {
                const TRigidBody* rigid = static_cast<const TRigidBody*>(body);
                ASSERT_TRUE(IsFiniteBody(rigid));
                awake += rigid->status == TREST_AWAKE ? 1 : 0;
            }
        }
        if (awake == 0) {
            break;
        }
    }
    EXPECT_EQ(awake, 0);
    EXPECT_TRUE(world.simulator->CheckStackInvariants());
}

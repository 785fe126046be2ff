#include "PhysicsTestSupport.h"

#include <gtest/gtest.h>

// Without sizes, allocator or gravity: the default pools, an allocator of its own, no gravity; a gravity that is
// not finite counts as none. Materials outside the table are refused.
TEST(TSimulator, DefaultsGravityAndMaterials)
{
    OwnedSimulator simulator(TSimulator::CreateSimulator(nullptr, nullptr, nullptr));
    ASSERT_NE(static_cast<TSimulator*>(simulator), nullptr);
    EXPECT_EQ(simulator->GetSizeInfo().overlapPairsCount, 1225);
    EXPECT_EQ(simulator->GetGravityMagnitude(), 0.0f);
    EXPECT_EQ(LengthSquared3(simulator->GetGravityDirection()), 0.0f);
    auto* own = dynamic_cast<TDefaultAllocator*>(simulator->GetAllocator());
    ASSERT_NE(own, nullptr);
    EXPECT_GT(own->bytesRequested, 0u);
    TSimulator::DestroySimulator(nullptr);

    TVec4 gravity = Vec(0, -9.81f, 0);
    OwnedSimulator falling(TSimulator::CreateSimulator(nullptr, nullptr, &gravity));
    EXPECT_FLOAT_EQ(falling->GetGravityMagnitude(), 9.81f);
    EXPECT_FLOAT_EQ(falling->GetGravityDirection().y, -1.0f);
    TVec4 broken = Vec(0, std::nanf(""), 0);
    OwnedSimulator weightless(TSimulator::CreateSimulator(nullptr, nullptr, &broken));
    EXPECT_EQ(weightless->GetGravityMagnitude(), 0.0f);

    float friction, restitution, density;
    ASSERT_TRUE(simulator->GetMaterial(255, &friction, &restitution, &density));
    EXPECT_EQ(friction, 0.5f);
    EXPECT_EQ(restitution, 0.4f);
    EXPECT_EQ(density, 1.0f);
    EXPECT_FALSE(simulator->SetMaterial(256, 1, 1));
    EXPECT_FALSE(simulator->SetMaterial(-1, 1, 1));
    EXPECT_TRUE(simulator->SetMaterial(0, 3.0f, 0.0f));
    simulator->GetMaterial(0, &friction, &restitution, &density);
    EXPECT_EQ(friction, 3.0f);
    EXPECT_EQ(restitution, 0.0f);
    EXPECT_EQ(density, 0.0f);
    simulator->GetMaterial(1, &friction, &restitution, &density);
    EXPECT_EQ(friction, 0.5f);
    EXPECT_FALSE(simulator->GetMaterial(256, &friction, &restitution, &density));
}

TEST(TSimulator, EmptyPoolsReturnNullWithTheirMessageAndReuseTheFreedSlot)
{
    OwnedSimulator simulator(MakeSimulator(2, 1, 2, nullptr, 1, 1));
    MessageCatcher::Attach(simulator);
    TRigidBody* a = simulator->CreateRigidBody();
    TRigidBody* b = simulator->CreateRigidBody();
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(simulator->CreateRigidBody(), nullptr);
    EXPECT_TRUE(MessageCatcher::Saw("Run out of RigidBodies. Increase 'rigidBodiesCount'.\n"));
    EXPECT_NE(a->AddGeometry(), nullptr);
    EXPECT_NE(a->AddGeometry(), nullptr);
    EXPECT_EQ(b->AddGeometry(), nullptr);
    EXPECT_TRUE(MessageCatcher::Saw("Run out of Geometries. Increase 'geometriesCount'.\n"));
    EXPECT_NE(simulator->CreateConstraint(a, b), nullptr);
    EXPECT_EQ(simulator->CreateConstraint(a, b), nullptr);
    EXPECT_TRUE(MessageCatcher::Saw("Run out of Constraints. Increase 'constraintsCount'.\n"));
    EXPECT_EQ(simulator->CreateConstraint(nullptr, b), nullptr);
    EXPECT_NE(simulator->CreateAnimatedBody(), nullptr);
    EXPECT_EQ(simulator->CreateAnimatedBody(), nullptr);

    simulator->FreeBody(a);
    EXPECT_EQ(simulator->CreateRigidBody(), a);
    EXPECT_EQ(a->bounds.geometryCount, 0);
    EXPECT_EQ(b->constraintCount, 0) << "freeing a body frees its joints";
    EXPECT_NE(b->AddGeometry(), nullptr) << "its geometries went back to the pool";

    OwnedSimulator silent(MakeSimulator(0, 0, 0));
    EXPECT_EQ(silent->CreateRigidBody(), nullptr);
    EXPECT_STREQ(silent->GetLastMessage(), "Run out of RigidBodies. Increase 'rigidBodiesCount'.\n")
        << "kept without a log callback";
}

TEST(TSimulator, FreeingTwiceOrAForeignBodyIsReportedAndChangesNothing)
{
    OwnedSimulator simulator(MakeSimulator(2, 2, 4));
    MessageCatcher::Attach(simulator);
    TRigidBody* rigid = AddBox(simulator, Vec(1, 1, 1), Vec(0, 5, 0));
    TAnimatedBody* animated = AddStaticBox(simulator, Vec(1, 1, 1), Vec(3, 0, 0));
    simulator->FreeBody(rigid);
    simulator->FreeBody(rigid);
    EXPECT_TRUE(MessageCatcher::Saw("Trying to Free invalid RigidBody.\n"));
    simulator->FreeBody(animated);
    simulator->FreeBody(animated);
    EXPECT_TRUE(MessageCatcher::Saw("Trying to Free invalid AnimatedBody.\n"));
    TRigidBody stranger;
    simulator->FreeBody(&stranger);
    EXPECT_EQ(simulator->CreateRigidBody(), rigid);
    simulator->Advance(1.0f / 60.0f, 1, nullptr);
}

TEST(TSimulator, EveryBlockIsFreedOnceWhateverTheSizes)
{
    TSizeInfo sizes[3];
    sizes[1] = TSizeInfo{};
    int32_t* zero = &sizes[2].rigidBodiesCount;
    for (int i = 0; i < 12; ++i) {
        zero[i] = 0;
    }
    sizes[0].rigidBodiesCount = 282;
    sizes[0].animatedBodiesCount = 300;
    sizes[0].geometriesCount = 1200;
    for (const TSizeInfo& size : sizes) {
        CountingAllocator allocator;
        TSimulator* simulator = TSimulator::CreateSimulator(&size, &allocator, nullptr);
        ASSERT_NE(simulator, nullptr);
        AddBox(simulator, Vec(1, 1, 1), Vec(0, 1, 0));
        simulator->Advance(1.0f / 60.0f, 1, nullptr);
        TSimulator::DestroySimulator(simulator);
        EXPECT_EQ(allocator.allocations, allocator.frees);
        EXPECT_EQ(allocator.badFrees, 0);
        EXPECT_TRUE(allocator.live.empty());
    }
}

TEST(TSimulator, AllocatorFailingAtAnyCallGivesNullOrAWorkingWorld)
{
    CountingAllocator probe;
    TSimulator* simulator = MakeSimulator(4, 4, 8, &probe);
    TSimulator::DestroySimulator(simulator);
    int total = probe.calls;
    ASSERT_GT(total, 5);
    for (int k = 1; k <= total + 1; ++k) {
        CountingAllocator allocator;
        allocator.failAt = k;
        simulator = MakeSimulator(4, 4, 8, &allocator);
        if (simulator != nullptr) {
            TRigidBody* box = AddBox(simulator, Vec(1, 1, 1), Vec(0, 2, 0));
            ASSERT_NE(box, nullptr);
            simulator->Advance(1.0f / 60.0f, 2, nullptr);
            EXPECT_TRUE(IsFiniteBody(box));
            TSimulator::DestroySimulator(simulator);
        }
        EXPECT_EQ(allocator.allocations, allocator.frees) << "failing call " << k;
        EXPECT_EQ(allocator.badFrees, 0);
    }
}

#include "PhysicsTestSupport.h"

#include "physics/ContactRecord.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

TEST(BuildContactFrame, GivesARightHandedOrthonormalFrame)
{
    TVec4 t1, t2;
    std::mt19937 random(5);
    std::uniform_real_distribution<float> range(-1.0f, 1.0f);
    for (int i = 0; i < 2000; ++i) {
        TVec4 n = Normalize3(Vec(range(random), range(random), range(random)));
        if (LengthSquared3(n) == 0.0f) {
            continue;
        }
        BuildContactFrame(&t1, &t2, n);
        ASSERT_NEAR(Dot3(t1, n), 0.0f, 1e-5f);
        ASSERT_NEAR(Dot3(t2, n), 0.0f, 1e-5f);
        ASSERT_NEAR(Dot3(t1, t2), 0.0f, 1e-5f);
        ASSERT_NEAR(Length3(t1), 1.0f, 1e-5f);
        ASSERT_NEAR(Length3(t2), 1.0f, 1e-5f);
        TVec4 c = Cross3(n, t1);
        ASSERT_NEAR(LengthSquared3(c - t2), 0.0f, 1e-10f);
    }
    BuildContactFrame(&t1, &t2, Vec(0, 0, 0));
    EXPECT_TRUE(IsFinite3(t1));
    EXPECT_TRUE(IsFinite3(t2));
}

// The prepared inverse K, applied as an impulse, must change the relative velocity at the point by exactly
// the requested amount.
TEST(ApplyConstraintRecord, InverseMatrixProducesTheRequestedVelocityChange)
{
    OwnedSimulator simulator(MakeSimulator(2, 0, 2));
    std::mt19937 random(11);
    std::uniform_real_distribution<float> range(-1.0f, 1.0f);
    for (int trial = 0; trial < 50; ++trial) {
        TRigidBody* a = simulator->CreateRigidBody();
        TRigidBody* b = simulator->CreateRigidBody();
        a->SetMass(1.0f + trial % 3);
        b->SetMass(2.0f);
        TVec4 ia = Vec(1.0f + range(random) * 0.5f, 2.0f, 1.5f);
        TVec4 ib = Vec(0.7f, 1.2f + range(random) * 0.5f, 2.5f);
        a->SetInertiaTensor(&ia);
        b->SetInertiaTensor(&ib);
        TQuat q = Normalize(TQuat{range(random), range(random), range(random), 1.0f});
        TMat34 rotation = RotationFromQuat(q);
        a->SetRotation(&rotation);
        for (int kind : {TCONTACT_CONTACT, TCONTACT_POINT_ROW}) {
            TContact row{};
            row.kind = kind;
            row.bodyA = a;
            row.bodyB = b;
            row.armA = Vec(range(random), range(random), range(random));
            row.armB = Vec(range(random), range(random), range(random));
            row.normal = Normalize3(Vec(range(random), 1.0f, range(random)));
            ApplyConstraintRecord(&row, 0, 0);
            TVec4 wanted = Vec(0.3f, -0.2f, 0.5f); // row coordinates
            TVec4 impulse = MultiplyMatrix3(row.inverseMatrix, wanted);
            TVec4 world = kind == TCONTACT_CONTACT
                              ? row.tangent1 * impulse.x + row.tangent2 * impulse.y + row.normal * impulse.z
                              : impulse;
            auto relative = [&] {
                return a->velocity + Cross3(a->angularVelocity, row.armA) - b->velocity -
                       Cross3(b->angularVelocity, row.armB);
            };
            TVec4 before = relative();
            a->ApplyImpulse(world, row.armA);
            b->ApplyImpulse(-world, row.armB);
            TVec4 change = relative() - before;
            TVec4 local = kind == TCONTACT_CONTACT
                              ? Vec(Dot3(change, row.tangent1), Dot3(change, row.tangent2), Dot3(change, row.normal))
                              : change;
            EXPECT_NEAR(local.x, wanted.x, 1e-4f);
            EXPECT_NEAR(local.y, wanted.y, 1e-4f);
            EXPECT_NEAR(local.z, wanted.z, 1e-4f);
            if (kind == TCONTACT_CONTACT) {
                EXPECT_FLOAT_EQ(row.normalMass, row.collisionMatrix.row[2].z);
            }
        }
        simulator->FreeBody(a);
        simulator->FreeBody(b);
    }
}

TEST(ApplyConstraintRecord, TerrainSideCountsAsImmovable)
{
    OwnedSimulator simulator(MakeSimulator(1, 1, 1));
    TRigidBody* a = simulator->CreateRigidBody();
    a->SetMass(2.0f);
    TContact row{};
    row.kind = TCONTACT_CONTACT;
    row.bodyA = a;
    row.bodyB = simulator->GetTerrainBody();
    row.normal = Vec(0, 1, 0);
    ApplyConstraintRecord(&row, 0, 0);
    EXPECT_FLOAT_EQ(row.collisionMatrix.row[0].x, 0.5f);
    EXPECT_FLOAT_EQ(row.inverseMatrix.row[2].z, 2.0f);
}

TEST(CheckRestingBodies, SkipsRestingPairsAndFreezesTheRestingSide)
{
    OwnedSimulator simulator(MakeSimulator(2, 0, 0));
    TRigidBody* a = simulator->CreateRigidBody();
    TRigidBody* b = simulator->CreateRigidBody();
    TContact row{};
    row.bodyA = a;
    row.bodyB = b;
    a->PutToRest();
    b->PutToRest();
    EXPECT_TRUE(CheckRestingBodies(&row));
    EXPECT_EQ(row.bodyA, a);
    b->Wake();
    EXPECT_FALSE(CheckRestingBodies(&row));
    EXPECT_EQ(row.bodyA, nullptr);
    row.bodyA = a;
    a->Wake();
    b->PutToRest();
    EXPECT_FALSE(CheckRestingBodies(&row));
    EXPECT_EQ(row.bodyB, nullptr);
    row.bodyB = b;
    a->PutToRest();
    row.ratio = 2.0f;
    EXPECT_FALSE(CheckRestingBodies(&row));
    EXPECT_EQ(row.bodyA, a);
}

#include "TrackTestKit.h"

#include "physics/TRigidBody.h"
#include "physics/TSimulator.h"

#include <cmath>

class USATrackTest : public TrackTest {};

// A heavy box thrown into a row of loose blocks knocks one away; it comes to
// rest on the street while the untouched blocks stay put, and a race reset
// stands it back where it was placed, at rest.
TEST_F(USATrackTest, BlocksKnockedAsideComeToRestAndReturnOnReset)
{
    ASSERT_TRUE(OpenTrack(TRACK_USA)) << g_LastError;
    ASSERT_TRUE(CreateWorld(1));
    auto advance = [&](int frames) {
        for (int frame = 0; frame < frames; ++frame) {
            physics.simulator->Advance(1.0f / 60.0f, 1, nullptr);
            track->Update(nullptr);
        }
    };
    // Left alone, every block and pole keeps its pose: sized and placed to rest on the ground.
    advance(120);
    for (size_t i = 0; i < track->dynamicObjects.size(); ++i) {
        const DynamicTrackObject& object = *track->dynamicObjects[i];
        const backend::Vector3 now = Origin(object.world);
        EXPECT_LT(std::hypot(now.x - object.position.x, now.z - object.position.z), 0.05f) << "object " << i;
        EXPECT_NEAR(now.y, object.position.y, 0.03f) << "object " << i;
    }

    DynamicTrackObject* hit = nullptr;
    for (DynamicTrackObject* object : track->dynamicObjects)
        if (std::abs(object->position.x + 55.8868f) < 1e-3f && std::abs(object->position.z + 52.547f) < 1e-3f)
            hit = object;
    ASSERT_NE(hit, nullptr);
    // Close, so that the rough street cannot stop it before it strikes.
    const TVec4 start = Vec(hit->position.x, 0.5f, hit->position.z - 1.6f, 1.0f);
    TRigidBody* hammer = ThrowBox(Vec(0.8f, 0.8f, 0.8f), 80.0f, start, Vec(0.0f, 0.0f, 9.0f));
    ASSERT_NE(hammer, nullptr);

    advance(300);
    const backend::Vector3 knocked = Origin(hit->world);
    EXPECT_GT(std::hypot(knocked.x - hit->position.x, knocked.z - hit->position.z), 0.5f);
    EXPECT_GT(knocked.y, 0.15f);
    EXPECT_LT(knocked.y, 1.0f);
    advance(1);
    const backend::Vector3 later = Origin(hit->world);
    EXPECT_LT(std::hypot(later.x - knocked.x, later.z - knocked.z), 2e-3f) << "still sliding";
    EXPECT_LT(std::abs(later.y - knocked.y), 2e-3f) << "still bouncing";

    // The hammer leaves; the reset puts the block back and it stays there.
    const TVec4 away = Vec(0.0f, 0.5f, 200.0f, 1.0f), still = Vec(0.0f, 0.0f, 0.0f);
    hammer->SetPosition(&away);
    hammer->SetVelocity(&still);
    track->Reset(nullptr);
    advance(60);
    const backend::Vector3 back = Origin(hit->world);
    EXPECT_LT(std::hypot(back.x - hit->position.x, back.z - hit->position.z), 0.02f);
    EXPECT_NEAR(back.y, hit->position.y, 0.02f);
}

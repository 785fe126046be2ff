#include "MopedTestKit.h"

#include "race/PhysicsMaterials.h"
#include "race/RaceWorld.h"

#include "audio/AudioInitParams.h"
#include "audio/AudioManager.h"
#include "audio/Sound3D.h"
#include "audio/SoundDefinitionManager.h"
#include "backend/clock/Clock.h"
#include "backend/sound/SoundTestHooks.h"
#include "engine/platform/InputSystem.h"
#include "engine/platform/RenderDevice.h"
#include "physics/TSimulator.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

// Output frames of the loopback device in one 16 ms frame at 22050 Hz.
constexpr uint32_t AUDIO_FRAMES = 353;

Sound3D* g_TestCrashSound = nullptr;

void OnTestCollision(TCollisionInfo* info)
{
    MopedTest::contacts.push_back(*info);
    PlayCrashSound(g_TestCrashSound, info);
}

} // namespace

std::vector<TCollisionInfo> MopedTest::contacts;

void MopedTest::SetUp()
{
    TrackTest::SetUp();
    contacts.clear();
    backend::UseLoopbackSoundDevice(true);
    backend::UseManualClock(true);
    backend::AdvanceManualClock(1000);
    AudioInitParams params;
    ASSERT_TRUE(GetAudioManager()->Init(&params));
    const SoundLoadParams once;
    SoundDefinitionManager* definitions = GetSoundDefinitionManager();
    ASSERT_TRUE(definitions->Add3DDefinition("Audio\\Sounds\\GearChange.wav", &once));
    ASSERT_TRUE(definitions->Add3DDefinition("Audio\\Sounds\\EngineStart.wav", &once));
    crashSound = GetAudioManager()->Create3DSound();
    ASSERT_NE(crashSound, nullptr);
    ASSERT_TRUE(crashSound->Load("Audio\\Sounds\\Crash.wav", &once));
    g_TestCrashSound = crashSound;
}

void MopedTest::TearDown()
{
    // No key stays down for the next test.
    Hold({});
    g_InputSystem.keyboardValid = false;
    FreeMoped();
    // The track's weather sounds go before the audio manager does.
    FreeTrack();
    mopedModel.Release();
    mopedModel.Destroy();
    g_TestCrashSound = nullptr;
    if (crashSound != nullptr) {
        crashSound->Release();
        GetAudioManager()->Destroy3DSound(&crashSound);
    }
    GetSoundDefinitionManager()->DestroyAllDefinitions();
    GetAudioManager()->Shutdown();
    backend::UseManualClock(false);
    backend::UseLoopbackSoundDevice(false);
    TrackTest::TearDown();
}

void Hold(std::initializer_list<uint8_t> keys)
{
    std::memset(g_InputSystem.keys, 0, sizeof g_InputSystem.keys);
    for (uint8_t key : keys)
        g_InputSystem.keys[key] = 0x80;
    g_InputSystem.keyboardValid = true;
}

void MopedTest::FreeMoped()
{
    if (moped != nullptr) {
        moped->Release();
        moped->Destroy(&physics);
        moped.reset();
    }
    physics.Destroy();
    contacts.clear();
}

std::unique_ptr<Moped> MopedTest::NewMoped()
{
    return std::make_unique<Moped>();
}

bool MopedTest::StartMoped(TrackId id, int slot, int extraStatic)
{
    if (g_RenderDevice.device == nullptr && (!OpenScene() || !mopedModel.Load()))
        return false;
    if (!LoadTrack(id))
        return false;
    moped = NewMoped();
    moped->track = track.get();
    if (!moped->Load(&mopedModel))
        return false;
    // The race's world, sized as the single-player race sizes it, plus the test's static boxes.
    const RaceWorldSize size = {track->GetRigidBodyCount() + MOPED_BODY_COUNT,
                                track->GetAnimatedBodyCount() + extraStatic,
                                track->GetGeometryCount() + MOPED_GEOMETRY_COUNT + extraStatic,
                                MOPED_JOINT_COUNT,
                                3,
                                track->terrain.vertexCount};
    if (!CreateRaceWorld(&physics, size, OnTestCollision))
        return false;
    if (!track->CreatePhysics(&physics) || !moped->CreatePhysics(&physics))
        return false;
    const TrackStartPosition& start = track->trackData.startPositions[slot];
    const TVec4 place = Vec(start.x, start.y, start.z, 1.0f);
    moped->SetPosition(&place);
    moped->Reset();
    moped->StartEngineSound();
    return true;
}

TAnimatedBody* MopedTest::AddStaticBox(const TVec4& centre, const TVec4& size, float yaw, int material)
{
    TAnimatedBody* box = physics.simulator->CreateAnimatedBody();
    if (box == nullptr)
        return nullptr;
    TConvex* shape = box->AddGeometry();
    if (shape == nullptr)
        return nullptr;
    shape->SetMaterialIndex(material);
    shape->SetBoxSize(&size);
    box->SetCollisionId(material);
    box->SetPosition(&centre);
    const TMat34 turn = Moped::AngleRotation(0.0f, yaw, 0.0f);
    box->SetRotation(&turn);
    box->UpdateBoundingInfo();
    return box;
}

void MopedTest::StepWorld()
{
    physics.simulator->Advance(1.0f / 60.0f, 1, nullptr);
    backend::AdvanceManualClock(MOPED_FRAME_MS * 1000);
    std::vector<int16_t> mix(AUDIO_FRAMES * 2);
    backend::RenderSoundFrames(mix.data(), AUDIO_FRAMES);
    GetAudioManager()->Update();
}

void MopedTest::Step(int frames)
{
    for (int i = 0; i < frames; ++i) {
        moped->Drive();
        StepWorld();
        moped->UpdateRaceState();
    }
}

void MopedTest::SteerAlongRoad()
{
    const TrackProgress& road = moped->progress;
    const TrackSegment* cell = road.currentSegment != nullptr ? road.currentSegment->next->next : road.lastSegment;
    if (cell == nullptr) {
        moped->steering = STEER_NONE;
        return;
    }
    const float tx = cell->centre.x - moped->position.x, tz = cell->centre.z - moped->position.z;
    // Positive when the target lies to the right (clockwise from above).
    const float angle =
        std::atan2(moped->forward.z * tx - moped->forward.x * tz, moped->forward.x * tx + moped->forward.z * tz);
    moped->steering = angle > 0.05f ? STEER_RIGHT : angle < -0.05f ? STEER_LEFT : STEER_NONE;
}

bool MopedTest::StandOnFlat(float length)
{
    const TVec4 ahead = Normalize3(Vec(moped->forward.x, 0.0f, moped->forward.z));
    const TVec4 start = moped->position;
    float top = -INFINITY;
    for (float along = -10.0f; along <= length + 10.0f; along += 1.0f)
        for (float side : {-7.0f, 0.0f, 7.0f}) {
            const TVec4 at = start + ahead * along + Vec(ahead.z, 0.0f, -ahead.x) * side;
            top = std::max(top, GroundAt(at.x, at.z) + 1.0f);
        }
    const float heading = std::atan2(ahead.x, ahead.z);
    const TVec4 centre = start + ahead * (length * 0.5f);
    if (AddStaticBox(Vec(centre.x, top - 0.5f, centre.z, 1.0f), Vec(14.0f, 1.0f, length + 20.0f), heading, 0) ==
        nullptr)
        return false;
    const TVec4 place = Vec(start.x, top + 0.45f, start.z, 1.0f);
    const float angles[3] = {0.0f, heading, 0.0f};
    moped->PlaceBodies(&place, angles);
    return true;
}

float MopedTest::GroundAt(float x, float z) const
{
    backend::Vector3 point = {x, 0.0f, z};
    track->terrain.SnapToGroundXZ(&point, 0.0f);
    return point.y;
}

float WidestJointGap(const Moped& moped)
{
    float widest = 0.0f;
    for (TConstraint* joint :
         {moped.steeringJoint, moped.frontAxle, moped.swingArmJoint, moped.rearAxle, moped.riderJoint}) {
        if (joint->set == nullptr)
            return INFINITY;
        joint->UpdateAnchors();
        for (int i = 0; i < joint->rowCount; ++i)
            widest = std::max(widest, std::sqrt(LengthSquared3(joint->pivotAWorld[i] - joint->pivotBWorld[i])));
    }
    return widest;
}

std::vector<TMat44> BodyPoses(const Moped& moped)
{
    std::vector<TMat44> poses;
    for (const TRigidBody* part :
         {moped.body, moped.handlebar, moped.frontTyre, moped.swingArm, moped.rearTyre, moped.rider})
        poses.push_back(part->GetTransform());
    return poses;
}

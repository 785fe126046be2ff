#include "AudioFixture.h"

#include "audio/AudioListener.h"
#include "audio/Sound.h"
#include "audio/Sound3D.h"
#include "backend/sound/SoundBuffer3D.h"
#include "backend/sound/SoundListener3D.h"

using namespace audiotest;

namespace {

class Sound3DTest : public AudioFixture {
protected:
    // The committed image after the manager's update: energy left and right.
    std::pair<double, double> Heard()
    {
        Frame(512);
        Render(512);
        Frames out = Render(2048);
        return {out.Energy(0), out.Energy(1)};
    }

    void Place(Sound3D* sound, float x, float y, float z)
    {
        backend::Vector3 p{x, y, z};
        sound->SetPosition(&p);
    }
};

} // namespace

TEST_F(Sound3DTest, StereoFilesAreRefused)
{
    Sound3D* sound = GetAudioManager()->Create3DSound();
    SoundLoadParams params{};
    const std::string stereo = Tone("stereo.wav", 0.2f, 2);
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(sound->Load(stereo.c_str(), &params));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Vantrel: Error loading a sound: multichannel sounds not allowed in 3d mode! (" + stereo +
                  ": 2 channels; a sound placed in 3D has one)\n");
    EXPECT_EQ(g_LastError, "Error loading a sound: multichannel sounds not allowed in 3d mode!");
    EXPECT_FALSE(sound->IsLoaded());
    EXPECT_TRUE(GetAudioManager()->loaded3DSounds.empty());
    EXPECT_TRUE(GetAudioManager()->loadedSounds.empty());
}

TEST_F(Sound3DTest, PositionAndTurnSetTheImageAndTheMaximumDistanceMutes)
{
    Sound3D* sound = Load3D(Tone("engine.wav", 0.5f));
    EXPECT_EQ(sound->GetMaxDistance(), 100.0f);
    EXPECT_EQ(sound->GetMinDistance(), 1.0f);
    sound->Play();

    Place(sound, 5, 0, 0);
    auto right = Heard();
    EXPECT_GT(right.second, 4 * right.first);

    Place(sound, -5, 0, 0);
    auto left = Heard();
    EXPECT_GT(left.first, 4 * left.second);

    Place(sound, 0, 0, 5);
    auto ahead = Heard();
    EXPECT_NEAR(ahead.first / ahead.second, 1.0, 0.1);

    Place(sound, 0, 0, 99);
    EXPECT_GT(Heard().first, 1.0);
    Place(sound, 0, 0, 100.5f);
    EXPECT_LT(Heard().first, 1.0);
    EXPECT_TRUE(sound->IsPlaying());

    // Farther is quieter, at the game's rolloff too.
    GetAudioManager()->GetListener()->SetRolloffFactor(0.5f);
    double last = 1e18;
    for (float z : {2.0f, 5.0f, 20.0f, 60.0f}) {
        Place(sound, 0, 0, z);
        double energy = Heard().first;
        EXPECT_LT(energy, last) << z;
        last = energy;
    }

    // Turning the listener round swaps the sides.
    Place(sound, 5, 0, 0);
    backend::Vector3 back{0, 0, -1}, up{0, 1, 0};
    GetAudioManager()->GetListener()->SetOrientation(&back, &up);
    auto heard = Heard();
    EXPECT_GT(heard.first, 4 * heard.second);

    // Standing at +10 on x and facing -x, a sound ahead at the origin is centred.
    backend::Vector3 west{-1, 0, 0};
    backend::Vector3 spot{10, 0, 0};
    GetAudioManager()->GetListener()->SetOrientation(&west, &up);
    GetAudioManager()->GetListener()->SetPosition(&spot);
    Place(sound, 0, 0, 0);
    heard = Heard();
    EXPECT_NEAR(heard.first / heard.second, 1.0, 0.1);
}

TEST_F(Sound3DTest, SettingsTakeEffectOnlyAtTheCommit)
{
    Sound3D* sound = Load3D(Tone("engine.wav", 0.5f));
    sound->Play();
    Place(sound, 5, 0, 0);
    Heard();
    Place(sound, -5, 0, 0);
    Render(512);
    Render(512);
    Frames before = Render(2048);
    EXPECT_GT(before.Energy(1), 4 * before.Energy(0)); // still on the right
    backend::SoundBuffer3D* buffer3D = sound->buffer3D;
    ASSERT_NE(buffer3D, nullptr);
    EXPECT_EQ(buffer3D->Committed().position.x, 5.0f);

    // Two positions in one frame: only the last reaches the buffer.
    Place(sound, 7, 0, 0);
    Place(sound, -3, 0, 0);
    Frame(0);
    EXPECT_EQ(buffer3D->Committed().position.x, -3.0f);
    auto after = Heard();
    EXPECT_GT(after.first, 4 * after.second);

    AudioListener* listener = GetAudioManager()->GetListener();
    backend::Vector3 at{1, 2, 3};
    listener->SetPosition(&at);
    listener->SetPosition(&at);
    backend::Vector3 elsewhere{4, 5, 6};
    listener->SetPosition(&elsewhere);
    EXPECT_EQ(listener->listener3D->Committed().position.x, 0.0f);
    Frame(0);
    EXPECT_EQ(listener->listener3D->Committed().position.x, 4.0f);
    EXPECT_EQ(listener->listener3D->Committed().position.z, 6.0f);
}

TEST_F(Sound3DTest, PropertiesAreClampedStoredAndAppliedAgainOnReload)
{
    Sound3D* sound = Load3D(Tone("engine.wav", 0.5f));
    sound->SetConeAngles(400, 90);
    EXPECT_EQ(sound->GetInsideConeAngle(), 360u);
    EXPECT_EQ(sound->GetOutsideConeAngle(), 90u);
    sound->SetConeOutsideVolume(0.5f);
    sound->SetVolume(2.0f);
    EXPECT_EQ(sound->GetVolume(), 1.0f);
    Frame(0);
    const backend::SoundBuffer3DValues& committed = sound->buffer3D->Committed();
    EXPECT_EQ(committed.insideConeAngle, 360u);
    EXPECT_EQ(committed.outsideConeAngle, 90u);
    EXPECT_EQ(committed.coneOutsideVolume, -602);
    EXPECT_EQ(committed.maxDistance, 100.0f);
    EXPECT_EQ(committed.minDistance, 1.0f);

    sound->Release();
    EXPECT_FALSE(sound->IsLoaded());
    EXPECT_EQ(sound->buffer3D, nullptr);
    EXPECT_TRUE(GetAudioManager()->loaded3DSounds.empty());
    Place(sound, 3, 4, 5);
    sound->SetMaxDistance(40.0f);
    ASSERT_TRUE(sound->Reload());
    Frame(0);
    EXPECT_EQ(sound->buffer3D->Committed().position.y, 4.0f);
    EXPECT_EQ(sound->buffer3D->Committed().maxDistance, 40.0f);
    EXPECT_EQ(sound->buffer3D->Committed().outsideConeAngle, 90u);
}

TEST_F(Sound3DTest, ListenerKeepsValuesSetBeforeItsInitAndCommitsItsBlock)
{
    AudioListener listener;
    backend::Vector3 at{1, 2, 3};
    listener.SetPosition(&at);
    listener.SetRolloffFactor(0.5f);
    ASSERT_TRUE(listener.Init());
    EXPECT_EQ(listener.listener3D->Committed().position.y, 2.0f);
    EXPECT_EQ(listener.listener3D->Committed().rolloffFactor, 0.5f);

    AudioListenerProperties block;
    block.frontOrientation = {1, 0, 0};
    block.topOrientation = {0, 0, 1};
    block.dopplerFactor = 3.0f;
    listener.SetProperties(&block);
    EXPECT_TRUE(listener.CommitDeferredSettings());
    EXPECT_EQ(listener.listener3D->Committed().dopplerFactor, 3.0f);
    listener.Release();
    EXPECT_FALSE(listener.CommitDeferredSettings());
}

TEST_F(Sound3DTest, NearerAndInRangeRankFirstWhenRoomRunsOut)
{
    RestartWithRoomFor(256, 2);
    std::string file = Tone("engine.wav", 0.3f);

    Sound3D* near = GetAudioManager()->Create3DSound();
    Sound3D* far = GetAudioManager()->Create3DSound();
    Place(near, 0, 0, 10);
    Place(far, 0, 0, 50);
    SoundLoadParams params{};
    ASSERT_TRUE(near->Load(file.c_str(), &params));
    ASSERT_TRUE(far->Load(file.c_str(), &params));
    Sound3D* incoming = GetAudioManager()->Create3DSound();
    ASSERT_TRUE(incoming->Load(file.c_str(), &params));
    EXPECT_TRUE(near->IsLoaded());
    EXPECT_FALSE(far->IsLoaded());

    // Beyond its own maximum distance ranks below a farther sound within range.
    Place(near, 0, 0, 30);
    near->SetMaxDistance(20.0f);
    Place(incoming, 0, 0, 90);
    ASSERT_TRUE(far->Reload());
    EXPECT_FALSE(near->IsLoaded());
    EXPECT_TRUE(incoming->IsLoaded());

    // Playing sounds started after the incoming one's last start stay.
    incoming->Play();
    far->Play();
    EXPECT_FALSE(near->Reload());
    EXPECT_TRUE(incoming->IsLoaded());
    EXPECT_TRUE(far->IsLoaded());
    EXPECT_EQ(GetAudioManager()->loaded3DSounds.size(), 2u);
}

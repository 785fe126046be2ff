#include "AudioFixture.h"

#include "audio/AudioListener.h"
#include "audio/Sound.h"
#include "audio/Sound3D.h"
#include "backend/sound/SoundBuffer.h"
#include "support/ChildProcess.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>
#include <unistd.h>

using namespace audiotest;

namespace {

using AudioManagerTest = AudioFixture;

class AudioManagerBeforeInit : public AudioFixture {
protected:
    AudioManagerBeforeInit() { initialize = false; }
};

} // namespace

TEST(LinearToDirectSoundVolume, ConvertsToHundredthsOfADecibel)
{
    EXPECT_EQ(LinearToDirectSoundVolume(0.0f), -10000);
    EXPECT_EQ(LinearToDirectSoundVolume(-1.0f), -10000);
    EXPECT_EQ(LinearToDirectSoundVolume(1.0f), 0);
    EXPECT_EQ(LinearToDirectSoundVolume(2.0f), 0);
    EXPECT_EQ(LinearToDirectSoundVolume(0.1f), -1999);
    EXPECT_EQ(LinearToDirectSoundVolume(1e-7f), -10000);
    EXPECT_EQ(LinearToDirectSoundVolume(std::numeric_limits<float>::quiet_NaN()), -10000);
    EXPECT_EQ(LinearToDirectSoundVolume(std::numeric_limits<float>::infinity()), 0);
}

TEST_F(AudioManagerBeforeInit, RefusesWorkUntilInitialized)
{
    AudioManager* manager = GetAudioManager();
    EXPECT_FALSE(manager->IsInitialized());
    EXPECT_EQ(manager->GetSoundVolume(), 0.0f);
    EXPECT_EQ(manager->soundVolume, 1.0f);
    EXPECT_EQ(manager->CreateSound(), nullptr);
    EXPECT_EQ(g_LastError, "Error creating a sound: audio manager not initialized!");
    EXPECT_EQ(manager->Create3DSound(), nullptr);
    EXPECT_EQ(g_LastError, "Error creating a 3D sound: audio manager not initialized!");
    Sound* none = nullptr;
    manager->DestroySound(none);
    EXPECT_EQ(g_LastError, "Error destroying a sound: audio manager not initialized!");
    manager->Update();
    manager->SetSoundVolume(0.2f);
    EXPECT_EQ(manager->soundVolume, 1.0f);
    AudioListener listener;
    EXPECT_FALSE(listener.Init());
    EXPECT_EQ(g_LastError, "Error initializing audio listener: audio manager not initialized!");

    // Init, once; a second Init is a no-op.
    AudioInitParams params;
    params.forceSoftware = 0x100; // only the low byte counts
    ASSERT_TRUE(manager->Init(&params));
    ASSERT_TRUE(manager->Init(&params));
    EXPECT_TRUE(manager->software2D);
    EXPECT_TRUE(manager->software3D);
    EXPECT_EQ(manager->caps.maxHwMixingAllBuffers, 0u);
    EXPECT_EQ(manager->caps.maxSecondarySampleRate, 100000u);
    EXPECT_NE(manager->GetListener(), nullptr);
    EXPECT_EQ(manager->GetSoundVolume(), 1.0f);
    manager->DestroySound(none);
    EXPECT_EQ(g_LastError, "Error destroying a sound: invalid pointer!");
    manager->Shutdown();
    EXPECT_FALSE(manager->IsInitialized());
    EXPECT_EQ(manager->GetListener(), nullptr);
}

TEST_F(AudioManagerBeforeInit, ChoosesHardwareOnlyWithEnoughBuffersAndFailsWithoutADevice)
{
    AudioManager* manager = GetAudioManager();
    AudioInitParams params;
    backend::ReportHardwareSoundBuffers(4, 64);
    ASSERT_TRUE(manager->Init(&params));
    EXPECT_TRUE(manager->software2D);
    EXPECT_FALSE(manager->software3D);
    EXPECT_EQ(manager->params.maxHardware3DSounds, 64u);
    EXPECT_EQ(manager->params.maxHardware2DSounds, 256u);
    Sound3D* engine = Load3D(Tone("engine.wav", 0.1f), {});
    EXPECT_TRUE(engine->sound->buffer->Flags() & backend::DSBCAPS_LOCHARDWARE);
    manager->Shutdown();

    params.forceSoftware = 1;
    ASSERT_TRUE(manager->Init(&params));
    EXPECT_TRUE(manager->software2D && manager->software3D);
    manager->Shutdown();
    backend::ReportHardwareSoundBuffers(0, 0);

    backend::UseLoopbackSoundDevice(false);
    params.deviceGuid = "No Such Device 42";
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(manager->Init(&params));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Vantrel: Error initializing DirectSound8! (the sound output device \"No Such Device 42\" was not found; "
              "to play without sound, start the game with ALSOFT_DRIVERS=null)\n");
    EXPECT_EQ(g_LastError, "Error initializing DirectSound8!");
    EXPECT_FALSE(manager->IsInitialized());
    EXPECT_EQ(manager->directSound, nullptr);
}

// Run by the test below in a process whose OpenAL has no output driver.
TEST_F(AudioManagerBeforeInit, DISABLED_InitWithoutAnOutputDevice)
{
    backend::UseLoopbackSoundDevice(false);
    AudioInitParams params;
    EXPECT_FALSE(GetAudioManager()->Init(&params));
    EXPECT_EQ(g_LastError, "Error initializing DirectSound8!");
}

// A machine with no sound output: the box text stays the game's, and stderr
// says what is missing and how to play without sound.
TEST(AudioWithoutOutput, SaysNoDeviceWasFoundAndHowToPlayWithoutSound)
{
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    const std::string output =
        (std::filesystem::temp_directory_path() / ("vantrel-no-sound-" + std::to_string(getpid()))).string();
    bool timedOut = false;
    const int status =
        RunBounded({"env", "ALSOFT_DRIVERS=vantrel-no-such-driver", self, "--gtest_also_run_disabled_tests",
                    "--gtest_filter=AudioManagerBeforeInit.DISABLED_InitWithoutAnOutputDevice"},
                   60, &timedOut, output);
    std::stringstream said;
    said << std::ifstream(output).rdbuf();
    std::filesystem::remove(output);
    ASSERT_FALSE(timedOut);
    EXPECT_EQ(status, 0) << said.str();
    EXPECT_NE(said.str().find("Vantrel: Error initializing DirectSound8! (no sound output device found; to play "
                              "without sound, start the game with ALSOFT_DRIVERS=null)\n"),
              std::string::npos)
        << said.str();
}

TEST_F(AudioManagerTest, MasterVolumesApplyToTheirGroupAtOnce)
{
    AudioManager* manager = GetAudioManager();
    Sound* effect = Load(Tone("click.wav", 0.2f));
    Sound* music = Load(Tone("music.wav", 0.2f), SoundLoadParams{1, 0, 1});
    Sound3D* engine = Load3D(Tone("engine.wav", 0.2f), {});
    music->SetVolume(0.5f);

    manager->SetMusicVolume(0.9f);
    EXPECT_EQ(BufferVolume(music), -693);
    EXPECT_EQ(BufferVolume(effect), 0);

    manager->SetSoundVolume(1.5f);
    EXPECT_EQ(manager->GetSoundVolume(), 1.0f);
    manager->SetSoundVolume(0.5f);
    EXPECT_EQ(BufferVolume(effect), -602);
    EXPECT_EQ(BufferVolume(engine->sound), -602);
    EXPECT_EQ(BufferVolume(music), -693);
    manager->SetMusicVolume(-0.2f);
    EXPECT_EQ(manager->GetMusicVolume(), 0.0f);
    EXPECT_EQ(BufferVolume(music), -10000);
    manager->SetSoundVolume(std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(manager->GetSoundVolume(), 0.0f);
}

TEST_F(AudioManagerTest, FullListEvictsOnlyAnIdleSoundStartedLongAgo)
{
    AudioManager* manager = GetAudioManager();
    RestartWithRoomFor(3);
    std::string file = Tone("click.wav", 0.05f);
    Sound* a = Load(file);
    Sound* b = Load(file);
    Sound* c = Load(file);
    for (Sound* s : {a, b, c}) {
        s->Play();
        backend::AdvanceManualClock(5000);
    }
    Frame(3000); // all three have ended, but each was started

    Sound* incoming = manager->CreateSound();
    SoundLoadParams params{};
    g_LastError.clear();
    EXPECT_FALSE(incoming->Load(file.c_str(), &params));
    EXPECT_EQ(g_LastError, "");
    EXPECT_TRUE(a->IsLoaded() && b->IsLoaded() && c->IsLoaded());

    // A sound that was never started goes first.
    b->Release();
    Sound* fresh = Load(file);
    ASSERT_TRUE(fresh->IsLoaded());
    ASSERT_TRUE(incoming->Reload());
    EXPECT_FALSE(fresh->IsLoaded());
    EXPECT_TRUE(a->IsLoaded() && c->IsLoaded() && incoming->IsLoaded());
    EXPECT_EQ(manager->loadedSounds.size(), 3u);
}

TEST_F(AudioManagerTest, EvictionSurvivesManySoundsAlikeInRank)
{
    AudioManager* manager = GetAudioManager();
    RestartWithRoomFor(16);
    std::string file = Tone("tick.wav", 0.02f);
    std::vector<Sound*> made;
    for (int i = 0; i < 300; ++i) {
        Sound* s = manager->CreateSound();
        SoundLoadParams params{0, 0, static_cast<uint8_t>(i % 3 == 0)};
        if (s->Load(file.c_str(), &params) && i % 5 == 0)
            s->Play();
        if (i % 7 == 0)
            backend::AdvanceManualClock(1000);
        made.push_back(s);
        ASSERT_LE(manager->loadedSounds.size(), 16u);
    }
    std::vector<Sound*> loaded = manager->loadedSounds;
    std::sort(loaded.begin(), loaded.end());
    EXPECT_EQ(std::unique(loaded.begin(), loaded.end()), loaded.end());
    for (Sound* s : manager->loadedSounds)
        EXPECT_TRUE(s->IsLoaded());
}

TEST_F(AudioManagerTest, FadeAndStreamEndingInOneUpdateBothLeaveTheirLists)
{
    AudioManager* manager = GetAudioManager();
    Sound* stay = Load(Tone("stay.wav", 0.5f), SoundLoadParams{0, 0, 1});
    Sound* fade = Load(Tone("fade.wav", 0.5f), SoundLoadParams{0, 0, 1});
    Sound* fadeLonger = Load(Tone("fade2.wav", 0.5f), SoundLoadParams{0, 0, 1});
    Sound* stream = Load(Tone("stream.wav", 1.1f), SoundLoadParams{0, 1, 0});
    Sound* streamOn = Load(Tone("stream2.wav", 1.5f), SoundLoadParams{0, 1, 1});
    for (Sound* s : {stay, fade, fadeLonger, stream, streamOn})
        s->Play();
    stream->Play(); // a second Play adds nothing
    EXPECT_EQ(manager->streamingSounds.size(), 2u);
    fadeLonger->FadeOut(0.01f, true);
    for (int i = 0; i < 100 && stream->IsPlaying(); ++i)
        Frame(500);
    ASSERT_FALSE(stream->IsPlaying());
    // Make the fade end in the same update as the next stream's end.
    ASSERT_TRUE(stream->Reload());
    fade->FadeOut(1.0f, false);
    Frame(0);
    EXPECT_FALSE(fade->IsPlaying());
    EXPECT_EQ(manager->fadingSounds, std::vector<Sound*>{fadeLonger});
    EXPECT_EQ(manager->streamingSounds, std::vector<Sound*>{streamOn});
    EXPECT_TRUE(stay->IsPlaying());
    EXPECT_TRUE(streamOn->IsPlaying());
}

TEST_F(AudioManagerTest, PauseResumeAndStopReachEveryLoadedSound)
{
    AudioManager* manager = GetAudioManager();
    Sound* music = Load(Tone("music.wav", 1.5f), SoundLoadParams{1, 1, 1});
    Sound* loop = Load(Tone("loop.wav", 0.3f), SoundLoadParams{0, 0, 1});
    Sound3D* engine = Load3D(Tone("engine.wav", 0.3f));
    music->Play();
    loop->Play();
    engine->Play();
    Frame(1000);
    manager->PauseAll();
    EXPECT_TRUE(music->IsPaused() && loop->IsPaused() && engine->IsPaused());
    EXPECT_TRUE(manager->streamingSounds.empty());
    Frame(1024);
    Frame(1024);
    EXPECT_LT(Frame(1500).MaxAbs(), 4);
    manager->ResumeAll();
    EXPECT_TRUE(music->IsPlaying() && loop->IsPlaying() && engine->IsPlaying());
    EXPECT_EQ(manager->streamingSounds.size(), 1u);
    manager->StopAll();
    EXPECT_FALSE(music->IsPlaying() || loop->IsPlaying() || engine->IsPlaying());
    EXPECT_EQ(music->GetCurrentPosition(), 0u);
}

TEST_F(AudioManagerTest, ShutdownReleasesAndFreesEverythingOnce)
{
    AudioManager* manager = GetAudioManager();
    for (int i = 0; i < 3; ++i)
        Load(Tone("stream" + std::to_string(i) + ".wav", 1.2f), SoundLoadParams{1, 1, 1})->Play();
    Sound3D* stranded = Load3D(Tone("engine.wav", 0.2f), {});
    stranded->Play();
    manager->Create3DSound(); // never loaded
    stranded->FadeOut(0.1f, true);
    Frame(500);
    manager->Shutdown();
    EXPECT_FALSE(manager->IsInitialized());
    EXPECT_TRUE(manager->sounds.empty());
    EXPECT_TRUE(manager->sounds3D.empty());
    EXPECT_TRUE(manager->loadedSounds.empty());
    EXPECT_TRUE(manager->loaded3DSounds.empty());
    EXPECT_TRUE(manager->streamingSounds.empty());
    EXPECT_TRUE(manager->fading3DSounds.empty());
    EXPECT_EQ(manager->directSound, nullptr);
}

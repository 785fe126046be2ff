#pragma once
// The audio manager on the loopback device, a manual clock, and a scratch
// folder for the sound files a test writes.

#include "audio/AudioManager.h"
#include "audio/Sound.h"
#include "audio/Sound3D.h"
#include "audio/SoundDefinitionManager.h"
#include "backend/clock/Clock.h"
#include "backend/sound/LoopbackDevice.h"
#include "backend/sound/SoundBuffer.h"
#include "datagen/writers/OggWriter.h"
#include "datagen/writers/SoundSynth.h"
#include "datagen/writers/WavWriter.h"
#include "engine/platform/Log.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace audiotest {

using soundtest::BestMatch;
using soundtest::CounterSample;
using soundtest::ExpectHeard;
using soundtest::Frames;
using soundtest::Render;
using soundtest::StartOf;

class AudioFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        backend::UseLoopbackSoundDevice(true);
        backend::UseManualClock(true);
        backend::AdvanceManualClock(1000);
        g_LastError.clear();
        folder =
            std::filesystem::temp_directory_path() / ("vantrel-audio-" + std::to_string(::getpid()) + "-" +
                                                      ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        if (initialize) {
            ASSERT_TRUE(GetAudioManager()->Init(&initParams));
        }
    }

    void TearDown() override
    {
        GetSoundDefinitionManager()->DestroyAllDefinitions();
        AudioManager* manager = GetAudioManager();
        manager->Shutdown();
        manager->soundVolume = 1.0f;
        manager->musicVolume = 1.0f;
        backend::UseManualClock(false);
        backend::UseLoopbackSoundDevice(false);
        std::filesystem::remove_all(folder);
    }

    // The manager started again with room for `sounds2D` plain and `sounds3D` 3D sounds in software.
    void RestartWithRoomFor(uint32_t sounds2D, uint32_t sounds3D = 256)
    {
        GetAudioManager()->Shutdown();
        initParams.maxSoftware2DSounds = sounds2D;
        initParams.maxSoftware3DSounds = sounds3D;
        ASSERT_TRUE(GetAudioManager()->Init(&initParams));
    }

    std::string Path(const std::string& file) const { return (folder / file).string(); }

    // A WAV of interleaved float samples.
    std::string Wav(const std::string& file, const std::vector<float>& samples, uint16_t channels, uint32_t rate,
                    uint16_t bits = 16)
    {
        datagen::WavSpec spec;
        spec.channels = channels;
        spec.sampleRate = rate;
        spec.bitsPerSample = bits;
        EXPECT_TRUE(datagen::WriteWav(Path(file), spec, datagen::ToPcm(samples, bits)));
        return Path(file);
    }

    std::string Tone(const std::string& file, float seconds, uint16_t channels = 1, uint32_t rate = 22050,
                     uint16_t bits = 16)
    {
        std::vector<float> mono = datagen::SynthTone(440.0f, seconds, rate, 0.5f);
        return Wav(file, channels == 2 ? datagen::Interleave(mono, mono) : mono, channels, rate, bits);
    }

    std::string Ogg(const std::string& file, const std::vector<float>& samples, int channels, long rate)
    {
        EXPECT_TRUE(datagen::WriteOggVorbis(Path(file), samples, channels, rate));
        return Path(file);
    }

    Sound* Load(const std::string& file, SoundLoadParams params = {})
    {
        return LoadInto(GetAudioManager()->CreateSound(), file, params);
    }

    Sound3D* Load3D(const std::string& file, SoundLoadParams params = {0, 0, 1})
    {
        return LoadInto(GetAudioManager()->Create3DSound(), file, params);
    }

    static int32_t BufferVolume(Sound* sound)
    {
        int32_t volume = 1;
        EXPECT_TRUE(sound->buffer->GetVolume(&volume));
        return volume;
    }

    static uint32_t BufferFrequency(Sound* sound)
    {
        uint32_t hertz = 0;
        EXPECT_TRUE(sound->buffer->GetFrequency(&hertz));
        return hertz;
    }

    // Renders and runs the manager's update, as the game's frames do.
    // With 0 frames the cursor stands still between two updates, as it does
    // when the device mixes in periods longer than a frame.
    Frames Frame(uint32_t frames = 353)
    {
        Frames out = frames ? Render(frames) : Frames{};
        backend::AdvanceManualClock(static_cast<uint64_t>(frames) * 1000000 / soundtest::OUTPUT_RATE);
        GetAudioManager()->Update();
        return out;
    }

    bool initialize = true;
    AudioInitParams initParams;
    std::filesystem::path folder;

private:
    template <class S> static S* LoadInto(S* sound, const std::string& file, SoundLoadParams& params)
    {
        EXPECT_NE(sound, nullptr);
        if (sound && !sound->Load(file.c_str(), &params))
            ADD_FAILURE() << "load failed: " << g_LastError;
        return sound;
    }
};

} // namespace audiotest

// The sound manager's per-frame update with 32 playing sounds, 8 of them
// streamed (4 Ogg Vorbis, 4 WAV), on OpenAL Soft's loopback device. Each frame
// mixes 16 ms of output first (not timed), so that the streams have room to refill.

#include "audio/AudioListener.h"
#include "audio/AudioManager.h"
#include "audio/Sound.h"
#include "audio/Sound3D.h"
#include "backend/sound/SoundTestHooks.h"
#include "datagen/writers/OggWriter.h"
#include "datagen/writers/SoundSynth.h"
#include "datagen/writers/WavWriter.h"

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

struct Scene {
    std::filesystem::path folder;
    std::vector<int16_t> mix;

    Scene()
    {
        folder = std::filesystem::temp_directory_path() / ("vantrel-bench-audio-" + std::to_string(getpid()));
        std::filesystem::create_directories(folder);
        backend::UseLoopbackSoundDevice(true);
        AudioInitParams params;
        GetAudioManager()->Init(&params);

        std::vector<float> tone = datagen::SynthTone(440.0f, 0.5f, 22050, 0.3f);
        std::vector<float> music = datagen::SynthSweep(200.0f, 800.0f, 3.0f, 22050, 0.3f);
        std::vector<float> stereo = datagen::Interleave(music, music);
        datagen::WavSpec mono;
        datagen::WavSpec two;
        two.channels = 2;
        std::string effect = (folder / "effect.wav").string();
        std::string wavStream = (folder / "stream.wav").string();
        std::string oggStream = (folder / "stream.ogg").string();
        datagen::WriteWav(effect, mono, datagen::ToPcm(tone, 16));
        datagen::WriteWav(wavStream, two, datagen::ToPcm(stereo, 16));
        datagen::WriteOggVorbis(oggStream, stereo, 2, 22050);

        SoundLoadParams looping{0, 0, 1};
        SoundLoadParams streamed{1, 1, 1};
        for (int i = 0; i < 8; ++i) {
            Sound* s = GetAudioManager()->CreateSound();
            s->Load((i % 2 ? oggStream : wavStream).c_str(), &streamed);
            s->Play();
        }
        for (int i = 0; i < 12; ++i) {
            Sound* s = GetAudioManager()->CreateSound();
            s->Load(effect.c_str(), &looping);
            s->Play();
        }
        for (int i = 0; i < 12; ++i) {
            Sound3D* s = GetAudioManager()->Create3DSound();
            s->Load(effect.c_str(), &looping);
            backend::Vector3 at{static_cast<float>(i) - 6.0f, 0.0f, 10.0f};
            s->SetPosition(&at);
            s->FadeIn(0.0001f);
            s->Play();
        }
        mix.resize(353 * 2);
    }

    ~Scene()
    {
        GetAudioManager()->StopAll();
        GetAudioManager()->Shutdown();
        backend::UseLoopbackSoundDevice(false);
        std::filesystem::remove_all(folder);
    }
};

void BM_AudioManagerUpdate(benchmark::State& state)
{
    Scene scene;
    AudioListener* listener = GetAudioManager()->GetListener();
    float x = 0.0f;
    for (auto _ : state) {
        state.PauseTiming();
        backend::RenderSoundFrames(scene.mix.data(), 353);
        state.ResumeTiming();
        backend::Vector3 at{x, 0.0f, 0.0f};
        listener->SetPosition(&at);
        x += 0.01f;
        GetAudioManager()->Update();
    }
    state.counters["streaming"] = static_cast<double>(GetAudioManager()->streamingSounds.size());
    state.counters["loaded"] =
        static_cast<double>(GetAudioManager()->loadedSounds.size() + GetAudioManager()->loaded3DSounds.size());
}

} // namespace

BENCHMARK(BM_AudioManagerUpdate)->Unit(benchmark::kMicrosecond)->Iterations(3000);

BENCHMARK_MAIN();

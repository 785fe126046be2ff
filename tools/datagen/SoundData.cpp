// Sound effects, synthesised as 16-bit PCM WAV at 22050 Hz; the 3D ones are mono.

#include "datagen/LoopSynth.h"
#include "datagen/SampleData.h"
#include "datagen/writers/SoundSynth.h"
#include "datagen/writers/WavWriter.h"

#include <cmath>

namespace datagen {

namespace {

constexpr float TWO_PI = 6.2831853f;
constexpr uint32_t RATE = SAMPLE_RATE;

void WriteSound(DataFolder& folder, const std::string& gamePath, const std::vector<float>& samples, uint16_t channels)
{
    WavSpec spec;
    spec.channels = channels;
    spec.sampleRate = RATE;
    spec.bitsPerSample = 16;
    folder.Write(gamePath, MakeWavBytes(spec, ToPcm(samples, 16)));
}

std::vector<float> Beep(float hertz, float seconds, float decay)
{
    std::vector<float> tone = SynthTone(hertz, seconds, RATE, 0.6f, Waveform::Sine);
    MixInto(tone, SynthTone(hertz * 2.0f, seconds, RATE, 0.2f, Waveform::Sine), 0, 1.0f);
    MixInto(tone, SynthTone(hertz * 3.0f, seconds, RATE, 0.08f, Waveform::Triangle), 0, 1.0f);
    ApplyDecay(tone, RATE, 0.004f, decay);
    return tone;
}

// An engine note that repeats exactly: `firing` pulses a second (a divisor of the
// rate), harmonics of the firing rate and a noise burst per pulse from a pattern
// that repeats every few pulses.
std::vector<float> EngineLoop(uint32_t firing, float seconds, float roughness, float brightness, uint32_t seed)
{
    const uint32_t period = RATE / firing;
    const size_t count = static_cast<size_t>(seconds * firing) * period;
    const uint32_t patternPulses = 5;
    const std::vector<float> pattern = SynthNoise(static_cast<float>(period * patternPulses) / RATE, RATE, 1.0f, seed);
    std::vector<float> loop(count);
    for (size_t i = 0; i < count; ++i) {
        const float t = static_cast<float>(i) / RATE;
        float tone = 0.0f;
        for (int h = 1; h <= 6; ++h)
            tone += std::sin(TWO_PI * firing * h * t + h * 0.7f) / (h * (2.0f - brightness));
        // The loop starts half-way through a pulse, away from its attack.
        const size_t k = i + period / 2;
        const float phase = static_cast<float>(k % period) / period;
        const float burst = pattern[k % pattern.size()] * std::exp(-phase * 5.0f);
        loop[i] = tone * 0.5f + burst * roughness;
    }
    LowPassWrapped(loop, 0.55f - brightness * 0.3f);
    Normalise(loop, 0.7f);
    return loop;
}

void WriteInterfaceSounds(DataFolder& folder)
{
    std::vector<float> click = SynthTone(1800.0f, 0.03f, RATE, 0.7f, Waveform::Sine);
    MixInto(click, SynthNoise(0.01f, RATE, 0.3f, 5), 0, 1.0f);
    ApplyDecay(click, RATE, 0.001f, 0.006f);
    WriteSound(folder, "Audio\\Sounds\\Click.wav", click, 1);

    WriteSound(folder, "Audio\\Sounds\\CountDown.wav", Beep(880.0f, 0.3f, 0.09f), 1);
    WriteSound(folder, "Audio\\Sounds\\Go.wav", Beep(1760.0f, 0.8f, 0.25f), 1);

    std::vector<float> chime = Beep(1046.5f, 0.35f, 0.1f);
    MixInto(chime, Beep(1318.5f, 0.35f, 0.1f), RATE / 8, 1.0f);
    MixInto(chime, Beep(1568.0f, 0.6f, 0.2f), RATE / 4, 1.0f);
    Normalise(chime, 0.8f);
    WriteSound(folder, "Audio\\Sounds\\NewLapDriven.wav", chime, 1);
}

void WriteApplause(DataFolder& folder)
{
    const float seconds = 3.5f;
    std::vector<float> channels[2];
    for (int c = 0; c < 2; ++c) {
        channels[c].assign(static_cast<size_t>(seconds * RATE), 0.0f);
        uint32_t state = 1234u + static_cast<uint32_t>(c) * 77u;
        for (int clap = 0; clap < 700; ++clap) {
            state = state * 1664525u + 1013904223u;
            const size_t at = (state >> 8) % (channels[c].size() - RATE / 20);
            std::vector<float> burst = SynthNoise(0.03f, RATE, 0.5f, state | 1u);
            LowPass(burst, 0.3f);
            ApplyDecay(burst, RATE, 0.001f, 0.008f);
            MixInto(channels[c], burst, at, 0.5f + static_cast<float>((state >> 4) & 0xFF) / 512.0f);
        }
        ApplyEnvelope(channels[c], RATE, 0.4f, 1.2f);
    }
    std::vector<float> stereo = Interleave(channels[0], channels[1]);
    Normalise(stereo, 0.8f);
    WriteSound(folder, "Audio\\Sounds\\Applause.wav", stereo, 2);
}

void WriteRain(DataFolder& folder)
{
    // Three seconds of rain that loop: filtered noise wrapped around, with drops.
    const size_t count = 3 * RATE;
    std::vector<float> channels[2];
    for (int c = 0; c < 2; ++c) {
        std::vector<float> loop = SynthNoise(static_cast<float>(count) / RATE, RATE, 0.6f, 99u + c);
        LowPassWrapped(loop, 0.7f);
        uint32_t state = 555u + static_cast<uint32_t>(c);
        for (int drop = 0; drop < 60; ++drop) {
            state = state * 1664525u + 1013904223u;
            std::vector<float> tick = SynthTone(2500.0f + (state >> 20), 0.02f, RATE, 0.3f);
            ApplyDecay(tick, RATE, 0.0005f, 0.004f);
            MixWrapped(loop, tick, (state >> 8) % count, 1.0f);
        }
        channels[c] = loop;
    }
    std::vector<float> stereo = Interleave(channels[0], channels[1]);
    Normalise(stereo, 0.6f);
    WriteSound(folder, "Audio\\Sounds\\Rain.wav", stereo, 2);
}

void WriteEngineSounds(DataFolder& folder)
{
    WriteSound(folder, "Audio\\Sounds\\Engine.wav", EngineLoop(90, 1.0f, 0.35f, 0.6f, 17), 1);
    WriteSound(folder, "Audio\\Sounds\\EngineIdle.wav", EngineLoop(35, 1.0f, 0.5f, 0.2f, 23), 1);

    // Starter whirr, then the engine catching and settling.
    std::vector<float> start = SynthSweep(20.0f, 45.0f, 0.6f, RATE, 0.4f, Waveform::Saw);
    MixInto(start, SynthNoise(0.6f, RATE, 0.15f, 31), 0, 1.0f);
    std::vector<float> caught = SynthSweep(30.0f, 70.0f, 0.5f, RATE, 0.6f, Waveform::Saw);
    MixInto(caught, SynthSweep(70.0f, 40.0f, 0.7f, RATE, 0.5f, Waveform::Saw), caught.size(), 1.0f);
    MixInto(start, caught, start.size(), 1.0f);
    LowPass(start, 0.5f);
    ApplyEnvelope(start, RATE, 0.02f, 0.2f);
    Normalise(start, 0.7f);
    WriteSound(folder, "Audio\\Sounds\\EngineStart.wav", start, 1);

    std::vector<float> gear = SynthTone(110.0f, 0.25f, RATE, 0.6f, Waveform::Square);
    MixInto(gear, SynthNoise(0.08f, RATE, 0.5f, 41), 0, 1.0f);
    LowPass(gear, 0.6f);
    ApplyDecay(gear, RATE, 0.002f, 0.05f);
    Normalise(gear, 0.7f);
    WriteSound(folder, "Audio\\Sounds\\GearChange.wav", gear, 1);

    std::vector<float> crash = SynthNoise(1.2f, RATE, 0.8f, 53);
    LowPass(crash, 0.4f);
    ApplyDecay(crash, RATE, 0.002f, 0.25f);
    std::vector<float> thud = SynthSweep(90.0f, 30.0f, 0.4f, RATE, 0.9f);
    ApplyDecay(thud, RATE, 0.002f, 0.12f);
    MixInto(crash, thud, 0, 1.0f);
    for (int i = 0; i < 4; ++i) {
        std::vector<float> clank = SynthTone(700.0f + i * 370.0f, 0.4f, RATE, 0.3f, Waveform::Triangle);
        ApplyDecay(clank, RATE, 0.001f, 0.06f);
        MixInto(crash, clank, static_cast<size_t>(RATE * (0.05f + i * 0.11f)), 1.0f);
    }
    Normalise(crash, 0.85f);
    WriteSound(folder, "Audio\\Sounds\\Crash.wav", crash, 1);
}

} // namespace

void WriteSoundData(DataFolder& folder)
{
    WriteInterfaceSounds(folder);
    WriteApplause(folder);
    WriteRain(folder);
    WriteEngineSounds(folder);
}

} // namespace datagen

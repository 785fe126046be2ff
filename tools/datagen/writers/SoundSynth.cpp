#include "datagen/writers/SoundSynth.h"

#include <algorithm>
#include <cmath>

namespace datagen {

namespace {

constexpr double TWO_PI = 6.283185307179586;

float Shape(double phase, Waveform shape)
{
    double t = phase - std::floor(phase);
    switch (shape) {
    case Waveform::Square:
        return t < 0.5 ? 1.0f : -1.0f;
    case Waveform::Saw:
        return static_cast<float>(2.0 * t - 1.0);
    case Waveform::Triangle:
        return static_cast<float>(t < 0.5 ? 4.0 * t - 1.0 : 3.0 - 4.0 * t);
    case Waveform::Sine:
    default:
        return static_cast<float>(std::sin(TWO_PI * t));
    }
}

} // namespace

std::vector<float> SynthTone(float hertz, float seconds, uint32_t sampleRate, float amplitude, Waveform shape)
{
    return SynthSweep(hertz, hertz, seconds, sampleRate, amplitude, shape);
}

std::vector<float> SynthSweep(float fromHertz, float toHertz, float seconds, uint32_t sampleRate, float amplitude,
                              Waveform shape)
{
    size_t count = static_cast<size_t>(std::max(0.0, std::round(static_cast<double>(seconds) * sampleRate)));
    std::vector<float> out(count);
    double phase = 0.0;
    for (size_t i = 0; i < count; ++i) {
        out[i] = amplitude * Shape(phase, shape);
        double t = count > 1 ? static_cast<double>(i) / (count - 1) : 0.0;
        phase += (fromHertz + (toHertz - fromHertz) * t) / sampleRate;
    }
    return out;
}

std::vector<float> SynthNoise(float seconds, uint32_t sampleRate, float amplitude, uint32_t seed)
{
    size_t count = static_cast<size_t>(std::max(0.0, std::round(static_cast<double>(seconds) * sampleRate)));
    std::vector<float> out(count);
    uint32_t state = seed ? seed : 1;
    for (size_t i = 0; i < count; ++i) {
        // xorshift32: small, fast and the same everywhere.
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        out[i] = amplitude * (static_cast<float>(state) / 2147483648.0f - 1.0f);
    }
    return out;
}

void LowPass(std::vector<float>& samples, float amount)
{
    float previous = 0.0f;
    for (float& s : samples) {
        previous = previous * amount + s * (1.0f - amount);
        s = previous;
    }
}

void ApplyEnvelope(std::vector<float>& samples, uint32_t sampleRate, float attack, float release)
{
    size_t count = samples.size();
    size_t attackSamples = static_cast<size_t>(std::max(0.0f, attack) * sampleRate);
    size_t releaseSamples = static_cast<size_t>(std::max(0.0f, release) * sampleRate);
    for (size_t i = 0; i < count; ++i) {
        float gain = 1.0f;
        if (i < attackSamples)
            gain = static_cast<float>(i) / attackSamples;
        size_t fromEnd = count - 1 - i;
        if (fromEnd < releaseSamples)
            gain = std::min(gain, static_cast<float>(fromEnd) / releaseSamples);
        samples[i] *= gain;
    }
}

void MixInto(std::vector<float>& target, const std::vector<float>& source, size_t offset, float gain)
{
    if (target.size() < offset + source.size())
        target.resize(offset + source.size(), 0.0f);
    for (size_t i = 0; i < source.size(); ++i)
        target[offset + i] += source[i] * gain;
}

std::vector<float> Interleave(const std::vector<float>& left, const std::vector<float>& right)
{
    size_t count = std::max(left.size(), right.size());
    std::vector<float> out(count * 2, 0.0f);
    for (size_t i = 0; i < count; ++i) {
        out[2 * i] = i < left.size() ? left[i] : 0.0f;
        out[2 * i + 1] = i < right.size() ? right[i] : 0.0f;
    }
    return out;
}

} // namespace datagen

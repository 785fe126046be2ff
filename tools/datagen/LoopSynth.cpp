#include "datagen/LoopSynth.h"

#include <algorithm>
#include <cmath>

namespace datagen {

void MixWrapped(std::vector<float>& loop, const std::vector<float>& source, size_t offset, float gain)
{
    if (loop.empty())
        return;
    for (size_t i = 0; i < source.size(); ++i)
        loop[(offset + i) % loop.size()] += source[i] * gain;
}

void LowPassWrapped(std::vector<float>& loop, float amount)
{
    if (loop.empty())
        return;
    // Settle the filter on the loop's tail so that the wrap is seamless.
    float state = 0.0f;
    for (int pass = 0; pass < 4; ++pass)
        for (float s : loop)
            state = state * amount + s * (1.0f - amount);
    for (float& s : loop) {
        state = state * amount + s * (1.0f - amount);
        s = state;
    }
}

void Normalise(std::vector<float>& samples, float peak)
{
    float largest = 0.0f;
    for (float s : samples)
        largest = std::max(largest, std::fabs(s));
    if (largest > 0.0f)
        for (float& s : samples)
            s *= peak / largest;
}

void ApplyDecay(std::vector<float>& samples, uint32_t sampleRate, float attack, float decay)
{
    const float attackSamples = std::max(1.0f, attack * sampleRate);
    for (size_t i = 0; i < samples.size(); ++i) {
        const float t = static_cast<float>(i);
        const float rise = std::min(1.0f, t / attackSamples);
        samples[i] *= rise * std::exp(-t / (decay * sampleRate));
    }
    // End exactly at silence.
    const size_t fade = std::min<size_t>(samples.size(), sampleRate / 100);
    for (size_t i = 0; i < fade; ++i)
        samples[samples.size() - 1 - i] *= static_cast<float>(i) / fade;
}

} // namespace datagen

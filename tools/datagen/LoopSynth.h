#pragma once
// Helpers for sounds that loop: everything wraps around the end of the buffer,
// so the last sample leads smoothly into the first.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace datagen {

// Adds `source` times `gain` into `loop` from `offset`, wrapping past the end.
void MixWrapped(std::vector<float>& loop, const std::vector<float>& source, size_t offset, float gain);
// One-pole low-pass run around the loop until it has settled (0 < amount < 1).
void LowPassWrapped(std::vector<float>& loop, float amount);
// Scales so that the largest magnitude is `peak`.
void Normalise(std::vector<float>& samples, float peak);
// A decaying note: attack, then exponential decay with time constant `decay` seconds.
void ApplyDecay(std::vector<float>& samples, uint32_t sampleRate, float attack, float decay);

} // namespace datagen

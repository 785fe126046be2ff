#pragma once
// Simple sound synthesis for the sample effects and music: tones, noise,
// envelopes and mixing. Samples are floats in -1..1; multi-channel data is
// interleaved.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace datagen {

enum class Waveform { Sine, Square, Saw, Triangle };

// A tone of constant pitch.
std::vector<float> SynthTone(float hertz, float seconds, uint32_t sampleRate, float amplitude,
                             Waveform shape = Waveform::Sine);
// A tone whose pitch glides from one frequency to another.
std::vector<float> SynthSweep(float fromHertz, float toHertz, float seconds, uint32_t sampleRate, float amplitude,
                              Waveform shape = Waveform::Sine);
// White noise from a fixed seed, so that the data set repeats exactly.
std::vector<float> SynthNoise(float seconds, uint32_t sampleRate, float amplitude, uint32_t seed);
// Smooths noise with a one-pole low-pass filter (0 < amount < 1; higher is darker).
void LowPass(std::vector<float>& samples, float amount);
// Linear attack from silence and release to silence, in seconds.
void ApplyEnvelope(std::vector<float>& samples, uint32_t sampleRate, float attack, float release);
// Adds `source` times `gain` into `target` from sample `offset`, growing it as needed.
void MixInto(std::vector<float>& target, const std::vector<float>& source, size_t offset, float gain);
// Two mono signals as one interleaved stereo signal (the shorter one padded with silence).
std::vector<float> Interleave(const std::vector<float>& left, const std::vector<float>& right);

} // namespace datagen

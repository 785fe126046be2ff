// Music: one looping piece for the menus and one per track, encoded as Ogg Vorbis.
// Every note is mixed around the loop, so the end runs into the start without a seam.

#include "datagen/LoopSynth.h"
#include "datagen/SampleData.h"
#include "datagen/SampleDataList.h"
#include "datagen/writers/OggWriter.h"
#include "datagen/writers/SoundSynth.h"

#include <cmath>
#include <string>

namespace datagen {

namespace {

constexpr uint32_t RATE = SAMPLE_RATE;
constexpr int BARS = 8;
constexpr int BEATS_PER_BAR = 4;

struct Style {
    float tempo; // beats a minute
    int root;    // MIDI note of the key
    bool minor;
    Waveform lead;
    Waveform bass;
    float drums; // 0 = none
    int progression[4];
    uint32_t seed;
};

float NoteHertz(int midi)
{
    return 440.0f * std::pow(2.0f, (midi - 69) / 12.0f);
}

// Scale degree (may exceed 7) to a MIDI note in the style's key.
int Degree(const Style& s, int degree)
{
    static const int MAJOR[7] = {0, 2, 4, 5, 7, 9, 11};
    static const int MINOR[7] = {0, 2, 3, 5, 7, 8, 10};
    const int octave = degree >= 0 ? degree / 7 : (degree - 6) / 7;
    const int step = degree - octave * 7;
    return s.root + octave * 12 + (s.minor ? MINOR[step] : MAJOR[step]);
}

std::vector<float> Note(float hertz, float seconds, Waveform shape, float amplitude, float attack, float decay)
{
    std::vector<float> tone = SynthTone(hertz, seconds, RATE, amplitude, shape);
    ApplyDecay(tone, RATE, attack, decay);
    return tone;
}

uint32_t Next(uint32_t& state)
{
    state = state * 1664525u + 1013904223u;
    return state >> 8;
}

Style StyleOf(int piece)
{
    switch (piece) {
    case 0: // the menus
        return {100, 57, true, Waveform::Triangle, Waveform::Sine, 0.6f, {0, 5, 3, 4}, 1};
    case 1: // Finland
        return {128, 62, false, Waveform::Square, Waveform::Saw, 1.0f, {0, 4, 5, 3}, 2};
    case 2: // Cambodia
        return {112, 60, true, Waveform::Triangle, Waveform::Saw, 0.9f, {0, 3, 6, 4}, 3};
    case 3: // Mexico
        return {136, 64, false, Waveform::Saw, Waveform::Square, 1.0f, {0, 3, 4, 0}, 4};
    case 4: // UK
        return {120, 55, true, Waveform::Square, Waveform::Saw, 1.0f, {0, 5, 6, 4}, 5};
    case 5: // Tanzania
        return {116, 59, false, Waveform::Triangle, Waveform::Sine, 0.9f, {0, 3, 0, 4}, 6};
    case 6: // USA
        return {140, 52, true, Waveform::Saw, Waveform::Square, 1.0f, {0, 6, 5, 4}, 7};
    case 7: // Germany
        return {144, 57, true, Waveform::Square, Waveform::Saw, 1.0f, {0, 5, 2, 6}, 8};
    case 8: // Egypt
        return {108, 62, true, Waveform::Saw, Waveform::Sine, 0.8f, {0, 1, 0, 4}, 9};
    case 9: // Hawaii
        return {104, 60, false, Waveform::Triangle, Waveform::Sine, 0.7f, {0, 4, 5, 3}, 10};
    default: // Finland in winter
        return {124, 61, true, Waveform::Triangle, Waveform::Saw, 0.9f, {0, 5, 3, 6}, 11};
    }
}

// Two channels of one looping piece.
void Compose(const Style& s, std::vector<float>& left, std::vector<float>& right)
{
    const size_t beat = static_cast<size_t>(std::lround(RATE * 60.0 / s.tempo));
    const size_t length = beat * BEATS_PER_BAR * BARS;
    const float beatSeconds = static_cast<float>(beat) / RATE;
    left.assign(length, 0.0f);
    right.assign(length, 0.0f);
    uint32_t state = s.seed * 7919u;

    for (int bar = 0; bar < BARS; ++bar) {
        const int chord = s.progression[(bar / 2) % 4];
        const size_t barStart = static_cast<size_t>(bar) * BEATS_PER_BAR * beat;
        // Pad: the chord held over the bar.
        for (int k = 0; k < 3; ++k) {
            std::vector<float> pad =
                Note(NoteHertz(Degree(s, chord + 2 * k)), beatSeconds * 4.5f, Waveform::Triangle, 0.07f, 0.3f, 2.0f);
            MixWrapped(k == 1 ? left : right, pad, barStart, 1.0f);
            MixWrapped(k == 1 ? right : left, pad, barStart, 0.6f);
        }
        for (int eighth = 0; eighth < BEATS_PER_BAR * 2; ++eighth) {
            const size_t at = barStart + static_cast<size_t>(eighth) * beat / 2;
            // Bass on the eighths, octave jumps on the off-beats.
            const int bassNote = Degree(s, chord - 14) + (eighth % 2 ? 12 : 0);
            std::vector<float> bass = Note(NoteHertz(bassNote), beatSeconds * 0.5f, s.bass, 0.22f, 0.005f, 0.12f);
            LowPass(bass, 0.5f);
            MixWrapped(left, bass, at, 1.0f);
            MixWrapped(right, bass, at, 1.0f);
            // Lead: a tune from the chord and its neighbours, with rests.
            if (Next(state) % 4 != 0) {
                const int degree = chord + static_cast<int>(Next(state) % 5) + 7;
                std::vector<float> lead =
                    Note(NoteHertz(Degree(s, degree)), beatSeconds * 0.45f, s.lead, 0.12f, 0.01f, beatSeconds * 0.3f);
                MixWrapped(left, lead, at, 0.9f);
                MixWrapped(right, lead, at + RATE / 100, 0.6f);
            }
            if (s.drums <= 0.0f)
                continue;
            // Kick on 1 and 3, snare on 2 and 4, hats on the eighths.
            if (eighth % 4 == 0) {
                std::vector<float> kick = SynthSweep(120.0f, 40.0f, 0.25f, RATE, 0.6f * s.drums);
                ApplyDecay(kick, RATE, 0.001f, 0.08f);
                MixWrapped(left, kick, at, 1.0f);
                MixWrapped(right, kick, at, 1.0f);
            } else if (eighth % 4 == 2) {
                std::vector<float> snare = SynthNoise(0.2f, RATE, 0.35f * s.drums, Next(state) | 1u);
                LowPass(snare, 0.3f);
                ApplyDecay(snare, RATE, 0.001f, 0.05f);
                MixWrapped(left, snare, at, 1.0f);
                MixWrapped(right, snare, at, 0.9f);
            }
            std::vector<float> hat = SynthNoise(0.05f, RATE, 0.12f * s.drums, Next(state) | 1u);
            ApplyDecay(hat, RATE, 0.0005f, 0.01f);
            MixWrapped(eighth % 2 ? right : left, hat, at, 1.0f);
        }
    }
}

void WritePiece(DataFolder& folder, const std::string& gamePath, int piece)
{
    std::vector<float> left, right;
    Compose(StyleOf(piece), left, right);
    std::vector<float> stereo = Interleave(left, right);
    Normalise(stereo, 0.8f);
    std::vector<uint8_t> bytes;
    if (!EncodeOggVorbis(stereo, 2, RATE, bytes, 0.3f)) {
        folder.Fail("the Vorbis encoder refused " + gamePath);
        return;
    }
    folder.Write(gamePath, bytes);
}

} // namespace

void WriteMusicData(DataFolder& folder)
{
    WritePiece(folder, "Audio\\Music\\Menu.ogg", 0);
    for (int track = 0; track < TRACK_COUNT; ++track)
        WritePiece(folder, std::string("Audio\\Music\\") + TRACK_DIRECTORIES[track] + ".ogg", track + 1);
}

} // namespace datagen

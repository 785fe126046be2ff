#pragma once
// A DirectSound object on OpenAL Soft's loopback device: mixing happens only
// when a test renders, so cursors and output are exact and repeatable.

#include "backend/sound/DirectSound.h"
#include "backend/sound/PrimarySoundBuffer.h"
#include "backend/sound/SoundBuffer.h"
#include "backend/sound/SoundBuffer3D.h"
#include "backend/sound/SoundListener3D.h"
#include "backend/sound/SoundTestHooks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

namespace soundtest {

constexpr uint32_t OUTPUT_RATE = 22050;

inline backend::WaveFormat Pcm(uint16_t channels, uint16_t bits, uint32_t rate)
{
    backend::WaveFormat f;
    f.formatTag = backend::WAVE_FORMAT_PCM;
    f.channels = channels;
    f.bitsPerSample = bits;
    f.samplesPerSec = rate;
    f.blockAlign = static_cast<uint16_t>(channels * bits / 8);
    f.avgBytesPerSec = rate * f.blockAlign;
    return f;
}

// Interleaved stereo frames rendered from the loopback device.
struct Frames {
    std::vector<int16_t> samples;
    size_t Count() const { return samples.size() / 2; }
    int16_t Left(size_t i) const { return samples[2 * i]; }
    int16_t Right(size_t i) const { return samples[2 * i + 1]; }
    double Energy(int channel) const
    {
        double sum = 0;
        for (size_t i = 0; i < Count(); ++i) {
            double v = samples[2 * i + channel];
            sum += v * v;
        }
        return Count() ? sum / Count() : 0.0;
    }
    int MaxAbs() const
    {
        int m = 0;
        for (int16_t s : samples)
            m = std::max(m, std::abs(static_cast<int>(s)));
        return m;
    }
};

inline Frames Render(uint32_t frames)
{
    Frames out;
    out.samples.assign(static_cast<size_t>(frames) * 2, 0);
    EXPECT_TRUE(backend::RenderSoundFrames(out.samples.data(), frames));
    return out;
}

class LoopbackDevice : public ::testing::Test {
protected:
    void SetUp() override
    {
        backend::UseLoopbackSoundDevice(true);
        ASSERT_TRUE(backend::DirectSound::Create(nullptr, sound));
        ASSERT_TRUE(sound->CreatePrimaryBuffer(backend::DSBCAPS_PRIMARYBUFFER | backend::DSBCAPS_CTRL3D, primary));
        ASSERT_TRUE(primary->SetFormat(Pcm(2, 16, OUTPUT_RATE)));
        listener = primary->GetListener();
        ASSERT_NE(listener, nullptr);
    }
    void TearDown() override
    {
        primary.reset();
        sound.reset();
        backend::UseLoopbackSoundDevice(false);
    }

    std::unique_ptr<backend::SoundBuffer> MakeBuffer(const backend::WaveFormat& format, uint32_t bytes,
                                                     uint32_t flags = 0)
    {
        backend::SoundBufferDesc desc;
        desc.flags =
            flags | backend::DSBCAPS_CTRLVOLUME | backend::DSBCAPS_CTRLFREQUENCY | backend::DSBCAPS_GETCURRENTPOSITION2;
        desc.bufferBytes = bytes;
        desc.format = &format;
        std::unique_ptr<backend::SoundBuffer> buffer;
        EXPECT_TRUE(sound->CreateSoundBuffer(desc, buffer));
        return buffer;
    }

    static void Fill(backend::SoundBuffer& buffer, uint32_t offset, const void* bytes, uint32_t count)
    {
        void* p1 = nullptr;
        void* p2 = nullptr;
        uint32_t n1 = 0, n2 = 0;
        ASSERT_TRUE(buffer.Lock(offset, count, &p1, &n1, &p2, &n2, 0));
        std::memcpy(p1, bytes, n1);
        if (n2)
            std::memcpy(p2, static_cast<const uint8_t*>(bytes) + n1, n2);
        ASSERT_TRUE(buffer.Unlock(p1, n1, p2, n2));
    }

    static uint32_t Cursor(backend::SoundBuffer& buffer)
    {
        uint32_t play = 0, write = 0;
        EXPECT_TRUE(buffer.GetCurrentPosition(&play, &write));
        return play;
    }

    static bool IsPlaying(backend::SoundBuffer& buffer)
    {
        uint32_t status = 0;
        EXPECT_TRUE(buffer.GetStatus(&status));
        return (status & backend::DSBSTATUS_PLAYING) != 0;
    }

    std::unique_ptr<backend::DirectSound> sound;
    std::unique_ptr<backend::PrimarySoundBuffer> primary;
    backend::SoundListener3D* listener = nullptr;
};

} // namespace soundtest

namespace soundtest {

// The lag (in frames, up to `maxLag`) at which `channel` of the output best
// matches `expected` scaled by one factor, and the largest difference there
// relative to the scaled signal's peak.
struct Match {
    int lag = -1;
    double gain = 0;
    double worst = 1e9;
};

inline Match BestMatch(const Frames& out, int channel, const std::vector<double>& expected, int maxLag = 64)
{
    Match best;
    double peak = 1e-9;
    for (double e : expected)
        peak = std::max(peak, std::abs(e));
    for (int lag = 0; lag <= maxLag; ++lag) {
        if (lag + expected.size() > out.Count())
            break;
        double num = 0, den = 0;
        for (size_t i = 0; i < expected.size(); ++i) {
            num += expected[i] * out.samples[2 * (i + lag) + channel];
            den += expected[i] * expected[i];
        }
        double gain = den > 0 ? num / den : 0;
        double worst = 0;
        for (size_t i = 0; i < expected.size(); ++i)
            worst = std::max(worst, std::abs(out.samples[2 * (i + lag) + channel] - gain * expected[i]));
        worst /= std::max(std::abs(gain) * peak, 1e-9);
        if (worst < best.worst)
            best = {lag, gain, worst};
    }
    return best;
}

// A counting signal: a slip, repeat or gap of one frame shows as a step of 7.
inline int16_t CounterSample(uint32_t n)
{
    return static_cast<int16_t>(n * 7 % 28000);
}

// The output frame where `expected` (stereo) starts in `heard` (stereo).
inline size_t StartOf(const std::vector<int16_t>& heard, const std::vector<int16_t>& expected)
{
    std::vector<double> head;
    for (size_t i = 0; i < 3000; ++i)
        head.push_back(expected[2 * i]);
    Match match = BestMatch(Frames{heard}, 0, head);
    EXPECT_GE(match.lag, 0);
    EXPECT_NEAR(match.gain, 1.0, 0.01);
    return std::max(match.lag, 0);
}

// Checks that `heard` (stereo) plays `count` frames of `expected` (stereo,
// over again after its end) from output frame `start` on, without a gap,
// repeat or skip, within the mixer's dither (`tolerance`).
inline void ExpectHeard(const std::vector<int16_t>& heard, const std::vector<int16_t>& expected, size_t start,
                        size_t count, int tolerance = 4)
{
    ASSERT_GE(heard.size() / 2, start + count);
    size_t frames = expected.size() / 2;
    int errors = 0;
    for (size_t i = 0; i < count; ++i) {
        size_t at = start + i;
        size_t from = i % frames;
        for (int c = 0; c < 2; ++c) {
            int diff = std::abs(heard[2 * at + c] - expected[2 * from + c]);
            if (diff > tolerance && errors++ < 5)
                ADD_FAILURE() << "output frame " << at << " (loop " << i / frames << ", frame " << from << ") channel "
                              << c << ": " << heard[2 * at + c] << " instead of " << expected[2 * from + c];
        }
    }
    EXPECT_EQ(errors, 0);
}

} // namespace soundtest

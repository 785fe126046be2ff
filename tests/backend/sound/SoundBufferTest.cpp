#include "LoopbackDevice.h"

#include <cstdint>

using namespace soundtest;

namespace {

std::vector<int16_t> Ramp(size_t count, int step)
{
    std::vector<int16_t> s(count);
    for (size_t i = 0; i < count; ++i)
        s[i] = static_cast<int16_t>((static_cast<int>(i) * step) % 20000 - 10000);
    return s;
}

class SoundBufferTest : public LoopbackDevice {};

// A change reaches the output one mix later, and the mixer delays it a little.
void Settle()
{
    Render(256);
    Render(256);
}

} // namespace

TEST_F(SoundBufferTest, RefusesFormatsAndSizesOutsidePcm)
{
    auto stereo = Pcm(2, 16, 22050);
    auto mono24 = Pcm(1, 24, 22050);
    auto mono8 = Pcm(1, 8, 22050);
    backend::SoundBufferDesc desc;
    std::unique_ptr<backend::SoundBuffer> buffer;
    desc.format = &mono24;
    desc.bufferBytes = 3000;
    EXPECT_FALSE(sound->CreateSoundBuffer(desc, buffer));
    desc.format = &stereo;
    desc.flags = backend::DSBCAPS_CTRL3D; // 3D sounds are mono
    EXPECT_FALSE(sound->CreateSoundBuffer(desc, buffer));
    desc.format = &mono8;
    desc.flags = 0;
    desc.bufferBytes = 0;
    EXPECT_FALSE(sound->CreateSoundBuffer(desc, buffer));
    desc.bufferBytes = 100;
    EXPECT_TRUE(sound->CreateSoundBuffer(desc, buffer));
}

TEST_F(SoundBufferTest, StereoDataReachesTheOutputUnchanged)
{
    std::vector<int16_t> data = Ramp(2000, 37);
    auto buffer = MakeBuffer(Pcm(2, 16, OUTPUT_RATE), 4000);
    Fill(*buffer, 0, data.data(), 4000);
    ASSERT_TRUE(buffer->Play(0));
    Frames out = Render(1200);
    std::vector<double> left, right;
    for (size_t i = 0; i < 1000; ++i) {
        left.push_back(data[2 * i]);
        right.push_back(data[2 * i + 1]);
    }
    Match l = BestMatch(out, 0, left);
    Match r = BestMatch(out, 1, right);
    EXPECT_EQ(l.lag, r.lag);
    EXPECT_NEAR(l.gain, 1.0, 0.01);
    EXPECT_LT(l.worst, 0.001);
    EXPECT_LT(r.worst, 0.001);
}

// As DirectSound does, a centred mono 2D buffer plays at full level on both
// sides, and a pan attenuates the other side by its hundredths of a decibel.
TEST_F(SoundBufferTest, MonoDataReachesBothSidesAtFullLevelAndPanAttenuatesOneSide)
{
    for (uint16_t bits : {8, 16}) {
        SCOPED_TRACE(bits);
        std::vector<int16_t> samples = Ramp(3000, 53);
        std::vector<uint8_t> bytes;
        std::vector<double> expected;
        for (int16_t v : samples) {
            if (bits == 8) {
                bytes.push_back(static_cast<uint8_t>(v / 256 + 128));
                expected.push_back((v / 256) * 256.0);
            } else {
                bytes.push_back(static_cast<uint8_t>(v & 0xFF));
                bytes.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
                expected.push_back(v);
            }
        }
        expected.resize(2000);
        auto buffer =
            MakeBuffer(Pcm(1, bits, OUTPUT_RATE), static_cast<uint32_t>(bytes.size()), backend::DSBCAPS_CTRLPAN);
        Fill(*buffer, 0, bytes.data(), static_cast<uint32_t>(bytes.size()));
        ASSERT_TRUE(buffer->SetPan(-602)); // the right side at half
        ASSERT_TRUE(buffer->Play(0));
        Frames out = Render(2500);
        Match left = BestMatch(out, 0, expected);
        Match right = BestMatch(out, 1, expected);
        EXPECT_NEAR(left.gain, 1.0, 0.01);
        EXPECT_NEAR(right.gain, 0.5, 0.01);
        EXPECT_LT(left.worst, 0.002);
        EXPECT_EQ(Cursor(*buffer), 2500u * bits / 8);
    }
}

TEST_F(SoundBufferTest, OneShotStopsAtItsEndAndPlaysAgainFromTheStart)
{
    auto buffer = MakeBuffer(Pcm(1, 16, OUTPUT_RATE), 2000);
    std::vector<int16_t> data = Ramp(1000, 29);
    Fill(*buffer, 0, data.data(), 2000);
    ASSERT_TRUE(buffer->Play(0));
    Render(400);
    EXPECT_TRUE(IsPlaying(*buffer));
    EXPECT_EQ(Cursor(*buffer), 800u);
    Render(800);
    EXPECT_FALSE(IsPlaying(*buffer));
    EXPECT_EQ(Cursor(*buffer), 0u);
    EXPECT_LT(Render(200).MaxAbs(), 4);
    ASSERT_TRUE(buffer->Play(0));
    Render(100);
    EXPECT_EQ(Cursor(*buffer), 200u);
}

TEST_F(SoundBufferTest, LoopingWrapsAndStopPausesWherePlayResumes)
{
    auto buffer = MakeBuffer(Pcm(1, 8, OUTPUT_RATE), 1000);
    std::vector<uint8_t> data(1000);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<uint8_t>(128 + 100 * std::sin(i * 0.05));
    Fill(*buffer, 0, data.data(), 1000);
    ASSERT_TRUE(buffer->Play(backend::DSBPLAY_LOOPING));
    Render(2300);
    EXPECT_TRUE(IsPlaying(*buffer));
    EXPECT_EQ(Cursor(*buffer), 300u);

    ASSERT_TRUE(buffer->Stop());
    EXPECT_FALSE(IsPlaying(*buffer));
    Render(500);
    EXPECT_EQ(Cursor(*buffer), 300u);
    EXPECT_LT(Render(200).MaxAbs(), 4); // silent while paused

    // Play on a playing buffer does not restart it.
    ASSERT_TRUE(buffer->Play(backend::DSBPLAY_LOOPING));
    Render(100);
    ASSERT_TRUE(buffer->Play(backend::DSBPLAY_LOOPING));
    EXPECT_EQ(Cursor(*buffer), 400u);

    // A position set while paused is where Play starts.
    ASSERT_TRUE(buffer->Stop());
    ASSERT_TRUE(buffer->SetCurrentPosition(10));
    EXPECT_EQ(Cursor(*buffer), 10u);
    ASSERT_TRUE(buffer->Play(backend::DSBPLAY_LOOPING));
    Render(50);
    EXPECT_EQ(Cursor(*buffer), 60u);
    EXPECT_FALSE(buffer->SetCurrentPosition(1000));
}

TEST_F(SoundBufferTest, VolumeFrequencyAndPanApplyTheirUnits)
{
    std::vector<int16_t> data(4000);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<int16_t>(12000 * std::sin(i * 0.1));
    auto buffer = MakeBuffer(Pcm(1, 16, OUTPUT_RATE), 8000, backend::DSBCAPS_CTRLPAN);
    Fill(*buffer, 0, data.data(), 8000);
    ASSERT_TRUE(buffer->Play(backend::DSBPLAY_LOOPING));
    Settle();
    double full = Render(1000).Energy(0);

    ASSERT_TRUE(buffer->SetVolume(-602)); // half the amplitude
    Settle();
    EXPECT_NEAR(Render(1000).Energy(0) / full, 0.25, 0.02);
    ASSERT_TRUE(buffer->SetVolume(backend::DSBVOLUME_MIN));
    Settle();
    EXPECT_LT(Render(1000).MaxAbs(), 4);
    EXPECT_FALSE(buffer->SetVolume(1));
    EXPECT_FALSE(buffer->SetVolume(-10001));
    ASSERT_TRUE(buffer->SetVolume(0));

    ASSERT_TRUE(buffer->SetPan(backend::DSBPAN_RIGHT));
    Settle();
    Frames panned = Render(1000);
    EXPECT_GT(panned.Energy(1), 4 * panned.Energy(0));
    ASSERT_TRUE(buffer->SetPan(0));

    ASSERT_TRUE(buffer->SetFrequency(2 * OUTPUT_RATE));
    uint32_t before = Cursor(*buffer);
    Render(500);
    EXPECT_EQ((Cursor(*buffer) + 8000 - before) % 8000, 2000u);
    uint32_t frequency = 0;
    ASSERT_TRUE(buffer->GetFrequency(&frequency));
    EXPECT_EQ(frequency, 2 * OUTPUT_RATE);
    EXPECT_FALSE(buffer->SetFrequency(99));
    EXPECT_FALSE(buffer->SetFrequency(100001));
}

TEST_F(SoundBufferTest, PanNeedsItsCapabilityAndLockChecksItsRange)
{
    auto buffer = MakeBuffer(Pcm(1, 16, OUTPUT_RATE), 1000);
    EXPECT_FALSE(buffer->SetPan(100));
    void* p1 = nullptr;
    void* p2 = nullptr;
    uint32_t n1 = 0, n2 = 0;
    EXPECT_FALSE(buffer->Lock(1000, 10, &p1, &n1, &p2, &n2, 0));
    EXPECT_FALSE(buffer->Lock(0, 1001, &p1, &n1, &p2, &n2, 0));
    EXPECT_FALSE(buffer->Lock(0, 0, &p1, &n1, &p2, &n2, 0));
    ASSERT_TRUE(buffer->Lock(900, 300, &p1, &n1, &p2, &n2, 0));
    EXPECT_EQ(n1, 100u);
    EXPECT_EQ(n2, 200u);
    EXPECT_FALSE(buffer->Lock(0, 10, &p1, &n1, &p2, &n2, 0)); // already locked
    EXPECT_TRUE(buffer->Unlock(p1, n1, p2, n2));
    EXPECT_FALSE(buffer->Unlock(p1, n1, p2, n2));
    backend::FailNextSoundBufferLocks(1);
    EXPECT_FALSE(buffer->Lock(0, 10, &p1, &n1, &p2, &n2, 0));
    EXPECT_TRUE(buffer->Lock(0, 10, &p1, &n1, &p2, &n2, 0));
}

// A writer that keeps a looping buffer fed behind its play cursor, as a
// streaming sound does, must hear one unbroken stream.
TEST_F(SoundBufferTest, RingWrittenBehindTheCursorPlaysAsOneStream)
{
    auto format = Pcm(2, 16, OUTPUT_RATE);
    const uint32_t ringBytes = format.avgBytesPerSec; // one second
    auto ring = MakeBuffer(format, ringBytes);
    // The stream: frame n holds (c, -c) for the counter sample c of n.
    auto frameValue = CounterSample;
    std::vector<int16_t> block(ringBytes / 2);
    for (uint32_t i = 0; i < ringBytes / 4; ++i) {
        block[2 * i] = frameValue(i);
        block[2 * i + 1] = static_cast<int16_t>(-frameValue(i));
    }
    Fill(*ring, 0, block.data(), ringBytes);
    uint32_t written = ringBytes / 4; // frames of the stream in the ring so far
    uint32_t writeOffset = 0;
    ASSERT_TRUE(ring->Play(backend::DSBPLAY_LOOPING));

    std::vector<int16_t> heard;
    const uint32_t steps[] = {353, 1000, 7, 2205, 4410, 0, 100};
    for (int round = 0; round < 60; ++round) {
        Frames out = Render(steps[round % 7]);
        heard.insert(heard.end(), out.samples.begin(), out.samples.end());
        uint32_t cursor = Cursor(*ring);
        uint32_t fill = (cursor + ringBytes - writeOffset) % ringBytes;
        if (fill == 0)
            continue;
        void* p1 = nullptr;
        void* p2 = nullptr;
        uint32_t n1 = 0, n2 = 0;
        ASSERT_TRUE(ring->Lock(writeOffset, fill, &p1, &n1, &p2, &n2, 0));
        for (uint32_t part = 0; part < 2; ++part) {
            auto* p = static_cast<int16_t*>(part == 0 ? p1 : p2);
            uint32_t frames = (part == 0 ? n1 : n2) / 4;
            for (uint32_t i = 0; i < frames; ++i, ++written) {
                p[2 * i] = frameValue(written);
                p[2 * i + 1] = static_cast<int16_t>(-frameValue(written));
            }
        }
        ASSERT_TRUE(ring->Unlock(p1, n1, p2, n2));
        writeOffset = (writeOffset + fill) % ringBytes;
    }
    // Past the mixer's start-up delay, frame i holds stream frame i - delay,
    // within the mixer's dither: no gap, no repeat, no skip.
    ASSERT_GT(heard.size() / 2, 3 * OUTPUT_RATE);
    std::vector<int16_t> stream;
    for (uint32_t n = 0; n < written; ++n)
        stream.insert(stream.end(), {frameValue(n), static_cast<int16_t>(-frameValue(n))});
    size_t start = StartOf(heard, stream);
    ExpectHeard(heard, stream, start, heard.size() / 2 - start, 3);
}

// A looping buffer told to play out plays what lies ahead of its cursor once,
// across a pause and a pan change, hears nothing written after, and stops; a
// Play after that starts afresh with what was written. As a plain buffer and
// as a ring.
TEST_F(SoundBufferTest, PlayOutPlaysWhatIsAheadOnceThenStops)
{
    auto format = Pcm(1, 16, OUTPUT_RATE);
    const uint32_t bytes = format.avgBytesPerSec; // one second
    // Frame n holds 1000 + 7n % 28000, so that a slip or a repeat shows, and
    // silence too; what is written after the play-out holds JUNK.
    constexpr int16_t JUNK = -20000;
    std::vector<int16_t> counter(bytes / 2), junk(bytes / 2, JUNK);
    for (size_t n = 0; n < counter.size(); ++n)
        counter[n] = static_cast<int16_t>(1000 + n * 7 % 28000);
    for (bool ring : {false, true}) {
        SCOPED_TRACE(ring ? "ring" : "plain");
        Render(256); // the case before dies away
        auto buffer = MakeBuffer(format, bytes, backend::DSBCAPS_CTRLPAN);
        Fill(*buffer, 0, counter.data(), bytes);
        ASSERT_TRUE(buffer->Play(backend::DSBPLAY_LOOPING));
        std::vector<int16_t> heard = Render(5000).samples;
        if (ring)
            Fill(*buffer, 0, counter.data(), 5000 * 2); // the same bytes, written while it loops
        buffer->PlayOut();
        Fill(*buffer, 0, junk.data(), bytes);
        ASSERT_TRUE(buffer->Stop());
        ASSERT_TRUE(buffer->Play(backend::DSBPLAY_LOOPING));
        ASSERT_TRUE(buffer->SetPan(backend::DSBPAN_LEFT));
        for (int i = 0; IsPlaying(*buffer) && i < 100; ++i) {
            Frames out = Render(500);
            heard.insert(heard.end(), out.samples.begin(), out.samples.end());
        }
        EXPECT_FALSE(IsPlaying(*buffer));
        EXPECT_LT(Render(1000).MaxAbs(), 4);

        // The left side: a run of the counter from its start, then silence.
        size_t frames = heard.size() / 2, start = 0, end = 0;
        while (start < frames && heard[2 * start] < 500)
            ++start;
        ASSERT_LT(start, 200u);
        for (end = start; end < frames && std::abs(heard[2 * end]) > 4; ++end)
            ASSERT_NEAR(heard[2 * end], counter[(end - start) % counter.size()], 3) << "frame " << end;
        for (size_t i = end; i < frames; ++i)
            ASSERT_LE(std::abs(heard[2 * i]), 4) << "frame " << i;
        // A plain buffer plays to its end; a ring what it had queued, at most a lap.
        if (ring) {
            EXPECT_GT(end - start, counter.size());
            EXPECT_LE(end - start, counter.size() + 5000u);
        } else {
            EXPECT_EQ(end - start, counter.size());
        }

        ASSERT_TRUE(buffer->Play(backend::DSBPLAY_LOOPING));
        EXPECT_NEAR(Render(2000).samples[2000], JUNK, 3);
    }
}

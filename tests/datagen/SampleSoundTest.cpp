#include "audio/OggVorbisReader.h"
#include "audio/WaveFileReader.h"
#include "backend/files/Files.h"
#include "datagen/SampleDataList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

using namespace datagen;

namespace {

constexpr uint32_t RATE = 22050;
constexpr size_t JOIN_WINDOW = RATE / 20; // 50 ms

// Whole decoded PCM of a reader, as floats per channel.
std::vector<std::vector<float>> ReadAll(SoundReader& reader)
{
    const backend::WaveFormat* format = reader.GetFormat();
    std::vector<uint8_t> bytes;
    uint8_t block[8192];
    uint32_t got = 0;
    while (reader.Read(block, sizeof block, &got) && got > 0) {
        bytes.insert(bytes.end(), block, block + got);
        if (reader.IsEndOfData())
            break;
    }
    const size_t channels = format->channels;
    std::vector<std::vector<float>> out(channels);
    const size_t frames = bytes.size() / 2 / channels;
    for (size_t i = 0; i < frames; ++i)
        for (size_t c = 0; c < channels; ++c) {
            int16_t s;
            std::memcpy(&s, bytes.data() + (i * channels + c) * 2, 2);
            out[c].push_back(s / 32768.0f);
        }
    return out;
}

// The step from the last sample to the first, against the largest step within
// 50 ms on either side of the loop point.
struct Join {
    float step = 0.0f;
    float largestNearby = 0.0f;
};

Join MeasureJoin(const std::vector<float>& s)
{
    Join join;
    join.step = std::fabs(s.front() - s.back());
    for (size_t i = 0; i + 1 < JOIN_WINDOW && i + 1 < s.size(); ++i) {
        join.largestNearby = std::max(join.largestNearby, std::fabs(s[i + 1] - s[i]));
        const size_t j = s.size() - 2 - i;
        join.largestNearby = std::max(join.largestNearby, std::fabs(s[j + 1] - s[j]));
    }
    return join;
}

void ExpectSeamless(const std::vector<std::vector<float>>& channels, const std::string& what)
{
    for (size_t c = 0; c < channels.size(); ++c) {
        ASSERT_GT(channels[c].size(), 2 * JOIN_WINDOW) << what;
        const Join join = MeasureJoin(channels[c]);
        EXPECT_LE(join.step, join.largestNearby * 1.1f + 0.002f) << what << " channel " << c;
        EXPECT_LT(join.step, 0.15f) << what << " channel " << c;
    }
}

std::string SoundPath(const char* name)
{
    return std::string("Audio\\Sounds\\") + name + ".wav";
}

} // namespace

TEST(SampleSounds, EveryEffectIsSixteenBitPcmAtTheSharedRateAndThreeDOnesAreMono)
{
    const std::pair<const char*, bool> sounds[] = {{"Engine", true},        {"EngineIdle", true},  {"Crash", true},
                                                   {"GearChange", true},    {"EngineStart", true}, {"Click", false},
                                                   {"Rain", false},         {"CountDown", false},  {"Go", false},
                                                   {"NewLapDriven", false}, {"Applause", false}};
    for (const auto& [name, mono] : sounds) {
        SCOPED_TRACE(name);
        WaveFileReader reader;
        ASSERT_TRUE(reader.Open(SoundPath(name).c_str()));
        if (mono) {
            EXPECT_EQ(reader.GetFormat()->channels, 1);
            EXPECT_EQ(reader.GetFormat()->formatTag, backend::WAVE_FORMAT_PCM);
        }
        EXPECT_EQ(reader.GetFormat()->samplesPerSec, RATE);
        EXPECT_EQ(reader.GetFormat()->bitsPerSample, 16);
        EXPECT_GT(reader.GetDataSize(), 0u);
    }
}

TEST(SampleSounds, JoinCheckCatchesAJumpAtTheLoopPoint)
{
    // A slow ramp repeats smoothly only when it returns to its start.
    std::vector<float> ramp(RATE);
    for (size_t i = 0; i < ramp.size(); ++i)
        ramp[i] = 0.5f * std::sin(6.2831853f * 3.0f * i / RATE);
    const Join smooth = MeasureJoin(ramp);
    EXPECT_LE(smooth.step, smooth.largestNearby * 1.1f + 0.002f);
    ramp.resize(RATE - RATE / 12); // cut a quarter-cycle short
    const Join cut = MeasureJoin(ramp);
    EXPECT_GT(cut.step, cut.largestNearby * 1.1f + 0.002f);
}

TEST(SampleSounds, EngineAndRainLoopsJoinWithoutAClick)
{
    for (const char* name : {"Engine", "EngineIdle", "Rain"}) {
        WaveFileReader reader;
        ASSERT_TRUE(reader.Open(SoundPath(name).c_str())) << name;
        ExpectSeamless(ReadAll(reader), name);
    }
}

TEST(SampleSounds, OneShotsStartAndEndNearSilence)
{
    for (const char* name : {"Click", "CountDown", "Go", "Crash", "GearChange"}) {
        SCOPED_TRACE(name);
        WaveFileReader reader;
        ASSERT_TRUE(reader.Open(SoundPath(name).c_str()));
        for (const auto& s : ReadAll(reader)) {
            ASSERT_FALSE(s.empty());
            EXPECT_LT(std::fabs(s.back()), 0.01f);
            float peak = 0.0f;
            for (float v : s)
                peak = std::max(peak, std::fabs(v));
            EXPECT_GT(peak, 0.3f);
            EXPECT_LE(peak, 1.0f);
        }
    }
}

TEST(SampleMusic, EveryPieceDecodesWithVorbisfileAndStreamsLongerThanASecond)
{
    std::vector<std::string> pieces = {"Menu"};
    for (const char* track : TRACK_DIRECTORIES)
        pieces.push_back(track);
    for (const std::string& piece : pieces) {
        const std::string path = "Audio\\Music\\" + piece + ".ogg";
        // Straight through vorbisfile.
        FILE* file = backend::OpenFile(path, "rb");
        ASSERT_NE(file, nullptr) << path;
        OggVorbis_File vf;
        ASSERT_EQ(ov_open(file, &vf, nullptr, 0), 0) << path;
        const vorbis_info* info = ov_info(&vf, -1);
        EXPECT_EQ(info->channels, 2) << path;
        EXPECT_EQ(info->rate, long(RATE)) << path;
        EXPECT_EQ(ov_streams(&vf), 1) << path;
        EXPECT_GT(ov_pcm_total(&vf, -1), ogg_int64_t(RATE) * 8) << path;
        ov_clear(&vf);

        // Through the game's reader, and the loop point.
        OggVorbisReader reader;
        ASSERT_TRUE(reader.Open(path.c_str())) << path;
        EXPECT_EQ(reader.GetFormat()->bitsPerSample, 16) << path;
        const auto channels = ReadAll(reader);
        ASSERT_EQ(channels.size(), 2u) << path;
        EXPECT_EQ(channels[0].size() * 4, reader.GetDataSize()) << path;
        ExpectSeamless(channels, path);
    }
}

#include "DatagenTestKit.h"

#include "datagen/writers/RecordsWriter.h"
#include "datagen/writers/TrackDataWriter.h"
#include "race/RecordsCipher.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

using namespace datagen;
using datagen_test::F32At;
using datagen_test::I32At;

TEST(RecordsWriter, GoldenRowEnciphersAsDocumented)
{
    EXPECT_EQ(RecordsPlainText({{"Ann", 61234}}), "Ann\t61234\n");
    const std::vector<uint8_t> expected = {0x92, 0xC5, 0xBD, 0x59, 0x82, 0x7C, 0x73, 0x89, 0x79, 0x58};
    EXPECT_EQ(EncodeRecords({{"Ann", 61234}}), expected);
    EXPECT_TRUE(EncodeRecords({}).empty());
}

TEST(RecordsCipher, KeyRunsOnAcrossLinesAndRoundTrips)
{
    // Longer than the key, so the key wraps; every byte value survives.
    std::vector<uint8_t> plain(300);
    for (size_t i = 0; i < plain.size(); ++i)
        plain[i] = static_cast<uint8_t>(i * 7 + 3);
    std::vector<uint8_t> data = plain;
    EncipherRecords(data.data(), data.size());
    for (size_t i = 0; i < data.size(); ++i)
        ASSERT_EQ(data[i], static_cast<uint8_t>(plain[i] + RECORDS_KEY[i % 20])) << i;
    DecipherRecords(data.data(), data.size());
    EXPECT_EQ(data, plain);

    // Deciphering in two pieces with the file position matches one pass.
    std::vector<uint8_t> stored = EncodeRecords({{"Ann", 61234}, {"Bob", 70000}, {"Caroline", 9}});
    DecipherRecords(stored.data(), 7, 0);
    DecipherRecords(stored.data() + 7, stored.size() - 7, 7);
    EXPECT_EQ(std::string(stored.begin(), stored.end()), "Ann\t61234\nBob\t70000\nCaroline\t9\n");
}

TEST(RecordsWriter, BrokenTextIsEncipheredAsGiven)
{
    const std::string plain = "NoTabHere\nAnn\t99999999999999999999\n";
    std::vector<uint8_t> stored = EncipherRecordsText(plain);
    ASSERT_EQ(stored.size(), plain.size());
    DecipherRecords(stored.data(), stored.size());
    EXPECT_EQ(std::string(stored.begin(), stored.end()), plain);
}

TEST(TrackDataWriter, LayoutHoldsStartGridAndGatesBehindItsMagic)
{
    TrackDataFile track;
    for (int i = 0; i < 6; ++i)
        track.startPositions.push_back({float(i), 0.0f, -10.0f - i});
    for (int i = 0; i < 3; ++i) {
        TrackGate gate;
        gate.left = {-4.0f, 1.0f, float(i * 20)};
        gate.right = {4.0f, 1.0f, float(i * 20)};
        gate.centre = {0.0f, 1.0f, float(i * 20)};
        gate.checkpoint = i == 2;
        track.gates.push_back(gate);
    }
    const std::vector<uint8_t> bytes = EncodeTrackData(track);
    ASSERT_EQ(bytes.size(), 8u + 12u * 6u + 4u + TRACK_GATE_RECORD_SIZE * 3u);
    EXPECT_EQ(std::memcmp(bytes.data(), "TDA\0", 4), 0);
    EXPECT_EQ(I32At(bytes, 4), 6);
    EXPECT_EQ(I32At(bytes, 80), 3);
    const size_t gate2 = 84 + 2 * TRACK_GATE_RECORD_SIZE;
    EXPECT_FLOAT_EQ(F32At(bytes, gate2 + 12), 4.0f); // right end x
    // The centre, and the unused fourth point that repeats it.
    const float centre[3] = {0.0f, 1.0f, 40.0f};
    for (size_t k = 0; k < 3; ++k) {
        EXPECT_FLOAT_EQ(F32At(bytes, gate2 + 24 + 4 * k), centre[k]);
        EXPECT_FLOAT_EQ(F32At(bytes, gate2 + 36 + 4 * k), centre[k]);
    }
    EXPECT_EQ(bytes[gate2 + 48], 1);
    EXPECT_EQ(bytes[gate2 + 49] | bytes[gate2 + 50] | bytes[gate2 + 51], 0);
    EXPECT_EQ(bytes[84 + 48], 0);
    TrackDataFaults faults;
    faults.badMagic = true;
    EXPECT_NE(std::memcmp(EncodeTrackData(track, faults).data(), "TDA", 3), 0);
}

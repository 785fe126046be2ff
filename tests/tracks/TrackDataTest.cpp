#include "tracks/TrackData.h"

#include "datagen/writers/FileWriter.h"
#include "datagen/writers/TrackDataWriter.h"
#include "engine/platform/Log.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

using backend::Vector3;
using datagen::Float3;
using datagen::TrackDataFaults;
using datagen::TrackDataFile;
using datagen::TrackGate;

namespace {

namespace fs = std::filesystem;

class TrackDataTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        directory = fs::temp_directory_path() / ("vantrel-track-data-" + std::to_string(getpid()));
        fs::create_directories(directory);
        path = (directory / "TrackData.tda").string();
    }
    void TearDown() override { fs::remove_all(directory); }

    bool Load(TrackData& data, const std::vector<uint8_t>& bytes)
    {
        EXPECT_TRUE(datagen::WriteFileBytes(path, bytes));
        return data.Load(path.c_str());
    }

    fs::path directory;
    std::string path;
};

TrackGate Gate(Float3 left, Float3 right, Float3 centre, bool checkpoint = false)
{
    return {left, right, centre, checkpoint};
}

// The road of the worked example (gate 0 at z = 0, gate 1 at z = 10, x from -5
// to 5, ends at different heights), closed by a third gate whose centre repeats
// gate 1's. Every flag is set, the first one included.
TrackDataFile SmallRoad()
{
    TrackDataFile file;
    file.startPositions = {{1.0f, 7.0f, -3.0f}, {-2.0f, 7.0f, -6.0f}};
    file.gates = {Gate({-5, 3, 0}, {5, 1, 0}, {0, 9, 0}, true), Gate({-5, 4, 10}, {5, 2, 10}, {0, 9, 10}, true),
                  Gate({-20, 0, 20}, {20, 0, 20}, {0, 0, 10}, true)};
    return file;
}

void ExpectPlane(const float plane[4], float a, float c, float d)
{
    EXPECT_EQ(plane[0], a);
    EXPECT_EQ(plane[1], 0.0f);
    EXPECT_EQ(plane[2], c);
    EXPECT_EQ(plane[3], d);
}

TEST_F(TrackDataTest, SmallRoadGivesTheExamplePlanesGridAndCheckpoints)
{
    std::ostringstream log;
    std::ostream* oldLog = g_Log;
    g_Log = &log;
    g_LogEnabled = true;
    TrackData data;
    bool loaded = Load(data, datagen::EncodeTrackData(SmallRoad()));
    g_LogEnabled = false;
    g_Log = oldLog;
    ASSERT_TRUE(loaded);
    EXPECT_EQ(log.str(), "\nLoading track data from file \"" + path + "\"...\nInitializing track data linked list...");

    ASSERT_EQ(data.startPositionCount, 2);
    EXPECT_EQ(data.startPositions[1].x, -2.0f);
    EXPECT_EQ(data.startPositions[1].y, 0.0f);
    EXPECT_EQ(data.startPositions[1].z, -6.0f);

    const TrackSegment* first = data.firstSegment;
    ASSERT_NE(first, nullptr);
    ExpectPlane(first->gatePlane, 0, 1, 0);
    ExpectPlane(first->nextGatePlane, 0, -1, 10);
    ExpectPlane(first->leftPlane, 1, 0, 5);
    ExpectPlane(first->rightPlane, -1, 0, 5);
    EXPECT_EQ(first->centre.y, 0.0f);
    EXPECT_EQ(first->direction.z, 1.0f);
    EXPECT_EQ(first->next->direction.x, 0.0f); // gates 1 and 2 share a centre
    EXPECT_EQ(first->next->direction.z, 0.0f);

    // The first flag is ignored; the others number the checkpoints in order.
    EXPECT_EQ(data.checkpointCount, 2);
    EXPECT_EQ(first->type, TRACK_SEGMENT_START);
    EXPECT_EQ(first->next->type, TRACK_SEGMENT_CHECKPOINT);
    EXPECT_EQ(first->next->checkpointIndex, 0);
    EXPECT_EQ(first->prev->type, TRACK_SEGMENT_CHECKPOINT);
    EXPECT_EQ(first->prev->checkpointIndex, 1);

    // The first cell is found exactly on -5 <= x <= 5, 0 <= z <= 10, at any height.
    for (float x = -7.0f; x <= 7.0f; x += 0.5f) {
        for (float z = -2.0f; z <= 12.0f; z += 0.5f) {
            Vector3 p{x, 40.0f, z};
            bool inside = x >= -5.0f && x <= 5.0f && z >= 0.0f && z <= 10.0f;
            EXPECT_EQ(data.FindSegment(&p) == first, inside) << x << ", " << z;
        }
    }
}

TEST_F(TrackDataTest, BrokenFilesAreRefusedAndLeaveNothing)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const std::vector<uint8_t> good = datagen::EncodeTrackData(SmallRoad());
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
    };
    std::vector<Case> cases;
    auto withFaults = [&](const char* name, auto change) {
        TrackDataFile file = SmallRoad();
        TrackDataFaults faults;
        change(file, faults);
        cases.push_back({name, datagen::EncodeTrackData(file, faults)});
    };
    auto withBytes = [&](const char* name, size_t at, const char* text) {
        std::vector<uint8_t> bytes = good;
        for (size_t i = 0; text[i] != 0; ++i)
            bytes[at + i] = uint8_t(text[i]);
        cases.push_back({name, bytes});
    };
    withBytes("lower-case magic", 0, "tda");
    withBytes("no NUL in 4 bytes", 3, "X");
    cases.push_back({"empty", {}});
    withFaults("cut inside the last record",
               [](TrackDataFile&, TrackDataFaults& f) { f.truncateTo = 8 + 24 + 4 + 3 * 52 - 1; });
    withFaults("no start position", [](TrackDataFile& t, TrackDataFaults&) { t.startPositions.clear(); });
    withFaults("negative start count", [](TrackDataFile&, TrackDataFaults& f) { f.startCount = -1; });
    withFaults("huge start count", [](TrackDataFile&, TrackDataFaults& f) { f.startCount = 0x7fffffff; });
    withFaults("65 start positions", [](TrackDataFile& t, TrackDataFaults&) { t.startPositions.resize(65); });
    withFaults("two gates", [](TrackDataFile& t, TrackDataFaults&) { t.gates.pop_back(); });
    withFaults("negative gate count", [](TrackDataFile&, TrackDataFaults& f) { f.gateCount = -3; });
    withFaults("gate count beyond the file", [](TrackDataFile&, TrackDataFaults& f) { f.gateCount = 4; });
    withFaults("huge gate count", [](TrackDataFile&, TrackDataFaults& f) { f.gateCount = 0x7fffffff; });
    withFaults("NaN start", [&](TrackDataFile& t, TrackDataFaults&) { t.startPositions[1].z = nan; });
    withFaults("infinite gate end",
               [](TrackDataFile& t, TrackDataFaults&) { t.gates[2].right.y = std::numeric_limits<float>::infinity(); });
    withFaults("NaN centre", [&](TrackDataFile& t, TrackDataFaults&) { t.gates[1].centre.x = nan; });
    withFaults("gate 0.1 mm wide", [](TrackDataFile& t, TrackDataFaults&) { t.gates[1].right = {-4.9999f, 0, 10}; });
    withFaults("zero-length edge", [](TrackDataFile& t, TrackDataFaults&) { t.gates[2].left = {-5, 8, 10}; });

    for (const Case& c : cases) {
        TrackData data;
        ASSERT_TRUE(Load(data, good));
        g_LastError.clear();
        EXPECT_FALSE(Load(data, c.bytes)) << c.name;
        EXPECT_EQ(g_LastError, "Error loading track data") << c.name;
        EXPECT_EQ(data.firstSegment, nullptr) << c.name;
        EXPECT_EQ(data.startPositions, nullptr) << c.name;
        EXPECT_EQ(data.checkpointCount, 0) << c.name;
        data.Free();
    }
    TrackData data;
    EXPECT_FALSE(data.Load((directory / "Missing.tda").c_str()));
    EXPECT_EQ(g_LastError, "Error loading track data");
}

// A square loop of side 200 run anticlockwise seen from above, one gate every 4
// units, 6 wide, with ends at whole heights so that the planes of the axis-aligned
// gates come out exact. Every 25th gate is a checkpoint, gate 0 included.
struct SquareLoop {
    static constexpr int GATES = 200;

    SquareLoop()
    {
        for (int k = 0; k < GATES; ++k) {
            int side = k / 50;
            float along = float(k % 50) * 4.0f - 100.0f;
            const float corners[4][2] = {{along, -100}, {100, along}, {-along, 100}, {-100, -along}};
            const float headings[4][2] = {{1, 0}, {0, 1}, {-1, 0}, {0, -1}};
            Float3 c{corners[side][0], 0, corners[side][1]};
            float tx = headings[side][0], tz = headings[side][1];
            if (k % 50 == 0) { // a corner: the gate bisects the turn
                tx = (headings[side][0] + headings[(side + 3) % 4][0]) * std::sqrt(0.5f);
                tz = (headings[side][1] + headings[(side + 3) % 4][1]) * std::sqrt(0.5f);
            }
            left[k] = {-tz, 0, tx};
            TrackGate gate = Gate({c.x - 3 * tz, float(k % 5), c.z + 3 * tx},
                                  {c.x + 3 * tz, float(k % 3), c.z - 3 * tx}, c, k % 25 == 0);
            file.gates.push_back(gate);
        }
        for (int i = 0; i < 6; ++i)
            file.startPositions.push_back({-10.0f - 2 * i, 0, -100.0f + (i % 2 ? 2 : -2)});
    }

    TrackDataFile file;
    Float3 left[GATES];
};

TEST_F(TrackDataTest, GeneratedLoopIsOneRingFoundOnTheRoadOnly)
{
    SquareLoop loop;
    std::vector<uint8_t> bytes = datagen::EncodeTrackData(loop.file);
    bytes.insert(bytes.end(), {1, 2, 3, 4, 5}); // ignored
    TrackData data;
    ASSERT_TRUE(Load(data, bytes));
    EXPECT_EQ(data.startPositionCount, 6);
    EXPECT_EQ(data.checkpointCount, 7);

    std::vector<TrackSegment*> cells;
    TrackSegment* segment = data.firstSegment;
    do {
        ASSERT_LT(cells.size(), size_t(SquareLoop::GATES));
        ASSERT_EQ(segment->next->prev, segment);
        cells.push_back(segment);
        segment = segment->next;
    } while (segment != data.firstSegment);
    ASSERT_EQ(cells.size(), size_t(SquareLoop::GATES));

    std::mt19937 random(12);
    std::uniform_real_distribution<float> unit(0.02f, 0.98f);
    const auto& gates = loop.file.gates;
    for (int k = 0; k < SquareLoop::GATES; ++k) {
        const TrackSegment* cell = cells[k];
        EXPECT_EQ(cell->index, k);
        EXPECT_EQ(cell->type, k == 0 ? TRACK_SEGMENT_START : k % 25 == 0 ? TRACK_SEGMENT_CHECKPOINT : 0) << k;
        if (k % 25 == 0 && k > 0) {
            EXPECT_EQ(cell->checkpointIndex, k / 25 - 1);
        }

        const TrackGate& g = gates[k];
        const TrackGate& h = gates[(k + 1) % SquareLoop::GATES];
        for (int i = 0; i < 4; ++i) {
            float s = unit(random), t = unit(random);
            auto mix = [&](float a, float b, float c, float d) {
                return (1 - t) * ((1 - s) * a + s * b) + t * ((1 - s) * c + s * d);
            };
            Vector3 p{mix(g.left.x, g.right.x, h.left.x, h.right.x), 0, mix(g.left.z, g.right.z, h.left.z, h.right.z)};
            EXPECT_EQ(data.FindSegment(&p), cell) << k;
        }
        for (float side : {-4.0f, 4.0f}) {
            Vector3 off{g.centre.x + side * loop.left[k].x, 0, g.centre.z + side * loop.left[k].z};
            EXPECT_EQ(data.FindSegment(&off), nullptr) << k;
        }
        // On the line of an axis-aligned gate: both cells hold it, the one nearer the start wins.
        if (k % 50 != 0 || k == 0) {
            Vector3 onGate{g.centre.x, 3, g.centre.z};
            EXPECT_EQ(data.FindSegment(&onGate), cells[k == 0 ? 0 : k - 1]) << k;
        }
    }
    Vector3 middle{0, 0, 0};
    EXPECT_EQ(data.FindSegment(&middle), nullptr);

    // Free empties it (twice is harmless) and a second load numbers the same.
    data.Free();
    data.Free();
    EXPECT_EQ(data.firstSegment, nullptr);
    EXPECT_EQ(data.startPositions, nullptr);
    EXPECT_EQ(data.startPositionCount, 0);
    EXPECT_EQ(data.checkpointCount, 0);
    ASSERT_TRUE(Load(data, bytes));
    EXPECT_EQ(data.checkpointCount, 7);
    std::vector<int32_t> numbers;
    for (segment = data.firstSegment->next; segment != data.firstSegment; segment = segment->next)
        if (segment->type == TRACK_SEGMENT_CHECKPOINT)
            numbers.push_back(segment->checkpointIndex);
    EXPECT_EQ(numbers, (std::vector<int32_t>{0, 1, 2, 3, 4, 5, 6}));
}

} // namespace

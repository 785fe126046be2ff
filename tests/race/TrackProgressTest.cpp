#include "race/TrackProgress.h"

#include "tracks/TrackTestKit.h"

#include "datagen/writers/TrackDataWriter.h"
#include "tracks/TrackData.h"
#include "tracks/TrackTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

using backend::Vector3;

namespace {

std::vector<uint8_t> Marks(const TrackProgress& p)
{
    return std::vector<uint8_t>(p.visited, p.visited + p.checkpointCount);
}

class TrackProgressRoadTest : public ::testing::TestWithParam<TrackId> {};

// From start position 0 along the gate centres for three laps and more: every
// checkpoint in order, laps at gate 0 only, nothing from stepping back, and
// the race order of a tracker against one behind and one level with it.
TEST_P(TrackProgressRoadTest, ThreeLapsAlongTheRoad)
{
    TrackData data;
    ASSERT_TRUE(data.Load((BuildTrackDataPath(GetParam()) + "TrackData.tda").c_str()));
    ASSERT_GT(data.checkpointCount, 0);
    ASSERT_GT(data.startPositionCount, 0);

    TrackProgress lead, twin, follower;
    for (TrackProgress* p : {&lead, &twin, &follower}) {
        ASSERT_TRUE(p->Create(&data));
    }
    const Vector3 start{data.startPositions[0].x, 0.0f, data.startPositions[0].z};
    ASSERT_TRUE(lead.Locate(&data, &start));
    const TrackSegment* startCell = lead.currentSegment;
    ASSERT_NE(startCell, data.firstSegment) << "start position 0 must lie behind gate 0";

    // Three laps from the start line, and one after the finish.
    const std::vector<Vector3> points = CentreLine(data, 0.5f, RACE_LAP_COUNT + 1);
    twin.Locate(&data, &start);
    follower.Locate(&data, &start);

    constexpr size_t LAG = 7;
    int32_t nextCheckpoint = 0;
    int32_t laps = -1;
    int32_t checkpointEvents = 0;
    for (size_t i = 1; i < points.size(); ++i) {
        const TrackSegment* before = lead.currentSegment;
        lead.Update(&data, &points[i]);
        twin.Update(&data, &points[i]);
        ASSERT_NE(lead.currentSegment, nullptr) << "step " << i;
        const bool entered = lead.currentSegment == before->next;
        const bool finished = laps == RACE_LAP_COUNT;

        if (entered && lead.currentSegment == data.firstSegment && !finished) {
            ASSERT_EQ(lead.event, laps < 0 ? PROGRESS_NONE : PROGRESS_LAP_COMPLETED) << "step " << i;
            if (laps >= 0) {
                ASSERT_EQ(nextCheckpoint, data.checkpointCount);
            }
            ++laps;
            nextCheckpoint = 0;
        } else if (entered && lead.currentSegment->type == TRACK_SEGMENT_CHECKPOINT && !finished) {
            ASSERT_EQ(lead.event, PROGRESS_CHECKPOINT) << "step " << i;
            ASSERT_EQ(lead.currentSegment->checkpointIndex, nextCheckpoint++);
            ++checkpointEvents;
        } else {
            ASSERT_EQ(lead.event, PROGRESS_NONE) << "step " << i;
        }
        ASSERT_EQ(lead.lap, laps);

        // Back over the gate just crossed and forward again: no change, no event.
        if (entered && i > 4) {
            const TrackSegment* cell = lead.currentSegment;
            const std::vector<uint8_t> marks = Marks(lead);
            for (size_t k : {i - 1, i - 2, i - 3, i - 4, i - 3, i - 2, i - 1, i}) {
                lead.Update(&data, &points[k]);
                ASSERT_NE(lead.currentSegment, nullptr) << "step " << i << " back to " << k;
                ASSERT_EQ(lead.event, PROGRESS_NONE) << "step " << i << " back to " << k;
                ASSERT_EQ(lead.lap, laps);
                ASSERT_EQ(Marks(lead), marks);
            }
            ASSERT_EQ(lead.currentSegment, cell);
        }

        if (i >= LAG) {
            follower.Update(&data, &points[i - LAG]);
        }
        if (follower.lap < RACE_LAP_COUNT) {
            ASSERT_TRUE(lead.IsAhead(follower)) << "step " << i;
            ASSERT_FALSE(follower.IsAhead(lead)) << "step " << i;
        }
        ASSERT_TRUE(lead.IsAhead(twin) && twin.IsAhead(lead)) << "step " << i;
    }
    EXPECT_EQ(lead.lap, RACE_LAP_COUNT);
    EXPECT_EQ(checkpointEvents, RACE_LAP_COUNT * data.checkpointCount);
}

INSTANTIATE_TEST_SUITE_P(GeneratedTracks, TrackProgressRoadTest, ::testing::Values(TRACK_UK, TRACK_FINLAND),
                         [](const auto& info) { return info.param == TRACK_UK ? "UK" : "Finland"; });

// A round road of twelve cells, 10 m wide, driving counter-clockwise seen from
// above; the gates marked as checkpoints come after gate 0 in that order.
constexpr int RING_CELLS = 12;
constexpr float RING_RADIUS = 55.0f;

bool LoadRing(TrackData& data, std::initializer_list<int> checkpoints)
{
    datagen::TrackDataFile file;
    file.startPositions = {{RING_RADIUS, 0, -1}};
    for (int i = 0; i < RING_CELLS; ++i) {
        const float a = 2.0f * 3.14159265f * i / RING_CELLS;
        const float c = i == 0 ? 1.0f : std::cos(a);
        const float s = i == 0 ? 0.0f : std::sin(a);
        const bool checkpoint = std::find(checkpoints.begin(), checkpoints.end(), i) != checkpoints.end();
        file.gates.push_back({{50 * c, 0, 50 * s}, {60 * c, 0, 60 * s}, {55 * c, 0, 55 * s}, checkpoint});
    }
    const std::vector<uint8_t> bytes = datagen::EncodeTrackData(file);
    return data.LoadFromMemory(bytes.data(), bytes.size());
}

// The middle of the road at `cell` cells along the ring from gate 0.
Vector3 At(float cell)
{
    const float a = 2.0f * 3.14159265f * cell / RING_CELLS;
    return {RING_RADIUS * std::cos(a), 0.0f, RING_RADIUS * std::sin(a)};
}

class TrackProgressRingTest : public ::testing::Test {
protected:
    // Forward in quarter cells up to `cell`; the events on the way, in order.
    std::vector<ProgressEvent> DriveTo(float cell)
    {
        std::vector<ProgressEvent> events;
        while (position < cell) {
            position = std::min(cell, position + 0.25f);
            const Vector3 p = At(position);
            progress.Update(&data, &p);
            if (progress.event != PROGRESS_NONE) {
                events.push_back(progress.event);
            }
        }
        return events;
    }
    ProgressEvent JumpTo(float cell)
    {
        position = cell;
        const Vector3 p = At(cell);
        progress.Update(&data, &p);
        return progress.event;
    }

    TrackData data;
    TrackProgress progress;
    float position = 0;
};

using Events = std::vector<ProgressEvent>;
constexpr ProgressEvent CP = PROGRESS_CHECKPOINT;
constexpr ProgressEvent LAP = PROGRESS_LAP_COMPLETED;

TEST_F(TrackProgressRingTest, LapNeedsEveryCheckpointEnteredFromBehind)
{
    ASSERT_TRUE(LoadRing(data, {3, 6, 9}));
    ASSERT_TRUE(progress.Create(&data));
    ASSERT_EQ(progress.checkpointCount, 3u);
    position = -0.5f;
    const Vector3 start = At(position);
    ASSERT_TRUE(progress.Locate(&data, &start));

    EXPECT_EQ(DriveTo(4.5f), (Events{CP})); // the start line only sets lap 0
    EXPECT_EQ(progress.lap, 0);
    // Across the infield past checkpoint 6: off the road, then found by the ring walk.
    EXPECT_EQ(JumpTo(7.5f), PROGRESS_NONE);
    EXPECT_EQ(progress.currentSegment, nullptr);
    EXPECT_EQ(JumpTo(7.6f), PROGRESS_NONE);
    ASSERT_NE(progress.currentSegment, nullptr);
    EXPECT_EQ(progress.currentSegment->index, 7);
    EXPECT_EQ(DriveTo(12.5f), (Events{CP})); // no lap: checkpoint 6 missing
    EXPECT_EQ(progress.lap, 0);
    EXPECT_EQ(DriveTo(24.5f), (Events{CP, LAP})); // 6 now, not 3 and 9 again
    EXPECT_EQ(progress.lap, 1);

    // Back a cell, off the road, and back on it in the checkpoint cell beyond
    // the one last left: not marked.
    DriveTo(29.5f);
    JumpTo(28.5f);
    ASSERT_EQ(progress.lastSegment->index, 5);
    const Vector3 infield{0, 0, 0};
    progress.Update(&data, &infield);
    EXPECT_EQ(JumpTo(30.5f), PROGRESS_NONE);
    EXPECT_EQ(progress.currentSegment->index, 6);
    EXPECT_EQ(progress.visited[1], 0);
    // 9, then round once more for 6 alone: 3 and 9 were passed in this lap.
    EXPECT_EQ(DriveTo(48.5f), (Events{CP, CP, LAP}));
    EXPECT_EQ(DriveTo(60.5f), (Events{CP, CP, CP, LAP}));
    EXPECT_EQ(progress.lap, RACE_LAP_COUNT);

    // Finished: only the event is cleared from now on.
    progress.event = PROGRESS_LAP_COMPLETED;
    const TrackSegment* current = progress.currentSegment;
    const TrackSegment* last = progress.lastSegment;
    const float was = progress.progress;
    JumpTo(61.5f);
    EXPECT_EQ(progress.event, PROGRESS_NONE);
    EXPECT_EQ(progress.currentSegment, current);
    EXPECT_EQ(progress.lastSegment, last);
    EXPECT_EQ(progress.progress, was);
    EXPECT_EQ(progress.lap, RACE_LAP_COUNT);

    progress.Clear();
    EXPECT_EQ(progress.lap, -1);
    progress.Destroy();
    progress.Destroy();
    EXPECT_EQ(progress.visited, nullptr);
}

// Whichever checkpoint is skipped, first, middle or last, the line does not
// count the lap until that checkpoint has been passed.
TEST_F(TrackProgressRingTest, LapWaitsForWhicheverCheckpointWasSkipped)
{
    ASSERT_TRUE(LoadRing(data, {3, 6, 9}));
    for (const int skipped : {3, 6, 9}) {
        SCOPED_TRACE(skipped);
        ASSERT_TRUE(progress.Create(&data));
        position = -0.5f;
        const Vector3 start = At(position);
        ASSERT_TRUE(progress.Locate(&data, &start));
        DriveTo(skipped - 0.5f);
        JumpTo(skipped + 1.5f);
        JumpTo(skipped + 1.6f);
        ASSERT_NE(progress.currentSegment, nullptr);
        EXPECT_EQ(DriveTo(12.5f), (Events(size_t(9 - skipped) / 3, CP)));
        EXPECT_EQ(progress.lap, 0);
        EXPECT_EQ(DriveTo(24.5f), (Events{CP, LAP}));
        EXPECT_EQ(progress.lap, 1);
    }
}

TEST_F(TrackProgressRingTest, WithoutCheckpointsEveryLineCrossingCounts)
{
    ASSERT_TRUE(LoadRing(data, {}));
    ASSERT_TRUE(progress.Create(&data));
    position = -0.5f;
    const Vector3 start = At(position);
    ASSERT_TRUE(progress.Locate(&data, &start));
    EXPECT_EQ(DriveTo(24.5f), (Events{LAP, LAP}));
    EXPECT_EQ(progress.lap, 2);
}

// The order along the road is checked on the generated tracks; here the cases
// off the road and never on it, and a point right on a gate.
TEST_F(TrackProgressRingTest, OffTheRoadOrderAndGates)
{
    ASSERT_TRUE(LoadRing(data, {3, 6, 9}));
    TrackProgress a, offRoad, lost, alsoLost;
    const Vector3 inCell2 = At(2.5f), inCell3 = At(3.5f), infield{0, 0, 0};
    a.Locate(&data, &inCell2);
    offRoad.Locate(&data, &inCell3);
    offRoad.Update(&data, &infield);
    ASSERT_EQ(offRoad.currentSegment, nullptr);
    EXPECT_TRUE(offRoad.IsAhead(a) && !a.IsAhead(offRoad));

    EXPECT_FALSE(lost.Locate(&data, &infield));
    EXPECT_TRUE(a.IsAhead(lost) && !lost.IsAhead(a));
    EXPECT_TRUE(lost.IsAhead(alsoLost) && alsoLost.IsAhead(lost));

    // A point on gate 0 lies in both cells it divides.
    const Vector3 before = At(-0.5f), onGate = At(0.0f);
    a.Locate(&data, &before);
    a.Update(&data, &onGate);
    EXPECT_EQ(a.currentSegment, data.firstSegment->prev);
    ASSERT_TRUE(a.Locate(&data, &onGate));
    EXPECT_EQ(a.currentSegment, data.firstSegment);
}

} // namespace

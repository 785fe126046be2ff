// A whole single-player race on UK Dirt Track with the moped carried along the
// road's centre line: the count-down, the laps, the finish and
// the decision between name entry and the best-times table.

#include "RaceTestKit.h"
#include "tracks/TrackTestKit.h"

#include "race/RecordsFile.h"
#include "tracks/Track.h"

#include "audio/Sound.h"
#include "backend/window/KeyCodes.h"
#include "engine/platform/FormatTime.h"
#include "physics/TRigidBody.h"

#include <algorithm>
#include <cmath>
#include <cstring>

using backend::Vector3;

namespace {

// A picture a second of race time: the race is drawn in every state it passes through.
constexpr int DRAW_EVERY = 60;

class RaceLap : public RaceTest {
protected:
    // The moped put on `point`, the tracker left where it was, as if it had ridden there.
    void Carry(const Vector3& point)
    {
        TrackProgress& tracker = race->playerMoped.progress;
        TrackSegment* current = tracker.currentSegment;
        TrackSegment* last = tracker.lastSegment;
        const TVec4 place = Vec(point.x, 0.0f, point.z, 1.0f);
        race->playerMoped.SetPosition(&place);
        tracker.currentSegment = current;
        tracker.lastSegment = last;
    }

    void WriteTable(uint32_t slowest, int rows)
    {
        std::vector<RaceRecord> table(size_t(rows), RaceRecord{"Ann", 1000});
        // Row 15 (or the last of a shorter table) is the slowest that counts; a 16th row is slower still.
        table[size_t(std::min(rows, MAX_RECORDS) - 1)].time = slowest;
        if (rows > MAX_RECORDS)
            table.back().time = slowest + 100000;
        WriteRecordsFile(BuildTrackRecordsPath(TRACK_UK).c_str(), table);
    }

    // The decision taken again, now against the table on disk.
    int32_t Decide()
    {
        race->isOver = false;
        race->nextGameState = 0;
        Frame(false);
        EXPECT_TRUE(race->isOver);
        return race->nextGameState;
    }
};

TEST_F(RaceLap, ThreeLapsAlongTheCentreLine)
{
    ASSERT_TRUE(StartRace(TRACK_UK)) << g_LastError;
    PlayerMoped& moped = race->playerMoped;
    EXPECT_EQ(race->phase, RACEPHASE_COUNTDOWN);

    // Six one-second steps of 63 frames each (1008 ms: the rest of a step is dropped).
    // Until "go" the world and the clocks stand still.
    const TMat44 standing = moped.body->GetTransform();
    while (race->phase == RACEPHASE_COUNTDOWN && frame < 1000) {
        FastFrame(DRAW_EVERY);
        if (race->phase == RACEPHASE_COUNTDOWN) {
            ASSERT_EQ(moped.totalMs, 0u);
            const TMat44 now = moped.body->GetTransform();
            ASSERT_EQ(std::memcmp(&standing, &now, sizeof standing), 0) << frame;
        }
    }
    const int goFrame = frame;
    EXPECT_EQ(goFrame, 378);
    EXPECT_EQ(race->countDown.counter, 0);
    // The "go" frame already counts.
    EXPECT_EQ(moped.totalMs, RACE_FRAME_MS);

    const std::vector<Vector3> line = CentreLine(race->track->trackData, 1.0f, RACE_LAP_COUNT);
    std::vector<int> lapFrames;
    int newLapPlays = 0, applausePlays = 0, finishFrame = -1, overFrame = -1;
    uint32_t newLapStart = race->newLapSound->playStartTime, applauseStart = race->applauseSound->playStartTime;
    for (size_t i = 0; overFrame < 0 && frame < 20000; ++i) {
        const int32_t lapBefore = moped.progress.lap;
        // Carried until the finish, then left to stand.
        if (finishFrame < 0 && i < line.size())
            Carry(line[i]);
        // B looks back for three frames after the first lap, and not once finished.
        const bool lookingBack =
            (lapFrames.size() == 1 && frame < lapFrames[0] + 3) || (finishFrame > 0 && frame < finishFrame + 3);
        Press(backend::DIK_B, lookingBack);
        FastFrame(DRAW_EVERY);
        if (lookingBack) {
            EXPECT_EQ(moped.lookBack, finishFrame < 0 ? 1u : 0u) << "frame " << frame;
        }
        const ProgressEvent event = moped.progress.event;
        if (event == PROGRESS_LAP_COMPLETED) {
            lapFrames.push_back(frame);
            // The lap's time shows in place of the lap time, for five seconds.
            EXPECT_TRUE(race->lapMessageTimer.running);
            EXPECT_EQ(race->lapMessageText, [&] {
                std::string text;
                FormatTime(&text, moped.lastLapMs, 3, '.', ',');
                return text;
            }());
        }
        if (lapBefore == -1 && moped.progress.lap == 0) {
            EXPECT_EQ(event, PROGRESS_NONE) << "the first crossing starts lap 0";
        }
        if (race->newLapSound->playStartTime != newLapStart) {
            newLapStart = race->newLapSound->playStartTime;
            ++newLapPlays;
        }
        if (race->applauseSound->playStartTime != applauseStart) {
            applauseStart = race->applauseSound->playStartTime;
            ++applausePlays;
            EXPECT_EQ(race->phase, RACEPHASE_FINISHED);
            EXPECT_EQ(newLapStart, applauseStart) << "both sounds start in the finishing frame";
        }
        if (finishFrame < 0 && race->phase == RACEPHASE_FINISHED) {
            finishFrame = frame;
            EXPECT_EQ(moped.progress.lap, RACE_LAP_COUNT);
            EXPECT_EQ(race->msSinceFinish, 0u);
        }
        if (race->isOver)
            overFrame = frame;
    }
    ASSERT_GT(finishFrame, 0);
    ASSERT_EQ(lapFrames.size(), 3u);
    EXPECT_EQ(lapFrames.back(), finishFrame);
    EXPECT_EQ(newLapPlays, 3);
    EXPECT_EQ(applausePlays, 1);

    // 5000 ms counted from the frame after the finish: 313 frames of 16 ms.
    EXPECT_EQ(overFrame, finishFrame + 313);
    EXPECT_EQ(race->nextGameState, RACE_NEXT_NEW_RECORD);
    EXPECT_EQ(moped.totalMs, RACE_FRAME_MS * uint32_t(finishFrame - goFrame + 1)) << "the clock stopped at the finish";

    RecordProperty("totalMs", int(moped.totalMs));
    RecordProperty("finishFrame", finishFrame);

    // Against a full table: equal to the slowest is no record, one faster is; only the first 15 rows count.
    const uint32_t total = moped.totalMs;
    WriteTable(total, MAX_RECORDS);
    EXPECT_EQ(Decide(), RACE_NEXT_BEST_TIMES);
    WriteTable(total + 1, MAX_RECORDS);
    EXPECT_EQ(Decide(), RACE_NEXT_NEW_RECORD);
    WriteTable(total, MAX_RECORDS - 1);
    EXPECT_EQ(Decide(), RACE_NEXT_NEW_RECORD);
    WriteTable(total, MAX_RECORDS + 1);
    EXPECT_EQ(Decide(), RACE_NEXT_BEST_TIMES);
}

} // namespace

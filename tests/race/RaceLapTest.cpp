// A whole single-player race on UK Dirt Track with the moped carried along the
// road's centre line: the count-down, the laps and their messages (one shown
// across a pause), the finish and the decision between name entry and the
// best-times table.

#include "RaceTestKit.h"
#include "tracks/TrackTestKit.h"

#include "race/RecordsFile.h"
#include "tracks/Track.h"

#include "audio/AudioListener.h"
#include "audio/AudioManager.h"
#include "audio/Sound.h"
#include "backend/window/KeyCodes.h"
#include "datagen/SampleData.h"
#include "datagen/TextPainter.h"
#include "engine/platform/FormatTime.h"
#include "physics/TRigidBody.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

using backend::Vector3;

namespace {

// A picture a second of race time: the race is drawn in every state it passes through.
constexpr int DRAW_EVERY = 60;

// The numeral 1 to 5 whose bold outline best covers what the count-down added
// to the middle of the screen, a 128 x 128 square around (400, 300); 0 when none clearly does.
int ShownNumeral(const std::vector<uint32_t>& shown, const std::vector<uint32_t>& without)
{
    datagen::TextPainter bold;
    std::string error;
    if (!bold.Open(datagen::BOLD_FONT, error))
        return 0;
    auto added = [&](int x, int y) {
        const size_t i = size_t(236 + y) * 800 + size_t(336 + x);
        return !ColourNear(shown[i], without[i], 12) && (shown[i] >> 16 & 0xFF) > 180 && (shown[i] & 0xFF) < 120;
    };
    int best = 0;
    double bestOverlap = 0.8;
    for (int numeral = 1; numeral <= 5; ++numeral) {
        datagen::RgbaImage glyph(128, 128, 0);
        bold.Draw(glyph, std::to_string(numeral), 96, 64.0f, 64.0f + 96 * 0.36f, 0xFFFFFFFFu, true);
        int both = 0, either = 0;
        for (int y = 0; y < 128; ++y)
            for (int x = 0; x < 128; ++x) {
                const bool inGlyph = (glyph.At(uint32_t(x), uint32_t(y)) >> 24) > 128;
                const bool seen = added(x, y);
                both += inGlyph && seen ? 1 : 0;
                either += inGlyph || seen ? 1 : 0;
            }
        const double overlap = either > 0 ? double(both) / either : 0.0;
        if (overlap > bestOverlap) {
            bestOverlap = overlap;
            best = numeral;
        }
    }
    return best;
}

class RaceLap : public RaceTest {
protected:
    // The moped standing on the ground at `point`, facing `next`; its tracker follows as it follows a ride.
    void Carry(const Vector3& point, const Vector3& next)
    {
        Vector3 ground = point;
        race->track->terrain.SnapToGroundXZ(&ground, 0.45f);
        const TVec4 place = Vec(ground.x, ground.y, ground.z, 1.0f);
        const float angles[3] = {0.0f, std::atan2(next.x - point.x, next.z - point.z), 0.0f};
        race->playerMoped.PlaceBodies(&place, angles);
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

    EXPECT_EQ(GetAudioManager()->GetListener()->GetRolloffFactor(), 0.5f);

    // Six one-second steps of 63 frames each (1008 ms: the rest of a step is dropped),
    // showing 5, 4, 3, 2 and 1 before "go". Until "go" the world and the clocks stand still.
    const TMat44 standing = moped.body->GetTransform();
    std::vector<int> numerals;
    while (race->phase == RACEPHASE_COUNTDOWN && frame < 1000) {
        const int32_t counter = race->countDown.counter;
        FastFrame(DRAW_EVERY);
        const int32_t stepped = race->countDown.counter;
        if (stepped != counter && stepped > 0) {
            const std::vector<uint32_t> shown = DrawNow(true);
            race->countDown.counter = -1;
            const std::vector<uint32_t> without = DrawNow(true);
            race->countDown.counter = stepped;
            numerals.push_back(ShownNumeral(shown, without));
        }
        if (race->phase == RACEPHASE_COUNTDOWN) {
            ASSERT_EQ(moped.totalMs, 0u);
            const TMat44 now = moped.body->GetTransform();
            ASSERT_EQ(std::memcmp(&standing, &now, sizeof standing), 0) << frame;
        }
    }
    EXPECT_EQ(numerals, (std::vector<int>{5, 4, 3, 2, 1}));
    const int goFrame = frame;
    EXPECT_EQ(goFrame, 378);
    EXPECT_EQ(race->countDown.counter, 0);
    // The "go" frame already counts.
    EXPECT_EQ(moped.totalMs, RACE_FRAME_MS);

    const std::vector<Vector3> line = CentreLine(race->track->trackData, 1.0f, RACE_LAP_COUNT);
    std::vector<int> lapFrames, messageFrames;
    int newLapPlays = 0, applausePlays = 0, finishFrame = -1, overFrame = -1;
    uint32_t newLapStart = race->newLapSound->playStartTime, applauseStart = race->applauseSound->playStartTime;
    for (size_t i = 0; overFrame < 0 && frame < 20000; ++i) {
        const int32_t lapBefore = moped.progress.lap;
        // Carried until the finish, then left to stand.
        if (finishFrame < 0 && i + 1 < line.size())
            Carry(line[i], line[i + 1]);
        // B looks back for three frames after the first lap, and not once finished.
        const bool lookingBack =
            (lapFrames.size() == 1 && frame < lapFrames[0] + 3) || (finishFrame > 0 && frame < finishFrame + 3);
        Press(backend::DIK_B, lookingBack);
        // A pause while the second lap's message shows.
        if (lapFrames.size() == 2 && frame == lapFrames[1] + 100)
            Away(5000);
        FastFrame(DRAW_EVERY);
        if (lookingBack) {
            EXPECT_EQ(moped.lookBack, finishFrame < 0 ? 1u : 0u) << "frame " << frame;
        }
        const ProgressEvent event = moped.progress.event;
        if (event == PROGRESS_LAP_COMPLETED) {
            // That lap's own time (the first from "go") shows in place of the lap time, for five seconds.
            const int lapLength = lapFrames.empty() ? frame - goFrame + 1 : frame - lapFrames.back();
            lapFrames.push_back(frame);
            messageFrames.push_back(0);
            std::string lapTime;
            FormatTime(&lapTime, RACE_FRAME_MS * uint32_t(lapLength), 3, '.', ',');
            EXPECT_EQ(race->lapMessageText, lapTime) << "lap " << lapFrames.size();
            if (lapFrames.size() == 2)
                SaveToArtifacts("lap-two-time-UK", DrawNow(true));
        }
        if (!messageFrames.empty() && race->lapMessageTimer.running)
            ++messageFrames.back();
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
    // Each lap's message from its frame on, and the 313 frames that reach 5000 ms.
    EXPECT_EQ(messageFrames, (std::vector<int>{314, 314, 314}));
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

// The race display over a frame of the race on UK Dirt Track: every widget
// and text drawn where the display puts it, kept as an artefact.

#include "RaceTestKit.h"

#include "tracks/Track.h"
#include "tracks/TrackTestKit.h"

#include "backend/files/Files.h"
#include "engine/platform/RenderDevice.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

bool Inside(const Box& box, int left, int top, int right, int bottom)
{
    return box.count > 0 && box.left >= left && box.top >= top && box.right <= right && box.bottom <= bottom;
}

int CountPixels(const std::vector<uint32_t>& picture, int left, int top, int right, int bottom, bool (*match)(uint32_t))
{
    int count = 0;
    for (int y = top; y <= bottom; ++y)
        for (int x = left; x <= right; ++x)
            count += match(picture[size_t(y) * 800 + size_t(x)]) ? 1 : 0;
    return count;
}

bool IsGreen(uint32_t c)
{
    return (c >> 8 & 0xFF) > 200 && (c >> 16 & 0xFF) < 90 && (c & 0xFF) < 90;
}

class RaceHud : public RaceTest {
protected:
    // The race with its display but without the player's marker.
    std::vector<uint32_t> DrawWithoutMarker()
    {
        BeginFrame();
        race->Render();
        g_RenderDevice.ChangeTextureStageState(0, backend::D3DTSS_MIPFILTER, backend::D3DTEXF_NONE);
        race->Race::RenderHud(&font);
        g_RenderDevice.RevertTextureStageState(0, backend::D3DTSS_MIPFILTER);
        EndFrame();
        return ReadBackBuffer();
    }
};

TEST_F(RaceHud, EveryWidgetWhereTheDisplayPutsIt)
{
    ASSERT_TRUE(StartRace(TRACK_UK)) << g_LastError;
    // Counter 3 shows from the third step on: frames 189 to 251.
    while (frame < 200)
        Frame(frame % 16 == 0);
    ASSERT_EQ(race->countDown.counter, 3);
    PlayerMoped& moped = race->playerMoped;
    moped.wheelRate = 12.0f;
    moped.gear = 2;
    moped.progress.lap = 1;
    moped.totalMs = 65120;
    moped.boostAmount = 40.0f;
    race->lapMessageTimer.running = true;
    std::strcpy(race->lapMessageText, "00.58,240");
    moped.status = MOPEDSTATUS_MESSAGE | MOPEDSTATUS_OUT_OF_TRACK;
    moped.recoveryTimer.seconds = 2;
    const std::vector<uint32_t> all = DrawNow(true);
    SaveToArtifacts("race-hud-UK", all);
    const std::vector<uint32_t> scene = DrawNow(false);
    // Nothing of the display in the top middle of the screen.
    for (int y = 0; y < 200; ++y)
        for (int x = 250; x < 550; ++x)
            ASSERT_TRUE(ColourNear(all[size_t(y) * 800 + size_t(x)], scene[size_t(y) * 800 + size_t(x)], 12))
                << x << "," << y;

    // Each part against the same frame with only that part changed.
    auto changed = [&](auto change, auto undo) {
        change();
        const std::vector<uint32_t> other = DrawNow(true);
        undo();
        return Footprint(all, other);
    };
    const Box needle = changed([&] { moped.wheelRate = 0.0f; }, [&] { moped.wheelRate = 12.0f; });
    EXPECT_TRUE(Inside(needle, 602, 412, 758, 568));
    EXPECT_NEAR(needle.CentreX(), 680.0, 40.0);
    const Box gear = changed([&] { moped.gear = 3; }, [&] { moped.gear = 2; });
    EXPECT_TRUE(Inside(gear, 732, 541, 732 + 20, 541 + 20));
    const Box lap = changed([&] { moped.progress.lap = 2; }, [&] { moped.progress.lap = 1; });
    EXPECT_TRUE(Inside(lap, 19, 20, 19 + 40, 20 + 40));
    const Box total = changed([&] { moped.totalMs = 65129; }, [&] { moped.totalMs = 65120; });
    EXPECT_TRUE(Inside(total, 10, 88, 10 + 140, 88 + 21));
    const Box running =
        changed([&] { race->lapMessageTimer.running = false; }, [&] { race->lapMessageTimer.running = true; });
    EXPECT_TRUE(Inside(running, 10, 128, 10 + 140, 128 + 21));
    EXPECT_GT(CountPixels(all, 10, 128, 150, 149, IsGreen), 30);
    EXPECT_EQ(CountPixels(all, 0, 0, 200, 127, IsGreen) + CountPixels(all, 0, 150, 200, 599, IsGreen), 0);
    // 40 % of the 113-pixel bar, from x 14 on the row through its middle.
    int first = -1, last = -1;
    for (int x = 0; x < 200; ++x)
        if (IsRed(all[size_t(174 + 7) * 800 + size_t(x)])) {
            first = first < 0 ? x : first;
            last = x;
        }
    EXPECT_EQ(first, 14);
    EXPECT_NEAR(last + 1, 14 + 45.2, 1.0);
    const Box digit = changed([&] { race->countDown.counter = 6; }, [&] { race->countDown.counter = 3; });
    EXPECT_NEAR((digit.left + digit.right) * 0.5, 400.0, 8.0);
    EXPECT_NEAR((digit.top + digit.bottom) * 0.5, 300.0, 10.0);
    const Box notice = changed([&] { moped.status = MOPEDSTATUS_NORMAL; },
                               [&] { moped.status = MOPEDSTATUS_MESSAGE | MOPEDSTATUS_OUT_OF_TRACK; });
    EXPECT_NEAR((notice.left + notice.right) * 0.5, 400.0, 4.0);
    EXPECT_TRUE(Inside(notice, 250, 286, 550, 298 + 20));
    EXPECT_LT(notice.top, 292);
    EXPECT_GT(notice.bottom, 306) << "two lines: out of track, then the recovery count";

    // The map around (60, 510); the marker on the map point of the moped.
    int mapPixels = 0, besideMap = 0;
    for (int y = 434; y <= 586; ++y)
        for (int x = 0; x < 300; ++x) {
            const size_t i = size_t(y) * 800 + size_t(x);
            const bool differs = !ColourNear(all[i], scene[i], 12);
            mapPixels += differs && x >= 3 && x <= 117 ? 1 : 0;
            besideMap += differs && x >= 125 ? 1 : 0;
        }
    EXPECT_GT(mapPixels, 1000);
    EXPECT_EQ(besideMap, 0);
    const Box marker = Footprint(all, DrawWithoutMarker());
    ASSERT_GT(marker.count, 40);
    const Track& track = *race->track;
    EXPECT_NEAR(marker.CentreX(), moped.position.x / track.worldSize.x * track.viewValues.x + 60.0, 1.5);
    EXPECT_NEAR(marker.CentreY(), 510.0 - moped.position.z / track.worldSize.z * track.viewValues.y, 1.5);
}

// The display's texts read as the race stands: the times with their minutes,
// the lap counter from 1/3 to 3/3 and never beyond, the recovery count that
// ends at 1, the centre message that wins and the gear letters.
TEST_F(RaceHud, TextsReadAsTheRaceStands)
{
    ASSERT_TRUE(StartRace(TRACK_UK)) << g_LastError;
    Frame(false);
    race->countDown.counter = -1;
    race->lapMessageTimer.running = false;
    PlayerMoped& moped = race->playerMoped;
    const TextLook centred = {.centred = true};
    moped.totalMs = 105869;
    moped.lapMs = 65120;
    moped.progress.lap = -1;
    std::vector<uint32_t> hud = DrawNow(true);
    EXPECT_TRUE(ShowsText(hud, "01.45,869", 10.0f, 88.0f, 0.65f));
    EXPECT_TRUE(ShowsText(hud, "01.05,120", 10.0f, 128.0f, 0.65f));
    EXPECT_TRUE(ShowsText(hud, "1/3", 19.0f, 20.0f, 1.2f, {.spacing = 2.0f}));
    for (int32_t lap : {2, 3}) {
        moped.progress.lap = lap;
        hud = DrawNow(true);
        EXPECT_TRUE(ShowsText(hud, "3/3", 19.0f, 20.0f, 1.2f, {.spacing = 2.0f})) << "lap " << lap;
    }
    EXPECT_TRUE(ShowsText(hud, "Finished!", 400.0f, 292.0f, 0.65f, centred));

    moped.progress.lap = 1;
    moped.status = MOPEDSTATUS_NORMAL;
    const std::vector<uint32_t> quiet = DrawNow(true);
    moped.status = MOPEDSTATUS_MESSAGE;
    moped.wrongDirection = 1;
    moped.recoveryTimer.seconds = 4;
    EXPECT_TRUE(ShowsText(DrawNow(true), "Recover in 5 seconds", 400.0f, 292.0f, 0.55f, centred));
    moped.recoveryTimer.seconds = 0;
    EXPECT_TRUE(ShowsText(DrawNow(true), "Recover in 1 seconds", 400.0f, 292.0f, 0.55f, centred));
    moped.recoveryTimer.seconds = 5;
    EXPECT_TRUE(DrawNow(true) == quiet) << "no centre text from 5 seconds on";
    moped.status = MOPEDSTATUS_NORMAL;
    EXPECT_TRUE(ShowsText(DrawNow(true), "Wrong direction!", 400.0f, 292.0f, 0.55f, centred));
    moped.wrongDirection = 0;

    // The gear letter on the dial in reverse and in neutral.
    for (const auto& [gear, letter] : {std::pair{-1, "R"}, std::pair{0, "N"}}) {
        moped.gear = gear;
        EXPECT_TRUE(ShowsText(DrawNow(true), letter, 732.0f, 541.0f, 0.5f, {.onSpeedDial = true})) << "gear " << gear;
    }

    // The lap message, in green, in place of the lap time.
    race->lapMessageTimer.running = true;
    std::strcpy(race->lapMessageText, "00.58,240");
    EXPECT_TRUE(ShowsText(DrawNow(true), "00.58,240", 10.0f, 128.0f, 0.65f, {.colour = 0xFF00FF00u}));
}

} // namespace

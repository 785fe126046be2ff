// The single-player race as the player reaches it: "Race!" on the menu, the
// race states with pause, resume and leave, and the best time stored after the
// finish. Each turn is the main loop's, on the manual clock (16 ms a turn).

#include "GameTestFixture.h"
#include "ScreenPicture.h"
#include "support/ChildProcess.h"

#include "app/FrontEnd.h"
#include "app/Menu.h"
#include "audio/Sound.h"
#include "backend/gpu/GpuDevice.h"
#include "backend/window/InputSimulation.h"
#include "backend/window/KeyCodes.h"
#include "backend/window/SystemWindow.h"
#include "datagen/writers/RecordsWriter.h"
#include "engine/platform/DeviceSettings.h"
#include "engine/platform/InputSystem.h"
#include "engine/platform/Log.h"
#include "engine/platform/RenderDevice.h"
#include "engine/platform/Window.h"
#include "race/RecordsFile.h"
#include "race/SinglePlayerRace.h"
#include "tracks/Track.h"
#include "tracks/TrackTable.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace backend;

namespace {

constexpr int COUNT_DOWN_TURN_LIMIT = 450;

bool IsShaded(GpuColor c)
{
    return (c >> 16 & 0xFF) < 160 && (c >> 8 & 0xFF) < 160 && (c & 0xFF) < 160;
}

bool IsNotWhite(GpuColor c)
{
    return (c & 0xFFFFFFu) != 0xFFFFFFu;
}

// The X window of this process's visible window, 0 when there is none.
unsigned long OwnXWindow()
{
    const std::string command = "xdotool search --onlyvisible --pid " + std::to_string(getpid()) + " 2>/dev/null";
    FILE* output = popen(command.c_str(), "r");
    if (output == nullptr)
        return 0;
    unsigned long window = 0;
    if (std::fscanf(output, "%lu", &window) != 1)
        window = 0;
    pclose(output);
    return window;
}

bool RunXdotool(const std::string& arguments)
{
    return std::system(("xdotool " + arguments + " >/dev/null 2>&1").c_str()) == 0;
}

class RaceTest : public GameTest {
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        ChooseSmallScreen();
    }

    // From the main screen to UK Dirt Track and "Race!"; the turn that starts
    // the race leaves its "Loading Track..." frame in the back buffer.
    void StartUkRace(ScreenPicture* loadingFrame = nullptr)
    {
        Press(DIK_RETURN);
        Press(DIK_DOWN);
        Press(DIK_RETURN);
        ASSERT_EQ(g_Menu->screen, MENUSCREEN_SELECT_TRACK);
        for (int i = 0; i < int(TRACK_UK); ++i)
            Press(DIK_DOWN);
        Press(DIK_RETURN);
        Press(DIK_UP);
        ASSERT_EQ(g_Menu->screen, MENUSCREEN_SINGLE_PLAYER);
        ASSERT_EQ(g_Menu->selectedItem, 0);
        ASSERT_EQ(g_CurrentTrackId, int(TRACK_UK));
        SimulateKey(g_Window.hWnd, DIK_RETURN, true);
        Turn();
        ASSERT_EQ(g_GameState, GAMESTATE_SINGLE_PLAYER_RACE) << g_LastError;
        if (loadingFrame != nullptr)
            *loadingFrame = ScreenPicture::Read();
        SimulateKey(g_Window.hWnd, DIK_RETURN, false);
        Turns(3);
    }

    // Turns until the count-down has given way to racing.
    void WaitForTheStart()
    {
        for (int turn = 0; turn < COUNT_DOWN_TURN_LIMIT && g_SinglePlayerRace->phase < RACEPHASE_RACING; ++turn)
            Turn();
        ASSERT_EQ(g_SinglePlayerRace->phase, RACEPHASE_RACING);
    }

    // The third lap done now: turns until the race gave way to the next state.
    int FinishRace()
    {
        SinglePlayerRace* race = g_SinglePlayerRace;
        race->playerMoped.progress.lap = RACE_LAP_COUNT;
        Turn();
        EXPECT_EQ(race->phase, RACEPHASE_FINISHED);
        int turns = 0;
        for (; g_GameState == GAMESTATE_SINGLE_PLAYER_RACE && turns < 400; ++turns)
            Turn();
        return turns;
    }

    // From the main screen to the start of a race on UK Dirt Track, then 30 turns with Up held.
    void RideOffFromTheMenu()
    {
        GoToMainMenu();
        ASSERT_NO_FATAL_FAILURE(StartUkRace());
        ASSERT_NO_FATAL_FAILURE(WaitForTheStart());
        SimulateKey(g_Window.hWnd, DIK_UP, true);
        Turns(30);
    }
};

} // namespace

TEST_F(RaceTest, RaceFromTheMenuPausesResumesSurvivesADeviceLossAndLeaves)
{
    ASSERT_TRUE(StartGame());
    GoToMainMenu();
    Turns(25); // the title has faded out and let its picture go
    GpuDevice* device = g_RenderDevice.device;
    const uint32_t menuResources = LiveResources();

    ScreenPicture loading;
    ASSERT_NO_FATAL_FAILURE(StartUkRace(&loading));
    EXPECT_EQ(g_Menu, nullptr);
    ASSERT_NE(g_SinglePlayerRace, nullptr);
    EXPECT_EQ(g_SinglePlayerRace->trackId, int32_t(TRACK_UK));
    ExpectMusic("UK.ogg");
    // "Loading Track...": white on white, readable by the font's dark outline
    // around the centre and nowhere else.
    EXPECT_EQ(loading.width, SMALL_SCREEN_WIDTH);
    EXPECT_EQ(loading.height, SMALL_SCREEN_HEIGHT);
    EXPECT_GT(loading.Count(250, 275, 550, 310, IsShaded), 200);
    EXPECT_EQ(loading.Count(0, 0, 800, 250, IsNotWhite), 0);
    EXPECT_EQ(loading.Count(0, 340, 800, 600, IsNotWhite), 0);

    ASSERT_NO_FATAL_FAILURE(WaitForTheStart());
    SinglePlayerRace* race = g_SinglePlayerRace;
    // A tap of Left that went down and up between two turns steers for one turn.
    SimulateKey(g_Window.hWnd, DIK_LEFT, true);
    SimulateKey(g_Window.hWnd, DIK_LEFT, false);
    Turn();
    EXPECT_EQ(race->playerMoped.steering, STEER_LEFT);
    Turn();
    EXPECT_EQ(race->playerMoped.steering, STEER_NONE);
    const TVec4 start = race->playerMoped.position;
    SimulateKey(g_Window.hWnd, DIK_UP, true);
    Turns(120);
    const float moved = std::hypot(race->playerMoped.position.x - start.x, race->playerMoped.position.z - start.z);
    EXPECT_GT(moved, 2.0f);
    EXPECT_GT(race->playerMoped.totalMs, 0u);

    // Paused, the race clock and the music stand still however long the pause
    // lasts; Escape and "Continue" both go on, the first frame after the pause
    // counting no more than a frame.
    for (const uint8_t resume : {DIK_ESCAPE, DIK_RETURN}) {
        Press(DIK_ESCAPE);
        ASSERT_EQ(g_GameState, GAMESTATE_PAUSE_MENU);
        EXPECT_EQ(g_PauseMenuItem, 0);
        EXPECT_FALSE(g_Music->IsPlaying());
        const uint32_t paused = race->playerMoped.totalMs;
        Turns(50);
        EXPECT_EQ(race->playerMoped.totalMs, paused);
        Press(resume);
        ASSERT_EQ(g_GameState, GAMESTATE_SINGLE_PLAYER_RACE) << int(resume);
        EXPECT_LE(race->playerMoped.totalMs - paused, 4u * 16u + 16u) << int(resume);
        ExpectMusic("UK.ogg");
    }

    // A device lost for 30 turns: the race lets its device objects go, comes
    // back and goes on, and the lost time counts as no race time.
    const uint32_t beforeLoss = race->playerMoped.totalMs;
    device->ForceDeviceLoss(30);
    for (int turn = 0; turn < 40; ++turn)
        ASSERT_EQ(Turn(), TURN_GO_ON) << g_LastError;
    EXPECT_EQ(g_GameState, GAMESTATE_SINGLE_PLAYER_RACE);
    EXPECT_EQ(g_SinglePlayerRace, race);
    EXPECT_LE(race->playerMoped.totalMs - beforeLoss, 10u * 16u);
    SimulateKey(g_Window.hWnd, DIK_UP, false);

    // "Restart" puts the moped back on the grid, the clock to zero and the lap
    // before the first, and counts down again with the world standing still.
    Press(DIK_ESCAPE);
    Press(DIK_DOWN);
    ASSERT_EQ(g_PauseMenuItem, 1);
    Press(DIK_RETURN);
    ASSERT_EQ(g_GameState, GAMESTATE_SINGLE_PLAYER_RACE);
    ASSERT_EQ(g_SinglePlayerRace, race);
    const TrackStartPosition& grid = race->track->trackData.startPositions[0];
    for (int turn = 0; turn < 30; ++turn) {
        ASSERT_EQ(race->phase, RACEPHASE_COUNTDOWN) << "turn " << turn;
        ASSERT_EQ(race->playerMoped.totalMs, 0u) << "turn " << turn;
        ASSERT_EQ(race->playerMoped.lapMs, 0u) << "turn " << turn;
        ASSERT_EQ(race->playerMoped.progress.lap, -1) << "turn " << turn;
        ASSERT_LT(std::hypot(race->playerMoped.position.x - grid.x, race->playerMoped.position.z - grid.z), 0.3f)
            << "turn " << turn;
        Turn();
    }

    // The pause menu wraps over its three items; "Retire" leaves for the menu.
    Press(DIK_ESCAPE);
    Press(DIK_UP);
    ASSERT_EQ(g_PauseMenuItem, 2);
    Press(DIK_RETURN);
    ExpectScreen(MENUSCREEN_SINGLE_PLAYER, 0);
    EXPECT_EQ(g_SinglePlayerRace, nullptr);
    ExpectMusic("Menu.ogg");
    EXPECT_EQ(LiveResources(), menuResources);
}

TEST_F(RaceTest, FinishBetweenTheStoredTimesAsksForANameAndStoresItInItsPlace)
{
    ASSERT_TRUE(datagen::WriteRecords(DataPath("Data/Tracks/UK/Records.bt"), {{"Fast", 1}, {"Slow", 600000}}));
    ASSERT_TRUE(StartGame());
    ASSERT_NO_FATAL_FAILURE(RideOffFromTheMenu());
    SinglePlayerRace* race = g_SinglePlayerRace;
    SimulateKey(g_Window.hWnd, DIK_UP, false);
    const uint32_t total = race->playerMoped.totalMs;
    ASSERT_GT(total, 0u);
    // The race ends five seconds of race time after the third lap.
    const int turns = FinishRace();
    ASSERT_EQ(g_GameState, GAMESTATE_NEW_RECORD);
    EXPECT_NEAR(turns, 5000 / 16, 3);
    EXPECT_EQ(g_SinglePlayerRace, nullptr);
    EXPECT_EQ(g_NewRecordTime, total);
    ASSERT_NE(g_Menu, nullptr);
    ExpectMusic("Menu.ogg");

    Press(DIK_RETURN); // no name: nothing
    EXPECT_EQ(g_GameState, GAMESTATE_NEW_RECORD);
    Type("Zed");
    Press(DIK_RETURN);
    ASSERT_EQ(g_GameState, GAMESTATE_BEST_TIMES);
    EXPECT_EQ(g_NewRecordIndex, 1);
    std::vector<RaceRecord> stored;
    ReadRecordsFile(BuildTrackRecordsPath(TRACK_UK).c_str(), stored);
    ASSERT_EQ(stored.size(), 3u);
    EXPECT_STREQ(stored[0].name, "Fast");
    EXPECT_STREQ(stored[1].name, "Zed");
    EXPECT_EQ(stored[1].time, total);
    EXPECT_STREQ(stored[2].name, "Slow");
    Turns(MAX_RECORDS);
    EXPECT_EQ(g_BestTimesShownRows, MAX_RECORDS);

    // Raced again against a full table of faster times: the best times come
    // without a new row, so the row of the record before is not highlighted.
    const std::vector<datagen::RecordRow> fast(MAX_RECORDS, {"Fast", 1});
    ASSERT_TRUE(datagen::WriteRecords(DataPath("Data/Tracks/UK/Records.bt"), fast));
    Press(DIK_RETURN);
    ExpectScreen(MENUSCREEN_SINGLE_PLAYER, 0);
    Press(DIK_RETURN);
    ASSERT_EQ(g_GameState, GAMESTATE_SINGLE_PLAYER_RACE) << g_LastError;
    ASSERT_NO_FATAL_FAILURE(WaitForTheStart());
    Turn();
    g_SinglePlayerRace->msSinceFinish = RACE_END_DELAY_MS - 100;
    FinishRace();
    ASSERT_EQ(g_GameState, GAMESTATE_BEST_TIMES);
    EXPECT_EQ(g_NewRecordIndex, -1);
    EXPECT_EQ(g_RaceRecords.size(), size_t(MAX_RECORDS));
    // The table comes again row by row, from none, a row a turn up to the last.
    for (int rows = 0; rows <= MAX_RECORDS; ++rows) {
        EXPECT_EQ(g_BestTimesShownRows, rows);
        Turn();
    }
    EXPECT_EQ(g_BestTimesShownRows, MAX_RECORDS);
    Press(DIK_ESCAPE);
    ExpectScreen(MENUSCREEN_SINGLE_PLAYER, 0);
}

// A full-screen race whose window is minimised as a window manager does it
// (the window unmapped, the focus gone) on a real X server, then restored.
// Without a display of its own the test runs itself again on a private Xvfb.
TEST_F(RaceTest, FullScreenRaceOnXGoesOnAfterAMinimise)
{
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    if (driver == nullptr || std::string(driver) != "x11") {
        for (const char* tool : {"Xvfb", "xdotool"}) {
            if (!HasProgram(tool))
                GTEST_SKIP() << tool << " is not installed; scripts/setup installs it";
        }
        PrivateXServer server;
        std::string error;
        ASSERT_TRUE(server.Start(error)) << error;
        const std::string output = DataPath("x11-run.txt");
        bool timedOut = false;
        const int status = RunBounded({"env", "DISPLAY=" + server.Display(), "SDL_VIDEODRIVER=x11",
                                       std::filesystem::read_symlink("/proc/self/exe").string(),
                                       "--gtest_filter=RaceTest.FullScreenRaceOnXGoesOnAfterAMinimise"},
                                      240, &timedOut, output);
        std::stringstream log;
        log << std::ifstream(output).rdbuf();
        EXPECT_FALSE(timedOut) << log.str();
        EXPECT_EQ(status, 0) << log.str();
        EXPECT_NE(log.str().find("[  PASSED  ] 1 test"), std::string::npos) << log.str();
        return;
    }

    ASSERT_TRUE(StartGame()) << g_LastError;
    GpuDevice* device = g_RenderDevice.device;
    ASSERT_FALSE(device->GetPresentParameters().Windowed);
    const unsigned long xWindow = OwnXWindow();
    ASSERT_NE(xWindow, 0u) << "no visible window of this process on " << std::getenv("DISPLAY");
    const std::string window = std::to_string(xWindow);
    ASSERT_TRUE(RunXdotool("windowfocus --sync " + window));
    // Key states follow the X server at once, however many messages wait.
    for (int i = 0; i < 20; ++i)
        SimulateOtherEvent();
    Turn();
    for (const bool down : {true, false}) {
        ASSERT_TRUE(RunXdotool(std::string(down ? "keydown" : "keyup") + " Left"));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        Turn();
        EXPECT_EQ((g_InputSystem.keys[DIK_LEFT] & 0x80) != 0, down);
    }
    ASSERT_NO_FATAL_FAILURE(RideOffFromTheMenu());
    SinglePlayerRace* race = g_SinglePlayerRace;
    const uint64_t resets = device->GetStats().resets;

    // Turns with a real pause for the X server's events, until `done` or 10 s.
    const auto turnUntil = [this](auto done) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!done() && std::chrono::steady_clock::now() < deadline) {
            ASSERT_EQ(Turn(), TURN_GO_ON) << g_LastError;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        ASSERT_TRUE(done());
    };
    ASSERT_TRUE(RunXdotool("windowunmap --sync " + window));
    ASSERT_NO_FATAL_FAILURE(turnUntil([] { return WindowIsMinimized(g_Window.hWnd); }));
    EXPECT_EQ(device->TestCooperativeLevel(), GPUERR_DEVICELOST);
    // A second of turns away: no frame runs and the race clock stands.
    const uint32_t away = race->playerMoped.totalMs;
    const uint64_t presents = device->GetStats().presents;
    Turns(60);
    EXPECT_EQ(race->playerMoped.totalMs, away);
    EXPECT_EQ(device->GetStats().presents, presents);

    ASSERT_TRUE(RunXdotool("windowmap --sync " + window));
    ASSERT_TRUE(RunXdotool("windowfocus --sync " + window));
    ASSERT_NO_FATAL_FAILURE(turnUntil([&] { return device->GetStats().resets > resets; }));
    // Reset succeeds only once every device object of the race was let go.
    EXPECT_EQ(device->GetStats().resets, resets + 1);
    EXPECT_EQ(g_GameState, GAMESTATE_SINGLE_PLAYER_RACE);
    ASSERT_EQ(g_SinglePlayerRace, race);
    EXPECT_LE(race->playerMoped.totalMs - away, 2u * 16u);
    const TVec4 back = race->playerMoped.position;
    const uint32_t restored = race->playerMoped.totalMs;
    SimulateKey(g_Window.hWnd, DIK_UP, true);
    Turns(60);
    EXPECT_EQ(race->playerMoped.totalMs - restored, 60u * 16u);
    EXPECT_GT(std::hypot(race->playerMoped.position.x - back.x, race->playerMoped.position.z - back.z), 0.5f);
    EXPECT_EQ(device->GetStats().resets, resets + 1);
}

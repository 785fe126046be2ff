// The states and menu screens reached with their keys, on the running game.

#include "GameTestFixture.h"

#include "app/FrontEnd.h"
#include "app/Menu.h"
#include "app/SoundConfig.h"
#include "audio/AudioManager.h"
#include "backend/files/Files.h"
#include "backend/window/InputSimulation.h"
#include "backend/window/KeyCodes.h"
#include "backend/window/MessageQueue.h"
#include "engine/platform/Window.h"
#include "network/NetworkPeer.h"
#include "race/RaceGlobals.h"
#include "race/RecordsFile.h"
#include "tracks/TrackTable.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using namespace backend;

TEST_F(GameTest, LogoTitleAndMenuFollowOnEnterAndMainScreenItemsLeadToTheirScreensAndBack)
{
    ASSERT_TRUE(StartGame());
    EXPECT_NE(g_LogoScreen, nullptr);
    GoToMainMenu();
    EXPECT_EQ(g_LogoScreen, nullptr);
    ExpectScreen(MENUSCREEN_MAIN, 0);
    // The title keeps fading over the menu for 20 logic steps, then lets its picture go.
    Turns(25);
    EXPECT_LE(g_TitleFade, 0.0f);
    EXPECT_EQ(g_TitleImage.vertexBuffer, nullptr);

    Press(DIK_RETURN);
    ExpectScreen(MENUSCREEN_SINGLE_PLAYER, 0);
    Press(DIK_DOWN);
    Press(DIK_RETURN);
    ExpectScreen(MENUSCREEN_SELECT_TRACK, 0);
    Press(DIK_UP); // wraps to the last track
    ExpectScreen(MENUSCREEN_SELECT_TRACK, 9);
    // Escape keeps the track chosen before.
    Press(DIK_ESCAPE);
    ExpectScreen(MENUSCREEN_SINGLE_PLAYER, 1);
    EXPECT_EQ(g_CurrentTrackId, 0);
    Press(DIK_RETURN);
    Press(DIK_UP);
    Press(DIK_RETURN);
    EXPECT_EQ(g_CurrentTrackId, 9);
    ExpectScreen(MENUSCREEN_SINGLE_PLAYER, 1);
    Press(DIK_DOWN);
    Press(DIK_RETURN);
    ExpectScreen(MENUSCREEN_BEST_TIMES, 0);
    // Enter on the best times does nothing.
    Press(DIK_RETURN);
    ExpectScreen(MENUSCREEN_BEST_TIMES, 0);
    Press(DIK_ESCAPE);
    ExpectScreen(MENUSCREEN_SINGLE_PLAYER, 2);
    Press(DIK_ESCAPE);
    ExpectScreen(MENUSCREEN_MAIN, 0);

    Press(DIK_DOWN);
    Press(DIK_DOWN);
    Press(DIK_RETURN);
    ExpectScreen(MENUSCREEN_OPTIONS, 0);
    Press(DIK_ESCAPE);
    ExpectScreen(MENUSCREEN_MAIN, 2);
    Press(DIK_DOWN);
    Press(DIK_RETURN);
    ExpectScreen(MENUSCREEN_CREDITS, 0);
    const float scrolled = g_Menu->creditsScrollY;
    Turns(10);
    EXPECT_NEAR(g_Menu->creditsScrollY, scrolled - 4.0f, 1e-4f);
    for (const uint8_t back : {DIK_RETURN, DIK_ESCAPE}) {
        Press(back);
        ExpectScreen(MENUSCREEN_MAIN, 3);
        Press(DIK_RETURN);
        ExpectScreen(MENUSCREEN_CREDITS, 0);
    }
    Press(DIK_ESCAPE);
    ExpectScreen(MENUSCREEN_MAIN, 3);
    Press(DIK_ESCAPE);
    ExpectScreen(MENUSCREEN_QUIT_CONFIRM, 1);
    Press(DIK_ESCAPE);
    ExpectScreen(MENUSCREEN_MAIN, 0);
}

// A key pressed and released between two turns still acts once; one held acts
// once and then at the repeat interval, as before.
TEST_F(GameTest, TapsMoveTheMenuOnceAndTheQuitBoxMovesWithoutWrapAndYesEndsTheLoop)
{
    ASSERT_TRUE(StartGame());
    GoToMainMenu();
    SimulateKey(g_Window.hWnd, DIK_DOWN, true);
    SimulateKey(g_Window.hWnd, DIK_DOWN, false);
    Turn();
    ExpectScreen(MENUSCREEN_MAIN, 1);
    Turns(3);
    ExpectScreen(MENUSCREEN_MAIN, 1);
    SimulateKey(g_Window.hWnd, DIK_DOWN, true);
    Turns(3);
    ExpectScreen(MENUSCREEN_MAIN, 2);
    SimulateKey(g_Window.hWnd, DIK_DOWN, false);
    Turns(3);
    ExpectScreen(MENUSCREEN_MAIN, 2);
    // Held, it moves at once and then each time 300 ms have passed: on the 19th
    // turn of 16 ms after a move (304 ms), not on the 18th (288 ms).
    SimulateKey(g_Window.hWnd, DIK_DOWN, true);
    for (const int item : {3, 4, 0}) {
        SCOPED_TRACE(item);
        Turn();
        ExpectScreen(MENUSCREEN_MAIN, item);
        Turns(18);
        ExpectScreen(MENUSCREEN_MAIN, item);
    }
    SimulateKey(g_Window.hWnd, DIK_DOWN, false);
    Turns(3);

    g_Menu->SetScreen(MENUSCREEN_MAIN, 0);
    Press(DIK_UP); // wraps to "Quit"
    ExpectScreen(MENUSCREEN_MAIN, 4);
    Press(DIK_RETURN);
    ExpectScreen(MENUSCREEN_QUIT_CONFIRM, 1);
    Press(DIK_RIGHT);
    ExpectScreen(MENUSCREEN_QUIT_CONFIRM, 1);
    Press(DIK_RETURN);
    ExpectScreen(MENUSCREEN_MAIN, 4);
    Press(DIK_RETURN);
    Press(DIK_LEFT);
    ExpectScreen(MENUSCREEN_QUIT_CONFIRM, 0);
    SimulateKey(g_Window.hWnd, DIK_RETURN, true);
    LoopTurn turn = Turn();
    for (int i = 0; i < 10 && turn == TURN_GO_ON; ++i)
        turn = Turn();
    EXPECT_EQ(turn, TURN_QUIT);
    EXPECT_EQ(lastMessage.message, WM_QUIT);
}

TEST_F(GameTest, OptionsVolumesStepOnTheGridAndBackSavesThem)
{
    ASSERT_TRUE(StartGame());
    GoToMainMenu();
    AudioManager* audio = GetAudioManager();
    audio->SetSoundVolume(0.33f);
    audio->SetMusicVolume(1.0f);
    g_Menu->SetScreen(MENUSCREEN_OPTIONS, 0);
    Press(DIK_LEFT);
    EXPECT_NEAR(audio->GetSoundVolume(), 0.30f, 1e-6f);
    Press(DIK_RIGHT);
    EXPECT_NEAR(audio->GetSoundVolume(), 0.35f, 1e-6f);
    Press(DIK_DOWN);
    Press(DIK_RIGHT); // already full
    EXPECT_FLOAT_EQ(audio->GetMusicVolume(), 1.0f);
    Press(DIK_LEFT);
    EXPECT_NEAR(audio->GetMusicVolume(), 0.95f, 1e-6f);

    // Escape keeps the volumes unsaved.
    const SoundConfig before = LoadSoundConfig();
    Press(DIK_ESCAPE);
    ExpectScreen(MENUSCREEN_MAIN, 2);
    EXPECT_FLOAT_EQ(LoadSoundConfig().soundVolume, before.soundVolume);

    Press(DIK_RETURN);
    Press(DIK_DOWN);
    Press(DIK_DOWN);
    Press(DIK_RETURN);
    ExpectScreen(MENUSCREEN_MAIN, 2);
    const SoundConfig saved = LoadSoundConfig();
    EXPECT_FLOAT_EQ(saved.soundVolume, audio->GetSoundVolume());
    EXPECT_FLOAT_EQ(saved.musicVolume, audio->GetMusicVolume());
}

// A save that can't be made (a folder holds the temporary file's name, as a
// read-only folder or a full disk refuses it) is shown to the player, and
// stderr says which file and why; the new best time stays in the table shown.
TEST_F(GameTest, FailedSavesAreShownAndNameTheFile)
{
    ASSERT_TRUE(StartGame());
    GoToMainMenu();
    const std::string volumes = backend::ResolvePath(SOUND_CONFIG_PATH) + ".tmp";
    std::filesystem::create_directory(volumes);
    g_Menu->SetScreen(MENUSCREEN_OPTIONS, 2);
    ::testing::internal::CaptureStderr();
    Press(DIK_RETURN);
    std::string stderrText = ::testing::internal::GetCapturedStderr();
    ExpectScreen(MENUSCREEN_MAIN, 2);
    ASSERT_EQ(shownErrors, std::vector<std::string>{"Error saving the sound settings!"});
    EXPECT_EQ(shownCaptions[0], "Vantrel");
    EXPECT_NE(stderrText.find("cannot create " + volumes + ": Is a directory"), std::string::npos) << stderrText;

    const std::string records = backend::ResolvePath(BuildTrackRecordsPath(TRACK_UK)) + ".tmp";
    std::filesystem::create_directory(records);
    g_CurrentTrackId = TRACK_UK;
    g_RaceRecords.clear();
    g_NewRecordTime = 61234;
    std::strcpy(g_PlayerName, "Zed");
    g_GameState = GAMESTATE_NEW_RECORD;
    ::testing::internal::CaptureStderr();
    Press(DIK_RETURN);
    stderrText = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(g_GameState, GAMESTATE_BEST_TIMES);
    ASSERT_EQ(shownErrors.size(), 2u);
    EXPECT_EQ(shownErrors[1], "Error saving the best times!");
    EXPECT_NE(stderrText.find("cannot create " + records + ": Is a directory"), std::string::npos) << stderrText;
    ASSERT_EQ(g_RaceRecords.size(), 1u);
    EXPECT_STREQ(g_RaceRecords[0].name, "Zed");
}

TEST_F(GameTest, MultiplayerNameEntryBringsTheNetworkUpBackTakesItDownAndEscapeWinsOverEnter)
{
    ASSERT_TRUE(StartGame());
    GoToMainMenu();
    std::strcpy(g_PlayerName, "Old");
    Press(DIK_DOWN);
    Press(DIK_RETURN);
    ASSERT_EQ(g_GameState, GAMESTATE_MULTIPLAYER_NAME);
    Type("\bxy");
    EXPECT_STREQ(g_PlayerName, "Olxy");
    // Escape restores the name it found.
    Press(DIK_ESCAPE);
    ExpectScreen(MENUSCREEN_MAIN, 1);
    EXPECT_STREQ(g_PlayerName, "Old");

    Press(DIK_RETURN);
    ASSERT_EQ(g_GameState, GAMESTATE_MULTIPLAYER_NAME);
    Press(DIK_RETURN);
    ExpectScreen(MENUSCREEN_MULTIPLAYER, 0);
    EXPECT_TRUE(g_NetworkPeer.IsInitialised());
    Press(DIK_UP); // wraps to "Back"
    Press(DIK_RETURN);
    ExpectScreen(MENUSCREEN_MAIN, 1);
    EXPECT_FALSE(g_NetworkPeer.IsInitialised());
    Press(DIK_RETURN);
    Press(DIK_RETURN);
    ExpectScreen(MENUSCREEN_MULTIPLAYER, 0);
    // Escape takes it down as "Back" does.
    Press(DIK_ESCAPE);
    ExpectScreen(MENUSCREEN_MAIN, 1);
    EXPECT_FALSE(g_NetworkPeer.IsInitialised());

    // Escape and Enter in the same turn on the name: only Escape acts, and the
    // Enter waits for the next turn, which is on the menu.
    Press(DIK_RETURN);
    ASSERT_EQ(g_GameState, GAMESTATE_MULTIPLAYER_NAME);
    SimulateKey(g_Window.hWnd, DIK_ESCAPE, true);
    SimulateKey(g_Window.hWnd, DIK_RETURN, true);
    Turns(2);
    ExpectScreen(MENUSCREEN_MAIN, 1);
    SimulateKey(g_Window.hWnd, DIK_ESCAPE, false);
    SimulateKey(g_Window.hWnd, DIK_RETURN, false);
    Turns(4);
    ExpectScreen(MENUSCREEN_MAIN, 1);
}

TEST_F(GameTest, UnusedStatesOnlyFadeTheTitleAndMessageScreensReturnWhereTheyLead)
{
    ASSERT_TRUE(StartGame());
    GoToMainMenu();
    for (int unused : {9, 11, 12}) {
        g_GameState = GameState(unused);
        const float fade = g_TitleFade;
        Press(DIK_RETURN);
        Press(DIK_ESCAPE);
        Press(DIK_DOWN);
        EXPECT_EQ(g_GameState, unused);
        EXPECT_EQ(g_Menu->screen, MENUSCREEN_MAIN);
        if (fade > 0.0f) {
            EXPECT_LT(g_TitleFade, fade);
        }
    }
    // Enter and Escape alike.
    for (const uint8_t key : {DIK_RETURN, DIK_ESCAPE}) {
        g_GameState = GAMESTATE_MAIN_MENU;
        for (MenuScreen screen : {MENUSCREEN_HOST_ERROR, MENUSCREEN_CONNECT_ERROR, MENUSCREEN_CONNECTION_LOST}) {
            g_Menu->SetScreen(screen, 0);
            Press(DIK_DOWN); // no items: nothing moves
            ExpectScreen(screen, 0);
            Press(key);
            ExpectScreen(MENUSCREEN_MULTIPLAYER, 0);
        }
        g_Menu->SetScreen(MENUSCREEN_NETWORK_ERROR, 0);
        Press(key);
        ExpectScreen(MENUSCREEN_MAIN, 0);
        g_Menu->SetScreen(MENUSCREEN_INVALID_HOST_IP, 0);
        Press(key);
        EXPECT_EQ(g_GameState, GAMESTATE_JOIN_GAME) << int(key);
    }
    g_GameState = GAMESTATE_MAIN_MENU;
    g_Menu->SetScreen(MENUSCREEN_HOST_GAME, 3);
    Press(DIK_ESCAPE);
    ExpectScreen(MENUSCREEN_MULTIPLAYER, 0);
}

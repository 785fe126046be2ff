#pragma once
// The game started as the program starts it after the launcher, on a private
// copy of the sample data, with the manual clock and simulated input. A failed
// ASSERT_* inside a helper ends the whole test (see tests/support/TestMain.cpp).

#include "app/MainLoop.h"
#include "app/Menu.h"
#include "backend/window/WindowTypes.h"
#include "engine/platform/Timer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

class GameTest : public ::testing::Test {
protected:
    static constexpr uint32_t SMALL_SCREEN_WIDTH = 320, SMALL_SCREEN_HEIGHT = 240;

    void SetUp() override;
    void TearDown() override;

    // InitGame with windowed 800 x 600 settings unless a small screen was
    // chosen; the window gets the focus.
    bool StartGame();
    // Before StartGame: full screen in a 320 x 240 display mode, as a player
    // may choose it in the launcher. A race there costs the software
    // rasteriser a sixth of the pixels of the 800 x 600 window.
    void ChooseSmallScreen();
    LoopTurn Turn();
    void Turns(int count);
    // A key pressed for one turn and released, with the turns its messages take.
    void Press(uint8_t key);
    // Each character as its own turn, each followed by another message.
    void Type(const char* utf8);
    // From the logo through the title to the main screen of the menu.
    void GoToMainMenu();
    // From the main screen: "Quit", then "Yes"; the turn the loop ended on.
    LoopTurn QuitFromMainMenu();
    std::string DataPath(const std::string& relative) const { return dataDirectory + "/" + relative; }
    // The menu is up on `screen` with `item` selected.
    static void ExpectScreen(MenuScreen screen, int item);
    // The music playing is the file whose name ends in `file`.
    static void ExpectMusic(const char* file);
    // Device objects alive once nothing is bound to the device any more.
    static uint32_t LiveResources();

    std::string dataDirectory;
    std::string originalBase;
    std::vector<std::string> shownErrors;
    std::vector<std::string> shownCaptions;
    Timer frameTimer;
    backend::Message lastMessage;
};

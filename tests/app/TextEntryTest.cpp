// Typing names and addresses as the player does, on the name and address
// screens: limits, backspace, refused characters, repeat.

#include "GameTestFixture.h"

#include "app/FrontEnd.h"
#include "backend/window/InputSimulation.h"
#include "backend/window/KeyCodes.h"
#include "backend/window/MessageQueue.h"
#include "engine/platform/Window.h"

#include <string>

namespace {

class TextEntryTest : public GameTest {
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        ChooseSmallScreen();
    }
    // Text as the system sends it (UTF-8, one key's worth), then the key's release.
    void TypeText(const char* utf8)
    {
        backend::SimulateText(g_Window.hWnd, utf8);
        Turn();
        backend::PostMessage(g_Window.hWnd, backend::WM_NULL, 0, 0);
        Turn();
    }
};

} // namespace

TEST_F(TextEntryTest, NameTakesNineteenPrintableCharactersAddressDigitsAndDotsUpToFifteen)
{
    ASSERT_TRUE(StartGame());
    GoToMainMenu();
    Press(backend::DIK_DOWN);
    Press(backend::DIK_RETURN);
    ASSERT_EQ(g_GameState, GAMESTATE_MULTIPLAYER_NAME);
    Type("abcdefghijklmnopqrstuvwxy");
    EXPECT_EQ(std::string(g_PlayerName), "abcdefghijklmnopqrs");
    Type(std::string(25, '\b').c_str());
    EXPECT_EQ(std::string(g_PlayerName), "");
    // Tab, Enter, control characters, Escape, Delete and a C1 control.
    Type("\t\r\x15\x1a\x1b\x7f");
    TypeText("\xC2\x85");
    EXPECT_EQ(std::string(g_PlayerName), "");
    Type(" ~");
    TypeText("\xC3\xA9");
    EXPECT_EQ(std::string(g_PlayerName), " ~\xE9");

    // A held key sends its character every turn: it counts again after 300 ms.
    for (int turn = 0; turn < 19; ++turn) {
        backend::SimulateText(g_Window.hWnd, "k");
        Turn();
    }
    EXPECT_EQ(std::string(g_PlayerName), " ~\xE9k") << "after 288 ms";
    backend::SimulateText(g_Window.hWnd, "k");
    Turn();
    EXPECT_EQ(std::string(g_PlayerName), " ~\xE9kk") << "after 304 ms";

    Press(backend::DIK_RETURN);
    Press(backend::DIK_DOWN);
    ExpectScreen(MENUSCREEN_MULTIPLAYER, 1);
    Press(backend::DIK_RETURN);
    ASSERT_EQ(g_GameState, GAMESTATE_JOIN_GAME);
    Type("192.168.a1x00.12345");
    EXPECT_EQ(std::string(g_TextEntry), "192.168.100.123");
}

#include "engine/platform/Window.h"

#include "backend/window/InputSimulation.h"
#include "backend/window/InstanceGuard.h"
#include "backend/window/KeyCodes.h"
#include "backend/window/MessageQueue.h"
#include "backend/window/SecondCopy.h"
#include "backend/window/SystemWindow.h"
#include "engine/platform/Log.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

constexpr const char* GAME_NAME = "Vantrel";

// role "<scope>": a second copy of the game at start-up. Exit code 0 when it
// ended quietly at the window search.
int RunSecondGameCopy(const std::string& scope)
{
    backend::SetInstanceScope(scope);
    if (!g_Window.CheckSingleInstance(GAME_NAME))
        return g_LastError.empty() ? 0 : 5;
    return 6;
}

const bool g_SecondGameCopyRan = secondcopy::RunSecondCopyIfAsked(RunSecondGameCopy);

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(g_SecondGameCopyRan);
        scope = secondcopy::UniqueScope("window");
        backend::SetInstanceScope(scope);
        g_Window = Window();
        g_LastTypedChar = 0;
        g_LastError.clear();
        g_Log = &log;
        backend::ClearMessageQueue();
    }

    void TearDown() override
    {
        g_Window.Destroy();
        backend::ClearMessageQueue();
        backend::SetInstanceScope("");
        g_LogEnabled = false;
        g_Log = &std::clog;
        g_LastError.clear();
        // Back to a shown cursor at count 0 for the next test.
        while (backend::ShowCursor(false) >= 0) {
        }
        while (backend::ShowCursor(true) < 0) {
        }
    }

    bool CreateGameWindow(bool windowed, int width = 800, int height = 600)
    {
        bool created = g_Window.Create(nullptr, backend::SW_SHOWDEFAULT, 121, backend::IDC_ARROW, nullptr, width,
                                       height, windowed, WindowProc);
        // Drop what the showing of the window put in the queue.
        backend::ClearMessageQueue();
        return created;
    }

    // One turn of the main loop's message step; the message type, or -1 for none.
    long Turn()
    {
        backend::Message message;
        if (!backend::PeekMessage(message))
            return -1;
        lastMessage = message;
        if (message.message != backend::WM_QUIT) {
            backend::TranslateMessage(message);
            backend::DispatchMessage(message);
        }
        return long(message.message);
    }

    bool WaitForActivation(int count)
    {
        for (int i = 0; i < 1000 && backend::ActivationRequestCount() < count; ++i) {
            Turn();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return backend::ActivationRequestCount() >= count;
    }

    std::string scope;
    std::ostringstream log;
    backend::Message lastMessage;
};

} // namespace

TEST_F(WindowTest, WindowedGameHasItsOuterSizeAtTheCornerAndAShownCursor)
{
    g_LogEnabled = true;
    ASSERT_TRUE(g_Window.CheckSingleInstance(GAME_NAME));
    EXPECT_STREQ(g_Window.name, GAME_NAME);
    ASSERT_TRUE(CreateGameWindow(true));
    EXPECT_EQ(log.str(), "\nRegistering window class...\nCreating window...");
    EXPECT_TRUE(g_Window.created);
    ASSERT_NE(g_Window.hWnd, nullptr);
    backend::WindowGeometry geometry = backend::GetWindowGeometry(g_Window.hWnd);
    EXPECT_EQ(geometry.x, 0);
    EXPECT_EQ(geometry.y, 0);
    EXPECT_EQ(geometry.width, 800);
    EXPECT_EQ(geometry.height, 600);
    EXPECT_TRUE(backend::IsCursorShown());

    g_Window.Destroy();
    EXPECT_FALSE(g_Window.created);
    EXPECT_EQ(g_Window.hWnd, nullptr);
    g_Window.Destroy(); // twice, and never created, are both harmless
    Window never;
    never.Destroy();
}

TEST_F(WindowTest, FullScreenGameHidesTheCursorUntilShutDownShowsIt)
{
    ASSERT_TRUE(g_Window.CheckSingleInstance(GAME_NAME));
    ASSERT_TRUE(CreateGameWindow(false));
    EXPECT_FALSE(backend::IsCursorShown());
    g_Window.ShowMouseCursor();
    EXPECT_TRUE(backend::IsCursorShown());
}

TEST_F(WindowTest, CreateFailuresAreReported)
{
    g_LogEnabled = true;
    ASSERT_TRUE(g_Window.CheckSingleInstance(GAME_NAME));
    EXPECT_FALSE(CreateGameWindow(true, 0, 0));
    EXPECT_EQ(g_LastError, "Error creating window!");
    EXPECT_FALSE(g_Window.created);
    // The class of the failed attempt is still registered.
    EXPECT_FALSE(CreateGameWindow(true));
    EXPECT_EQ(g_LastError, "Error registering window class!");
    EXPECT_EQ(log.str(), "\nRegistering window class...\nCreating window...FAILED\nRegistering window class...FAILED");
}

TEST_F(WindowTest, TypedCharacterLastsOnlyUntilTheNextMessage)
{
    ASSERT_TRUE(g_Window.CheckSingleInstance(GAME_NAME));
    ASSERT_TRUE(CreateGameWindow(true));
    backend::NativeWindow* window = g_Window.hWnd;

    ASSERT_TRUE(backend::SimulateText(window, "a"));
    ASSERT_TRUE(backend::SimulateOtherEvent());
    EXPECT_EQ(Turn(), long(backend::WM_CHAR));
    EXPECT_EQ(g_LastTypedChar, 'a');
    EXPECT_EQ(Turn(), long(backend::WM_NULL));
    EXPECT_EQ(g_LastTypedChar, 0);

    ASSERT_TRUE(backend::SimulateText(window, "\xC3\xA9"));
    Turn();
    EXPECT_EQ(g_LastTypedChar, 0xE9);

    // Backspace and Escape: the key message clears it, the character follows.
    for (auto [key, character] : {std::pair{backend::DIK_BACK, 8}, std::pair{backend::DIK_ESCAPE, 27}}) {
        ASSERT_TRUE(backend::SimulateKey(window, key, true));
        EXPECT_EQ(Turn(), long(backend::WM_KEYDOWN));
        EXPECT_EQ(g_LastTypedChar, 0);
        EXPECT_EQ(Turn(), long(backend::WM_CHAR));
        EXPECT_EQ(g_LastTypedChar, character);
    }
    EXPECT_EQ(Turn(), -1);
}

TEST_F(WindowTest, ClosingTheWindowEndsTheLoopWithExitCodeZero)
{
    ASSERT_TRUE(g_Window.CheckSingleInstance(GAME_NAME));
    ASSERT_TRUE(CreateGameWindow(true));
    ASSERT_TRUE(backend::SimulateWindowEvent(g_Window.hWnd, backend::SimulatedWindowEvent::Close));
    EXPECT_EQ(Turn(), long(backend::WM_CLOSE));
    EXPECT_EQ(Turn(), long(backend::WM_QUIT));
    EXPECT_EQ(lastMessage.wParam, 0u);
    // The window stays for the shut-down (the device and the error box use it).
    EXPECT_TRUE(g_Window.created);
    EXPECT_NE(g_Window.hWnd, nullptr);
}

TEST_F(WindowTest, SecondCopyShowsTheRunningWindowAndEndsQuietly)
{
    ASSERT_TRUE(g_Window.CheckSingleInstance(GAME_NAME));
    ASSERT_TRUE(CreateGameWindow(true));
    int before = backend::ActivationRequestCount();

    secondcopy::Copy copy = secondcopy::Start(scope);
    ASSERT_GT(copy.pid, 0);
    EXPECT_EQ(secondcopy::Wait(copy, 20000, [this] { Turn(); }), 0);
    secondcopy::Stop(copy);
    EXPECT_TRUE(WaitForActivation(before + 1));
}

TEST_F(WindowTest, LongNamesAreCutTo63Characters)
{
    std::string longName(300, 'n');
    ASSERT_TRUE(g_Window.CheckSingleInstance(longName.c_str()));
    EXPECT_EQ(std::string(g_Window.name), longName.substr(0, 63));
}

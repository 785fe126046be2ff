#include "backend/window/MessageQueue.h"

#include "backend/window/InputSimulation.h"
#include "backend/window/KeyCodes.h"
#include "backend/window/WindowTestSupport.h"

#include <SDL.h>

using windowtest::Received;
using MessageQueue = windowtest::TestWindow;

TEST_F(MessageQueue, TypedTextBecomesOneCharacterMessagePerLatin1Character)
{
    ASSERT_TRUE(backend::SimulateText(window, "a\xC3\xA9\xE2\x82\xAC"
                                              "b")); // a, e-acute, euro sign, b
    ASSERT_TRUE(NextIs(backend::WM_CHAR, 'a'));
    EXPECT_EQ(last.window, window);
    ASSERT_TRUE(NextIs(backend::WM_CHAR, 0xE9));
    ASSERT_TRUE(NextIs(backend::WM_CHAR, 'b'));
    EXPECT_TRUE(QueueIsEmpty());

    // Text with nothing the game can show, or broken UTF-8, still counts as a message.
    ASSERT_TRUE(backend::SimulateText(window, "\xE2\x82\xAC\xC3"));
    ASSERT_TRUE(NextIs(backend::WM_NULL));
    EXPECT_TRUE(QueueIsEmpty());
}

TEST_F(MessageQueue, ControlKeysAreFollowedByTheirCharacterOthersByText)
{
    struct Case {
        uint8_t key;
        uintptr_t character;
    };
    for (Case c : {Case{backend::DIK_BACK, 8}, Case{backend::DIK_TAB, 9}, Case{backend::DIK_RETURN, 13},
                   Case{backend::DIK_NUMPADENTER, 13}, Case{backend::DIK_ESCAPE, 27}}) {
        SCOPED_TRACE(int(c.key));
        ASSERT_TRUE(backend::SimulateKey(window, c.key, true));
        ASSERT_TRUE(NextIs(backend::WM_KEYDOWN));
        EXPECT_EQ((last.lParam >> 16) & 0xFF, c.key & 0x7F);
        EXPECT_EQ((last.lParam >> 24) & 1, (c.key & 0x80) ? 1 : 0);
        EXPECT_TRUE(backend::TranslateMessage(last));
        ASSERT_TRUE(NextIs(backend::WM_CHAR, c.character));
        EXPECT_TRUE(QueueIsEmpty());
    }

    // A letter brings its character as text from the system, not from here.
    ASSERT_TRUE(backend::SimulateKey(window, backend::DIK_A, true));
    ASSERT_TRUE(NextIs(backend::WM_KEYDOWN, 'A'));
    EXPECT_FALSE(backend::TranslateMessage(last));
    EXPECT_TRUE(QueueIsEmpty());
}

TEST_F(MessageQueue, QuitFromTheSystemClosesTheWindowAndCloseSendsDestroyOnce)
{
    ASSERT_TRUE(backend::SimulateQuit());
    ASSERT_TRUE(NextIs(backend::WM_CLOSE));
    EXPECT_EQ(last.window, window);

    ASSERT_TRUE(backend::SimulateWindowEvent(window, backend::SimulatedWindowEvent::Close));
    ASSERT_TRUE(backend::SimulateQuit()); // the system follows a closed last window with a quit
    ASSERT_TRUE(NextIs(backend::WM_CLOSE));
    backend::DispatchMessage(last);
    ASSERT_EQ(Received().size(), 2u);
    EXPECT_EQ(Received()[0].message, backend::WM_CLOSE);
    EXPECT_EQ(Received()[1].message, backend::WM_DESTROY);
    EXPECT_FALSE(backend::IsWindowAlive(window));

    ASSERT_TRUE(NextIs(backend::WM_QUIT, 0));

    // The system's quit finds no open window: nothing more reaches the procedure.
    ASSERT_TRUE(backend::PeekMessage(last));
    EXPECT_NE(last.message, backend::WM_QUIT);
    backend::DispatchMessage(last);
    EXPECT_EQ(Received().size(), 2u);
    EXPECT_TRUE(QueueIsEmpty());
}

TEST_F(MessageQueue, PostedMessagesComeFirstInOrderThenQuit)
{
    ASSERT_TRUE(backend::SimulateText(window, "x"));
    backend::PostQuitMessage(3);
    backend::PostMessage(window, backend::WM_CLOSE, 0, 0);
    backend::PostMessage(window, backend::WM_CHAR, 'q', 0);
    ASSERT_TRUE(NextIs(backend::WM_CLOSE));
    ASSERT_TRUE(NextIs(backend::WM_CHAR, 'q'));
    ASSERT_TRUE(NextIs(backend::WM_QUIT, 3));
    ASSERT_TRUE(NextIs(backend::WM_CHAR, 'x'));
    EXPECT_TRUE(QueueIsEmpty());
}

TEST_F(MessageQueue, MouseMotionFloodDoesNotDelayTypedText)
{
    for (int i = 0; i < 10000; ++i) {
        SDL_Event motion{};
        motion.type = SDL_MOUSEMOTION;
        motion.motion.windowID = SDL_GetWindowID(window->sdlWindow);
        motion.motion.x = i % 320;
        SDL_PushEvent(&motion);
    }
    ASSERT_TRUE(backend::SimulateText(window, "z"));
    EXPECT_TRUE(NextIs(backend::WM_CHAR, 'z'));
}

TEST_F(MessageQueue, FocusAndMinimiseStatesFollowEventsBeforeTheyAreRemoved)
{
    ASSERT_TRUE(backend::SimulateWindowEvent(window, backend::SimulatedWindowEvent::FocusGained));
    EXPECT_TRUE(backend::WindowHasFocus(window));
    ASSERT_TRUE(backend::SimulateWindowEvent(window, backend::SimulatedWindowEvent::Minimized));
    EXPECT_TRUE(backend::WindowIsMinimized(window));
    ASSERT_TRUE(backend::SimulateWindowEvent(window, backend::SimulatedWindowEvent::FocusLost));
    EXPECT_FALSE(backend::WindowHasFocus(window));
    ASSERT_TRUE(backend::SimulateWindowEvent(window, backend::SimulatedWindowEvent::Restored));
    EXPECT_FALSE(backend::WindowIsMinimized(window));

    for (uint32_t type : {backend::WM_SETFOCUS, backend::WM_SIZE, backend::WM_KILLFOCUS, backend::WM_SIZE})
        ASSERT_TRUE(NextIs(type));
}

TEST_F(MessageQueue, WindowOfAnotherClassIsRefusedAndClassesAreUnique)
{
    EXPECT_EQ(backend::CreateWindow("NoSuchClass", "x", backend::WS_VISIBLE, 0, 0, 10, 10, nullptr), nullptr);
    backend::WindowClass again;
    again.className = CLASS_NAME;
    EXPECT_FALSE(backend::RegisterWindowClass(again));
    // A class in use cannot go.
    EXPECT_FALSE(backend::UnregisterWindowClass(CLASS_NAME, nullptr));
    backend::NativeWindow stranger;
    EXPECT_FALSE(backend::DestroyWindow(&stranger));
    EXPECT_FALSE(backend::DestroyWindow(nullptr));
}

TEST_F(MessageQueue, WindowedWindowHasItsOuterSizeAtTheCorner)
{
    backend::WindowGeometry geometry = backend::GetWindowGeometry(window);
    EXPECT_EQ(geometry.x, 0);
    EXPECT_EQ(geometry.y, 0);
    EXPECT_EQ(geometry.width, 320);
    EXPECT_EQ(geometry.height, 240);
    EXPECT_LE(geometry.clientWidth, 320);
    EXPECT_LE(geometry.clientHeight, 240);
}

TEST_F(MessageQueue, EventArrivingAfterAnEmptyPollIsTheNextMessage)
{
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        ASSERT_TRUE(backend::SimulateText(window, "k"));
        ASSERT_TRUE(NextIs(backend::WM_CHAR, 'k'));
        ASSERT_TRUE(backend::SimulateOtherEvent());
        ASSERT_TRUE(NextIs(backend::WM_NULL));
        EXPECT_EQ(last.window, window); // events without a window go to the game's one
    }
    EXPECT_TRUE(QueueIsEmpty());
}

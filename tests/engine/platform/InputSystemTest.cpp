#include "engine/platform/InputSystem.h"

#include "backend/window/InputSimulation.h"
#include "backend/window/KeyCodes.h"
#include "backend/window/MessageQueue.h"
#include "backend/window/SystemWindow.h"
#include "engine/platform/Log.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

namespace {

constexpr const char* INPUT_CLASS = "VantrelInputTest";

intptr_t InputTestProcedure(backend::NativeWindow* window, uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    return backend::DefWindowProc(window, message, wParam, lParam);
}

class InputSystemTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        backend::WindowClass windowClass;
        windowClass.procedure = InputTestProcedure;
        windowClass.className = INPUT_CLASS;
        ASSERT_TRUE(backend::RegisterWindowClass(windowClass));
        window = backend::CreateWindow(INPUT_CLASS, INPUT_CLASS, backend::WS_VISIBLE, 0, 0, 64, 64, nullptr);
        ASSERT_NE(window, nullptr);
        g_Log = &log;
        g_LastError.clear();
    }

    void TearDown() override
    {
        input.Shutdown();
        g_LogEnabled = false;
        g_Log = &std::clog;
        g_LastError.clear();
        backend::ClearMessageQueue();
        backend::DestroyWindow(window);
        backend::UnregisterWindowClass(INPUT_CLASS, nullptr);
    }

    void StartKeyboard()
    {
        ASSERT_TRUE(input.Init(nullptr));
        ASSERT_TRUE(input.CreateKeyboard(window));
    }

    void Focus(bool focused)
    {
        ASSERT_TRUE(backend::SimulateWindowEvent(window, focused ? backend::SimulatedWindowEvent::FocusGained
                                                                 : backend::SimulatedWindowEvent::FocusLost));
    }

    std::ostringstream log;
    backend::NativeWindow* window = nullptr;
    InputSystem input;
};

} // namespace

TEST_F(InputSystemTest, StartsAndStopsWithItsLogLines)
{
    g_LogEnabled = true;
    StartKeyboard();
    EXPECT_EQ(log.str(), "\nInitializing DirectInput8...\nCreating Keyboard device...\nSetting keyboard data "
                         "format...\nSetting keyboard cooperative level...\nAcquiring keyboard...");
    EXPECT_TRUE(g_LastError.empty());
    log.str("");
    input.Shutdown();
    EXPECT_EQ(log.str(), "\nUninitializing DirectInput8...");
    EXPECT_EQ(input.keyboard, nullptr);
    EXPECT_EQ(input.directInput, nullptr);
    EXPECT_FALSE(input.keyboardValid);
    EXPECT_FALSE(input.ReadKeyboard());
}

TEST_F(InputSystemTest, KeyboardFailuresAreReported)
{
    g_LogEnabled = true;
    EXPECT_FALSE(input.CreateKeyboard(window)); // no Init
    EXPECT_EQ(g_LastError, "Error initializing keyboard device!");
    EXPECT_EQ(log.str(), "\nCreating Keyboard device...FAILED");

    ASSERT_TRUE(input.Init(nullptr));
    EXPECT_FALSE(input.CreateKeyboard(nullptr)); // a foreground keyboard needs a window
    EXPECT_EQ(g_LastError, "Error setting keyboard's cooperative level!");
}

TEST_F(InputSystemTest, ReadsOnlyWithFocusAndKeepsKeysWhenReadingFails)
{
    StartKeyboard();
    std::memset(input.keys, 0x11, sizeof(input.keys));
    EXPECT_FALSE(input.ReadKeyboard());
    EXPECT_FALSE(input.keyboardValid);
    EXPECT_EQ(input.keys[backend::DIK_UP], 0x11);

    Focus(true);
    ASSERT_TRUE(backend::SimulateKey(window, backend::DIK_UP, true));
    EXPECT_TRUE(input.ReadKeyboard());
    EXPECT_TRUE(input.keyboardValid);
    for (int key = 0; key < 256; ++key)
        EXPECT_EQ(input.keys[key], key == backend::DIK_UP ? 0x80 : 0x00) << key;

    Focus(false);
    EXPECT_FALSE(input.ReadKeyboard());
    EXPECT_FALSE(input.keyboardValid);
    EXPECT_EQ(input.keys[backend::DIK_UP], 0x80); // stale: callers check keyboardValid

    // Back in focus the key that was held when the focus went is up.
    Focus(true);
    EXPECT_TRUE(input.ReadKeyboard());
    EXPECT_EQ(input.keys[backend::DIK_UP], 0x00);
}

TEST_F(InputSystemTest, LostReadAcquiresOnceAndReadsAgainInTheSameCall)
{
    StartKeyboard();
    Focus(true);
    ASSERT_TRUE(input.ReadKeyboard());
    backend::KeyboardDevice& keyboard = *input.keyboard;

    int acquires = keyboard.AcquireCount(), reads = keyboard.ReadCount();
    keyboard.FailNextRead(backend::DIERR_INPUTLOST);
    EXPECT_TRUE(input.ReadKeyboard());
    EXPECT_TRUE(input.keyboardValid);
    EXPECT_EQ(keyboard.AcquireCount() - acquires, 1);
    EXPECT_EQ(keyboard.ReadCount() - reads, 2);

    // Acquire fails: no second read, keys untouched.
    ASSERT_TRUE(backend::SimulateKey(window, backend::DIK_SPACE, true));
    acquires = keyboard.AcquireCount(), reads = keyboard.ReadCount();
    keyboard.FailNextRead(backend::DIERR_INPUTLOST);
    keyboard.FailNextAcquire(backend::DIERR_OTHERAPPHASPRIO);
    EXPECT_FALSE(input.ReadKeyboard());
    EXPECT_FALSE(input.keyboardValid);
    EXPECT_EQ(input.keys[backend::DIK_SPACE], 0x00);
    EXPECT_EQ(keyboard.AcquireCount() - acquires, 1);
    EXPECT_EQ(keyboard.ReadCount() - reads, 1);

    // The second read fails too.
    acquires = keyboard.AcquireCount(), reads = keyboard.ReadCount();
    keyboard.FailNextRead(backend::DIERR_INPUTLOST);
    keyboard.FailNextRead(backend::DIERR_NOTACQUIRED);
    EXPECT_FALSE(input.ReadKeyboard());
    EXPECT_FALSE(input.keyboardValid);
    EXPECT_EQ(keyboard.AcquireCount() - acquires, 1);
    EXPECT_EQ(keyboard.ReadCount() - reads, 2);

    EXPECT_TRUE(input.ReadKeyboard());
    EXPECT_EQ(input.keys[backend::DIK_SPACE], 0x80);
}

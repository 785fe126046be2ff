#include "backend/window/KeyboardDevice.h"

#include "backend/window/InputDriver.h"
#include "backend/window/InputSimulation.h"
#include "backend/window/KeyCodes.h"
#include "backend/window/ScancodeTable.h"
#include "backend/window/WindowTestSupport.h"

#include <SDL.h>

#include <cstring>
#include <memory>

namespace {

class Keyboard : public windowtest::TestWindow {
protected:
    void SetUp() override
    {
        TestWindow::SetUp();
        ASSERT_EQ(backend::InputDriver::Create(nullptr, backend::DIRECTINPUT_VERSION, driver), backend::DI_OK);
        ASSERT_EQ(driver->CreateKeyboard(keyboard), backend::DI_OK);
        ASSERT_EQ(keyboard->SetDataFormat(), backend::DI_OK);
        ASSERT_EQ(keyboard->SetCooperativeLevel(window, backend::DISCL_NONEXCLUSIVE | backend::DISCL_FOREGROUND),
                  backend::DI_OK);
    }

    void Focus(bool focused)
    {
        ASSERT_TRUE(backend::SimulateWindowEvent(window, focused ? backend::SimulatedWindowEvent::FocusGained
                                                                 : backend::SimulatedWindowEvent::FocusLost));
    }

    // Reads the keyboard into `state`.
    bool Read() { return keyboard->GetDeviceState(sizeof(state), state) == backend::DI_OK; }

    int CountDown() const
    {
        int down = 0;
        for (int i = 0; i < 256; ++i)
            down += (state[i] & 0x80) != 0;
        return down;
    }

    std::unique_ptr<backend::InputDriver> driver;
    std::unique_ptr<backend::KeyboardDevice> keyboard;
    uint8_t state[256] = {};
};

} // namespace

TEST(ScancodeTable, NamedKeysHaveTheirKeyNumbers)
{
    struct Case {
        SDL_Scancode scancode;
        uint8_t keyNumber;
    };
    const Case cases[] = {
        {SDL_SCANCODE_ESCAPE, 0x01},   {SDL_SCANCODE_BACKSPACE, 0x0E}, {SDL_SCANCODE_RETURN, 0x1C},
        {SDL_SCANCODE_KP_ENTER, 0x9C}, {SDL_SCANCODE_LCTRL, 0x1D},     {SDL_SCANCODE_RCTRL, 0x9D},
        {SDL_SCANCODE_SPACE, 0x39},    {SDL_SCANCODE_UP, 0xC8},        {SDL_SCANCODE_DOWN, 0xD0},
        {SDL_SCANCODE_LEFT, 0xCB},     {SDL_SCANCODE_RIGHT, 0xCD},     {SDL_SCANCODE_S, 0x1F},
        {SDL_SCANCODE_R, 0x13},        {SDL_SCANCODE_B, 0x30},         {SDL_SCANCODE_KP_8, 0x48},
        {SDL_SCANCODE_KP_4, 0x4B},     {SDL_SCANCODE_KP_DIVIDE, 0xB5}, {SDL_SCANCODE_RALT, 0xB8},
        {SDL_SCANCODE_DELETE, 0xD3},   {SDL_SCANCODE_F12, 0x58},       {SDL_SCANCODE_0, 0x0B},
    };
    for (const Case& c : cases)
        EXPECT_EQ(backend::ScancodeToKeyNumber(c.scancode), c.keyNumber) << SDL_GetScancodeName(c.scancode);
    EXPECT_EQ(backend::ScancodeToKeyNumber(SDL_SCANCODE_UNKNOWN), 0);
    EXPECT_EQ(backend::ScancodeToKeyNumber(-1), 0);
    EXPECT_EQ(backend::ScancodeToKeyNumber(SDL_NUM_SCANCODES), 0);
}

TEST(ScancodeTable, KeyNumbersAreDistinctAndRoundTrip)
{
    int mapped = 0;
    for (int keyNumber = 1; keyNumber < 256; ++keyNumber) {
        int scancode = backend::KeyNumberToScancode(uint8_t(keyNumber));
        if (scancode == 0)
            continue;
        ++mapped;
        EXPECT_EQ(backend::ScancodeToKeyNumber(scancode), keyNumber);
    }
    EXPECT_GE(mapped, 120); // the whole main block, keypad, navigation and function keys
}

TEST_F(Keyboard, PressedKeySetsExactlyItsByteWhileFocused)
{
    Focus(true);
    ASSERT_EQ(keyboard->Acquire(), backend::DI_OK);
    for (uint8_t key : {backend::DIK_UP, backend::DIK_RCONTROL, backend::DIK_NUMPADENTER, backend::DIK_S}) {
        ASSERT_TRUE(backend::SimulateKey(window, key, true));
        ASSERT_TRUE(Read());
        EXPECT_EQ(state[key], 0x80) << int(key);
        EXPECT_EQ(CountDown(), 1) << int(key);
        ASSERT_TRUE(backend::SimulateKey(window, key, false));
        ASSERT_TRUE(Read());
        EXPECT_EQ(CountDown(), 0);
    }
}

// A key that went down since the last read reads as down once even when it is
// already up again, unless the focus went in between.
TEST_F(Keyboard, TapBetweenTwoReadsIsSeenOnceUnlessTheFocusWent)
{
    Focus(true);
    ASSERT_EQ(keyboard->Acquire(), backend::DI_OK);
    ASSERT_TRUE(backend::SimulateKey(window, backend::DIK_LEFT, true));
    ASSERT_TRUE(backend::SimulateKey(window, backend::DIK_LEFT, false));
    ASSERT_TRUE(Read());
    EXPECT_EQ(state[backend::DIK_LEFT], 0x80);
    EXPECT_EQ(CountDown(), 1);
    ASSERT_TRUE(Read());
    EXPECT_EQ(CountDown(), 0);

    ASSERT_TRUE(backend::SimulateKey(window, backend::DIK_RIGHT, true));
    ASSERT_TRUE(backend::SimulateKey(window, backend::DIK_RIGHT, false));
    Focus(false);
    Focus(true);
    keyboard->Acquire();
    ASSERT_TRUE(Read());
    EXPECT_EQ(CountDown(), 0);
}

TEST_F(Keyboard, WithoutFocusTheDeviceIsLostAndHeldKeysAreForgotten)
{
    Focus(true);
    ASSERT_EQ(keyboard->Acquire(), backend::DI_OK);
    ASSERT_TRUE(backend::SimulateKey(window, backend::DIK_LEFT, true));
    Focus(false);

    std::memset(state, 0x55, sizeof(state));
    EXPECT_EQ(keyboard->GetDeviceState(sizeof(state), state), backend::DIERR_INPUTLOST);
    EXPECT_EQ(state[0], 0x55); // untouched
    EXPECT_EQ(keyboard->GetDeviceState(sizeof(state), state), backend::DIERR_NOTACQUIRED);
    EXPECT_EQ(keyboard->Acquire(), backend::DIERR_OTHERAPPHASPRIO);
    // At the background level a keyboard reads without the focus.
    auto background = std::make_unique<backend::KeyboardDevice>();
    ASSERT_EQ(background->SetDataFormat(), backend::DI_OK);
    ASSERT_EQ(background->SetCooperativeLevel(window, backend::DISCL_NONEXCLUSIVE | backend::DISCL_BACKGROUND),
              backend::DI_OK);
    ASSERT_EQ(background->Acquire(), backend::DI_OK);
    EXPECT_EQ(background->GetDeviceState(sizeof(state), state), backend::DI_OK);

    Focus(true);
    ASSERT_EQ(keyboard->Acquire(), backend::DI_OK);
    EXPECT_EQ(keyboard->Acquire(), backend::DI_NOEFFECT);
    ASSERT_TRUE(Read());
    EXPECT_EQ(CountDown(), 0);
}

TEST_F(Keyboard, BadUseIsRefused)
{
    auto fresh = std::make_unique<backend::KeyboardDevice>();
    EXPECT_EQ(fresh->Acquire(), backend::DIERR_INVALIDPARAM); // no data format
    EXPECT_EQ(fresh->SetCooperativeLevel(nullptr, backend::DISCL_NONEXCLUSIVE | backend::DISCL_FOREGROUND),
              backend::DIERR_INVALIDPARAM);
    EXPECT_EQ(fresh->SetCooperativeLevel(window, backend::DISCL_EXCLUSIVE | backend::DISCL_NONEXCLUSIVE |
                                                     backend::DISCL_FOREGROUND),
              backend::DIERR_INVALIDPARAM);
    uint8_t small[16];
    EXPECT_EQ(keyboard->GetDeviceState(sizeof(small), small), backend::DIERR_INVALIDPARAM);
    EXPECT_EQ(keyboard->GetDeviceState(256, nullptr), backend::DIERR_INVALIDPARAM);

    std::unique_ptr<backend::InputDriver> old;
    EXPECT_EQ(backend::InputDriver::Create(nullptr, 0x0700, old), backend::DIERR_OLDDIRECTINPUTVERSION);
    EXPECT_EQ(old, nullptr);
}

TEST_F(Keyboard, KeyboardOfADestroyedWindowIsLostNotBroken)
{
    Focus(true);
    ASSERT_EQ(keyboard->Acquire(), backend::DI_OK);
    backend::ClearMessageQueue();
    ASSERT_TRUE(backend::DestroyWindow(window));
    backend::NativeWindow* gone = window;
    window = nullptr;
    EXPECT_EQ(keyboard->GetDeviceState(sizeof(state), state), backend::DIERR_INPUTLOST);
    EXPECT_EQ(keyboard->Acquire(), backend::DIERR_OTHERAPPHASPRIO);
    EXPECT_FALSE(backend::WindowHasFocus(gone));
    EXPECT_EQ(backend::GetWindowGeometry(gone).width, 0);
}

#pragma once
// The keyboard, polled once per frame into a 256-byte state indexed by key
// number (backend/window/KeyCodes.h); bit 7 set means the key is down.

#include "backend/window/InputDriver.h"
#include "backend/window/KeyboardDevice.h"
#include "backend/window/NativeWindow.h"
#include "backend/window/WindowTypes.h"

#include <cstdint>
#include <memory>

class InputSystem {
public:
    bool Init(backend::InstanceHandle hInstance);
    // The system keyboard, shared with other programs, read only while the
    // window has the focus.
    bool CreateKeyboard(backend::NativeWindow* hWnd);
    // Reads the state into `keys`; on failure `keys` keeps what it held and
    // keyboardValid is false.
    bool ReadKeyboard();
    void Shutdown();

    std::unique_ptr<backend::InputDriver> directInput;
    std::unique_ptr<backend::KeyboardDevice> keyboard;
    uint8_t keys[256] = {};
    bool keyboardValid = false;
};

extern InputSystem g_InputSystem;

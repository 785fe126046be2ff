#include "engine/platform/InputSystem.h"

#include "engine/platform/Log.h"

InputSystem g_InputSystem;

bool InputSystem::Init(backend::InstanceHandle hInstance)
{
    LogMessage("\nInitializing DirectInput8...");
    if (backend::InputDriver::Create(hInstance, backend::DIRECTINPUT_VERSION, directInput) != backend::DI_OK)
        return ReportError("Error initializing DirectInput8!");
    return true;
}

bool InputSystem::CreateKeyboard(backend::NativeWindow* hWnd)
{
    LogMessage("\nCreating Keyboard device...");
    if (!directInput || directInput->CreateKeyboard(keyboard) != backend::DI_OK)
        return ReportError("Error initializing keyboard device!");

    LogMessage("\nSetting keyboard data format...");
    if (keyboard->SetDataFormat() != backend::DI_OK)
        return ReportError("Error setting keyboard data format!");

    LogMessage("\nSetting keyboard cooperative level...");
    if (keyboard->SetCooperativeLevel(hWnd, backend::DISCL_NONEXCLUSIVE | backend::DISCL_FOREGROUND) != backend::DI_OK)
        return ReportError("Error setting keyboard's cooperative level!");

    // The window may not have the focus yet; reads acquire it again.
    LogMessage("\nAcquiring keyboard...");
    keyboard->Acquire();
    return true;
}

bool InputSystem::ReadKeyboard()
{
    if (!keyboard) {
        keyboardValid = false;
        return false;
    }
    if (keyboard->GetDeviceState(sizeof(keys), keys) != backend::DI_OK) {
        if (keyboard->Acquire() != backend::DI_OK) {
            keyboardValid = false;
            return false;
        }
        if (keyboard->GetDeviceState(sizeof(keys), keys) < 0) {
            keyboardValid = false;
            return false;
        }
    }
    keyboardValid = true;
    return true;
}

void InputSystem::Shutdown()
{
    LogMessage("\nUninitializing DirectInput8...");
    keyboardValid = false;
    if (keyboard) {
        keyboard->Unacquire();
        keyboard.reset();
    }
    directInput.reset();
}

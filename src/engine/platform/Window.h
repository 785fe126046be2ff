#pragma once
// The game's one top-level window, the guard against a second running copy,
// and the window procedure that keeps the last typed character.

#include "backend/window/NativeWindow.h"
#include "backend/window/WindowTypes.h"

#include <cstdint>

class Window {
public:
    // Takes the single-instance lock of `name` for the process's life. When
    // another copy holds it and its window exists, that window is activated
    // and the result is false: start-up ends quietly.
    bool CheckSingleInstance(const char* name);
    // A second search after the launcher: true (start-up ends) when another
    // copy's window has appeared meanwhile; it is activated.
    bool ActivateExistingWindow();
    // width and height are the outer size: 800 x 600 windowed, else the display
    // mode's size (full screen, no frame).
    bool Create(backend::InstanceHandle hInstance, int showCommand, int iconName, int cursorName, const char* menuName,
                int width, int height, bool windowed, backend::WindowProcedure windowProc);
    void ShowMouseCursor();
    void Destroy();

    backend::InstanceHandle hInstance = nullptr;
    backend::NativeWindow* hWnd = nullptr;
    backend::WindowClass windowClass{};
    // Class name, window title and lock name; at most 63 characters.
    char name[64] = {};
    bool created = false;
};

extern Window g_Window;

// The character of the last WM_CHAR message; 0 when the last message handled
// was another one. The text-entry screens poll it.
extern uint8_t g_LastTypedChar;

intptr_t WindowProc(backend::NativeWindow* hWnd, uint32_t message, uintptr_t wParam, intptr_t lParam);

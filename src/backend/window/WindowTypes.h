#pragma once
// The window service in the shape the game was written for: window classes, a
// window procedure and a message queue, with the Windows numbers for the
// messages, styles and show commands that the game passes around.

#include <cstdint>

namespace backend {

struct NativeWindow;

// The program instance that classes and windows are registered with; nothing
// on Linux looks at it.
using InstanceHandle = void*;

// A window procedure: receives every message dispatched to its window.
using WindowProcedure = intptr_t (*)(NativeWindow* window, uint32_t message, uintptr_t wParam, intptr_t lParam);

// One message as PeekMessage removes it from the queue.
struct Message {
    NativeWindow* window = nullptr;
    uint32_t message = 0;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
    uint32_t time = 0;
};

// A registered window class: what CreateWindow builds its windows from.
struct WindowClass {
    uint32_t size = sizeof(WindowClass);
    uint32_t style = 0;
    WindowProcedure procedure = nullptr;
    int classExtraBytes = 0;
    int windowExtraBytes = 0;
    InstanceHandle instance = nullptr;
    int iconId = 0;
    int cursorId = 0;
    const char* menuName = nullptr;
    const char* className = nullptr;
    int smallIconId = 0;
};

// Messages.
constexpr uint32_t WM_NULL = 0x0000;
constexpr uint32_t WM_DESTROY = 0x0002;
constexpr uint32_t WM_SIZE = 0x0005;
constexpr uint32_t WM_SETFOCUS = 0x0007;
constexpr uint32_t WM_KILLFOCUS = 0x0008;
constexpr uint32_t WM_PAINT = 0x000F;
constexpr uint32_t WM_CLOSE = 0x0010;
constexpr uint32_t WM_QUIT = 0x0012;
constexpr uint32_t WM_SHOWWINDOW = 0x0018;
constexpr uint32_t WM_KEYDOWN = 0x0100;
constexpr uint32_t WM_KEYUP = 0x0101;
constexpr uint32_t WM_CHAR = 0x0102;

// wParam of WM_SIZE.
constexpr uintptr_t SIZE_RESTORED = 0;
constexpr uintptr_t SIZE_MINIMIZED = 1;

// Class styles.
constexpr uint32_t CS_VREDRAW = 0x0001;
constexpr uint32_t CS_HREDRAW = 0x0002;

// Window styles. A WS_POPUP window covers the display mode's size, full screen.
constexpr uint32_t WS_POPUP = 0x80000000u;
constexpr uint32_t WS_VISIBLE = 0x10000000u;
constexpr uint32_t WS_SYSMENU = 0x00080000u;
constexpr uint32_t WS_MINIMIZEBOX = 0x00020000u;

// Show commands.
constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOWMINIMIZED = 2;
constexpr int SW_SHOWMAXIMIZED = 3;
constexpr int SW_SHOW = 5;
constexpr int SW_MINIMIZE = 6;
constexpr int SW_RESTORE = 9;
constexpr int SW_SHOWDEFAULT = 10;

// Virtual key numbers carried by WM_KEYDOWN and WM_KEYUP; letters and digits
// are their upper-case ASCII codes.
constexpr uint32_t VK_BACK = 0x08;
constexpr uint32_t VK_TAB = 0x09;
constexpr uint32_t VK_RETURN = 0x0D;
constexpr uint32_t VK_ESCAPE = 0x1B;
constexpr uint32_t VK_SPACE = 0x20;
constexpr uint32_t VK_LEFT = 0x25;
constexpr uint32_t VK_UP = 0x26;
constexpr uint32_t VK_RIGHT = 0x27;
constexpr uint32_t VK_DOWN = 0x28;

// The standard arrow cursor.
constexpr int IDC_ARROW = 32512;

// Message box style: one OK button.
constexpr uint32_t MB_OK = 0x00000000u;

} // namespace backend

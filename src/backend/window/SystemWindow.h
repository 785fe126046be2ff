#pragma once
// Top-level windows on SDL2: classes, creation with an outer size, showing,
// activation, focus and minimise state, and the mouse cursor.
//
// Events reach the game only through PeekMessage (MessageQueue.h); nothing
// else may take events off the SDL queue. Focus, minimise and key states are
// kept up to date as SDL receives its events, so the queries below answer
// correctly however many messages the game has removed.

#include "backend/window/NativeWindow.h"
#include "backend/window/WindowTypes.h"

namespace backend {

// Registers a class by name; false when the name has no text or is taken.
bool RegisterWindowClass(const WindowClass& windowClass);
bool UnregisterWindowClass(const char* className, InstanceHandle instance);

// Creates a window of a registered class. width and height are the outer size
// (frame and title bar included) when the system reports its frame sizes. With
// WS_POPUP the window is full screen at the display mode closest to the size.
// Also makes the window findable by FindWindow (InstanceGuard.h) under its
// class name. Null on failure.
NativeWindow* CreateWindow(const char* className, const char* title, uint32_t style, int x, int y, int width,
                           int height, InstanceHandle instance);
// Destroys a window made by CreateWindow; false for an unknown window.
bool DestroyWindow(NativeWindow* window);

bool ShowWindow(NativeWindow* window, int showCommand);
// Shows the window in its normal size, brings it to the front and gives it the
// keyboard focus.
void ActivateWindow(NativeWindow* window);

// False once the window was closed (WM_DESTROY sent) or destroyed. These
// queries answer false (or zeros) for windows this service did not make or
// has destroyed.
bool IsWindowAlive(const NativeWindow* window);
bool WindowHasFocus(const NativeWindow* window);
bool WindowIsMinimized(const NativeWindow* window);

struct WindowGeometry {
    int x = 0;
    int y = 0;
    int width = 0; // outer size
    int height = 0;
    int clientWidth = 0;
    int clientHeight = 0;
};
WindowGeometry GetWindowGeometry(const NativeWindow* window);

// The cursor display counter: the cursor shows while it is 0 or more. Starts
// at 0; returns the new count.
int ShowCursor(bool show);
bool IsCursorShown();

} // namespace backend

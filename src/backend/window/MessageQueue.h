#pragma once
// The message queue of the game's thread: SDL events become window messages
// (key presses, typed characters, focus, close), posted messages wait in
// order, and the game removes one message at a time.

#include "backend/window/WindowTypes.h"

namespace backend {

// Removes the next message, if any, without waiting. Order: posted messages,
// then the quit message, then the events from the system. Typed text comes as
// one WM_CHAR per character: ASCII as is, other Latin-1 characters as their
// byte, anything else dropped. Also serves activation requests from other
// copies of the game (InstanceGuard.h).
bool PeekMessage(Message& message);

// For a key-down of Backspace, Tab, Enter or Escape posts the WM_CHAR (8, 9,
// 13, 27) that follows it; other keys bring their characters as text. True
// when a character was posted.
bool TranslateMessage(const Message& message);

// Calls the window procedure of the message's window; 0 when the window has
// none, is unknown or was closed.
intptr_t DispatchMessage(const Message& message);

// The default handling: WM_CLOSE closes the window, sending it WM_DESTROY.
// The window itself stays until DestroyWindow (the device is bound to it).
intptr_t DefWindowProc(NativeWindow* window, uint32_t message, uintptr_t wParam, intptr_t lParam);

bool PostMessage(NativeWindow* window, uint32_t message, uintptr_t wParam, intptr_t lParam);
// Makes PeekMessage return WM_QUIT with wParam exitCode once the posted
// messages are gone.
void PostQuitMessage(int exitCode);

// Drops every waiting message and the quit request; for tests.
void ClearMessageQueue();

} // namespace backend

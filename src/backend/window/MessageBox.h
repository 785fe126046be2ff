#pragma once
// A modal message box with an OK button. The text always goes to stderr as
// well; the box itself is only shown when there is a display to show it on,
// so headless runs never wait for a click. When SDL cannot show its box, the
// fallback set here (a toolkit's box) is asked instead.

#include "backend/window/NativeWindow.h"

#include <cstdint>
#include <functional>

namespace backend {

// Returns true when a box was shown (or the hook took it).
bool ShowMessageBox(NativeWindow* owner, const char* text, const char* caption, uint32_t style);

// Shows the box itself and returns true when it did.
using MessageBoxFallback = bool (*)(const char* text, const char* caption);
void SetMessageBoxFallback(MessageBoxFallback fallback);

// Tests: replaces the box (and the stderr line) while set; empty to restore.
using MessageBoxHook = std::function<void(NativeWindow* owner, const char* text, const char* caption)>;
void SetMessageBoxHook(MessageBoxHook hook);

} // namespace backend

#pragma once
// Tests: events made to look as if they came from the system. They go onto
// SDL's queue and through the same paths as real ones (key state, focus,
// messages). A window must exist, since SDL's event queue lives with it.

#include "backend/window/NativeWindow.h"

#include <cstdint>

namespace backend {

enum class SimulatedWindowEvent { FocusGained, FocusLost, Minimized, Restored, Close };

// A key press or release of a key number (KeyCodes.h) in `window`.
bool SimulateKey(NativeWindow* window, uint8_t keyNumber, bool down, bool repeat = false);
// Typed text (UTF-8, at most 31 bytes) in `window`.
bool SimulateText(NativeWindow* window, const char* utf8);
bool SimulateWindowEvent(NativeWindow* window, SimulatedWindowEvent event);
// The system asks the program to end.
bool SimulateQuit();
// Any event the game has no message for.
bool SimulateOtherEvent();

} // namespace backend

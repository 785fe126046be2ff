#pragma once
// Internal to the window service: what it keeps about each window it made,
// shared by window creation, the message queue and the keyboard.

#include "backend/window/NativeWindow.h"
#include "backend/window/WindowTypes.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace backend {

struct WindowRecord {
    NativeWindow native;
    std::string className;
    WindowProcedure procedure = nullptr;
    uint32_t sdlWindowId = 0;
    std::atomic<bool> focused{false};
    std::atomic<bool> minimized{false};
    // Set when WM_DESTROY was sent: the window takes no more messages.
    bool closed = false;
};

// Null for windows this service did not make.
WindowRecord* FindWindowRecord(const NativeWindow* window);
WindowRecord* FindWindowRecordById(uint32_t sdlWindowId);
// The first window that has not been closed, or null.
WindowRecord* FirstLiveWindowRecord();
bool AnyWindowRecord();

} // namespace backend

#pragma once
// The single-instance guard: a lock that only one running copy of the game
// can hold (a lock file in $XDG_RUNTIME_DIR, else /tmp), and a way for a
// second copy to find the first copy's window and ask it to come to the
// front (an abstract Unix socket on which each window of a class listens,
// named after the class, the user and the lock folder).

#include "backend/window/NativeWindow.h"

#include <string>

namespace backend {

// Tests give every run its own names, so that parallel runs don't meet.
// The scope is appended to every lock and window name.
void SetInstanceScope(const std::string& scope);

// Takes the lock of `name` for the rest of the process's life. True when this
// call took it; false when another holder has it, or it cannot be made.
bool CreateInstanceLock(const char* name);

// A window of another (or this) running copy, found by its class name.
class RunningWindow {
public:
    RunningWindow() = default;
    explicit RunningWindow(int socket) : socket_(socket) {}
    RunningWindow(RunningWindow&& other) noexcept;
    RunningWindow& operator=(RunningWindow&& other) noexcept;
    RunningWindow(const RunningWindow&) = delete;
    RunningWindow& operator=(const RunningWindow&) = delete;
    ~RunningWindow();

    explicit operator bool() const { return socket_ >= 0; }
    // Asks the window to show itself, come to the front and take the focus.
    bool Activate();

private:
    int socket_ = -1;
};

// Only a listener of this user counts: another user's on the same name is no window.
RunningWindow FindWindow(const char* className);

// The abstract socket name, without its leading zero byte, on which a window
// of the class listens.
std::string ActivationAddress(const char* className);

// How many activation requests this process's windows have received.
int ActivationRequestCount();

// Used by the window service: a window starts and stops listening for
// activation requests, and the message queue serves them. A window whose name
// is taken says so on stderr and cannot be activated.
void StartActivationListener(NativeWindow* window, const std::string& className);
void StopActivationListener(NativeWindow* window);
void ServeActivationRequests();

} // namespace backend

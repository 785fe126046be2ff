#pragma once
// The system keyboard as the game polls it: a 256-byte state indexed by key
// number (KeyCodes.h), bit 7 set for a key that is down. With a foreground
// cooperative level the device can only be acquired, and read, while its
// window has the focus; losing the focus loses the device.

#include "backend/window/InputResult.h"
#include "backend/window/NativeWindow.h"

#include <cstdint>
#include <deque>

namespace backend {

class KeyboardDevice {
public:
    static constexpr uint32_t STATE_SIZE = 256;

    // Selects the standard keyboard format (256 bytes); reads need it.
    InputResult SetDataFormat();
    InputResult SetCooperativeLevel(NativeWindow* window, uint32_t flags);
    InputResult Acquire();
    InputResult Unacquire();
    // Fills `data` (size must be 256) with the current key state; fails
    // without touching it when the device is not acquired or was lost.
    InputResult GetDeviceState(uint32_t size, void* data);

    // Fault injection and counters for tests: the next reads or acquires give
    // the queued results (a failed read also unacquires the device, as a real
    // loss does).
    void FailNextRead(InputResult result) { readFailures_.push_back(result); }
    void FailNextAcquire(InputResult result) { acquireFailures_.push_back(result); }
    int AcquireCount() const { return acquireCount_; }
    int ReadCount() const { return readCount_; }

private:
    bool ForegroundWithoutFocus() const;

    NativeWindow* window_ = nullptr;
    uint32_t cooperativeLevel_ = DISCL_NONEXCLUSIVE | DISCL_BACKGROUND;
    bool formatSet_ = false;
    bool acquired_ = false;
    std::deque<InputResult> readFailures_;
    std::deque<InputResult> acquireFailures_;
    int acquireCount_ = 0;
    int readCount_ = 0;
};

} // namespace backend

#pragma once
// The program's entry and its main loop.

#include "backend/window/WindowTypes.h"
#include "engine/platform/Timer.h"

constexpr float FRAME_SECONDS = 0.016f;

enum DeviceCheck { DEVICE_READY = 0, DEVICE_LOST = 1, DEVICE_RESET_FAILED = 2 };

// Start-up, the loop until the game quits, the window closes or a device reset
// fails, then shut-down. Returns the program's exit code.
int RunGame(backend::InstanceHandle instance, int showCommand);
// One turn of the loop: at most one window message, the device test, the
// three frame functions, the present, and the wait for the frame budget.
// `lastMessage` keeps the last message removed.
enum LoopTurn { TURN_GO_ON, TURN_QUIT, TURN_RESET_FAILED };
LoopTurn RunLoopTurn(Timer& frameTimer, backend::Message& lastMessage);
// Tests the device and resets it when it can be reset.
DeviceCheck CheckDevice();
// Releases every device object, resets the device and restores them all.
bool ResetDevice();

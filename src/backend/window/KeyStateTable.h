#pragma once
// Internal to the window service: which keys are down, by key number, as the
// SDL events report them. Kept up to date as SDL receives its events, and
// emptied when the game window loses the focus.

#include <cstdint>

namespace backend {

void SetKeyState(uint8_t keyNumber, bool down);
void ClearKeyStates();
// 256 bytes, bit 7 set for a key that is down or went down since the last copy
// (so a tap between two copies is seen once).
void CopyKeyStates(uint8_t* out);

} // namespace backend

#pragma once
// The mapping from SDL's scan codes (USB usage numbers) to the game's key
// numbers (KeyCodes.h).

#include <cstdint>

namespace backend {

// 0 for a scan code the game has no number for.
uint8_t ScancodeToKeyNumber(int sdlScancode);
// The SDL scan code of a key number; 0 (unknown) when there is none.
int KeyNumberToScancode(uint8_t keyNumber);

} // namespace backend

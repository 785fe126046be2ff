#pragma once
// Asks the GL driver for its largest anisotropy through a device on a hidden
// window, before the game window exists.

#include <cstdint>

namespace backend {

// 0 when no GL device could be made.
uint32_t ProbeMaxAnisotropy();

} // namespace backend

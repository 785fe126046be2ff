#pragma once
// Results of the keyboard input service, with the numbers the game knows
// them by: 0 for success, negative for failures.

#include <cstdint>

namespace backend {

using InputResult = int32_t;

constexpr InputResult DI_OK = 0;
// Acquire of a device that is already acquired.
constexpr InputResult DI_NOEFFECT = 1;
constexpr InputResult DIERR_OTHERAPPHASPRIO = int32_t(0x80070005u);
constexpr InputResult DIERR_NOTACQUIRED = int32_t(0x8007000Cu);
constexpr InputResult DIERR_INPUTLOST = int32_t(0x8007001Eu);
constexpr InputResult DIERR_INVALIDPARAM = int32_t(0x80070057u);
constexpr InputResult DIERR_OLDDIRECTINPUTVERSION = int32_t(0x8007047Eu);

// The interface version the game asks for.
constexpr uint32_t DIRECTINPUT_VERSION = 0x0800;

// Cooperative levels.
constexpr uint32_t DISCL_EXCLUSIVE = 0x1;
constexpr uint32_t DISCL_NONEXCLUSIVE = 0x2;
constexpr uint32_t DISCL_FOREGROUND = 0x4;
constexpr uint32_t DISCL_BACKGROUND = 0x8;

} // namespace backend

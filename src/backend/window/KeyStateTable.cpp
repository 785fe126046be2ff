#include "backend/window/KeyStateTable.h"

#include <cstring>
#include <mutex>

namespace backend {

namespace {

constexpr uint8_t KEY_DOWN = 0x80;
// The key went down since the last copy: a tap released before the next read
// still reads as down once.
constexpr uint8_t KEY_PRESSED_SINCE_COPY = 0x01;

std::mutex g_KeyStateMutex;
uint8_t g_KeyStates[256] = {};

} // namespace

void SetKeyState(uint8_t keyNumber, bool down)
{
    std::lock_guard lock(g_KeyStateMutex);
    uint8_t& state = g_KeyStates[keyNumber];
    state = uint8_t(down ? KEY_DOWN | KEY_PRESSED_SINCE_COPY : state & KEY_PRESSED_SINCE_COPY);
}

void ClearKeyStates()
{
    std::lock_guard lock(g_KeyStateMutex);
    std::memset(g_KeyStates, 0, sizeof(g_KeyStates));
}

void CopyKeyStates(uint8_t* out)
{
    std::lock_guard lock(g_KeyStateMutex);
    for (size_t key = 0; key < sizeof(g_KeyStates); ++key) {
        out[key] = g_KeyStates[key] != 0 ? KEY_DOWN : 0;
        g_KeyStates[key] &= KEY_DOWN;
    }
}

} // namespace backend

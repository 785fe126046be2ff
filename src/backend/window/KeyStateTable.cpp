#include "backend/window/KeyStateTable.h"

#include <cstring>
#include <mutex>

namespace backend {

namespace {

std::mutex g_KeyStateMutex;
uint8_t g_KeyStates[256] = {};
// Keys that went down since the last copy: a tap released before the next
// read still reads as down once.
bool g_PressedSinceCopy[256] = {};

} // namespace

void SetKeyState(uint8_t keyNumber, bool down)
{
    std::lock_guard lock(g_KeyStateMutex);
    g_KeyStates[keyNumber] = down ? 0x80 : 0x00;
    if (down)
        g_PressedSinceCopy[keyNumber] = true;
}

void ClearKeyStates()
{
    std::lock_guard lock(g_KeyStateMutex);
    std::memset(g_KeyStates, 0, sizeof(g_KeyStates));
    std::memset(g_PressedSinceCopy, 0, sizeof(g_PressedSinceCopy));
}

void CopyKeyStates(uint8_t* out)
{
    std::lock_guard lock(g_KeyStateMutex);
    for (size_t key = 0; key < sizeof(g_KeyStates); ++key) {
        out[key] = g_PressedSinceCopy[key] ? uint8_t(0x80) : g_KeyStates[key];
        g_PressedSinceCopy[key] = false;
    }
}

} // namespace backend

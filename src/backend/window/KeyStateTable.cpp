#include "backend/window/KeyStateTable.h"

#include <cstring>
#include <mutex>

namespace backend {

namespace {

std::mutex g_KeyStateMutex;
uint8_t g_KeyStates[256] = {};

} // namespace

void SetKeyState(uint8_t keyNumber, bool down)
{
    std::lock_guard lock(g_KeyStateMutex);
    g_KeyStates[keyNumber] = down ? 0x80 : 0x00;
}

void ClearKeyStates()
{
    std::lock_guard lock(g_KeyStateMutex);
    std::memset(g_KeyStates, 0, sizeof(g_KeyStates));
}

void CopyKeyStates(uint8_t* out)
{
    std::lock_guard lock(g_KeyStateMutex);
    std::memcpy(out, g_KeyStates, sizeof(g_KeyStates));
}

} // namespace backend

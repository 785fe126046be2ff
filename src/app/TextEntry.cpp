#include "app/TextEntry.h"

#include "engine/platform/KeyRepeatTable.h"
#include "engine/platform/Window.h"

#include <cstring>

bool IsNameCharacter(uint8_t c)
{
    return (c >= 32 && c <= 126) || c >= 160;
}

bool IsAddressCharacter(uint8_t c)
{
    return (c >= '0' && c <= '9') || c == '.';
}

void UpdateTextEntry(char* text, size_t maxLength, bool address)
{
    const uint8_t c = g_LastTypedChar;
    size_t length = std::strlen(text);
    if (c == 8) {
        if (g_KeyRepeat.KeyDown(KEY_BACKSPACE) && length > 0)
            text[length - 1] = '\0';
        g_KeyRepeat.KeyUp(KEY_CHARACTER);
        return;
    }
    g_KeyRepeat.KeyUp(KEY_BACKSPACE);
    const bool accepted = address ? IsAddressCharacter(c) : IsNameCharacter(c);
    if (!accepted) {
        g_KeyRepeat.KeyUp(KEY_CHARACTER);
        return;
    }
    if (g_KeyRepeat.KeyDown(KEY_CHARACTER) && length < maxLength) {
        text[length] = char(c);
        text[length + 1] = '\0';
    }
}

#pragma once
// Typing into a name or an address: the last typed character, gated by the
// key-repeat entries of backspace (6) and of characters (7).

#include <cstddef>
#include <cstdint>

constexpr int KEY_BACKSPACE = 6;
constexpr int KEY_CHARACTER = 7;
constexpr size_t NAME_MAX_LENGTH = 19;
constexpr size_t ADDRESS_MAX_LENGTH = 15;

// Printable characters only: 32-126 and the Latin-1 letters and signs 160-255.
bool IsNameCharacter(uint8_t c);
// Digits and '.'.
bool IsAddressCharacter(uint8_t c);
// Applies g_LastTypedChar to `text` (zero-terminated, at most maxLength characters).
void UpdateTextEntry(char* text, size_t maxLength, bool address);

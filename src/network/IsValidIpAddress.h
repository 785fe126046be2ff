#pragma once
// The check of a typed host address: four numbers of 0..255, each written in
// decimal, octal (leading 0) or hex (leading 0x), between three dots. What
// follows the fourth number is not looked at.

bool IsValidIpAddress(const char* text);

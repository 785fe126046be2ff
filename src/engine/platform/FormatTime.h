#pragma once
// The text form of a race time: minutes, seconds and a decimal fraction.

#include <cstdint>
#include <string>

// Writes "MM<separator1>SS" and, when fractionDigits is above 0 (3 at most),
// "<separator2>" and that many leading digits of the milliseconds. Minutes have
// at least two digits.
void FormatTime(std::string* out, uint32_t ms, int32_t fractionDigits, char separator1, char separator2);

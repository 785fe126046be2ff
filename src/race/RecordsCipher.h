#pragma once
// The keyed byte cipher of the best-time files: each byte is shifted by the key
// letter at its position in the file, the key repeating every 20 bytes.

#include <cstddef>
#include <cstdint>

constexpr size_t RECORDS_KEY_LENGTH = 20;
extern const uint8_t RECORDS_KEY[RECORDS_KEY_LENGTH];

// In place; `position` is the file offset of data[0].
void EncipherRecords(uint8_t* data, size_t size, size_t position = 0);
void DecipherRecords(uint8_t* data, size_t size, size_t position = 0);

#include "race/RecordsCipher.h"

const uint8_t RECORDS_KEY[RECORDS_KEY_LENGTH] = {'Q', 'W', 'O', 'P', 'L', 'K', 'A', 'V', 'E', 'N',
                                                 'T', 'R', 'U', 'S', 'D', 'I', 'M', 'B', 'O', 'H'};

void EncipherRecords(uint8_t* data, size_t size, size_t position)
{
    for (size_t i = 0; i < size; ++i)
        data[i] = static_cast<uint8_t>(data[i] + RECORDS_KEY[(position + i) % RECORDS_KEY_LENGTH]);
}

void DecipherRecords(uint8_t* data, size_t size, size_t position)
{
    for (size_t i = 0; i < size; ++i)
        data[i] = static_cast<uint8_t>(data[i] - RECORDS_KEY[(position + i) % RECORDS_KEY_LENGTH]);
}

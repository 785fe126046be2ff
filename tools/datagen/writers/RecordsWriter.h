#pragma once
// "Records.bt" best-time tables: "name TAB time LF" lines, enciphered with the
// game's records cipher.

#include <cstdint>
#include <string>
#include <vector>

namespace datagen {

struct RecordRow {
    std::string name;
    uint32_t timeMs = 0;
};

// The plain text of the rows, before enciphering.
std::string RecordsPlainText(const std::vector<RecordRow>& rows);
// Any plain text (also broken lines) enciphered as the file stores it.
std::vector<uint8_t> EncipherRecordsText(const std::string& plain);
std::vector<uint8_t> EncodeRecords(const std::vector<RecordRow>& rows);
bool WriteRecords(const std::string& path, const std::vector<RecordRow>& rows);

} // namespace datagen

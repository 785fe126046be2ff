#include "datagen/writers/RecordsWriter.h"

#include "datagen/writers/FileWriter.h"
#include "race/RecordsCipher.h"

namespace datagen {

std::string RecordsPlainText(const std::vector<RecordRow>& rows)
{
    std::string plain;
    for (const RecordRow& row : rows)
        plain += row.name + '\t' + std::to_string(row.timeMs) + '\n';
    return plain;
}

std::vector<uint8_t> EncipherRecordsText(const std::string& plain)
{
    std::vector<uint8_t> bytes(plain.begin(), plain.end());
    EncipherRecords(bytes.data(), bytes.size());
    return bytes;
}

std::vector<uint8_t> EncodeRecords(const std::vector<RecordRow>& rows)
{
    return EncipherRecordsText(RecordsPlainText(rows));
}

bool WriteRecords(const std::string& path, const std::vector<RecordRow>& rows)
{
    return WriteFileBytes(path, EncodeRecords(rows));
}

} // namespace datagen

#include "race/RecordsFile.h"

#include "backend/files/Files.h"
#include "engine/platform/Log.h"
#include "race/RecordsCipher.h"

#include <cstdio>
#include <cstring>
#include <istream>
#include <ostream>
#include <sstream>
#include <string>

namespace {

constexpr size_t CHUNK_SIZE = 4096;
constexpr int MAX_NAME_LENGTH = RACE_RECORD_NAME_SIZE - 1;

// Closes the file on every path out.
struct FileCloser {
    FILE* file;
    ~FileCloser()
    {
        if (file)
            std::fclose(file);
    }
};

// Reads one row from `text` at `at`: a name of up to 19 bytes, a TAB, an
// unsigned decimal time that fits 32 bits, then a line end or the end of the
// text. False when the line does not read that way.
bool ParseRow(const std::string& text, size_t& at, RaceRecord& record)
{
    const size_t tab = text.find('\t', at);
    const size_t lineEnd = text.find('\n', at);
    if (tab == std::string::npos || (lineEnd != std::string::npos && lineEnd < tab))
        return false;
    const size_t nameLength = tab - at;
    if (nameLength > size_t(MAX_NAME_LENGTH) || std::memchr(text.data() + at, '\0', nameLength))
        return false;

    size_t pos = tab + 1;
    uint64_t time = 0;
    size_t digits = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
        time = time * 10 + uint64_t(text[pos] - '0');
        if (time > UINT32_MAX)
            return false;
        ++pos;
        ++digits;
    }
    if (digits == 0)
        return false;
    // The line ends here: LF (CR LF tolerated) or the end of the text.
    if (pos < text.size() && text[pos] == '\r')
        ++pos;
    if (pos < text.size() && text[pos] != '\n')
        return false;

    record = RaceRecord();
    std::memcpy(record.name, text.data() + at, nameLength);
    record.time = uint32_t(time);
    at = pos;
    return true;
}

// Where the line holding `at` ends: past its LF, or the end of the text.
size_t SkipLine(const std::string& text, size_t at)
{
    const size_t lineEnd = text.find('\n', at);
    return lineEnd == std::string::npos ? text.size() : lineEnd + 1;
}

} // namespace

bool WriteEnciphered(std::istream& source, const char* path, std::string* error)
{
    if (!path || source.fail()) {
        if (error)
            *error = path ? std::string("nothing to write to ") + path : "no file to write";
        return false;
    }
    const auto encipher = [&source](FILE* file) {
        char buffer[CHUNK_SIZE];
        size_t position = 0;
        while (source) {
            source.read(buffer, sizeof(buffer));
            const size_t got = size_t(source.gcount());
            if (got == 0)
                break;
            EncipherRecords(reinterpret_cast<uint8_t*>(buffer), got, position);
            position += got;
            if (std::fwrite(buffer, 1, got, file) != got)
                return false;
        }
        return !source.bad();
    };
    return backend::ReplaceFile(path, encipher, error);
}

bool ReadEnciphered(const char* path, std::ostream& destination)
{
    if (!path || destination.fail())
        return false;
    std::string refusal;
    FILE* file = backend::OpenFileForReading(path, backend::MAX_SETTINGS_FILE_BYTES, &refusal);
    if (!refusal.empty())
        LogFormat("\nBest times not read: %s", refusal.c_str());
    if (!file)
        return false;
    FileCloser closer{file};
    char buffer[CHUNK_SIZE];
    size_t position = 0;
    size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof(buffer), file)) > 0 && position < backend::MAX_SETTINGS_FILE_BYTES) {
        DecipherRecords(reinterpret_cast<uint8_t*>(buffer), got, position);
        position += got;
        destination.write(buffer, std::streamsize(got));
    }
    return true;
}

bool WriteRecordsFile(const char* path, const std::vector<RaceRecord>& records, std::string* error)
{
    std::stringstream text;
    for (const RaceRecord& record : records) {
        // A name fills its 20 bytes only when it lost its terminator; stop there.
        const size_t length = strnlen(record.name, sizeof(record.name));
        text.write(record.name, std::streamsize(length));
        text << '\t' << record.time << '\n';
    }
    return WriteEnciphered(text, path, error);
}

void ReadRecordsFile(const char* path, std::vector<RaceRecord>& records)
{
    records.clear();
    std::stringstream stream;
    if (!ReadEnciphered(path, stream))
        return;
    const std::string text = stream.str();
    size_t at = 0;
    while (records.size() < size_t(MAX_RECORDS)) {
        // Only line ends lie between rows: a TAB or space starts a name.
        while (at < text.size() && (text[at] == '\n' || text[at] == '\r'))
            ++at;
        if (at >= text.size())
            break;
        RaceRecord record;
        if (ParseRow(text, at, record))
            records.push_back(record);
        else
            at = SkipLine(text, at);
    }
}

int InsertRecord(std::vector<RaceRecord>& records, const RaceRecord& record)
{
    size_t position = 0;
    while (position < records.size() && records[position].time <= record.time)
        ++position;
    if (position >= size_t(MAX_RECORDS))
        return -1;
    records.insert(records.begin() + std::ptrdiff_t(position), record);
    if (records.size() > size_t(MAX_RECORDS))
        records.resize(MAX_RECORDS);
    return int(position);
}

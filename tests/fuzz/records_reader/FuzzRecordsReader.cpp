// Any bytes as a best-time file: the reader must end, keep at most fifteen
// rows, and give every row a terminated name.

#include "race/RecordsFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const std::string& FuzzPath()
{
    static const std::string path = "/tmp/vantrel-fuzz-records-" + std::to_string(getpid()) + ".bt";
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string& path = FuzzPath();
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return 0;
    if (size > 0)
        std::fwrite(data, 1, size, file);
    std::fclose(file);

    std::vector<RaceRecord> records;
    ReadRecordsFile(path.c_str(), records);
    if (records.size() > size_t(MAX_RECORDS))
        std::abort();
    for (const RaceRecord& record : records)
        if (strnlen(record.name, sizeof(record.name)) >= sizeof(record.name))
            std::abort();

    // What was read writes back and reads back the same.
    WriteRecordsFile(path.c_str(), records);
    std::vector<RaceRecord> again;
    ReadRecordsFile(path.c_str(), again);
    if (again.size() != records.size())
        std::abort();
    for (size_t i = 0; i < records.size(); ++i)
        if (std::strcmp(again[i].name, records[i].name) != 0 || again[i].time != records[i].time)
            std::abort();
    std::remove(path.c_str());
    return 0;
}

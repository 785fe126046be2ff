#pragma once
// "Records.bt": a track's best times as enciphered text, one "name\ttime\n"
// line per row in table order.

#include "race/RaceRecord.h"

#include <iosfwd>
#include <string>
#include <vector>

constexpr int MAX_RECORDS = 15;

// The source's bytes, enciphered, into a temporary file beside `path` that is
// then renamed over it, so a failed write keeps the old file. False when the
// source has failed or the file can't be written, with the file and the reason
// in `error` (if given).
bool WriteEnciphered(std::istream& source, const char* path, std::string* error = nullptr);
// The file's bytes, deciphered, appended to `destination`; false (destination
// untouched) when the file can't be opened or the destination has failed. A
// file that is not a regular file or is larger than a few KB is refused, with
// a line in the log.
bool ReadEnciphered(const char* path, std::ostream& destination);

// Writes every record; false when the file can't be written, which leaves it
// as it was, with the file and the reason in `error` (if given).
bool WriteRecordsFile(const char* path, const std::vector<RaceRecord>& records, std::string* error = nullptr);
// Empties `records` and reads the file's rows, at most MAX_RECORDS; a line
// that does not parse is skipped and the rows after it are kept.
void ReadRecordsFile(const char* path, std::vector<RaceRecord>& records);

// Puts a new row after every row with a time not greater than its own; a full
// table drops its last row. Returns the new row's position, or -1 when a full
// table had no place for it.
int InsertRecord(std::vector<RaceRecord>& records, const RaceRecord& record);

// Best-time files: exact bytes, round trips, the table's insertion rules, and
// files that are broken, huge, or cut short by a crash.

#include "race/RecordsFile.h"

#include "datagen/writers/RecordsWriter.h"
#include "engine/platform/Log.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

RaceRecord Row(const char* name, uint32_t time)
{
    RaceRecord record;
    std::memcpy(record.name, name, std::min(std::strlen(name), sizeof(record.name) - 1));
    record.time = time;
    return record;
}

std::vector<uint8_t> FileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// The rows a plain text reads as, after enciphering it into a file.
std::vector<RaceRecord> ReadPlain(const std::string& path, const std::string& plain)
{
    WriteBytes(path, datagen::EncipherRecordsText(plain));
    std::vector<RaceRecord> rows{Row("stale", 1)};
    ReadRecordsFile(path.c_str(), rows);
    return rows;
}

void ExpectRows(const std::vector<RaceRecord>& actual, const std::vector<RaceRecord>& expected)
{
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < actual.size(); ++i) {
        EXPECT_STREQ(actual[i].name, expected[i].name) << "row " << i;
        EXPECT_EQ(actual[i].time, expected[i].time) << "row " << i;
    }
}

class RecordsFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/vantrel-records-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        path = dir + "/Records.bt";
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string dir;
    std::string path;
};

// One row writes the known bytes; a full table with awkward names and an empty table read
// back as written, and a missing file reads as no rows.
TEST_F(RecordsFile, TablesWriteTheKnownBytesAndReadBack)
{
    WriteRecordsFile(path.c_str(), {Row("Ann", 61234)});
    const std::vector<uint8_t> expected = {0x92, 0xC5, 0xBD, 0x59, 0x82, 0x7C, 0x73, 0x89, 0x79, 0x58};
    EXPECT_EQ(FileBytes(path), expected);
    EXPECT_EQ(FileBytes(path), datagen::EncodeRecords({{"Ann", 61234}}));
    EXPECT_FALSE(fs::exists(path + ".tmp"));

    // A 19-character name, an empty name, leading and inner spaces, bytes that
    // wrap past 255 when enciphered, and the largest time.
    std::vector<RaceRecord> table = {
        Row("NineteenCharacters1", 1000), Row("", 1001),  Row("  lead", 1002), Row("in ner", 1003),
        Row("\xF0\xFF\xC9", 1004),        Row("x", 1004), Row(" ", 1005),
    };
    while (table.size() < size_t(MAX_RECORDS))
        table.push_back(Row(("Rider" + std::to_string(table.size())).c_str(), uint32_t(2000 + table.size())));
    table.back().time = UINT32_MAX;
    ASSERT_EQ(std::strlen(table[0].name), 19u);
    WriteRecordsFile(path.c_str(), table);
    size_t expectedSize = 0;
    for (const RaceRecord& r : table)
        expectedSize += std::strlen(r.name) + 2 + std::to_string(r.time).size();
    EXPECT_EQ(FileBytes(path).size(), expectedSize);
    std::vector<RaceRecord> rows;
    ReadRecordsFile(path.c_str(), rows);
    ExpectRows(rows, table);

    WriteRecordsFile(path.c_str(), {});
    ASSERT_TRUE(fs::exists(path));
    EXPECT_EQ(fs::file_size(path), 0u);
    ReadRecordsFile(path.c_str(), rows);
    EXPECT_TRUE(rows.empty());
    rows.push_back(Row("stale", 1));
    ReadRecordsFile((dir + "/Missing.bt").c_str(), rows);
    EXPECT_TRUE(rows.empty());
}

TEST_F(RecordsFile, MalformedLinesAreSkippedKeepingTheRowsAroundThem)
{
    const std::string good = "Ann\t61234\nBob\t70000\n";
    const std::vector<RaceRecord> goodRows = {Row("Ann", 61234), Row("Bob", 70000)};
    const std::vector<RaceRecord> withDan = {goodRows[0], goodRows[1], Row("Dan", 1)};

    ExpectRows(ReadPlain(path, good + "Cat\t-5\nDan\t1\n"), withDan);
    ExpectRows(ReadPlain(path, good + "Cat\t99999999999\nDan\t1\n"), withDan);
    ExpectRows(ReadPlain(path, good + "Cat\t4294967296\nDan\t1"), withDan);
    ExpectRows(ReadPlain(path, good + "Cat\t12x\nDan\t1\n"), withDan);
    ExpectRows(ReadPlain(path, good + "no tab here\nDan\t1\n"), withDan);
    ExpectRows(ReadPlain(path, good + "TwentyCharactersName\t5\nDan\t1\n"), withDan);
    ExpectRows(ReadPlain(path, good + std::string("Nul\0l\t5\nDan\t1\n", 14)), withDan);
    ExpectRows(ReadPlain(path, good + "Cat\t"), goodRows);
    // The largest time still fits, and a last line without LF still reads.
    ExpectRows(ReadPlain(path, good + "Cat\t4294967295"), {goodRows[0], goodRows[1], Row("Cat", UINT32_MAX)});
    // Blank lines and CR LF line ends between rows are tolerated.
    ExpectRows(ReadPlain(path, "\n\nAnn\t61234\r\n\r\nBob\t70000\n"), goodRows);
    // A line starting with TAB is a row with an empty name.
    ExpectRows(ReadPlain(path, "\t5\n"), {Row("", 5)});
}

TEST_F(RecordsFile, GarbageHugeAndOverlongFilesReadSafely)
{
    // Random bytes: whatever parses before the first bad line, never a crash.
    std::vector<uint8_t> noise(64 * 1024);
    uint32_t seed = 12345;
    for (uint8_t& b : noise) {
        seed = seed * 1103515245u + 12345u;
        b = uint8_t(seed >> 16);
    }
    WriteBytes(path, noise);
    std::vector<RaceRecord> rows;
    ReadRecordsFile(path.c_str(), rows);
    EXPECT_LE(rows.size(), size_t(MAX_RECORDS));
    for (const RaceRecord& r : rows)
        EXPECT_LT(strnlen(r.name, sizeof(r.name)), sizeof(r.name));

    // A good row, then a line as long as the file may be; one byte more and
    // the file is refused whole.
    const std::string first = "Ann\t61234\n";
    ExpectRows(ReadPlain(path, first + std::string(4096 - first.size(), 'z')), {Row("Ann", 61234)});
    ExpectRows(ReadPlain(path, first + std::string(4097 - first.size(), 'z')), {});

    // Twenty good rows: only the first fifteen are kept.
    std::string many;
    for (int i = 0; i < 20; ++i)
        many += "R" + std::to_string(i) + "\t" + std::to_string(100 + i) + "\n";
    rows = ReadPlain(path, many);
    ASSERT_EQ(rows.size(), size_t(MAX_RECORDS));
    EXPECT_STREQ(rows[14].name, "R14");
    EXPECT_EQ(rows[14].time, 114u);
}

// /dev/zero as a track's best times once cost all memory; a FIFO would block
// the menu. Both are refused at once, with a line in the log.
TEST_F(RecordsFile, DevZeroOrFifoIsRefusedAtOnce)
{
    fs::create_symlink("/dev/zero", path);
    const std::string fifo = dir + "/Fifo.bt";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::ostringstream log;
    g_Log = &log;
    g_LogEnabled = true;
    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    const auto start = std::chrono::steady_clock::now();
    std::vector<RaceRecord> rows{Row("stale", 1)};
    ReadRecordsFile(path.c_str(), rows);
    EXPECT_TRUE(rows.empty());
    ReadRecordsFile(fifo.c_str(), rows);
    EXPECT_TRUE(rows.empty());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    g_LogEnabled = false;
    g_Log = &std::clog;
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 16 * 1024) << "kilobytes more at the peak";
    EXPECT_EQ(log.str(), "\nBest times not read: " + path + " is not a regular file" +
                             "\nBest times not read: " + fifo + " is not a regular file");
}

// A flipped byte on disk costs only the rows it touches (here the line end between the
// first two); the rows after it are read, and saved again. A file cut short inside a name
// keeps the whole rows before the cut.
TEST_F(RecordsFile, DamagedFileKeepsTheRowsItCanRead)
{
    const std::vector<RaceRecord> table = {Row("Ann", 61234), Row("Bob", 70000), Row("Cy", 1), Row("Di", 2)};
    WriteRecordsFile(path.c_str(), table);
    const std::vector<uint8_t> written = FileBytes(path);
    std::vector<uint8_t> bytes = written;
    bytes[std::strlen("Ann\t61234")] ^= 0x40;
    WriteBytes(path, bytes);
    std::vector<RaceRecord> rows;
    ReadRecordsFile(path.c_str(), rows);
    ExpectRows(rows, {table[2], table[3]});
    ASSERT_TRUE(WriteRecordsFile(path.c_str(), rows));
    ReadRecordsFile(path.c_str(), rows);
    ExpectRows(rows, {table[2], table[3]});

    bytes = written;
    bytes.resize(std::strlen("Ann\t61234\nBob\t70000\nC"));
    WriteBytes(path, bytes);
    ReadRecordsFile(path.c_str(), rows);
    ExpectRows(rows, {table[0], table[1]});
}

TEST_F(RecordsFile, FailedWritesKeepTheOldFile)
{
    const std::vector<RaceRecord> old = {Row("Ann", 61234), Row("Bob", 70000)};
    WriteRecordsFile(path.c_str(), old);
    const std::vector<uint8_t> oldBytes = FileBytes(path);

    // A source that has already failed writes nothing.
    std::stringstream failed("Zed\t1\n");
    failed.setstate(std::ios::failbit);
    EXPECT_FALSE(WriteEnciphered(failed, path.c_str()));
    EXPECT_EQ(FileBytes(path), oldBytes);

    // Each failure says so, naming the file and the reason: a folder that does
    // not exist, one that takes no new file (a folder holds the temporary
    // file's name, as a read-only folder refuses it even to root), and a file
    // that can't be replaced (a folder in its place).
    std::string error;
    const std::string nowhere = dir + "/missing/Records.bt";
    EXPECT_FALSE(WriteRecordsFile(nowhere.c_str(), old, &error));
    EXPECT_FALSE(fs::exists(nowhere));
    EXPECT_EQ(error, "cannot create " + nowhere + ".tmp: No such file or directory");
    fs::create_directory(path + ".tmp");
    EXPECT_FALSE(WriteRecordsFile(path.c_str(), {Row("Zed", 1)}, &error));
    EXPECT_EQ(error, "cannot create " + path + ".tmp: Is a directory");
    EXPECT_TRUE(fs::is_directory(path + ".tmp"));
    fs::remove(path + ".tmp");
    const std::string folder = dir + "/Folder.bt";
    fs::create_directories(folder + "/inside");
    EXPECT_FALSE(WriteRecordsFile(folder.c_str(), old, &error));
    EXPECT_EQ(error.rfind("cannot replace " + folder + ": ", 0), 0u) << error;
    EXPECT_FALSE(fs::exists(folder + ".tmp"));
    EXPECT_EQ(FileBytes(path), oldBytes);
    EXPECT_TRUE(WriteRecordsFile(path.c_str(), old, &error));
    EXPECT_EQ(error, "");

    std::vector<RaceRecord> big;
    for (int i = 0; i < MAX_RECORDS; ++i)
        big.push_back(Row("LongerRiderName", uint32_t(100000 + i)));

    // The disk runs out mid-write (the write fails): the old file stays and no
    // temporary file is left behind.
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{64, 64};
        setrlimit(RLIMIT_FSIZE, &limit);
        std::string reason;
        if (WriteRecordsFile(path.c_str(), big, &reason))
            _exit(1);
        _exit(reason == "cannot write " + path + ".tmp: File too large" ? 0 : 2);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_NE(WEXITSTATUS(status), 1) << "the failed write reported success";
    EXPECT_NE(WEXITSTATUS(status), 2) << "the failed write did not say which file and why";
    EXPECT_EQ(FileBytes(path), oldBytes);
    EXPECT_FALSE(fs::exists(path + ".tmp"));

    // The program dies between writing and renaming: the old file is intact
    // and the next write replaces the half-written temporary file.
    child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_DFL);
        rlimit limit{64, 64};
        setrlimit(RLIMIT_FSIZE, &limit);
        WriteRecordsFile(path.c_str(), big);
        _exit(0);
    }
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(FileBytes(path), oldBytes);
    std::vector<RaceRecord> rows;
    ReadRecordsFile(path.c_str(), rows);
    ExpectRows(rows, old);

    WriteRecordsFile(path.c_str(), big);
    ReadRecordsFile(path.c_str(), rows);
    ExpectRows(rows, big);
    EXPECT_FALSE(fs::exists(path + ".tmp"));
}

TEST(RecordsTable, InsertionKeepsOrderAndTheLimit)
{
    std::vector<RaceRecord> table;
    EXPECT_EQ(InsertRecord(table, Row("A", 5000)), 0);
    // An equal time goes after the existing row, a faster one before it.
    EXPECT_EQ(InsertRecord(table, Row("B", 5000)), 1);
    EXPECT_EQ(InsertRecord(table, Row("C", 4000)), 0);
    ExpectRows(table, {Row("C", 4000), Row("A", 5000), Row("B", 5000)});

    while (table.size() < size_t(MAX_RECORDS))
        InsertRecord(table, Row("F", 9000));
    ASSERT_EQ(table.size(), size_t(MAX_RECORDS));

    // Not better than the fifteenth row: nothing changes.
    const std::vector<RaceRecord> full = table;
    EXPECT_EQ(InsertRecord(table, Row("G", 9000)), -1);
    EXPECT_EQ(InsertRecord(table, Row("H", 9001)), -1);
    ExpectRows(table, full);

    // A better time pushes the fifteenth row out.
    EXPECT_EQ(InsertRecord(table, Row("I", 4500)), 1);
    ASSERT_EQ(table.size(), size_t(MAX_RECORDS));
    EXPECT_STREQ(table[1].name, "I");
    EXPECT_EQ(table[14].time, 9000u);
    EXPECT_STREQ(table[13].name, "F");
}

} // namespace

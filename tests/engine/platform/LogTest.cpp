#include "engine/platform/Log.h"
#include "engine/platform/File.h"
#include "engine/platform/Memory.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>

namespace {

class LogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_Log = &captured;
        g_LastError.clear();
    }
    void TearDown() override
    {
        g_LogEnabled = false;
        g_Log = &std::clog;
        g_LastError.clear();
    }
    std::ostringstream captured;
};

} // namespace

TEST_F(LogTest, NothingIsWrittenWhileDisabled)
{
    g_LogEnabled = false;
    LogMessage("\nInitializing Direct3D8...");
    LogFormat("\nLoading texture \"%s\"...", "a.dds");
    LogNumber(42);
    LogResult(true);
    EXPECT_TRUE(captured.str().empty());
}

TEST_F(LogTest, EnabledLogShowsLineAndFailureAndQuietReportLogsNothing)
{
    g_LogEnabled = true;
    LogMessage("\nInitializing Direct3D8...");
    EXPECT_FALSE(ReportError("Error initializing Direct3D8!"));
    ReportError("Error two!", false);
    EXPECT_EQ(captured.str(), "\nInitializing Direct3D8...FAILED");
    EXPECT_EQ(g_LastError, "Error two!");
}

// A step the game goes on from keeps the error of before it for the box,
// also one that ends the game.
TEST_F(LogTest, RecoverableStepKeepsTheErrorOfBeforeIt)
{
    {
        const RecoverableStep step;
        ReportError("Error loading a sound!");
    }
    EXPECT_EQ(g_LastError, "");
    ReportError("Error loading the track!");
    {
        const RecoverableStep step;
        ReportError("Error loading a sound!");
    }
    EXPECT_EQ(g_LastError, "Error loading the track!");
}

TEST_F(LogTest, FormattedLineIsCutAt511Characters)
{
    g_LogEnabled = true;
    std::string longText(2000, 'x');
    LogFormat("%s", longText.c_str());
    EXPECT_EQ(captured.str().size(), 511u);
}

TEST(MemoryCategories, SameNameGivesSameRecordAndTableHolds32)
{
    MemoryCategory* physics = FindOrAddMemoryCategory("Physics");
    ASSERT_NE(physics, nullptr);
    EXPECT_EQ(FindOrAddMemoryCategory("Physics"), physics);
    for (int i = 0; g_MemoryCategories.count < MEMORY_CATEGORY_CAPACITY; ++i)
        ASSERT_NE(FindOrAddMemoryCategory(("Category" + std::to_string(i)).c_str()), nullptr);
    EXPECT_EQ(FindOrAddMemoryCategory("One too many"), nullptr);
    EXPECT_EQ(FindOrAddMemoryCategory("Physics"), physics);
}

TEST(MemoryCategories, LongNamesAreCutTo31Characters)
{
    std::string name(40, 'n');
    g_MemoryCategories.count = 0;
    MemoryCategory* record = FindOrAddMemoryCategory(name.c_str());
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(std::string(record->name), std::string(31, 'n'));
    // Found again by what the record keeps, not added on every lookup.
    EXPECT_EQ(FindOrAddMemoryCategory(name.c_str()), record);
    EXPECT_EQ(g_MemoryCategories.count, 1);
    EXPECT_EQ(FindOrAddMemoryCategory(nullptr), nullptr);
}

TEST(Memory, FailedNewThrowsInsteadOfReturningNull)
{
    EXPECT_THROW(
        {
            volatile size_t huge = size_t(1) << 62;
            void* p = ::operator new(huge);
            ::operator delete(p);
        },
        std::bad_alloc);
}

TEST(File, ReadStringStopsAtZeroAndRefusesOverlongOrEndOfFile)
{
    const char* path = "/tmp/vantrel-file-readstring.bin";
    FILE* out = std::fopen(path, "wb");
    ASSERT_NE(out, nullptr);
    std::fwrite("idle\0toolongname\0ab", 1, 19, out);
    std::fclose(out);

    File file;
    ASSERT_TRUE(file.Open(path, "rb"));
    char buffer[8];
    EXPECT_FALSE(file.ReadString(buffer, 0));
    ASSERT_TRUE(file.ReadString(buffer, 8));
    EXPECT_STREQ(buffer, "idle");
    EXPECT_FALSE(file.ReadString(buffer, 8)); // "toolongn" has no zero in 8 bytes
    file.Close();
    ASSERT_TRUE(file.Open(path, "rb"));
    char big[32];
    ASSERT_TRUE(file.ReadString(big, 32));
    ASSERT_TRUE(file.ReadString(big, 32));
    EXPECT_STREQ(big, "toolongname");
    EXPECT_FALSE(file.ReadString(big, 32)); // "ab" then end of file
    std::remove(path);
}

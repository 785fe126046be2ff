#include "engine/platform/RawData.h"
#include "engine/platform/Log.h"
#include "engine/platform/Memory.h"

#include "backend/files/Files.h"
#include "backend/gpu/GpuFormat.h"
#include "datagen/writers/FileWriter.h"
#include "datagen/writers/RawWriter.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <sstream>
#include <unistd.h>

namespace {

constexpr const char* GRID_PATH = "Graphics\\Tracks\\Test\\HeightMap.raw";

uint8_t Sample(uint32_t column, uint32_t row)
{
    return uint8_t(column * 7 + row * 13);
}

class RawDataTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        savedBase = backend::BaseDirectory();
        folder = std::filesystem::temp_directory_path() / ("vantrel-raw-" + std::to_string(getpid()));
        std::filesystem::create_directories(folder);
        backend::SetBaseDirectory(folder.string());
        g_Log = &captured;
        g_LogEnabled = true;
        g_LastError.clear();
    }
    void TearDown() override
    {
        g_LogEnabled = false;
        g_Log = &std::clog;
        g_LastError.clear();
        backend::SetBaseDirectory(savedBase);
        std::filesystem::remove_all(folder);
    }
    // The 8x4 grid cut or padded to `size` bytes.
    void WriteGrid(size_t size)
    {
        std::vector<uint8_t> bytes = datagen::EncodeRaw(8, 4, Sample);
        bytes.resize(size, 0xEE);
        ASSERT_TRUE(datagen::WriteFileBytes((folder / "Graphics/Tracks/Test/HeightMap.raw").string(), bytes));
    }

    std::string savedBase;
    std::filesystem::path folder;
    std::ostringstream captured;
};

} // namespace

TEST_F(RawDataTest, LoadsGridRowAfterRowThroughGamePath)
{
    WriteGrid(32);
    RawData raw;
    ASSERT_TRUE(raw.Load(GRID_PATH, 8, 4, backend::D3DFMT_P8));
    EXPECT_STREQ(raw.path, GRID_PATH);
    EXPECT_EQ(raw.width, 8u);
    EXPECT_EQ(raw.height, 4u);
    EXPECT_EQ(raw.GetBytesPerPixel(), 1u);
    EXPECT_EQ(raw.data[0], Sample(0, 0));
    EXPECT_EQ(raw.data[8 * 3 + 5], Sample(5, 3));
    EXPECT_NE(captured.str().find("\nLoading raw data from file \"Graphics\\Tracks\\Test\\HeightMap.raw\"..."),
              std::string::npos);

    // As 2 bytes a sample the same file holds a 4x4 grid.
    ASSERT_TRUE(raw.Load(GRID_PATH, 4, 4, backend::D3DFMT_R5G6B5));
    EXPECT_EQ(raw.width, 4u);
    EXPECT_EQ(raw.data[31], Sample(7, 3));
}

TEST_F(RawDataTest, LongerFileLoadsItsFirstBytesAndShortFileFailsAndKeepsTheRecord)
{
    WriteGrid(132);
    RawData raw;
    ASSERT_TRUE(raw.Load(GRID_PATH, 8, 4, backend::D3DFMT_P8));
    EXPECT_TRUE(g_LastError.empty());
    uint8_t* held = raw.data;
    WriteGrid(31);
    EXPECT_FALSE(raw.Load(GRID_PATH, 8, 4, backend::D3DFMT_P8));
    EXPECT_EQ(g_LastError, "Error reading RAW file: Bad data!");
    EXPECT_EQ(raw.data, held);
    EXPECT_EQ(raw.width, 8u);
    EXPECT_EQ(raw.data[31], Sample(7, 3));
}

TEST_F(RawDataTest, MissingNullOrSpecialFileIsReportedWithItsName)
{
    RawData raw;
    EXPECT_FALSE(raw.Load("Graphics\\Tracks\\Nowhere\\Trees.raw", 8, 4, backend::D3DFMT_P8));
    EXPECT_EQ(g_LastError, "Error loading RAW file: File not found!");
    EXPECT_EQ(raw.data, nullptr);
    EXPECT_EQ(raw.width, 0u);

    g_LastError.clear();
    EXPECT_FALSE(raw.Load(nullptr, 8, 4, backend::D3DFMT_P8));
    EXPECT_EQ(g_LastError, "Error loading RAW file: File not found!");

    // /dev/zero would fill any grid; a FIFO would block; a folder is no map.
    // None is a file, and none is said to be missing; stderr names each.
    std::filesystem::create_symlink("/dev/zero", folder / "Zero.raw");
    ASSERT_EQ(mkfifo((folder / "Fifo.raw").c_str(), 0600), 0);
    std::filesystem::create_directory(folder / "Folder.raw");
    for (const char* special : {"Zero.raw", "Fifo.raw", "Folder.raw"}) {
        g_LastError.clear();
        captured.str("");
        ::testing::internal::CaptureStderr();
        EXPECT_FALSE(raw.Load(special, 8, 4, backend::D3DFMT_P8));
        const std::string stderrText = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(g_LastError, "Error loading RAW file: Can't open file!");
        EXPECT_NE(captured.str().find(std::string(special) + " is not a regular file"), std::string::npos)
            << captured.str();
        EXPECT_EQ(stderrText, "Vantrel: Error loading RAW file: Can't open file! (" + std::string(special) +
                                  " is not a regular file)\n");
    }
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(raw.Load("Graphics\\Tracks\\Nowhere\\Trees.raw", 8, 4, backend::D3DFMT_P8));
    EXPECT_EQ(
        ::testing::internal::GetCapturedStderr(),
        "Vantrel: Error loading RAW file: File not found! (Graphics\\Tracks\\Nowhere\\Trees.raw: no such file)\n");
    EXPECT_EQ(raw.data, nullptr);
}

TEST_F(RawDataTest, UnknownFormatOrEmptyGridFailsSilently)
{
    WriteGrid(32);
    RawData raw;
    EXPECT_FALSE(raw.Load(GRID_PATH, 8, 4, backend::D3DFMT_DXT1));
    EXPECT_FALSE(raw.Load(GRID_PATH, 0, 4, backend::D3DFMT_P8));
    EXPECT_TRUE(captured.str().empty());
    EXPECT_TRUE(g_LastError.empty());
}

TEST_F(RawDataTest, OverlongNameAndHugeGridAreRefused)
{
    std::string name(300, 'a');
    RawData raw;
    EXPECT_FALSE(raw.Load(name.c_str(), 8, 4, backend::D3DFMT_P8));
    EXPECT_NE(g_LastError.find("too long"), std::string::npos);
    EXPECT_EQ(raw.path[0], '\0');

    WriteGrid(32);
    EXPECT_FALSE(raw.Load(GRID_PATH, 0xFFFFFFFFu, 0xFFFFFFFFu, backend::D3DFMT_A8R8G8B8));
    EXPECT_NE(g_LastError.find("too large"), std::string::npos);
    EXPECT_EQ(raw.data, nullptr);
}

TEST(RawData, SetAdoptsOrCopiesAndClearFrees)
{
    auto* owned = static_cast<uint8_t*>(AllocateInCategory(6, nullptr));
    std::memcpy(owned, "abcdef", 6);
    RawData raw;
    raw.Set(3, 2, backend::D3DFMT_P8, "Adopted", owned, false);
    EXPECT_EQ(raw.data, owned);
    EXPECT_STREQ(raw.path, "Adopted");

    uint8_t local[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    raw.Set(2, 2, backend::D3DFMT_R5G6B5, "Copied", local, true); // frees the adopted buffer
    EXPECT_NE(raw.data, local);
    EXPECT_EQ(std::memcmp(raw.data, local, 8), 0);
    EXPECT_EQ(raw.GetBytesPerPixel(), 2u);

    // Adopting the buffer already held keeps it.
    uint8_t* held = raw.data;
    raw.Set(2, 2, backend::D3DFMT_R5G6B5, nullptr, held, false);
    EXPECT_EQ(raw.data, held);
    EXPECT_STREQ(raw.path, "");

    std::string longName(400, 'n');
    raw.Set(2, 2, backend::D3DFMT_R5G6B5, longName.c_str(), held, false);
    EXPECT_EQ(std::strlen(raw.path), sizeof raw.path - 1);

    raw.Clear();
    EXPECT_EQ(raw.data, nullptr);
    EXPECT_EQ(raw.width, 0u);
}

#include "backend/files/Files.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

class FilesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved = backend::BaseDirectory();
        root = fs::temp_directory_path() / ("vantrel-files-" + std::to_string(::getpid()));
        fs::create_directories(root / "Data" / "Tracks" / "UK");
        std::ofstream(root / "Data" / "Font.dat") << "font";
        std::ofstream(root / "Data" / "Tracks" / "UK" / "Records.bt") << "records";
        backend::SetBaseDirectory(root.string());
    }
    void TearDown() override
    {
        backend::SetBaseDirectory(saved);
        fs::remove_all(root);
    }
    std::string saved;
    fs::path root;
};

std::string ReadAll(FILE* file)
{
    std::string text;
    int c;
    while ((c = std::fgetc(file)) != EOF)
        text.push_back(static_cast<char>(c));
    std::fclose(file);
    return text;
}

} // namespace

TEST_F(FilesTest, BackslashPathsOpenRelativeToBaseDirectory)
{
    FILE* file = backend::OpenFile("Data\\Font.dat", "rb");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(ReadAll(file), "font");
}

TEST_F(FilesTest, ComponentsMatchIgnoringCaseWhenExactSpellingIsMissing)
{
    FILE* file = backend::OpenFile("data\\TRACKS\\uk\\records.BT", "rb");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(ReadAll(file), "records");
}

TEST_F(FilesTest, NewFileInExistingFolderKeepsGivenName)
{
    FILE* file = backend::OpenFile("data\\Sound.cfg", "wb");
    ASSERT_NE(file, nullptr);
    std::fclose(file);
    EXPECT_TRUE(fs::exists(root / "Data" / "Sound.cfg"));
}

TEST_F(FilesTest, MissingFileFailsWithoutCreatingAnything)
{
    EXPECT_EQ(backend::OpenFile("Data\\Nothing.dat", "rb"), nullptr);
    std::vector<uint8_t> bytes{1, 2, 3};
    EXPECT_FALSE(backend::ReadWholeFile("Data\\Nothing.dat", bytes));
    EXPECT_TRUE(bytes.empty());
}

TEST_F(FilesTest, ReadWholeFileReadsEveryByte)
{
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(backend::ReadWholeFile("Data\\Tracks\\UK\\Records.bt", bytes));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "records");
}

TEST(Files, AbsolutePathsIgnoreBaseDirectory)
{
    EXPECT_EQ(backend::ResolvePath("/tmp"), "/tmp");
}

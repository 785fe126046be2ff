#include "backend/files/Files.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
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

// Backslash paths, relative to the base directory; a component whose exact
// spelling is missing matches ignoring case.
TEST_F(FilesTest, GamePathsOpenAndReadWholeWhateverTheirCase)
{
    for (const auto& [path, text] : {std::pair<const char*, const char*>{"Data\\Font.dat", "font"},
                                     {"Data\\Tracks\\UK\\Records.bt", "records"},
                                     {"data\\TRACKS\\uk\\records.BT", "records"}}) {
        FILE* file = backend::OpenFile(path, "rb");
        ASSERT_NE(file, nullptr) << path;
        EXPECT_EQ(ReadAll(file), text);
        std::vector<uint8_t> bytes;
        ASSERT_TRUE(backend::ReadWholeFile(path, bytes)) << path;
        EXPECT_EQ(std::string(bytes.begin(), bytes.end()), text);
    }
    EXPECT_EQ(backend::ResolvePath("/tmp"), "/tmp") << "an absolute path ignores the base directory";
}

TEST_F(FilesTest, NewFileKeepsItsNameInTheFolderThereAndAMissingOneIsNotMade)
{
    FILE* file = backend::OpenFile("data\\Sound.cfg", "wb");
    ASSERT_NE(file, nullptr);
    std::fclose(file);
    EXPECT_TRUE(fs::exists(root / "Data" / "Sound.cfg"));

    EXPECT_EQ(backend::OpenFile("Data\\Nothing.dat", "rb"), nullptr);
    std::vector<uint8_t> bytes{1, 2, 3};
    EXPECT_FALSE(backend::ReadWholeFile("Data\\Nothing.dat", bytes));
    EXPECT_TRUE(bytes.empty());
    EXPECT_FALSE(fs::exists(root / "Data" / "Nothing.dat"));
}

// A FIFO, /dev/zero through a link, a 3 GB sparse file and a settings file
// over its few KB: each is refused at once, without reading, with its reason.
TEST_F(FilesTest, SpecialAndOversizedFilesAreRefusedAtOnceWithTheirReason)
{
    ASSERT_EQ(mkfifo((root / "Game.cfg").c_str(), 0600), 0);
    fs::create_directories(root / "Graphics" / "Textures");
    fs::create_symlink("/dev/zero", root / "Graphics" / "Textures" / "Title.dds");
    std::ofstream(root / "Graphics" / "Textures" / "Huge.dds").close();
    fs::resize_file(root / "Graphics" / "Textures" / "Huge.dds", uint64_t(3) << 30);
    std::ofstream(root / "Data" / "Sound.cfg") << std::string(5000, 'x');

    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    const auto start = std::chrono::steady_clock::now();
    std::string why;
    EXPECT_EQ(backend::OpenFileForReading("Game.cfg", backend::MAX_SETTINGS_FILE_BYTES, &why), nullptr);
    EXPECT_EQ(why, "Game.cfg is not a regular file");
    EXPECT_EQ(backend::OpenFile("Game.cfg", "rb"), nullptr);
    std::vector<uint8_t> bytes;
    EXPECT_FALSE(backend::ReadWholeFile("Graphics\\Textures\\Title.dds", bytes, backend::MAX_ASSET_FILE_BYTES, &why));
    EXPECT_EQ(why, "Graphics\\Textures\\Title.dds is not a regular file");
    EXPECT_FALSE(backend::ReadWholeFile("Graphics\\Textures\\Huge.dds", bytes, backend::MAX_ASSET_FILE_BYTES, &why));
    EXPECT_EQ(why, "Graphics\\Textures\\Huge.dds is larger than 256 MB");
    EXPECT_FALSE(backend::ReadWholeFile("Data\\Sound.cfg", bytes, backend::MAX_SETTINGS_FILE_BYTES, &why));
    EXPECT_EQ(why, "Data\\Sound.cfg is larger than 4096 bytes");
    EXPECT_TRUE(bytes.empty());
    // Nothing there: no reason, as for any missing file.
    EXPECT_FALSE(backend::ReadWholeFile("Data\\Nothing.dat", bytes, backend::MAX_ASSET_FILE_BYTES, &why));
    EXPECT_EQ(why, "");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 64 * 1024) << "kilobytes more at the peak";
}

TEST(Files, DataFileNamesMayNotLeaveTheirFolder)
{
    for (const char* inside : {"paint.dds", "Cars\\paint.dds", "a/b..c/d.dds", "..paint.dds", ""})
        EXPECT_TRUE(backend::IsNameInsideFolder(inside)) << inside;
    for (const char* outside :
         {"..", "..\\..\\..\\dev\\zero", "Cars/../../x.dds", "/etc/shadow", "\\dev\\zero", "a\\..", "a/../b"})
        EXPECT_FALSE(backend::IsNameInsideFolder(outside)) << outside;
}

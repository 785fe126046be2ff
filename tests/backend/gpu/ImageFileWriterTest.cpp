#include "datagen/writers/FileWriter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include <unistd.h>

TEST(ImageFileWriter, CreatesFoldersAndReportsFailure)
{
    namespace fs = std::filesystem;
    const fs::path root = fs::temp_directory_path() / ("vantrel-filewriter-" + std::to_string(::getpid()));
    fs::remove_all(root);
    const std::vector<uint8_t> bytes = {1, 2, 3, 0, 255};
    const fs::path target = root / "Graphics" / "Textures" / "A.dds";
    ASSERT_TRUE(datagen::WriteFileBytes(target.string(), bytes));
    std::ifstream in(target, std::ios::binary);
    std::vector<uint8_t> back((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(back, bytes);

    // Overwrites rather than appends.
    ASSERT_TRUE(datagen::WriteFileBytes(target.string(), {9}));
    EXPECT_EQ(fs::file_size(target), 1u);

    // A folder that would have to live inside a file can't be made.
    EXPECT_FALSE(datagen::WriteFileBytes((target / "inner.dds").string(), bytes));
    fs::remove_all(root);
}

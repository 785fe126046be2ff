#include "backend/sound/RiffFile.h"

#include "datagen/writers/FileWriter.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

using backend::MakeFourCC;
using backend::RiffChunk;
using backend::RiffFile;

namespace {

void Put32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void PutChunk(std::vector<uint8_t>& out, const char* id, const std::vector<uint8_t>& body)
{
    out.insert(out.end(), id, id + 4);
    Put32(out, static_cast<uint32_t>(body.size()));
    out.insert(out.end(), body.begin(), body.end());
    if (body.size() & 1)
        out.push_back(0);
}

class RiffFileTest : public ::testing::Test {
protected:
    std::string Write(const std::vector<uint8_t>& bytes)
    {
        path =
            (std::filesystem::temp_directory_path() / ("vantrel-riff-" + std::to_string(getpid()) + ".bin")).string();
        EXPECT_TRUE(datagen::WriteFileBytes(path, bytes));
        return path;
    }
    void TearDown() override { std::filesystem::remove(path); }
    std::string path;
};

// RIFF "TEST" holding an odd-sized chunk, a LIST and then "want".
std::vector<uint8_t> Sample(uint32_t wantSize)
{
    std::vector<uint8_t> inner = {'T', 'E', 'S', 'T'};
    PutChunk(inner, "odd ", {1, 2, 3});
    std::vector<uint8_t> list = {'I', 'N', 'F', 'O'};
    PutChunk(list, "ISFT", {'x', 'y'});
    PutChunk(inner, "LIST", list);
    inner.insert(inner.end(), {'w', 'a', 'n', 't'});
    Put32(inner, wantSize);
    inner.insert(inner.end(), {9, 8, 7, 6});
    std::vector<uint8_t> file;
    PutChunk(file, "RIFF", inner);
    return file;
}

} // namespace

TEST_F(RiffFileTest, FindsChunksPastPaddedAndListChunks)
{
    RiffFile file;
    ASSERT_TRUE(file.Open(Write(Sample(4)).c_str()));
    RiffChunk riff;
    ASSERT_TRUE(file.Descend(riff, nullptr, 0));
    EXPECT_EQ(riff.id, backend::FOURCC_RIFF);
    EXPECT_EQ(riff.formType, MakeFourCC('T', 'E', 'S', 'T'));
    EXPECT_EQ(riff.dataOffset, 8u);
    EXPECT_EQ(file.Tell(), 12u);

    RiffChunk want;
    want.id = MakeFourCC('w', 'a', 'n', 't');
    ASSERT_TRUE(file.Descend(want, &riff, backend::RIFF_FINDCHUNK));
    EXPECT_EQ(want.size, 4u);
    uint8_t data[8] = {};
    EXPECT_EQ(file.Read(data, 8), 4u);
    EXPECT_EQ(data[0], 9);
    EXPECT_EQ(data[3], 6);

    // Ascending out of the odd chunk skips its pad byte.
    ASSERT_TRUE(file.Seek(12));
    RiffChunk odd;
    ASSERT_TRUE(file.Descend(odd, &riff, 0));
    EXPECT_EQ(odd.size, 3u);
    ASSERT_TRUE(file.Ascend(odd));
    RiffChunk list;
    ASSERT_TRUE(file.Descend(list, &riff, 0));
    EXPECT_EQ(list.id, backend::FOURCC_LIST);
    EXPECT_EQ(list.formType, MakeFourCC('I', 'N', 'F', 'O'));

    RiffChunk missing;
    missing.id = MakeFourCC('n', 'o', 'n', 'e');
    ASSERT_TRUE(file.Seek(12));
    EXPECT_FALSE(file.Descend(missing, &riff, backend::RIFF_FINDCHUNK));
}

TEST_F(RiffFileTest, RefusesChunksThatRunPastTheirParentOrTheFile)
{
    RiffFile file;
    ASSERT_TRUE(file.Open(Write(Sample(5)).c_str())); // one byte more than is there
    RiffChunk riff;
    ASSERT_TRUE(file.Descend(riff, nullptr, 0));
    RiffChunk want;
    want.id = MakeFourCC('w', 'a', 'n', 't');
    EXPECT_FALSE(file.Descend(want, &riff, backend::RIFF_FINDCHUNK));

    std::vector<uint8_t> bytes = Sample(4);
    bytes.resize(bytes.size() - 2);
    ASSERT_TRUE(file.Open(Write(bytes).c_str()));
    EXPECT_FALSE(file.Descend(riff, nullptr, 0));

    EXPECT_FALSE(file.Open("/nonexistent/file.wav"));
    EXPECT_FALSE(file.Seek(0));
    EXPECT_EQ(file.Read(&riff, 4), 0u);
}

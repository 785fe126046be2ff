// "Game.cfg": exact bytes, round trip, and files of the wrong length.

#include "app/GameConfig.h"

#include "datagen/writers/GameConfigWriter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

class GameConfigFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/vantrel-gamecfg-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        path = dir + "/Game.cfg";
        saved = g_GameConfig;
    }
    void TearDown() override
    {
        g_GameConfig = saved;
        fs::remove_all(dir);
    }
    void WriteBytes(const std::vector<uint8_t>& bytes)
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    std::vector<uint8_t> ReadBytes()
    {
        std::ifstream in(path, std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    std::string dir, path;
    GameConfig saved;
};

TEST_F(GameConfigFile, SavesTheTenValuesLittleEndianAndReadsThemBack)
{
    // Windowed, anisotropic 4x, music off, everything else on row 0.
    g_GameConfig = GameConfig();
    g_GameConfig.windowed = 1;
    g_GameConfig.textureFilterIndex = 2;
    g_GameConfig.anisotropyIndex = 3;
    g_GameConfig.disableMusic = 1;
    ASSERT_TRUE(SaveGameConfig(path.c_str()));
    const std::vector<uint8_t> expected = {0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0,
                                           3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0};
    EXPECT_EQ(ReadBytes(), expected);

    // A value of -1 (no selection) and large values survive as written.
    g_GameConfig.displayModeIndex = -1;
    g_GameConfig.soundDeviceIndex = 0x12345678;
    ASSERT_TRUE(SaveGameConfig(path.c_str()));
    const GameConfig written = g_GameConfig;
    g_GameConfig = GameConfig();
    ASSERT_TRUE(LoadGameConfig(path.c_str()));
    EXPECT_EQ(std::memcmp(&g_GameConfig, &written, sizeof(GameConfig)), 0);

    // The sample data writer's layout agrees.
    datagen::GameConfigValues values;
    values.displayModeIndex = -1;
    values.soundDeviceIndex = 7;
    WriteBytes(datagen::EncodeGameConfig(values));
    ASSERT_TRUE(LoadGameConfig(path.c_str()));
    EXPECT_EQ(g_GameConfig.displayModeIndex, -1);
    EXPECT_EQ(g_GameConfig.windowed, values.windowed);
    EXPECT_EQ(g_GameConfig.textureFilterIndex, values.textureFilterIndex);
    EXPECT_EQ(g_GameConfig.soundDeviceIndex, 7);
}

TEST_F(GameConfigFile, MissingShortAndLongFiles)
{
    g_GameConfig = GameConfig();
    g_GameConfig.windowed = 1;
    EXPECT_FALSE(LoadGameConfig(path.c_str()));
    EXPECT_EQ(g_GameConfig.windowed, 1) << "a missing file changes nothing";

    datagen::GameConfigValues values;
    values.renderDeviceIndex = 2;
    values.displayModeIndex = 5;
    values.windowed = 1;
    values.tripleBuffering = 1;
    values.disableMusic = 1;

    // 12 bytes: the first three values, zeros after.
    WriteBytes(datagen::EncodeGameConfig(values, 12));
    ASSERT_TRUE(LoadGameConfig(path.c_str()));
    EXPECT_EQ(g_GameConfig.renderDeviceIndex, 2);
    EXPECT_EQ(g_GameConfig.displayModeIndex, 5);
    EXPECT_EQ(g_GameConfig.windowed, 1);
    EXPECT_EQ(g_GameConfig.tripleBuffering, 0);
    EXPECT_EQ(g_GameConfig.disableMusic, 0);

    // 6 bytes: the second value is never half written.
    WriteBytes(datagen::EncodeGameConfig(values, 6));
    ASSERT_TRUE(LoadGameConfig(path.c_str()));
    EXPECT_EQ(g_GameConfig.renderDeviceIndex, 2);
    EXPECT_EQ(g_GameConfig.displayModeIndex, 0);

    // Empty, and 40 bytes followed by junk.
    WriteBytes({});
    ASSERT_TRUE(LoadGameConfig(path.c_str()));
    EXPECT_EQ(g_GameConfig.renderDeviceIndex, 0);
    std::vector<uint8_t> longer = datagen::EncodeGameConfig(values);
    longer.insert(longer.end(), 1000, 0xEE);
    WriteBytes(longer);
    ASSERT_TRUE(LoadGameConfig(path.c_str()));
    EXPECT_EQ(g_GameConfig.disableMusic, 1);
    EXPECT_EQ(g_GameConfig.renderDeviceIndex, 2);

    // A folder that does not exist can't be written.
    EXPECT_FALSE(SaveGameConfig((dir + "/missing/Game.cfg").c_str()));
}

} // namespace

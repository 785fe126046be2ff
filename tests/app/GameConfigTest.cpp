// "Game.cfg": exact bytes, round trip, and files of the wrong length; a FIFO in
// its place, and failed saves of it and of "Data\Sound.cfg".

#include "app/GameConfig.h"
#include "app/SoundConfig.h"
#include "engine/platform/Log.h"

#include "datagen/writers/GameConfigWriter.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
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
    static std::vector<uint8_t> ReadBytes(const std::string& file)
    {
        std::ifstream in(file, std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::vector<uint8_t> ReadBytes() { return ReadBytes(path); }

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
    // The sample data writer's layout is the game's.
    EXPECT_EQ(datagen::EncodeGameConfig({0, 0, 1, 0, 2, 3, 0, 0, 0, 1}), expected);

    // A value of -1 (no selection) and large values survive as written.
    g_GameConfig.displayModeIndex = -1;
    g_GameConfig.soundDeviceIndex = 0x12345678;
    ASSERT_TRUE(SaveGameConfig(path.c_str()));
    const GameConfig written = g_GameConfig;
    g_GameConfig = GameConfig();
    ASSERT_TRUE(LoadGameConfig(path.c_str()));
    EXPECT_EQ(std::memcmp(&g_GameConfig, &written, sizeof(GameConfig)), 0);
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

    // A short file gives the values it holds whole (zeros after: a value is
    // never half read); a long one its first 40 bytes.
    const struct {
        size_t bytes;
        int32_t renderDevice, displayMode, windowed, tripleBuffering, disableMusic;
    } cases[] = {{12, 2, 5, 1, 0, 0}, {6, 2, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0}, {1040, 2, 5, 1, 1, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bytes << " bytes");
        std::vector<uint8_t> bytes = datagen::EncodeGameConfig(values, std::min(c.bytes, datagen::GAME_CONFIG_SIZE));
        bytes.resize(c.bytes, 0xEE);
        WriteBytes(bytes);
        ASSERT_TRUE(LoadGameConfig(path.c_str()));
        EXPECT_EQ(g_GameConfig.renderDeviceIndex, c.renderDevice);
        EXPECT_EQ(g_GameConfig.displayModeIndex, c.displayMode);
        EXPECT_EQ(g_GameConfig.windowed, c.windowed);
        EXPECT_EQ(g_GameConfig.tripleBuffering, c.tripleBuffering);
        EXPECT_EQ(g_GameConfig.disableMusic, c.disableMusic);
    }

    // A folder that does not exist can't be written.
    EXPECT_FALSE(SaveGameConfig((dir + "/missing/Game.cfg").c_str()));
}

// Without the O_NONBLOCK open and the look at the file, the launcher would
// wait for ever for a writer to the FIFO.
TEST_F(GameConfigFile, FifoInItsPlaceIsRefusedAtOnceAndReplacedOnSave)
{
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    std::ostringstream log;
    g_Log = &log;
    g_LogEnabled = true;
    g_GameConfig = GameConfig();
    g_GameConfig.windowed = 1;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(LoadGameConfig(path.c_str()));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    g_LogEnabled = false;
    g_Log = &std::clog;
    EXPECT_EQ(log.str(), "\nGame configuration not read: " + path + " is not a regular file");
    EXPECT_EQ(g_GameConfig.windowed, 1);

    // Play! writes a file in the FIFO's place.
    ASSERT_TRUE(SaveGameConfig(path.c_str()));
    EXPECT_TRUE(fs::is_regular_file(path));
    EXPECT_EQ(ReadBytes().size(), 40u);
}

// Both settings files go through a temporary file that is renamed over the
// old one: when it can't be written (here a folder is in its place), the old
// files stay whole.
TEST_F(GameConfigFile, FailedSavesKeepTheOldGameAndSoundConfig)
{
    const std::string soundPath = dir + "/Sound.cfg";
    g_GameConfig = GameConfig();
    g_GameConfig.displayModeIndex = 3;
    ASSERT_TRUE(SaveGameConfig(path.c_str()));
    ASSERT_TRUE(SaveSoundConfig({0.25f, 0.5f}, soundPath.c_str()));
    const std::vector<uint8_t> oldGame = ReadBytes(), oldSound = ReadBytes(soundPath);

    fs::create_directory(path + ".tmp");
    fs::create_directory(soundPath + ".tmp");
    g_GameConfig.displayModeIndex = 7;
    // Each says which file and why, for the player to be told.
    std::string error;
    EXPECT_FALSE(SaveGameConfig(path.c_str(), &error));
    EXPECT_EQ(error, "cannot create " + path + ".tmp: Is a directory");
    EXPECT_FALSE(SaveSoundConfig({1.0f, 1.0f}, soundPath.c_str(), &error));
    EXPECT_EQ(error, "cannot create " + soundPath + ".tmp: Is a directory");
    EXPECT_EQ(ReadBytes(), oldGame);
    EXPECT_EQ(ReadBytes(soundPath), oldSound);

    // Once the way is clear the new values replace the old, with nothing left behind.
    fs::remove(path + ".tmp");
    fs::remove(soundPath + ".tmp");
    ASSERT_TRUE(SaveGameConfig(path.c_str()));
    ASSERT_TRUE(SaveSoundConfig({1.0f, 1.0f}, soundPath.c_str()));
    g_GameConfig = GameConfig();
    ASSERT_TRUE(LoadGameConfig(path.c_str()));
    EXPECT_EQ(g_GameConfig.displayModeIndex, 7);
    EXPECT_EQ(LoadSoundConfig(soundPath.c_str()).musicVolume, 1.0f);
    EXPECT_FALSE(fs::exists(path + ".tmp"));
    EXPECT_FALSE(fs::exists(soundPath + ".tmp"));
}

} // namespace

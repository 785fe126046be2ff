// "Data\Sound.cfg": defaults, broken values and the exact bytes written.

#include "app/SoundConfig.h"
#include "backend/files/Files.h"
#include "datagen/writers/FileWriter.h"
#include "datagen/writers/SoundConfigWriter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <limits>
#include <unistd.h>

namespace {

class SoundConfigFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        path =
            (std::filesystem::temp_directory_path() / ("vantrel-sound-" + std::to_string(getpid()) + ".cfg")).string();
        std::filesystem::remove(path);
    }
    void TearDown() override { std::filesystem::remove(path); }
    std::string path;
};

} // namespace

TEST_F(SoundConfigFile, ReadsWholeFiniteValuesClampedAndKeepsDefaultsForTheRest)
{
    const float nan = std::numeric_limits<float>::quiet_NaN(), infinity = std::numeric_limits<float>::infinity();
    const struct {
        float sound, music;
        size_t bytes;
        float soundRead, musicRead;
    } cases[] = {
        {0.25f, 0.5f, 4, 0.25f, 0.9f}, {0.25f, 0.5f, 6, 0.25f, 0.9f}, // half a float is no value
        {0.25f, 0.5f, 2, 1.0f, 0.9f},  {nan, infinity, 8, 1.0f, 0.9f}, {1.5f, -2.0f, 8, 1.0f, 0.0f},
    };
    SoundConfig config = LoadSoundConfig(path.c_str());
    EXPECT_FLOAT_EQ(config.soundVolume, 1.0f);
    EXPECT_FLOAT_EQ(config.musicVolume, 0.9f);
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.sound << ", " << c.music << " in " << c.bytes << " bytes");
        ASSERT_TRUE(datagen::WriteFileBytes(path, datagen::EncodeSoundConfig(c.sound, c.music, c.bytes)));
        config = LoadSoundConfig(path.c_str());
        EXPECT_FLOAT_EQ(config.soundVolume, c.soundRead);
        EXPECT_FLOAT_EQ(config.musicVolume, c.musicRead);
    }
}

TEST_F(SoundConfigFile, WritesTwoLittleEndianFloats)
{
    ASSERT_TRUE(SaveSoundConfig({1.0f, 0.9f}, path.c_str()));
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(backend::ReadWholeFile(path, bytes));
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0x00, 0x00, 0x80, 0x3F, 0x66, 0x66, 0x66, 0x3F}));
    EXPECT_EQ(datagen::EncodeSoundConfig(1.0f, 0.9f), bytes) << "the sample data writer's layout is the game's";
    ASSERT_TRUE(SaveSoundConfig({0.3f, 0.55f}, path.c_str()));
    const SoundConfig config = LoadSoundConfig(path.c_str());
    EXPECT_FLOAT_EQ(config.soundVolume, 0.3f);
    EXPECT_FLOAT_EQ(config.musicVolume, 0.55f);
    EXPECT_FALSE(SaveSoundConfig({1.0f, 1.0f}, "/nonexistent-folder/Sound.cfg"));
}

// "Data\Sound.cfg": defaults, broken values and the exact bytes written.

#include "app/SoundConfig.h"
#include "backend/files/Files.h"
#include "datagen/writers/FileWriter.h"
#include "datagen/writers/SoundConfigWriter.h"

#include <gtest/gtest.h>

#include <cmath>
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
    void WriteVolumes(float sound, float music, size_t bytes = SIZE_MAX)
    {
        ASSERT_TRUE(datagen::WriteFileBytes(path, datagen::EncodeSoundConfig(sound, music, bytes)));
    }
    std::string path;
};

} // namespace

TEST_F(SoundConfigFile, MissingOrShortFileKeepsDefaults)
{
    SoundConfig config = LoadSoundConfig(path.c_str());
    EXPECT_FLOAT_EQ(config.soundVolume, 1.0f);
    EXPECT_FLOAT_EQ(config.musicVolume, 0.9f);

    WriteVolumes(0.25f, 0.5f, 4);
    config = LoadSoundConfig(path.c_str());
    EXPECT_FLOAT_EQ(config.soundVolume, 0.25f);
    EXPECT_FLOAT_EQ(config.musicVolume, 0.9f);

    // Half a float is no value.
    WriteVolumes(0.25f, 0.5f, 6);
    config = LoadSoundConfig(path.c_str());
    EXPECT_FLOAT_EQ(config.soundVolume, 0.25f);
    EXPECT_FLOAT_EQ(config.musicVolume, 0.9f);

    WriteVolumes(0.25f, 0.5f, 2);
    config = LoadSoundConfig(path.c_str());
    EXPECT_FLOAT_EQ(config.soundVolume, 1.0f);
}

TEST_F(SoundConfigFile, NonFiniteValuesTakeDefaultsAndOthersAreClamped)
{
    WriteVolumes(std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity());
    SoundConfig config = LoadSoundConfig(path.c_str());
    EXPECT_FLOAT_EQ(config.soundVolume, 1.0f);
    EXPECT_FLOAT_EQ(config.musicVolume, 0.9f);

    WriteVolumes(1.5f, -2.0f);
    config = LoadSoundConfig(path.c_str());
    EXPECT_FLOAT_EQ(config.soundVolume, 1.0f);
    EXPECT_FLOAT_EQ(config.musicVolume, 0.0f);
}

TEST_F(SoundConfigFile, WritesTwoLittleEndianFloats)
{
    ASSERT_TRUE(SaveSoundConfig({1.0f, 0.9f}, path.c_str()));
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(backend::ReadWholeFile(path, bytes));
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0x00, 0x00, 0x80, 0x3F, 0x66, 0x66, 0x66, 0x3F}));
    ASSERT_TRUE(SaveSoundConfig({0.3f, 0.55f}, path.c_str()));
    const SoundConfig config = LoadSoundConfig(path.c_str());
    EXPECT_FLOAT_EQ(config.soundVolume, 0.3f);
    EXPECT_FLOAT_EQ(config.musicVolume, 0.55f);
    EXPECT_FALSE(SaveSoundConfig({1.0f, 1.0f}, "/nonexistent-folder/Sound.cfg"));
}

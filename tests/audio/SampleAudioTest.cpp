#include "AudioFixture.h"

#include "audio/Sound.h"
#include "audio/Sound3D.h"
#include "backend/files/Files.h"

#include <filesystem>

using namespace audiotest;

namespace {

class SampleAudioTest : public AudioFixture {};

} // namespace

// The generated data set loads the way the game loads it: effects whole, the
// race's sounds as mono 3D sounds, music streamed in a loop.
TEST_F(SampleAudioTest, EveryGeneratedSoundLoadsAsTheGameUsesIt)
{
    const char* effects[] = {"Click", "Rain", "CountDown", "Go", "NewLapDriven", "Applause"};
    const char* sounds3D[] = {"Engine", "EngineIdle", "Crash", "GearChange", "EngineStart"};
    AudioManager* manager = GetAudioManager();
    SoundLoadParams plain{};
    for (const char* name : effects) {
        std::string path = std::string("Audio\\Sounds\\") + name + ".wav";
        Sound* sound = manager->CreateSound();
        EXPECT_TRUE(sound->Load(path.c_str(), &plain)) << path << ": " << g_LastError;
    }
    for (const char* name : sounds3D) {
        std::string path = std::string("Audio\\Sounds\\") + name + ".wav";
        Sound3D* sound = manager->Create3DSound();
        EXPECT_TRUE(sound->Load(path.c_str(), &plain)) << path << ": " << g_LastError;
    }
    std::filesystem::path music = backend::ResolvePath("Audio\\Music");
    ASSERT_TRUE(std::filesystem::is_directory(music)) << music;
    int pieces = 0;
    for (const auto& entry : std::filesystem::directory_iterator(music)) {
        std::string path = "Audio\\Music\\" + entry.path().filename().string();
        Sound* sound = manager->CreateSound();
        SoundLoadParams looped{1, 1, 1};
        EXPECT_TRUE(sound->Load(path.c_str(), &looped)) << path << ": " << g_LastError;
        EXPECT_TRUE(sound->params.streamed) << path << " is no longer than a second";
        ++pieces;
    }
    EXPECT_EQ(pieces, 11);
}

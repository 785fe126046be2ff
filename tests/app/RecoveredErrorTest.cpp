// Failures the game goes on from (a sound or music it plays on without) are
// told on stderr as they happen and leave no box at Quit; that an error which
// ends the game still shows its box, the whole-program run on a damaged track
// shows.

#include "GameTestFixture.h"

#include "app/Application.h"
#include "app/FrontEnd.h"
#include "audio/Sound.h"
#include "backend/sound/SoundTestHooks.h"
#include "datagen/writers/FileWriter.h"
#include "engine/platform/Log.h"

#include <filesystem>
#include <string>

namespace {

class RecoveredErrorTest : public GameTest {
protected:
    // The sound mixes only when a turn asks, so that the music plays in turns.
    void SetUp() override
    {
        GameTest::SetUp();
        backend::UseLoopbackSoundDevice(true);
        // Not a wave file: no key gets its click.
        ASSERT_TRUE(datagen::WriteFileBytes(DataPath("Audio/Sounds/Click.wav"), {'R', 'I', 'F', 'X'}));
    }
    void TearDown() override
    {
        GameTest::TearDown();
        backend::UseLoopbackSoundDevice(false);
    }
    // A turn and the 16 ms of sound it plays.
    void TurnWithSound()
    {
        Turn();
        int16_t frames[2 * 353];
        backend::RenderSoundFrames(frames, 353);
    }
};

} // namespace

TEST_F(RecoveredErrorTest, MusicCutWhilePlayingAndAClickThatCannotLoadLeaveNoBoxAtQuit)
{
    ASSERT_TRUE(StartGame());
    GoToMainMenu();
    ExpectMusic("Menu.ogg");
    const std::filesystem::path music = DataPath("Audio/Music/Menu.ogg");
    std::filesystem::resize_file(music, std::filesystem::file_size(music) / 8);
    ::testing::internal::CaptureStderr();
    for (int turn = 0; turn < 1000 && g_Music->reader != nullptr; ++turn)
        TurnWithSound();
    ASSERT_EQ(g_Music->reader, nullptr) << "the cut music was never found out";
    const LoopTurn quit = QuitFromMainMenu();
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("Vantrel: Error reading an ogg vorbis file! (Audio\\Music\\Menu.ogg: the file was cut short "
                        "while it played)\n"),
              std::string::npos)
        << said;
    EXPECT_NE(said.find("Vantrel: Error reading wave file MMIO: mmioDescend failed! (Audio\\Sounds\\Click.wav: no "
                        "RIFF header)\n"),
              std::string::npos)
        << said;
    EXPECT_EQ(quit, TURN_QUIT);
    EXPECT_FALSE(ShutdownApplication());
    EXPECT_TRUE(shownErrors.empty()) << shownErrors.front();
}

#include "RaceTestKit.h"

#include "audio/AudioInitParams.h"
#include "audio/AudioManager.h"
#include "audio/SoundDefinitionManager.h"
#include "backend/clock/Clock.h"
#include "backend/files/Files.h"
#include "backend/sound/SoundTestHooks.h"
#include "engine/platform/InputSystem.h"
#include "engine/platform/RenderDevice.h"

#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

// Output frames of the loopback device in one 16 ms frame at 22050 Hz.
constexpr uint32_t AUDIO_FRAMES = 353;

// `to` shows everything of `from` through links; folders on the way to a
// Records.bt are made for real and the records themselves left out.
void Mirror(const fs::path& from, const fs::path& to)
{
    fs::create_directories(to);
    for (const fs::directory_entry& entry : fs::directory_iterator(from)) {
        const std::string name = entry.path().filename().string();
        if (name == "Records.bt")
            continue;
        const bool holdsRecords =
            name == "Data" || name == "Tracks" || entry.path().parent_path().filename() == "Tracks";
        if (entry.is_directory() && holdsRecords)
            Mirror(entry.path(), to / name);
        else
            fs::create_symlink(entry.path(), to / name);
    }
}

} // namespace

void RaceTest::SetUp()
{
    SceneTest::SetUp();
    originalBase = backend::BaseDirectory();
    dataDirectory = TempPath("game");
    Mirror(originalBase, dataDirectory);
    backend::SetBaseDirectory(dataDirectory);
    backend::UseLoopbackSoundDevice(true);
    backend::UseManualClock(true);
    backend::AdvanceManualClock(1000);
    ASSERT_TRUE(OpenScene());
    const AudioInitParams params;
    ASSERT_TRUE(GetAudioManager()->Init(&params));
    ASSERT_TRUE(font.Load("Graphics\\Textures\\Font.dds", "Data\\Font.dat", 32.0f, 32.0f, 512, false)) << g_LastError;
    std::memset(g_InputSystem.keys, 0, sizeof g_InputSystem.keys);
    g_InputSystem.keyboardValid = true;
}

void RaceTest::TearDown()
{
    EndRace();
    font.Release();
    std::memset(g_InputSystem.keys, 0, sizeof g_InputSystem.keys);
    g_InputSystem.keyboardValid = false;
    GetSoundDefinitionManager()->DestroyAllDefinitions();
    if (GetAudioManager()->IsInitialized())
        GetAudioManager()->Shutdown();
    backend::UseManualClock(false);
    backend::UseLoopbackSoundDevice(false);
    backend::SetBaseDirectory(originalBase);
    SceneTest::TearDown();
}

bool RaceTest::StartRace(TrackId id)
{
    EndRace();
    race = std::make_unique<SinglePlayerRace>();
    frame = 0;
    return race->Create(int32_t(id));
}

void RaceTest::EndRace()
{
    if (race == nullptr)
        return;
    race->Release();
    race->Destroy();
    race.reset();
}

void RaceTest::Frame(bool draw)
{
    ++frame;
    backend::AdvanceManualClock(uint64_t(RACE_FRAME_MS) * 1000);
    race->HandleInput();
    race->Update();
    std::vector<int16_t> mix(AUDIO_FRAMES * 2);
    backend::RenderSoundFrames(mix.data(), AUDIO_FRAMES);
    GetAudioManager()->Update();
    if (draw) {
        BeginFrame();
        race->Draw(true, &font);
        EndFrame();
    }
}

std::vector<uint32_t> RaceTest::DrawNow(bool withHud)
{
    BeginFrame();
    race->Draw(withHud, &font);
    EndFrame();
    return ReadBackBuffer();
}

void RaceTest::Press(uint8_t key, bool down)
{
    g_InputSystem.keys[key] = down ? 0x80 : 0x00;
}

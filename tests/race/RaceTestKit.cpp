#include "RaceTestKit.h"

#include "audio/AudioInitParams.h"
#include "audio/AudioManager.h"
#include "audio/SoundDefinitionManager.h"
#include "backend/clock/Clock.h"
#include "backend/files/Files.h"
#include "backend/gpu/GpuDevice.h"
#include "backend/sound/SoundTestHooks.h"
#include "engine/platform/InputSystem.h"
#include "engine/platform/RenderDevice.h"

#include <algorithm>
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

bool IsRed(uint32_t c)
{
    return (c >> 16 & 0xFF) > 180 && (c >> 8 & 0xFF) < 70 && (c & 0xFF) < 70;
}

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

void RaceTest::Away(uint32_t ms)
{
    backend::AdvanceManualClock(uint64_t(ms) * 1000);
    race->ResetTimers();
}

void RaceTest::LoseAndRestoreDevice(uint32_t ms)
{
    backend::GpuDevice* device = g_RenderDevice.device;
    device->ForceDeviceLoss(1);
    ASSERT_EQ(device->TestCooperativeLevel(), backend::GPUERR_DEVICELOST);
    race->Release();
    race->Release();
    font.Release();
    ASSERT_EQ(device->GetLiveDefaultPoolCount(), 0u);
    ASSERT_TRUE(backend::GpuSucceeded(device->Reset(&g_RenderDevice.presentParameters)));
    g_RenderDevice.ResetStateCache();
    ApplyFixedStates();
    ASSERT_TRUE(font.Restore());
    ASSERT_TRUE(race->Restore()) << g_LastError;
    Away(ms);
}

std::vector<uint32_t> RaceTest::DrawNow(bool withHud)
{
    BeginFrame();
    ShownRace()->Draw(withHud, &font);
    EndFrame();
    return ReadBackBuffer();
}

void RaceTest::SaveToArtifacts(const std::string& name, const std::vector<uint32_t>& picture)
{
    const std::string base = backend::BaseDirectory();
    backend::SetBaseDirectory(originalBase);
    SaveArtifact(name, picture);
    backend::SetBaseDirectory(base);
}

::testing::AssertionResult RaceTest::ShowsText(const std::vector<uint32_t>& picture, const char* text, float x, float y,
                                               float scale, const TextLook& look)
{
    Race& shown = *ShownRace();
    // The scene, and the speed dial blended over it where the text lies on the dial;
    // then the display's mip filter for what comes over it.
    auto drawUnder = [&] {
        shown.Draw(false, &font);
        g_RenderDevice.ChangeTextureStageState(0, backend::D3DTSS_MIPFILTER, backend::D3DTEXF_NONE);
        if (!look.onSpeedDial)
            return;
        backend::GpuDevice* device = g_RenderDevice.device;
        g_RenderDevice.Begin2D(800.0f, 600.0f);
        device->SetRenderState(backend::D3DRS_ALPHABLENDENABLE, 1);
        device->SetRenderState(backend::D3DRS_SRCBLEND, backend::D3DBLEND_SRCALPHA);
        device->SetRenderState(backend::D3DRS_DESTBLEND, backend::D3DBLEND_INVSRCALPHA);
        device->SetTextureStageState(0, backend::D3DTSS_ALPHAOP, backend::D3DTOP_MODULATE);
        shown.speedMeter.Render(680.0f, 490.0f, shown.playerMoped.wheelRate);
    };
    auto drawPicture = [&](bool withText) {
        BeginFrame();
        drawUnder();
        if (withText)
            font.DrawText(text, x, y, scale, look.spacing, look.colour, look.centred ? 1 : 0);
        g_RenderDevice.RevertTextureStageState(0, backend::D3DTSS_MIPFILTER);
        g_RenderDevice.device->SetRenderState(backend::D3DRS_ALPHABLENDENABLE, 0);
        EndFrame();
        return ReadBackBuffer();
    };
    const std::vector<uint32_t> scene = drawPicture(false);
    const std::vector<uint32_t> drawn = drawPicture(true);

    const float width = font.GetLineWidth(text, scale, look.spacing);
    const float start = font.AlignX(x, width, look.centred ? 1 : 0);
    const int left = std::max(int(start) - 2, 0);
    const int right = std::min(int(start + width + font.glyphWidth * scale) + 1, 799);
    // The rows of the text, clear of the texts above and below it.
    const int top = int(y + font.glyphHeight * scale * 0.2f), bottom = std::min(int(y + font.glyphHeight * scale), 599);
    int textPixels = 0, wrong = 0;
    for (int row = top; row < bottom; ++row)
        for (int column = left; column <= right; ++column) {
            const size_t i = size_t(row) * 800 + size_t(column);
            textPixels += ColourNear(drawn[i], scene[i], 12) ? 0 : 1;
            wrong += ColourNear(drawn[i], picture[i], 12) ? 0 : 1;
        }
    if (textPixels == 0)
        return ::testing::AssertionFailure() << "\"" << text << "\" leaves no mark";
    if (wrong > 0)
        return ::testing::AssertionFailure() << wrong << " pixels differ from \"" << text << "\"";
    return ::testing::AssertionSuccess();
}

void RaceTest::Press(uint8_t key, bool down)
{
    g_InputSystem.keys[key] = down ? 0x80 : 0x00;
}

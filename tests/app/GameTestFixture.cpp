#include "GameTestFixture.h"

#include "app/Application.h"
#include "app/FrontEnd.h"
#include "audio/Sound.h"
#include "backend/clock/Clock.h"
#include "backend/files/Files.h"
#include "backend/gpu/GpuDevice.h"
#include "backend/window/InputSimulation.h"
#include "backend/window/InstanceGuard.h"
#include "backend/window/KeyCodes.h"
#include "backend/window/MessageBox.h"
#include "backend/window/MessageQueue.h"
#include "engine/platform/DeviceSettings.h"
#include "engine/platform/Log.h"
#include "engine/platform/RenderDevice.h"
#include "engine/platform/Window.h"
#include "network/NetworkPeer.h"

#include <cstring>
#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;

void GameTest::SetUp()
{
    g_LastError.clear();
    const std::string id =
        std::to_string(getpid()) + "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    originalBase = backend::BaseDirectory();
    dataDirectory = (fs::temp_directory_path() / ("vantrel-game-" + id)).string();
    fs::remove_all(dataDirectory);
    const fs::path from(originalBase), to(dataDirectory);
    for (const char* folder : {"Data", "Graphics/Textures", "Audio/Sounds", "Audio/Music"}) {
        fs::create_directories(to / folder);
        fs::copy(from / folder, to / folder, fs::copy_options::recursive);
    }
    // What a race only reads: the models and the tracks' pictures and maps.
    for (const char* folder : {"Graphics/Models", "Graphics/Tracks"})
        fs::create_directory_symlink(fs::absolute(from / folder), to / folder);
    backend::SetBaseDirectory(dataDirectory);
    backend::SetInstanceScope(id);
    backend::UseManualClock(true);
    backend::SetMessageBoxHook([this](backend::NativeWindow*, const char* text, const char* caption) {
        shownErrors.push_back(text);
        shownCaptions.push_back(caption);
    });

    g_DeviceSettings = DeviceSettings();
    g_DeviceSettings.deviceType = backend::D3DDEVTYPE_HAL;
    g_DeviceSettings.behaviorFlags = backend::D3DCREATE_HARDWARE_VERTEXPROCESSING;
    g_DeviceSettings.width = 800;
    g_DeviceSettings.height = 600;
    g_DeviceSettings.format = backend::D3DFMT_X8R8G8B8;
    g_DeviceSettings.windowed = true;
    g_DeviceSettings.backBufferCount = 1;
    g_DeviceSettings.minMagFilter = backend::D3DTEXF_LINEAR;
    g_DeviceSettings.mipFilter = backend::D3DTEXF_LINEAR;
    g_DeviceSettings.maxAnisotropy = 1;
    frameTimer.Init(false);
}

void GameTest::TearDown()
{
    ShutdownApplication();
    g_Window = Window();
    g_RenderDevice = RenderDevice();
    g_DeviceSettings = DeviceSettings();
    g_GameState = GAMESTATE_QUIT;
    g_TitleFade = 1.0f;
    g_FramePending = false;
    g_CurrentTrackId = 0;
    g_SelectedTrackId = 0;
    g_NewRecordTime = 0;
    g_NewRecordIndex = -1;
    g_BestTimesShownRows = 0;
    g_PauseMenuItem = 0;
    std::memset(g_PlayerName, 0, sizeof(g_PlayerName));
    std::memset(g_SavedPlayerName, 0, sizeof(g_SavedPlayerName));
    std::memset(g_TextEntry, 0, sizeof(g_TextEntry));
    g_LastTypedChar = 0;
    g_LastError.clear();
    g_NetworkPeer.SetOptions({});
    g_IsHost = false;
    g_RaceStartReceived = false;
    g_PlayerLeft = false;
    g_LocalPlayerId = 0;
    g_LocalResultIndex = -1;
    backend::ClearMessageQueue();
    backend::SetMessageBoxHook(nullptr);
    backend::UseManualClock(false);
    backend::SetBaseDirectory(originalBase);
    std::error_code ignored;
    fs::remove_all(dataDirectory, ignored);
}

void GameTest::ChooseSmallScreen()
{
    g_DeviceSettings.windowed = false;
    g_DeviceSettings.width = SMALL_SCREEN_WIDTH;
    g_DeviceSettings.height = SMALL_SCREEN_HEIGHT;
}

bool GameTest::StartGame()
{
    if (!g_Window.CheckSingleInstance("Vantrel") || !InitGame(backend::SW_SHOWDEFAULT))
        return false;
    backend::SimulateWindowEvent(g_Window.hWnd, backend::SimulatedWindowEvent::FocusGained);
    return true;
}

LoopTurn GameTest::Turn()
{
    return RunLoopTurn(frameTimer, lastMessage);
}

void GameTest::Turns(int count)
{
    for (int i = 0; i < count; ++i)
        Turn();
}

void GameTest::Press(uint8_t key)
{
    backend::SimulateKey(g_Window.hWnd, key, true);
    Turn();
    backend::SimulateKey(g_Window.hWnd, key, false);
    Turns(3);
}

void GameTest::Type(const char* utf8)
{
    for (const char* c = utf8; *c != '\0'; ++c) {
        const char one[2] = {*c, '\0'};
        backend::SimulateText(g_Window.hWnd, one);
        Turn();
        // The key's release comes between two characters.
        backend::PostMessage(g_Window.hWnd, backend::WM_NULL, 0, 0);
        Turn();
    }
}

void GameTest::GoToMainMenu()
{
    ASSERT_EQ(g_GameState, GAMESTATE_LOGO);
    Press(backend::DIK_RETURN);
    ASSERT_EQ(g_GameState, GAMESTATE_TITLE);
    Press(backend::DIK_RETURN);
    ASSERT_EQ(g_GameState, GAMESTATE_MAIN_MENU);
}

LoopTurn GameTest::QuitFromMainMenu()
{
    g_Menu->SetScreen(MENUSCREEN_MAIN, 4);
    Press(backend::DIK_RETURN);
    Press(backend::DIK_LEFT);
    backend::SimulateKey(g_Window.hWnd, backend::DIK_RETURN, true);
    LoopTurn turn = Turn();
    for (int i = 0; i < 10 && turn == TURN_GO_ON; ++i)
        turn = Turn();
    backend::SimulateKey(g_Window.hWnd, backend::DIK_RETURN, false);
    return turn;
}

void GameTest::ExpectScreen(MenuScreen screen, int item)
{
    ASSERT_NE(g_Menu, nullptr);
    EXPECT_EQ(g_GameState, GAMESTATE_MAIN_MENU);
    EXPECT_EQ(g_Menu->screen, screen);
    EXPECT_EQ(g_Menu->selectedItem, item);
}

void GameTest::ExpectMusic(const char* file)
{
    ASSERT_NE(g_Music, nullptr);
    const std::string name = g_Music->name;
    EXPECT_TRUE(name.ends_with(file)) << name;
    EXPECT_TRUE(g_Music->IsPlaying());
}

uint32_t GameTest::LiveResources()
{
    backend::GpuDevice* device = g_RenderDevice.device;
    for (uint32_t stage = 0; stage < 8; ++stage)
        device->SetTexture(stage, nullptr);
    device->SetStreamSource(0, nullptr, 0);
    device->SetIndices(nullptr, 0);
    g_RenderDevice.ResetStateCache();
    return device->GetLiveResourceCount();
}

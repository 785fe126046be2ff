// Start-up in order and its failures: each missing file ends it cleanly with
// its message; shut-down copes with whatever was made.

#include "GameTestFixture.h"

#include "app/Application.h"
#include "app/FrontEnd.h"
#include "app/LogoScreen.h"
#include "app/Menu.h"
#include "audio/AudioManager.h"
#include "audio/Sound.h"
#include "audio/SoundDefinitionManager.h"
#include "backend/gpu/GpuDevice.h"
#include "backend/window/SystemWindow.h"
#include "datagen/writers/SoundConfigWriter.h"
#include "engine/platform/ColorPulseTable.h"
#include "engine/platform/DeviceSettings.h"
#include "engine/platform/Log.h"
#include "engine/platform/RenderDevice.h"
#include "engine/platform/Window.h"

#include <filesystem>

TEST_F(GameTest, StartUpEndsOnTheLogoWithEverythingLoadedAndShutDownFreesIt)
{
    ASSERT_TRUE(datagen::WriteSoundConfig(DataPath("Data/Sound.cfg"), 0.5f, 0.25f));
    ASSERT_TRUE(StartGame());
    EXPECT_EQ(g_GameState, GAMESTATE_LOGO);
    // Nine loading frames: 0 to 8 blocks.
    EXPECT_EQ(g_LoadingProgress, 9);
    EXPECT_EQ(g_LoadingImage.vertexBuffer, nullptr);
    EXPECT_EQ(g_LoadingBlockImage.vertexBuffer, nullptr);
    EXPECT_NE(g_TitleImage.vertexBuffer, nullptr);
    EXPECT_NE(g_InGameMenuImage.vertexBuffer, nullptr);
    ASSERT_NE(g_Menu, nullptr);
    EXPECT_EQ(g_Menu->screen, MENUSCREEN_NONE);
    ASSERT_NE(g_LogoScreen, nullptr);
    EXPECT_TRUE(g_LogoScreen->timer.running);
    ASSERT_NE(g_Music, nullptr);
    EXPECT_TRUE(g_Music->IsLoaded());
    EXPECT_NE(GetSoundDefinitionManager()->FindDefinition("Audio\\Sounds\\Click.wav"), nullptr);
    EXPECT_EQ(g_ColorPulses.pulses.size(), 1u);
    EXPECT_FLOAT_EQ(GetAudioManager()->GetSoundVolume(), 0.5f);
    EXPECT_FLOAT_EQ(GetAudioManager()->GetMusicVolume(), 0.25f);
    EXPECT_GE(g_RaceRecords.capacity(), 15u);

    // A normal shut-down shows no message.
    Turns(3);
    EXPECT_FALSE(ShutdownApplication());
    EXPECT_TRUE(shownErrors.empty());
    EXPECT_EQ(g_Menu, nullptr);
    EXPECT_EQ(g_LogoScreen, nullptr);
    EXPECT_EQ(g_Music, nullptr);
    EXPECT_FALSE(g_Window.created);
}

TEST_F(GameTest, EachMissingStartUpFileEndsStartUpWithItsMessage)
{
    const char* const files[] = {
        "Graphics/Textures/LoadingBase.dds",
        "Graphics/Textures/Title.dds",
        "Graphics/Textures/Font.dds",
        "Data/Font.dat",
        "Graphics/Textures/Background.dds",
        "Graphics/Textures/MenuFontUp.dds",
        "Graphics/Textures/Headers.dds",
        "Graphics/Textures/TrackImages/Hawaii.dds",
        "Audio/Music/Menu.ogg",
        "Graphics/Textures/InGameMenu.dds",
        "Graphics/Textures/Morvane.dds",
    };
    for (const char* file : files) {
        SCOPED_TRACE(file);
        const std::string path = DataPath(file);
        const std::string kept = path + ".kept";
        std::filesystem::rename(path, kept);
        shownErrors.clear();
        g_LastError.clear();
        EXPECT_FALSE(StartGame());
        EXPECT_FALSE(g_LastError.empty());
        EXPECT_TRUE(ShutdownApplication());
        ASSERT_EQ(shownErrors.size(), 1u);
        EXPECT_EQ(shownErrors[0], g_LastError);
        EXPECT_EQ(shownCaptions[0], "Vantrel");
        EXPECT_EQ(g_Menu, nullptr);
        EXPECT_EQ(g_LogoScreen, nullptr);
        g_Window = Window();
        g_RenderDevice = RenderDevice();
        std::filesystem::rename(kept, path);
    }
}

TEST_F(GameTest, DeviceWindowAndSoundFailuresEndStartUpWithTheirMessages)
{
    g_DeviceSettings.format = backend::D3DFMT_UNKNOWN;
    g_DeviceSettings.windowed = false;
    g_DeviceSettings.width = 123;
    g_DeviceSettings.height = 45;
    EXPECT_FALSE(StartGame());
    ShutdownApplication();
    ASSERT_EQ(shownErrors.size(), 1u);
    EXPECT_FALSE(shownErrors[0].empty());

    g_Window = Window();
    g_RenderDevice = RenderDevice();
    g_DeviceSettings.format = backend::D3DFMT_X8R8G8B8;
    g_DeviceSettings.windowed = true;
    g_DeviceSettings.width = 800;
    g_DeviceSettings.height = 600;
    shownErrors.clear();
    // A class of the game's name already registered: the window cannot be made.
    backend::WindowClass taken;
    taken.className = "Vantrel";
    const bool registered = backend::RegisterWindowClass(taken);
    EXPECT_FALSE(StartGame());
    EXPECT_TRUE(ShutdownApplication()) << "no window was made, and the box is the game's end all the same";
    if (registered)
        backend::UnregisterWindowClass("Vantrel", nullptr);
    ASSERT_EQ(shownErrors.size(), 1u);
    EXPECT_FALSE(shownErrors[0].empty());

    g_Window = Window();
    g_RenderDevice = RenderDevice();
    shownErrors.clear();
    g_LastError.clear();
    g_DeviceSettings.soundDevice = "No Such Sound Device";
    EXPECT_FALSE(StartGame());
    EXPECT_EQ(g_Menu, nullptr);
    ShutdownApplication();
    ASSERT_EQ(shownErrors.size(), 1u);
    EXPECT_FALSE(shownErrors[0].empty());
}

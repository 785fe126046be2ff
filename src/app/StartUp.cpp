// InitGame: the start-up after the launcher, in its fixed order.

#include "app/Application.h"
#include "app/DeviceStates.h"
#include "app/FrontEnd.h"
#include "app/LogoScreen.h"
#include "app/MenuActions.h"
#include "app/SoundConfig.h"
#include "audio/AudioManager.h"
#include "audio/SoundDefinitionManager.h"
#include "backend/gpu/GpuDevice.h"
#include "backend/math/MatrixMath.h"
#include "backend/random/Random.h"
#include "engine/platform/ColorPulseTable.h"
#include "engine/platform/DeviceSettings.h"
#include "engine/platform/InputSystem.h"
#include "engine/platform/KeyRepeatTable.h"
#include "engine/platform/Log.h"
#include "engine/platform/RenderDevice.h"
#include "engine/platform/Window.h"
#include "race/RecordsFile.h"

#include <ctime>
#include <new>

namespace {

constexpr int ICON_RESOURCE = 121;
constexpr int LOGICAL_KEY_COUNT = 8;
constexpr uint32_t KEY_REPEAT_MS = 300;

bool CreateGameWindow(int showCommand)
{
    const bool windowed = g_DeviceSettings.windowed;
    const int width = windowed ? 800 : int(g_DeviceSettings.width);
    const int height = windowed ? 600 : int(g_DeviceSettings.height);
    return g_Window.Create(g_Instance, showCommand, ICON_RESOURCE, backend::IDC_ARROW, nullptr, width, height, windowed,
                           WindowProc);
}

bool CreateRenderDevice()
{
    if (!g_RenderDevice.Init())
        return false;
    backend::GpuDisplayMode mode;
    mode.Width = g_DeviceSettings.width;
    mode.Height = g_DeviceSettings.height;
    mode.Format = g_DeviceSettings.format;
    return g_RenderDevice.CreateDevice(g_Window.hWnd, mode, g_DeviceSettings.deviceType, g_DeviceSettings.behaviorFlags,
                                       true, backend::D3DFMT_D24S8, g_DeviceSettings.backBufferCount,
                                       g_DeviceSettings.windowed);
}

bool StartSound()
{
    AudioInitParams params;
    params.deviceGuid = static_cast<const char*>(g_DeviceSettings.soundDevice);
    params.hWnd = g_Window.hWnd;
    params.forceSoftware = g_DeviceSettings.softwareSoundBuffers ? 1 : 0;
    params.minHardware2DBuffers = 8;
    params.maxHardware2DSounds = 256;
    params.minHardware3DBuffers = 8;
    params.maxHardware3DSounds = 256;
    params.maxSoftware2DSounds = 256;
    params.maxSoftware3DSounds = 256;
    params.primaryBitsPerSample = 16;
    params.primarySampleRate = 22050;
    if (!GetAudioManager()->Init(&params))
        return false;
    const SoundConfig volumes = LoadSoundConfig();
    GetAudioManager()->SetSoundVolume(volumes.soundVolume);
    GetAudioManager()->SetMusicVolume(volumes.musicVolume);
    return true;
}

void SetStartingDeviceState()
{
    backend::Matrix identity;
    backend::MatrixIdentity(&identity);
    g_RenderDevice.device->SetTransform(backend::D3DTS_WORLD, &identity);
    SetFixedRenderStates();
    SetSamplerStates(backend::D3DTEXF_NONE);
    g_RenderDevice.ApplyGammaRamp();
}

void LoadingFrames(int count)
{
    for (int i = 0; i < count; ++i)
        RenderLoadingProgress();
}

bool LoadSharedPictures()
{
    const float loadingUv[4] = {0.001953125f, 0.00390625f, 1.001953125f, 1.00390625f};
    const float fullUv[4] = {0.0f, 0.0f, 1.0f, 1.0f};
    const float titleUv[4] = {0.00048828125f, 0.00048828125f, 1.00048828125f, 0.75048828125f};
    if (!g_LoadingImage.Load("Graphics\\Textures\\LoadingBase.dds", 256.0f, 128.0f, 0xFFFFFFFFu, loadingUv) ||
        !g_LoadingBlockImage.Load(nullptr, 15.0f, 15.0f, 0xFF0000ADu, fullUv))
        return false;
    LoadingFrames(1);
    if (!g_TitleImage.Load("Graphics\\Textures\\Title.dds", 800.0f, 600.0f, 0xFFFFFFFFu, titleUv))
        return false;
    LoadingFrames(1);
    if (!g_Font.Load("Graphics\\Textures\\Font.dds", "Data\\Font.dat", 32.0f, 32.0f, 512, false))
        return false;
    LoadingFrames(1);
    return true;
}

bool LoadMenuAndSounds()
{
    g_MusicLoadParams.isMusic = 1;
    g_MusicLoadParams.streamed = 1;
    g_MusicLoadParams.looping = 1;
    g_Music = GetAudioManager()->CreateSound();
    if (g_Music == nullptr)
        return ReportError("Error creating the music sound!");
    if (!OpenMainMenu())
        return false;
    const SoundLoadParams clickParams;
    GetSoundDefinitionManager()->AddDefinition("Audio\\Sounds\\Click.wav", &clickParams);
    LoadingFrames(4);
    const float fullUv[4] = {0.0f, 0.0f, 1.0f, 1.0f};
    if (!g_InGameMenuImage.Load("Graphics\\Textures\\InGameMenu.dds", 200.0f, 200.0f, 0xF5FFFFFFu, fullUv))
        return false;
    LoadingFrames(2);
    g_LoadingBlockImage.Release();
    g_LoadingImage.Release();
    return true;
}

bool CreateLogoScreen()
{
    const float white[4] = {255.0f, 255.0f, 255.0f, 255.0f};
    const float clear[4] = {0.0f, 255.0f, 255.0f, 255.0f};
    const float speeds[4] = {0.1f, 0.0f, 0.0f, 0.0f};
    g_ColorPulses.Add(white, clear, speeds);
    g_ColorPulses.SetPhase(HIGHLIGHT_PULSE, 1.0f);

    g_LogoScreen = new (std::nothrow) LogoScreen();
    if (g_LogoScreen == nullptr)
        return ReportError("Error creating the logo screen!");
    if (!g_LogoScreen->Load())
        return false;
    g_LogoScreen->timer.Start();
    return true;
}

} // namespace

bool InitGame(int showCommand)
{
    g_LoadingProgress = 0;
    g_TitleFade = 1.0f;
    if (!CreateGameWindow(showCommand))
        return false;
    backend::SeedRandom(uint32_t(std::time(nullptr)));
    for (int key = 0; key < LOGICAL_KEY_COUNT; ++key)
        g_KeyRepeat.AddKey(key, KEY_REPEAT_MS);
    if (!CreateRenderDevice())
        return false;
    if (!g_InputSystem.Init(g_Instance) || !g_InputSystem.CreateKeyboard(g_Window.hWnd))
        return false;
    if (!StartSound())
        return false;
    g_GameState = GAMESTATE_QUIT;
    SetStartingDeviceState();
    if (!LoadSharedPictures() || !LoadMenuAndSounds() || !CreateLogoScreen())
        return false;
    g_PlayerName[0] = '\0';
    g_SavedPlayerName[0] = '\0';
    if (g_RaceRecords.capacity() < size_t(MAX_RECORDS))
        g_RaceRecords.reserve(MAX_RECORDS);
    g_GameState = GAMESTATE_LOGO;
    return true;
}

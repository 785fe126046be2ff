#include "app/MenuActions.h"

#include "app/FrontEnd.h"
#include "app/LogoScreen.h"
#include "app/Menu.h"
#include "audio/AudioManager.h"
#include "audio/Sound.h"
#include "audio/SoundDefinitionManager.h"
#include "engine/platform/DeviceSettings.h"
#include "engine/platform/Log.h"

#include <new>

namespace {

constexpr const char* CLICK_SOUND = "Audio\\Sounds\\Click.wav";
constexpr const char* MENU_MUSIC = "Audio\\Music\\Menu.ogg";
constexpr float MUSIC_FADE_STEP = 0.01f;

} // namespace

bool OpenMainMenu()
{
    g_Menu = new (std::nothrow) Menu();
    bool ok = g_Menu != nullptr && g_Menu->Load();
    if (g_Menu == nullptr)
        ReportError("Error creating the menu!");
    if (ok && !g_DeviceSettings.disableMusic)
        ok = g_Music != nullptr && g_Music->Load(MENU_MUSIC, &g_MusicLoadParams);
    if (!ok) {
        if (g_Menu != nullptr) {
            g_Menu->Release();
            delete g_Menu;
            g_Menu = nullptr;
        }
        g_GameState = GAMESTATE_QUIT;
        return false;
    }
    return true;
}

void PlayClickSound()
{
    SoundDefinitionManager* definitions = GetSoundDefinitionManager();
    Sound* click = definitions->CreateInstance(CLICK_SOUND);
    if (click == nullptr)
        return;
    click->Play();
    // The instance goes back to the pool while it plays.
    definitions->ReleaseInstance(CLICK_SOUND, click);
}

void FadeInMusic()
{
    if (g_DeviceSettings.disableMusic || g_Music == nullptr)
        return;
    g_Music->SetVolume(0.0f);
    g_Music->Play();
    g_Music->FadeIn(MUSIC_FADE_STEP);
}

void CloseLogoScreen()
{
    if (g_LogoScreen == nullptr)
        return;
    g_LogoScreen->timer.Stop();
    g_LogoScreen->Release();
    delete g_LogoScreen;
    g_LogoScreen = nullptr;
}

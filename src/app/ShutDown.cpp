// ShutdownApplication: everything down again in its fixed order.

#include "app/Application.h"
#include "app/FrontEnd.h"
#include "app/LogoScreen.h"
#include "app/Menu.h"
#include "app/NetworkActions.h"
#include "app/RaceActions.h"
#include "audio/AudioManager.h"
#include "audio/Sound.h"
#include "audio/SoundDefinitionManager.h"
#include "engine/platform/ColorPulseTable.h"
#include "engine/platform/InputSystem.h"
#include "engine/platform/KeyRepeatTable.h"
#include "engine/platform/Log.h"
#include "engine/platform/RenderDevice.h"
#include "engine/platform/Window.h"
#include "race/MultiplayerRace.h"

bool ShutdownApplication()
{
    // The session first, so that no handler call reaches a race being freed.
    ShutdownNetwork();
    AudioManager* audio = GetAudioManager();
    audio->StopAll();
    g_ColorPulses.Clear();
    g_InGameMenuImage.Release();
    FreeSinglePlayerRace();
    if (g_MultiplayerRace != nullptr) {
        // After the race, on the results screen, it is already taken apart.
        if (g_GameState == GAMESTATE_MULTIPLAYER_RACE) {
            g_MultiplayerRace->Release();
            g_MultiplayerRace->Destroy();
        }
        delete g_MultiplayerRace;
        g_MultiplayerRace = nullptr;
    }
    if (g_Music != nullptr) {
        g_Music->Stop();
        g_Music->Release();
        audio->DestroySound(g_Music);
    }
    if (g_Menu != nullptr) {
        g_Menu->Release();
        delete g_Menu;
        g_Menu = nullptr;
    }
    // A program closed during the logo (or a start-up that failed after
    // making it) still has its logo screen.
    if (g_LogoScreen != nullptr) {
        g_LogoScreen->Release();
        delete g_LogoScreen;
        g_LogoScreen = nullptr;
    }
    g_TitleImage.Release();
    g_Font.Release();
    g_LoadingBlockImage.Release();
    g_LoadingImage.Release();
    g_RaceRecords.clear();
    GetSoundDefinitionManager()->DestroyAllDefinitions();
    audio->Shutdown();
    g_InputSystem.Shutdown();
    g_RenderDevice.Shutdown();
    g_KeyRepeat.Clear();
    g_Window.ShowMouseCursor();
    const bool failed = ShowLastError(g_Window.created ? g_Window.hWnd : nullptr, "Vantrel");
    g_Window.Destroy();
    return failed;
}

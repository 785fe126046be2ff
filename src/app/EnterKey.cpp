// HandleEnterKey: the confirm key in each state and menu screen.

#include "app/FailedSave.h"
#include "app/FrontEnd.h"
#include "app/KeyHandlers.h"
#include "app/Menu.h"
#include "app/MenuActions.h"
#include "app/NetworkActions.h"
#include "app/RaceActions.h"
#include "app/SoundConfig.h"
#include "audio/AudioManager.h"
#include "backend/window/MessageQueue.h"
#include "engine/platform/Window.h"
#include "race/RecordsFile.h"
#include "tracks/TrackTable.h"

#include <cstring>
#include <string>

namespace {

void StoreNewRecord()
{
    RaceRecord record;
    static_assert(sizeof(record.name) == sizeof(g_PlayerName));
    std::memcpy(record.name, g_PlayerName, sizeof(record.name));
    record.name[sizeof(record.name) - 1] = '\0';
    record.time = g_NewRecordTime;
    g_NewRecordIndex = InsertRecord(g_RaceRecords, record);
    const std::string path = BuildTrackRecordsPath(TrackId(g_CurrentTrackId));
    std::string reason;
    if (!WriteRecordsFile(path.c_str(), g_RaceRecords, &reason))
        ReportFailedSave("Error saving the best times!", reason);
}

void SaveVolumes()
{
    AudioManager* audio = GetAudioManager();
    std::string reason;
    if (!SaveSoundConfig({audio->GetSoundVolume(), audio->GetMusicVolume()}, SOUND_CONFIG_PATH, &reason))
        ReportFailedSave("Error saving the sound settings!", reason);
}

void EnterOnMenuScreen()
{
    Menu& menu = *g_Menu;
    const int item = menu.selectedItem;
    switch (menu.screen) {
    case MENUSCREEN_QUIT_CONFIRM:
        PlayClickSound();
        if (item == 0)
            backend::PostMessage(g_Window.hWnd, backend::WM_CLOSE, 0, 0);
        else
            menu.SetScreen(MENUSCREEN_MAIN, 4);
        break;
    case MENUSCREEN_MAIN:
        PlayClickSound();
        switch (item) {
        case 0:
            menu.SetScreen(MENUSCREEN_SINGLE_PLAYER, 0);
            break;
        case 1:
            std::memcpy(g_SavedPlayerName, g_PlayerName, sizeof(g_SavedPlayerName));
            g_GameState = GAMESTATE_MULTIPLAYER_NAME;
            break;
        case 2:
            menu.SetScreen(MENUSCREEN_OPTIONS, 0);
            break;
        case 3:
            menu.SetScreen(MENUSCREEN_CREDITS, 0);
            break;
        default:
            menu.SetScreen(MENUSCREEN_QUIT_CONFIRM, 1);
            break;
        }
        break;
    case MENUSCREEN_SINGLE_PLAYER:
        PlayClickSound();
        if (item == 0)
            StartSinglePlayerRace();
        else if (item == 1)
            menu.SetScreen(MENUSCREEN_SELECT_TRACK, g_CurrentTrackId);
        else if (item == 2)
            menu.SetScreen(MENUSCREEN_BEST_TIMES, 0);
        else
            menu.SetScreen(MENUSCREEN_MAIN, 0);
        break;
    case MENUSCREEN_SELECT_TRACK:
        PlayClickSound();
        g_CurrentTrackId = item;
        menu.SetScreen(MENUSCREEN_SINGLE_PLAYER, 1);
        break;
    case MENUSCREEN_BEST_TIMES:
        break;
    case MENUSCREEN_MULTIPLAYER:
        PlayClickSound();
        if (item == 0) {
            menu.SetScreen(MENUSCREEN_HOST_GAME, int(g_SelectedTrackId));
        } else if (item == 1) {
            g_GameState = GAMESTATE_JOIN_GAME;
            std::memset(g_TextEntry, 0, sizeof(g_TextEntry));
        } else {
            ShutdownNetwork();
            menu.SetScreen(MENUSCREEN_MAIN, 1);
        }
        break;
    case MENUSCREEN_HOST_GAME:
        PlayClickSound();
        HostNetworkGame(item);
        break;
    case MENUSCREEN_NETWORK_ERROR:
        PlayClickSound();
        menu.SetScreen(MENUSCREEN_MAIN, 0);
        break;
    case MENUSCREEN_SESSION_NOT_FOUND:
    case MENUSCREEN_INVALID_HOST_IP:
        PlayClickSound();
        g_GameState = GAMESTATE_JOIN_GAME;
        break;
    case MENUSCREEN_HOST_ERROR:
    case MENUSCREEN_CONNECT_ERROR:
    case MENUSCREEN_CONNECTION_LOST:
        PlayClickSound();
        menu.SetScreen(MENUSCREEN_MULTIPLAYER, 0);
        break;
    case MENUSCREEN_OPTIONS:
        if (item != 2)
            break;
        PlayClickSound();
        SaveVolumes();
        menu.SetScreen(MENUSCREEN_MAIN, 2);
        break;
    case MENUSCREEN_CREDITS:
        PlayClickSound();
        menu.SetScreen(MENUSCREEN_MAIN, 3);
        break;
    default:
        break;
    }
}

void EnterOnPauseMenu()
{
    PlayClickSound();
    switch (g_PauseMenuItem) {
    case 0:
        ResumeSinglePlayerRace();
        break;
    case 1:
        RestartSinglePlayerRace();
        break;
    default:
        if (CloseSinglePlayerRace()) {
            g_GameState = GAMESTATE_MAIN_MENU;
            g_Menu->SetScreen(MENUSCREEN_SINGLE_PLAYER, 0);
        }
        break;
    }
}

} // namespace

void HandleEnterKey()
{
    switch (g_GameState) {
    case GAMESTATE_MAIN_MENU:
        if (g_Menu != nullptr)
            EnterOnMenuScreen();
        break;
    case GAMESTATE_NEW_RECORD:
        if (g_PlayerName[0] == '\0')
            break;
        PlayClickSound();
        StoreNewRecord();
        g_GameState = GAMESTATE_BEST_TIMES;
        break;
    case GAMESTATE_BEST_TIMES:
        if (g_Menu == nullptr)
            break;
        PlayClickSound();
        g_GameState = GAMESTATE_MAIN_MENU;
        g_Menu->SetScreen(MENUSCREEN_SINGLE_PLAYER, 0);
        break;
    case GAMESTATE_MULTIPLAYER_NAME:
        if (g_PlayerName[0] == '\0' || g_Menu == nullptr)
            break;
        PlayClickSound();
        g_GameState = GAMESTATE_MAIN_MENU;
        g_Menu->SetScreen(InitNetwork() ? MENUSCREEN_MULTIPLAYER : MENUSCREEN_NETWORK_ERROR, 0);
        break;
    case GAMESTATE_JOIN_GAME:
        if (g_TextEntry[0] == '\0' || g_Menu == nullptr)
            break;
        PlayClickSound();
        JoinNetworkGame();
        break;
    case GAMESTATE_MULTIPLAYER_RESULTS:
        if (g_Menu != nullptr)
            CloseNetworkResults();
        break;
    case GAMESTATE_LOGO:
        PlayClickSound();
        g_GameState = GAMESTATE_TITLE;
        CloseLogoScreen();
        FadeInMusic();
        break;
    case GAMESTATE_TITLE:
        if (g_Menu == nullptr)
            break;
        PlayClickSound();
        g_GameState = GAMESTATE_MAIN_MENU;
        g_Menu->SetScreen(MENUSCREEN_MAIN, 0);
        break;
    case GAMESTATE_PAUSE_MENU:
        if (g_SinglePlayerRace != nullptr)
            EnterOnPauseMenu();
        break;
    default:
        break;
    }
}

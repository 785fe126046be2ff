// HandleEscapeKey: the back key in each state and menu screen.

#include "app/FrontEnd.h"
#include "app/KeyHandlers.h"
#include "app/Menu.h"
#include "app/MenuActions.h"
#include "app/NetworkActions.h"
#include "app/RaceActions.h"

#include <cstring>

namespace {

void EscapeOnMenuScreen()
{
    Menu& menu = *g_Menu;
    switch (menu.screen) {
    case MENUSCREEN_QUIT_CONFIRM:
    case MENUSCREEN_SINGLE_PLAYER:
    case MENUSCREEN_NETWORK_ERROR:
        menu.SetScreen(MENUSCREEN_MAIN, 0);
        break;
    case MENUSCREEN_MAIN:
        menu.SetScreen(MENUSCREEN_QUIT_CONFIRM, 1);
        break;
    case MENUSCREEN_SELECT_TRACK:
        menu.SetScreen(MENUSCREEN_SINGLE_PLAYER, 1);
        break;
    case MENUSCREEN_BEST_TIMES:
        menu.SetScreen(MENUSCREEN_SINGLE_PLAYER, 2);
        break;
    case MENUSCREEN_MULTIPLAYER:
        // As its "Back" item: the network is taken down here too.
        ShutdownNetwork();
        menu.SetScreen(MENUSCREEN_MAIN, 1);
        break;
    case MENUSCREEN_HOST_GAME:
    case MENUSCREEN_HOST_ERROR:
    case MENUSCREEN_CONNECT_ERROR:
    case MENUSCREEN_CONNECTION_LOST:
        menu.SetScreen(MENUSCREEN_MULTIPLAYER, 0);
        break;
    case MENUSCREEN_SESSION_NOT_FOUND:
    case MENUSCREEN_INVALID_HOST_IP:
        g_GameState = GAMESTATE_JOIN_GAME;
        break;
    case MENUSCREEN_OPTIONS:
        // The volumes stay as set for this run, unsaved.
        menu.SetScreen(MENUSCREEN_MAIN, 2);
        break;
    case MENUSCREEN_CREDITS:
        menu.SetScreen(MENUSCREEN_MAIN, 3);
        break;
    default:
        return;
    }
    PlayClickSound();
}

} // namespace

void HandleEscapeKey()
{
    // The race states have no menu.
    if (g_GameState == GAMESTATE_SINGLE_PLAYER_RACE) {
        if (g_SinglePlayerRace != nullptr)
            PauseSinglePlayerRace();
        return;
    }
    if (g_GameState == GAMESTATE_PAUSE_MENU) {
        if (g_SinglePlayerRace != nullptr) {
            PlayClickSound();
            ResumeSinglePlayerRace();
        }
        return;
    }
    if (g_GameState == GAMESTATE_MULTIPLAYER_RACE) {
        ExitNetworkRace(MENUSCREEN_MULTIPLAYER);
        return;
    }
    if (g_Menu == nullptr)
        return;
    switch (g_GameState) {
    case GAMESTATE_MAIN_MENU:
        EscapeOnMenuScreen();
        break;
    case GAMESTATE_MULTIPLAYER_NAME:
        PlayClickSound();
        g_GameState = GAMESTATE_MAIN_MENU;
        g_Menu->SetScreen(MENUSCREEN_MAIN, 1);
        std::memcpy(g_PlayerName, g_SavedPlayerName, sizeof(g_PlayerName));
        break;
    case GAMESTATE_JOIN_GAME:
        PlayClickSound();
        g_GameState = GAMESTATE_MAIN_MENU;
        g_Menu->SetScreen(MENUSCREEN_MULTIPLAYER, 1);
        break;
    case GAMESTATE_MULTIPLAYER_RESULTS:
        CloseNetworkResults();
        break;
    case GAMESTATE_BEST_TIMES:
        PlayClickSound();
        g_GameState = GAMESTATE_MAIN_MENU;
        g_Menu->SetScreen(MENUSCREEN_SINGLE_PLAYER, 0);
        break;
    default:
        break;
    }
}

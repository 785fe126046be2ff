#pragma once
// The front end's state number. 9, 11 and 12 are never set; the frame
// functions treat them as states with nothing to do.

#include <cstdint>

enum GameState : int32_t {
    GAMESTATE_QUIT = 0,
    GAMESTATE_MAIN_MENU = 1,
    GAMESTATE_NEW_RECORD = 2,
    GAMESTATE_BEST_TIMES = 3,
    GAMESTATE_MULTIPLAYER_NAME = 4,
    GAMESTATE_JOIN_GAME = 5,
    GAMESTATE_MULTIPLAYER_RESULTS = 6,
    GAMESTATE_LOGO = 7,
    GAMESTATE_TITLE = 8,
    GAMESTATE_PAUSE_MENU = 10,
    GAMESTATE_SINGLE_PLAYER_RACE = 13,
    GAMESTATE_MULTIPLAYER_RACE = 14,
};

extern GameState g_GameState;

// ProcessInput: reads the keyboard and dispatches the keys of the current state.

#include "app/FrameFunctions.h"
#include "app/FrontEnd.h"
#include "app/KeyHandlers.h"
#include "app/NetworkActions.h"
#include "app/TextEntry.h"
#include "backend/window/KeyCodes.h"
#include "engine/platform/InputSystem.h"
#include "engine/platform/KeyRepeatTable.h"
#include "race/SinglePlayerRace.h"

namespace {

constexpr int KEY_LEFT = 0, KEY_RIGHT = 1, KEY_UP = 2, KEY_DOWN = 3, KEY_ENTER = 4, KEY_ESCAPE = 5;

bool IsDown(uint8_t key)
{
    return g_InputSystem.keyboardValid && (g_InputSystem.keys[key] & 0x80) != 0;
}

// True when the logical key fires this turn; a key that is up is released.
bool Fires(int logicalKey, bool down)
{
    if (down)
        return g_KeyRepeat.KeyDown(logicalKey);
    g_KeyRepeat.KeyUp(logicalKey);
    return false;
}

} // namespace

void ProcessInput()
{
    g_InputSystem.ReadKeyboard();

    // Once a handler has changed the state, the other keys down this turn
    // count as held but act on nothing: no key acts on a state (or an
    // object) it was not pressed for.
    const GameState state = g_GameState;
    bool changed = false;
    if (Fires(KEY_ESCAPE, IsDown(backend::DIK_ESCAPE))) {
        HandleEscapeKey();
        changed = g_GameState != state;
    }

    if (!changed && (state == GAMESTATE_NEW_RECORD || state == GAMESTATE_MULTIPLAYER_NAME))
        UpdateTextEntry(g_PlayerName, NAME_MAX_LENGTH, false);
    else if (!changed && state == GAMESTATE_JOIN_GAME)
        UpdateTextEntry(g_TextEntry, ADDRESS_MAX_LENGTH, true);

    struct Binding {
        int logicalKey;
        bool down;
        void (*handler)();
    };
    const Binding bindings[] = {
        {KEY_LEFT, IsDown(backend::DIK_LEFT), HandleKeyLeft},
        {KEY_RIGHT, IsDown(backend::DIK_RIGHT), HandleKeyRight},
        {KEY_UP, IsDown(backend::DIK_UP), HandleKeyUp},
        {KEY_DOWN, IsDown(backend::DIK_DOWN), HandleKeyDown},
        {KEY_ENTER, IsDown(backend::DIK_RETURN) || IsDown(backend::DIK_NUMPADENTER), HandleEnterKey},
    };
    const bool menuKeys = state <= GAMESTATE_PAUSE_MENU;
    for (const Binding& binding : bindings) {
        if (Fires(binding.logicalKey, binding.down) && menuKeys && !changed) {
            binding.handler();
            changed = g_GameState != state;
        }
    }

    if (!changed && state == GAMESTATE_SINGLE_PLAYER_RACE && g_SinglePlayerRace != nullptr)
        g_SinglePlayerRace->HandleInput();
    else if (!changed && state == GAMESTATE_MULTIPLAYER_RACE)
        ProcessNetworkRaceInput();
}

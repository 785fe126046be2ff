// The arrow keys: moving through menu items, the quit box, the volumes and
// the pause menu.

#include "app/FrontEnd.h"
#include "app/KeyHandlers.h"
#include "app/Menu.h"
#include "app/MenuActions.h"
#include "audio/AudioManager.h"
#include "engine/platform/ColorPulseTable.h"

namespace {

constexpr float VOLUME_STEP = 0.05f;

bool MenuShows(MenuScreen screen)
{
    return g_GameState == GAMESTATE_MAIN_MENU && g_Menu != nullptr && g_Menu->screen == screen;
}

// Left snaps onto the 0.05 grid below; right adds a step (clamped by the manager).
float LowerVolume(float v)
{
    const int n = int((v - VOLUME_STEP) * 20.0f + 0.5f);
    return float(n) * VOLUME_STEP;
}

void ChangeVolume(bool up)
{
    AudioManager* audio = GetAudioManager();
    const int item = g_Menu->selectedItem;
    if (item != 0 && item != 1)
        return;
    const float v = item == 0 ? audio->GetSoundVolume() : audio->GetMusicVolume();
    if (up ? !(v < 1.0f) : !(v > 0.0f))
        return;
    PlayClickSound();
    const float changed = up ? v + VOLUME_STEP : LowerVolume(v);
    if (item == 0)
        audio->SetSoundVolume(changed);
    else
        audio->SetMusicVolume(changed);
}

void SideKey(bool right)
{
    if (MenuShows(MENUSCREEN_QUIT_CONFIRM)) {
        if (right ? g_Menu->NextItem(false) : g_Menu->PreviousItem(false))
            PlayClickSound();
    } else if (MenuShows(MENUSCREEN_OPTIONS)) {
        ChangeVolume(right);
    }
}

void VerticalKey(bool down)
{
    if (g_GameState == GAMESTATE_PAUSE_MENU) {
        PlayClickSound();
        g_PauseMenuItem = (g_PauseMenuItem + (down ? 1 : 2)) % 3;
        g_ColorPulses.SetPhase(HIGHLIGHT_PULSE, 0.5f);
        return;
    }
    if (g_GameState != GAMESTATE_MAIN_MENU || g_Menu == nullptr)
        return;
    switch (g_Menu->screen) {
    case MENUSCREEN_MAIN:
    case MENUSCREEN_SINGLE_PLAYER:
    case MENUSCREEN_SELECT_TRACK:
    case MENUSCREEN_BEST_TIMES:
    case MENUSCREEN_MULTIPLAYER:
    case MENUSCREEN_HOST_GAME:
    case MENUSCREEN_OPTIONS:
        PlayClickSound();
        if (down)
            g_Menu->NextItem(true);
        else
            g_Menu->PreviousItem(true);
        break;
    default:
        break;
    }
}

} // namespace

void HandleKeyLeft()
{
    SideKey(false);
}

void HandleKeyRight()
{
    SideKey(true);
}

void HandleKeyUp()
{
    VerticalKey(false);
}

void HandleKeyDown()
{
    VerticalKey(true);
}

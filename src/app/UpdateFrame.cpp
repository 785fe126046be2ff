// UpdateFrame: one logic step of the current state.

#include "app/FrameFunctions.h"
#include "app/FrontEnd.h"
#include "app/LogoScreen.h"
#include "app/Menu.h"
#include "app/MenuActions.h"
#include "app/NetworkActions.h"
#include "app/RaceActions.h"
#include "audio/AudioManager.h"
#include "engine/platform/ColorPulseTable.h"
#include "race/RecordsFile.h"
#include "race/SinglePlayerRace.h"
#include "tracks/TrackTable.h"

#include <string>

namespace {

constexpr float TITLE_FADE_STEP = 0.05f;

// One step of the race; once it is over, the menu comes back behind the
// race's follow-up state with the track's best times. False when the menu
// could not be made: the turn ends at once.
bool UpdateSinglePlayerRace()
{
    SinglePlayerRace* race = g_SinglePlayerRace;
    if (race == nullptr)
        return true;
    race->Update();
    if (!race->isOver)
        return true;
    g_NewRecordTime = race->playerMoped.totalMs;
    const GameState next = race->nextGameState == RACE_NEXT_BEST_TIMES ? GAMESTATE_BEST_TIMES : GAMESTATE_NEW_RECORD;
    if (!CloseSinglePlayerRace())
        return false;
    g_GameState = next;
    const std::string records = BuildTrackRecordsPath(TrackId(g_CurrentTrackId));
    ReadRecordsFile(records.c_str(), g_RaceRecords);
    g_BestTimesShownRows = 0;
    if (next == GAMESTATE_BEST_TIMES)
        g_NewRecordIndex = -1;
    return true;
}

} // namespace

void UpdateFrame()
{
    const GameState state = g_GameState;
    switch (state) {
    case GAMESTATE_LOGO:
        if (g_LogoScreen != nullptr) {
            g_LogoScreen->Update();
            if (g_LogoScreen->timer.expired) {
                CloseLogoScreen();
                g_GameState = GAMESTATE_TITLE;
                FadeInMusic();
            }
        }
        break;
    case GAMESTATE_MAIN_MENU:
        if (g_Menu != nullptr)
            g_Menu->Update();
        break;
    case GAMESTATE_SINGLE_PLAYER_RACE:
        if (!UpdateSinglePlayerRace())
            return;
        break;
    case GAMESTATE_MULTIPLAYER_RACE:
        if (!UpdateNetworkRace())
            return;
        break;
    case GAMESTATE_MULTIPLAYER_RESULTS:
        if (!UpdateNetworkResults())
            return;
        break;
    case GAMESTATE_NEW_RECORD:
    case GAMESTATE_MULTIPLAYER_NAME:
    case GAMESTATE_JOIN_GAME:
    case GAMESTATE_TITLE:
    case GAMESTATE_PAUSE_MENU:
        g_ColorPulses.Update();
        break;
    case GAMESTATE_BEST_TIMES:
        if (g_BestTimesShownRows < MAX_RECORDS)
            ++g_BestTimesShownRows;
        break;
    default:
        break;
    }

    if (state != GAMESTATE_LOGO && state != GAMESTATE_TITLE && g_TitleFade > 0.0f) {
        g_TitleFade -= TITLE_FADE_STEP;
        if (g_TitleFade <= 0.0f)
            g_TitleImage.Release();
    }
    GetAudioManager()->Update();
}

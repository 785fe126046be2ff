#include "app/RaceActions.h"

#include "app/Application.h"
#include "app/DeviceStates.h"
#include "app/FrontEnd.h"
#include "app/Menu.h"
#include "app/MenuActions.h"
#include "audio/AudioManager.h"
#include "audio/Sound.h"
#include "backend/gpu/GpuTypes.h"
#include "engine/platform/ColorPulseTable.h"
#include "engine/platform/DeviceSettings.h"
#include "engine/platform/Log.h"
#include "race/SinglePlayerRace.h"
#include "tracks/TrackTable.h"

#include <new>
#include <string>

namespace {

bool MusicEnabled()
{
    return !g_DeviceSettings.disableMusic && g_Music != nullptr;
}

void ReleaseMusic()
{
    if (!MusicEnabled())
        return;
    g_Music->Stop();
    g_Music->Release();
}

// The race or its music failed after the menu was deleted: the program ends.
void QuitAfterFailedStart(const char* fallbackError)
{
    if (g_LastError.empty())
        ReportError(fallbackError);
    FreeSinglePlayerRace();
    g_GameState = GAMESTATE_QUIT;
}

} // namespace

void FreeSinglePlayerRace()
{
    if (g_SinglePlayerRace == nullptr)
        return;
    g_SinglePlayerRace->Release();
    g_SinglePlayerRace->Destroy();
    delete g_SinglePlayerRace;
    g_SinglePlayerRace = nullptr;
}

void StartSinglePlayerRace()
{
    ReleaseMusic();
    if (g_Menu != nullptr) {
        g_Menu->Release();
        delete g_Menu;
        g_Menu = nullptr;
    }
    RenderLoadingTrackScreen();

    g_SinglePlayerRace = new (std::nothrow) SinglePlayerRace();
    if (g_SinglePlayerRace == nullptr) {
        QuitAfterFailedStart("Error creating the race!");
        return;
    }
    if (!g_SinglePlayerRace->Create(g_CurrentTrackId)) {
        QuitAfterFailedStart("Error loading the track!");
        return;
    }
    if (MusicEnabled()) {
        const std::string music = BuildTrackMusicPath(TrackId(g_CurrentTrackId));
        if (!g_Music->Load(music.c_str(), &g_MusicLoadParams)) {
            QuitAfterFailedStart("Error loading the track music!");
            return;
        }
        g_Music->SetVolume(1.0f);
        g_Music->Play();
    }
    SetMipFilter(g_DeviceSettings.mipFilter);
    g_GameState = GAMESTATE_SINGLE_PLAYER_RACE;
}

void PauseSinglePlayerRace()
{
    g_GameState = GAMESTATE_PAUSE_MENU;
    g_PauseMenuItem = 0;
    g_ColorPulses.SetPhase(HIGHLIGHT_PULSE, 0.5f);
    GetAudioManager()->PauseAll();
    PlayClickSound();
}

void ResumeSinglePlayerRace()
{
    if (g_SinglePlayerRace != nullptr)
        g_SinglePlayerRace->ResetTimers();
    GetAudioManager()->ResumeAll();
    g_GameState = GAMESTATE_SINGLE_PLAYER_RACE;
}

void RestartSinglePlayerRace()
{
    GetAudioManager()->StopAll();
    if (g_SinglePlayerRace != nullptr)
        g_SinglePlayerRace->Reset();
    if (MusicEnabled())
        g_Music->Play();
    g_GameState = GAMESTATE_SINGLE_PLAYER_RACE;
}

bool CloseSinglePlayerRace()
{
    GetAudioManager()->StopAll();
    ReleaseMusic();
    FreeSinglePlayerRace();
    if (!OpenMainMenu())
        return false;
    SetMipFilter(backend::D3DTEXF_NONE);
    FadeInMusic();
    return true;
}

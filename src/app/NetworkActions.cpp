#include "app/NetworkActions.h"

#include "app/Application.h"
#include "app/DeviceStates.h"
#include "app/FrontEnd.h"
#include "app/Menu.h"
#include "app/MenuActions.h"
#include "audio/AudioManager.h"
#include "audio/Sound.h"
#include "backend/gpu/GpuTypes.h"
#include "backend/window/KeyCodes.h"
#include "engine/platform/DeviceSettings.h"
#include "engine/platform/FormatTime.h"
#include "engine/platform/InputSystem.h"
#include "engine/platform/Log.h"
#include "engine/platform/RenderDevice.h"
#include "network/InsertRaceResult.h"
#include "network/IsValidIpAddress.h"
#include "network/NetworkMessageHandler.h"
#include "network/NetworkPeer.h"
#include "race/GameMessages.h"
#include "race/MultiplayerRace.h"
#include "tracks/TrackTable.h"

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <new>
#include <string>

namespace {

using RaceLock = std::unique_lock<std::recursive_mutex>;

constexpr uint32_t WHITE = 0xFFFFFFFFu;
constexpr uint32_t GREEN = 0xFF00FF00u;
constexpr int ALIGN_LEFT = 0, ALIGN_CENTRE = 1, ALIGN_RIGHT = 2;

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

void DeleteMenu()
{
    if (g_Menu == nullptr)
        return;
    g_Menu->Release();
    delete g_Menu;
    g_Menu = nullptr;
}

// Release and Destroy (both safe when repeated), then the object.
void FreeMultiplayerRace()
{
    RaceLock lock(g_RaceLock);
    MultiplayerRace* race = g_MultiplayerRace;
    if (race == nullptr)
        return;
    race->Release();
    race->Destroy();
    g_MultiplayerRace = nullptr;
    delete race;
}

// A race that never got a track: nothing to release.
void DeleteUnloadedRace()
{
    RaceLock lock(g_RaceLock);
    delete g_MultiplayerRace;
    g_MultiplayerRace = nullptr;
}

void ShowMenuScreen(MenuScreen screen)
{
    g_GameState = GAMESTATE_MAIN_MENU;
    if (g_Menu != nullptr)
        g_Menu->SetScreen(screen, 0);
}

// The race object and the flags of a new network game.
bool NewRace(bool host)
{
    RaceLock lock(g_RaceLock);
    g_RaceRecords.clear();
    g_LocalResultIndex = -1;
    g_MultiplayerRace = new (std::nothrow) MultiplayerRace();
    if (g_MultiplayerRace == nullptr) {
        ReportError("Error creating the race!");
        g_GameState = GAMESTATE_QUIT;
        return false;
    }
    g_IsHost = host;
    g_RaceStartReceived = false;
    g_PlayerLeft = false;
    g_StateSendCountdown = STATE_SEND_FRAMES;
    g_TimeSyncSendCountdown = TIME_SYNC_SEND_FRAMES;
    g_LocalPlayerId = 0;
    return true;
}

bool PublishJoinOrder(int32_t joinOrder)
{
    PeerData data;
    data.joinOrder = static_cast<uint32_t>(joinOrder);
    uint8_t bytes[PEER_DATA_SIZE];
    data.Pack(bytes);
    return g_NetworkPeer.SetLocalPlayerInfo(g_PlayerName, bytes, PEER_DATA_SIZE, true);
}

// The menu gives way to the race on `trackId`, under g_RaceLock. After a
// failure the session is left, the race freed and the program ends.
bool LoadRace(RaceLock& lock, int trackId)
{
    ReleaseMusic();
    DeleteMenu();
    RenderLoadingTrackScreen();
    bool ok = g_MultiplayerRace->Create(trackId);
    const char* error = "Error loading the track!";
    if (ok && MusicEnabled()) {
        const std::string music = BuildTrackMusicPath(TrackId(trackId));
        ok = g_Music->Load(music.c_str(), &g_MusicLoadParams);
        error = "Error loading the track music!";
        if (ok) {
            g_Music->SetVolume(1.0f);
            g_Music->Play();
        }
    }
    if (ok)
        return true;
    lock.unlock();
    g_NetworkPeer.Disconnect();
    if (g_LastError.empty())
        ReportError(error);
    FreeMultiplayerRace();
    g_GameState = GAMESTATE_QUIT;
    return false;
}

bool Send(const uint8_t* bytes, size_t size, bool guaranteed)
{
    return g_NetworkPeer.Send(backend::NET_ALL_PLAYERS, bytes, static_cast<uint32_t>(size), guaranteed);
}

int32_t PresentOpponents(const MultiplayerRace& race)
{
    return static_cast<int32_t>(std::count_if(race.opponents.begin(), race.opponents.end(),
                                              [](const std::unique_ptr<Opponent>& o) { return !o->removed; }));
}

// The host closes the session to newcomers and tells everyone to start.
bool SendRaceStart()
{
    SessionAppData appData;
    appData.joinable = 0;
    appData.trackId = g_SelectedTrackId;
    uint8_t desc[SESSION_APP_DATA_SIZE];
    appData.Pack(desc);
    uint8_t start[RACE_START_MESSAGE_SIZE];
    RaceStartMessage().Pack(start);
    return g_NetworkPeer.SetApplicationDesc(MAX_SESSION_PLAYERS, desc, SESSION_APP_DATA_SIZE) &&
           Send(start, sizeof start, true);
}

// The host's clock every 15th turn once racing; false when the send failed.
bool SendTimeSync(RaceLock& lock, const MultiplayerRace& race)
{
    if (!g_IsHost || race.phase <= RACEPHASE_COUNTDOWN || --g_TimeSyncSendCountdown != 0)
        return true;
    g_TimeSyncSendCountdown = TIME_SYNC_SEND_FRAMES;
    TimeSyncMessage sync;
    sync.raceTimeMs = race.raceTimeMs;
    uint8_t bytes[TIME_SYNC_MESSAGE_SIZE];
    sync.Pack(bytes);
    lock.unlock();
    const bool sent = Send(bytes, sizeof bytes, false);
    lock.lock();
    return sent;
}

// The race is over: its device and world objects go, the menu comes back, the
// others learn the time and the results list gets the local row.
bool FinishNetworkRace(RaceLock& lock, MultiplayerRace& race)
{
    const uint32_t total = race.playerMoped.totalMs;
    GetAudioManager()->StopAll();
    ReleaseMusic();
    race.Release();
    race.Destroy();
    if (!OpenMainMenu()) {
        lock.unlock();
        g_NetworkPeer.Disconnect();
        return false;
    }
    SetMipFilter(backend::D3DTEXF_NONE);
    FinishedMessage finished;
    finished.totalTimeMs = total;
    uint8_t bytes[FINISHED_MESSAGE_SIZE];
    finished.Pack(bytes);
    lock.unlock();
    if (!Send(bytes, sizeof bytes, true)) {
        ExitNetworkRace(MENUSCREEN_CONNECTION_LOST);
        return false;
    }
    lock.lock();
    InsertRaceResult(g_PlayerName, total, true);
    lock.unlock();
    FadeInMusic();
    g_GameState = GAMESTATE_MULTIPLAYER_RESULTS;
    return true;
}

} // namespace

bool InitNetwork()
{
    if (g_NetworkPeer.Init(g_ApplicationGuid, NETWORK_PORT,
                           [](const backend::NetMessage& message) { return HandleNetworkMessage(message); }))
        return true;
    g_NetworkPeer.Shutdown();
    return false;
}

void ShutdownNetwork()
{
    g_NetworkPeer.Shutdown();
}

void HostNetworkGame(int trackId)
{
    g_SelectedTrackId = static_cast<uint32_t>(trackId);
    if (!NewRace(true))
        return;
    if (!PublishJoinOrder(0)) {
        DeleteUnloadedRace();
        ShowMenuScreen(MENUSCREEN_HOST_ERROR);
        return;
    }
    g_MultiplayerRace->localJoinOrder = 0;
    SessionAppData appData;
    appData.joinable = 1;
    appData.trackId = g_SelectedTrackId;
    uint8_t bytes[SESSION_APP_DATA_SIZE];
    appData.Pack(bytes);
    g_NetworkPeer.SetAdmissionCheck(AdmitJoiner);
    if (!g_NetworkPeer.Host(SESSION_NAME, MAX_SESSION_PLAYERS, bytes, SESSION_APP_DATA_SIZE)) {
        DeleteUnloadedRace();
        ShowMenuScreen(MENUSCREEN_HOST_ERROR);
        return;
    }
    RaceLock lock(g_RaceLock);
    if (!LoadRace(lock, trackId))
        return;
    SetMipFilter(g_DeviceSettings.mipFilter);
    g_GameState = GAMESTATE_MULTIPLAYER_RACE;
}

void JoinNetworkGame()
{
    {
        RaceLock lock(g_RaceLock);
        g_RaceRecords.clear();
        g_LocalResultIndex = -1;
    }
    if (!IsValidIpAddress(g_TextEntry)) {
        ShowMenuScreen(MENUSCREEN_INVALID_HOST_IP);
        return;
    }
    if (!NewRace(false))
        return;
    if (MusicEnabled())
        g_Music->Stop();
    // Each failure before the race loads: back to the menu, the music on again.
    const auto fail = [](MenuScreen screen) {
        g_NetworkPeer.Disconnect();
        DeleteUnloadedRace();
        ShowMenuScreen(screen);
        if (MusicEnabled())
            g_Music->Play();
    };
    FoundSession found;
    if (!g_NetworkPeer.FindSession(g_TextEntry) || !g_NetworkPeer.GetFoundSession(&found)) {
        fail(MENUSCREEN_SESSION_NOT_FOUND);
        return;
    }
    const int32_t joinOrder = static_cast<int32_t>(std::min<uint32_t>(found.desc.currentPlayers, INT32_MAX));
    if (!PublishJoinOrder(joinOrder)) {
        fail(MENUSCREEN_CONNECT_ERROR);
        return;
    }
    g_MultiplayerRace->localJoinOrder = joinOrder;
    // Should the host leave, this player may be the one who admits the next.
    g_NetworkPeer.SetAdmissionCheck(AdmitJoiner);
    if (!g_NetworkPeer.Connect()) {
        fail(MENUSCREEN_CONNECT_ERROR);
        return;
    }
    RaceLock lock(g_RaceLock);
    // The host's data must name a track that exists.
    SessionAppData appData;
    if (found.appData.size() != SESSION_APP_DATA_SIZE || !appData.Unpack(found.appData.data(), found.appData.size())) {
        lock.unlock();
        fail(MENUSCREEN_CONNECT_ERROR);
        return;
    }
    g_SelectedTrackId = appData.trackId;
    if (!LoadRace(lock, static_cast<int>(appData.trackId)))
        return;
    lock.unlock();
    uint8_t joined[PLAYER_JOINED_MESSAGE_SIZE];
    PlayerJoinedMessage().Pack(joined);
    if (!Send(joined, sizeof joined, true)) {
        ExitNetworkRace(MENUSCREEN_CONNECTION_LOST);
        return;
    }
    SetMipFilter(g_DeviceSettings.mipFilter);
    g_GameState = GAMESTATE_MULTIPLAYER_RACE;
}

void ExitNetworkRace(MenuScreen screen)
{
    // No handler call runs once the session is closed, so the race can go.
    g_NetworkPeer.Disconnect();
    GetAudioManager()->StopAll();
    ReleaseMusic();
    FreeMultiplayerRace();
    // A race that ended has made its menu already: it is made again with the music.
    DeleteMenu();
    if (!OpenMainMenu())
        return;
    SetMipFilter(backend::D3DTEXF_NONE);
    FadeInMusic();
    ShowMenuScreen(screen);
}

void CloseNetworkResults()
{
    PlayClickSound();
    g_NetworkPeer.Disconnect();
    FreeMultiplayerRace();
    ShowMenuScreen(MENUSCREEN_MULTIPLAYER);
}

void ProcessNetworkRaceInput()
{
    RaceLock lock(g_RaceLock);
    MultiplayerRace* race = g_MultiplayerRace;
    if (race == nullptr)
        return;
    if (race->phase == RACEPHASE_WAITING) {
        bool start = false;
        if (g_IsHost) {
            const int32_t present = PresentOpponents(*race);
            const bool sKey = g_InputSystem.keyboardValid && (g_InputSystem.keys[backend::DIK_S] & 0x80) != 0;
            if (present >= 1 && (sKey || present >= MAX_OPPONENTS)) {
                lock.unlock();
                if (!SendRaceStart()) {
                    ExitNetworkRace(MENUSCREEN_CONNECTION_LOST);
                    return;
                }
                lock.lock();
                start = true;
            }
        } else {
            start = g_RaceStartReceived;
        }
        if (start) {
            race->StartCountDown();
            race->messages.Add("Race started!");
        }
    }
    race->HandleInput();
    if (!race->controlMessageChanged)
        return;
    uint8_t control[CONTROL_MESSAGE_SIZE];
    std::copy_n(race->lastControlMessage, CONTROL_MESSAGE_SIZE, control);
    lock.unlock();
    if (!Send(control, sizeof control, false))
        ExitNetworkRace(MENUSCREEN_CONNECTION_LOST);
}

bool UpdateNetworkRace()
{
    RaceLock lock(g_RaceLock);
    MultiplayerRace* race = g_MultiplayerRace;
    if (race == nullptr)
        return true;
    race->Update();
    bool ok = true;
    if (g_PlayerLeft) {
        // A player left or the host's list moved the local slot while waiting:
        // the data published names the slot the local player now has.
        if (race->phase == RACEPHASE_WAITING) {
            const int32_t slot = race->localJoinOrder;
            lock.unlock();
            ok = PublishJoinOrder(slot);
            lock.lock();
        }
        g_PlayerLeft = false;
    }
    if (ok && --g_StateSendCountdown == 0) {
        g_StateSendCountdown = STATE_SEND_FRAMES;
        uint8_t state[MOPED_STATE_MESSAGE_SIZE];
        race->playerMoped.PackStateMessage(state);
        lock.unlock();
        ok = Send(state, sizeof state, false);
        lock.lock();
    }
    ok = ok && SendTimeSync(lock, *race);
    if (!ok) {
        lock.unlock();
        ExitNetworkRace(MENUSCREEN_CONNECTION_LOST);
        return false;
    }
    if (race->isOver)
        return FinishNetworkRace(lock, *race);
    return true;
}

bool UpdateNetworkResults()
{
    RaceLock lock(g_RaceLock);
    MultiplayerRace* race = g_MultiplayerRace;
    if (race == nullptr)
        return true;
    race->UpdateRaceTime();
    if (SendTimeSync(lock, *race))
        return true;
    lock.unlock();
    g_NetworkPeer.Disconnect();
    FreeMultiplayerRace();
    ShowMenuScreen(MENUSCREEN_CONNECTION_LOST);
    return false;
}

void DrawNetworkRace()
{
    RaceLock lock(g_RaceLock);
    MultiplayerRace* race = g_MultiplayerRace;
    if (race == nullptr)
        return;
    race->Draw(true, &g_Font);
    if (g_IsHost && race->phase == RACEPHASE_WAITING && PresentOpponents(*race) >= 1) {
        SetMipFilter(backend::D3DTEXF_NONE);
        g_RenderDevice.Begin2D(800.0f, 600.0f);
        g_Font.DrawText("Press S to force the race to start.", 400.0f, 302.0f, 0.55f, 0.0f, WHITE, ALIGN_CENTRE);
        SetMipFilter(g_DeviceSettings.mipFilter);
    }
}

void DrawNetworkResults()
{
    RaceLock lock(g_RaceLock);
    g_Menu->RenderBackground();
    g_Menu->RenderHeaderBar();
    g_Menu->highlightFont.DrawText("Multiplayer Results", 515.0f, 200.0f, 0.65f, 0.0f, WHITE, ALIGN_CENTRE);
    for (size_t row = 0; row < g_RaceRecords.size(); ++row) {
        const float y = 260.0f + 15.0f * float(row);
        const uint32_t colour = int32_t(row) == g_LocalResultIndex ? GREEN : WHITE;
        char rank[16];
        std::snprintf(rank, sizeof rank, "%i.", int(row) + 1);
        std::string time;
        FormatTime(&time, g_RaceRecords[row].time, 3, '.', ',');
        g_Font.DrawText(rank, 355.0f, y, 0.5f, 0.0f, colour, ALIGN_RIGHT);
        g_Font.DrawText(g_RaceRecords[row].name, 370.0f, y, 0.5f, 0.0f, colour, ALIGN_LEFT);
        g_Font.DrawText(time.c_str(), 605.0f, y, 0.5f, 0.0f, colour, ALIGN_LEFT);
    }
}

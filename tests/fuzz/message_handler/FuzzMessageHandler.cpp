// Any sequence of session events and datagrams from up to eight players, fed
// to the message handler with a live network race on UK Dirt Track (headless
// device, loopback sound, manual clock), with race frames in between: nothing
// may crash, no body may leave the finite world, and the race's invariants
// must hold.
//
// The game data is read from the folder VANTREL_GAME_DATA names (a normal
// build's bin/, where the data set is generated), else from the fuzzer's own
// folder. Without it the race is made without its track: the handler is then
// fed as far as a race without a track lets it (nobody can join), and no
// frames run.
//
// Input: six bytes of join orders (players 2..7), one round-trip byte, then
// records of [what][player][length][bytes...].

#include "network/NetworkMessageHandler.h"
#include "network/PlayerDirectory.h"

#include "race/MultiplayerRace.h"
#include "race/RaceGlobals.h"
#include "tracks/Track.h"
#include "tracks/TrackTable.h"

#include "audio/AudioInitParams.h"
#include "audio/AudioManager.h"
#include "backend/clock/Clock.h"
#include "backend/files/Files.h"
#include "backend/sound/SoundTestHooks.h"
#include "backend/window/SystemWindow.h"
#include "backend/window/WindowTypes.h"
#include "engine/platform/Log.h"
#include "engine/platform/RenderDevice.h"
#include "physics/TRigidBody.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using backend::NetMessage;
using backend::NetMessageType;
using backend::NetPlayerInfo;

namespace {

constexpr uint32_t LOCAL_ID = 1;
constexpr uint32_t PLAYER_IDS = 8; // 1 local, 2..7 others, 8 unknown
constexpr int MAX_FRAMES = 8;
const char* const NAMES[] = {"", "Me", "A", "Bee", "NameOfNineteenChars", "NameOfMoreThanNineteenCharacters", "Seven"};

struct Players final : PlayerDirectory {
    bool GetRemotePlayerInfo(uint32_t player, NetPlayerInfo* info) override
    {
        if (player < 1 || player >= PLAYER_IDS)
            return false;
        *info = NetPlayerInfo{NAMES[player - 1], {}, player == LOCAL_ID ? backend::NET_PLAYER_LOCAL : 0u};
        // An odd order byte gives a data block that is no PeerData; the slot
        // is the session's word, from the same byte.
        const uint8_t order = orders[player - 1];
        info->data = {order, 0, 0, uint8_t(order & 0x80 ? 0xFF : 0)};
        info->playersBefore = order;
        if (order & 0x40)
            info->data.pop_back();
        return true;
    }
    bool GetConnectionInfo(uint32_t player, uint32_t* roundTrip) override
    {
        *roundTrip = roundTripMs;
        return player != PLAYER_IDS;
    }
    bool OnEnumHostsResponse(const NetMessage&) override { return true; }

    uint8_t orders[PLAYER_IDS] = {};
    uint32_t roundTripMs = 0;
};

intptr_t WindowProc(backend::NativeWindow*, uint32_t, uintptr_t, intptr_t)
{
    return 0;
}

[[noreturn]] void Fail(const char* what)
{
    std::fprintf(stderr, "fuzz_message_handler: %s %s\n", what, g_LastError.c_str());
    std::abort();
}

MultiplayerRace* g_Race = nullptr;
bool g_HasTrack = false;

void StartUp()
{
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
    setenv("ALSOFT_DRIVERS", "null", 0);
    backend::WindowClass windowClass;
    windowClass.procedure = WindowProc;
    windowClass.className = "VantrelFuzz";
    if (!backend::RegisterWindowClass(windowClass))
        Fail("no window class");
    backend::NativeWindow* window =
        backend::CreateWindow("VantrelFuzz", "Vantrel", backend::WS_VISIBLE, 0, 0, 800, 600, nullptr);
    backend::GpuDisplayMode mode;
    mode.Width = 800;
    mode.Height = 600;
    mode.Format = backend::D3DFMT_X8R8G8B8;
    if (window == nullptr || !g_RenderDevice.Init() ||
        !g_RenderDevice.CreateDevice(window, mode, backend::D3DDEVTYPE_HAL,
                                     backend::D3DCREATE_HARDWARE_VERTEXPROCESSING, true, backend::D3DFMT_D24S8, 1,
                                     true))
        Fail("no device");
    backend::UseLoopbackSoundDevice(true);
    backend::UseManualClock(true);
    backend::AdvanceManualClock(1000);
    const AudioInitParams params;
    if (!GetAudioManager()->Init(&params))
        Fail("no sound");
    if (const char* folder = std::getenv("VANTREL_GAME_DATA"))
        backend::SetBaseDirectory(folder);
    g_Race = new MultiplayerRace;
    g_Race->localJoinOrder = 2;
    g_HasTrack = g_Race->Create(TRACK_UK);
    if (!g_HasTrack) {
        std::fprintf(stderr, "fuzz_message_handler: no game data in %s (%s): fuzzing without a track\n",
                     backend::BaseDirectory().c_str(), g_LastError.c_str());
        g_Race->Release();
        g_Race->Destroy();
        g_Race->messages.Init();
        g_Race->localJoinOrder = 2;
    }
    g_MultiplayerRace = g_Race;
}

void Frame()
{
    if (!g_HasTrack)
        return;
    backend::AdvanceManualClock(16 * 1000);
    std::lock_guard<std::recursive_mutex> lock(g_RaceLock);
    g_Race->HandleInput();
    g_Race->Update();
    std::vector<int16_t> mix(353 * 2);
    backend::RenderSoundFrames(mix.data(), 353);
    GetAudioManager()->Update();
}

// Every opponent gone and the race back on the grid, as at the start of a session.
void Restart()
{
    for (const auto& opponent : g_Race->opponents)
        opponent->removed = true;
    for (const auto& opponent : g_Race->opponents)
        opponent->finished = false;
    Frame();
    // Back on the grid as Reset puts it, without starting its sounds again.
    g_Race->localJoinOrder = 2;
    if (g_HasTrack) {
        const TrackStartPosition& start = g_Race->track->trackData.startPositions[2];
        const TVec4 place = Vec(start.x, start.y, start.z, 1.0f);
        g_Race->playerMoped.SetPosition(&place);
        g_Race->playerMoped.Reset();
    }
    g_Race->phase = RACEPHASE_WAITING;
    g_Race->raceTimeMs = 0;
    g_Race->msSinceFinish = 0;
    g_Race->finishedOpponentCount = 0;
    g_Race->finishPosition = -1;
    g_Race->finishers = FinishLedger();
    g_RaceRecords.clear();
    g_LocalResultIndex = -1;
    g_RaceStartReceived = false;
}

bool Finite(const TVec4& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

void Check()
{
    int32_t finished = 0;
    if (g_Race->opponents.size() > size_t(MAX_OPPONENTS) + 1)
        Fail("too many opponents");
    for (size_t i = 0; i < g_Race->opponents.size(); ++i) {
        const Opponent& o = *g_Race->opponents[i];
        finished += o.finished ? 1 : 0;
        if (std::strlen(o.name) > 19 || !g_Race->IsValidJoinOrder(o.joinOrder))
            Fail("bad record");
        for (size_t j = 0; j < i; ++j)
            if (g_Race->opponents[j]->playerId == o.playerId)
                Fail("player listed twice");
        const RemoteMoped* m = o.moped.get();
        if (m == nullptr)
            continue;
        if (!m->IsComplete() || !Finite(m->position) || !Finite(m->body->GetVelocity()) ||
            std::fabs(m->steerAngle) > MOPED_STEER_LIMIT || m->riderFrame < 0 || m->riderFrame > 60)
            Fail("bad moped");
    }
    if (finished != g_Race->finishedOpponentCount)
        Fail("finished count");
    if (g_RaceRecords.size() > size_t(MAX_OPPONENTS))
        Fail("more results than players who raced");
    if (!Finite(g_Race->playerMoped.position))
        Fail("bad player moped");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (g_Race == nullptr)
        StartUp();
    Restart();
    Players players;
    if (size < 7)
        return 0;
    for (uint32_t i = 1; i < 7; ++i)
        players.orders[i] = data[i - 1];
    players.roundTripMs = data[6];
    size_t at = 7;
    int frames = 0;
    while (at + 3 <= size) {
        const uint8_t what = data[at];
        const uint32_t player = data[at + 1] % PLAYER_IDS + 1;
        const size_t length = std::min<size_t>(data[at + 2], size - at - 3);
        std::vector<uint8_t> bytes(data + at + 3, data + at + 3 + length);
        at += 3 + length;
        NetMessage message;
        message.playerId = player;
        message.reason = (what & 0x80) ? backend::NET_DESTROY_CONNECTION_LOST : backend::NET_DESTROY_NORMAL;
        switch (what % 8) {
        case 0:
            message.type = NetMessageType::CREATE_PLAYER;
            break;
        case 1:
            message.type = NetMessageType::DESTROY_PLAYER;
            break;
        case 2:
            message.type = NetMessageType::HOST_MIGRATE;
            break;
        case 3:
            message.type = NetMessageType::ENUM_HOSTS_RESPONSE;
            break;
        case 4:
            if (frames++ < MAX_FRAMES) {
                Frame();
                Check();
            }
            continue;
        case 5: {
            std::lock_guard<std::recursive_mutex> lock(g_RaceLock);
            if (g_Race->phase == RACEPHASE_WAITING)
                g_Race->StartCountDown();
            else if (g_Race->phase == RACEPHASE_COUNTDOWN)
                g_Race->phase = RACEPHASE_RACING;
            continue;
        }
        default:
            message.type = NetMessageType::RECEIVE;
            // The session hands over exactly the bytes received: an empty one has no buffer.
            message.data = bytes.empty() ? nullptr : bytes.data();
            message.size = bytes.size();
            break;
        }
        HandleNetworkMessage(message, players);
    }
    Frame();
    Check();
    return 0;
}

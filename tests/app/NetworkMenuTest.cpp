// Network play from the menu, against players made straight on the session
// layer: hosting a track and racing it to the results, joining a host, and the
// screens of every way a join fails.

#include "GameTestFixture.h"
#include "ScreenPicture.h"

#include "app/FrontEnd.h"
#include "app/Menu.h"
#include "audio/Sound.h"
#include "backend/gpu/GpuDevice.h"
#include "backend/net/SessionTestKit.h"
#include "backend/window/InputSimulation.h"
#include "backend/window/KeyCodes.h"
#include "engine/platform/Log.h"
#include "engine/platform/RenderDevice.h"
#include "engine/platform/Window.h"
#include "network/NetworkMessageHandler.h"
#include "network/NetworkPeer.h"
#include "race/GameMessages.h"
#include "race/MultiplayerRace.h"
#include "race/RaceGlobals.h"
#include "tracks/Track.h"
#include "tracks/TrackTable.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <unistd.h>

using namespace backend;
using nettest::Event;
using nettest::SlotAt;
using nettest::TestIp;
using nettest::TestPlayer;

namespace {

std::string AddressText(uint32_t n)
{
    in_addr address{htonl(TestIp(n))};
    return inet_ntoa(address);
}

NetAddress GameAddress()
{
    return {TestIp(1), uint16_t(NETWORK_PORT)};
}

std::vector<uint8_t> AppData(uint8_t joinable, uint32_t track)
{
    SessionAppData data;
    data.joinable = joinable;
    data.trackId = track;
    std::vector<uint8_t> bytes(SESSION_APP_DATA_SIZE);
    data.Pack(bytes.data());
    return bytes;
}

// A session of the game hosted by a test player.
bool HostGameSession(TestPlayer& host, uint32_t maxPlayers, std::vector<uint8_t> appData)
{
    NetAppDesc desc;
    desc.application = g_ApplicationGuid;
    desc.sessionName = SESSION_NAME;
    desc.maxPlayers = maxPlayers;
    desc.joinable = !appData.empty() && appData[0] != 0;
    desc.appData = std::move(appData);
    host.Session().SetPeerInfo("Hal", {0, 0, 0, 0});
    return host.Session().Host(desc, uint16_t(NETWORK_PORT));
}

std::vector<Event> OfKind(const std::vector<Event>& events, GameMessageKind kind)
{
    std::vector<Event> found;
    for (const Event& event : events)
        if (event.type == NetMessageType::RECEIVE && !event.data.empty() && (event.data[0] & 0x0F) == kind)
            found.push_back(event);
    return found;
}

uint32_t U32At(const std::vector<uint8_t>& bytes, size_t at)
{
    uint32_t value = 0;
    std::memcpy(&value, bytes.data() + at, sizeof value);
    return value;
}

std::vector<uint8_t> Slot(uint32_t joinOrder)
{
    std::vector<uint8_t> bytes(PEER_DATA_SIZE);
    PeerData{joinOrder}.Pack(bytes.data());
    return bytes;
}

// `bot` finds the session at `at`, claims the slot after the players it
// counts, joins as `name` and says that it joined.
bool JoinAsBot(TestPlayer& bot, const NetAddress& at, const char* name)
{
    if (!bot.Session().EnumHosts(g_ApplicationGuid, at))
        return false;
    bot.Session().SetPeerInfo(name, Slot(bot.Found().currentPlayers));
    if (!bot.Session().Connect(bot.Found(), at))
        return false;
    const uint8_t joined[1] = {GAME_MESSAGE_PLAYER_JOINED};
    return bot.Session().SendTo(NET_ALL_PLAYERS, joined, 1, true);
}

// The slot the game's race has player `id` on; -1 when it is not in the race.
int32_t GameSlotOf(uint32_t id)
{
    std::lock_guard<std::recursive_mutex> lock(g_RaceLock);
    const MultiplayerRace* race = g_MultiplayerRace;
    if (race == nullptr)
        return -1;
    if (id == g_LocalPlayerId)
        return race->localJoinOrder;
    for (const auto& opponent : race->opponents)
        if (opponent->playerId == id && !opponent->removed && opponent->moped != nullptr)
            return opponent->joinOrder;
    return -1;
}

// How far from start place `slot` the moped of player `id` stands in the
// game's race, on the ground; infinite when it has none there.
float AwayFromPlace(uint32_t id, int32_t slot)
{
    std::lock_guard<std::recursive_mutex> lock(g_RaceLock);
    const MultiplayerRace* race = g_MultiplayerRace;
    if (race == nullptr || race->track == nullptr || slot < 0 || slot >= race->track->trackData.startPositionCount)
        return INFINITY;
    const TrackStartPosition& place = race->track->trackData.startPositions[slot];
    const auto away = [&](const TVec4& at) { return std::hypot(at.x - place.x, at.z - place.z); };
    if (id == g_LocalPlayerId)
        return away(race->playerMoped.position);
    for (const auto& opponent : race->opponents)
        if (opponent->playerId == id && !opponent->removed && opponent->moped != nullptr)
            return away(opponent->moped->position);
    return INFINITY;
}

// Player `id` is on `slot` in the game's race, and its moped stands there.
::testing::AssertionResult OnSlot(uint32_t id, int32_t slot)
{
    const int32_t at = GameSlotOf(id);
    const float away = AwayFromPlace(id, slot);
    if (at == slot && away < 0.5f)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "player " << id << " is on slot " << at << ", its moped " << away
                                         << " from place " << slot;
}

bool HasLine(MultiplayerRace& race, const char* text)
{
    bool found = false;
    race.messages.ForEachLine(
        [&](const MessageListEntry& line) { found = found || std::strcmp(line.text, text) == 0; });
    return found;
}

// Far beyond the slowest sanitizer build on a loaded machine, and inside ctest's time-out.
constexpr int TURN_GUARD_S = 240;

class NetworkMenuTest : public GameTest {
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        ChooseSmallScreen();
        g_NetworkPeer.SetOptions(nettest::TestOptions(1));
    }

    // Turns until `done`, at most `turns` of them; a wall-time guard far beyond
    // any machine's pace only keeps a hung peer from holding the run, and says
    // at which turn it stopped.
    ::testing::AssertionResult TurnUntil(const std::function<bool()>& done, int turns = 600)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(TURN_GUARD_S);
        int turn = 0;
        for (; turn < turns && !done(); ++turn) {
            if (std::chrono::steady_clock::now() > deadline)
                return ::testing::AssertionFailure()
                       << "stopped by the " << TURN_GUARD_S << " s guard at turn " << turn;
            Turn();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        if (done())
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "not done after " << turn << " turns";
    }

    // Once the bot has a guaranteed message the game sends now, it has every
    // message the game sent before: they go on the same channel, in order.
    bool BotHasAllSentSoFar(TestPlayer& bot)
    {
        const uint8_t mark[2] = {0x0F, ++marks}; // names no game message
        const std::vector<uint8_t> sent(mark, mark + sizeof mark);
        return g_NetworkPeer.Send(0, mark, sizeof mark, true) && bot.WaitFor([&](const std::vector<Event>& events) {
            return std::any_of(events.begin(), events.end(), [&](const Event& e) { return e.data == sent; });
        });
    }

    // Main screen, "Multiplayer", the name, Enter: the Multiplayer screen.
    void OpenMultiplayerMenu(const char* name)
    {
        Press(DIK_DOWN);
        Press(DIK_RETURN);
        ASSERT_EQ(g_GameState, GAMESTATE_MULTIPLAYER_NAME);
        Type(name);
        Press(DIK_RETURN);
        ASSERT_NO_FATAL_FAILURE(ExpectScreen(MENUSCREEN_MULTIPLAYER, 0));
        ASSERT_TRUE(g_NetworkPeer.IsInitialised());
    }

    // From the Multiplayer screen: "Join a Game", the address typed.
    void EnterAddress(const std::string& address)
    {
        g_Menu->SetScreen(MENUSCREEN_MULTIPLAYER, 1);
        Press(DIK_RETURN);
        ASSERT_EQ(g_GameState, GAMESTATE_JOIN_GAME);
        EXPECT_STREQ(g_TextEntry, "");
        Type(address.c_str());
    }

    // The address typed and Enter.
    void Join(const std::string& address)
    {
        ASSERT_NO_FATAL_FAILURE(EnterAddress(address));
        Press(DIK_RETURN);
    }

    // From the Multiplayer screen, no track chosen yet: "Host a Game", UK Dirt Track and Enter.
    void ChooseUkTrack()
    {
        ASSERT_NO_FATAL_FAILURE(ExpectScreen(MENUSCREEN_MULTIPLAYER, 0));
        Press(DIK_RETURN);
        ASSERT_NO_FATAL_FAILURE(ExpectScreen(MENUSCREEN_HOST_GAME, 0));
        for (int i = 0; i < int(TRACK_UK); ++i)
            Press(DIK_DOWN);
        Press(DIK_RETURN);
    }

    // The game starts, and its player `name` joins the session at `address` from the menu.
    void StartAndJoin(const std::string& address, const char* name)
    {
        ASSERT_TRUE(StartGame());
        GoToMainMenu();
        ASSERT_NO_FATAL_FAILURE(OpenMultiplayerMenu(name));
        ASSERT_NO_FATAL_FAILURE(Join(address));
        ASSERT_EQ(g_GameState, GAMESTATE_MULTIPLAYER_RACE) << g_LastError;
    }

    // From the main screen: "Host a Game" on UK Dirt Track.
    void HostUkRace()
    {
        ASSERT_NO_FATAL_FAILURE(OpenMultiplayerMenu("Ann"));
        ASSERT_NO_FATAL_FAILURE(ChooseUkTrack());
        ASSERT_EQ(g_GameState, GAMESTATE_MULTIPLAYER_RACE) << g_LastError;
        ASSERT_NE(g_MultiplayerRace, nullptr);
    }

    // `bot` finds the hosted session, joins it as "Bot" and has its moped in the race.
    void JoinBot(TestPlayer& bot)
    {
        ASSERT_TRUE(bot.Session().EnumHosts(g_ApplicationGuid, GameAddress()));
        bot.Session().SetPeerInfo("Bot", {1, 0, 0, 0});
        ASSERT_TRUE(bot.Session().Connect(bot.Found(), GameAddress()));
        const uint8_t joined[1] = {GAME_MESSAGE_PLAYER_JOINED};
        bot.Session().SendTo(NET_ALL_PLAYERS, joined, 1, true);
        const MultiplayerRace* race = g_MultiplayerRace;
        ASSERT_TRUE(TurnUntil([&] { return race->opponents.size() == 1 && race->opponents[0]->moped != nullptr; }));
    }

    // S held for one turn: the host starts the race.
    void PressS()
    {
        SimulateKey(g_Window.hWnd, DIK_S, true);
        Turn();
        SimulateKey(g_Window.hWnd, DIK_S, false);
    }

    uint8_t marks = 0;
};

} // namespace

TEST_F(NetworkMenuTest, HostedRaceStartsOnSSendsItsTrafficAndEndsInTheResults)
{
    ASSERT_TRUE(StartGame());
    GoToMainMenu();
    Turns(25);
    const uint32_t menuResources = LiveResources();
    ASSERT_NO_FATAL_FAILURE(HostUkRace());
    MultiplayerRace* race = g_MultiplayerRace;
    EXPECT_EQ(race->trackId, int32_t(TRACK_UK));
    EXPECT_EQ(g_Menu, nullptr);
    EXPECT_TRUE(g_IsHost);

    // The session advertises the track, open to joiners.
    TestPlayer bot(2);
    ASSERT_NO_FATAL_FAILURE(JoinBot(bot));
    EXPECT_EQ(bot.Found().appData, AppData(1, TRACK_UK));
    EXPECT_EQ(bot.Found().currentPlayers, 1u);
    EXPECT_STREQ(race->opponents[0]->name, "Bot");
    Turns(20);
    EXPECT_EQ(race->phase, RACEPHASE_WAITING);

    // S starts it: the joiners are told, and nobody else gets in.
    PressS();
    EXPECT_EQ(race->phase, RACEPHASE_COUNTDOWN);
    EXPECT_TRUE(HasLine(*race, "Race started!"));
    EXPECT_TRUE(bot.WaitFor([](const auto& e) { return OfKind(e, GAME_MESSAGE_RACE_START).size() == 1; }));
    TestPlayer late(3);
    ASSERT_TRUE(late.Session().EnumHosts(g_ApplicationGuid, GameAddress()));
    EXPECT_EQ(late.Found().appData, AppData(0, TRACK_UK));
    EXPECT_FALSE(late.Session().Connect(late.Found(), GameAddress()));

    // Racing: the moped's state every 10th turn, the host's clock every 15th,
    // the controls when they change.
    ASSERT_TRUE(TurnUntil([&] { return race->phase == RACEPHASE_RACING; }));
    ASSERT_TRUE(BotHasAllSentSoFar(bot));
    const size_t states = OfKind(bot.Events(), GAME_MESSAGE_MOPED_STATE).size();
    const size_t syncs = OfKind(bot.Events(), GAME_MESSAGE_TIME_SYNC).size();
    const size_t controls = OfKind(bot.Events(), GAME_MESSAGE_CONTROL).size();
    SimulateKey(g_Window.hWnd, DIK_UP, true);
    Turns(150);
    SimulateKey(g_Window.hWnd, DIK_UP, false);
    ASSERT_TRUE(BotHasAllSentSoFar(bot));
    const std::vector<Event> events = bot.Events();
    EXPECT_EQ(OfKind(events, GAME_MESSAGE_MOPED_STATE).size(), states + 15);
    const std::vector<Event> syncEvents = OfKind(events, GAME_MESSAGE_TIME_SYNC);
    ASSERT_EQ(syncEvents.size(), syncs + 10);
    for (size_t i = syncs + 1; i < syncEvents.size(); ++i) {
        const uint32_t step = U32At(syncEvents[i].data, 1) - U32At(syncEvents[i - 1].data, 1);
        EXPECT_GE(step, 15u * 15u);
        EXPECT_LE(step, 15u * 16u);
    }
    const std::vector<Event> controlEvents = OfKind(events, GAME_MESSAGE_CONTROL);
    ASSERT_EQ(controlEvents.size(), controls + 1);
    EXPECT_EQ(controlEvents.back().data[1] & 0x03, 1) << "throttle";

    // The bot finishes first; the host's finish follows 5 s after its last lap.
    const uint8_t botFinished[5] = {GAME_MESSAGE_FINISHED, 0xE8, 0x03, 0, 0}; // 1000 ms
    bot.Session().SendTo(NET_ALL_PLAYERS, botFinished, 5, true);
    ASSERT_TRUE(nettest::Eventually([] {
        std::lock_guard<std::recursive_mutex> lock(g_RaceLock);
        return g_RaceRecords.size() == 1;
    }));
    race->playerMoped.progress.lap = RACE_LAP_COUNT;
    Turn();
    ASSERT_EQ(race->phase, RACEPHASE_FINISHED);
    race->msSinceFinish = RACE_END_DELAY_MS - 100; // the wait after the finish is the single-player race's
    ASSERT_TRUE(TurnUntil([] { return g_GameState == GAMESTATE_MULTIPLAYER_RESULTS; })) << g_LastError;
    ASSERT_EQ(g_MultiplayerRace, race);
    ASSERT_NE(g_Menu, nullptr);
    ASSERT_EQ(g_RaceRecords.size(), 2u);
    EXPECT_STREQ(g_RaceRecords[0].name, "Bot");
    EXPECT_STREQ(g_RaceRecords[1].name, "Ann");
    EXPECT_EQ(g_LocalResultIndex, 1);
    const uint32_t total = g_RaceRecords[1].time;
    EXPECT_EQ(total, race->playerMoped.totalMs);
    ASSERT_TRUE(bot.WaitFor([](const auto& e) { return OfKind(e, GAME_MESSAGE_FINISHED).size() == 1; }));
    EXPECT_EQ(U32At(OfKind(bot.Events(), GAME_MESSAGE_FINISHED)[0].data, 1), total);
    ExpectMusic("Menu.ogg");
    // The local row (the second) is drawn green, the first is not.
    Turn();
    const ScreenPicture results = ScreenPicture::Read();
    EXPECT_GT(results.Count(300, 275, 760, 290, IsGreen), 20);
    EXPECT_EQ(results.Count(300, 260, 760, 275, IsGreen), 0);
    // The host's clock still goes out on the results screen.
    const size_t resultSyncs = OfKind(bot.Events(), GAME_MESSAGE_TIME_SYNC).size();
    Turns(30);
    EXPECT_TRUE(
        bot.WaitFor([&](const auto& e) { return OfKind(e, GAME_MESSAGE_TIME_SYNC).size() >= resultSyncs + 2; }));

    // Enter leaves the session: the bot sees the host go.
    const uint32_t gameId = g_LocalPlayerId;
    Press(DIK_RETURN);
    ASSERT_NO_FATAL_FAILURE(ExpectScreen(MENUSCREEN_MULTIPLAYER, 0));
    EXPECT_EQ(g_MultiplayerRace, nullptr);
    EXPECT_TRUE(
        bot.WaitFor([&](const auto& e) { return nettest::HasEvent(e, NetMessageType::DESTROY_PLAYER, gameId); }));
    EXPECT_EQ(LiveResources(), menuResources);
    Press(DIK_ESCAPE);
    ASSERT_NO_FATAL_FAILURE(ExpectScreen(MENUSCREEN_MAIN, 1));
    EXPECT_FALSE(g_NetworkPeer.IsInitialised());
}

// Another program holds the game's port at its address: "Host a Game" shows
// the host error with no race, session or device object left, and stderr says
// why; once the port is free the same choice hosts.
TEST_F(NetworkMenuTest, HostingOnAHeldPortShowsTheHostErrorSaysWhyAndHostsOnceItIsFree)
{
    const int holder = nettest::BindUdp(TestIp(1), uint16_t(NETWORK_PORT));
    ASSERT_GE(holder, 0) << std::strerror(errno);
    ASSERT_TRUE(StartGame());
    GoToMainMenu();
    Turns(25);
    const uint32_t menuResources = LiveResources();
    ASSERT_NO_FATAL_FAILURE(OpenMultiplayerMenu("Ann"));
    testing::internal::CaptureStderr();
    ChooseUkTrack();
    const std::string said = testing::internal::GetCapturedStderr();
    ASSERT_NO_FATAL_FAILURE(ExpectScreen(MENUSCREEN_HOST_ERROR, 0)) << said;
    EXPECT_EQ(g_MultiplayerRace, nullptr);
    EXPECT_FALSE(g_NetworkPeer.IsInSession());
    EXPECT_EQ(LiveResources(), menuResources);
    const std::string why = "Network session: could not host on " + AddressText(1) + ":" +
                            std::to_string(NETWORK_PORT) + ": " + std::strerror(EADDRINUSE) + "\n";
    EXPECT_NE(said.find(why), std::string::npos) << said;

    close(holder);
    Press(DIK_RETURN);
    ASSERT_NO_FATAL_FAILURE(ExpectScreen(MENUSCREEN_MULTIPLAYER, 0));
    Press(DIK_RETURN);
    ASSERT_NO_FATAL_FAILURE(ExpectScreen(MENUSCREEN_HOST_GAME, int(TRACK_UK)));
    Press(DIK_RETURN);
    ASSERT_EQ(g_GameState, GAMESTATE_MULTIPLAYER_RACE) << g_LastError;
    EXPECT_TRUE(g_NetworkPeer.IsInSession());
}

// The host's S starts nothing while nobody has joined; four opponents wait for
// it, and the fifth, who fills the grid of six, starts the race at once.
TEST_F(NetworkMenuTest, HostStartsOnSOnlyWithAnOpponentAndByItselfOnceTheGridIsFull)
{
    ASSERT_TRUE(StartGame());
    GoToMainMenu();
    HostUkRace();
    MultiplayerRace* race = g_MultiplayerRace;
    PressS();
    Turn();
    EXPECT_EQ(race->phase, RACEPHASE_WAITING);
    for (int32_t slot = 1; slot <= MAX_OPPONENTS; ++slot) {
        ASSERT_EQ(race->phase, RACEPHASE_WAITING) << "with " << slot - 1 << " opponents";
        {
            std::lock_guard<std::recursive_mutex> lock(g_RaceLock);
            ASSERT_TRUE(race->AddOpponent(uint32_t(100 + slot), "Bot", slot));
        }
        Turns(2);
    }
    EXPECT_EQ(race->phase, RACEPHASE_COUNTDOWN);
    EXPECT_TRUE(HasLine(*race, "Race started!"));
}

// A device lost for over a second of turns and reset in the race: the race and
// its opponent's moped let their device objects go and take them all back, the
// race draws on, and the recovery count and the lap message count no time away,
// as in a single-player race. Then a joiner that floods the host with garbage,
// NaN states and cut messages: the host's race goes on and stays finite, whether
// or not the flooder's link holds. Before the start, a player that closes its
// link as if it had been removed by a host is only that player lost.
TEST_F(NetworkMenuTest, HostSurvivesADeviceResetAndJoinersFloodingItOrSayingItWasRemoved)
{
    ASSERT_TRUE(StartGame());
    GoToMainMenu();
    ASSERT_NO_FATAL_FAILURE(HostUkRace());
    MultiplayerRace* race = g_MultiplayerRace;
    TestPlayer bot(2), scout(3);
    ASSERT_NO_FATAL_FAILURE(JoinBot(bot));
    ASSERT_TRUE(scout.Find(GameAddress(), g_ApplicationGuid));
    nettest::RawClient liar(4, 1);
    ASSERT_EQ(nettest::HelloAnswer(liar, 0, GameAddress(), scout.Found(), Slot(2)), 0);
    liar.SendBytes(0, {GAME_MESSAGE_PLAYER_JOINED}, 0);
    ASSERT_TRUE(TurnUntil([&] {
        liar.Pump(1);
        return HasLine(*race, "raw connected");
    }));
    liar.Leave(0, DISCONNECT_REMOVED);
    ASSERT_TRUE(TurnUntil([&] { return HasLine(*race, "raw disconnected (connection lost)"); }));
    Turns(3);
    EXPECT_EQ(g_GameState, GAMESTATE_MULTIPLAYER_RACE);
    EXPECT_TRUE(OnSlot(bot.Id(), 1)) << "the host's session ended on a player's word";
    EXPECT_FALSE(nettest::HasEvent(bot.Events(), NetMessageType::DESTROY_PLAYER, g_LocalPlayerId));
    PressS();
    ASSERT_TRUE(TurnUntil([&] { return race->phase == RACEPHASE_RACING; }));
    // R held for a turn starts the recovery count; a lap's message shows, as the race starts it.
    SimulateKey(g_Window.hWnd, DIK_R, true);
    Turn();
    SimulateKey(g_Window.hWnd, DIK_R, false);
    Turn();
    const Stopwatch& count = race->playerMoped.recoveryTimer;
    ASSERT_TRUE(count.running);
    race->lapMessageTimer.Reset();
    race->lapMessageTimer.Start();

    GpuDevice* device = g_RenderDevice.device;
    const uint32_t raceResources = LiveResources();
    const GpuDeviceStats before = device->GetStats();
    const uint32_t countMs = count.currentMs, messageMs = race->lapMessageTimer.currentMs;
    constexpr int LOST_TURNS = 80;
    device->ForceDeviceLoss(LOST_TURNS);
    for (int turn = 0; turn < LOST_TURNS + 5; ++turn)
        ASSERT_EQ(Turn(), TURN_GO_ON) << g_LastError;
    EXPECT_EQ(device->GetStats().resets, before.resets + 1);
    EXPECT_EQ(device->GetStats().presents, before.presents + 5);
    EXPECT_EQ(g_GameState, GAMESTATE_MULTIPLAYER_RACE);
    ASSERT_EQ(race->opponents.size(), 1u);
    ASSERT_NE(race->opponents[0]->moped, nullptr);
    EXPECT_EQ(LiveResources(), raceResources);
    EXPECT_TRUE(count.running);
    EXPECT_LE(countMs - count.currentMs, 5u * 16u);
    EXPECT_TRUE(race->lapMessageTimer.running);
    EXPECT_LE(messageMs - race->lapMessageTimer.currentMs, 5u * 16u);
    race->playerMoped.recoverRequest = 0;

    uint32_t seed = 12345;
    auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    for (int i = 0; i < 3000; ++i) {
        uint8_t junk[120];
        const size_t length = 1 + next() % sizeof junk;
        for (size_t k = 0; k < length; ++k)
            junk[k] = uint8_t(next() >> 24);
        if (i % 3 == 0) { // a state message full of NaN bytes, whole or cut
            std::memset(junk, 0xFF, length);
            junk[0] = GAME_MESSAGE_MOPED_STATE;
        }
        bot.Session().SendTo(NET_ALL_PLAYERS, junk, length, i % 2 == 0);
    }
    SimulateKey(g_Window.hWnd, DIK_UP, true);
    Turns(120);
    SimulateKey(g_Window.hWnd, DIK_UP, false);
    EXPECT_EQ(g_GameState, GAMESTATE_MULTIPLAYER_RACE);
    EXPECT_EQ(race->phase, RACEPHASE_RACING);
    EXPECT_GT(race->playerMoped.speed, 0.5f);
    std::vector<const Moped*> mopeds = {&race->playerMoped};
    for (const auto& opponent : race->opponents)
        if (opponent->moped)
            mopeds.push_back(opponent->moped.get());
    for (const Moped* moped : mopeds)
        EXPECT_TRUE(std::isfinite(moped->position.x) && std::isfinite(moped->position.y) &&
                    std::isfinite(moped->position.z) && std::isfinite(moped->speed));
}

// Every way a join fails shows its screen and leaves no race (nor a device
// object); then a join that works starts on the host's word and Escape leaves it.
TEST_F(NetworkMenuTest, FailedJoinsShowTheirScreensAndAJoinedRaceStartsOnTheHostsWord)
{
    TestPlayer full(2), started(3), badTrack(4), host(5);
    ASSERT_TRUE(HostGameSession(full, 1, AppData(1, TRACK_UK)));
    ASSERT_TRUE(HostGameSession(started, MAX_SESSION_PLAYERS, AppData(0, TRACK_UK)));
    ASSERT_TRUE(HostGameSession(badTrack, MAX_SESSION_PLAYERS, AppData(1, 57)));
    ASSERT_TRUE(HostGameSession(host, MAX_SESSION_PLAYERS, AppData(1, TRACK_UK)));
    ASSERT_TRUE(StartGame());
    GoToMainMenu();
    Turns(25);
    const uint32_t menuResources = LiveResources();
    ASSERT_NO_FATAL_FAILURE(OpenMultiplayerMenu("Ann"));

    ASSERT_NO_FATAL_FAILURE(Join("1.2.3"));
    ASSERT_NO_FATAL_FAILURE(ExpectScreen(MENUSCREEN_INVALID_HOST_IP, 0));
    Press(DIK_RETURN);
    EXPECT_EQ(g_GameState, GAMESTATE_JOIN_GAME);
    EXPECT_STREQ(g_TextEntry, "1.2.3");
    Press(DIK_ESCAPE);

    // Nobody at the address, typed among letters the entry refuses: "session
    // not found" within the search's time-out, and back to the address.
    const std::string nobody = AddressText(9);
    ASSERT_NO_FATAL_FAILURE(EnterAddress("a" + nobody.substr(0, 4) + "x" + nobody.substr(4)));
    EXPECT_STREQ(g_TextEntry, nobody.c_str());
    const auto before = std::chrono::steady_clock::now();
    Press(DIK_RETURN);
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(8));
    ASSERT_NO_FATAL_FAILURE(ExpectScreen(MENUSCREEN_SESSION_NOT_FOUND, 0));
    EXPECT_EQ(g_MultiplayerRace, nullptr);
    EXPECT_TRUE(g_Music->IsPlaying());
    Press(DIK_ESCAPE);
    EXPECT_EQ(g_GameState, GAMESTATE_JOIN_GAME);
    EXPECT_STREQ(g_TextEntry, nobody.c_str());
    Press(DIK_ESCAPE);
    ASSERT_NO_FATAL_FAILURE(ExpectScreen(MENUSCREEN_MULTIPLAYER, 1));

    // A full session, a started one and one naming no track: the join error.
    for (uint32_t n : {2u, 3u, 4u}) {
        ASSERT_NO_FATAL_FAILURE(Join(AddressText(n)));
        ASSERT_NO_FATAL_FAILURE(ExpectScreen(MENUSCREEN_CONNECT_ERROR, 0)) << n;
        EXPECT_EQ(g_MultiplayerRace, nullptr);
        EXPECT_FALSE(g_NetworkPeer.IsInSession());
        EXPECT_TRUE(g_Music->IsPlaying());
        Press(DIK_RETURN);
        ASSERT_NO_FATAL_FAILURE(ExpectScreen(MENUSCREEN_MULTIPLAYER, 0));
    }
    EXPECT_EQ(full.Count(NetMessageType::CREATE_PLAYER), 1u) << "only the host itself";

    ASSERT_NO_FATAL_FAILURE(Join(AddressText(5)));
    ASSERT_EQ(g_GameState, GAMESTATE_MULTIPLAYER_RACE) << g_LastError;
    MultiplayerRace* race = g_MultiplayerRace;
    ASSERT_NE(race, nullptr);
    EXPECT_FALSE(g_IsHost);
    EXPECT_EQ(race->trackId, int32_t(TRACK_UK));
    EXPECT_EQ(g_SelectedTrackId, uint32_t(TRACK_UK));
    EXPECT_EQ(race->localJoinOrder, 1);
    EXPECT_TRUE(host.WaitFor([](const auto& e) { return OfKind(e, GAME_MESSAGE_PLAYER_JOINED).size() == 1; }));
    // The host, announced while the track was still loading, races on slot 0.
    ASSERT_TRUE(TurnUntil([&] { return race->opponents.size() == 1 && race->opponents[0]->moped != nullptr; }));
    EXPECT_STREQ(race->opponents[0]->name, "Hal");
    EXPECT_EQ(race->opponents[0]->joinOrder, 0);

    Turns(10);
    EXPECT_EQ(race->phase, RACEPHASE_WAITING);
    const uint8_t start[1] = {GAME_MESSAGE_RACE_START};
    host.Session().SendTo(NET_ALL_PLAYERS, start, 1, true);
    ASSERT_TRUE(TurnUntil([&] { return race->phase == RACEPHASE_COUNTDOWN; }));
    EXPECT_TRUE(HasLine(*race, "Race started!"));

    const uint32_t gameId = g_LocalPlayerId;
    ASSERT_NE(gameId, 0u);
    Press(DIK_ESCAPE);
    ASSERT_NO_FATAL_FAILURE(ExpectScreen(MENUSCREEN_MULTIPLAYER, 0));
    EXPECT_EQ(g_MultiplayerRace, nullptr);
    ExpectMusic("Menu.ogg");
    EXPECT_TRUE(host.WaitFor([&](const auto& e) {
        for (const Event& event : e)
            if (event.type == NetMessageType::DESTROY_PLAYER && event.playerId == gameId)
                return event.reason == NET_DESTROY_NORMAL;
        return false;
    }));
    EXPECT_EQ(LiveResources(), menuResources);
}

// A player answers no newcomer. The first newcomer's word is not enough; the
// game's, from another address, removes it while the game joins: the game
// ends on the slot the host means (the grid closed up under the one it
// claimed), and the next newcomer comes in on the next slot, seen by all.
TEST_F(NetworkMenuTest, AJoinWhoseWordRemovedAPlayerEndsOnTheClosedUpSlotAndTheNextNewcomerIsSeen)
{
    TestPlayer host(5), first(6), silent(7), named(8), next(9);
    host.Session().SetAdmissionCheck(AdmitJoiner);
    ASSERT_TRUE(HostGameSession(host, MAX_SESSION_PLAYERS, AppData(1, TRACK_UK)));
    ASSERT_TRUE(JoinAsBot(first, host.Address(), "Flo"));
    ASSERT_TRUE(JoinAsBot(silent, host.Address(), "Sid"));
    silent.Session().Mute();
    EXPECT_FALSE(JoinAsBot(named, host.Address(), "Ned")) << "one newcomer's word removed a player";
    ASSERT_NO_FATAL_FAILURE(StartAndJoin(AddressText(5), "Ann"));
    ASSERT_TRUE(host.WaitForEvent(NetMessageType::DESTROY_PLAYER, silent.Id()));
    const uint32_t game = g_LocalPlayerId;
    EXPECT_EQ(GameSlotOf(game), 2) << "the game kept the slot it claimed before the removal";

    ASSERT_TRUE(JoinAsBot(next, host.Address(), "Nora")) << "the game's admission check turned the next away";
    EXPECT_EQ(next.Found().currentPlayers, 3u);
    ASSERT_TRUE(TurnUntil([&] { return GameSlotOf(next.Id()) >= 0; })) << "the game does not show the next newcomer";
    Turn();
    EXPECT_TRUE(OnSlot(next.Id(), 3));
    EXPECT_TRUE(OnSlot(first.Id(), 1));
    EXPECT_TRUE(OnSlot(host.Id(), 0));
    EXPECT_TRUE(OnSlot(game, 2));
    EXPECT_TRUE(HasLine(*g_MultiplayerRace, "Nora connected"));
    for (TestPlayer* at : {&host, &first, &next}) {
        EXPECT_TRUE(nettest::Eventually([&] { return SlotAt(*at, game) == 2; })) << SlotAt(*at, game);
        EXPECT_TRUE(nettest::Eventually([&] { return SlotAt(*at, next.Id()) == 3; })) << SlotAt(*at, next.Id());
    }
}

// The game hosts; a player answers no newcomer, and the second newcomer's
// word removes it. The game puts that newcomer on the slot the grid closed up
// to, its own check admits the next on the next slot, and every machine shows
// each player on the same slot.
TEST_F(NetworkMenuTest, AHostedGridClosesUpUnderTheNewcomerWhoseWordRemovedAPlayer)
{
    TestPlayer first(2), silent(3), named(4), remover(5), next(6);
    ASSERT_TRUE(StartGame());
    GoToMainMenu();
    ASSERT_NO_FATAL_FAILURE(HostUkRace());
    ASSERT_TRUE(JoinAsBot(first, GameAddress(), "Flo"));
    ASSERT_TRUE(JoinAsBot(silent, GameAddress(), "Sid"));
    silent.Session().Mute();
    EXPECT_FALSE(JoinAsBot(named, GameAddress(), "Ned")) << "one newcomer's word removed a player";
    ASSERT_TRUE(JoinAsBot(remover, GameAddress(), "Rex"));
    ASSERT_TRUE(TurnUntil([&] { return GameSlotOf(remover.Id()) >= 0; })) << "the game does not show the remover";
    EXPECT_EQ(GameSlotOf(remover.Id()), 2) << "the slot it claimed before the removal";

    ASSERT_TRUE(JoinAsBot(next, GameAddress(), "Nora")) << "the game's admission check turned the next away";
    EXPECT_EQ(next.Found().currentPlayers, 3u);
    ASSERT_TRUE(TurnUntil([&] { return GameSlotOf(next.Id()) >= 0; })) << "the game does not show the next newcomer";
    Turn();
    EXPECT_TRUE(OnSlot(next.Id(), 3));
    EXPECT_TRUE(OnSlot(first.Id(), 1));
    EXPECT_TRUE(OnSlot(remover.Id(), 2));
    EXPECT_TRUE(OnSlot(g_LocalPlayerId, 0));
    for (TestPlayer* at : {&first, &remover, &next}) {
        EXPECT_TRUE(nettest::Eventually([&] { return SlotAt(*at, remover.Id()) == 2; })) << SlotAt(*at, remover.Id());
        EXPECT_TRUE(nettest::Eventually([&] { return SlotAt(*at, next.Id()) == 3; })) << SlotAt(*at, next.Id());
    }
}

// The host leaves before the start: the game, its earliest joiner, now hosts
// and admits with the check its own join gave the session, on the next free
// slot only.
TEST_F(NetworkMenuTest, AJoinedGameThatBecameHostAdmitsOnTheNextFreeSlotOnly)
{
    TestPlayer host(5);
    ASSERT_TRUE(HostGameSession(host, MAX_SESSION_PLAYERS, AppData(1, TRACK_UK)));
    ASSERT_NO_FATAL_FAILURE(StartAndJoin(AddressText(5), "Ann"));
    host.Session().Close();
    ASSERT_TRUE(TurnUntil([] {
        std::lock_guard<std::recursive_mutex> lock(g_RaceLock);
        return g_IsHost;
    }));

    TestPlayer scout(9);
    ASSERT_TRUE(scout.Find(GameAddress(), g_ApplicationGuid)) << "the game does not host";
    const NetAppDesc desc = scout.Found();
    EXPECT_EQ(desc.currentPlayers, 1u);
    nettest::RawClient claimant(10, 3);
    EXPECT_EQ(nettest::HelloAnswer(claimant, 0, GameAddress(), desc, Slot(0)), REJECT_REFUSED) << "the game's slot";
    EXPECT_EQ(nettest::HelloAnswer(claimant, 1, GameAddress(), desc, Slot(2)), REJECT_REFUSED) << "past the next";
    EXPECT_EQ(nettest::HelloAnswer(claimant, 2, GameAddress(), desc, Slot(1)), 0) << "the next free slot";
}

// Mal is admitted while its link to the game is still being made; Cy is
// admitted right after and links to the game first; Dee comes last. The game
// shows each on the host's slot (Mal too, once its link comes, within the
// join time), every machine counts the same slots, and every machine gets
// every finish: the same results everywhere.
TEST_F(NetworkMenuTest, APlayerWhoseLinkToTheGameCameLateIsShownOnTheHostsSlotAndInTheResults)
{
    const nettest::OptionsChange patient = [](NetSessionOptions& options) {
        options.connectTimeoutMs = 6000;
        options.linkTimeoutMaxMs = 4000;
    };
    TestPlayer host(5), mal(6, patient), cy(7), dee(8);
    host.Session().SetAdmissionCheck(AdmitJoiner);
    ASSERT_TRUE(HostGameSession(host, MAX_SESSION_PLAYERS, AppData(1, TRACK_UK)));
    ASSERT_NO_FATAL_FAILURE(StartAndJoin(AddressText(5), "Jo"));
    const uint32_t game = g_LocalPlayerId;

    // Mal's answers from the game are lost for 1.5 s: its link here comes late.
    mal.Session().IgnoreFrom(GameAddress(), 1500);
    bool malJoined = false;
    std::thread malJoin([&] { malJoined = JoinAsBot(mal, host.Address(), "Mal"); });
    ASSERT_TRUE(nettest::Eventually([&] { return mal.Id() != 0; }));
    ASSERT_TRUE(JoinAsBot(cy, host.Address(), "Cy")) << "Cy's join waited for Mal's";
    EXPECT_FALSE(nettest::HasEvent(mal.Events(), NetMessageType::CREATE_PLAYER, game)) << "Mal's link came too early";
    ASSERT_TRUE(TurnUntil([&] { return GameSlotOf(cy.Id()) >= 0; })) << "the game does not show Cy";
    malJoin.join();
    ASSERT_TRUE(malJoined);
    ASSERT_TRUE(JoinAsBot(dee, host.Address(), "Dee"));
    ASSERT_TRUE(TurnUntil([&] { return GameSlotOf(mal.Id()) >= 0 && GameSlotOf(dee.Id()) >= 0; }))
        << "the game shows Mal on " << GameSlotOf(mal.Id()) << " and Dee on " << GameSlotOf(dee.Id());
    EXPECT_TRUE(HasLine(*g_MultiplayerRace, "Mal connected"));
    Turn();
    const std::vector<TestPlayer*> bots = {&host, &mal, &cy, &dee};
    const uint32_t grid[] = {host.Id(), game, mal.Id(), cy.Id(), dee.Id()};
    for (int32_t slot = 0; slot < int32_t(std::size(grid)); ++slot) {
        EXPECT_TRUE(OnSlot(grid[slot], slot));
        for (TestPlayer* at : bots)
            EXPECT_TRUE(nettest::Eventually([&] { return SlotAt(*at, grid[slot]) == uint32_t(slot); }))
                << "slot " << slot << " at " << at->Id() << ": " << SlotAt(*at, grid[slot]);
    }

    // The host starts the race; each bot finishes, then the game.
    const uint8_t start[1] = {GAME_MESSAGE_RACE_START};
    ASSERT_TRUE(host.Session().SetApplicationDesc(MAX_SESSION_PLAYERS, false, AppData(0, TRACK_UK)));
    host.Session().SendTo(NET_ALL_PLAYERS, start, 1, true);
    MultiplayerRace* race = g_MultiplayerRace;
    ASSERT_TRUE(TurnUntil([&] { return race->phase == RACEPHASE_RACING; }));
    for (size_t i = 0; i < bots.size(); ++i) {
        const uint32_t ms = 1000 * uint32_t(i + 1);
        const uint8_t finished[5] = {GAME_MESSAGE_FINISHED, uint8_t(ms), uint8_t(ms >> 8), 0, 0};
        ASSERT_TRUE(bots[i]->Session().SendTo(NET_ALL_PLAYERS, finished, sizeof finished, true));
    }
    ASSERT_TRUE(nettest::Eventually([] {
        std::lock_guard<std::recursive_mutex> lock(g_RaceLock);
        return g_RaceRecords.size() == 4;
    })) << "a finish did not count here";
    race->playerMoped.progress.lap = RACE_LAP_COUNT;
    Turn();
    race->msSinceFinish = RACE_END_DELAY_MS - 100;
    ASSERT_TRUE(TurnUntil([] { return g_GameState == GAMESTATE_MULTIPLAYER_RESULTS; })) << g_LastError;
    std::vector<std::string> names;
    for (const RaceRecord& row : g_RaceRecords)
        if (std::strcmp(row.name, "Jo") != 0)
            names.push_back(row.name);
    EXPECT_EQ(names, (std::vector<std::string>{"Hal", "Mal", "Cy", "Dee"}));
    EXPECT_EQ(g_RaceRecords.size(), 5u);
    // Every bot has the others' finishes, the game's among them.
    for (TestPlayer* at : bots)
        EXPECT_TRUE(at->WaitFor([](const std::vector<Event>& events) {
            return OfKind(events, GAME_MESSAGE_FINISHED).size() == 4;
        })) << "at "
            << at->Id();
}

// The game joins third. A link breaks between the game and the player before
// it while the race waits: nobody moves on any machine. A player the game
// never showed (it never said it joined) leaves: those after it close up, the
// game stays. The player before the game leaves: the game's own moped moves
// up. Once the host started the race, a departure moves nobody.
TEST_F(NetworkMenuTest, TheGridIsTheHostsWhateverLinksBreakAndNobodyMovesOnceStarted)
{
    TestPlayer host(5), ann(6), ned(7), bo(8), nia(9), cal(10);
    host.Session().SetAdmissionCheck(AdmitJoiner);
    ASSERT_TRUE(HostGameSession(host, MAX_SESSION_PLAYERS, AppData(1, TRACK_UK)));
    ASSERT_TRUE(JoinAsBot(ann, host.Address(), "Ann"));
    ASSERT_NO_FATAL_FAILURE(StartAndJoin(AddressText(5), "Jo"));
    const uint32_t game = g_LocalPlayerId;
    // Ned never says it joined: the game never shows it.
    ASSERT_TRUE(ned.Session().EnumHosts(g_ApplicationGuid, host.Address()));
    ned.Session().SetPeerInfo("Ned", Slot(3));
    ASSERT_TRUE(ned.Session().Connect(ned.Found(), host.Address()));
    ASSERT_TRUE(JoinAsBot(bo, host.Address(), "Bo"));
    ASSERT_TRUE(TurnUntil([&] { return GameSlotOf(bo.Id()) >= 0; }));
    Turn();
    EXPECT_TRUE(OnSlot(ann.Id(), 1));
    EXPECT_TRUE(OnSlot(game, 2));
    EXPECT_EQ(GameSlotOf(ned.Id()), -1);
    EXPECT_TRUE(OnSlot(bo.Id(), 4));

    // Ann stops hearing the game: both links give up; the host holds Ann.
    ann.Session().IgnoreFrom(GameAddress());
    ASSERT_TRUE(TurnUntil([&] { return HasLine(*g_MultiplayerRace, "Ann disconnected (connection lost)"); }));
    Turns(3);
    EXPECT_TRUE(OnSlot(game, 2)) << "moved on a link lost here alone";
    EXPECT_TRUE(OnSlot(bo.Id(), 4));
    for (TestPlayer* at : {&host, &bo})
        EXPECT_EQ(SlotAt(*at, game), 2u);

    const uint32_t nedId = ned.Id();
    ned.Session().Close();
    ASSERT_TRUE(host.WaitForEvent(NetMessageType::DESTROY_PLAYER, nedId));
    ASSERT_TRUE(TurnUntil([&] { return GameSlotOf(bo.Id()) == 3; })) << "Bo is on " << GameSlotOf(bo.Id());
    Turn();
    EXPECT_TRUE(OnSlot(bo.Id(), 3));
    EXPECT_TRUE(OnSlot(game, 2)) << "moved over a player after it";

    ann.Session().Close();
    ASSERT_TRUE(TurnUntil([&] { return GameSlotOf(game) == 1; })) << "the game is on " << GameSlotOf(game);
    Turn();
    EXPECT_TRUE(OnSlot(game, 1));
    EXPECT_TRUE(OnSlot(bo.Id(), 2));
    EXPECT_TRUE(OnSlot(host.Id(), 0));
    for (TestPlayer* at : {&host, &bo}) {
        EXPECT_TRUE(nettest::Eventually([&] { return SlotAt(*at, game) == 1; })) << SlotAt(*at, game);
        EXPECT_TRUE(nettest::Eventually([&] { return SlotAt(*at, bo.Id()) == 2; })) << SlotAt(*at, bo.Id());
    }

    // Nia, never shown here, leaves during the count-down: Cal, after it, stays.
    ASSERT_TRUE(nia.Session().EnumHosts(g_ApplicationGuid, host.Address()));
    nia.Session().SetPeerInfo("Nia", Slot(3));
    ASSERT_TRUE(nia.Session().Connect(nia.Found(), host.Address()));
    ASSERT_TRUE(JoinAsBot(cal, host.Address(), "Cal"));
    ASSERT_TRUE(TurnUntil([&] { return GameSlotOf(cal.Id()) >= 0; }));
    const uint8_t start[1] = {GAME_MESSAGE_RACE_START};
    ASSERT_TRUE(host.Session().SetApplicationDesc(MAX_SESSION_PLAYERS, false, AppData(0, TRACK_UK)));
    host.Session().SendTo(NET_ALL_PLAYERS, start, 1, true);
    MultiplayerRace* race = g_MultiplayerRace;
    ASSERT_TRUE(TurnUntil([&] { return race->phase == RACEPHASE_COUNTDOWN; }));
    const uint32_t niaId = nia.Id();
    nia.Session().Close();
    ASSERT_TRUE(host.WaitForEvent(NetMessageType::DESTROY_PLAYER, niaId));
    EXPECT_EQ(SlotAt(host, cal.Id()), 4u) << "the host moved Cal after the start";
    Turns(10);
    EXPECT_EQ(race->phase, RACEPHASE_COUNTDOWN);
    EXPECT_TRUE(OnSlot(game, 1));
    EXPECT_TRUE(OnSlot(bo.Id(), 2));
    EXPECT_TRUE(OnSlot(cal.Id(), 4));
}

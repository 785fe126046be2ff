// The message handler against a network race on UK Dirt Track, fed the
// session's messages as other players would cause them; the players' names,
// data and round trips come from a stand-in for the session.

#include "race/RaceTestKit.h"

#include "network/InsertRaceResult.h"
#include "network/IsValidIpAddress.h"
#include "network/NetworkMessageHandler.h"
#include "network/NetworkPeer.h"
#include "network/PlayerDirectory.h"

#include "race/MultiplayerRace.h"
#include "race/RaceGlobals.h"

#include "backend/clock/Clock.h"
#include "backend/files/Files.h"
#include "backend/net/SessionTestKit.h"
#include "engine/platform/Log.h"

#include <arpa/inet.h>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <limits>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using backend::NetMessage;
using backend::NetMessageType;
using backend::NetPlayerInfo;

namespace {

constexpr uint32_t LOCAL_ID = 7, HOST_ID = 20;

class SessionPlayers final : public PlayerDirectory {
public:
    bool GetRemotePlayerInfo(uint32_t player, NetPlayerInfo* info) override
    {
        auto it = players.find(player);
        if (it == players.end() || it->second.gone)
            return false;
        *info = it->second.info;
        info->playersBefore = static_cast<uint32_t>(
            std::count_if(order.begin(), order.end(), [&](uint32_t seq) { return seq < it->second.seq; }));
        return true;
    }
    bool GetConnectionInfo(uint32_t player, uint32_t* roundTripLatencyMs) override
    {
        auto it = roundTrips.find(player);
        if (it == roundTrips.end())
            return false;
        *roundTripLatencyMs = it->second;
        return true;
    }
    bool OnEnumHostsResponse(const NetMessage&) override { return ++answers == 1; }

    // Admitted by the host after the players added before (again: the same place).
    void Add(uint32_t id, const std::string& name, std::vector<uint8_t> data, uint32_t flags = 0)
    {
        const auto [it, added] = players.try_emplace(id);
        if (added) {
            it->second.seq = nextSeq++;
            order.push_back(it->second.seq);
        }
        it->second.info = NetPlayerInfo{name, std::move(data), flags};
    }
    // The host no longer holds the player present.
    void Drop(uint32_t id) { std::erase(order, players.at(id).seq); }

    struct Player {
        NetPlayerInfo info;
        uint32_t seq = 0;
        bool gone = false; // its departure was delivered
    };
    std::map<uint32_t, Player> players;
    std::vector<uint32_t> order; // the host's list, by seq
    uint32_t nextSeq = 0;
    std::map<uint32_t, uint32_t> roundTrips;
    int answers = 0;
};

void ClearResults()
{
    g_RaceRecords.clear();
    g_LocalResultIndex = -1;
}

std::vector<uint8_t> Order(uint32_t joinOrder)
{
    std::vector<uint8_t> bytes(PEER_DATA_SIZE);
    PeerData{joinOrder}.Pack(bytes.data());
    return bytes;
}

// What the session hands the handler for bytes received from `from`.
bool Deliver(PlayerDirectory& players, uint32_t from, std::vector<uint8_t> bytes)
{
    NetMessage message;
    message.type = NetMessageType::RECEIVE;
    message.playerId = from;
    message.data = bytes.data();
    message.size = bytes.size();
    return HandleNetworkMessage(message, players);
}

std::vector<uint8_t> Finished(uint32_t totalMs)
{
    std::vector<uint8_t> bytes(FINISHED_MESSAGE_SIZE);
    FinishedMessage{totalMs}.Pack(bytes.data());
    return bytes;
}

// A state message that leaves the opponent's moped where it is.
MopedStateMessage PoseOf(const Opponent& opponent)
{
    MopedStateMessage pose;
    for (int i = 0; i < 16; ++i)
        pose.world[i] = opponent.moped->world.row[i / 4][i % 4];
    return pose;
}

std::vector<uint8_t> Packed(const MopedStateMessage& state)
{
    std::vector<uint8_t> bytes(MOPED_STATE_MESSAGE_SIZE);
    state.Pack(bytes.data());
    return bytes;
}

std::vector<uint8_t> Controls(uint8_t throttleAndSteering, uint8_t recovering = 0)
{
    return {GAME_MESSAGE_CONTROL, throttleAndSteering, 0, recovering};
}

} // namespace

class MessageHandlerTest : public RaceTest {
protected:
    void SetUp() override
    {
        // The ThreadSanitizer build makes no game data: it reads a normal build's.
        if (const char* folder = std::getenv("VANTREL_GAME_DATA"))
            backend::SetBaseDirectory(folder);
        if (!std::filesystem::exists(backend::BaseDirectory() + "/Data")) {
            GTEST_SKIP() << "no generated game data (VANTREL_GAME_DATA names a folder with it)";
        }
        RaceTest::SetUp();
        ready = true;
        g_LocalPlayerId = 0;
        g_IsHost = g_RaceStartReceived = g_PlayerLeft = false;
        ClearResults();
        race = std::make_unique<MultiplayerRace>();
        g_MultiplayerRace = race.get();
    }

    void TearDown() override
    {
        if (!ready)
            return;
        g_MultiplayerRace = nullptr;
        race->Release();
        race->Destroy();
        race.reset();
        RaceTest::TearDown();
    }

    static NetMessage Event(NetMessageType type, uint32_t id)
    {
        NetMessage message;
        message.type = type;
        message.playerId = id;
        return message;
    }

    // As the session: a player's info goes once its departure has been delivered.
    bool Handle(const NetMessage& message)
    {
        const bool taken = HandleNetworkMessage(message, session);
        if (message.type == NetMessageType::DESTROY_PLAYER && message.playerId != LOCAL_ID)
            if (auto it = session.players.find(message.playerId); it != session.players.end())
                it->second.gone = true;
        return taken;
    }

    void Receive(uint32_t from, std::vector<uint8_t> bytes) { Deliver(session, from, std::move(bytes)); }

    void Step()
    {
        backend::AdvanceManualClock(uint64_t(RACE_FRAME_MS) * 1000);
        race->HandleInput();
        race->Update();
    }

    Opponent* Record(uint32_t id)
    {
        for (auto& opponent : race->opponents)
            if (opponent->playerId == id)
                return opponent.get();
        return nullptr;
    }

    // The host says the player is no longer present.
    void HostDrops(uint32_t id)
    {
        session.Drop(id);
        Handle(Event(NetMessageType::ORDER_CHANGED, 0));
    }

    struct Listed {
        uint32_t id;
        const char* name;
        std::vector<uint8_t> data;
    };
    // Our join as the game makes it: we claim the slot after the players the
    // host lists, the session tells of us and then of them, and the track
    // loads once the join is done.
    void Join(const std::vector<Listed>& listed)
    {
        for (const Listed& player : listed)
            session.Add(player.id, player.name, player.data, player.id == HOST_ID ? backend::NET_PLAYER_HOST : 0u);
        const auto claimed = uint32_t(listed.size());
        session.Add(LOCAL_ID, "Me", Order(claimed), backend::NET_PLAYER_LOCAL);
        race->localJoinOrder = int32_t(claimed);
        Handle(Event(NetMessageType::CREATE_PLAYER, LOCAL_ID));
        for (const Listed& player : listed)
            Handle(Event(NetMessageType::CREATE_PLAYER, player.id));
        ASSERT_TRUE(race->Create(TRACK_UK)) << g_LastError;
    }

    // We joined the host (id 20, slot 0) alone and its moped is made.
    Opponent* ArrivedHost()
    {
        Join({{HOST_ID, "Host", Order(0)}});
        if (HasFatalFailure())
            return nullptr;
        Step();
        return Record(HOST_ID);
    }

    // Who stands on each start slot: "Me" and every opponent present, marked
    // "?" when its moped is not on that slot's place.
    std::vector<std::string> Grid()
    {
        std::vector<std::string> grid(MAX_JOIN_ORDER + 1);
        const auto put = [&](int32_t slot, const std::string& name, const TVec4* at) {
            if (slot < 0 || slot > MAX_JOIN_ORDER) {
                grid.push_back(name + " off the grid");
                return;
            }
            const TrackStartPosition& place = race->track->trackData.startPositions[slot];
            const bool placed = at != nullptr && std::hypot(at->x - place.x, at->z - place.z) < 0.5f;
            std::string& entry = grid[size_t(slot)];
            entry += (entry.empty() ? "" : " ") + name + (placed ? "" : "?");
        };
        put(race->localJoinOrder, "Me", &race->playerMoped.position);
        for (const auto& opponent : race->opponents)
            if (!opponent->removed)
                put(opponent->joinOrder, opponent->name, opponent->moped ? &opponent->moped->position : nullptr);
        return grid;
    }

    std::vector<std::string> Lines()
    {
        std::vector<std::string> lines;
        race->messages.ForEachLine([&](const MessageListEntry& entry) { lines.insert(lines.begin(), entry.text); });
        return lines;
    }
    Race* ShownRace() override { return race.get(); }

    std::unique_ptr<MultiplayerRace> race;
    SessionPlayers session;
    bool ready = false;
};

// Our join behind the host and Ann, whose data names our slot: every player
// the host listed stands on its slot, while those after us wait for their
// joined message. Arrivals once each, on the slots of the host's order
// whatever their data says; departures, also of a player never shown, the
// local player's own, and host migration to another player and to us.
TEST_F(MessageHandlerTest, PlayersComeLeaveAndTheHostMoves)
{
    ASSERT_NO_FATAL_FAILURE(Join({{HOST_ID, "Host", Order(0)}, {23, "Ann", Order(2)}}));
    EXPECT_EQ(g_LocalPlayerId, LOCAL_ID);
    EXPECT_FALSE(g_PlayerLeft);
    session.Add(21, "Late", Order(3));
    session.Add(22, "Quiet", Order(4));
    session.Add(25, "ANameOfTwentySixCharacters", {2, 0, 0});
    for (uint32_t id : {20u, 21u, 22u, 25u})
        Handle(Event(NetMessageType::CREATE_PLAYER, id));
    Step();
    EXPECT_EQ(Grid(), (std::vector<std::string>{"Host", "Ann", "Me", "", "", ""}));
    for (uint32_t id : {21u, 25u, 21u, 20u})
        Receive(id, {0x02});
    Step();
    EXPECT_EQ(Grid(), (std::vector<std::string>{"Host", "Ann", "Me", "Late", "", "ANameOfTwentySixCha"}))
        << "the slot of a player that has yet to show itself is held";

    Handle(Event(NetMessageType::DESTROY_PLAYER, LOCAL_ID));
    EXPECT_FALSE(g_PlayerLeft);
    // A link lost here while the host holds the player moves nobody; the host's word does.
    NetMessage lost = Event(NetMessageType::DESTROY_PLAYER, 21);
    lost.reason = backend::NET_DESTROY_CONNECTION_LOST;
    Handle(lost);
    EXPECT_TRUE(g_PlayerLeft);
    EXPECT_TRUE(Record(21)->removed);
    EXPECT_EQ(Record(25)->joinOrder, 5) << "moved on a link lost here alone";
    HostDrops(21);
    EXPECT_EQ(Record(25)->joinOrder, 4);
    Handle(Event(NetMessageType::DESTROY_PLAYER, 22));
    HostDrops(22);
    EXPECT_EQ(Record(25)->joinOrder, 3) << "the grid did not close up over a player never shown";
    g_PlayerLeft = false;
    Handle(Event(NetMessageType::DESTROY_PLAYER, 20));
    Handle(Event(NetMessageType::DESTROY_PLAYER, 99));
    EXPECT_EQ(race->localJoinOrder, 2) << "moved before the host's word";
    HostDrops(20);
    EXPECT_TRUE(g_PlayerLeft) << "the new slot is not published";
    Step();
    EXPECT_EQ(Grid(), (std::vector<std::string>{"Ann", "Me", "ANameOfTwentySixCha", "", "", ""}))
        << "the host's slot is not closed up under every moped";

    EXPECT_EQ(Lines(), (std::vector<std::string>{"Late connected", "ANameOfTwentySixCha connected",
                                                 "Late disconnected (connection lost)", "OpponentNotFound disconnected",
                                                 "Host disconnected", "OpponentNotFound disconnected"}));

    Handle(Event(NetMessageType::HOST_MIGRATE, 25));
    EXPECT_FALSE(g_IsHost);
    EXPECT_EQ(Lines().back(), "Host migrated! ANameOfTwentySixCha is the new host.");
    Handle(Event(NetMessageType::HOST_MIGRATE, LOCAL_ID));
    EXPECT_TRUE(g_IsHost);
    EXPECT_EQ(Lines().back(), "Host migrated! You are the new host.");
    EXPECT_EQ(Lines().size(), MESSAGE_LIST_MAX_LINES);

    NetMessage answer = Event(NetMessageType::ENUM_HOSTS_RESPONSE, 0);
    EXPECT_TRUE(Handle(answer));
    EXPECT_FALSE(Handle(answer));
}

// Players naming a taken slot (the host's or ours) stand where the host's
// order puts them, and when they leave the grid closes up; one who finishes
// while the race waits and leaves has no row. The host would admit only the
// next free slot while waiting.
TEST_F(MessageHandlerTest, ForgedSlotsPutNoTwoMopedsOnOneSlot)
{
    Opponent* host = ArrivedHost();
    ASSERT_TRUE(host != nullptr && host->moped != nullptr);
    for (uint32_t id : {26u, 27u}) {
        session.Add(id, "Forger", Order(id - 26));
        Handle(Event(NetMessageType::CREATE_PLAYER, id));
        Receive(id, {GAME_MESSAGE_PLAYER_JOINED});
    }
    session.Add(28, "Early", {2, 0, 0});
    Receive(28, {GAME_MESSAGE_PLAYER_JOINED});
    Step();
    EXPECT_EQ(Grid(), (std::vector<std::string>{"Host", "Me", "Forger", "Forger", "Early", ""}));
    Receive(28, Finished(1000));
    for (uint32_t id : {26u, 27u, 28u}) {
        Handle(Event(NetMessageType::DESTROY_PLAYER, id));
        HostDrops(id);
    }
    Step();
    EXPECT_EQ(Grid(), (std::vector<std::string>{"Host", "Me", "", "", "", ""}));
    SaveArtifact("ForgedSlotsLeftTheGrid", DrawNow(true));

    EXPECT_TRUE(AdmitJoiner(NetPlayerInfo{"Real", Order(2), 0}, 2));
    for (const std::vector<uint8_t>& data : {Order(0), Order(1), Order(3), std::vector<uint8_t>{2, 0, 0}})
        EXPECT_FALSE(AdmitJoiner(NetPlayerInfo{"Forger", data, 0}, 2));

    race->StartCountDown();
    race->phase = RACEPHASE_RACING;
    race->raceTimeMs = 60000;
    Receive(28, Finished(1000));
    Receive(20, Finished(59000));
    ASSERT_EQ(g_RaceRecords.size(), 1u);
    EXPECT_STREQ(g_RaceRecords[0].name, "Host");
}

// The game messages of a known player, and what is dropped: short messages,
// unknown kinds, unknown senders, states no moped can have.
TEST_F(MessageHandlerTest, GameMessagesAppliedAndBadOnesDropped)
{
    Opponent* host = ArrivedHost();
    ASSERT_TRUE(host != nullptr && host->moped != nullptr);

    Receive(20, {0x00, 0x01, 0x00});
    Receive(20, {0x06, 0, 0, 0});
    Receive(20, {0x0F, 0, 0, 0, 0});
    Receive(20, {});
    EXPECT_TRUE(host->controlQueue.empty());
    Receive(20, {0xF0, 0x01, 0x00, 0x00, 0xAA});
    Receive(99, {0x00, 0x02, 0x00, 0x00});
    ASSERT_EQ(host->controlQueue.size(), 1u);
    EXPECT_EQ(host->controlQueue.front()[1], 0x01);

    const std::vector<uint8_t> state = Packed(PoseOf(*host));
    Receive(20, std::vector<uint8_t>(state.begin(), state.end() - 1));
    EXPECT_FALSE(host->stateReceived);
    MopedStateMessage poisoned = PoseOf(*host);
    poisoned.velocity[1] = std::numeric_limits<float>::infinity();
    Receive(20, Packed(poisoned));
    EXPECT_FALSE(host->stateReceived);
    Receive(20, state);
    EXPECT_TRUE(host->stateReceived);

    EXPECT_FALSE(g_RaceStartReceived);
    Receive(20, {0x13});
    EXPECT_TRUE(g_RaceStartReceived);

    // The host's clock plus half the round trip, once the race runs.
    session.roundTrips[20] = 7;
    Receive(20, {0x04, 0xE8, 0x03, 0x00, 0x00});
    EXPECT_EQ(race->playerMoped.totalMs, 0u) << "not while waiting";
    race->StartCountDown();
    race->phase = RACEPHASE_RACING;
    Receive(20, {0x04, 0xE8, 0x03, 0x00});
    EXPECT_EQ(race->playerMoped.totalMs, 0u);
    Receive(20, {0x04, 0xE8, 0x03, 0x00, 0x00});
    EXPECT_EQ(race->playerMoped.totalMs, 1004u);
    session.roundTrips[20] = 6;
    Receive(20, {0x04, 0xE8, 0x03, 0x00, 0x00});
    EXPECT_EQ(race->playerMoped.totalMs, 1003u);
    Receive(99, {0x04, 0x00, 0x00, 0x01, 0x00});
    EXPECT_EQ(race->playerMoped.totalMs, 1003u) << "no round trip, no sync";

    // A finish within the race clock gives a results row and takes the moped;
    // once the race is taken down, one from a player who never raced here does nothing.
    race->raceTimeMs = 61000;
    Receive(20, {0x05, 0x32, 0xEF, 0x00});
    EXPECT_TRUE(g_RaceRecords.empty());
    Receive(20, {0x05, 0x32, 0xEF, 0x00, 0x00});
    EXPECT_TRUE(host->removed);
    race->Release();
    race->Destroy();
    session.Add(21, "Second", Order(2));
    Receive(21, Finished(10000));
    Handle(Event(NetMessageType::DESTROY_PLAYER, 21));
    Handle(Event(NetMessageType::HOST_MIGRATE, 21));
    ASSERT_EQ(g_RaceRecords.size(), 1u);
    EXPECT_STREQ(g_RaceRecords[0].name, "Host");
    EXPECT_EQ(g_RaceRecords[0].time, 61234u);
}

// Controls flooded while the race waits and while it runs: each queue stays
// bounded, and the moped plays the newest controls, in the order they were sent.
TEST_F(MessageHandlerTest, ControlFloodKeepsQueuesShortAndTheNewestControlsObeyed)
{
    Opponent* host = ArrivedHost();
    ASSERT_TRUE(host != nullptr && host->moped != nullptr);
    const auto flood = [&] {
        for (int i = 0; i < 20000; ++i)
            Receive(20, Controls(i % 2 == 0 ? 0x02 : 0x00));
    };
    // Fresh controls: throttle 1, 2, 3 with steering none, left, right, over and over.
    const auto fresh = [](size_t i) { return uint8_t((1 + i % 3) | (i % 3) << 2); };

    flood();
    Receive(20, Controls(fresh(1)));
    Step();
    EXPECT_LE(host->controlQueue.size(), 1u) << "nothing is played back while waiting";
    race->StartCountDown();
    Step();
    EXPECT_EQ(host->moped->throttle, 2);
    EXPECT_EQ(host->moped->steering, 1);

    race->phase = RACEPHASE_RACING;
    Receive(20, Controls(0x00, 1));
    flood();
    for (size_t i = 0; i < CONTROL_QUEUE_LIMIT; ++i)
        Receive(20, Controls(fresh(i)));
    EXPECT_LE(host->controlQueue.size(), CONTROL_QUEUE_LIMIT);
    EXPECT_TRUE(host->forceNextState) << "a recovery among the dropped still takes the next state whole";
    for (size_t i = 0; i < CONTROL_QUEUE_LIMIT; ++i) {
        Step();
        EXPECT_EQ(host->moped->throttle, int32_t(1 + i % 3)) << i;
        EXPECT_EQ(host->moped->steering, int32_t(i % 3)) << i;
    }
    EXPECT_TRUE(host->controlQueue.empty());
}

// The game's handler on the session's own thread, fed by a player over
// loopback while the race runs its frames under g_RaceLock, as in a game.
TEST_F(MessageHandlerTest, HandlerOnTheSessionThreadAgainstRaceFrames)
{
    struct PeerShutdown {
        ~PeerShutdown() { g_NetworkPeer.Shutdown(); }
    } shutdown;
    g_NetworkPeer.SetOptions(nettest::TestOptions(1));
    ASSERT_TRUE(g_NetworkPeer.Init(g_ApplicationGuid, NETWORK_PORT,
                                   [](const NetMessage& message) { return HandleNetworkMessage(message); }));
    // Hosting: a joiner claiming the host's slot is turned away, the one on the next slot gets in.
    race->localJoinOrder = 0;
    ASSERT_TRUE(race->Create(TRACK_UK)) << g_LastError;
    ASSERT_TRUE(g_NetworkPeer.SetLocalPlayerInfo("Me", Order(0).data(), PEER_DATA_SIZE, true));
    g_NetworkPeer.SetAdmissionCheck(AdmitJoiner);
    uint8_t appData[SESSION_APP_DATA_SIZE];
    SessionAppData{1, TRACK_UK}.Pack(appData);
    ASSERT_TRUE(g_NetworkPeer.Host(SESSION_NAME, MAX_SESSION_PLAYERS, appData, SESSION_APP_DATA_SIZE));
    const backend::NetAddress game{nettest::TestIp(1), uint16_t(NETWORK_PORT)};
    nettest::TestPlayer forger(3), bot(2);
    for (nettest::TestPlayer* joiner : {&forger, &bot}) {
        ASSERT_TRUE(joiner->Session().EnumHosts(g_ApplicationGuid, game));
        joiner->Session().SetPeerInfo("Bot", Order(joiner == &bot ? 1 : 0));
        EXPECT_EQ(joiner->Session().Connect(joiner->Found(), game), joiner == &bot);
    }
    const auto send = [&](std::vector<uint8_t> bytes, bool guaranteed) {
        bot.Session().SendTo(backend::NET_ALL_PLAYERS, bytes.data(), bytes.size(), guaranteed);
    };
    const auto locked = [](const std::function<bool()>& read) {
        std::lock_guard<std::recursive_mutex> lock(g_RaceLock);
        return read();
    };
    // Frames until `done`: at most `turns`, and 60 s as a generous guard.
    const auto frameUntil = [&](const std::function<bool()>& done, int turns) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        for (int turn = 0; turn < turns && std::chrono::steady_clock::now() < deadline; ++turn) {
            if (locked(done))
                return true;
            locked([&] { return Step(), true; });
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return locked(done);
    };

    send({GAME_MESSAGE_PLAYER_JOINED}, true);
    ASSERT_TRUE(frameUntil([&] { return Record(bot.Id()) != nullptr && Record(bot.Id())->moped != nullptr; }, 3000));
    locked([&] {
        race->StartCountDown();
        race->phase = RACEPHASE_RACING;
        return race->raceTimeMs = 60000;
    });
    std::vector<uint8_t> state;
    locked([&] { return state = Packed(PoseOf(*Record(bot.Id()))), true; });
    for (uint32_t turn = 0; turn < 120; ++turn) {
        send(Controls(turn % 3 == 0 ? 0x01 : 0x06), false);
        if (turn % 10 == 0)
            send(state, false);
        if (turn % 15 == 0)
            send({GAME_MESSAGE_TIME_SYNC, uint8_t(turn), 0xEA, 0, 0}, false);
        locked([&] { return Step(), true; });
    }
    send(Finished(50000), true);
    ASSERT_TRUE(frameUntil([] { return !g_RaceRecords.empty(); }, 3000));
    locked([&] {
        EXPECT_STREQ(g_RaceRecords[0].name, "Bot");
        EXPECT_TRUE(Record(bot.Id())->removed);
        EXPECT_GT(race->playerMoped.totalMs, 59000u) << "the host's clock was followed";
        return true;
    });
}

// The game's muted rider mid-race when the host vanishes: the others drop it
// for its silence, its session ends on its own while the handler still takes
// the departures, and the game leaves as the front end does on a failed send:
// the session closed first, then the race taken down.
TEST_F(MessageHandlerTest, AMutedJoinerCutOffMidRaceClosesItsSessionThenItsRace)
{
    struct PeerShutdown {
        ~PeerShutdown() { g_NetworkPeer.Shutdown(); }
    } shutdown;
    const nettest::OptionsChange quick = [](backend::NetSessionOptions& options) { options.linkTimeoutMaxMs = 600; };
    nettest::TestPlayer host(2, quick), c(3, quick), e(5, quick);
    uint8_t appData[SESSION_APP_DATA_SIZE];
    SessionAppData{1, TRACK_UK}.Pack(appData);
    ASSERT_TRUE(host.Host(std::vector<uint8_t>(appData, appData + sizeof appData)));
    ASSERT_TRUE(c.Join(host));
    // Its links to the others may go as much as six seconds apart and still count as lost with the host's.
    g_NetworkPeer.SetOptions(nettest::TestOptions(4, [&](backend::NetSessionOptions& options) {
        quick(options);
        options.resendMaxMs = 5000;
    }));
    ASSERT_TRUE(g_NetworkPeer.Init(nettest::TestApplication(), NETWORK_PORT,
                                   [](const NetMessage& message) { return HandleNetworkMessage(message); }));
    race->localJoinOrder = 2;
    ASSERT_TRUE(race->Create(TRACK_UK)) << g_LastError;
    ASSERT_TRUE(g_NetworkPeer.SetLocalPlayerInfo("Dee", Order(2).data(), PEER_DATA_SIZE, true));
    const in_addr hostAddress{htonl(nettest::TestIp(2))};
    ASSERT_TRUE(g_NetworkPeer.FindSession(inet_ntoa(hostAddress)));
    ASSERT_TRUE(g_NetworkPeer.Connect());
    ASSERT_TRUE(e.Join(host));
    const uint32_t others[] = {host.Id(), c.Id(), e.Id()};
    const auto locked = [](const std::function<bool()>& read) {
        std::lock_guard<std::recursive_mutex> lock(g_RaceLock);
        return read();
    };
    const auto everyMoped = [&] {
        for (const uint32_t id : others)
            if (Record(id) == nullptr || Record(id)->moped == nullptr)
                return false;
        return true;
    };
    for (int turn = 0; turn < 3000 && !locked(everyMoped); ++turn) {
        e.Session().SendTo(backend::NET_ALL_PLAYERS, std::vector<uint8_t>{GAME_MESSAGE_PLAYER_JOINED}.data(), 1, true);
        locked([&] { return Step(), true; });
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_TRUE(locked(everyMoped));
    locked([&] {
        race->StartCountDown();
        race->phase = RACEPHASE_RACING;
        return true;
    });

    g_NetworkPeer.Mute();
    host.Session().Vanish();
    // The race goes on, the others sending, until a send of the game fails.
    bool sent = true;
    int turn = 0;
    for (; turn < 20000 && sent; ++turn) {
        for (nettest::TestPlayer* other : {&c, &e})
            other->Session().SendTo(backend::NET_ALL_PLAYERS, Controls(uint8_t(turn % 3 == 0 ? 0x01 : 0x06)).data(), 4,
                                    false);
        uint8_t state[MOPED_STATE_MESSAGE_SIZE];
        locked([&] {
            Step();
            race->playerMoped.PackStateMessage(state);
            return true;
        });
        sent = g_NetworkPeer.Send(backend::NET_ALL_PLAYERS, state, sizeof state, false);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_FALSE(sent) << "the session did not end";
    g_NetworkPeer.Disconnect();
    locked([&] {
        g_MultiplayerRace = nullptr;
        race->Release();
        race->Destroy();
        return true;
    });
    for (nettest::TestPlayer* survivor : {&c, &e})
        EXPECT_TRUE(survivor->WaitForCount(NetMessageType::DESTROY_PLAYER, 2, std::chrono::milliseconds(20000)));
}

namespace {

constexpr uint32_t ANN = 20, BOB = 21, CY = 22, STRANGER = 99;

// One machine of a race of Ann (the host), Bob and Cy, seen through the
// handler with the local player Ann or Bob; no track is needed for the results.
class ResultsMachine {
public:
    explicit ResultsMachine(uint32_t localId) : localId(localId)
    {
        ClearResults();
        race.localJoinOrder = localId == ANN ? 0 : 1;
        g_MultiplayerRace = &race;
        const std::pair<uint32_t, const char*> players[] = {{ANN, "Ann"}, {BOB, "Bob"}, {CY, "Cy"}};
        for (uint32_t order = 0; order < 3; ++order) {
            const auto [id, name] = players[order];
            session.Add(id, name, Order(order), id == localId ? backend::NET_PLAYER_LOCAL : 0u);
            Deliver(session, id, {GAME_MESSAGE_PLAYER_JOINED});
        }
        race.StartCountDown();
        race.phase = RACEPHASE_RACING;
    }
    ~ResultsMachine()
    {
        g_MultiplayerRace = nullptr;
        race.Destroy();
    }

    void At(uint32_t raceMs) { race.raceTimeMs = raceMs; }
    void Receive(uint32_t from, uint32_t totalMs) { Deliver(session, from, Finished(totalMs)); }
    // Cy's flood: no time, every bit set, far beyond the clock, and one that could be true.
    void Flood(int count)
    {
        const uint32_t times[] = {0, 0xFFFFFFFFu, race.raceTimeMs + 100000, 25000};
        for (int i = 0; i < count; ++i)
            Receive(CY, times[i % 4] + uint32_t(i / 4));
    }
    // As the front end ends the race: the race is taken down, then the local row.
    void FinishLocally(uint32_t totalMs)
    {
        race.Destroy();
        InsertRaceResult(localId == ANN ? "Ann" : "Bob", totalMs, true);
    }
    std::string Results() const
    {
        std::string text = std::to_string(g_RaceRecords.size());
        if (g_RaceRecords.size() > MAX_SESSION_PLAYERS)
            return text + " rows, more than players";
        for (const RaceRecord& record : g_RaceRecords)
            text += std::string(" ") + record.name + ":" + std::to_string(record.time);
        return text;
    }

private:
    uint32_t localId;
    MultiplayerRace race;
    SessionPlayers session;
};

} // namespace

// Cy sends 20,000 finishes to both machines, before and after each local
// finish; a stranger and Bob's repeat are dropped too. Both machines end with
// the same three rows, Cy's from its first finish the clock allows, and one
// log line per sender.
TEST(RaceResults, FinishFloodLeavesHostAndJoinerTheSameRows)
{
    std::ostringstream log;
    g_Log = &log;
    g_LogEnabled = true;
    std::string host, joiner;
    {
        ResultsMachine ann(ANN);
        ann.At(30000);
        ann.Flood(10000);
        ann.At(60000);
        ann.FinishLocally(60000);
        ann.Flood(10000);
        ann.At(62500);
        ann.Receive(BOB, 62000);
        ann.Receive(BOB, 61000);
        ann.Receive(STRANGER, 50000);
        host = ann.Results();
    }
    {
        ResultsMachine bob(BOB);
        bob.At(30000);
        bob.Flood(10000);
        bob.At(60100);
        bob.Receive(ANN, 60000);
        bob.Flood(10000);
        bob.At(62000);
        bob.FinishLocally(62000);
        bob.Receive(STRANGER, 50000);
        joiner = bob.Results();
    }
    g_LogEnabled = false;
    g_Log = &std::clog;
    EXPECT_EQ(host, "3 Cy:25000 Ann:60000 Bob:62000");
    EXPECT_EQ(joiner, host);
    const std::string lines = log.str();
    size_t drops = 0;
    for (size_t at = 0; (at = lines.find("was dropped", at)) != std::string::npos; ++at)
        ++drops;
    EXPECT_EQ(drops, 5u) << lines;
    ClearResults();
}

TEST(RaceResults, InsertAfterEqualTimesAndFollowTheLocalRow)
{
    ClearResults();
    InsertRaceResult("A", 900, false);
    InsertRaceResult("B", 1000, false);
    InsertRaceResult("Me", 1000, true);
    EXPECT_EQ(g_LocalResultIndex, 2);
    InsertRaceResult("C", 1000, false);
    EXPECT_STREQ(g_RaceRecords[3].name, "C");
    EXPECT_EQ(g_LocalResultIndex, 2);
    InsertRaceResult("D", 950, false);
    EXPECT_STREQ(g_RaceRecords[1].name, "D");
    EXPECT_EQ(g_LocalResultIndex, 3);
    EXPECT_STREQ(g_RaceRecords[3].name, "Me");
    ClearResults();
}

TEST(HostAddress, FourNumbersOfAByteBetweenDots)
{
    for (const char* good : {"1.2.3.4", "255.255.255.255", "010.0.0.1", "0x7f.0.0.1", "1.2.3.4x"})
        EXPECT_TRUE(IsValidIpAddress(good)) << good;
    for (const char* bad : {"256.1.1.1", "1.2.3", "1,2,3,4", "", "1..2.3", "-1.2.3.4", "99999999999999999999.1.1.1"})
        EXPECT_FALSE(IsValidIpAddress(bad)) << bad;
}

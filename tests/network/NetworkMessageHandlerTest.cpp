// The message handler against a network race on UK Dirt Track, fed the
// session's messages as other players would cause them; the players' names,
// data and round trips come from a stand-in for the session.

#include "race/RaceTestKit.h"

#include "network/InsertRaceResult.h"
#include "network/IsValidIpAddress.h"
#include "network/NetworkMessageHandler.h"
#include "network/PlayerDirectory.h"

#include "race/MultiplayerRace.h"
#include "race/RaceGlobals.h"

#include "backend/clock/Clock.h"
#include "backend/files/Files.h"

#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <map>
#include <string>
#include <vector>

using backend::NetMessage;
using backend::NetMessageType;
using backend::NetPlayerInfo;

namespace {

constexpr uint32_t LOCAL_ID = 7;

class SessionPlayers final : public PlayerDirectory {
public:
    bool GetRemotePlayerInfo(uint32_t player, NetPlayerInfo* info) override
    {
        auto it = players.find(player);
        if (it == players.end())
            return false;
        *info = it->second;
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

    void Add(uint32_t id, const std::string& name, std::vector<uint8_t> data, uint32_t flags = 0)
    {
        players[id] = NetPlayerInfo{name, std::move(data), flags};
    }

    std::map<uint32_t, NetPlayerInfo> players;
    std::map<uint32_t, uint32_t> roundTrips;
    int answers = 0;
};

std::vector<uint8_t> Order(uint32_t joinOrder)
{
    std::vector<uint8_t> bytes(PEER_DATA_SIZE);
    PeerData{joinOrder}.Pack(bytes.data());
    return bytes;
}

} // namespace

class MessageHandlerTest : public RaceTest {
protected:
    void SetUp() override
    {
        // The ThreadSanitizer build makes no game data.
        if (!std::filesystem::exists(backend::BaseDirectory() + "/Data")) {
            GTEST_SKIP() << "no generated game data";
        }
        RaceTest::SetUp();
        ready = true;
        g_LocalPlayerId = 0;
        g_IsHost = g_RaceStartReceived = g_PlayerLeft = false;
        g_RaceRecords.clear();
        g_LocalResultIndex = -1;
        race = std::make_unique<MultiplayerRace>();
        race->localJoinOrder = 1;
        ASSERT_TRUE(race->Create(TRACK_UK)) << g_LastError;
        g_MultiplayerRace = race.get();
        session.Add(LOCAL_ID, "Me", Order(1), backend::NET_PLAYER_LOCAL);
        Handle(Event(NetMessageType::CREATE_PLAYER, LOCAL_ID));
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

    bool Handle(const NetMessage& message) { return HandleNetworkMessage(message, session); }

    void Receive(uint32_t from, std::vector<uint8_t> bytes)
    {
        NetMessage message = Event(NetMessageType::RECEIVE, from);
        message.data = bytes.data();
        message.size = bytes.size();
        Handle(message);
    }

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

    std::vector<std::string> Lines()
    {
        std::vector<std::string> lines;
        race->messages.ForEachLine([&](const MessageListEntry& entry) { lines.insert(lines.begin(), entry.text); });
        return lines;
    }

    std::unique_ptr<MultiplayerRace> race;
    SessionPlayers session;
    bool ready = false;
};

// Arrivals by join order and by the joined message, once each; departures,
// the local player's own, and host migration to another player and to us.
TEST_F(MessageHandlerTest, PlayersComeLeaveAndTheHostMoves)
{
    EXPECT_EQ(g_LocalPlayerId, LOCAL_ID);
    session.Add(20, "Host", Order(0));
    session.Add(21, "Late", Order(2));
    session.Add(22, "Odd", {2, 0, 0});
    session.Add(23, "Nowhere", Order(9));
    session.Add(24, "Negative", Order(0xFFFFFFFFu));
    session.Add(25, "ANameOfTwentySixCharacters", Order(3));
    for (uint32_t id = 20; id <= 25; ++id)
        Handle(Event(NetMessageType::CREATE_PLAYER, id));
    EXPECT_EQ(race->opponents.size(), 1u) << "only the host has a join order up to ours";
    for (uint32_t id = 21; id <= 25; ++id)
        Receive(id, {0x02});
    Receive(21, {0x02});
    Receive(20, {0x02});
    ASSERT_EQ(race->opponents.size(), 3u);
    EXPECT_EQ(Record(21)->joinOrder, 2);
    EXPECT_STREQ(Record(25)->name, "ANameOfTwentySixCha");
    Step();
    EXPECT_NE(Record(21)->moped, nullptr);

    Handle(Event(NetMessageType::DESTROY_PLAYER, LOCAL_ID));
    EXPECT_FALSE(g_PlayerLeft);
    NetMessage lost = Event(NetMessageType::DESTROY_PLAYER, 21);
    lost.reason = backend::NET_DESTROY_CONNECTION_LOST;
    Handle(lost);
    EXPECT_TRUE(g_PlayerLeft);
    EXPECT_TRUE(Record(21)->removed);
    Handle(Event(NetMessageType::DESTROY_PLAYER, 20));
    Handle(Event(NetMessageType::DESTROY_PLAYER, 99));
    Step();
    EXPECT_EQ(race->opponents.size(), 1u);
    EXPECT_EQ(race->localJoinOrder, 0) << "the host's slot is closed up";

    EXPECT_EQ(Lines(), (std::vector<std::string>{"Host connected", "Late connected", "ANameOfTwentySixCha connected",
                                                 "Late disconnected (connection lost)", "Host disconnected",
                                                 "OpponentNotFound disconnected"}));

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

// The game messages of a known player, and what is dropped: short messages,
// unknown kinds, unknown senders, states no moped can have.
TEST_F(MessageHandlerTest, GameMessagesAppliedAndBadOnesDropped)
{
    session.Add(20, "Host", Order(0));
    Handle(Event(NetMessageType::CREATE_PLAYER, 20));
    Step();
    Opponent* host = Record(20);
    ASSERT_NE(host->moped, nullptr);

    Receive(20, {0x00, 0x01, 0x00});
    Receive(20, {0x06, 0, 0, 0});
    Receive(20, {0x0F, 0, 0, 0, 0});
    Receive(20, {});
    EXPECT_TRUE(host->controlQueue.empty());
    Receive(20, {0xF0, 0x01, 0x00, 0x00, 0xAA});
    Receive(99, {0x00, 0x02, 0x00, 0x00});
    ASSERT_EQ(host->controlQueue.size(), 1u);
    EXPECT_EQ(host->controlQueue.front()[1], 0x01);

    std::vector<uint8_t> state(MOPED_STATE_MESSAGE_SIZE);
    MopedStateMessage good;
    for (int i = 0; i < 16; ++i)
        good.world[i] = host->moped->world.row[i / 4][i % 4];
    good.Pack(state.data());
    Receive(20, std::vector<uint8_t>(state.begin(), state.end() - 1));
    EXPECT_FALSE(host->stateReceived);
    MopedStateMessage poisoned = good;
    poisoned.velocity[1] = std::numeric_limits<float>::infinity();
    std::vector<uint8_t> bad(MOPED_STATE_MESSAGE_SIZE);
    poisoned.Pack(bad.data());
    Receive(20, bad);
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

    // A finish gives a results row and takes the moped, even after the race is taken down.
    Receive(20, {0x05, 0x32, 0xEF, 0x00});
    EXPECT_TRUE(g_RaceRecords.empty());
    Receive(20, {0x05, 0x32, 0xEF, 0x00, 0x00});
    EXPECT_TRUE(host->removed);
    race->Release();
    race->Destroy();
    session.Add(21, "Second", Order(2));
    Receive(21, {0x05, 0x10, 0x27, 0x00, 0x00});
    Receive(99, {0x05, 0x01, 0x00, 0x00, 0x00});
    Handle(Event(NetMessageType::DESTROY_PLAYER, 21));
    Handle(Event(NetMessageType::HOST_MIGRATE, 21));
    ASSERT_EQ(g_RaceRecords.size(), 2u);
    EXPECT_STREQ(g_RaceRecords[0].name, "Second");
    EXPECT_EQ(g_RaceRecords[0].time, 10000u);
    EXPECT_STREQ(g_RaceRecords[1].name, "Host");
    EXPECT_EQ(g_RaceRecords[1].time, 61234u);
}

TEST(RaceResults, InsertAfterEqualTimesAndFollowTheLocalRow)
{
    g_RaceRecords.clear();
    g_LocalResultIndex = -1;
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
    g_RaceRecords.clear();
    g_LocalResultIndex = -1;
}

TEST(HostAddress, FourNumbersOfAByteBetweenDots)
{
    for (const char* good : {"1.2.3.4", "255.255.255.255", "010.0.0.1", "0x7f.0.0.1", "1.2.3.4x"})
        EXPECT_TRUE(IsValidIpAddress(good)) << good;
    for (const char* bad : {"256.1.1.1", "1.2.3", "1,2,3,4", "", "1..2.3", "-1.2.3.4", "99999999999999999999.1.1.1"})
        EXPECT_FALSE(IsValidIpAddress(bad)) << bad;
}

// The game's network peer on loopback sessions: hosting, finding, joining with
// the game's session data, the refusals and the peer's life cycle.

#include "network/NetworkPeer.h"

#include "network/NetworkMessageHandler.h"

#include "backend/net/SessionTestKit.h"
#include "race/GameMessages.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>

#include <atomic>
#include <string>

using backend::NetMessage;
using backend::NetMessageType;

namespace {

// The dotted form of a test address.
std::string TestAddress(uint32_t n)
{
    const in_addr address{htonl(nettest::TestIp(n))};
    return inet_ntoa(address);
}

// The session kit's options, waiting as briefly for answers as a peer's tests need.
backend::NetSessionOptions PeerOptions(uint32_t n)
{
    backend::NetSessionOptions options = nettest::TestOptions(n);
    options.enumTimeoutMs = 800;
    return options;
}

// A peer whose handler passes answers on and counts the players it was told of.
struct Player {
    explicit Player(uint32_t n) : address(TestAddress(n)), peer(PeerOptions(n))
    {
        EXPECT_TRUE(peer.Init(g_ApplicationGuid, NETWORK_PORT, [this](const NetMessage& message) {
            if (message.type == NetMessageType::ENUM_HOSTS_RESPONSE)
                return peer.OnEnumHostsResponse(message);
            if (message.type == NetMessageType::CREATE_PLAYER)
                ++created;
            if (message.type == NetMessageType::RECEIVE)
                ++received;
            if (message.type == NetMessageType::HOST_MIGRATE)
                ++migrated;
            return true;
        }));
    }

    std::string address;
    std::atomic<int> created{0};
    std::atomic<int> received{0};
    std::atomic<int> migrated{0};
    NetworkPeer peer;
};

const uint8_t OPEN_TRACK_2[5] = {1, 2, 0, 0, 0};
const uint8_t JOIN_ORDER_1[4] = {1, 0, 0, 0};

} // namespace

TEST(NetworkPeer, HostFindAndConnectWithTheGamesSessionData)
{
    Player host(2), joiner(3);
    ASSERT_TRUE(host.peer.SetLocalPlayerInfo("Host", JOIN_ORDER_1, 4, true));
    ASSERT_TRUE(host.peer.Host(SESSION_NAME, MAX_SESSION_PLAYERS, OPEN_TRACK_2, 5));
    EXPECT_TRUE(host.peer.Send(0, "x", 1, false)) << "a host alone still sends";

    EXPECT_FALSE(joiner.peer.FindSession("1.2.3.4.5")) << "not an address";
    ASSERT_TRUE(joiner.peer.FindSession(host.address.c_str()));
    FoundSession found;
    ASSERT_TRUE(joiner.peer.GetFoundSession(&found));
    EXPECT_EQ(found.desc.currentPlayers, 1u);
    EXPECT_EQ(found.appData, std::vector<uint8_t>(OPEN_TRACK_2, OPEN_TRACK_2 + 5));
    EXPECT_EQ(found.hostAddress.port, NETWORK_PORT);

    // Only the first answer counts.
    backend::NetAppDesc other;
    other.appData = {1, 9, 0, 0, 0};
    NetMessage second;
    second.type = NetMessageType::ENUM_HOSTS_RESPONSE;
    second.desc = &other;
    EXPECT_TRUE(joiner.peer.OnEnumHostsResponse(second));
    ASSERT_TRUE(joiner.peer.GetFoundSession(&found));
    EXPECT_EQ(found.appData[1], 2);

    ASSERT_TRUE(joiner.peer.SetLocalPlayerInfo("Joiner", JOIN_ORDER_1, 4, true));
    ASSERT_TRUE(joiner.peer.Connect());
    EXPECT_TRUE(joiner.peer.IsInSession());
    EXPECT_EQ(joiner.created, 2);
    ASSERT_TRUE(joiner.peer.Send(0, "hello", 5, true));
    EXPECT_TRUE(nettest::Eventually([&] { return host.received > 0; }));
    EXPECT_EQ(host.received, 1);
    EXPECT_EQ(joiner.received, 0) << "never back to the sender";

    // The host starts its race: a late joiner is turned away.
    const uint8_t started[5] = {0, 2, 0, 0, 0};
    ASSERT_TRUE(host.peer.SetApplicationDesc(MAX_SESSION_PLAYERS, started, 5));
    Player late(4);
    ASSERT_TRUE(late.peer.FindSession(host.address.c_str()));
    EXPECT_FALSE(late.peer.Connect());
    EXPECT_FALSE(late.peer.GetFoundSession(&found)) << "a failed connect disconnects";
    EXPECT_EQ(host.created, 2);
}

TEST(NetworkPeer, FailuresDisconnectAndThePeerIsUsableAgain)
{
    Player player(2), joiner(3);
    EXPECT_FALSE(player.peer.Connect()) << "nothing found";
    EXPECT_FALSE(joiner.peer.FindSession(player.address.c_str())) << "nobody hosts there";

    // A session advertising no data cannot be joined.
    ASSERT_TRUE(player.peer.Host(SESSION_NAME, MAX_SESSION_PLAYERS, nullptr, 0));
    ASSERT_TRUE(joiner.peer.FindSession(player.address.c_str()));
    EXPECT_FALSE(joiner.peer.Connect());
    EXPECT_EQ(player.created, 1);

    // Disconnect, host again on the same peer, and join it.
    ASSERT_TRUE(player.peer.Disconnect());
    EXPECT_FALSE(player.peer.Send(0, "x", 1, true)) << "no session";
    ASSERT_TRUE(player.peer.Host(SESSION_NAME, MAX_SESSION_PLAYERS, OPEN_TRACK_2, 5));
    ASSERT_TRUE(joiner.peer.FindSession(player.address.c_str()));
    ASSERT_TRUE(joiner.peer.Connect());
    // The host hears of the joiner on its own thread, a moment after the joiner is in.
    EXPECT_TRUE(nettest::Eventually([&] { return player.created == 3; }));

    player.peer.Shutdown();
    player.peer.Shutdown();
    EXPECT_FALSE(player.peer.IsInitialised());
    EXPECT_FALSE(player.peer.Send(0, "x", 1, true));
}

namespace {

// The start slot a player claims, as the game publishes it.
std::vector<uint8_t> Slot(uint32_t joinOrder)
{
    std::vector<uint8_t> bytes(PEER_DATA_SIZE);
    PeerData{joinOrder}.Pack(bytes.data());
    return bytes;
}

// Joins the session at `host` as the game does: it claims the slot after the
// players the host counts and takes the game's admission check along.
bool JoinAsTheGame(Player& player, const std::string& host)
{
    FoundSession found;
    if (!player.peer.FindSession(host.c_str()) || !player.peer.GetFoundSession(&found))
        return false;
    const std::vector<uint8_t> slot = Slot(found.desc.currentPlayers);
    player.peer.SetAdmissionCheck(AdmitJoiner);
    return player.peer.SetLocalPlayerInfo("Joiner", slot.data(), PEER_DATA_SIZE, true) && player.peer.Connect();
}

constexpr int REFUSED = backend::REJECT_REFUSED;

} // namespace

// The host leaves before the start: the earliest joiner, now hosting two
// players, admits on slot 2 only, with the check it brought along.
TEST(NetworkPeer, AJoinerThatBecameHostAdmitsOnTheNextFreeSlotOnly)
{
    Player host(2), first(3), second(4), third(5);
    const std::vector<uint8_t> hostSlot = Slot(0);
    host.peer.SetAdmissionCheck(AdmitJoiner);
    ASSERT_TRUE(host.peer.SetLocalPlayerInfo("Host", hostSlot.data(), PEER_DATA_SIZE, true));
    ASSERT_TRUE(host.peer.Host(SESSION_NAME, MAX_SESSION_PLAYERS, OPEN_TRACK_2, 5));
    ASSERT_TRUE(JoinAsTheGame(first, host.address));
    ASSERT_TRUE(JoinAsTheGame(second, host.address));
    ASSERT_TRUE(nettest::Eventually([&] { return first.created == 3; }));
    host.peer.Disconnect();
    ASSERT_TRUE(nettest::Eventually([&] { return first.migrated == 1 && second.migrated == 1; }));

    const backend::NetAddress newHost{nettest::TestIp(3), uint16_t(NETWORK_PORT)};
    nettest::TestPlayer scout(9);
    ASSERT_TRUE(scout.Find(newHost, g_ApplicationGuid)) << "the earliest joiner does not host";
    const backend::NetAppDesc desc = scout.Found();
    EXPECT_EQ(desc.currentPlayers, 2u);
    nettest::RawClient claimant(10, 3);
    EXPECT_EQ(nettest::HelloAnswer(claimant, 0, newHost, desc, Slot(1)), REFUSED) << "a taken slot";
    EXPECT_EQ(nettest::HelloAnswer(claimant, 1, newHost, desc, Slot(3)), REFUSED) << "past the next";
    ASSERT_TRUE(JoinAsTheGame(third, first.address)) << "turned away on the next free slot";
    EXPECT_EQ(third.created, 3);
    EXPECT_EQ(nettest::HelloAnswer(claimant, 2, newHost, desc, Slot(2)), REFUSED) << "the slot just taken";
}

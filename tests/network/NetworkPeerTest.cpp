// The game's network peer on loopback sessions: hosting, finding, joining with
// the game's session data, the refusals and the peer's life cycle.

#include "network/NetworkPeer.h"

#include "backend/net/SessionTestKit.h"

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
            return true;
        }));
    }

    std::string address;
    std::atomic<int> created{0};
    std::atomic<int> received{0};
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

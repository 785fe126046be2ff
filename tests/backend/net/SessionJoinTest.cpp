// Hosting, finding and joining a session on loopback, and every refusal.

#include "backend/net/SessionTestKit.h"

#include <gtest/gtest.h>

using namespace nettest;

namespace {

const std::vector<uint8_t> OPEN_TRACK_7 = {1, 7, 0, 0, 0};

} // namespace

TEST(SessionJoin, FoundSessionIsJoinedWithItsDataAndPlayerInfo)
{
    TestPlayer host(2);
    TestPlayer joiner(3);
    EXPECT_FALSE(host.Session().SendTo(NET_ALL_PLAYERS, "x", 1, true)) << "no session yet";
    ASSERT_TRUE(host.Host(OPEN_TRACK_7));
    EXPECT_TRUE(host.Session().SendTo(NET_ALL_PLAYERS, "x", 1, true)) << "alone, sending to all still succeeds";

    ASSERT_TRUE(joiner.Find(host.Address()));
    const NetAppDesc found = joiner.Found();
    EXPECT_EQ(found.currentPlayers, 1u);
    EXPECT_EQ(found.maxPlayers, 6u);
    EXPECT_EQ(found.appData, OPEN_TRACK_7);
    EXPECT_EQ(found.sessionName, "TestSession");
    const std::vector<Event> enumEvents = joiner.Events();
    ASSERT_EQ(enumEvents.size(), 1u);
    EXPECT_NE(enumEvents[0].thread, std::this_thread::get_id());

    joiner.Session().SetPeerInfo("a name much longer than nineteen", {9, 8, 7, 6});
    ASSERT_TRUE(joiner.Session().Connect(found, host.Address()));
    const uint32_t hostId = host.Id();
    const uint32_t joinerId = joiner.Id();
    ASSERT_NE(hostId, 0u);
    ASSERT_NE(joinerId, 0u);
    EXPECT_NE(hostId, joinerId);

    // Connect returns once the joiner's handler has seen itself and the host,
    // each with its info already readable inside the handler.
    std::vector<Event> joined = joiner.Events();
    std::erase_if(joined, [](const Event& e) { return e.type == NetMessageType::ORDER_CHANGED; });
    ASSERT_EQ(joined.size(), 3u);
    EXPECT_EQ(joined[1].playerId, joinerId);
    EXPECT_EQ(joined[1].info.flags, NET_PLAYER_LOCAL);
    EXPECT_EQ(joined[1].info.name, "a name much longer ");
    EXPECT_EQ(joined[2].playerId, hostId);
    EXPECT_EQ(joined[2].info.flags, NET_PLAYER_HOST);
    EXPECT_EQ(joined[2].info.name, "host");
    for (const Event& event : joined)
        EXPECT_NE(event.thread, std::this_thread::get_id());

    ASSERT_TRUE(host.WaitForEvent(NetMessageType::CREATE_PLAYER, joinerId));
    std::vector<Event> hostEvents = host.Events();
    std::erase_if(hostEvents, [](const Event& e) { return e.type == NetMessageType::ORDER_CHANGED; });
    EXPECT_EQ(hostEvents[0].playerId, hostId);
    EXPECT_EQ(hostEvents[0].info.flags, NET_PLAYER_LOCAL | NET_PLAYER_HOST);
    EXPECT_EQ(hostEvents[1].info.data, (std::vector<uint8_t>{9, 8, 7, 6}));
    EXPECT_EQ(host.Count(NetMessageType::CREATE_PLAYER), 2u);

    // The data is republished; the name stays the one announced, here too.
    ASSERT_TRUE(joiner.Session().SetPeerInfo("renamed", {1, 2, 3, 4}));
    NetPlayerInfo info;
    EXPECT_TRUE(Eventually([&] {
        return host.Session().GetPeerInfo(joinerId, &info) && info.data == std::vector<uint8_t>{1, 2, 3, 4};
    }));
    EXPECT_EQ(info.name, "a name much longer ");
    ASSERT_TRUE(joiner.Session().GetPeerInfo(joinerId, &info));
    EXPECT_EQ(info.name, "a name much longer ");

    // A burst of guaranteed messages arrives whole and in order, never at the sender.
    for (uint32_t i = 0; i < 100; ++i) {
        const uint8_t bytes[2] = {static_cast<uint8_t>(i), 0xAB};
        ASSERT_TRUE(joiner.Session().SendTo(NET_ALL_PLAYERS, bytes, sizeof bytes, true));
    }
    ASSERT_TRUE(host.WaitForCount(NetMessageType::RECEIVE, 100));
    const std::vector<Event> burst = host.Received(joinerId);
    ASSERT_EQ(burst.size(), 100u);
    for (uint32_t i = 0; i < 100; ++i)
        EXPECT_EQ(burst[i].data, (std::vector<uint8_t>{static_cast<uint8_t>(i), 0xAB}));
    EXPECT_TRUE(joiner.Received().empty());

    uint32_t roundTrip = 999;
    ASSERT_TRUE(host.Session().GetConnectionInfo(joinerId, &roundTrip));
    // A thread of a loaded machine may sleep through a measurement: well below the guess is measured.
    EXPECT_LT(roundTrip, ENET_PEER_DEFAULT_ROUND_TRIP_TIME * 4 / 5) << "ENet's first guess, not a measured round trip";
}

TEST(SessionJoin, AFullSessionIsLaidOutWholeEverywhereAndRefusalsFullStartedWrongGameAndNobody)
{
    // As many players as a session holds.
    TestPlayer host(2);
    ASSERT_TRUE(host.Host(OPEN_TRACK_7, SESSION_PLAYERS_MAX));
    std::vector<std::unique_ptr<TestPlayer>> joiners;
    std::vector<TestPlayer*> grid = {&host};
    for (uint32_t n = 3; n < 2 + SESSION_PLAYERS_MAX; ++n) {
        joiners.push_back(std::make_unique<TestPlayer>(n));
        ASSERT_TRUE(joiners.back()->Join(host)) << "player " << n - 1;
        grid.push_back(joiners.back().get());
    }
    ExpectGrid(grid, {grid.begin() + 1, grid.end()});
    // The next finds the session full.
    TestPlayer last(2 + SESSION_PLAYERS_MAX);
    ASSERT_TRUE(last.Find(host.Address()));
    EXPECT_EQ(last.Found().currentPlayers, SESSION_PLAYERS_MAX);
    EXPECT_FALSE(last.Session().Connect(last.Found(), host.Address()));
    EXPECT_FALSE(last.Session().InSession());

    // One in the middle leaves: the others close up under it, the same everywhere.
    const auto middle = joiners.begin() + 3;
    std::erase(grid, middle->get());
    joiners.erase(middle);
    ASSERT_TRUE(host.WaitForCount(NetMessageType::DESTROY_PLAYER, 1));
    ExpectGrid(grid);

    // The host stops admitting, and says so in its answers.
    ASSERT_TRUE(host.Session().SetApplicationDesc(SESSION_PLAYERS_MAX, false, {0, 7, 0, 0, 0}));
    ASSERT_TRUE(last.Find(host.Address()));
    EXPECT_EQ(last.Found().currentPlayers, SESSION_PLAYERS_MAX - 1);
    EXPECT_FALSE(last.Found().joinable);
    EXPECT_EQ(last.Found().appData, (std::vector<uint8_t>{0, 7, 0, 0, 0}));
    NetAppDesc stale = last.Found();
    stale.joinable = true;
    EXPECT_FALSE(last.Session().Connect(stale, host.Address())) << "the host refuses while the race runs";

    // Another game's query goes unanswered; so does one where nobody listens.
    EXPECT_FALSE(last.Find(host.Address(), TestApplication(2)));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(last.Find({TestIp(40), TEST_PORT}));
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, std::chrono::milliseconds(900));
    EXPECT_LT(took, std::chrono::milliseconds(2500));
    // A joiner the host never admitted never saw anybody.
    EXPECT_EQ(last.Count(NetMessageType::CREATE_PLAYER), 0u);
}

// A refused Host says why on stderr: data past NET_DATA_MAX bytes, or a
// session in use; NET_DATA_MAX bytes host, and a finder reads them whole.
TEST(SessionJoin, ARefusedHostSaysWhyAndTheLargestDataHosts)
{
    TestPlayer host(2), finder(3);
    testing::internal::CaptureStderr();
    const bool hostedTooMuch = host.Host(std::vector<uint8_t>(NET_DATA_MAX + 1, 1));
    const std::string tooMuch = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(hostedTooMuch);
    EXPECT_NE(tooMuch.find("Network session: could not host: " + std::to_string(NET_DATA_MAX + 1) +
                           " bytes of application data, more than " + std::to_string(NET_DATA_MAX) + "\n"),
              std::string::npos)
        << tooMuch;

    // The longest name and data leave no room for the host's cookie in its
    // answer: it answers without one, and is joined.
    const std::vector<uint8_t> largest(NET_DATA_MAX, 1);
    NetAppDesc desc;
    desc.application = TestApplication();
    desc.sessionName = std::string(NET_SESSION_NAME_MAX, 's');
    desc.maxPlayers = 6;
    desc.appData = largest;
    ASSERT_TRUE(host.Session().Host(desc, TEST_PORT));
    EXPECT_TRUE(finder.Join(host));
    EXPECT_EQ(finder.Found().appData, largest);
    testing::internal::CaptureStderr();
    const bool hostedTwice = host.Host(OPEN_TRACK_7);
    const std::string twice = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(hostedTwice);
    EXPECT_NE(twice.find("Network session: could not host: this player is in a session already\n"), std::string::npos)
        << twice;
}

TEST(SessionJoin, TheHostsAdmissionCheckSeesTheJoinerAndThePlayersPresent)
{
    TestPlayer host(2), turnedDown(3), admitted(4);
    std::mutex mutex;
    std::vector<uint32_t> present;
    // Test players publish their number as the first byte of their data.
    host.Session().SetAdmissionCheck([&](const NetPlayerInfo& joiner, uint32_t players) {
        std::lock_guard lock(mutex);
        present.push_back(players);
        return joiner.name == "joiner" && joiner.data.at(0) != 3;
    });
    ASSERT_TRUE(host.Host(OPEN_TRACK_7));
    EXPECT_FALSE(turnedDown.Join(host));
    ASSERT_TRUE(admitted.Join(host));
    ASSERT_TRUE(host.WaitForEvent(NetMessageType::CREATE_PLAYER, admitted.Id()));
    EXPECT_EQ(host.Count(NetMessageType::CREATE_PLAYER), 2u);
    std::lock_guard lock(mutex);
    EXPECT_EQ(present, (std::vector<uint32_t>{1, 1}));
}

// Players leaving: cleanly, vanishing, the host handing its role on, and the
// end of a session while the handler is busy.

#include "backend/net/SessionTestKit.h"

#include <gtest/gtest.h>

#include <atomic>

using namespace nettest;

namespace {

const Event* Find(const std::vector<Event>& events, NetMessageType type)
{
    for (const Event& event : events)
        if (event.type == type)
            return &event;
    return nullptr;
}

} // namespace

class HostDeparture : public testing::TestWithParam<bool> {};

TEST_P(HostDeparture, EverySurvivorMigratesToTheEarliestJoinerWhoDropsTheNewcomerStillJoiningAndAdmitsAFourth)
{
    const bool vanish = GetParam();
    TestPlayer a(2), b(3), c(4), d(5);
    ASSERT_TRUE(a.Host({1, 3, 0, 0, 0}));
    ASSERT_TRUE(b.Join(a));
    ASSERT_TRUE(c.Join(a));
    ASSERT_TRUE(SawCreated(b, 3));
    const uint32_t oldHost = a.Id();
    const uint32_t oldCookie = QueryCookie(9, a.Address());
    EXPECT_TRUE(KeyedCookie(9, oldCookie)) << "the host's key was not drawn";
    // A newcomer the host admitted and announced, which has linked nobody yet.
    RawClient newcomer(10, 1);
    ControlFrame welcome;
    ASSERT_TRUE(AdmitAsPlayer(newcomer, a.Address(), b.Found(), &welcome));
    ASSERT_TRUE(Republished(a, {0, 1}, {&b, &c}));
    if (vanish)
        a.Session().Vanish();
    else
        a.Session().Close();

    const NetDestroyReason reason = vanish ? NET_DESTROY_CONNECTION_LOST : NET_DESTROY_NORMAL;
    for (TestPlayer* survivor : {&b, &c}) {
        ASSERT_TRUE(survivor->WaitForCount(NetMessageType::HOST_MIGRATE, 1));
        const std::vector<Event> events = survivor->Events();
        const Event* destroyed = Find(events, NetMessageType::DESTROY_PLAYER);
        const Event* migrated = Find(events, NetMessageType::HOST_MIGRATE);
        ASSERT_NE(destroyed, nullptr);
        EXPECT_EQ(destroyed->playerId, oldHost);
        EXPECT_EQ(destroyed->reason, reason);
        EXPECT_LT(destroyed, migrated) << "the old host goes before the new one is named";
        EXPECT_EQ(migrated->playerId, b.Id()) << "the earliest joiner left";
        EXPECT_EQ(CountOf(events, NetMessageType::DESTROY_PLAYER), 1u);
    }
    EXPECT_TRUE(b.Session().IsHost());
    EXPECT_FALSE(c.Session().IsHost());
    NetPlayerInfo info;
    ASSERT_TRUE(c.Session().GetPeerInfo(b.Id(), &info));
    EXPECT_EQ(info.flags, NET_PLAYER_HOST);
    EXPECT_FALSE(c.Session().GetPeerInfo(oldHost, &info)) << "gone once its departure was delivered";

    // The new host answers with what it now advertises, under a key of its own, and admits a fourth.
    const uint32_t newCookie = QueryCookie(9, b.Address());
    EXPECT_TRUE(KeyedCookie(9, newCookie)) << "the new host's key was not drawn";
    EXPECT_NE(newCookie, oldCookie);
    ASSERT_TRUE(b.Session().SetApplicationDesc(6, true, {1, 4, 0, 0, 0}));
    ASSERT_FALSE(d.Find(a.Address()));
    ASSERT_TRUE(d.Join(b));
    EXPECT_EQ(d.Found().currentPlayers, 2u);
    EXPECT_EQ(d.Found().appData, (std::vector<uint8_t>{1, 4, 0, 0, 0}));
    const uint32_t fourth = d.Id();
    EXPECT_NE(fourth, oldHost);
    for (TestPlayer* player : {&b, &c})
        ASSERT_TRUE(player->WaitForEvent(NetMessageType::CREATE_PLAYER, fourth));
    ASSERT_TRUE(d.Session().SendTo(NET_ALL_PLAYERS, "4", 1, true));
    EXPECT_TRUE(c.WaitForEvent(NetMessageType::RECEIVE, fourth));
    // One grid, the new host's: the old host's slot closed up everywhere, and
    // the newcomer holds none.
    ExpectGrid({&b, &c, &d}, {&d});
    for (TestPlayer* at : {&b, &c, &d})
        EXPECT_EQ(SlotAt(*at, welcome.member.id), UINT32_MAX);
}

INSTANTIATE_TEST_SUITE_P(CleanOrVanished, HostDeparture, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& info) { return info.param ? "Vanished" : "Clean"; });

TEST(SessionDeparture, VanishedJoinerIsALostConnectionCleanLeaveIsNormalAndNeitherLeavesWaitingLinksBehind)
{
    // Strangers' links wait until the session ends.
    const OptionsChange patient = [](NetSessionOptions& options) { options.helloTimeoutMs = 60000; };
    TestPlayer host(2, patient), b(3, patient), c(4);
    ASSERT_TRUE(MakeSession({&host, &b, &c}));
    const uint32_t bId = b.Id(), cId = c.Id();
    ASSERT_TRUE(FillWaitingPlaces(b.Address(), 10));
    b.Session().Vanish();
    c.Session().Close();
    ASSERT_TRUE(host.WaitForCount(NetMessageType::DESTROY_PLAYER, 2));
    for (const Event& event : host.Events()) {
        if (event.type == NetMessageType::DESTROY_PLAYER) {
            EXPECT_EQ(event.reason, event.playerId == bId ? NET_DESTROY_CONNECTION_LOST : NET_DESTROY_NORMAL)
                << (event.playerId == cId ? "clean leave" : "vanished");
            EXPECT_TRUE(event.infoKnown) << "info readable until the departure was delivered";
        }
    }
    EXPECT_EQ(host.Count(NetMessageType::HOST_MIGRATE), 0u);
    EXPECT_TRUE(host.Session().IsHost());

    // The same objects host and join again: the links that waited, and the
    // right to close one that an address spent, went with the old sessions.
    ASSERT_TRUE(FillWaitingPlaces(host.Address(), 10));
    host.Session().Close();
    ASSERT_TRUE(host.Host({1, 0, 0, 0, 0}));
    EXPECT_TRUE(FillWaitingPlaces(host.Address(), 10)) << "at the host";
    ASSERT_TRUE(b.Join(host));
    EXPECT_TRUE(FillWaitingPlaces(b.Address(), 10)) << "at the joiner";
}

TEST(SessionDeparture, CloseWaitsForABusyHandlerAndNoCallFollows)
{
    TestPlayer host(2), joiner(3);
    ASSERT_TRUE(MakeSession({&host, &joiner}));
    std::atomic<bool> busy{false}, returned{false}, closed{false}, calledAfterClose{false};
    // It sends until its session is gone, which it sees while Close waits for it.
    joiner.OnMessage([&](const NetMessage& message) {
        if (closed)
            calledAfterClose = true;
        if (message.type != NetMessageType::RECEIVE || returned)
            return;
        busy = true;
        while (joiner.Session().SendTo(NET_ALL_PLAYERS, "b", 1, true))
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        returned = true;
    });
    for (int i = 0; i < 20; ++i)
        ASSERT_TRUE(host.Session().SendTo(NET_ALL_PLAYERS, "m", 1, true));
    ASSERT_TRUE(Eventually([&] { return busy.load(); }));
    joiner.Session().Close();
    EXPECT_TRUE(returned) << "Close returned while the handler still ran";
    closed = true;
    for (int i = 0; i < 20; ++i)
        host.Session().SendTo(NET_ALL_PLAYERS, "m", 1, true);
    ASSERT_TRUE(host.WaitForCount(NetMessageType::DESTROY_PLAYER, 1));
    EXPECT_FALSE(calledAfterClose);
    EXPECT_LT(joiner.Received().size(), 20u) << "what was still queued is dropped, not delivered";
}

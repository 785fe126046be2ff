// Players leaving: normally, vanishing, the host handing its role on, and the
// end of a session while the handler is busy.

#include "backend/net/SessionTestKit.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <future>
#include <mutex>
#include <thread>

using namespace nettest;

namespace {

const Event* Find(const std::vector<Event>& events, NetMessageType type)
{
    for (const Event& event : events)
        if (event.type == type)
            return &event;
    return nullptr;
}

// No player of an ended session, `ids`, is readable at `at` any more, but
// for ids its session with `host` drew again.
void ExpectForgotten(TestPlayer& at, TestPlayer& host, const std::vector<uint32_t>& ids)
{
    for (const uint32_t id : ids) {
        if (id == at.Id() || id == host.Id())
            continue;
        NetPlayerInfo info;
        uint32_t roundTrip = 0;
        EXPECT_FALSE(at.Session().GetPeerInfo(id, &info)) << "player " << id << " outlived its session";
        EXPECT_FALSE(at.Session().GetConnectionInfo(id, &roundTrip)) << "player " << id << " outlived its session";
    }
}

// Newcomers at 127.x.y.n and n + 1 each say `player` did not answer them:
// the host turns the first away and removes the player on the second's word.
bool RemovedOnTwoWords(TestPlayer& host, TestPlayer& player, uint32_t n)
{
    for (const uint32_t at : {n, n + 1}) {
        RawClient newcomer(at, 1);
        ControlFrame welcome;
        if (!AdmitAsPlayer(newcomer, host.Address(), player.Found(), &welcome, QueryCookie(at, host.Address())))
            return false;
        newcomer.Send(0, UnansweredFrame({player.Id()}));
        if (at == n + 1 && !host.WaitForEvent(NetMessageType::DESTROY_PLAYER, player.Id()))
            return false;
        // The next joiner is not told of it.
        newcomer.Leave(0);
        if (!host.WaitForEvent(NetMessageType::DESTROY_PLAYER, welcome.member.id))
            return false;
    }
    return true;
}

// Only a plain socket listens at `at`, where `joiner` found a host: the first
// datagram its Connect sends there is a query for a cookie. No answer comes,
// so it sends nothing but queries and gives up saying why.
void ExpectAsksForACookie(TestPlayer& joiner, const NetAddress& at, const char* why)
{
    const int other = BindUdp(at.ip, at.port);
    ASSERT_GE(other, 0);
    testing::internal::CaptureStderr();
    std::future<bool> joined =
        std::async(std::launch::async, [&] { return joiner.Session().Connect(joiner.Found(), at); });
    std::vector<std::vector<uint8_t>> datagrams;
    const auto take = [&] {
        uint8_t bytes[2048];
        ssize_t size = 0;
        while ((size = recv(other, bytes, sizeof bytes, MSG_DONTWAIT)) > 0)
            datagrams.emplace_back(bytes, bytes + size);
    };
    while (joined.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready)
        take();
    take();
    const bool connected = joined.get();
    const std::string log = testing::internal::GetCapturedStderr();
    close(other);
    EXPECT_FALSE(connected);
    HostQuery query;
    ASSERT_FALSE(datagrams.empty()) << why;
    EXPECT_TRUE(DecodeHostQuery(datagrams[0].data(), datagrams[0].size(), &query)) << why;
    const auto others = std::count_if(datagrams.begin(), datagrams.end(), [&](const std::vector<uint8_t>& datagram) {
        return !DecodeHostQuery(datagram.data(), datagram.size(), &query);
    });
    EXPECT_EQ(others, 0) << "it connected though the host at that address gave it no cookie";
    const std::string failed =
        "Network session: could not join: the host at " + AddressText({htonl(at.ip), at.port}) + " did not answer\n";
    EXPECT_NE(log.find(failed), std::string::npos) << "it did not fail at once, saying why:\n" << log;
}

} // namespace

class HostDeparture : public testing::TestWithParam<bool> {};

TEST_P(HostDeparture, EverySurvivorMigratesToTheEarliestJoinerWhoDropsTheNewcomerStillJoiningAtOnceAndAdmitsAnother)
{
    const bool vanish = GetParam();
    TestPlayer a(2), b(3), c(4), d(5), e(6);
    ASSERT_TRUE(a.Host({1, 3, 0, 0, 0}));
    ASSERT_TRUE(b.Join(a));
    ASSERT_TRUE(c.Join(a));
    ASSERT_TRUE(SawCreated(b, 3));
    const uint32_t oldHost = a.Id();
    const uint32_t oldCookie = QueryCookie(9, a.Address());
    EXPECT_TRUE(KeyedCookie(9, oldCookie)) << "the host's key was not drawn";
    // A newcomer the host admitted and announced, which links only d, the
    // player admitted after it: d's slot shows whether a list holds it.
    RawClient newcomer(10, 1);
    ControlFrame welcome;
    ASSERT_TRUE(AdmitAsPlayer(newcomer, a.Address(), b.Found(), &welcome));
    std::future<bool> joined = std::async(std::launch::async, [&] { return d.Join(a); });
    ControlFrame hello, ack;
    ASSERT_TRUE(newcomer.NextFrame(ControlKind::HELLO_PEER, 2000, &hello));
    ack.kind = ControlKind::PEER_ACK;
    ack.member = welcome.member;
    newcomer.SendIncoming(0, ack);
    newcomer.Pump(2000, [&] { return joined.wait_for(std::chrono::seconds(0)) == std::future_status::ready; });
    ASSERT_TRUE(joined.get());
    ASSERT_TRUE(Republished(a, {0, 1}, {&b, &c, &d}));
    if (vanish)
        a.Session().Vanish();
    else
        a.Session().Close();

    // The new host sends its list to c and d at once: once c took it, d has
    // it too, and elects only on the newcomer's word that it lost the host.
    const auto listTaken = [&] {
        const std::vector<Event> events = c.Events();
        const auto migrated = std::find_if(events.begin(), events.end(),
                                           [](const Event& e) { return e.type == NetMessageType::HOST_MIGRATE; });
        return migrated != events.end() && std::any_of(migrated, events.end(), [](const Event& e) {
                   return e.type == NetMessageType::ORDER_CHANGED;
               });
    };
    newcomer.Pump(2000, [&] { return b.Count(NetMessageType::HOST_MIGRATE) == 1 && listTaken(); });
    ControlFrame lost;
    lost.kind = ControlKind::HOST_LOST;
    lost.member.id = oldHost;
    newcomer.SendIncoming(0, lost);
    const NetDestroyReason reason = vanish ? NET_DESTROY_CONNECTION_LOST : NET_DESTROY_NORMAL;
    for (TestPlayer* survivor : {&b, &c, &d}) {
        ASSERT_TRUE(survivor->WaitForCount(NetMessageType::HOST_MIGRATE, 1));
        const std::vector<Event> events = survivor->Events();
        const Event* destroyed = Find(events, NetMessageType::DESTROY_PLAYER);
        const Event* migrated = Find(events, NetMessageType::HOST_MIGRATE);
        ASSERT_NE(destroyed, nullptr);
        EXPECT_EQ(destroyed->playerId, oldHost);
        EXPECT_EQ(destroyed->reason, reason);
        EXPECT_LT(destroyed, migrated) << "the old host goes before the new one is named";
        EXPECT_EQ(migrated->playerId, b.Id()) << "the earliest joiner left";
        for (TestPlayer* other : {&b, &c, &d})
            EXPECT_FALSE(HasEvent(events, NetMessageType::DESTROY_PLAYER, other->Id()));
    }
    // The newcomer is on no list as soon as every survivor elected.
    ExpectGrid({&b, &c, &d});
    EXPECT_TRUE(b.Session().IsHost());
    EXPECT_FALSE(c.Session().IsHost());
    NetPlayerInfo info;
    ASSERT_TRUE(c.Session().GetPeerInfo(b.Id(), &info));
    EXPECT_EQ(info.flags, NET_PLAYER_HOST);
    EXPECT_FALSE(c.Session().GetPeerInfo(oldHost, &info)) << "gone once its departure was delivered";

    // The new host answers with what it now advertises, under a key of its own, and admits another.
    const uint32_t newCookie = QueryCookie(9, b.Address());
    EXPECT_TRUE(KeyedCookie(9, newCookie)) << "the new host's key was not drawn";
    EXPECT_NE(newCookie, oldCookie);
    ASSERT_TRUE(b.Session().SetApplicationDesc(6, true, {1, 4, 0, 0, 0}));
    ASSERT_FALSE(e.Find(a.Address()));
    ASSERT_TRUE(e.Join(b));
    EXPECT_EQ(e.Found().currentPlayers, 3u);
    EXPECT_EQ(e.Found().appData, (std::vector<uint8_t>{1, 4, 0, 0, 0}));
    const uint32_t fifth = e.Id();
    EXPECT_NE(fifth, oldHost);
    for (TestPlayer* player : {&b, &c, &d})
        ASSERT_TRUE(player->WaitForEvent(NetMessageType::CREATE_PLAYER, fifth));
    // The new host is the only door: c, a player, answers no query.
    const QueryOutcome toAPlayer = RepliesBefore(9, c.Address(), [&] {
        ASSERT_TRUE(e.Session().SendTo(NET_ALL_PLAYERS, "5", 1, true));
        EXPECT_TRUE(c.WaitForEvent(NetMessageType::RECEIVE, fifth));
    });
    EXPECT_EQ(toAPlayer.answers + toAPlayer.challenges + toAPlayer.others, 0u) << "a player answered a query";
    // One grid, the new host's: the old host's slot closed up everywhere, and
    // the newcomer holds none.
    ExpectGrid({&b, &c, &d, &e}, {&e});
    for (TestPlayer* at : {&b, &c, &d, &e})
        EXPECT_EQ(SlotAt(*at, welcome.member.id), UINT32_MAX);
}

INSTANTIATE_TEST_SUITE_P(CleanOrVanished, HostDeparture, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& info) { return info.param ? "Vanished" : "Normal"; });

TEST(SessionDeparture, VanishedJoinerIsALostConnectionANormalLeaveIsNormalAndNoEndedSessionLeavesAnythingToTheNext)
{
    // Strangers' links wait until the session ends.
    const OptionsChange patient = [](NetSessionOptions& options) { options.helloTimeoutMs = 60000; };
    // b's slowest delivery is six seconds.
    TestPlayer host(2, patient), c(4), b(3, [&](NetSessionOptions&options) {
        patient(options);
        options.resendMaxMs = 5000;
    });
    ASSERT_TRUE(MakeSession({&host, &b, &c}));
    const std::vector<uint32_t> first = {host.Id(), b.Id(), c.Id()};
    const uint32_t bId = b.Id(), cId = c.Id();
    ASSERT_TRUE(FillWaitingPlaces(b.Address(), 10));
    b.Session().Vanish();
    c.Session().Close();
    ASSERT_TRUE(host.WaitForCount(NetMessageType::DESTROY_PLAYER, 2));
    for (const Event& event : host.Events()) {
        if (event.type == NetMessageType::DESTROY_PLAYER) {
            EXPECT_EQ(event.reason, event.playerId == bId ? NET_DESTROY_CONNECTION_LOST : NET_DESTROY_NORMAL)
                << (event.playerId == cId ? "normal leave" : "vanished");
            EXPECT_TRUE(event.infoKnown) << "info readable until the departure was delivered";
        }
    }
    EXPECT_EQ(host.Count(NetMessageType::HOST_MIGRATE), 0u);
    EXPECT_TRUE(host.Session().IsHost());

    // A search answered too long ago for its cookie to be good still.
    ASSERT_TRUE(c.Find(host.Address()));
    std::this_thread::sleep_for(COOKIE_FRESH + std::chrono::milliseconds(100));
    host.Session().Close();
    ExpectAsksForACookie(c, host.Address(), "a cookie that may have aged out was shown");
    ASSERT_TRUE(host.Host({1, 0, 0, 0, 0}));

    // The same objects host and join again as if new: the players, the links
    // that waited, the rights to close one that addresses spent and the
    // cookies went with the sessions that ended.
    const uint32_t oldCookie = QueryCookie(9, host.Address());
    ASSERT_TRUE(FillWaitingPlaces(host.Address(), 10, AT_HOST));
    ASSERT_TRUE(c.Find(host.Address()));
    ExpectAsksForACookie(c, {TestIp(30), TEST_PORT}, "the search's cookie was shown to another host");
    c.Session().Close();
    host.Session().Close();
    ExpectAsksForACookie(c, host.Address(), "the last host's cookie was shown");
    ASSERT_TRUE(host.Host({1, 0, 0, 0, 0}));
    EXPECT_NE(QueryCookie(9, host.Address()), oldCookie) << "the last session's key made the cookies";
    EXPECT_TRUE(FillWaitingPlaces(host.Address(), 10, AT_HOST)) << "at the host";
    ExpectForgotten(host, host, first);
    ASSERT_TRUE(b.Join(host));
    EXPECT_TRUE(FillWaitingPlaces(b.Address(), 10)) << "at the joiner that vanished";
    ExpectForgotten(b, host, first);

    // b's session ends on its own (the host removed it), and it joins again.
    const uint32_t removed = b.Id();
    ASSERT_TRUE(RemovedOnTwoWords(host, b, 20));
    ASSERT_TRUE(Eventually([&] { return !b.Session().InSession(); }));
    b.Session().Close();
    ASSERT_TRUE(b.Join(host));
    EXPECT_TRUE(FillWaitingPlaces(b.Address(), 10)) << "at the joiner whose session ended";
    ExpectForgotten(b, host, {removed});

    // A player closes its link to b with the removal word just before b
    // leaves; in b's next session, the host vanishes: alone, b hosts itself.
    RawClient liar(11, 2);
    ControlFrame welcome;
    ASSERT_TRUE(JoinAsPlayer(liar, host.Address(), b.Found(), &welcome));
    liar.Leave(1, DISCONNECT_REMOVED);
    ASSERT_TRUE(b.WaitForEvent(NetMessageType::DESTROY_PLAYER, welcome.member.id));
    b.Session().Close();
    liar.Leave(0);
    ASSERT_TRUE(host.WaitForEvent(NetMessageType::DESTROY_PLAYER, welcome.member.id));
    ASSERT_TRUE(b.Join(host));
    host.Session().Vanish();
    EXPECT_TRUE(b.WaitForEvent(NetMessageType::HOST_MIGRATE, b.Id())) << "the last session's word ended b's";
}

TEST(SessionDeparture, CloseWaitsForABusyHandlerAndNothingOfTheClosedSessionReachesTheNext)
{
    // Declared first: the handler may still use them while the players go.
    enum Busy { WAITING, RUNNING, ENDED_BY_CLOSE, ENDED_BEFORE_CLOSE };
    std::mutex mutex;
    std::condition_variable changed;
    std::atomic<Busy> busy{WAITING};
    std::atomic<bool> closing{false};
    TestPlayer host(2), joiner(3);
    ASSERT_TRUE(MakeSession({&host, &joiner}));
    // It sends until its session is gone, which it sees while Close waits for it.
    joiner.OnMessage([&](const NetMessage& message) {
        if (message.type != NetMessageType::RECEIVE || busy != WAITING)
            return;
        {
            std::lock_guard lock(mutex);
            busy = RUNNING;
        }
        changed.notify_all();
        while (joiner.Session().SendTo(NET_ALL_PLAYERS, "b", 1, true))
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        busy = closing ? ENDED_BY_CLOSE : ENDED_BEFORE_CLOSE;
    });
    // The first keeps the handler busy, the others wait behind it: the data
    // published after them shows they were taken.
    for (int i = 0; i < 20; ++i)
        ASSERT_TRUE(host.Session().SendTo(NET_ALL_PLAYERS, "m", 1, true));
    {
        std::unique_lock lock(mutex);
        ASSERT_TRUE(changed.wait_for(lock, std::chrono::seconds(20), [&] { return busy != WAITING; }));
    }
    ASSERT_TRUE(Republished(host, {0, 1}, {&joiner}));
    closing = true;
    joiner.Session().Close();
    EXPECT_NE(busy.load(), RUNNING) << "Close returned while the handler still ran";
    EXPECT_NE(busy.load(), ENDED_BEFORE_CLOSE) << "the handler's sends failed before Close";
    const size_t seen = joiner.Events().size();
    for (int i = 0; i < 20; ++i)
        host.Session().SendTo(NET_ALL_PLAYERS, "m", 1, true);
    ASSERT_TRUE(host.WaitForCount(NetMessageType::DESTROY_PLAYER, 1));
    EXPECT_EQ(joiner.Events().size(), seen) << "a message queued before Close reached the handler after it";

    // The same object joins again: its handler hears of the new session only.
    ASSERT_TRUE(joiner.Join(host));
    ASSERT_TRUE(host.Session().SendTo(NET_ALL_PLAYERS, "n", 1, true));
    ASSERT_TRUE(joiner.WaitFor([](const std::vector<Event>& events) {
        return std::any_of(events.begin(), events.end(),
                           [](const Event& e) { return e.data == std::vector<uint8_t>{'n'}; });
    }));
    const std::vector<Event> events = joiner.Events();
    const auto stale = std::count_if(events.begin() + std::ptrdiff_t(seen), events.end(),
                                     [](const Event& e) { return e.data == std::vector<uint8_t>{'m'}; });
    EXPECT_EQ(stale, 0) << "messages of the closed session reached the next";
}

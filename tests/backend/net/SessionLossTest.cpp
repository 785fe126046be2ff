// Links that lose datagrams or break for one pair of players only.

#include "backend/net/SessionState.h"
#include "backend/net/SessionTestKit.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

using namespace nettest;

namespace {

// The game's own time-outs on a test address, but for the join's: joining
// through a lossy relay on a starved core may take long.
NetSessionOptions GameOptions(uint32_t n)
{
    NetSessionOptions options;
    options.bindIp = TestIp(n);
    options.enumAttempts = 60;
    options.enumTimeoutMs = options.connectTimeoutMs = options.helloTimeoutMs = 60000;
    return options;
}

// Links given up after 600 ms, or kept for a minute without answers.
const OptionsChange QUICK = [](NetSessionOptions& options) { options.linkTimeoutMaxMs = 600; };
const OptionsChange PATIENT = [](NetSessionOptions& options) {
    options.linkTimeoutMinMs = options.linkTimeoutMaxMs = 60000;
};

size_t Departures(TestPlayer& player)
{
    return player.Count(NetMessageType::DESTROY_PLAYER) + player.Count(NetMessageType::HOST_MIGRATE);
}

// Returns once a whole round of the player's I/O, its checks included, ran
// after the call: one that took a datagram from 127.x.y.n. The round holds
// the lock that reading the player's traffic takes.
bool IoRoundRan(TestPlayer& player, uint32_t n)
{
    const int fd = BindUdp(TestIp(n), 0);
    const uint64_t before = player.Session().GetTrafficStats().receivedDatagrams;
    const bool ran = fd >= 0 && Eventually([&] {
                         SendPaced(fd, player.Address(), {{0}});
                         return player.Session().GetTrafficStats().receivedDatagrams > before;
                     });
    if (fd >= 0)
        close(fd);
    return ran;
}

// What a player took of the other's race, read as its events grow: the
// guaranteed turns that came once and in order, then the finish.
struct RaceTaken {
    size_t read = 0;
    uint16_t turns = 0;
    size_t misplaced = 0;
    bool finished = false;

    // The turns taken so far.
    uint16_t Read(const std::vector<Event>& events)
    {
        for (; read < events.size(); ++read) {
            const std::vector<uint8_t>& data = events[read].data;
            if (events[read].type != NetMessageType::RECEIVE || data.at(0) == 'S')
                continue;
            if (!finished && data.size() == 3 && data[0] == 'C' && (data[1] | data[2] << 8) == turns)
                ++turns;
            else if (!finished && data == std::vector<uint8_t>{'F'})
                finished = true;
            else
                ++misplaced;
        }
        return turns;
    }
};

} // namespace

TEST(SessionLoss, ARaceAcrossALossySlowRelayEndsTogether)
{
    // Nothing heard for twice the game's link time-out: the race stopped.
    const auto quiet = std::chrono::milliseconds(2 * GameOptions(0).linkTimeoutMaxMs);
    TestPlayer a(2, GameOptions(2)), b(3, GameOptions(3));
    ASSERT_TRUE(a.Host({1, 0, 0, 0, 0}));
    UdpRelay relay(20, a.Address(), 0.2, std::chrono::milliseconds(100));
    ASSERT_TRUE(b.JoinAt(relay.Front(20)));
    ASSERT_TRUE(a.WaitForCount(NetMessageType::CREATE_PLAYER, 2, quiet));

    // A short race: every turn a state and a guaranteed message (so that
    // many resends are under way), then each player's finish. Each STEP
    // turns go once the other took all but the last STEP sent, so that what
    // waits in the sessions stays far below their bounds however slowly they
    // run.
    constexpr uint16_t TURNS = 1200, STEP = 64;
    RaceTaken byA, byB;
    const auto took = [&](TestPlayer& player, RaceTaken& taken, uint16_t turns) {
        return player.WaitWhileHeard([&](const std::vector<Event>& events) { return taken.Read(events) >= turns; },
                                     quiet);
    };
    for (uint16_t turn = 0; turn < TURNS; ++turn) {
        if (turn >= STEP && turn % STEP == 0) {
            ASSERT_TRUE(took(a, byA, uint16_t(turn - STEP))) << "turn " << turn << ": a took " << byA.turns;
            ASSERT_TRUE(took(b, byB, uint16_t(turn - STEP))) << "turn " << turn << ": b took " << byB.turns;
        }
        const uint8_t state[3] = {'S', uint8_t(turn), uint8_t(turn >> 8)};
        const uint8_t control[3] = {'C', uint8_t(turn), uint8_t(turn >> 8)};
        for (TestPlayer* player : {&a, &b}) {
            ASSERT_TRUE(player->Session().SendTo(NET_ALL_PLAYERS, state, sizeof state, false)) << "turn " << turn;
            ASSERT_TRUE(player->Session().SendTo(NET_ALL_PLAYERS, control, sizeof control, true)) << "turn " << turn;
        }
    }
    const uint8_t finished[1] = {'F'};
    for (TestPlayer* player : {&a, &b})
        ASSERT_TRUE(player->Session().SendTo(NET_ALL_PLAYERS, finished, sizeof finished, true));
    for (auto [player, taken] : {std::pair{&a, &byA}, std::pair{&b, &byB}}) {
        ASSERT_TRUE(player->WaitWhileHeard(
            [&](const std::vector<Event>& events) {
                taken->Read(events);
                return taken->finished;
            },
            quiet))
            << "took " << taken->turns << " turns and no finish";
        EXPECT_EQ(taken->turns, TURNS) << "guaranteed messages lost";
        EXPECT_EQ(taken->misplaced, 0u) << "guaranteed messages out of order, twice or after the finish";
        EXPECT_EQ(Departures(*player), 0u) << "the link was given up";
        EXPECT_TRUE(player->Session().InSession());
    }
    EXPECT_TRUE(a.Session().IsHost());
    EXPECT_FALSE(b.Session().IsHost());
}

// Which a player cut off from the host alone hears first: the others closing
// their links as the host removed it, or its own link to the host timing out.
enum class CutOffOrder { THEIR_WORD_FIRST, HOST_LINK_FIRST };

class CutOffFromTheHost : public testing::TestWithParam<CutOffOrder> {};

TEST_P(CutOffFromTheHost, APlayerThatLostOnlyTheHostEndsAndNobodyElsesSessionMoves)
{
    const bool wordFirst = GetParam() == CutOffOrder::THEIR_WORD_FIRST;
    const auto timeout = [](uint32_t ms) {
        return [ms](NetSessionOptions& options) { options.linkTimeoutMinMs = options.linkTimeoutMaxMs = ms; };
    };
    // Twice each way, on addresses of their own.
    for (uint32_t n : {2u, 5u}) {
        TestPlayer a(n, timeout(wordFirst ? 600 : 3000)), b(n + 1, timeout(wordFirst ? 3000 : 600)), c(n + 2);
        ASSERT_TRUE(MakeSession({&a, &b, &c}));
        // Only the link between the host and b breaks; c still hears both.
        a.Session().IgnoreFrom(b.Address());
        b.Session().IgnoreFrom(a.Address());

        ASSERT_TRUE(b.WaitForCount(NetMessageType::DESTROY_PLAYER, 2, std::chrono::milliseconds(20000)))
            << "b neither went on with c nor ended";
        EXPECT_TRUE(Eventually([&] { return !b.Session().InSession(); })) << "b went on alone";
        EXPECT_EQ(b.Count(NetMessageType::HOST_MIGRATE), 0u) << "b made itself host";
        EXPECT_FALSE(b.Session().SendTo(NET_ALL_PLAYERS, "x", 1, true)) << "the game is not told the session ended";
        for (TestPlayer* player : {&a, &c}) {
            ASSERT_TRUE(player->WaitForEvent(NetMessageType::DESTROY_PLAYER, b.Id()));
            EXPECT_EQ(player->Count(NetMessageType::HOST_MIGRATE), 0u);
            EXPECT_TRUE(player->Session().InSession());
        }
        EXPECT_TRUE(a.Session().IsHost());
    }
}

INSTANTIATE_TEST_SUITE_P(SessionLoss, CutOffFromTheHost,
                         testing::Values(CutOffOrder::THEIR_WORD_FIRST, CutOffOrder::HOST_LINK_FIRST));

// Which b, the last player but the host, loses first when both vanish.
enum class LostFirst { THE_OTHER, THE_HOST };

class LostTogether : public testing::TestWithParam<LostFirst> {};

TEST_P(LostTogether, APlayerThatLosesTheHostAndTheLastOtherWithinADeliveryEndsWhateverTheOrder)
{
    // b gives a link up after about a second; a delivery may take six. The
    // host does not notice c go, so b learns of it only by its own time-out;
    // c says nothing of the host, so that no election ends before it goes.
    TestPlayer a(2, PATIENT), b(3, [](NetSessionOptions&options) { options.resendMaxMs = 5000; }), c(4);
    ASSERT_TRUE(MakeSession({&a, &b, &c}));
    c.Session().Mute();
    TestPlayer& first = GetParam() == LostFirst::THE_OTHER ? c : a;
    TestPlayer& second = &first == &a ? c : a;
    const uint32_t firstId = first.Id();
    first.Session().Vanish();
    ASSERT_TRUE(b.WaitForEvent(NetMessageType::DESTROY_PLAYER, firstId));
    second.Session().Vanish();

    ASSERT_TRUE(b.WaitForCount(NetMessageType::DESTROY_PLAYER, 2, std::chrono::milliseconds(20000)));
    EXPECT_TRUE(Eventually([&] { return !b.Session().InSession(); })) << "b went on alone";
    EXPECT_EQ(b.Count(NetMessageType::HOST_MIGRATE), 0u) << "b made itself host";
}

INSTANTIATE_TEST_SUITE_P(SessionLoss, LostTogether, testing::Values(LostFirst::THE_OTHER, LostFirst::THE_HOST));

TEST(SessionLoss, ALoneSurvivorHostsItselfAfterTheHostsNormalLeaveOrWhenTheOthersLeftNormallyOrSaidRemovedLongAgo)
{
    const auto hostsItself = [](TestPlayer& b, const char* why) {
        ASSERT_TRUE(b.WaitForEvent(NetMessageType::HOST_MIGRATE, b.Id())) << why;
        EXPECT_TRUE(b.Session().IsHost()) << why;
    };
    // A player closes its link to b with the removal word; then the host
    // leaves normally at once, or vanishes once the slowest delivery (1 s
    // time-out and 1 s resend) is past.
    for (const bool normalLeave : {true, false}) {
        TestPlayer a(2), b(3);
        ASSERT_TRUE(MakeSession({&a, &b}));
        RawClient liar(9, 2);
        ControlFrame welcome;
        ASSERT_TRUE(JoinAsPlayer(liar, a.Address(), b.Found(), &welcome));
        liar.Leave(1, DISCONNECT_REMOVED);
        ASSERT_TRUE(b.WaitForEvent(NetMessageType::DESTROY_PLAYER, welcome.member.id));
        if (normalLeave) {
            a.Session().Close();
            hostsItself(b, "the others' word outweighed the host's normal leave");
            continue;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2100));
        liar.Leave(0);
        ASSERT_TRUE(a.WaitForEvent(NetMessageType::DESTROY_PLAYER, welcome.member.id));
        a.Session().Vanish();
        hostsItself(b, "an old word ended b's session");
    }
    // Another player leaves normally just before the host vanishes, or while b
    // waits for its word on the vanished host (it does not notice). b's wait
    // is short; once it hosts itself, the wait's end decides nothing more.
    const OptionsChange brief = [](NetSessionOptions& options) {
        options.linkTimeoutMaxMs = 600;
        options.resendMaxMs = 200;
        options.closeLingerMs = 100;
    };
    for (const bool whileWaiting : {false, true}) {
        TestPlayer a(5), b(6, brief), c(7, PATIENT);
        ASSERT_TRUE(MakeSession({&a, &b, &c}));
        const uint32_t host = a.Id();
        std::chrono::steady_clock::time_point waitEnded;
        if (whileWaiting) {
            a.Session().Vanish();
            ASSERT_TRUE(b.WaitForEvent(NetMessageType::DESTROY_PLAYER, host));
            waitEnded =
                std::chrono::steady_clock::now() + std::chrono::milliseconds(SurvivorsWaitMs(TestOptions(6, brief)));
        }
        const uint32_t left = c.Id();
        c.Session().Close();
        ASSERT_TRUE(b.WaitForEvent(NetMessageType::DESTROY_PLAYER, left));
        if (!whileWaiting) {
            a.Session().Vanish();
            hostsItself(b, "a normal leave before the host was lost ended b's session");
            continue;
        }
        hostsItself(b, "a normal leave after the host was lost ended b's session");
        // b takes the joiner's query after its wait ended, and creates it after that.
        std::this_thread::sleep_until(waitEnded);
        TestPlayer d(8);
        ASSERT_TRUE(d.Join(b));
        ASSERT_TRUE(b.WaitForEvent(NetMessageType::CREATE_PLAYER, d.Id()));
        EXPECT_EQ(b.Count(NetMessageType::HOST_MIGRATE), 1u) << "b elected again when its wait ended";
        EXPECT_EQ(b.Count(NetMessageType::DESTROY_PLAYER), 2u);
        EXPECT_TRUE(b.Session().IsHost());
        EXPECT_TRUE(b.Session().InSession());
        EXPECT_TRUE(d.Session().InSession());
    }
}

TEST(SessionLoss, AnUnansweredLinkIsResentAtLeastEveryResendInterval)
{
    const auto patient = [](NetSessionOptions& options) {
        options.linkTimeoutMinMs = options.linkTimeoutMaxMs = 10000;
        options.resendMaxMs = 200;
    };
    TestPlayer a(2, patient), b(3, patient);
    ASSERT_TRUE(MakeSession({&a, &b}));
    // b hears nothing more, acknowledgements included: its ping is resent
    // over and over, and each resend is one datagram at a.
    b.Session().SetIncomingLoss(1.0, 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    std::vector<std::chrono::steady_clock::time_point> arrivals;
    uint64_t seen = a.Session().GetTrafficStats().receivedDatagrams;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(3000);
    while (std::chrono::steady_clock::now() < end) {
        const uint64_t now = a.Session().GetTrafficStats().receivedDatagrams;
        if (now != seen)
            arrivals.push_back(std::chrono::steady_clock::now());
        seen = now;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ASSERT_GE(arrivals.size(), 3u);
    std::vector<int64_t> gaps;
    for (size_t i = 1; i < arrivals.size(); ++i)
        gaps.push_back(std::chrono::duration_cast<std::chrono::milliseconds>(arrivals[i] - arrivals[i - 1]).count());
    std::nth_element(gaps.begin(), gaps.begin() + gaps.size() / 2, gaps.end());
    EXPECT_LE(gaps[gaps.size() / 2], 300) << "resends slowed past the interval";
    EXPECT_TRUE(b.Session().InSession());
}

TEST(SessionLoss, AVanishedHostIsReplacedAlsoWhenOneSurvivorReachedItSlowly)
{
    // c reaches the host over a slow relay, so it notices the host is gone
    // well after b does; b must wait for it instead of ending alone.
    const auto quick = [](NetSessionOptions& options) { options.linkTimeoutMaxMs = 600; };
    TestPlayer a(2, quick), b(3, quick), c(4, quick);
    ASSERT_TRUE(a.Host({1, 0, 0, 0, 0}));
    ASSERT_TRUE(b.Join(a));
    UdpRelay relay(20, a.Address(), 0, std::chrono::milliseconds(200));
    ASSERT_TRUE(c.JoinAt(relay.Front(20)));
    for (TestPlayer* player : {&a, &b, &c})
        ASSERT_TRUE(SawCreated(*player, 3));

    a.Session().Vanish();
    for (TestPlayer* survivor : {&b, &c}) {
        ASSERT_TRUE(survivor->WaitForCount(NetMessageType::HOST_MIGRATE, 1));
        EXPECT_TRUE(HasEvent(survivor->Events(), NetMessageType::HOST_MIGRATE, b.Id()));
        EXPECT_TRUE(survivor->Session().InSession());
    }
}

TEST(SessionLoss, AJoinerIsLinkedToAPlayerThatHearsOfItLateFromTheHost)
{
    // b hears nothing from the host for a while: the host's word that c joins
    // reaches b well after c's own hello, and after b's hello deadline.
    const auto impatient = [](NetSessionOptions& options) {
        options.linkTimeoutMinMs = options.linkTimeoutMaxMs = 3000;
        options.helloTimeoutMs = 300;
    };
    TestPlayer a(2, impatient), b(3, impatient), c(4, impatient);
    ASSERT_TRUE(MakeSession({&a, &b}));
    b.Session().IgnoreFrom(a.Address(), 1000);
    ASSERT_TRUE(c.Join(a));
    EXPECT_TRUE(b.WaitForEvent(NetMessageType::CREATE_PLAYER, c.Id())) << "b never linked to c";
    EXPECT_TRUE(c.WaitForEvent(NetMessageType::CREATE_PLAYER, b.Id())) << "c went on without b";
}

TEST(SessionLoss, AHostsNormalLeaveThatReachedOnlyOneSurvivorStillHandsOver)
{
    // b hears the host leave at once; c hears nothing more from it, the
    // normal leave included, and notices only by its time-out. b then hears c's
    // word of it one resend late.
    const auto brisk = [](NetSessionOptions& options) {
        options.linkTimeoutMinMs = options.linkTimeoutMaxMs = 1500;
        options.resendMaxMs = 200;
        options.pingIntervalMs = 100;
    };
    const NetSessionOptions timing = TestOptions(0, brisk);
    TestPlayer a(2, brisk), b(3, brisk), c(4, brisk);
    ASSERT_TRUE(MakeSession({&a, &b, &c}));
    c.Session().IgnoreFrom(a.Address());
    const auto left = std::chrono::steady_clock::now();
    a.Session().Close();
    // From before the earliest c can notice to after its first word can reach b.
    std::this_thread::sleep_until(left +
                                  std::chrono::milliseconds(timing.linkTimeoutMaxMs - timing.pingIntervalMs - 50));
    b.Session().IgnoreFrom(c.Address(), 2 * timing.resendMaxMs + 2 * timing.pingIntervalMs + 150);

    for (TestPlayer* survivor : {&b, &c}) {
        ASSERT_TRUE(survivor->WaitForCount(NetMessageType::HOST_MIGRATE, 1));
        EXPECT_TRUE(HasEvent(survivor->Events(), NetMessageType::HOST_MIGRATE, b.Id()));
        EXPECT_TRUE(survivor->Session().InSession());
    }
    EXPECT_TRUE(b.Session().IsHost());
}

TEST(SessionLoss, ASurvivorThatLostOnlyTheHostLeavesWhenAnotherSaysItStillHearsIt)
{
    // The host keeps its link to b long after b gave up on it, so b alone must
    // find out that c still hears the host.
    const auto patient = [](NetSessionOptions& options) {
        options.linkTimeoutMinMs = options.linkTimeoutMaxMs = 60000;
    };
    TestPlayer a(2, patient), b(3), c(4);
    ASSERT_TRUE(MakeSession({&a, &b, &c}));
    b.Session().IgnoreFrom(a.Address());

    ASSERT_TRUE(b.WaitForCount(NetMessageType::DESTROY_PLAYER, 2, std::chrono::milliseconds(20000)));
    EXPECT_EQ(b.Count(NetMessageType::HOST_MIGRATE), 0u) << "b made itself host";
    EXPECT_FALSE(b.Session().InSession());
    // b ended at its wait's end; its later checks decide nothing more. The
    // answer to its query reaches its handler after all it was given before.
    ASSERT_TRUE(IoRoundRan(b, 9));
    ASSERT_TRUE(b.Find(a.Address()));
    EXPECT_EQ(b.Count(NetMessageType::HOST_MIGRATE), 0u) << "b elected itself after it ended";
    // The host finds out by its own time-out.
    ASSERT_TRUE(c.WaitForEvent(NetMessageType::DESTROY_PLAYER, b.Id()));
    for (TestPlayer* player : {&a, &c})
        EXPECT_EQ(player->Count(NetMessageType::HOST_MIGRATE), 0u);
    EXPECT_TRUE(a.Session().IsHost());
}

TEST(SessionLoss, SurvivorsThatStillHearTheHostAreDroppedWhenFewerThanThoseThatLostIt)
{
    TestPlayer a(2, PATIENT), b(3), c(4, QUICK), d(5, QUICK);
    ASSERT_TRUE(MakeSession({&a, &b, &c, &d}));
    // c and d lose the host; b, which joined before them, still hears it.
    c.Session().IgnoreFrom(a.Address());
    d.Session().IgnoreFrom(a.Address());

    for (TestPlayer* survivor : {&c, &d}) {
        ASSERT_TRUE(survivor->WaitForCount(NetMessageType::HOST_MIGRATE, 1, std::chrono::milliseconds(20000)));
        EXPECT_TRUE(HasEvent(survivor->Events(), NetMessageType::HOST_MIGRATE, c.Id()))
            << "the player that still hears the host was elected";
        EXPECT_TRUE(HasEvent(survivor->Events(), NetMessageType::DESTROY_PLAYER, b.Id()));
        EXPECT_TRUE(survivor->Session().InSession());
    }
    EXPECT_TRUE(c.Session().IsHost());
}

TEST(SessionLoss, AtASecondHostLossTheFirstElectionsWordsDoNotDecide)
{
    TestPlayer a(2, PATIENT), b(3, PATIENT), c(4, QUICK), d(5);
    ASSERT_TRUE(MakeSession({&a, &b, &c, &d}));
    // c alone loses the first host and asks; the others still hear it and
    // say so. Then it leaves, and everyone says it lost it.
    c.Session().IgnoreFrom(a.Address());
    ASSERT_TRUE(c.WaitForEvent(NetMessageType::DESTROY_PLAYER, a.Id()));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    a.Session().Close();
    for (TestPlayer* survivor : {&b, &c, &d})
        ASSERT_TRUE(survivor->WaitForEvent(NetMessageType::HOST_MIGRATE, b.Id()));
    // Then only c loses the new host; d still hears it and says so.
    c.Session().IgnoreFrom(b.Address());

    ASSERT_TRUE(c.WaitFor(
        [&](const std::vector<Event>& events) {
            return HasEvent(events, NetMessageType::DESTROY_PLAYER, d.Id()) ||
                   CountOf(events, NetMessageType::HOST_MIGRATE) > 1;
        },
        std::chrono::milliseconds(20000)));
    EXPECT_EQ(c.Count(NetMessageType::HOST_MIGRATE), 1u) << "c made itself host on the first election's words";
    EXPECT_FALSE(c.Session().InSession());
    EXPECT_TRUE(b.Session().IsHost());
    EXPECT_FALSE(HasEvent(d.Events(), NetMessageType::DESTROY_PLAYER, b.Id()));
}

TEST(SessionLoss, WordsAboutAnotherPlayerSayNothingOfTheHost)
{
    TestPlayer a(2), b(3, QUICK);
    ASSERT_TRUE(MakeSession({&a, &b}));
    // Admitted like any joiner; it answers ENet, but all it says is that it
    // lost b, which is not the host, and still hears it.
    RawClient raw(9, 2);
    ControlFrame welcome;
    ASSERT_TRUE(JoinAsPlayer(raw, a.Address(), b.Found(), &welcome));
    const uint32_t rawId = welcome.member.id;
    raw.Pump(1000, [&] { return HasEvent(b.Events(), NetMessageType::CREATE_PLAYER, rawId); });
    for (const ControlKind kind : {ControlKind::HOST_LOST, ControlKind::HOST_SEEN}) {
        ControlFrame word;
        word.kind = kind;
        word.member.id = b.Id();
        raw.Send(1, word);
    }
    raw.Pump(10);

    // At b's deadline the raw player is one that said nothing.
    a.Session().Vanish();
    raw.Pump(2000, [&] { return b.Count(NetMessageType::HOST_MIGRATE) > 0 || !b.Session().InSession(); });
    EXPECT_TRUE(HasEvent(b.Events(), NetMessageType::HOST_MIGRATE, b.Id())) << "b left on a word about itself";
    EXPECT_TRUE(HasEvent(b.Events(), NetMessageType::DESTROY_PLAYER, rawId))
        << "a word about another player counted as having lost the host";
}

// Honest survivors beside as many silent ones: the honest go on under the
// earliest of them, whatever their number.
class SilentSurvivors : public testing::TestWithParam<int> {};

TEST_P(SilentSurvivors, AreDroppedAndTheHonestOnesElectTheEarliestOfThem)
{
    const auto quick = [](NetSessionOptions& options) { options.linkTimeoutMaxMs = 600; };
    std::vector<std::unique_ptr<TestPlayer>> players;
    // The host, then silent and honest ones in turn: s, h, s, h...
    for (int n = 0; n <= 2 * GetParam(); ++n)
        players.push_back(std::make_unique<TestPlayer>(2 + n, quick));
    std::vector<TestPlayer*> silent, honest;
    for (size_t i = 1; i < players.size(); ++i)
        (i % 2 == 1 ? silent : honest).push_back(players[i].get());
    TestPlayer& host = *players[0];
    ASSERT_TRUE(host.Host({1, 0, 0, 0, 0}));
    for (size_t i = 1; i < players.size(); ++i)
        ASSERT_TRUE(players[i]->Join(host));
    for (const auto& player : players)
        ASSERT_TRUE(SawCreated(*player, players.size()));

    for (TestPlayer* player : silent)
        player->Session().Mute();
    host.Session().Vanish();
    const uint32_t next = honest.front()->Id();
    for (TestPlayer* survivor : honest) {
        ASSERT_TRUE(survivor->WaitForCount(NetMessageType::HOST_MIGRATE, 1, std::chrono::milliseconds(20000)))
            << "an honest survivor lost the session";
        EXPECT_TRUE(HasEvent(survivor->Events(), NetMessageType::HOST_MIGRATE, next));
        EXPECT_TRUE(survivor->Session().InSession());
        const std::vector<Event> events = survivor->Events();
        for (TestPlayer* quiet : silent)
            EXPECT_TRUE(std::any_of(events.begin(), events.end(), [&](const Event& event) {
                return event.type == NetMessageType::DESTROY_PLAYER && event.playerId == quiet->Id() &&
                       event.reason == NET_DESTROY_CONNECTION_LOST;
            })) << "a silent player was kept";
    }
    EXPECT_TRUE(honest.front()->Session().IsHost());
    if (honest.size() > 1) {
        ASSERT_TRUE(honest.back()->Session().SendTo(next, "h", 1, true));
        EXPECT_TRUE(honest.front()->WaitForEvent(NetMessageType::RECEIVE, honest.back()->Id()));
    }
}

INSTANTIATE_TEST_SUITE_P(OneAndOneTwoAndTwo, SilentSurvivors, testing::Values(1, 2));

// The game's muted rider when the host is killed mid-race: the others drop it
// for its silence, its session ends on its own while the game still sends,
// publishes and asks about players (from its handler too), and the game closes
// it as soon as it sees that. Run by the sanitized builds, where any access to
// what the ended session or Close freed is reported.
TEST(SessionLoss, AMutedPlayerCutOffFromTheHostAndTheOthersIsClosedWhileItsGameStillCalls)
{
    const auto quick = [](NetSessionOptions& options) { options.linkTimeoutMaxMs = 600; };
    // d's links to the others may go as much as six seconds apart and still count as lost with the host's.
    TestPlayer a(2, quick), c(3, quick), e(5, quick), d(4, [&](NetSessionOptions&options) {
        quick(options);
        options.resendMaxMs = 5000;
    });
    ASSERT_TRUE(MakeSession({&a, &c, &d, &e}));
    const std::vector<uint32_t> ids = {a.Id(), c.Id(), d.Id(), e.Id()};
    std::atomic<bool> closed{false}, calledAfterClose{false};
    d.OnMessage([&](const NetMessage& message) {
        if (closed)
            calledAfterClose = true;
        NetPlayerInfo info;
        uint32_t roundTrip = 0;
        for (const uint32_t id : ids) {
            d.Session().GetPeerInfo(id, &info);
            d.Session().GetConnectionInfo(id, &roundTrip);
        }
        // Departures keep the handler busy while the game closes.
        if (message.type == NetMessageType::DESTROY_PLAYER)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    });
    d.Session().Mute();
    a.Session().Vanish();
    // d's game: a turn at a time until it sees its session gone, then it closes it.
    bool ended = false;
    const std::vector<uint8_t> data = {1, 0, 0, 0};
    for (int turn = 0; turn < 20000 && !ended; ++turn) {
        const uint8_t state[20] = {uint8_t(turn)};
        d.Session().SendTo(NET_ALL_PLAYERS, state, sizeof state, false);
        d.Session().SendTo(NET_ALL_PLAYERS, state, 4, true);
        d.Session().SetPeerInfo("d", data);
        NetPlayerInfo info;
        d.Session().GetPeerInfo(c.Id(), &info);
        ended = !d.Session().InSession();
        if (!ended)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_TRUE(ended) << "d's session did not end";
    d.Session().Close();
    closed = true;
    EXPECT_FALSE(HasEvent(d.Events(), NetMessageType::HOST_MIGRATE, ids[2])) << "d went on alone";
    EXPECT_FALSE(d.Session().SendTo(NET_ALL_PLAYERS, "x", 1, true));
    for (TestPlayer* survivor : {&c, &e})
        EXPECT_TRUE(survivor->WaitForEvent(NetMessageType::DESTROY_PLAYER, ids[2], std::chrono::milliseconds(20000)));
    EXPECT_TRUE(c.WaitForEvent(NetMessageType::HOST_MIGRATE, ids[1]));
    EXPECT_FALSE(calledAfterClose) << "a handler call came after Close returned";
}

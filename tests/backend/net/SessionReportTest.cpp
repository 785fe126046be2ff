// A newcomer's word on the players that did not answer it: taken only while it
// may still be joining and the race waits, and against a player only once
// newcomers at two addresses said the same.

#include "backend/net/SessionTestKit.h"

#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>

using namespace nettest;

namespace {

const std::vector<uint8_t> OPEN = {1, 7, 0, 0, 0};

// The players a machine has been told are in: created and not destroyed.
std::set<uint32_t> Players(TestPlayer& player)
{
    std::set<uint32_t> ids;
    for (const Event& event : player.Events()) {
        if (event.type == NetMessageType::CREATE_PLAYER)
            ids.insert(event.playerId);
        else if (event.type == NetMessageType::DESTROY_PLAYER)
            ids.erase(event.playerId);
    }
    return ids;
}

bool Removed(TestPlayer& player, uint32_t id)
{
    return HasEvent(player.Events(), NetMessageType::DESTROY_PLAYER, id);
}

// A stranger at 127.x.y.n that the host admits like anybody and that links nobody.
class Newcomer {
public:
    explicit Newcomer(uint32_t n) : raw(n, 1) {}

    // `joiner` found the session.
    bool Admitted(TestPlayer& host, TestPlayer& joiner)
    {
        return AdmitAsPlayer(raw, host.Address(), joiner.Found(), &welcome) &&
               host.WaitForEvent(NetMessageType::CREATE_PLAYER, Id());
    }
    uint32_t Id() const { return welcome.member.id; }
    // Names `ids` and waits for the host to turn it away: the reason given.
    uint8_t NameAndBeTurnedAway(const std::vector<uint32_t>& ids)
    {
        raw.Send(0, UnansweredFrame(ids));
        ControlFrame reject;
        return raw.NextFrame(ControlKind::REJECT, 1000, &reject) ? reject.reason : 0;
    }
    // Names `ids`, then leaves: once the host saw it go, whatever the word did is done.
    void NameAndLeave(TestPlayer& host, const std::vector<uint32_t>& ids)
    {
        raw.Send(0, UnansweredFrame(ids));
        raw.Leave(0);
        EXPECT_TRUE(host.WaitForEvent(NetMessageType::DESTROY_PLAYER, Id()));
        ControlFrame reject;
        EXPECT_FALSE(raw.TakeFrame(ControlKind::REJECT, &reject)) << "turned away for a word that did not count";
    }

    RawClient raw;
    ControlFrame welcome;
};

} // namespace

TEST(SessionReport, ASilentPlayerCostsOneFailedJoinAndGoesWhenANewcomerAtAnotherAddressNamesIt)
{
    TestPlayer a(2), silent(3), b(4), c(5), d(6);
    ASSERT_TRUE(MakeSession({&a, &silent, &b}));
    silent.Session().Mute();
    EXPECT_FALSE(c.Join(a)) << "one newcomer's word removed a player";
    EXPECT_FALSE(Removed(a, silent.Id()));
    ASSERT_TRUE(d.Join(a)) << "a silent player kept a second newcomer out";
    for (TestPlayer* player : {&a, &b})
        EXPECT_TRUE(player->WaitForEvent(NetMessageType::DESTROY_PLAYER, silent.Id()));
    const std::set<uint32_t> in = {a.Id(), b.Id(), d.Id()};
    for (TestPlayer* player : {&a, &b, &d})
        EXPECT_TRUE(Eventually([&] { return Players(*player) == in; }));
    EXPECT_TRUE(Eventually([&] { return !silent.Session().InSession(); }));

    // d claimed the slot after three players; the removal during its join
    // closed the grid up under it, and the next newcomer takes the slot after it.
    TestPlayer e(7);
    ASSERT_TRUE(e.Join(a));
    EXPECT_EQ(e.Found().currentPlayers, 3u);
    ExpectGrid({&a, &b, &d, &e}, {&d, &e});
}

TEST(SessionReport, TwoPlayersRemovedAtOnceCloseTheGridUpUnderTheNewcomerThatNamedThem)
{
    TestPlayer a(2), first(3), second(4), b(5), c(6), d(7), e(8);
    ASSERT_TRUE(MakeSession({&a, &first, &second, &b}));
    first.Session().Mute();
    second.Session().Mute();
    EXPECT_FALSE(c.Join(a));
    ASSERT_TRUE(d.Join(a));
    for (TestPlayer* silent : {&first, &second})
        EXPECT_TRUE(a.WaitForEvent(NetMessageType::DESTROY_PLAYER, silent->Id()));
    ASSERT_TRUE(e.Join(a));
    EXPECT_EQ(e.Found().currentPlayers, 3u);
    ExpectGrid({&a, &b, &d, &e}, {&d, &e});
}

// x breaks the link before it answered, and y answers only after that: the
// join waits for x all the same, and x is named.
TEST(SessionReport, AListedPlayerWhoseLinkBrokeBeforeItAnsweredHoldsTheJoinWhileTheOthersAnswer)
{
    TestPlayer a(2), c(5);
    ASSERT_TRUE(a.Host({1, 7, 0, 0, 0}));
    ASSERT_TRUE(c.Find(a.Address()));
    RawClient x(8, 1), y(9, 1);
    ControlFrame welcomeX, welcomeY;
    ASSERT_TRUE(JoinAsPlayer(x, a.Address(), c.Found(), &welcomeX));
    ASSERT_TRUE(JoinAsPlayer(y, a.Address(), c.Found(), &welcomeY, {welcomeX.member.id}));
    ASSERT_TRUE(SawCreated(a, 3));

    std::atomic<int> joined{-1};
    std::thread joining([&] { joined = c.Join(a) ? 1 : 0; });
    bool broken = false, answered = false;
    PumpAll({&x, &y}, 20000, [&] {
        if (!broken && x.Incoming() == 1) {
            x.CloseIncoming(0);
            broken = true;
        }
        ControlFrame hello;
        if (broken && !answered && y.Incoming() == 1 && y.TakeFrame(ControlKind::HELLO_PEER, &hello)) {
            ControlFrame ack;
            ack.kind = ControlKind::PEER_ACK;
            ack.member = welcomeY.member;
            y.SendIncoming(0, ack);
            answered = true;
        }
        return joined >= 0;
    });
    joining.join();
    EXPECT_TRUE(broken && answered);
    EXPECT_EQ(joined, 0) << "the join ended without x";
    EXPECT_TRUE(Eventually([&] {
        return Players(a) == std::set<uint32_t>{a.Id(), welcomeX.member.id, welcomeY.member.id};
    }));
}

TEST(SessionReport, OneAddressJoiningAgainAndAgainRemovesNobody)
{
    TestPlayer a(2), b(3), c(4);
    ASSERT_TRUE(MakeSession({&a, &b, &c}));
    for (int join = 0; join < 3; ++join) {
        Newcomer liar(9);
        ASSERT_TRUE(liar.Admitted(a, b));
        EXPECT_EQ(liar.NameAndBeTurnedAway({b.Id()}), REJECT_UNHEARD);
        ASSERT_TRUE(a.WaitForEvent(NetMessageType::DESTROY_PLAYER, liar.Id()));
    }
    for (TestPlayer* player : {&a, &b, &c})
        EXPECT_FALSE(Removed(*player, b.Id()));
}

TEST(SessionReport, AWordPastTheJoinTimeOrOnceTheRaceRunsCountsForNothingFromTwoAddresses)
{
    // The host takes a newcomer's word for 500 + 2 * (1000 + 250) ms after admitting it.
    TestPlayer a(2, [](NetSessionOptions& options) {
        options.connectTimeoutMs = 500;
        options.resendMaxMs = 250;
    });
    TestPlayer b(3), c(4);
    ASSERT_TRUE(MakeSession({&a, &b, &c}));
    RawClient linked9(9, 4), linked10(10, 4);
    ControlFrame welcome9, welcome10;
    const auto admitted = std::chrono::steady_clock::now();
    ASSERT_TRUE(JoinAsPlayer(linked9, a.Address(), b.Found(), &welcome9));
    ASSERT_TRUE(JoinAsPlayer(linked10, a.Address(), b.Found(), &welcome10, {welcome9.member.id}));
    const auto pastJoinTime = admitted + std::chrono::milliseconds(4000);
    while (std::chrono::steady_clock::now() < pastJoinTime)
        PumpAll({&linked9, &linked10}, 1);
    for (RawClient* liar : {&linked9, &linked10}) {
        liar->Send(0, UnansweredFrame({b.Id()}));
        liar->Leave(0);
    }
    for (const ControlFrame* welcome : {&welcome9, &welcome10})
        ASSERT_TRUE(a.WaitForEvent(NetMessageType::DESTROY_PLAYER, welcome->member.id));
    EXPECT_FALSE(Removed(a, b.Id())) << "a word past the join time counted";

    // Admitted while the race waited, they speak once it runs.
    Newcomer first(9), second(10);
    ASSERT_TRUE(first.Admitted(a, b));
    ASSERT_TRUE(second.Admitted(a, b));
    ASSERT_TRUE(a.Session().SetApplicationDesc(6, false, OPEN));
    first.NameAndLeave(a, {b.Id()});
    second.NameAndLeave(a, {b.Id()});
    for (TestPlayer* player : {&a, &b, &c})
        EXPECT_FALSE(Removed(*player, b.Id())) << "a word during the race counted";
    EXPECT_TRUE(b.Session().InSession());
}

TEST(SessionReport, NewcomersAtTwoAddressesRemoveHalfOfThePlayersNamedButNobodyPastHalf)
{
    TestPlayer a(2), b(3), c(4), d(5);
    ASSERT_TRUE(MakeSession({&a, &b, &c, &d}));
    // The host and three players were named to each newcomer: three of four is past half.
    for (const uint32_t n : {9u, 10u}) {
        Newcomer most(n);
        ASSERT_TRUE(most.Admitted(a, b));
        EXPECT_EQ(most.NameAndBeTurnedAway({b.Id(), c.Id(), d.Id()}), REJECT_UNANSWERED);
        ASSERT_TRUE(a.WaitForEvent(NetMessageType::DESTROY_PLAYER, most.Id()));
    }
    for (TestPlayer* named : {&b, &c, &d})
        EXPECT_FALSE(Removed(a, named->Id()));

    // Two of four is half: the word counts, and a second address's word removes them.
    Newcomer first(9), second(10);
    ASSERT_TRUE(first.Admitted(a, b));
    EXPECT_EQ(first.NameAndBeTurnedAway({b.Id(), c.Id()}), REJECT_UNHEARD);
    ASSERT_TRUE(a.WaitForEvent(NetMessageType::DESTROY_PLAYER, first.Id()));
    EXPECT_FALSE(Removed(a, b.Id()));
    ASSERT_TRUE(second.Admitted(a, b));
    second.raw.Send(0, UnansweredFrame({b.Id(), c.Id()}));
    for (TestPlayer* player : {&a, &d})
        for (TestPlayer* named : {&b, &c})
            EXPECT_TRUE(player->WaitForEvent(NetMessageType::DESTROY_PLAYER, named->Id()));
    EXPECT_TRUE(Eventually([&] { return Players(a) == std::set<uint32_t>{a.Id(), d.Id(), second.Id()}; }));
    // The host's word ends their sessions, though they still hear each other:
    // neither goes on as a host of its own.
    for (TestPlayer* named : {&b, &c}) {
        EXPECT_TRUE(Eventually([&] { return !named->Session().InSession(); })) << "its session goes on";
        EXPECT_EQ(named->Count(NetMessageType::HOST_MIGRATE), 0u) << "it went on under a host of its own";
    }
}

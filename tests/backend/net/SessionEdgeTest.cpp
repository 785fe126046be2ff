// The host's caps on links at their edges: links that have yet to say who
// they are, half-open ones included, and links from one address.

#include "backend/net/SessionTestKit.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>

#include <chrono>
#include <memory>

using namespace nettest;

namespace {

// Only the caps may close a link here: the raw clients answer only while the
// test pumps them.
const OptionsChange PATIENT = [](NetSessionOptions& options) {
    options.helloTimeoutMs = 60000;
    options.linkTimeoutMinMs = options.linkTimeoutMaxMs = 60000;
};

} // namespace

TEST(SessionEdges, TheSeventeenthWaitingLinkClosesTheOldestHalfOpenOnesIncluded)
{
    TestPlayer a(2, PATIENT), asker(3);
    ASSERT_TRUE(a.Host({1, 0, 0, 0, 0}));
    // No more than eight links from one address: five addresses, the
    // sixteenth and the seventeenth links alone at theirs. The oldest and the
    // later ones never acknowledge the host's answer to their connect.
    RawClient oldest(10, 1), middle(11, 8), later(12, 6), sixteenth(13, 1), newest(14, 1);
    const std::vector<RawClient*> all = {&oldest, &middle, &later, &sixteenth, &newest};
    oldest.Deafen();
    later.Deafen();
    testing::internal::CaptureStderr();
    // The host answers a query only after what came before it.
    oldest.ConnectAll(a.Address(), ITS_COOKIE);
    oldest.Pump(1);
    ASSERT_TRUE(asker.Find(a.Address()));
    middle.ConnectAll(a.Address(), ITS_COOKIE);
    PumpAll(all, 1000, [&] { return middle.Connected() == 8; });
    later.ConnectAll(a.Address(), ITS_COOKIE);
    PumpAll(all, 3);
    ASSERT_TRUE(asker.Find(a.Address()));
    sixteenth.ConnectAll(a.Address(), ITS_COOKIE);
    PumpAll(all, 1000, [&] { return sixteenth.Connected() == 1; });
    ASSERT_TRUE(asker.Find(a.Address()));
    PumpAll(all, 10);
    const std::string sixteen = testing::internal::GetCapturedStderr();
    EXPECT_EQ(middle.Connected() + sixteenth.Connected(), 9u);
    EXPECT_EQ(middle.Closed() + sixteenth.Closed(), 0u) << "sixteen waiting links closed one";
    EXPECT_EQ(sixteen.find("closed a link"), std::string::npos) << "sixteen waiting links closed one:\n" << sixteen;

    // A connect with a wrong checksum, which ENet drops, closes none.
    testing::internal::CaptureStderr();
    std::vector<uint8_t> missummed = ConnectDatagram(0x5EED);
    missummed[sizeof(ENetProtocolHeader)] ^= 0xFF;
    SendPaced(newest.Socket(), a.Address(), {missummed});
    ASSERT_TRUE(asker.Find(a.Address()));
    const std::string dropped = testing::internal::GetCapturedStderr();
    EXPECT_EQ(dropped.find("closed a link"), std::string::npos) << "a dropped connect closed one:\n" << dropped;

    // The oldest says no more: its connect, again, would be a new one.
    const std::vector<RawClient*> rest = {&middle, &later, &sixteenth, &newest};
    testing::internal::CaptureStderr();
    newest.ConnectAll(a.Address(), ITS_COOKIE);
    PumpAll(rest, 1000, [&] { return newest.Connected() == 1; });
    ASSERT_TRUE(asker.Find(a.Address()));
    PumpAll(rest, 10);
    const std::string seventeen = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(newest.Open(0)) << "the seventeenth was not taken";
    EXPECT_EQ(middle.Closed() + sixteenth.Closed(), 0u) << "a link other than the oldest was closed";
    const in_addr ip = {htonl(TestIp(10))};
    const std::string closedOldest = std::string("closed a link from ") + inet_ntoa(ip) + ":";
    EXPECT_NE(seventeen.find(closedOldest), std::string::npos) << "the seventeenth did not close the oldest:\n"
                                                               << seventeen;
    EXPECT_EQ(seventeen.find("closed a link"), seventeen.rfind("closed a link")) << "more than one closed:\n"
                                                                                 << seventeen;
}

TEST(SessionEdges, ConnectsFromTenAddressesCloseNoConnectAnsweredAfterThem)
{
    TestPlayer a(2, PATIENT), asker(3);
    ASSERT_TRUE(a.Host({1, 0, 0, 0, 0}));
    ASSERT_TRUE(asker.Find(a.Address()));
    const NetAppDesc desc = asker.Found();
    std::vector<std::unique_ptr<RawClient>> strangers;
    for (uint32_t n = 10; n < 20; ++n) {
        strangers.push_back(std::make_unique<RawClient>(n, 8));
        strangers.back()->Deafen();
    }
    const auto connectAll = [&] {
        for (const auto& stranger : strangers) {
            stranger->ConnectAll(a.Address(), ITS_COOKIE);
            stranger->Pump(1);
        }
    };
    // A newcomer connects while sixteen of the strangers' connects wait, and
    // acknowledges the answer only after eighty more came.
    connectAll();
    RawClient newcomer(20, 1);
    newcomer.Connect(0, a.Address(), ITS_COOKIE);
    newcomer.Pump(1);
    connectAll();
    ASSERT_TRUE(asker.Find(a.Address()));

    newcomer.Pump(1000, [&] { return newcomer.Open(0); });
    newcomer.Send(0, HelloFrame(desc, {}));
    ControlFrame welcome;
    EXPECT_TRUE(newcomer.NextFrame(ControlKind::WELCOME, 1000, &welcome)) << "the strangers' connects closed it";
}

TEST(SessionEdges, AnAddressClosesAWaitingLinkOnlyOncePerHelloTimeAndAgainOnceItPassed)
{
    constexpr auto HELLO = std::chrono::milliseconds(3000);
    TestPlayer a(2, [&](NetSessionOptions& options) {
        PATIENT(options);
        options.helloTimeoutMs = uint32_t(HELLO.count());
    });
    TestPlayer asker(3);
    ASSERT_TRUE(a.Host({1, 0, 0, 0, 0}));
    ASSERT_TRUE(asker.Find(a.Address()));
    // Links that name the player the host admits next wait past the hello
    // time, as long as its announcement may take: only the cap closes them.
    const ControlFrame next = HelloPeerFrame(asker.Found().instance, (a.Id() & 0xFFFF0000) | 2, 1);
    RawClient first(10, 8), second(11, 8), stranger(12, 1), again(12, 1), refill(13, 1);
    for (RawClient* raw : {&first, &second, &refill})
        raw->OnConnect([raw, next](size_t link) { raw->Send(link, next); });
    for (RawClient* raw : {&first, &second})
        raw->ConnectAll(a.Address(), ITS_COOKIE);
    PumpAll({&first, &second}, 1000, [&] { return first.Connected() + second.Connected() == 16; });
    ASSERT_EQ(first.Connected() + second.Connected(), 16u);
    ASSERT_TRUE(asker.Find(a.Address()));

    // The stranger's connect closes the oldest, and its link waits silent in
    // the place; another connect from its address is dropped.
    const auto spent = std::chrono::steady_clock::now();
    stranger.Connect(0, a.Address(), ITS_COOKIE);
    PumpAll({&first, &second, &stranger}, 1000, [&] { return first.Closed() == 1 && stranger.Open(0); });
    ASSERT_EQ(first.Closed(), 1u);
    ASSERT_TRUE(stranger.Open(0));
    again.Connect(0, a.Address(), ITS_COOKIE);
    PumpAll({&first, &second, &stranger, &again}, 40);
    ASSERT_TRUE(asker.Find(a.Address()));
    PumpAll({&first, &second, &stranger, &again}, 10);
    if (std::chrono::steady_clock::now() - spent >= HELLO)
        GTEST_SKIP() << "the machine took the whole hello time to connect twice";
    EXPECT_FALSE(again.Open(0)) << "one address closed two waiting links within the hello time";
    EXPECT_EQ(first.Closed() + second.Closed(), 1u);

    // The silent link is closed at its hello time, which began after the
    // right was spent; a link that names the next player takes its place.
    PumpAll({&first, &second, &stranger}, 2000, [&] { return stranger.Closed() == 1; });
    ASSERT_EQ(stranger.Closed(), 1u);
    refill.Connect(0, a.Address(), ITS_COOKIE);
    PumpAll({&first, &second, &refill}, 1000, [&] { return refill.Open(0); });
    ASSERT_TRUE(refill.Open(0));
    ASSERT_TRUE(asker.Find(a.Address()));
    // Sixteen wait again, and the address may close one again.
    again.Connect(0, a.Address(), ITS_COOKIE);
    const std::vector<RawClient*> all = {&first, &second, &refill, &again};
    PumpAll(all, 1000, [&] { return again.Open(0) && first.Closed() + second.Closed() == 2; });
    EXPECT_TRUE(again.Open(0)) << "the address's right to close a waiting link never came back";
    EXPECT_EQ(first.Closed() + second.Closed(), 2u);
    EXPECT_EQ(refill.Closed(), 0u);
}

TEST(SessionEdges, EightLinksFromOneAddressHalfOpenOnesIncludedAreTakenTheNinthIsNot)
{
    TestPlayer a(2, PATIENT), b(3);
    ASSERT_TRUE(a.Host({1, 0, 0, 0, 0}));
    // One address: three connects that are never acknowledged, then five
    // links that come up, then a ninth.
    RawClient deaf(10, 3), heard(10, 6);
    deaf.Deafen();
    deaf.ConnectAll(a.Address(), ITS_COOKIE);
    deaf.Pump(3);
    for (size_t link = 0; link < 5; ++link)
        heard.Connect(link, a.Address(), ITS_COOKIE);
    heard.Pump(1000, [&] { return heard.Connected() == 5; });
    ASSERT_EQ(heard.Connected(), 5u) << "fewer than eight links from one address were taken";
    heard.Pump(3);

    heard.Connect(5, a.Address(), ITS_COOKIE);
    heard.Pump(3);
    // Another address is served, and only after the ninth connect came.
    ASSERT_TRUE(b.Join(a)) << "links from one address kept a player from another out";
    heard.Pump(10);
    EXPECT_FALSE(heard.Open(5)) << "a ninth link from one address was taken";
    EXPECT_EQ(heard.Closed(), 0u);
    EXPECT_EQ(a.Count(NetMessageType::CREATE_PLAYER), 2u);
}

TEST(SessionEdges, LinksThatNeverAcknowledgeAConnectOrTheirClosingAreClosedAtTheHelloTime)
{
    // The game's link time-outs: what ENet would keep such links for.
    constexpr auto HELLO = std::chrono::milliseconds(3000);
    const OptionsChange change = [&](NetSessionOptions& options) {
        const NetSessionOptions game;
        options.helloTimeoutMs = uint32_t(HELLO.count());
        options.linkTimeoutMinMs = game.linkTimeoutMinMs;
        options.linkTimeoutMaxMs = game.linkTimeoutMaxMs;
    };
    TestPlayer a(2, change), b(3, change);
    ASSERT_TRUE(MakeSession({&a, &b}));
    const uint32_t named = b.Id();
    // Two addresses fill their eight places at the host and at the player:
    // one with joins that name the player, are turned away by the host and
    // removed at the player, and never take the answer; the other with
    // connects never acknowledged.
    std::vector<std::unique_ptr<RawClient>> joins;
    for (int join = 0; join < 8; ++join) {
        joins.push_back(std::make_unique<RawClient>(11, 2));
        ControlFrame welcome;
        ASSERT_TRUE(JoinAsPlayer(*joins.back(), a.Address(), b.Found(), &welcome));
        joins.back()->Send(0, UnansweredFrame({named}));
        for (TestPlayer* player : {&a, &b})
            ASSERT_TRUE(player->WaitForEvent(NetMessageType::DESTROY_PLAYER, welcome.member.id));
    }
    RawClient deaf(10, 16);
    deaf.Deafen();
    for (size_t link = 0; link < 16; ++link)
        deaf.Connect(link, link < 8 ? a.Address() : b.Address(), link < 8 ? ITS_COOKIE : SESSION_PROTOCOL_MAGIC);
    deaf.Pump(1);
    const auto last = std::chrono::steady_clock::now();
    // A ninth link from each address to each of them.
    RawClient ninth(10, 2), ninthJoin(11, 2);
    const auto connect = [&](size_t link) {
        for (RawClient* raw : {&ninth, &ninthJoin})
            if (!raw->Open(link))
                raw->Connect(link, link == 0 ? a.Address() : b.Address(),
                             link == 0 ? ITS_COOKIE : SESSION_PROTOCOL_MAGIC);
    };
    const auto allOpen = [&] { return ninth.Open(0) && ninth.Open(1) && ninthJoin.Open(0) && ninthJoin.Open(1); };
    connect(0);
    connect(1);
    // At the host, one showing its cookie may close a link turned away from its address at once.
    PumpAll({&ninth, &ninthJoin}, 40, [&] { return ninth.Connected() > 0 || ninthJoin.Open(1); });
    ASSERT_EQ(ninth.Connected(), 0u) << "a ninth link from one address was taken";
    ASSERT_FALSE(ninthJoin.Open(1)) << "a ninth link from one address was taken";

    // Taken once they are closed, well before twice the hello time.
    while (!allOpen() && std::chrono::steady_clock::now() - last < HELLO * 7 / 4) {
        connect(0);
        connect(1);
        PumpAll({&ninth, &ninthJoin}, 40, allOpen);
    }
    EXPECT_TRUE(ninth.Open(0) && ninth.Open(1)) << "connects never acknowledged were kept past the hello time";
    EXPECT_TRUE(ninthJoin.Open(0)) << "links turned away at the host were kept past the hello time";
    EXPECT_TRUE(ninthJoin.Open(1)) << "links removed at the player were kept past the hello time";
    EXPECT_FALSE(HasEvent(a.Events(), NetMessageType::DESTROY_PLAYER, named));
}

TEST(SessionEdges, ALinkTurnedAwayAfterItsAdmissionIsClosedBeforeOlderWaitingLinks)
{
    TestPlayer a(2, PATIENT), b(3);
    ASSERT_TRUE(MakeSession({&a, &b}));
    // Eight links that never say who they are, then a join turned away that
    // never takes the answer, then seven more links: sixteen wait.
    RawClient older(10, 8), join(11, 1), later(12, 7), stranger(13, 1);
    older.ConnectAll(a.Address(), ITS_COOKIE);
    ASSERT_TRUE(older.AllConnected(1000));
    ControlFrame welcome;
    ASSERT_TRUE(AdmitAsPlayer(join, a.Address(), b.Found(), &welcome));
    join.Send(0, UnansweredFrame({b.Id()}));
    ASSERT_TRUE(a.WaitForEvent(NetMessageType::DESTROY_PLAYER, welcome.member.id));
    later.ConnectAll(a.Address(), ITS_COOKIE);
    ASSERT_TRUE(later.AllConnected(1000));

    stranger.Connect(0, a.Address(), ITS_COOKIE);
    PumpAll({&older, &later, &stranger}, 1000, [&] { return stranger.Open(0); });
    EXPECT_TRUE(stranger.Open(0));
    PumpAll({&older, &later, &stranger}, 10);
    EXPECT_EQ(older.Closed() + later.Closed(), 0u) << "an older waiting link went before the one turned away";
}

namespace {

// The token the host made for the newcomer `welcome` admits and `player`.
uint64_t TokenFor(const ControlFrame& welcome, TestPlayer& player)
{
    for (const ListedMember& listed : welcome.listed)
        if (listed.record.id == player.Id())
            return listed.token;
    return 0;
}

} // namespace

TEST(SessionEdges, ANewcomersWaitingLinkIsClosedForNoStrangerAndItsConnectMakesRoomForItself)
{
    TestPlayer a(2), b(3, PATIENT);
    ASSERT_TRUE(MakeSession({&a, &b}));
    const NetAppDesc desc = b.Found();
    // The newcomer connects to the player and takes the answer only at the
    // end; fifteen strangers' links from two addresses wait after it, up but
    // never saying who they are.
    RawClient newcomer(10, 2), first(11, 8), second(12, 7);
    ControlFrame welcome;
    ASSERT_TRUE(AdmitAsPlayer(newcomer, a.Address(), desc, &welcome));
    ConnectListed(newcomer, welcome);
    for (RawClient* raw : {&first, &second})
        raw->ConnectAll(b.Address(), SESSION_PROTOCOL_MAGIC);
    PumpAll({&first, &second}, 1000, [&] { return first.Connected() + second.Connected() == 15; });
    ASSERT_EQ(first.Connected() + second.Connected(), 15u);

    // A stranger's connect closes the oldest of them, not the newcomer's.
    RawClient third(13, 1), fourth(14, 1);
    third.Connect(0, b.Address());
    PumpAll({&first, &second, &third}, 1000, [&] { return third.Connected() == 1 && first.Closed() == 1; });
    EXPECT_EQ(third.Connected(), 1u);
    EXPECT_EQ(first.Closed(), 1u) << "the oldest stranger's link was not closed";
    EXPECT_TRUE(AnswerListed(newcomer, welcome, desc.instance).empty()) << "a stranger's connect closed it";

    // Sixteen strangers' links wait; a second newcomer, whose address spent
    // its right to close one, still makes room for itself.
    RawClient later(15, 2), sameAddress(15, 1);
    ControlFrame laterWelcome;
    ASSERT_TRUE(AdmitAsPlayer(later, a.Address(), desc, &laterWelcome));
    fourth.Connect(0, b.Address());
    PumpAll({&first, &second, &third, &fourth}, 1000, [&] { return fourth.Connected() == 1; });
    sameAddress.Connect(0, b.Address());
    PumpAll({&first, &second, &third, &fourth, &sameAddress}, 1000,
            [&] { return sameAddress.Connected() == 1 && first.Closed() == 2; });
    ASSERT_EQ(first.Closed(), 2u);
    // It links the player alone.
    const std::vector<uint32_t> earlier = {welcome.member.id};
    ConnectListed(later, laterWelcome, earlier);
    EXPECT_TRUE(AnswerListed(later, laterWelcome, desc.instance, earlier).empty()) << "its connect was dropped";
    PumpAll({&first, &second, &third, &fourth, &sameAddress}, 10);
    EXPECT_EQ(first.Closed(), 3u);
    EXPECT_EQ(second.Closed() + third.Closed() + fourth.Closed() + sameAddress.Closed(), 0u);
    for (const ControlFrame* admitted : {&welcome, &laterWelcome})
        EXPECT_TRUE(b.WaitForEvent(NetMessageType::CREATE_PLAYER, admitted->member.id));
}

TEST(SessionEdges, AWrongTagFromANewcomersAddressOrItsTagFromAnotherPortProtectsNothing)
{
    TestPlayer a(2), b(3, PATIENT);
    ASSERT_TRUE(MakeSession({&a, &b}));
    RawClient newcomer(10, 2), otherPort(10, 1), first(11, 8), second(12, 6);
    ControlFrame welcome;
    ASSERT_TRUE(AdmitAsPlayer(newcomer, a.Address(), b.Found(), &welcome));
    const uint32_t tag = ConnectTag(TokenFor(welcome, b));
    // The oldest two links: the newcomer's address with another tag, and the
    // tag from another port of its IPv4 address.
    newcomer.Connect(1, b.Address(), tag ^ 1);
    otherPort.Connect(0, b.Address(), tag);
    PumpAll({&newcomer, &otherPort}, 1000, [&] { return newcomer.Open(1) && otherPort.Open(0); });
    for (RawClient* raw : {&first, &second})
        raw->ConnectAll(b.Address(), SESSION_PROTOCOL_MAGIC);
    const std::vector<RawClient*> waiting = {&newcomer, &otherPort, &first, &second};
    PumpAll(waiting, 1000, [&] { return first.Connected() + second.Connected() == 14; });
    ASSERT_TRUE(newcomer.Open(1) && otherPort.Open(0));
    ASSERT_EQ(first.Connected() + second.Connected(), 14u);

    // Two strangers' connects close the two oldest.
    RawClient third(13, 1), fourth(14, 1);
    for (RawClient* stranger : {&third, &fourth}) {
        stranger->Connect(0, b.Address());
        std::vector<RawClient*> pumped = waiting;
        pumped.push_back(stranger);
        PumpAll(pumped, 1000, [&] { return stranger->Connected() == 1; });
    }
    PumpAll(waiting, 1000, [&] { return newcomer.Closed() + otherPort.Closed() == 2; });
    EXPECT_EQ(newcomer.Closed(), 1u) << "a link with another tag from the newcomer's address was kept";
    EXPECT_EQ(otherPort.Closed(), 1u) << "its tag from another port was kept";
    EXPECT_EQ(first.Closed() + second.Closed(), 0u);
}

// A cookie is good in its epoch and the next, on the session's clock.
TEST(SessionEdges, AtTheHostAConnectWithoutItsAddresssCookieOfThisEpochOrTheLastGetsNoPlaceAndNoAnswer)
{
    TestPlayer a(2, PATIENT), asker(3);
    ASSERT_TRUE(a.Host({1, 0, 0, 0, 0}));
    uint32_t epoch = 0;
    const uint32_t cookie = QueryCookieOfOneEpoch(10, a.Address(), &epoch);
    ASSERT_NE(cookie, 0u);
    // Every place is free: no cookie, and address 10's cookie from another address.
    RawClient stranger(11, 1), thief(12, 1);
    stranger.Connect(0, a.Address(), SESSION_PROTOCOL_MAGIC);
    thief.Connect(0, a.Address(), cookie);
    PumpAll({&stranger, &thief}, 40);
    ASSERT_TRUE(asker.Find(a.Address()));
    PumpAll({&stranger, &thief}, 10);
    for (const RawClient* raw : {&stranger, &thief}) {
        EXPECT_FALSE(raw->Open(0)) << "a connect without its address's cookie was taken";
        EXPECT_EQ(raw->ReceivedDatagrams(), 0u) << "the host answered a connect without its address's cookie";
    }
    AwaitCookieEpoch(epoch + 1);
    RawClient own(10, 1);
    own.Connect(0, a.Address(), cookie);
    own.Pump(1000, [&] { return own.Open(0); });
    EXPECT_TRUE(own.Open(0)) << "the cookie's own address was refused in the epoch after the cookie's";
    AwaitCookieEpoch(epoch + 2);
    RawClient aged(10, 1);
    aged.Connect(0, a.Address(), cookie);
    aged.Pump(40);
    ASSERT_TRUE(asker.Find(a.Address()));
    aged.Pump(10);
    EXPECT_FALSE(aged.Open(0)) << "a cookie two epochs old was taken";
    EXPECT_EQ(aged.ReceivedDatagrams(), 0u) << "the host answered a cookie two epochs old";
}

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
    oldest.ConnectAll(a.Address(), SESSION_PROTOCOL_MAGIC);
    oldest.Pump(1);
    ASSERT_TRUE(asker.Find(a.Address()));
    middle.ConnectAll(a.Address(), SESSION_PROTOCOL_MAGIC);
    PumpAll(all, 1000, [&] { return middle.Connected() == 8; });
    later.ConnectAll(a.Address(), SESSION_PROTOCOL_MAGIC);
    PumpAll(all, 3);
    ASSERT_TRUE(asker.Find(a.Address()));
    sixteenth.ConnectAll(a.Address(), SESSION_PROTOCOL_MAGIC);
    PumpAll(all, 1000, [&] { return sixteenth.Connected() == 1; });
    ASSERT_TRUE(asker.Find(a.Address()));
    PumpAll(all, 10);
    const std::string sixteen = testing::internal::GetCapturedStderr();
    EXPECT_EQ(middle.Connected() + sixteenth.Connected(), 9u);
    EXPECT_EQ(middle.Closed() + sixteenth.Closed(), 0u) << "sixteen waiting links closed one";
    EXPECT_EQ(sixteen.find("closed a link"), std::string::npos) << "sixteen waiting links closed one:\n" << sixteen;

    // The oldest says no more: its connect, again, would be a new one.
    const std::vector<RawClient*> rest = {&middle, &later, &sixteenth, &newest};
    testing::internal::CaptureStderr();
    newest.ConnectAll(a.Address(), SESSION_PROTOCOL_MAGIC);
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
            stranger->ConnectAll(a.Address(), SESSION_PROTOCOL_MAGIC);
            stranger->Pump(1);
        }
    };
    // A newcomer connects while sixteen of the strangers' connects wait, and
    // acknowledges the answer only after eighty more came.
    connectAll();
    RawClient newcomer(20, 1);
    newcomer.Connect(0, a.Address());
    newcomer.Pump(1);
    connectAll();
    ASSERT_TRUE(asker.Find(a.Address()));

    newcomer.Pump(1000, [&] { return newcomer.Open(0); });
    newcomer.Send(0, HelloFrame(desc, {}));
    ControlFrame welcome;
    EXPECT_TRUE(newcomer.NextFrame(ControlKind::WELCOME, 1000, &welcome)) << "the strangers' connects closed it";
}

TEST(SessionEdges, AnAddressClosesAWaitingLinkOnlyOncePerHelloTime)
{
    TestPlayer a(2, PATIENT), asker(3);
    ASSERT_TRUE(a.Host({1, 0, 0, 0, 0}));
    RawClient first(10, 8), second(11, 8), stranger(12, 1);
    const std::vector<RawClient*> all = {&first, &second, &stranger};
    for (RawClient* raw : {&first, &second})
        raw->ConnectAll(a.Address(), SESSION_PROTOCOL_MAGIC);
    PumpAll(all, 1000, [&] { return first.Connected() + second.Connected() == 16; });
    ASSERT_EQ(first.Connected() + second.Connected(), 16u);
    // The stranger's connect closes the oldest; it leaves, and the closed
    // link comes back: sixteen wait again, none of them the stranger's.
    stranger.Connect(0, a.Address());
    PumpAll(all, 1000, [&] { return first.Closed() == 1 && stranger.Connected() == 1; });
    ASSERT_EQ(first.Closed(), 1u);
    stranger.Leave(0);
    first.Connect(0, a.Address());
    PumpAll(all, 1000, [&] { return first.Connected() == 9; });
    ASSERT_EQ(first.Connected(), 9u);
    ASSERT_TRUE(asker.Find(a.Address()));

    // Its next connect, well within the hello time, is dropped.
    stranger.Connect(0, a.Address());
    PumpAll(all, 40);
    ASSERT_TRUE(asker.Find(a.Address()));
    PumpAll(all, 10);
    EXPECT_FALSE(stranger.Open(0)) << "one address closed two waiting links at once";
    EXPECT_EQ(first.Closed() + second.Closed(), 1u);
}

TEST(SessionEdges, EightLinksFromOneAddressHalfOpenOnesIncludedAreTakenTheNinthIsNot)
{
    TestPlayer a(2, PATIENT), b(3);
    ASSERT_TRUE(a.Host({1, 0, 0, 0, 0}));
    // One address: three connects that are never acknowledged, then five
    // links that come up, then a ninth.
    RawClient deaf(10, 3), heard(10, 6);
    deaf.Deafen();
    deaf.ConnectAll(a.Address(), SESSION_PROTOCOL_MAGIC);
    deaf.Pump(3);
    for (size_t link = 0; link < 5; ++link)
        heard.Connect(link, a.Address());
    heard.Pump(1000, [&] { return heard.Connected() == 5; });
    ASSERT_EQ(heard.Connected(), 5u) << "fewer than eight links from one address were taken";
    heard.Pump(3);

    heard.Connect(5, a.Address());
    heard.Pump(3);
    // Another address is served, and only after the ninth connect came.
    ASSERT_TRUE(b.Join(a)) << "links from one address kept a player from another out";
    heard.Pump(10);
    EXPECT_FALSE(heard.Open(5)) << "a ninth link from one address was taken";
    EXPECT_EQ(heard.Closed(), 0u);
    EXPECT_EQ(a.Count(NetMessageType::CREATE_PLAYER), 2u);
}

TEST(SessionEdges, AConnectNeverAcknowledgedIsClosedAtTheHelloTime)
{
    // Eight connects fill their address's share; a ninth from it is taken
    // only once they are closed.
    constexpr auto HELLO = std::chrono::milliseconds(2000);
    TestPlayer a(2, [&](NetSessionOptions& options) { options.helloTimeoutMs = uint32_t(HELLO.count()); });
    ASSERT_TRUE(a.Host({1, 0, 0, 0, 0}));
    RawClient deaf(10, 8), heard(10, 1);
    deaf.Deafen();
    const auto sent = std::chrono::steady_clock::now();
    deaf.ConnectAll(a.Address(), SESSION_PROTOCOL_MAGIC);
    deaf.Pump(1);
    heard.Connect(0, a.Address());
    heard.Pump(40, [&] { return heard.Connected() == 1; });
    ASSERT_EQ(heard.Connected(), 0u) << "a ninth link from one address was taken";

    // Taken once they are closed, well before twice the hello time.
    while (heard.Connected() == 0 && std::chrono::steady_clock::now() - sent < HELLO * 7 / 4) {
        heard.Connect(0, a.Address());
        heard.Pump(40, [&] { return heard.Connected() == 1; });
    }
    EXPECT_EQ(heard.Connected(), 1u) << "connects never acknowledged were kept past the hello time";
}

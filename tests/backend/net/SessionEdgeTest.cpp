// The host's caps on links at their edges: links that have yet to say who
// they are, and links from one address.

#include "backend/net/SessionTestKit.h"

#include <gtest/gtest.h>

using namespace nettest;

namespace {

// Only the caps may close a link here: the raw clients answer only while the
// test pumps them.
const OptionsChange PATIENT = [](NetSessionOptions& options) {
    options.helloTimeoutMs = 60000;
    options.linkTimeoutMinMs = options.linkTimeoutMaxMs = 60000;
};

} // namespace

TEST(SessionEdges, TheSeventeenthSilentLinkClosesTheOldestAndOnlyIt)
{
    TestPlayer a(2, PATIENT), asker(3);
    ASSERT_TRUE(a.Host({1, 0, 0, 0, 0}));
    // No more than eight links from one address: four addresses.
    RawClient oldest(10, 1), middle(11, 8), later(12, 7), newest(13, 1);
    const std::vector<RawClient*> all = {&oldest, &middle, &later, &newest};
    // The oldest says nothing before the others link; its acknowledgement
    // goes out with its next turns, before any other connect.
    oldest.ConnectAll(a.Address(), SESSION_PROTOCOL_MAGIC);
    ASSERT_TRUE(oldest.AllConnected(1000));
    oldest.Pump(3);
    for (RawClient* raw : {&middle, &later})
        raw->ConnectAll(a.Address(), SESSION_PROTOCOL_MAGIC);
    PumpAll(all, 1000, [&] { return middle.Connected() == 8 && later.Connected() == 7; });
    ASSERT_EQ(middle.Connected() + later.Connected(), 15u);
    PumpAll(all, 3);

    // The host answers a query only after what came before it: the sixteen
    // links were taken, and anything it closed is on its way.
    ASSERT_TRUE(asker.Find(a.Address()));
    PumpAll(all, 10);
    for (RawClient* raw : all)
        EXPECT_EQ(raw->Closed(), 0u) << "sixteen silent links closed one";

    newest.ConnectAll(a.Address(), SESSION_PROTOCOL_MAGIC);
    PumpAll(all, 1000, [&] { return oldest.Closed() == 1 && newest.Connected() == 1; });
    ASSERT_TRUE(asker.Find(a.Address()));
    PumpAll(all, 10);
    EXPECT_EQ(oldest.Closed(), 1u) << "the seventeenth did not close the oldest";
    for (RawClient* raw : {&middle, &later, &newest})
        EXPECT_EQ(raw->Closed(), 0u) << "a link other than the oldest was closed";
    EXPECT_TRUE(newest.Open(0));
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

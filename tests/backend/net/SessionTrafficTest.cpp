// What the players send each other: a mesh of three, and traffic under loss.

#include "backend/net/SessionTestKit.h"

#include <gtest/gtest.h>

#include <map>

using namespace nettest;

TEST(SessionTraffic, MeshOfThreeSendsReachExactlyTheOtherTwo)
{
    TestPlayer a(2), b(3), c(4);
    ASSERT_TRUE(MakeSession({&a, &b, &c}));
    TestPlayer* players[3] = {&a, &b, &c};

    for (uint8_t i = 0; i < 3; ++i) {
        const uint8_t guaranteed[1] = {static_cast<uint8_t>(10 + i)};
        const uint8_t unguaranteed[1] = {static_cast<uint8_t>(20 + i)};
        ASSERT_TRUE(players[i]->Session().SendTo(NET_ALL_PLAYERS, guaranteed, 1, true));
        ASSERT_TRUE(players[i]->Session().SendTo(NET_ALL_PLAYERS, unguaranteed, 1, false));
    }
    for (uint8_t i = 0; i < 3; ++i) {
        ASSERT_TRUE(players[i]->WaitForCount(NetMessageType::RECEIVE, 4));
    }
    // Quiet for a moment: nothing more may come.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    for (uint8_t i = 0; i < 3; ++i) {
        std::map<uint32_t, std::vector<uint8_t>> bySender;
        for (const Event& event : players[i]->Received())
            bySender[event.playerId].push_back(event.data.at(0));
        ASSERT_EQ(bySender.size(), 2u) << "player " << int(i);
        for (uint8_t k = 0; k < 3; ++k) {
            if (k == i)
                continue;
            EXPECT_EQ(bySender[players[k]->Id()], (std::vector<uint8_t>{uint8_t(10 + k), uint8_t(20 + k)}))
                << "player " << int(i) << " from " << int(k);
        }
    }
    // Sending to one player reaches only that one.
    ASSERT_TRUE(b.Session().SendTo(c.Id(), "z", 1, true));
    ASSERT_TRUE(
        c.WaitFor([](const std::vector<Event>& events) { return events.back().data == std::vector<uint8_t>{'z'}; }));
    EXPECT_EQ(a.Received().size(), 4u);
    EXPECT_FALSE(b.Session().SendTo(0x12345678, "z", 1, true)) << "nobody has that id";
}

TEST(SessionTraffic, UnderLossGuaranteedStaysWholeAndOrderedTheRestOnlyLosesMessages)
{
    const auto patient = [](NetSessionOptions& options) {
        options.linkTimeoutMinMs = 5000;
        options.linkTimeoutMaxMs = 15000;
    };
    TestPlayer host(2, patient), joiner(3, patient);
    ASSERT_TRUE(MakeSession({&host, &joiner}));
    host.Session().SetIncomingLoss(0.3, 7);
    joiner.Session().SetIncomingLoss(0.3, 8);

    // Guaranteed messages start with 'G', the others with 'U'; a 16-bit counter follows.
    constexpr uint16_t COUNT = 100;
    for (uint16_t i = 0; i < COUNT; ++i) {
        const uint8_t guaranteed[3] = {'G', uint8_t(i), uint8_t(i >> 8)};
        ASSERT_TRUE(joiner.Session().SendTo(NET_ALL_PLAYERS, guaranteed, 3, true));
        for (uint16_t k = 0; k < 2; ++k) {
            const uint16_t n = uint16_t(i * 2 + k);
            const uint8_t unguaranteed[3] = {'U', uint8_t(n), uint8_t(n >> 8)};
            ASSERT_TRUE(joiner.Session().SendTo(NET_ALL_PLAYERS, unguaranteed, 3, false));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_TRUE(host.WaitFor(
        [](const std::vector<Event>& events) {
            size_t count = 0;
            for (const Event& event : events)
                count += event.type == NetMessageType::RECEIVE && event.data.at(0) == 'G' ? 1 : 0;
            return count == COUNT;
        },
        std::chrono::milliseconds(15000)));

    std::vector<int> guaranteed, unguaranteed;
    for (const Event& event : host.Received()) {
        ASSERT_EQ(event.data.size(), 3u);
        (event.data[0] == 'G' ? guaranteed : unguaranteed).push_back(event.data[1] | event.data[2] << 8);
    }
    ASSERT_EQ(guaranteed.size(), COUNT);
    for (int i = 0; i < COUNT; ++i)
        ASSERT_EQ(guaranteed[i], i);
    EXPECT_LT(unguaranteed.size(), 2u * COUNT) << "30% loss must show";
    EXPECT_GT(unguaranteed.size(), 0u);
    for (size_t i = 1; i < unguaranteed.size(); ++i)
        ASSERT_LT(unguaranteed[i - 1], unguaranteed[i]) << "never older after newer";
}

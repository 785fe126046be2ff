// Strangers knocking: links that claim to be players the host never admitted,
// and players of another version of the game.

#include "backend/net/SessionTestKit.h"

#include <gtest/gtest.h>

#include <future>

using namespace nettest;

namespace {

// Two links to `target`: one claims a player that is in, one claims join
// number 0 under the session's own id prefix. Both must be closed.
void KnockAsPlayers(uint32_t n, TestPlayer& target, const NetGuid& instance, uint32_t inId, uint32_t prefix)
{
    RawClient stranger(n, 2);
    stranger.ConnectAll(target.Address(), SESSION_PROTOCOL_MAGIC);
    ASSERT_TRUE(stranger.AllConnected(400));
    stranger.Send(0, HelloPeerFrame(instance, inId, 0x1234));
    stranger.Send(1, HelloPeerFrame(instance, prefix, 0));
    stranger.Pump(400, [&] { return stranger.Closed() == 2; });
    EXPECT_EQ(stranger.Closed(), 2u) << "the links stay open";
}

} // namespace

TEST(SessionAdmission, StrangersHelloIsRefusedBeforeAndAfterTheStartAndSplitsNoElection)
{
    TestPlayer a(2), b(3), c(4);
    ASSERT_TRUE(MakeSession({&a, &b, &c}));
    // All a stranger needs to know is in every answer to a query.
    const NetGuid instance = c.Found().instance;
    const uint32_t prefix = a.Id() & 0xFFFF0000;

    KnockAsPlayers(9, a, instance, b.Id(), prefix);
    KnockAsPlayers(10, c, instance, b.Id(), prefix);
    ASSERT_TRUE(a.Session().SetApplicationDesc(6, false, {0, 0, 0, 0, 0}));
    KnockAsPlayers(11, a, instance, c.Id(), prefix);
    KnockAsPlayers(12, c, instance, b.Id(), prefix);

    // The host goes: both survivors name the same new host, the earliest
    // joiner the host admitted.
    a.Session().Vanish();
    for (TestPlayer* survivor : {&b, &c}) {
        ASSERT_TRUE(survivor->WaitForCount(NetMessageType::HOST_MIGRATE, 1));
        EXPECT_TRUE(HasEvent(survivor->Events(), NetMessageType::HOST_MIGRATE, b.Id()));
        EXPECT_EQ(survivor->Count(NetMessageType::CREATE_PLAYER), 3u) << "a stranger became a player";
    }
}

TEST(SessionAdmission, AStrangerGuessingTheNextPlayerIsClosedWhenTheHostAnnouncesTheRealOne)
{
    TestPlayer a(2), b(3), c(4);
    ASSERT_TRUE(MakeSession({&a, &b}));
    // It links to b before c is admitted, claiming the id c will get.
    RawClient stranger(9, 1);
    stranger.ConnectAll(b.Address(), SESSION_PROTOCOL_MAGIC);
    ASSERT_TRUE(stranger.AllConnected(400));
    const uint32_t nextId = (a.Id() & 0xFFFF0000) | 3;
    stranger.Send(0, HelloPeerFrame(b.Found().instance, nextId, 0x5EC2E7));
    stranger.Pump(20);

    ASSERT_TRUE(c.Join(a));
    ASSERT_EQ(c.Id(), nextId);
    stranger.Pump(400, [&] { return stranger.Closed() == 1; });
    EXPECT_EQ(stranger.Closed(), 1u);
    ASSERT_TRUE(c.Session().SendTo(b.Id(), "c", 1, true));
    EXPECT_TRUE(b.WaitForEvent(NetMessageType::RECEIVE, c.Id())) << "the real player did not get its link";
}

TEST(SessionAdmission, ACopyOfAnOlderFormatIsRefusedAtItsQueryAndAtItsConnect)
{
    TestPlayer a(2);
    ASSERT_TRUE(a.Host({1, 0, 0, 0, 0}));
    HostQuery query;
    query.application = TestApplication();
    const std::vector<uint8_t> ours = EncodeHostQuery(query);
    // Copies before the query said its format left that byte zero.
    for (const uint8_t format :
         {uint8_t(0), uint8_t(SESSION_FORMAT_VERSION - 1), uint8_t(SESSION_FORMAT_VERSION + 1)}) {
        query.format = format;
        const QueryOutcome older = SendQueries(9, a.Address(), EncodeHostQuery(query), 1, ours);
        EXPECT_EQ(older.answers + older.challenges + older.others, 0u) << "a query of format " << int(format);
    }
    EXPECT_EQ(SendQueries(9, a.Address(), ours, 1, ours).answers, 1u);

    // Copies before format 7 sent no checksum: their connects come to nothing.
    for (const uint32_t format : {1u, SESSION_FORMAT_VERSION - 1u}) {
        RawClient old(10 + format, 1);
        old.Unseal();
        old.ConnectAll(a.Address(), SESSION_PROTOCOL_FAMILY | format);
        old.Pump(200, [&] { return old.Connected() > 0; });
        EXPECT_EQ(old.Connected(), 0u) << "a connect of format " << format;
    }
    // A later copy that sums its datagrams understands the first format's refusal.
    RawClient later(20, 1);
    later.ConnectAll(a.Address(), SESSION_PROTOCOL_FAMILY | (SESSION_FORMAT_VERSION + 1u));
    later.Pump(400, [&] { return later.Closed() == 1; });
    EXPECT_EQ(later.Closed(), 1u);
    ASSERT_EQ(later.Frames().size(), 1u);
    EXPECT_EQ(later.Frames()[0], (std::vector<uint8_t>{uint8_t(ControlKind::REJECT), REJECT_VERSION}));
    EXPECT_EQ(a.Count(NetMessageType::CREATE_PLAYER), 1u);
}

TEST(SessionAdmission, DatagramsForgedFromTheHostsOrAPlayersAddressEndNoLinkAndReachNoHandler)
{
    // b joins last, through a relay: at b the relay's front is the host's
    // address, at the host its rear is b's. The raw player forges from its own.
    TestPlayer a(2), b(3);
    ASSERT_TRUE(a.Host({1, 0, 0, 0, 0}));
    RawClient raw(9, 1);
    ControlFrame welcome;
    ASSERT_TRUE(b.Find(a.Address()));
    ASSERT_TRUE(JoinAsPlayer(raw, a.Address(), b.Found(), &welcome));
    const uint32_t rawId = welcome.member.id;
    UdpRelay relay(20, a.Address(), 0, std::chrono::milliseconds(0));
    std::future<bool> joined = std::async(std::launch::async, [&] { return b.JoinAt(relay.Front(20)); });
    raw.Pump(2000, [&] { return raw.Incoming() == 1; });
    ASSERT_EQ(raw.Incoming(), 1u);
    ControlFrame ack;
    ack.kind = ControlKind::PEER_ACK;
    ack.member = welcome.member;
    raw.SendIncoming(0, ack);
    raw.Pump(400, [&] { return joined.wait_for(std::chrono::seconds(0)) == std::future_status::ready; });
    ASSERT_TRUE(joined.get());
    ASSERT_TRUE(SawCreated(a, 3));
    ASSERT_TRUE(SawCreated(b, 3));

    // Goodbyes and removals on every slot and session id, each with a guessed
    // checksum and with none: as the host to b, as b to the host, as the raw
    // player to b; and b's next guaranteed message, as b to the host.
    for (const uint32_t word : {DISCONNECT_REMOVED, DISCONNECT_CLEAN}) {
        relay.ForgeToClient(EveryLinkForgery(DisconnectCommand(word)));
        relay.ForgeToBack(EveryLinkForgery(DisconnectCommand(word)));
        SendPaced(raw.Socket(), b.Address(), EveryLinkForgery(DisconnectCommand(word)));
    }
    relay.ForgeToBack(EveryLinkForgery(ReliableCommand(1, {'f', 'o', 'r', 'g', 'e', 'd'})));

    // What came after the forgeries on each path shows they were read.
    EXPECT_TRUE(a.Session().SendTo(b.Id(), "after", 5, true));
    EXPECT_TRUE(b.Session().SendTo(a.Id(), "after", 5, true));
    ControlFrame info;
    info.kind = ControlKind::PEER_INFO;
    info.member = welcome.member;
    info.member.data = {0x42};
    raw.SendIncoming(0, info);
    raw.Send(0, info);
    const auto shows = [&](TestPlayer& player) {
        NetPlayerInfo shown;
        return player.Session().GetPeerInfo(rawId, &shown) && shown.data == std::vector<uint8_t>{0x42};
    };
    raw.Pump(1000, [&] { return shows(a) && shows(b) && !a.Received(b.Id()).empty() && !b.Received(a.Id()).empty(); });
    const std::vector<uint8_t> after = {'a', 'f', 't', 'e', 'r'};
    for (TestPlayer* player : {&a, &b}) {
        EXPECT_TRUE(shows(*player));
        const std::vector<Event> received = player->Received(player == &a ? b.Id() : a.Id());
        ASSERT_EQ(received.size(), 1u) << "a forged message reached the handler";
        EXPECT_EQ(received[0].data, after);
        EXPECT_EQ(player->Count(NetMessageType::DESTROY_PLAYER), 0u) << "a forged goodbye closed a link";
        EXPECT_EQ(player->Count(NetMessageType::HOST_MIGRATE), 0u);
        EXPECT_TRUE(player->Session().InSession());
    }
    EXPECT_EQ(raw.Closed(), 0u);
    EXPECT_TRUE(a.Session().IsHost());
}

TEST(SessionAdmission, APlayerShowingWhatItWasToldOfANewcomerIsRefusedAtAThirdPlayer)
{
    // c's players answer within seconds, also on a busy machine.
    const auto patient = [](NetSessionOptions& options) {
        options.linkTimeoutMinMs = options.linkTimeoutMaxMs = 3000;
        options.connectTimeoutMs = 6000;
    };
    TestPlayer a(2, patient), b(3, patient), c(4, patient);
    ASSERT_TRUE(MakeSession({&a, &b}));
    const NetGuid instance = b.Found().instance;
    // Admitted like any joiner, it links b; it never answers c.
    RawClient liar(9, 3);
    ControlFrame welcome;
    ASSERT_TRUE(JoinAsPlayer(liar, a.Address(), b.Found(), &welcome));
    ASSERT_TRUE(SawCreated(b, 3));

    // c's link to b waits until the liar has shown b what the host told it of c.
    b.Session().IgnoreFrom(c.Address());
    std::future<bool> joined = std::async(std::launch::async, [&] { return c.Join(a); });
    ControlFrame added;
    ASSERT_TRUE(liar.NextFrame(ControlKind::ADD_MEMBER, 2000, &added));
    liar.Connect(2, b.Address());
    liar.Pump(1000, [&] { return liar.Open(2); });
    liar.Send(2, HelloPeerFrame(instance, added.member.id, added.token));
    ControlFrame ack;
    bool taken = false;
    liar.Pump(1000, [&] { return !liar.Open(2) || (taken = liar.TakeFrame(ControlKind::PEER_ACK, &ack)); });
    EXPECT_FALSE(taken) << "taken for the newcomer";
    EXPECT_FALSE(liar.Open(2));
    b.Session().IgnoreFrom(c.Address(), 0);
    // It never answered c: once it leaves, c's join no longer waits for it.
    liar.Leave(0);

    ASSERT_TRUE(joined.get());
    EXPECT_TRUE(HasEvent(c.Events(), NetMessageType::CREATE_PLAYER, b.Id())) << "c went on without b";
    ASSERT_TRUE(c.Session().SendTo(b.Id(), "c", 1, true));
    EXPECT_TRUE(b.WaitForEvent(NetMessageType::RECEIVE, c.Id())) << "the real newcomer did not get its link";
}

// What a player says of itself changes its data only; what it says of others
// nothing, nor does closing its links as if the host had removed their players.
TEST(SessionAdmission, APlayerKeepsTheNameAndPlaceTheHostAnnouncedAndRemovesNobodyWhateverItSays)
{
    TestPlayer a(2), b(3), c(4);
    ASSERT_TRUE(a.Host({1, 0, 0, 0, 0}, 6, "Mal"));
    ASSERT_TRUE(b.Join(a, "Jo"));
    RawClient liar(9, 2);
    ControlFrame welcome;
    ASSERT_TRUE(JoinAsPlayer(liar, a.Address(), b.Found(), &welcome));
    const uint32_t liarId = welcome.member.id;

    // Its data may change, its name and its place in the host's order may not.
    ControlFrame info;
    info.kind = ControlKind::PEER_INFO;
    info.member.id = liarId;
    info.member.joinSeq = 1;
    info.member.name = "Jo";
    info.member.data = {0x42};
    liar.Send(0, info);
    liar.Send(1, info);
    // It answers a newcomer under b's name.
    std::future<bool> joined = std::async(std::launch::async, [&] { return c.Join(a, "Cy"); });
    liar.Pump(2000, [&] { return liar.Incoming() == 1; });
    ASSERT_EQ(liar.Incoming(), 1u);
    ControlFrame ack;
    ack.kind = ControlKind::PEER_ACK;
    ack.member = welcome.member;
    ack.member.name = "Jo";
    ack.member.data = info.member.data;
    liar.SendIncoming(0, ack);
    liar.Pump(400, [&] { return joined.wait_for(std::chrono::seconds(0)) == std::future_status::ready; });
    ASSERT_TRUE(joined.get());

    // It says b left, and sends a list of the players present without b, to
    // the host and to c, and then publishes new data: once that is shown,
    // what it said before it has been read. The liar answers its links
    // meanwhile.
    ControlFrame removal;
    removal.kind = ControlKind::REMOVE_MEMBER;
    removal.member.id = b.Id();
    removal.reason = NET_DESTROY_NORMAL;
    ControlFrame roster;
    roster.kind = ControlKind::ROSTER;
    roster.ids = {a.Id(), liarId, c.Id()};
    for (const ControlFrame& lie : {removal, roster}) {
        liar.Send(0, lie);
        liar.SendIncoming(0, lie);
    }
    info.member.data = {0x43};
    liar.Send(0, info);
    liar.Send(1, info);
    liar.SendIncoming(0, info);
    const auto republished = [&](TestPlayer* player) {
        NetPlayerInfo shown;
        return player->Session().GetPeerInfo(liarId, &shown) && shown.data == std::vector<uint8_t>{0x43};
    };
    EXPECT_TRUE(Eventually([&] {
        liar.Pump(1);
        return republished(&a) && republished(&b) && republished(&c);
    })) << "its data was not republished";
    for (TestPlayer* player : {&a, &b, &c}) {
        NetPlayerInfo shown;
        ASSERT_TRUE(player->Session().GetPeerInfo(liarId, &shown));
        EXPECT_EQ(shown.name, "raw");
        EXPECT_EQ(shown.playersBefore, 2u) << "it took another place in the host's order";
        EXPECT_EQ(SlotAt(*player, c.Id()), 3u) << "the grid closed up on its word";
        ASSERT_TRUE(player->Session().GetPeerInfo(b.Id(), &shown));
        EXPECT_EQ(shown.name, "Jo");
        EXPECT_FALSE(HasEvent(player->Events(), NetMessageType::DESTROY_PLAYER, b.Id())) << "b removed on its word";
    }

    // It closes its link to b with the host's "removed" while the race waits,
    // and its links to c and to the host once it runs: each loses that link.
    liar.Leave(1, DISCONNECT_REMOVED);
    ASSERT_TRUE(b.WaitForEvent(NetMessageType::DESTROY_PLAYER, liarId));
    ASSERT_TRUE(a.Session().SetApplicationDesc(6, false, {0, 0, 0, 0, 0}));
    liar.CloseIncoming(0, DISCONNECT_REMOVED);
    liar.Leave(0, DISCONNECT_REMOVED);
    for (TestPlayer* player : {&a, &b, &c}) {
        ASSERT_TRUE(player->WaitForEvent(NetMessageType::DESTROY_PLAYER, liarId));
        EXPECT_TRUE(player->Session().InSession()) << "a player's session ended on the liar's word";
        for (const Event& event : player->Events())
            if (event.type == NetMessageType::DESTROY_PLAYER) {
                EXPECT_EQ(event.playerId, liarId) << "another player is gone";
                EXPECT_EQ(event.reason, NET_DESTROY_CONNECTION_LOST);
            }
    }
    for (TestPlayer* to : {&b, &c})
        ASSERT_TRUE(a.Session().SendTo(to->Id(), "a", 1, true));
    ASSERT_TRUE(b.Session().SendTo(c.Id(), "b", 1, true));
    EXPECT_TRUE(b.WaitForEvent(NetMessageType::RECEIVE, a.Id()));
    EXPECT_TRUE(c.WaitForEvent(NetMessageType::RECEIVE, a.Id()));
    EXPECT_TRUE(c.WaitForEvent(NetMessageType::RECEIVE, b.Id()));
}

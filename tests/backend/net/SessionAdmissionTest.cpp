// Strangers knocking: links that claim to be players the host never admitted,
// and players of another version of the game.

#include "backend/net/SessionTestKit.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <future>
#include <iterator>
#include <random>

#include <unistd.h>

using namespace nettest;

namespace {

// Links from `stranger` to `target`, each saying hello as one of `ids`: all
// are held as long as an announcement may take, then closed in one go.
void ExpectSameAnswers(RawClient& stranger, TestPlayer& target, const NetGuid& instance,
                       const std::vector<uint32_t>& ids)
{
    ASSERT_TRUE(stranger.AllConnected(400));
    for (size_t link = 0; link < ids.size(); ++link)
        stranger.Send(link, HelloPeerFrame(instance, ids[link], 0x1234));
    stranger.Pump(2000, [&] { return stranger.Closed() > 0; });
    ASSERT_GT(stranger.Closed(), 0u) << "held for good";
    stranger.Pump(40, [&] { return stranger.Closed() == ids.size(); });
    EXPECT_EQ(stranger.Closed(), ids.size()) << "at " << target.Id() << ", some ids were answered apart";
    EXPECT_TRUE(stranger.Frames().empty()) << "a hello was answered";
}

// The host answers a query only after what came before it: each from an
// address of its own, so that no budget runs out.
void Taken(const NetAddress& host)
{
    static uint32_t asker = 100;
    ASSERT_NE(QueryCookie(asker++, host), 0u);
}

// A sender of datagrams from 127.x.y.n that never reads: a connect of its
// own with `data`, the acknowledgement of the answer and each of `commands`
// in turn on every slot and session id, each once the host took the last.
void OpenBlindLink(uint32_t n, const NetAddress& to, uint32_t data, const std::vector<std::vector<uint8_t>>& commands)
{
    const int fd = BindUdp(TestIp(n), 0);
    ASSERT_GE(fd, 0);
    const uint32_t connectId = 0xB11D0000 | n;
    SendPaced(fd, to, {ConnectDatagram(connectId, data)});
    // ENet drops an acknowledgement of an answer it has not sent yet, and the
    // host may take the first ones in the pass that took the connect. It ends
    // a pass after 256 datagrams, so it has sent its answer before the second.
    const std::vector<std::vector<uint8_t>> acknowledgements = EveryLinkOfItsOwn(connectId, ConnectAcknowledgement());
    for (int round = 0; round < 2; ++round) {
        Taken(to);
        SendPaced(fd, to, acknowledgements);
    }
    for (const std::vector<uint8_t>& command : commands) {
        Taken(to);
        SendPaced(fd, to, EveryLinkOfItsOwn(connectId, command));
    }
    Taken(to);
    close(fd);
}

std::vector<uint8_t> ControlCommand(uint16_t sequence, const ControlFrame& frame)
{
    return ReliableCommand(sequence, EncodeControlFrame(frame), CHANNEL_CONTROL);
}

} // namespace

// No answer tells a stranger whether it guessed a player's id: hellos naming
// the next join number under the session's id prefix and under another, a
// player in, the target itself, all wait as long and end together. A link
// taken before its player became the host admits nobody then.
TEST(SessionAdmission, AStrangersHelloGetsOneAnswerAtOneMomentWhateverIdItNames)
{
    TestPlayer a(2), b(3), c(4);
    ASSERT_TRUE(MakeSession({&a, &b}));
    // All a stranger needs to know is in every answer to a query.
    const NetGuid instance = b.Found().instance;
    const uint32_t prefix = a.Id() & 0xFFFF0000;
    const uint32_t other = prefix == 0xFFFF0000 ? 0x00010000 : prefix + 0x00010000;
    const std::vector<uint32_t> ids = {prefix | 3, other | 3, a.Id(), b.Id(), other | 1, other | 2};
    // At the host the stranger shows its address's cookie, as one that reads may.
    RawClient atHost(9, ids.size()), atPlayer(10, ids.size());
    atHost.ConnectAll(a.Address(), ITS_COOKIE);
    atPlayer.ConnectAll(b.Address(), SESSION_PROTOCOL_MAGIC);
    // A second hello on one link is not waited for.
    RawClient twice(12, 1);
    twice.ConnectAll(b.Address(), SESSION_PROTOCOL_MAGIC);
    ASSERT_TRUE(twice.AllConnected(400));
    twice.Send(0, HelloPeerFrame(instance, prefix | 3, 0x1234));
    twice.Send(0, HelloPeerFrame(instance, prefix | 3, 0x1234));
    twice.Pump(40, [&] { return twice.Closed() == 1; });
    EXPECT_EQ(twice.Closed(), 1u) << "a second hello on a link was waited for";
    ExpectSameAnswers(atHost, a, instance, ids);
    ExpectSameAnswers(atPlayer, b, instance, ids);

    // The real player with the guessed id gets its link.
    ASSERT_TRUE(c.Join(a));
    ASSERT_EQ(c.Id(), prefix | 3);
    ASSERT_TRUE(c.Session().SendTo(b.Id(), "c", 1, true));
    EXPECT_TRUE(b.WaitForEvent(NetMessageType::RECEIVE, c.Id())) << "the real player did not get its link";

    // A link to b that showed no cookie waits when the host leaves and b takes
    // its role: its hello admits nobody.
    RawClient early(11, 1);
    early.ConnectAll(b.Address(), SESSION_PROTOCOL_MAGIC);
    ASSERT_TRUE(early.AllConnected(400));
    a.Session().Close();
    ASSERT_TRUE(b.WaitForEvent(NetMessageType::HOST_MIGRATE, b.Id()));
    ASSERT_TRUE(early.Open(0)) << "closed before the election";
    early.Send(0, HelloFrame(b.Found(), {}));
    early.Pump(400, [&] { return early.Closed() == 1; });
    EXPECT_EQ(early.Closed(), 1u);
    EXPECT_TRUE(early.Frames().empty()) << "it was answered";
    EXPECT_EQ(b.Count(NetMessageType::CREATE_PLAYER), 3u) << "it was admitted";
}

// A sender that forges its source address and reads nothing opens a link of
// its own (its connect id, right checksums, the acknowledgement and every
// word on every slot), says hello, names a player, sends "loaded" and a
// finish: three of them, two naming the same player, would fill the session.
// The same steps from senders that read their addresses' cookies are taken.
TEST(SessionAdmission, SendersThatForgeTheirAddressAndReadNothingTakeNoPlaceAndCountForNothing)
{
    // The host keeps the links of senders that never answer.
    const OptionsChange patient = [](NetSessionOptions& options) {
        options.linkTimeoutMinMs = options.linkTimeoutMaxMs = 60000;
    };
    TestPlayer a(2, patient), b(3), c(4), d(5), asker(6);
    ASSERT_TRUE(MakeSession({&a, &b, &c}));
    ASSERT_TRUE(asker.Find(a.Address()));
    const NetAppDesc desc = asker.Found();
    const std::vector<uint8_t> loaded = {'l', 'o', 'a', 'd', 'e', 'd'}, finish = {'f', 'i', 'n', 'i', 's', 'h'};
    const std::vector<std::vector<uint8_t>> steps = {ControlCommand(1, HelloFrame(desc, {})),
                                                     ReliableCommand(1, loaded), ReliableCommand(2, finish),
                                                     ControlCommand(2, UnansweredFrame({b.Id()}))};
    testing::internal::CaptureStderr();
    for (const uint32_t n : {20u, 21u, 22u})
        ASSERT_NO_FATAL_FAILURE(OpenBlindLink(n, a.Address(), SESSION_PROTOCOL_MAGIC, steps));
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_NE(log.find("it did not show the host's cookie for its address"), std::string::npos) << log;
    EXPECT_TRUE(d.Join(a)) << "the forgers took the places";
    for (TestPlayer* player : {&a, &b, &c}) {
        EXPECT_TRUE(player->WaitForEvent(NetMessageType::CREATE_PLAYER, d.Id()));
        EXPECT_EQ(player->Count(NetMessageType::CREATE_PLAYER), 4u) << "a forger became a player";
        EXPECT_EQ(player->Count(NetMessageType::DESTROY_PLAYER), 0u) << "the forgers' word removed a player";
        EXPECT_TRUE(player->Received().empty()) << "a forger's message reached the handler";
    }

    const std::vector<uint32_t> known = {a.Id(), b.Id(), c.Id(), d.Id()};
    // Two senders that read their cookies and nothing else: each becomes a
    // player whose messages reach the host's handler; the first is turned
    // away for naming b, and the second, at another address, has b removed.
    for (const uint32_t n : {23u, 24u})
        ASSERT_NO_FATAL_FAILURE(OpenBlindLink(n, a.Address(), QueryCookie(n, a.Address()), steps));
    EXPECT_TRUE(a.WaitForEvent(NetMessageType::DESTROY_PLAYER, known[1]))
        << "the word of senders that read did not count";
    std::vector<uint32_t> readers;
    for (const Event& event : a.Events())
        if (event.type == NetMessageType::CREATE_PLAYER &&
            std::find(known.begin(), known.end(), event.playerId) == known.end())
            readers.push_back(event.playerId);
    ASSERT_EQ(readers.size(), 2u) << "a sender that read its cookie did not become a player";
    for (const uint32_t reader : readers) {
        const std::vector<Event> received = a.Received(reader);
        ASSERT_EQ(received.size(), 2u) << "a message of a sender that read its cookie did not reach the handler";
        EXPECT_EQ(received[0].data, loaded);
        EXPECT_EQ(received[1].data, finish);
    }
    EXPECT_TRUE(HasEvent(a.Events(), NetMessageType::DESTROY_PLAYER, readers[0])) << "the first was not turned away";
}

// A copy of another format gets no reply to its query, whatever the query's
// size, nor a link; the host says why in a few lines per address. What only
// starts like a query gets no reply and no line.
TEST(SessionAdmission, ACopyOfAnotherFormatIsRefusedAndNamedAtItsQueryAndAtItsConnect)
{
    TestPlayer a(2);
    ASSERT_TRUE(a.Host({1, 0, 0, 0, 0}));
    HostQuery query;
    query.application = TestApplication();
    const std::vector<uint8_t> ours = EncodeHostQuery(query);
    const auto queryOf = [&](uint8_t format, size_t size) {
        query.format = format;
        std::vector<uint8_t> bytes = EncodeHostQuery(query);
        bytes.resize(size, 0);
        return bytes;
    };
    // Formats 6 and 7 sent queries 4 bytes shorter, with the format where ours
    // has it; copies before 6 left that byte zero.
    const size_t older = HOST_QUERY_SIZE - HOST_COOKIE_SIZE;
    std::vector<uint8_t> otherGame = queryOf(7, older);
    otherGame[4] ^= 1;
    const uint8_t later = SESSION_FORMAT_VERSION + 1;
    struct Asker {
        uint32_t n;
        std::vector<uint8_t> query;
        std::string format; // as its line names it; empty: no line
    };
    // One ends before its format: what the host's buffer held there before is not read.
    const Asker askers[] = {
        {30, queryOf(0, older), "before 6"},
        {31, queryOf(7, older), "7"},
        {32, queryOf(later, HOST_QUERY_SIZE + 64), std::to_string(later)},
        {33, queryOf(SESSION_FORMAT_VERSION, older), ""},
        {34, otherGame, ""},
        {36, queryOf(7, HOST_QUERY_FORMAT_AT), "before 6"},
    };
    testing::internal::CaptureStderr();
    for (const Asker& asker : askers) {
        const QueryOutcome outcome = SendQueries(asker.n, a.Address(), asker.query, 8, ours);
        EXPECT_EQ(outcome.answers + outcome.challenges + outcome.others, 0u) << "asker " << asker.n;
    }
    // The query magic, then random bytes, at random sizes.
    std::mt19937 random(5);
    for (int i = 0; i < 16; ++i) {
        std::vector<uint8_t> garbage(std::uniform_int_distribution<size_t>(4, 1200)(random));
        std::generate(garbage.begin(), garbage.end(), [&] { return uint8_t(random()); });
        std::copy(std::begin(HOST_QUERY_MAGIC), std::end(HOST_QUERY_MAGIC), garbage.begin());
        const QueryOutcome outcome = SendQueries(35, a.Address(), garbage, 1, ours);
        EXPECT_EQ(outcome.answers + outcome.challenges + outcome.others, 0u) << garbage.size() << " bytes";
    }
    EXPECT_EQ(SendQueries(9, a.Address(), ours, 1, ours).answers, 1u);

    // Copies before format 7 sent no checksum: their connects come to nothing.
    for (const uint32_t format : {1u, 6u}) {
        RawClient old(10 + format, 1);
        old.SendNoChecksum();
        old.ConnectAll(a.Address(), SESSION_PROTOCOL_FAMILY | format);
        old.Pump(200, [&] { return old.Connected() > 0; });
        EXPECT_EQ(old.Connected(), 0u) << "a connect of format " << format;
    }
    // Copies that sum their datagrams, older or later, understand the first format's refusal.
    for (const uint32_t format : {SESSION_FORMAT_VERSION - 1u, SESSION_FORMAT_VERSION + 1u}) {
        RawClient other(20 + format, 1);
        other.ConnectAll(a.Address(), SESSION_PROTOCOL_FAMILY | format);
        other.Pump(400, [&] { return other.Closed() == 1; });
        EXPECT_EQ(other.Closed(), 1u) << "a connect of format " << format;
        ASSERT_EQ(other.Frames().size(), 1u) << "a connect of format " << format;
        EXPECT_EQ(other.Frames()[0], (std::vector<uint8_t>{uint8_t(ControlKind::REJECT), REJECT_VERSION}));
    }
    EXPECT_EQ(a.Count(NetMessageType::CREATE_PLAYER), 1u);
    // The windows of lines end with the session, each saying what it left out.
    a.Session().Close();
    const std::string log = testing::internal::GetCapturedStderr();
    for (const Asker& asker : askers) {
        const std::vector<std::string> lines = LinesFrom(log, asker.n);
        EXPECT_EQ(lines.empty(), asker.format.empty()) << "asker " << asker.n << ":\n" << log;
        // At most three lines a window, and one saying how many were left out.
        EXPECT_LE(lines.size(), 4u) << "asker " << asker.n << ":\n" << log;
        const std::string named = "refused a query of another version of the game from ";
        const std::string format = "(session format " + asker.format + ", ours is ";
        if (!lines.empty()) {
            EXPECT_NE(lines[0].find(named), std::string::npos) << lines[0];
            EXPECT_NE(lines[0].find(format), std::string::npos) << lines[0];
        }
        if (lines.size() > 3) {
            EXPECT_THAT(lines.back(), testing::HasSubstr(" more lines about queries from "));
        }
    }
    EXPECT_TRUE(LinesFrom(log, 35).empty()) << "garbage was named:\n" << log;
    for (const uint32_t format : {SESSION_FORMAT_VERSION - 1u, SESSION_FORMAT_VERSION + 1u})
        EXPECT_FALSE(LinesFrom(log, 20 + format).empty()) << "a connect of format " << format << " was not named";
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

    // Normal leaves and removals on every slot and session id, each with a guessed
    // checksum and with none: as the host to b, as b to the host, as the raw
    // player to b; and b's next guaranteed message, as b to the host.
    for (const uint32_t word : {DISCONNECT_REMOVED, DISCONNECT_NORMAL}) {
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
        EXPECT_EQ(player->Count(NetMessageType::DESTROY_PLAYER), 0u) << "a forged leave closed a link";
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
    liar.Pump(20);
    b.Session().IgnoreFrom(c.Address(), 0);
    // It never answered c: once it leaves, c's join no longer waits for it.
    liar.Leave(0);
    ControlFrame ack;
    bool taken = false;
    liar.Pump(2000, [&] { return !liar.Open(2) || (taken = liar.TakeFrame(ControlKind::PEER_ACK, &ack)); });
    EXPECT_FALSE(taken) << "taken for the newcomer";
    EXPECT_FALSE(liar.Open(2));

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

// What strangers and flooding players can cost: slots, memory, answers.

#include "backend/net/SessionTestKit.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>

using namespace nettest;

namespace {

using Clock = std::chrono::steady_clock;

size_t ResidentBytes()
{
    long pages = 0, resident = 0;
    FILE* file = std::fopen("/proc/self/statm", "r");
    if (file == nullptr)
        return 0;
    if (std::fscanf(file, "%ld %ld", &pages, &resident) != 2)
        resident = 0;
    std::fclose(file);
    return static_cast<size_t>(resident) * static_cast<size_t>(sysconf(_SC_PAGESIZE));
}

constexpr size_t HUGE_PACKET = 30u << 20;
constexpr size_t HUGE_LINKS = 8;

// The child side: eight links that never say hello, each sending one huge
// reliable packet, for a bounded number of turns; then one byte back.
[[noreturn]] void SendHugePackets(int in, int out)
{
    NetAddress from, to;
    uint32_t cookie = 0;
    if (read(in, &from, sizeof from) != sizeof from || read(in, &to, sizeof to) != sizeof to ||
        read(in, &cookie, sizeof cookie) != sizeof cookie)
        _exit(1);
    enet_initialize();
    const ENetAddress local = {htonl(from.ip), 0};
    ENetHost* host = enet_host_create(&local, HUGE_LINKS, 2, 0, 0);
    if (host != nullptr)
        ChecksumDatagrams(host);
    const ENetAddress target = {htonl(to.ip), to.port};
    std::vector<ENetPeer*> peers;
    for (size_t i = 0; i < HUGE_LINKS && host != nullptr; ++i)
        peers.push_back(OpenLink(host, target, 2, cookie));
    std::vector<uint8_t> huge(HUGE_PACKET, 0xA5);
    size_t connected = 0, closed = 0;
    for (int turn = 0; turn < 3000 && host != nullptr && closed < HUGE_LINKS; ++turn) {
        ENetEvent event;
        while (enet_host_service(host, &event, 1) > 0) {
            if (event.type == ENET_EVENT_TYPE_CONNECT) {
                ++connected;
                ENetPacket* packet = enet_packet_create(huge.data(), huge.size(),
                                                        ENET_PACKET_FLAG_RELIABLE | ENET_PACKET_FLAG_NO_ALLOCATE);
                enet_peer_send(event.peer, 0, packet);
            } else if (event.type == ENET_EVENT_TYPE_DISCONNECT) {
                ++closed;
            } else if (event.type == ENET_EVENT_TYPE_RECEIVE) {
                enet_packet_destroy(event.packet);
            }
        }
    }
    const uint8_t done = static_cast<uint8_t>(connected);
    if (write(out, &done, 1) != 1)
        _exit(1);
    _exit(0);
}

// The players a welcome lists, the host left out.
std::vector<uint32_t> ListedPlayers(const ControlFrame& welcome)
{
    std::vector<uint32_t> ids;
    for (const ListedMember& listed : welcome.listed)
        if (listed.record.id != welcome.hostId)
            ids.push_back(listed.record.id);
    return ids;
}

// The next query that came to `fd` within `waitMs`, and where from.
bool TakeQuery(int fd, HostQuery* query, sockaddr_in* from, int waitMs)
{
    pollfd wait = {fd, POLLIN, 0};
    uint8_t bytes[2048];
    socklen_t size = sizeof *from;
    ssize_t got = 0;
    return poll(&wait, 1, waitMs) > 0 &&
           (got = recvfrom(fd, bytes, sizeof bytes, 0, reinterpret_cast<sockaddr*>(from), &size)) > 0 &&
           DecodeHostQuery(bytes, size_t(got), query);
}

} // namespace

TEST(SessionBounds, AFloodAtTheHostFromManyAddressesClosesNoLateNewcomersConnectAndCookiesGoAtTheHelloTime)
{
    // 240 addresses flood the host with connects that show no cookie, as one
    // that forges them must: they take no place and get no answer, so no
    // newcomer answering 200 ms late loses its place to them.
    constexpr auto HELLO = std::chrono::milliseconds(1000);
    TestPlayer a(2, [&](NetSessionOptions& options) { options.helloTimeoutMs = uint32_t(HELLO.count()); });
    TestPlayer b(3), c(5);
    ASSERT_TRUE(MakeSession({&a, &b}));
    // Eight links that show their address's cookie and never say who they
    // are: the flood closes none of them, the hello time every one.
    RawClient silent(9, 8);
    const uint32_t cookie = QueryCookie(9, a.Address());
    const auto start = std::chrono::steady_clock::now();
    silent.ConnectAll(a.Address(), cookie);
    ASSERT_TRUE(silent.AllConnected(1000));
    constexpr size_t ADDRESSES = 240;
    constexpr int PER_SECOND = 4;
    ConnectFlood flood(a.Address(), ADDRESSES, PER_SECOND, HELLO);
    silent.Pump(1000, [&] { return silent.Closed() == 8; });
    EXPECT_EQ(silent.Closed(), 8u) << "links with a cookie that never said who they are stay open";
    EXPECT_GE(std::chrono::steady_clock::now() - start, HELLO) << "the flood closed links with a cookie";
    ASSERT_TRUE(Eventually([&] { return flood.Sent() >= 2 * PER_SECOND * ADDRESSES; }));
    EXPECT_EQ(flood.Answered(), 0u) << "the host answered connects that showed no cookie";
    for (const uint32_t n : {10u, 11u}) {
        RawClient newcomer(n, 2);
        ControlFrame welcome;
        const bool admitted =
            AdmitAsPlayer(newcomer, a.Address(), b.Found(), &welcome, QueryCookie(n, a.Address()), 200);
        EXPECT_TRUE(admitted) << "the flood closed a newcomer's connect to the host";
        if (!admitted)
            continue;
        EXPECT_TRUE(LinkListed(newcomer, welcome, b.Found().instance, 0).empty());
        EXPECT_TRUE(b.WaitForEvent(NetMessageType::CREATE_PLAYER, welcome.member.id));
        // The next is not told of it.
        newcomer.Leave(0);
        ASSERT_TRUE(a.WaitForEvent(NetMessageType::DESTROY_PLAYER, welcome.member.id));
    }
    EXPECT_TRUE(c.Join(a)) << "the game's joiner was kept out";
    EXPECT_FALSE(HasEvent(a.Events(), NetMessageType::DESTROY_PLAYER, b.Id())) << "the player was removed";
}

TEST(SessionBounds, AFloodAtAPlayerFromManyAddressesClosesNoLateNewcomersLinkAndGetsNobodyRemoved)
{
    // 240 addresses flood the host with connects that show no cookie, as one
    // that forges them must: they take no place and get no answer, so no
    // newcomer answering 200 ms late loses its place to them.
    constexpr auto HELLO = std::chrono::milliseconds(1000);
    TestPlayer a(2), b(3, [&](NetSessionOptions&options) { options.helloTimeoutMs = uint32_t(HELLO.count()); });
    TestPlayer asker(4);
    ASSERT_TRUE(MakeSession({&a, &b}));
    constexpr size_t ADDRESSES = 240;
    constexpr int PER_SECOND = 4;
    ConnectFlood flood(b.Address(), ADDRESSES, PER_SECOND, HELLO);
    ASSERT_TRUE(Eventually([&] { return flood.Sent() >= 2 * PER_SECOND * ADDRESSES; }));
    EXPECT_GT(flood.Answered(), 0u) << "the player took none of the flood's connects";
    for (const uint32_t n : {10u, 11u}) {
        RawClient newcomer(n, 2);
        ControlFrame welcome;
        ASSERT_TRUE(AdmitAsPlayer(newcomer, a.Address(), b.Found(), &welcome));
        const std::vector<uint32_t> unanswered = LinkListed(newcomer, welcome, b.Found().instance, 200);
        // As the game's joiner does.
        if (!unanswered.empty())
            newcomer.Send(0, UnansweredFrame(unanswered));
        EXPECT_TRUE(unanswered.empty()) << "the flood closed a newcomer's link to the player";
        EXPECT_TRUE(b.WaitForEvent(NetMessageType::CREATE_PLAYER, welcome.member.id));
        // The next is not told of it.
        newcomer.Leave(0);
        ASSERT_TRUE(a.WaitForEvent(NetMessageType::DESTROY_PLAYER, welcome.member.id));
    }
    // The host answers a query only after what came before it.
    ASSERT_TRUE(asker.Find(a.Address()));
    EXPECT_FALSE(HasEvent(a.Events(), NetMessageType::DESTROY_PLAYER, b.Id())) << "the player was removed";
}

TEST(SessionBounds, ConnectsForgedFromANewcomersOwnAddressDoNotKeepItFromTheHostOrAPlayer)
{
    TestPlayer a(2), b(3);
    ASSERT_TRUE(MakeSession({&a, &b}));
    // At the host and at the player, a stranger's eight connects from
    // elsewhere wait first; then a hundred a second to each from a newcomer's
    // own IPv4 address and port fill that address's places and make sixteen
    // links wait.
    RawClient stranger(9, 16), newcomer(10, 2);
    stranger.Deafen();
    for (size_t link = 0; link < 16; ++link)
        stranger.Connect(link, link < 8 ? a.Address() : b.Address(), link < 8 ? ITS_COOKIE : SESSION_PROTOCOL_MAGIC);
    stranger.Pump(1);
    const uint32_t cookie = QueryCookie(10, a.Address());
    ControlFrame welcome;
    {
        ConnectFlood atHost(a.Address(), newcomer.Socket(), 100), atPlayer(b.Address(), newcomer.Socket(), 100);
        ASSERT_TRUE(Eventually([&] { return atHost.Sent() >= 20 && atPlayer.Sent() >= 20; }));
        ASSERT_TRUE(AdmitAsPlayer(newcomer, a.Address(), b.Found(), &welcome, cookie)) << "kept from the host";
        ConnectListed(newcomer, welcome);
        // Well before the stranger's links are closed at the hello time.
        EXPECT_TRUE(AnswerListed(newcomer, welcome, b.Found().instance, {}, 300).empty()) << "kept from the player";
        EXPECT_TRUE(b.WaitForEvent(NetMessageType::CREATE_PLAYER, welcome.member.id));
    }
    // The next is not told of it.
    newcomer.Leave(0);
    EXPECT_TRUE(a.WaitForEvent(NetMessageType::DESTROY_PLAYER, welcome.member.id));
}

TEST(SessionBounds, StrangersConnectsFromAJoinersAddressKeepItOutOfNoWaitingPlacesFullOfOthersLinks)
{
    // Links wait ten seconds here: long enough for the join, which has to close one.
    const OptionsChange patient = [](NetSessionOptions& options) { options.helloTimeoutMs = 10000; };
    TestPlayer a(2, patient), b(3, patient), c(5);
    ASSERT_TRUE(MakeSession({&a, &b}));
    // Three addresses fill every waiting place at the host with links that
    // show their cookies, and every place at the player with strangers'
    // links; none ever answers.
    std::vector<std::unique_ptr<RawClient>> fill;
    for (const uint32_t n : {9u, 10u, 11u}) {
        fill.push_back(std::make_unique<RawClient>(n, 14));
        RawClient& raw = *fill.back();
        raw.Deafen();
        const uint32_t cookie = QueryCookie(n, a.Address());
        for (size_t link = 0; link < 14; ++link)
            raw.Connect(link, link < 8 ? a.Address() : b.Address(), link < 8 ? cookie : SESSION_PROTOCOL_MAGIC);
        raw.Flush();
    }
    // Strangers' connects come a hundred a second to both from the game's
    // joiner's IPv4 address (its port is its own): they close nothing at the
    // host, and may spend nothing of its right to make room for itself there.
    const NetAddress forgedFrom = {TestIp(5), 0};
    ConnectFlood atHost(a.Address(), forgedFrom, 100), atPlayer(b.Address(), forgedFrom, 100);
    ASSERT_TRUE(Eventually([&] { return atHost.Sent() >= 20 && atPlayer.Sent() >= 20; }));
    EXPECT_TRUE(c.Join(a)) << "kept out at its first try";
    EXPECT_TRUE(b.WaitForEvent(NetMessageType::CREATE_PLAYER, c.Id()));
}

TEST(SessionBounds, JoinsTurnedAwayAgainAndAgainFromEightAddressesKeepNoNewcomerOut)
{
    // The game's link time-outs: what ENet would keep such links for.
    const NetSessionOptions game;
    TestPlayer a(2, [&](NetSessionOptions& options) {
        options.linkTimeoutMinMs = game.linkTimeoutMinMs;
        options.linkTimeoutMaxMs = game.linkTimeoutMaxMs;
    });
    TestPlayer b(3), c(4), d(5);
    ASSERT_TRUE(MakeSession({&a, &b, &c}));
    const NetAppDesc desc = b.Found();
    // Each join is admitted, names every player but the host (also d once it
    // is in), is turned away and never
    // takes the answer; joins go on until one of them is dropped, or for four
    // rounds of the waiting places.
    std::atomic<bool> stop{false};
    std::atomic<int> turnedAway{0}, dropped{0};
    std::thread joins([&] {
        std::vector<std::unique_ptr<RawClient>> used;
        for (uint32_t join = 0; !stop; ++join) {
            used.push_back(std::make_unique<RawClient>(10 + join % 8, 1));
            RawClient& raw = *used.back();
            raw.Connect(0, a.Address(), ITS_COOKIE);
            raw.Pump(1000, [&] { return raw.Open(0); });
            ControlFrame welcome;
            if (!raw.Open(0)) {
                ++dropped;
                continue;
            }
            raw.Send(0, HelloFrame(desc, {}));
            if (raw.NextFrame(ControlKind::WELCOME, 1000, &welcome)) {
                raw.Send(0, UnansweredFrame(ListedPlayers(welcome)));
                ++turnedAway;
            }
        }
    });
    // Each join shows its cookie, so it may close a link turned away: the
    // places need not stay full.
    const bool full =
        Eventually([&] { return dropped > 0 || turnedAway >= int(4 * PENDING_LINKS_MAX); }, std::chrono::seconds(20));
    const bool joined = full && d.Join(a);
    stop = true;
    joins.join();
    EXPECT_TRUE(full);
    EXPECT_TRUE(joined) << "locked out after " << turnedAway << " joins turned away";
    for (const uint32_t id : {b.Id(), c.Id(), d.Id()})
        EXPECT_FALSE(HasEvent(a.Events(), NetMessageType::DESTROY_PLAYER, id));
}

TEST(SessionBounds, LinksTurnedAwayThatNeverTakeTheAnswerKeepNoNewcomerOut)
{
    // The game's link time-outs: what ENet would keep such links for.
    const NetSessionOptions game;
    TestPlayer a(2, [&](NetSessionOptions& options) {
        options.linkTimeoutMinMs = game.linkTimeoutMinMs;
        options.linkTimeoutMaxMs = game.linkTimeoutMaxMs;
    });
    TestPlayer asker(3), c(4);
    ASSERT_TRUE(a.Host({1, 0, 0, 0, 0}));
    ASSERT_TRUE(asker.Find(a.Address()));
    NetAppDesc otherGame = asker.Found();
    otherGame.application = TestApplication(2);
    // Twelve addresses, eight links each that come up and say hello for
    // another game; they are not pumped again, so the answer is never
    // acknowledged.
    std::vector<std::unique_ptr<RawClient>> strangers;
    for (uint32_t n = 10; n < 22; ++n) {
        strangers.push_back(std::make_unique<RawClient>(n, 8));
        RawClient& stranger = *strangers.back();
        stranger.ConnectAll(a.Address(), ITS_COOKIE);
        stranger.Pump(40, [&] { return stranger.Connected() == 8; });
        for (size_t link = 0; link < 8; ++link)
            if (stranger.Open(link))
                stranger.Send(link, HelloFrame(otherGame, {}));
    }
    EXPECT_TRUE(c.Join(a)) << "locked out";
}

TEST(SessionBounds, SixtyFourLinksFromOneAddressKeepNoJoinerOutAndAScanLogsAFewLines)
{
    TestPlayer a(2), b(3);
    ASSERT_TRUE(a.Host({1, 0, 0, 0, 0}));
    ASSERT_TRUE(b.Find(a.Address()));
    const NetGuid instance = b.Found().instance;
    const uint32_t prefix = a.Id() & 0xFFFF0000;
    testing::internal::CaptureStderr();
    // Links opened again as soon as they are closed: silent ones from one
    // address, ones naming players nobody announced from another.
    std::atomic<bool> stop{false};
    std::atomic<size_t> scanned{0};
    std::thread flood([&] {
        RawClient silent(10, 64), scan(11, 8);
        uint32_t next = 0x100;
        scan.OnConnect([&](size_t link) { scan.Send(link, HelloPeerFrame(instance, prefix | next++, 1)); });
        for (RawClient* raw : {&silent, &scan}) {
            raw->Reopen();
            raw->ConnectAll(a.Address(), ITS_COOKIE);
        }
        while (!stop) {
            silent.Pump(1);
            scan.Pump(1);
            scanned = scan.Closed();
        }
    });
    // Each scanning link waits as long as an announcement may take.
    const bool flooding = Eventually([&] { return scanned >= 16; }, std::chrono::seconds(20));
    const bool joined = flooding && b.Join(a);
    stop = true;
    flood.join();
    // The windows of lines end with the session, each saying what it left out.
    a.Session().Close();
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(flooding);
    EXPECT_TRUE(joined) << "locked out";
    for (uint32_t n : {10, 11}) {
        const std::vector<std::string> lines = LinesFrom(log, n);
        EXPECT_LE(lines.size(), 4u) << "lines about 127.x.y." << n << ":\n" << log;
        ASSERT_FALSE(lines.empty()) << "nothing said about 127.x.y." << n;
        EXPECT_THAT(lines.back(), testing::HasSubstr(" more lines about links from "));
    }
}

TEST(SessionBounds, HugePacketsFromLinksThatNeverSayHelloLeaveMemoryFlat)
{
    // The stranger runs in a child made before any session thread exists.
    int toChild[2], fromChild[2];
    ASSERT_EQ(pipe(toChild), 0);
    ASSERT_EQ(pipe(fromChild), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0)
        SendHugePackets(toChild[0], fromChild[1]);

    // Only the packet limit may stop them.
    TestPlayer a(2, [](NetSessionOptions& options) { options.helloTimeoutMs = 60000; });
    ASSERT_TRUE(a.Host({1, 0, 0, 0, 0}));
    const size_t before = ResidentBytes();
    const NetAddress from = {TestIp(9), 0}, to = a.Address();
    ASSERT_EQ(write(toChild[1], &from, sizeof from), ssize_t(sizeof from));
    ASSERT_EQ(write(toChild[1], &to, sizeof to), ssize_t(sizeof to));
    const uint32_t cookie = QueryCookie(9, to);
    ASSERT_EQ(write(toChild[1], &cookie, sizeof cookie), ssize_t(sizeof cookie));
    // The highest resident size while the child works; the child counts its
    // own turns, the bound here is a generous one only.
    size_t highest = before;
    pollfd done = {fromChild[0], POLLIN, 0};
    int polls = 0;
    while (poll(&done, 1, 10) == 0 && ++polls < 12000)
        highest = std::max(highest, ResidentBytes());
    uint8_t connected = 0;
    ASSERT_EQ(read(fromChild[0], &connected, 1), 1) << "the child never finished";
    int status = 0;
    waitpid(child, &status, 0);
    for (int fd : {toChild[0], toChild[1], fromChild[0], fromChild[1]})
        close(fd);
    EXPECT_EQ(connected, HUGE_LINKS);
    EXPECT_LT(highest, before + (20u << 20)) << "resident " << (before >> 20) << " -> " << (highest >> 20) << " MB";
    EXPECT_EQ(a.Count(NetMessageType::CREATE_PLAYER), 1u);
}

TEST(SessionBounds, DiscoveryAnswersEachAddressAFewTimesASecondHoweverManyAskAndEveryBudgetComesBackTheNextSecond)
{
    TestPlayer a(2);
    ASSERT_TRUE(a.Host({1, 0, 0, 0, 0}, 6, "a host with a long name"));
    HostQuery query;
    query.application = TestApplication();
    query.nonce = 7;
    const std::vector<uint8_t> bytes = EncodeHostQuery(query);

    const QueryOutcome one = SendQueries(5, a.Address(), bytes, 1, bytes);
    EXPECT_EQ(one.answers, 1u);
    EXPECT_LE(one.largestReply, bytes.size());
    const std::vector<uint8_t> unpadded(bytes.begin(), bytes.begin() + 24);
    const QueryOutcome unpaddedOutcome = SendQueries(6, a.Address(), unpadded, 1, bytes);
    EXPECT_EQ(unpaddedOutcome.answers + unpaddedOutcome.challenges, 0u) << "a short query is answered";
    const uint32_t othersCookie = QueryCookie(9, a.Address());
    ASSERT_NE(othersCookie, 0u);

    // More addresses ask than any table of them would keep, each learning its
    // cookie. Over a second later, between two queries of one address and its
    // next two, all of them ask again showing their cookies, which spends
    // nothing of that address's: it gets its four answers a second and no more.
    QueryCrowd crowd(300);
    crowd.Ask(a.Address(), query, false);
    ASSERT_EQ(crowd.Cookies(), 300u);
    std::this_thread::sleep_for(std::chrono::milliseconds(1001));
    Clock::time_point start = Clock::now();
    const QueryOutcome before = SendQueries(20, a.Address(), bytes, 4, bytes);
    crowd.Ask(a.Address(), query, true);
    const QueryOutcome after = SendQueries(20, a.Address(), bytes, 4, bytes);
    size_t windows = size_t((Clock::now() - start) / std::chrono::seconds(1)) + 1;
    EXPECT_EQ(before.answers, 4u);
    EXPECT_LE(before.answers + after.answers, 4u * windows) << "an address got more than four answers a second "
                                                               "while 300 others asked";
    EXPECT_EQ(after.answers + after.challenges, 4u);
    EXPECT_LE(crowd.Replies().largestReply, bytes.size());

    // A newcomer finds the session while the crowd keeps asking.
    std::atomic<bool> done{false};
    std::atomic<int> rounds{0};
    std::thread asking([&, plain = query] {
        for (; !done && rounds < 200; ++rounds)
            crowd.Ask(a.Address(), plain, false);
    });
    EXPECT_TRUE(Eventually([&] { return rounds > 0; }));
    TestPlayer newcomer(11);
    EXPECT_TRUE(newcomer.Find(a.Address())) << "queries from many addresses kept a newcomer from the session";
    done = true;
    asking.join();

    // From one address within a second: four answers, then challenges up to
    // their bound (1024 a second), then nothing. Queries showing its cookie
    // are answered from a budget of their own, four times, then get nothing;
    // one showing another address's cookie, or one the host did not make, is
    // a query without it. Every budget is given again the next second. (The
    // crowd's budgets are back first.)
    Clock::time_point spent = Clock::now();
    for (int second = 0; second < 2; ++second) {
        std::this_thread::sleep_until(spent + std::chrono::milliseconds(1001));
        start = Clock::now();
        const QueryOutcome first = SendQueries(7, a.Address(), bytes, 6, bytes);
        ASSERT_NE(first.cookie, 0u);
        QueryOutcome wrong;
        for (const uint32_t cookie : {othersCookie, first.cookie ^ 1}) {
            query.cookie = cookie;
            const QueryOutcome outcome = SendQueries(7, a.Address(), EncodeHostQuery(query), 1, bytes);
            wrong.answers += outcome.answers;
            wrong.challenges += outcome.challenges;
        }
        const QueryOutcome burst = SendQueries(7, a.Address(), bytes, 1200, bytes);
        query.cookie = first.cookie;
        const QueryOutcome shown = SendQueries(7, a.Address(), EncodeHostQuery(query), 8, bytes);
        query.cookie = 0;
        spent = Clock::now();
        // Within a second unless the machine is busy: the bounds count the host's windows it spans.
        windows = size_t((spent - start) / std::chrono::seconds(1)) + 1;
        const size_t answers = first.answers + wrong.answers + burst.answers;
        const size_t challenges = first.challenges + wrong.challenges + burst.challenges;
        EXPECT_EQ(first.answers, 4u) << "second " << second;
        EXPECT_EQ(first.challenges, 2u) << "second " << second;
        EXPECT_EQ(wrong.answers + wrong.challenges, 2u) << "a query showing a wrong cookie is dropped";
        if (windows == 1) {
            EXPECT_EQ(wrong.answers, 0u) << "a query showing a wrong cookie is answered in full";
        }
        EXPECT_LE(answers, 4u * windows) << "answers to one address are not a few a second";
        EXPECT_GE(challenges, 1000u) << "no challenges once the answers are spent, second " << second;
        EXPECT_LE(challenges, 1024u * windows) << "challenges to one address are unbounded";
        EXPECT_GE(shown.answers, 4u) << "queries showing the cookie are answered from the others' budget, second "
                                     << second;
        EXPECT_LE(shown.answers, 4u * windows);
        EXPECT_EQ(shown.challenges, 0u) << "a query showing the cookie over its budget draws a challenge";
        EXPECT_LE(std::max({first.largestReply, burst.largestReply, shown.largestReply}), bytes.size());
    }
}

TEST(SessionBounds, QueriesForgedFromAJoinersAddressHideTheSessionBrieflyAndItTakesOnlyTheChallengeToItsQuery)
{
    using std::chrono::milliseconds;
    TestPlayer a(2);
    ASSERT_TRUE(a.Host({1, 0, 0, 0, 0}, 6, "a host with a long name"));
    HostQuery query;
    query.application = TestApplication();
    const std::vector<uint8_t> bytes = EncodeHostQuery(query);
    const auto oneQuery = [](NetSessionOptions& options) {
        options.enumAttempts = 1;
        options.enumTimeoutMs = 5000;
    };

    // Full-size queries forged from the joiner's IPv4 address, from another
    // port, at 100 a second: the joiner, sending one query alone, finds the
    // session by it (and the query the host's challenge draws).
    constexpr uint32_t JOINER = 10;
    TestPlayer joiner(JOINER, oneQuery);
    QueryFlood forged(a.Address(), {TestIp(JOINER), 0}, bytes, 100);
    const auto flooding = std::chrono::steady_clock::now();
    ASSERT_TRUE(Eventually([&] { return forged.Sent() >= 20; }));
    for (int attempt = 0; attempt < 3; ++attempt)
        EXPECT_TRUE(joiner.Find(a.Address())) << "forged queries hid the session from the joiner's query";
    // The forger's address gets a few answers a second, challenges
    // otherwise, never more bytes than it sent.
    ASSERT_TRUE(Eventually([&] { return forged.Sent() >= 200; }));
    const QueryOutcome reflected = forged.Replies();
    const auto seconds = std::chrono::duration_cast<milliseconds>(std::chrono::steady_clock::now() - flooding);
    EXPECT_GE(reflected.answers, 4u);
    EXPECT_LE(reflected.answers, 4u * size_t(seconds.count() / 1000 + 1)) << "over " << seconds.count() << " ms";
    EXPECT_GE(reflected.answers + reflected.challenges, forged.Sent() * 9 / 10) << "no challenges to the rest";
    EXPECT_LE(reflected.largestReply, bytes.size());
    EXPECT_LE(reflected.bytes * 5, forged.SentBytes()) << "more than a fifth of the bytes reflected";

    // A host played by a plain socket: a challenge with another nonce, from
    // another address or port than the one asked, or with bytes after its
    // cookie draws no query and gives no cookie; each of the others draws a
    // query showing its own, four at most.
    const NetAddress fake = {TestIp(12), TEST_PORT};
    const int host = BindUdp(fake.ip, fake.port), elsewhere = BindUdp(TestIp(13), TEST_PORT),
              otherPort = BindUdp(fake.ip, 0);
    ASSERT_GE(std::min({host, elsewhere, otherPort}), 0);
    TestPlayer asking(14, oneQuery);
    std::atomic<bool> found{false};
    std::thread finding([&] { found = asking.Find(fake); });
    HostQuery asked, next;
    sockaddr_in from = {};
    const auto reply = [&](int fd, const std::vector<uint8_t>& datagram) {
        sendto(fd, datagram.data(), datagram.size(), 0, reinterpret_cast<const sockaddr*>(&from), sizeof from);
    };
    constexpr uint32_t COOKIE = 0x44444440;
    if (TakeQuery(host, &asked, &from, 5000)) {
        EXPECT_EQ(asked.cookie, 0u);
        reply(host, EncodeHostChallenge({asked.nonce ^ 1, 0x11111111}));
        reply(elsewhere, EncodeHostChallenge({asked.nonce, 0x22222222}));
        reply(otherPort, EncodeHostChallenge({asked.nonce, 0x33333333}));
        std::vector<uint8_t> trailing = EncodeHostChallenge({asked.nonce, 0x55555555});
        trailing.push_back(0);
        reply(host, trailing);
        for (uint32_t k = 0; k < 5; ++k)
            reply(host, EncodeHostChallenge({asked.nonce, COOKIE + k}));
        // An answer without the cookie: the challenges gave it.
        HostAnswer answer;
        answer.nonce = asked.nonce;
        answer.desc.application = TestApplication();
        reply(host, EncodeHostAnswer(answer));
    } else {
        ADD_FAILURE() << "the joiner sent no query";
    }
    finding.join();
    EXPECT_TRUE(found);
    // The joiner read every challenge before the answer.
    std::vector<uint32_t> shown;
    while (TakeQuery(host, &next, &from, 0)) {
        EXPECT_EQ(next.nonce, asked.nonce);
        shown.push_back(next.cookie);
    }
    EXPECT_EQ(shown, (std::vector<uint32_t>{COOKIE, COOKIE + 1, COOKIE + 2, COOKIE + 3}))
        << "the joiner followed a challenge with another nonce, from elsewhere or with trailing bytes, or a fifth";
    for (const int fd : {host, elsewhere, otherPort})
        close(fd);
}

TEST(SessionBounds, APlayerSendingFasterThanTheHandlerTakesIsDropped)
{
    TestPlayer a(2), b(3);
    ASSERT_TRUE(MakeSession({&a, &b}));
    std::atomic<bool> release{false};
    a.OnMessage([&](const NetMessage& message) {
        while (message.type == NetMessageType::RECEIVE && !release)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
    for (int i = 0; i < 3000; ++i)
        ASSERT_TRUE(b.Session().SendTo(NET_ALL_PLAYERS, "flood", 5, true));
    const bool dropped = b.WaitForEvent(NetMessageType::DESTROY_PLAYER, a.Id(), std::chrono::milliseconds(15000));
    release = true;
    EXPECT_TRUE(dropped) << "the host kept the flooding player";
    ASSERT_TRUE(a.WaitForEvent(NetMessageType::DESTROY_PLAYER, b.Id()));
    EXPECT_LT(a.Received(b.Id()).size(), 3000u);
}

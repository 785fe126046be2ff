#pragma once
// Players of loopback sessions inside one test process: each has its own
// session on its own 127.x.y.N address and records what its handler is given.

#include "backend/net/ForgedDatagrams.h"
#include "backend/net/NetSession.h"
#include "backend/net/SessionLink.h"
#include "backend/net/SessionPackets.h"

#include <enet/enet.h>
#include <netinet/in.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace nettest {

using namespace backend;

struct Event {
    NetMessageType type = NetMessageType::RECEIVE;
    uint32_t playerId = 0;
    NetDestroyReason reason = NET_DESTROY_NORMAL;
    std::vector<uint8_t> data;
    NetPlayerInfo info; // CREATE_PLAYER: what GetPeerInfo gave inside the handler
    bool infoKnown = false;
    std::thread::id thread;
};

constexpr uint16_t TEST_PORT = 5102;

size_t CountOf(const std::vector<Event>& events, NetMessageType type);

// 127.a.b.n with a.b from the process id, so that test processes running side
// by side never share an address.
uint32_t TestIp(uint32_t n);
// The lines of a session's log about datagrams or links from 127.x.y.n.
std::vector<std::string> LinesFrom(const std::string& log, uint32_t n);
NetSessionOptions TestOptions(uint32_t n);
// The test options of player n with `change` made to them.
using OptionsChange = std::function<void(NetSessionOptions&)>;
NetSessionOptions TestOptions(uint32_t n, const OptionsChange& change);
NetGuid TestApplication(uint8_t seed = 1);

class TestPlayer {
public:
    explicit TestPlayer(uint32_t n, NetSessionOptions options);
    explicit TestPlayer(uint32_t n) : TestPlayer(n, TestOptions(n)) {}
    TestPlayer(uint32_t n, const OptionsChange& change) : TestPlayer(n, TestOptions(n, change)) {}

    NetSession& Session() { return *session; }
    NetAddress Address() const { return {TestIp(n), TEST_PORT}; }
    uint32_t Id() { return session->LocalPlayerId(); }

    bool Host(const std::vector<uint8_t>& appData, uint32_t maxPlayers = 6, const std::string& name = "host");
    // Finds the session at `host` and joins it.
    bool Join(TestPlayer& host, const std::string& name = "joiner") { return JoinAt(host.Address(), name); }
    bool JoinAt(const NetAddress& host, const std::string& name = "joiner");
    bool Find(const NetAddress& at, const NetGuid& application = TestApplication());
    NetAppDesc Found();

    // Waits (at most 5 s) until the events satisfy `done`.
    bool WaitFor(const std::function<bool(const std::vector<Event>&)>& done,
                 std::chrono::milliseconds limit = std::chrono::milliseconds(5000));
    // Waits until the events satisfy `done` for as long as the handler keeps
    // being given some: false once none came for `quiet`.
    bool WaitWhileHeard(const std::function<bool(const std::vector<Event>&)>& done, std::chrono::milliseconds quiet);
    // Waits (at most `limit`) until the handler has seen `count` events of `type`.
    bool WaitForCount(NetMessageType type, size_t count,
                      std::chrono::milliseconds limit = std::chrono::milliseconds(5000));
    // Waits (at most `limit`) until the handler has seen an event of `type` about `playerId`.
    bool WaitForEvent(NetMessageType type, uint32_t playerId,
                      std::chrono::milliseconds limit = std::chrono::milliseconds(5000));
    std::vector<Event> Events();
    std::vector<Event> Received(uint32_t from = 0);
    size_t Count(NetMessageType type) { return CountOf(Events(), type); }
    // Called inside the handler before the event is recorded.
    void OnMessage(std::function<void(const NetMessage&)> hook);

private:
    bool Handle(const NetMessage& message);

    uint32_t n;
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<Event> events;
    NetAppDesc found;
    std::function<void(const NetMessage&)> hook;
    std::unique_ptr<NetSession> session;
};

bool HasEvent(const std::vector<Event>& events, NetMessageType type, uint32_t playerId);
// Waits until the player's handler has seen `count` players created.
bool SawCreated(TestPlayer& player, size_t count);
// The first hosts, the others join in turn, and each has seen all of them.
bool MakeSession(std::initializer_list<TestPlayer*> players);
// The start slot machine `at` gives player `id`: its playersBefore there, UINT32_MAX when unknown there.
uint32_t SlotAt(TestPlayer& at, uint32_t id);
// Every machine of `grid` puts each of its players on its place there, one to
// a slot; each of `newcomers` was told its own place as its join ended.
void ExpectGrid(const std::vector<TestPlayer*>& grid, const std::vector<TestPlayer*>& newcomers = {});
// Publishes `data` as `from`'s and waits until each of `at` shows it: what
// `from` sent them before on its links has then been taken.
bool Republished(TestPlayer& from, const std::vector<uint8_t>& data, const std::vector<TestPlayer*>& at);
// Polls `condition` until it holds, at most `limit`.
bool Eventually(const std::function<bool()>& condition,
                std::chrono::milliseconds limit = std::chrono::milliseconds(5000));

} // namespace nettest

namespace nettest {

// A stranger that speaks ENet, and our frames when it wants to: `links` links
// from its own 127.x.y.n address (on `port`, 0: any), pumped by the test turn
// by turn.
class RawClient {
public:
    RawClient(uint32_t n, size_t links, uint16_t port = 0);
    ~RawClient();
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;

    // Drops everything that arrives from now on: links it opens stay half-open.
    void Deafen() { host->intercept = DropAll; }
    // Sends no checksum, as copies of formats before 7 did.
    void SendNoChecksum() { host->checksum = nullptr; }
    // Opens every link to `to`, each with `data` as its connect data; drops
    // the links it had first.
    void ConnectAll(const NetAddress& to, uint32_t data);
    // Opens link `link` alone to `to`, dropping what it had; the connect goes
    // at the next Pump or Flush. ITS_COOKIE asks `to` for its cookie first.
    void Connect(size_t link, const NetAddress& to, uint32_t data = SESSION_PROTOCOL_MAGIC);
    // Whose sessions ITS_COOKIE asks for (the kit's test application by default).
    void AskFor(const NetGuid& application) { asked = application; }
    // Sends what waits without taking what came.
    void Flush() { enet_host_flush(host); }
    // The socket of all its links, for datagrams sent as if from them.
    int Socket() const { return host->socket; }
    // From now on Pump opens again at once every link that closes.
    void Reopen() { reopen = true; }
    // Pump calls this with each link that comes up.
    void OnConnect(std::function<void(size_t link)> call) { onConnect = std::move(call); }
    bool Open(size_t link) const;
    // Takes the next control frame of `kind` that came and no earlier call took.
    bool TakeFrame(ControlKind kind, ControlFrame* frame);
    // Pumps until TakeFrame takes one (at most `turns` rounds).
    bool NextFrame(ControlKind kind, int turns, ControlFrame* frame);
    // Services for `turns` rounds of at most 5 ms each; stops early once
    // `done` holds.
    void Pump(int turns, const std::function<bool()>& done = {});
    // Pumps until every link is up (at most `turns` rounds).
    bool AllConnected(int turns);
    void Send(size_t link, const ControlFrame& frame);
    // Leaves on `link`, saying `data`, once what was sent on it is delivered.
    void Leave(size_t link, uint32_t data = 0);
    // Links other players opened to it, in the order they came up.
    size_t Incoming() const { return incoming.size(); }
    // The data of the connect that opened incoming link `index`.
    uint32_t IncomingData(size_t index) const { return incomingData.at(index); }
    void SendIncoming(size_t index, const ControlFrame& frame);
    // Breaks incoming link `index` at once, saying `data`.
    void CloseIncoming(size_t index, uint32_t data = 0);
    void SendBytes(size_t link, const std::vector<uint8_t>& bytes, uint8_t channel);
    size_t Connected() const { return connected; }
    // Datagrams that came to its socket.
    uint32_t ReceivedDatagrams() const { return host->totalReceivedPackets; }
    size_t Closed() const { return closed; }
    // Control frames received, raw.
    const std::vector<std::vector<uint8_t>>& Frames() const { return frames; }

private:
    static int ENET_CALLBACK DropAll(ENetHost*, ENetEvent*) { return 1; }
    void Opened(ENetPeer* peer, uint32_t data);
    void Reopened(ENetPeer* peer);

    uint32_t n;
    NetGuid asked = TestApplication();
    ENetHost* host = nullptr;
    std::vector<ENetPeer*> peers;
    std::vector<std::pair<ENetAddress, uint32_t>> targets; // where each link goes, with its connect data
    bool reopen = false;
    std::function<void(size_t link)> onConnect;
    size_t framesTaken = 0;
    size_t connected = 0;
    size_t closed = 0;
    std::vector<std::vector<uint8_t>> frames;
    std::vector<ENetPeer*> incoming;
    std::vector<uint32_t> incomingData;
};

// Connect data that stands for the host's cookie for the client's address,
// which the kit asks the host for first.
constexpr uint32_t ITS_COOKIE = 0;

ControlFrame HelloPeerFrame(const NetGuid& instance, uint32_t id, uint64_t token);
// A joiner's first word to the host, as "raw" with `data`.
ControlFrame HelloFrame(const NetAppDesc& desc, const std::vector<uint8_t>& data);
// Opens link `link` to `host`, showing the host's cookie for its address,
// and says a joiner's first word, HELLO, on it, as "raw" with `data`.
void OpenAndHello(RawClient& raw, size_t link, const NetAddress& host, const NetAppDesc& desc,
                  const std::vector<uint8_t>& data);
// A newcomer's word on the players that did not answer it.
ControlFrame UnansweredFrame(const std::vector<uint32_t>& ids);
// Is admitted by the host at `host` like any player, on link 0 with `data`
// as its connect data, taking the answer to its connect `lateMs` after
// sending it, and links nobody; false when any step fails. The host's welcome
// in `welcome`.
bool AdmitAsPlayer(RawClient& raw, const NetAddress& host, const NetAppDesc& desc, ControlFrame* welcome,
                   uint32_t data = ITS_COOKIE, int lateMs = 0);
// The cookie the answer of the host at `host` gives a query from 127.x.y.n; 0
// when none came.
uint32_t QueryCookie(uint32_t n, const NetAddress& host, const NetGuid& application = TestApplication());
// True when a cookie came and is not the one a host whose key is all zero
// gives 127.x.y.n now.
bool KeyedCookie(uint32_t n, uint32_t cookie);
// The epoch of the hosts' cookies now, on the session's clock: worked out
// here, apart from the host's own, so that a fault in that shows.
uint32_t CookieEpochNow();
// Returns once the session's clock is in `epoch` or later.
void AwaitCookieEpoch(uint32_t epoch);
// The cookie the host at `host` gives 127.x.y.n, asked for again until it
// came within one epoch, which `epoch` is.
uint32_t QueryCookieOfOneEpoch(uint32_t n, const NetAddress& host, uint32_t* epoch);
// Strangers fill the sixteen places of links waiting at `at`: eight connects
// from 127.x.y.n never completed, then eight links from n + 1 that come up and
// never say who they are; then a connect from n + 2 spends that address's
// right to close the oldest. True when all of it went as at a session no
// connect came to before: the links from n + 1 and n + 2 came up and none of
// them was closed.
// At the host (AT_HOST), every connect shows its address's cookie.
constexpr bool AT_HOST = true;
bool FillWaitingPlaces(const NetAddress& at, uint32_t n, bool atHost = false);
// Connects, as the game's joiner does, to every player but the host that
// `welcome` lists and that is not in `leftOut`, at once on links 1 on.
void ConnectListed(RawClient& raw, const ControlFrame& welcome, const std::vector<uint32_t>& leftOut = {});
// Then says hello on each link as it comes up: the players that did not
// answer within `turns`.
std::vector<uint32_t> AnswerListed(RawClient& raw, const ControlFrame& welcome, const NetGuid& instance,
                                   const std::vector<uint32_t>& leftOut = {}, int turns = 1000);
// Both, taking the answers to its connects `lateMs` after sending them.
std::vector<uint32_t> LinkListed(RawClient& raw, const ControlFrame& welcome, const NetGuid& instance, int lateMs);
// Joins the session `desc` describes at `host` like any player, on link 0,
// then links every other player it lists but those in `leftOut` on links 1 on;
// false when any step fails. The host's welcome in `welcome`.
bool JoinAsPlayer(RawClient& raw, const NetAddress& host, const NetAppDesc& desc, ControlFrame* welcome,
                  const std::vector<uint32_t>& leftOut = {});

// ip:port as the socket calls take it.
sockaddr_in SocketAddress(uint32_t ip, uint16_t port);
// A plain UDP socket bound to ip:port (port 0: any), or -1.
int BindUdp(uint32_t ip, uint16_t port);

// Sends each of `datagrams` to `to` from `fd`, a few at a time, so that none
// is lost to a full receive buffer.
void SendPaced(int fd, const NetAddress& to, const std::vector<std::vector<uint8_t>>& datagrams);

// Forwards UDP between one client, which sends to Front(), and `back`, losing
// `loss` of the datagrams each way and delaying the rest by `delay`. Each
// side sees the relay at the other's address: datagrams sent from it are
// forged from there.
class UdpRelay {
public:
    UdpRelay(uint32_t n, const NetAddress& back, double loss, std::chrono::milliseconds delay);
    ~UdpRelay();
    UdpRelay(const UdpRelay&) = delete;
    UdpRelay& operator=(const UdpRelay&) = delete;

    NetAddress Front(uint32_t n) const { return {TestIp(n), TEST_PORT}; }
    // To the client as if from `back`, and to `back` as if from the client.
    void ForgeToClient(const std::vector<std::vector<uint8_t>>& datagrams);
    void ForgeToBack(const std::vector<std::vector<uint8_t>>& datagrams);

private:
    struct Held {
        std::chrono::steady_clock::time_point due;
        int fd;
        sockaddr_in to;
        std::vector<uint8_t> bytes;
    };

    void Take(int from, int via, bool toBack);
    void Run();

    NetAddress back;
    double loss;
    std::chrono::milliseconds delay;
    std::mt19937 random;
    int front = -1, rear = -1;
    std::mutex clientMutex;
    sockaddr_in client = {};
    std::deque<Held> held;
    std::atomic<bool> stop{false};
    std::thread worker;
};

// Connects that are never completed, each a new link, sent to `to` at
// `perSecond` from each socket until destroyed.
class ConnectFlood {
public:
    // From `addresses` addresses of its own, 127.x.y.z apart from every
    // player's of this process, which start one after another over `spread`.
    ConnectFlood(const NetAddress& to, size_t addresses, int perSecond, std::chrono::milliseconds spread);
    // From a socket of its own bound to `from` (port 0: any).
    ConnectFlood(const NetAddress& to, const NetAddress& from, int perSecond);
    // From `socket`, which stays the caller's.
    ConnectFlood(const NetAddress& to, int socket, int perSecond);
    ~ConnectFlood();
    ConnectFlood(const ConnectFlood&) = delete;
    ConnectFlood& operator=(const ConnectFlood&) = delete;

    uint64_t Sent() const { return sent; }
    // Datagrams that came back to its own sockets: the answers to the connects
    // the other side took.
    uint64_t Answered() const { return answered; }

private:
    void Start(const NetAddress& to, int perSecond, std::chrono::milliseconds spread);

    std::vector<int> sockets;
    size_t owned = 0; // the first `owned` sockets are closed with it
    std::atomic<bool> stop{false};
    std::atomic<uint64_t> sent{0};
    std::atomic<uint64_t> answered{0};
    std::thread worker;
};

// The host's replies to discovery queries, read from a plain UDP socket.
struct QueryOutcome {
    size_t answers = 0; // full answers
    size_t challenges = 0;
    size_t others = 0; // anything else
    size_t largestReply = 0;
    uint64_t bytes = 0;                // of every reply
    uint32_t cookie = 0;               // the last a reply gave
    std::chrono::milliseconds took{0}; // from the first copy sent to the last
};
// Sends `count` copies of `query` to `to` from 127.x.y.n, a few at a time and
// taking the replies in between, then `answered` (a query the host replies
// to) from another address; counts the replies to the copies once that last
// one has its reply (at most 5 s).
QueryOutcome SendQueries(uint32_t n, const NetAddress& to, const std::vector<uint8_t>& query, int count,
                         const std::vector<uint8_t>& answered);

// Sends a discovery query to `to` from 127.x.y.n, then runs `then`, which must
// wait until `to` takes a datagram sent after the query (a player reads its
// datagrams in order); the replies to the query that came by then.
QueryOutcome RepliesBefore(uint32_t n, const NetAddress& to, const std::function<void()>& then);

// Plain UDP sockets on `count` addresses of their own, 127.x.y.z apart from
// every player's of this process: a crowd of askers.
class QueryCrowd {
public:
    explicit QueryCrowd(size_t count);
    ~QueryCrowd();
    QueryCrowd(const QueryCrowd&) = delete;
    QueryCrowd& operator=(const QueryCrowd&) = delete;

    // Sends `query` to `to` once from each address, showing the cookie the
    // address was last given when `withCookie`, sixteen at a time, each batch
    // once the replies to the last came (at most 1 s a batch).
    void Ask(const NetAddress& to, HostQuery query, bool withCookie);
    // The replies every address was given.
    QueryOutcome Replies() const;
    // The addresses that were given a cookie.
    size_t Cookies() const;

private:
    std::vector<int> sockets;
    std::vector<QueryOutcome> replies; // of each address
};

// Copies of `query` sent to `to` at `perSecond` from a plain UDP socket of
// its own bound to `from` (port 0: any) until destroyed; it counts the
// replies that come back to that socket.
class QueryFlood {
public:
    QueryFlood(const NetAddress& to, const NetAddress& from, const std::vector<uint8_t>& query, int perSecond);
    ~QueryFlood();
    QueryFlood(const QueryFlood&) = delete;
    QueryFlood& operator=(const QueryFlood&) = delete;

    uint64_t Sent() const { return sent; }
    uint64_t SentBytes() const { return sent * query.size(); }
    QueryOutcome Replies();

private:
    int fd = -1;
    std::vector<uint8_t> query;
    std::mutex mutex;
    QueryOutcome replies;
    std::atomic<bool> stop{false};
    std::atomic<uint64_t> sent{0};
    std::thread worker;
};

} // namespace nettest

namespace nettest {

// Pumps the clients a round each, `turns` times; stops early once `done` holds.
void PumpAll(const std::vector<RawClient*>& clients, int turns, const std::function<bool()>& done = {});

// What HelloAnswer gives when the host said nothing.
constexpr int NO_ANSWER = -1;
// Opens link `link` to `host` and says HELLO for the session `desc` describes,
// as a player with `data`: the reason of the REJECT it gets, 0 when welcomed.
int HelloAnswer(RawClient& raw, size_t link, const NetAddress& host, const NetAppDesc& desc,
                const std::vector<uint8_t>& data);

} // namespace nettest

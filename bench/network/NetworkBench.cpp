// Network figures on loopback, printed as tables:
//  1. traffic of a six-player race: every player sends the game's messages at
//     the game's pace (60 turns a second: its moped's state every 10th turn,
//     its controls when they change, taken as every 8th turn, and the host's
//     clock every 15th), for 20 s; bytes and datagrams per second per player;
//  2. the time a message spends in the session layer: a ping-pong between two
//     sessions against the same between two bare ENet hosts, each answered as
//     soon as it arrives; half the difference of the round trips is what the
//     layer adds to one message;
//  3. the time from a host vanishing (no normal leave) to each survivor's
//     host-migrate message, with the game's link time-outs;
//  4. a stranger's connects that are never acknowledged, from a number of
//     addresses at a rate or forged from each newcomer's own address, against
//     the host or a player: whether newcomers that acknowledge their answer
//     late get in, whether the game's joiner joins at its first try and
//     whether anybody is removed;
//  5. discovery queries against the host: the bytes a sweep from many
//     addresses gets back, what one address aimed at by forged queries gets
//     while many others ask, and whether and how soon the game's joiner finds
//     the session under queries forged from its own address;
//  6. the time the game's joiner takes to join, with the cookie of its
//     search's answer and with one it fetches again.
// Arguments name the parts to run ("traffic latency migration flood
// discovery join"); none runs them all.

#include "backend/net/ForgedDatagrams.h"
#include "backend/net/NetSession.h"
#include "backend/net/SessionLink.h"
#include "backend/net/SessionPackets.h"
#include "network/NetworkPeer.h"
#include "race/GameMessages.h"

#include <enet/enet.h>

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <random>
#include <set>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace backend;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int PLAYERS = 6;
constexpr int TURN_US = 16667;
constexpr int TRAFFIC_SECONDS = 20;
constexpr int ROUND_TRIPS = 2000;
constexpr int MIGRATIONS = 3;
// IPv4 and UDP headers of each datagram.
constexpr uint64_t IP_UDP_HEADER = 28;

uint32_t BenchIp(uint32_t n)
{
    const uint32_t pid = static_cast<uint32_t>(getpid());
    return (127u << 24) | ((pid >> 8) & 0xFF) << 16 | (pid & 0xFF) << 8 | (n & 0xFF);
}

double Percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(p * double(values.size())))];
}

// A player with its own session on its own address; counts what reaches it.
struct Player {
    explicit Player(uint32_t n, const NetSessionOptions& base = {}) : address{BenchIp(n), uint16_t(NETWORK_PORT)}
    {
        NetSessionOptions options = base;
        options.bindIp = address.ip;
        options.enumTimeoutMs = 1000;
        session = std::make_unique<NetSession>([this](const NetMessage& m) { return Handle(m); }, options);
    }

    bool Handle(const NetMessage& message)
    {
        std::lock_guard lock(mutex);
        if (message.type == NetMessageType::ENUM_HOSTS_RESPONSE)
            found = *message.desc;
        if (message.type == NetMessageType::RECEIVE)
            ++received;
        if (message.type == NetMessageType::DESTROY_PLAYER)
            destroyed.push_back(message.playerId);
        if (message.type == NetMessageType::HOST_MIGRATE && migratedAt == Clock::time_point())
            migratedAt = Clock::now();
        if (onReceive && message.type == NetMessageType::RECEIVE)
            onReceive(message);
        return true;
    }

    bool Host()
    {
        NetAppDesc desc;
        desc.application = g_ApplicationGuid;
        desc.sessionName = SESSION_NAME;
        desc.maxPlayers = MAX_SESSION_PLAYERS;
        desc.appData = {1, 3, 0, 0, 0};
        session->SetPeerInfo("Host", {0, 0, 0, 0});
        return session->Host(desc, uint16_t(NETWORK_PORT));
    }

    bool Join(const Player& host, uint8_t order)
    {
        if (!session->EnumHosts(g_ApplicationGuid, host.address))
            return false;
        NetAppDesc desc;
        {
            std::lock_guard lock(mutex);
            desc = found;
        }
        session->SetPeerInfo("Player" + std::to_string(order), {order, 0, 0, 0});
        return session->Connect(desc, host.address);
    }

    NetAddress address;
    std::mutex mutex;
    NetAppDesc found;
    uint64_t received = 0;
    std::vector<uint32_t> destroyed;
    Clock::time_point migratedAt;
    std::function<void(const NetMessage&)> onReceive;
    std::unique_ptr<NetSession> session;
};

bool MakeSession(std::vector<std::unique_ptr<Player>>& players, uint32_t firstAddress,
                 const NetSessionOptions& options = {})
{
    for (int i = 0; i < PLAYERS; ++i)
        players.push_back(std::make_unique<Player>(firstAddress + uint32_t(i), options));
    if (!players[0]->Host())
        return false;
    for (int i = 1; i < PLAYERS; ++i)
        if (!players[size_t(i)]->Join(*players[0], uint8_t(i)))
            return false;
    return true;
}

void Traffic()
{
    std::vector<std::unique_ptr<Player>> players;
    if (!MakeSession(players, 1)) {
        std::printf("Traffic: the six-player session could not be made\n");
        return;
    }
    std::vector<NetTrafficStats> before;
    for (const auto& player : players)
        before.push_back(player->session->GetTrafficStats());
    uint8_t state[MOPED_STATE_MESSAGE_SIZE] = {GAME_MESSAGE_MOPED_STATE};
    uint8_t control[CONTROL_MESSAGE_SIZE] = {GAME_MESSAGE_CONTROL};
    uint8_t sync[TIME_SYNC_MESSAGE_SIZE] = {GAME_MESSAGE_TIME_SYNC};
    uint64_t sentMessages = 0;
    const auto start = Clock::now();
    const int turns = TRAFFIC_SECONDS * 1000000 / TURN_US;
    for (int turn = 0; turn < turns; ++turn) {
        for (int p = 0; p < PLAYERS; ++p) {
            NetSession& session = *players[size_t(p)]->session;
            // The players' turns are not in step: each has its own phase.
            if ((turn + p) % 10 == 0) {
                session.SendTo(NET_ALL_PLAYERS, state, sizeof state, false);
                ++sentMessages;
            }
            if ((turn + p) % 8 == 0) {
                control[1] = uint8_t(turn / 8 % 3);
                session.SendTo(NET_ALL_PLAYERS, control, sizeof control, false);
                ++sentMessages;
            }
            if (p == 0 && turn % 15 == 0) {
                session.SendTo(NET_ALL_PLAYERS, sync, sizeof sync, false);
                ++sentMessages;
            }
        }
        std::this_thread::sleep_until(start + std::chrono::microseconds(int64_t(turn + 1) * TURN_US));
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    std::printf("\n1. Six-player loopback race, %d s at 60 turns/s (goal: at most 10 KB/s per player)\n",
                TRAFFIC_SECONDS);
    std::printf("%-8s | %12s | %12s | %14s | %12s | %12s | %10s\n", "player", "sent KB/s", "sent dgram/s",
                "sent KB/s+IP", "recv KB/s", "recv dgram/s", "msgs recv");
    uint64_t received = 0;
    for (int p = 0; p < PLAYERS; ++p) {
        const NetTrafficStats after = players[size_t(p)]->session->GetTrafficStats();
        const NetTrafficStats& b = before[size_t(p)];
        const double sentBytes = double(after.sentBytes - b.sentBytes);
        const double sentDatagrams = double(after.sentDatagrams - b.sentDatagrams);
        const double receivedBytes = double(after.receivedBytes - b.receivedBytes);
        const double receivedDatagrams = double(after.receivedDatagrams - b.receivedDatagrams);
        uint64_t messages = 0;
        {
            std::lock_guard lock(players[size_t(p)]->mutex);
            messages = players[size_t(p)]->received;
        }
        received += messages;
        std::printf("%-8s | %12.2f | %12.1f | %14.2f | %12.2f | %12.1f | %10llu\n", p == 0 ? "host" : "joiner",
                    sentBytes / seconds / 1024.0, sentDatagrams / seconds,
                    (sentBytes + sentDatagrams * IP_UDP_HEADER) / seconds / 1024.0, receivedBytes / seconds / 1024.0,
                    receivedDatagrams / seconds, (unsigned long long)messages);
    }
    std::printf("messages sent %llu (each to 5 players: %llu deliveries), delivered %llu\n",
                (unsigned long long)sentMessages, (unsigned long long)sentMessages * 5, (unsigned long long)received);
    for (const auto& player : players)
        player->session->Close();
}

// Round trips through two sessions: A sends, B answers from its handler.
std::vector<double> SessionRoundTrips(bool guaranteed, size_t size)
{
    Player a(21), b(22);
    if (!a.Host() || !b.Join(a, 1))
        return {};
    std::mutex mutex;
    std::condition_variable answered;
    uint64_t answers = 0;
    b.onReceive = [&](const NetMessage& m) { b.session->SendTo(m.playerId, m.data, m.size, guaranteed); };
    a.onReceive = [&](const NetMessage&) {
        std::lock_guard lock(mutex);
        ++answers;
        answered.notify_all();
    };
    std::vector<uint8_t> message(size, 0);
    std::vector<double> trips;
    for (int i = 0; i < ROUND_TRIPS; ++i) {
        const auto sent = Clock::now();
        a.session->SendTo(NET_ALL_PLAYERS, message.data(), message.size(), guaranteed);
        std::unique_lock lock(mutex);
        if (!answered.wait_for(lock, std::chrono::seconds(2), [&] { return answers == uint64_t(i + 1); }))
            break;
        trips.push_back(std::chrono::duration<double, std::micro>(Clock::now() - sent).count());
    }
    a.onReceive = nullptr;
    b.onReceive = nullptr;
    b.session->Close();
    a.session->Close();
    return trips;
}

// The same between two bare ENet hosts, each serviced by its own thread.
std::vector<double> EnetRoundTrips(bool guaranteed, size_t size)
{
    ENetAddress addressA{htonl(BenchIp(31)), 5200}, addressB{htonl(BenchIp(32)), 5200};
    ENetHost* hostA = enet_host_create(&addressA, 2, 2, 0, 0);
    ENetHost* hostB = enet_host_create(&addressB, 2, 2, 0, 0);
    std::vector<double> trips;
    if (hostA == nullptr || hostB == nullptr)
        return trips;
    std::atomic<bool> stop{false};
    std::thread echo([&] {
        ENetEvent event;
        while (!stop) {
            if (enet_host_service(hostB, &event, 5) <= 0 || event.type != ENET_EVENT_TYPE_RECEIVE)
                continue;
            ENetPacket* packet = enet_packet_create(event.packet->data, event.packet->dataLength,
                                                    guaranteed ? ENET_PACKET_FLAG_RELIABLE : 0);
            enet_packet_destroy(event.packet);
            enet_peer_send(event.peer, 0, packet);
            enet_host_flush(hostB);
        }
    });
    ENetPeer* peer = enet_host_connect(hostA, &addressB, 2, 0);
    ENetEvent event;
    const auto deadline = Clock::now() + std::chrono::seconds(3);
    bool connected = false;
    while (!connected && Clock::now() < deadline)
        connected = enet_host_service(hostA, &event, 10) > 0 && event.type == ENET_EVENT_TYPE_CONNECT;
    std::vector<uint8_t> message(size, 0);
    for (int i = 0; connected && i < ROUND_TRIPS; ++i) {
        const auto sent = Clock::now();
        enet_peer_send(peer, 0,
                       enet_packet_create(message.data(), message.size(), guaranteed ? ENET_PACKET_FLAG_RELIABLE : 0));
        enet_host_flush(hostA);
        bool back = false;
        const auto limit = Clock::now() + std::chrono::seconds(2);
        while (!back && Clock::now() < limit) {
            if (enet_host_service(hostA, &event, 5) > 0 && event.type == ENET_EVENT_TYPE_RECEIVE) {
                enet_packet_destroy(event.packet);
                back = true;
            }
        }
        if (!back)
            break;
        trips.push_back(std::chrono::duration<double, std::micro>(Clock::now() - sent).count());
    }
    stop = true;
    echo.join();
    enet_host_destroy(hostA);
    enet_host_destroy(hostB);
    return trips;
}

void Latency()
{
    std::printf("\n2. One message through the session layer on loopback (goal: under 1 ms added to ENet's own), "
                "%d round trips each\n",
                ROUND_TRIPS);
    std::printf("%-26s | %14s | %14s | %14s | %14s | %16s\n", "message", "ours p50 us", "ours p99 us", "ENet p50 us",
                "ENet p99 us", "added p50/p99 us");
    struct Case {
        const char* name;
        bool guaranteed;
        size_t size;
    };
    for (const Case& c : {Case{"state, 93 B, unguaranteed", false, MOPED_STATE_MESSAGE_SIZE},
                          Case{"finished, 5 B, guaranteed", true, FINISHED_MESSAGE_SIZE}}) {
        const std::vector<double> ours = SessionRoundTrips(c.guaranteed, c.size);
        const std::vector<double> bare = EnetRoundTrips(c.guaranteed, c.size);
        std::printf("%-26s | %14.1f | %14.1f | %14.1f | %14.1f | %7.1f / %6.1f  (%zu/%zu trips)\n", c.name,
                    Percentile(ours, 0.5), Percentile(ours, 0.99), Percentile(bare, 0.5), Percentile(bare, 0.99),
                    (Percentile(ours, 0.5) - Percentile(bare, 0.5)) / 2,
                    (Percentile(ours, 0.99) - Percentile(bare, 0.99)) / 2, ours.size(), bare.size());
    }
}

// One host vanishing; the `silent` earliest joiners stay linked but say
// nothing, and the others' times are measured.
void MigrationRun(const std::string& label, uint32_t firstAddress, size_t silent)
{
    const NetSessionOptions game;
    std::vector<std::unique_ptr<Player>> players;
    if (!MakeSession(players, firstAddress, game)) {
        std::printf("%-8s | the session could not be made\n", label.c_str());
        return;
    }
    // Traffic goes on as in a race, so the links are busy when the host goes.
    std::atomic<bool> stop{false};
    std::thread traffic([&] {
        uint8_t state[MOPED_STATE_MESSAGE_SIZE] = {GAME_MESSAGE_MOPED_STATE};
        for (int turn = 0; !stop; ++turn) {
            for (size_t p = 1; p < players.size(); ++p)
                if ((turn + int(p)) % 10 == 0)
                    players[p]->session->SendTo(NET_ALL_PLAYERS, state, sizeof state, false);
            std::this_thread::sleep_for(std::chrono::microseconds(TURN_US));
        }
    });
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const size_t firstMeasured = 1 + silent;
    for (size_t p = 1; p < firstMeasured; ++p)
        players[p]->session->Mute();
    const auto vanished = Clock::now();
    players[0]->session->Vanish();
    std::vector<double> ms;
    const auto deadline = vanished + std::chrono::seconds(silent > 0 ? 75 : 30);
    while (ms.size() < players.size() - firstMeasured && Clock::now() < deadline) {
        ms.clear();
        for (size_t p = firstMeasured; p < players.size(); ++p) {
            std::lock_guard lock(players[p]->mutex);
            if (players[p]->migratedAt != Clock::time_point())
                ms.push_back(std::chrono::duration<double, std::milli>(players[p]->migratedAt - vanished).count());
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    stop = true;
    traffic.join();
    std::sort(ms.begin(), ms.end());
    std::printf("%-8s | %10.0f | %10.0f | %10.0f | %6zu/%zu\n", label.c_str(), ms.empty() ? 0 : ms.front(),
                Percentile(ms, 0.5), ms.empty() ? 0 : ms.back(), ms.size(), players.size() - firstMeasured);
    for (size_t p = 1; p < players.size(); ++p)
        players[p]->session->Close();
}

void Migration()
{
    const NetSessionOptions game;
    std::printf(
        "\n3. Host vanishing in a six-player session, the game's link time-outs (%u..%u ms): time to each "
        "survivor's host-migrate message (\"N silent\": the N earliest joiners say nothing, the others' times)\n",
        game.linkTimeoutMinMs, game.linkTimeoutMaxMs);
    std::printf("%-8s | %10s | %10s | %10s | %9s\n", "run", "first ms", "median ms", "last ms", "survivors");
    for (int run = 0; run < MIGRATIONS; ++run)
        MigrationRun(std::to_string(run + 1), 41 + uint32_t(run) * 8, 0);
    MigrationRun("1 silent", 41 + uint32_t(MIGRATIONS) * 8, 1);
    MigrationRun("3 silent", 41 + uint32_t(MIGRATIONS + 1) * 8, 3);
}

// ENet's connect as a stranger sends it, its checksum included: a new link
// at each datagram, whose answer is never acknowledged (it names no link of
// an ENet host at the sender's address).
const size_t CONNECT_BYTES = nettest::ConnectDatagram(0).size();
constexpr int PROBES = 5;
constexpr int FORGED_PER_SECOND = 100;

// Sends connects to `to` at `perAddress` datagrams a second from each socket,
// until destroyed: from 127.x.y.z addresses of its own, one socket each, or
// from sockets it is given (a newcomer's own, or one on a newcomer's address).
class ConnectFlood {
public:
    ConnectFlood(int addresses, int perAddress, const NetAddress& to)
    {
        const uint32_t pid = static_cast<uint32_t>(getpid());
        for (int a = 0; a < addresses; ++a) {
            // 127.(200 + a / 250).(pid).(a % 250 + 1): apart from the players'.
            const int fd =
                Bind(127u << 24 | (200u + uint32_t(a) / 250) << 16 | (pid & 0xFF) << 8 | (uint32_t(a) % 250 + 1));
            if (fd >= 0)
                sockets.push_back(fd);
        }
        owned = sockets.size();
        // The addresses start one after another over the hello time, so that
        // the ones that may close a waiting link come evenly.
        Start(perAddress, to, std::chrono::milliseconds(NetSessionOptions().helloTimeoutMs));
    }
    ConnectFlood(std::vector<int> given, int perAddress, const NetAddress& to) : sockets(std::move(given))
    {
        Start(perAddress, to, std::chrono::milliseconds(0));
    }
    ~ConnectFlood()
    {
        stop = true;
        worker.join();
        for (size_t i = 0; i < owned; ++i)
            close(sockets[i]);
    }
    // A socket bound to `ip`, any port; -1 when it cannot be had.
    static int Bind(uint32_t ip)
    {
        const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK, 0);
        sockaddr_in local = {};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = htonl(ip);
        if (fd >= 0 && bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0)
            return fd;
        if (fd >= 0)
            close(fd);
        return -1;
    }
    uint64_t Sent() const { return sent; }
    size_t Addresses() const { return sockets.size(); }

private:
    void Start(int perAddress, const NetAddress& to, std::chrono::milliseconds spread)
    {
        target.sin_family = AF_INET;
        target.sin_addr.s_addr = htonl(to.ip);
        target.sin_port = htons(to.port);
        const auto period = std::chrono::microseconds(1000000LL / perAddress);
        worker = std::thread([this, period, spread] {
            std::mt19937 random(7);
            const Clock::time_point start = Clock::now();
            std::vector<Clock::time_point> due;
            for (size_t i = 0; i < sockets.size(); ++i)
                due.push_back(start + spread * i / sockets.size());
            while (!stop) {
                const Clock::time_point now = Clock::now();
                for (size_t i = 0; i < sockets.size(); ++i) {
                    if (now < due[i])
                        continue;
                    due[i] += period;
                    const std::vector<uint8_t> bytes = nettest::ConnectDatagram(uint32_t(random()));
                    if (sendto(sockets[i], bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&target),
                               sizeof target) == ssize_t(bytes.size()))
                        ++sent;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
    }

    std::vector<int> sockets;
    size_t owned = 0;
    sockaddr_in target = {};
    std::atomic<bool> stop{false};
    std::atomic<uint64_t> sent{0};
    std::thread worker;
};

void SendFrame(ENetPeer* peer, const ControlFrame& frame)
{
    const std::vector<uint8_t> bytes = EncodeControlFrame(frame);
    enet_peer_send(peer, 1, enet_packet_create(bytes.data(), bytes.size(), ENET_PACKET_FLAG_RELIABLE));
}

// Services `host` until `done` holds or `limitMs` passed; the control frames
// that came go to `frames`, and `connected` is called for each link that comes up.
void Service(ENetHost* host, int limitMs, const std::function<bool()>& done,
             const std::function<void(ENetPeer*)>& connected, std::vector<ControlFrame>* frames)
{
    const auto limit = Clock::now() + std::chrono::milliseconds(limitMs);
    ENetEvent event;
    while (!done() && Clock::now() < limit) {
        if (enet_host_service(host, &event, 5) <= 0)
            continue;
        if (event.type == ENET_EVENT_TYPE_CONNECT && connected) {
            connected(event.peer);
        } else if (event.type == ENET_EVENT_TYPE_RECEIVE) {
            ControlFrame frame;
            if (frames != nullptr && event.channelID == 1 &&
                DecodeControlFrame(event.packet->data, event.packet->dataLength, &frame))
                frames->push_back(frame);
            enet_packet_destroy(event.packet);
        }
    }
}

using EnetHostPtr = std::unique_ptr<ENetHost, decltype(&enet_host_destroy)>;

// A bare ENet host of a probe at bench address n, with room for `peers` links.
EnetHostPtr ProbeHost(uint32_t n, size_t peers)
{
    const ENetAddress local = {htonl(BenchIp(n)), 0};
    EnetHostPtr host(enet_host_create(&local, peers, 2, 0, 0), &enet_host_destroy);
    if (host != nullptr)
        ChecksumDatagrams(host.get());
    return host;
}

// Forged connects from the socket of a probe's host while it lives, after a
// head start that fills its address's places.
std::unique_ptr<ConnectFlood> ForgeFrom(ENetHost* host, const NetAddress& to)
{
    auto forged = std::make_unique<ConnectFlood>(std::vector<int>{host->socket}, FORGED_PER_SECOND, to);
    while (forged->Sent() < 20)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return forged;
}

// The cookie the host's answer gives a query from `ip`, as the game's joiner
// asks; SESSION_PROTOCOL_MAGIC when none came.
uint32_t QueryCookie(uint32_t ip, const NetAddress& to, const NetGuid& application)
{
    uint32_t data = SESSION_PROTOCOL_MAGIC;
    const int fd = ConnectFlood::Bind(ip);
    if (fd < 0)
        return data;
    const std::vector<uint8_t> query = EncodeHostQuery(HostQuery{application, 1});
    sockaddr_in target = {};
    target.sin_family = AF_INET;
    target.sin_addr.s_addr = htonl(to.ip);
    target.sin_port = htons(to.port);
    sendto(fd, query.data(), query.size(), 0, reinterpret_cast<const sockaddr*>(&target), sizeof target);
    pollfd wait = {fd, POLLIN, 0};
    uint8_t bytes[2048];
    HostAnswer answer;
    ssize_t size = 0;
    if (poll(&wait, 1, 1000) > 0 && (size = recv(fd, bytes, sizeof bytes, 0)) > 0 &&
        DecodeHostAnswer(bytes, size_t(size), &answer) && answer.cookie != 0)
        data = answer.cookie;
    close(fd);
    return data;
}

// A newcomer's first connect to the host, with the cookie of its query as
// the game's joiner does, which acknowledges the answer `delayMs` after
// sending it, then says hello for another game: true when it is turned away,
// that is, when its waiting link was not closed under it.
bool HostProbe(uint32_t n, const NetAddress& to, const NetAppDesc& desc, int delayMs, bool forge)
{
    const EnetHostPtr owned = ProbeHost(n, 1);
    ENetHost* host = owned.get();
    if (host == nullptr)
        return false;
    std::unique_ptr<ConnectFlood> forged = forge ? ForgeFrom(host, to) : nullptr;
    const ENetAddress target = {htonl(to.ip), to.port};
    OpenLink(host, target, 2, QueryCookie(BenchIp(n), to, desc.application));
    enet_host_flush(host);
    std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
    std::vector<ControlFrame> frames;
    Service(
        host, 1000, [&] { return !frames.empty(); },
        [&](ENetPeer* peer) {
            ControlFrame hello;
            hello.kind = ControlKind::HELLO;
            hello.instance = desc.instance;
            hello.member.name = "probe";
            SendFrame(peer, hello);
        },
        &frames);
    forged.reset();
    return !frames.empty();
}

// A newcomer as the game's joiner is: admitted by the host, it connects to
// the player with its tag and acknowledges the answer `delayMs` after sending
// it; true when the player answered its hello. It names a player that did
// not to the host, as the game's joiner does, then leaves.
bool PlayerProbe(uint32_t n, const NetAddress& hostAddress, const NetAddress& player, const NetAppDesc& desc,
                 int delayMs, bool forge)
{
    const EnetHostPtr owned = ProbeHost(n, 2);
    ENetHost* host = owned.get();
    if (host == nullptr)
        return false;
    std::unique_ptr<ConnectFlood> forged = forge ? ForgeFrom(host, player) : nullptr;
    const ENetAddress toHost = {htonl(hostAddress.ip), hostAddress.port};
    ENetPeer* hostPeer = OpenLink(host, toHost, 2, QueryCookie(BenchIp(n), hostAddress, desc.application));
    std::vector<ControlFrame> frames;
    const auto has = [&](ControlKind kind) {
        return std::any_of(frames.begin(), frames.end(), [&](const ControlFrame& f) { return f.kind == kind; });
    };
    Service(
        host, 1000, [&] { return has(ControlKind::WELCOME) || has(ControlKind::REJECT); },
        [&](ENetPeer* peer) {
            ControlFrame hello;
            hello.kind = ControlKind::HELLO;
            hello.application = desc.application;
            hello.instance = desc.instance;
            hello.member.name = "probe";
            SendFrame(peer, hello);
        },
        &frames);
    const auto welcome = std::find_if(frames.begin(), frames.end(),
                                      [](const ControlFrame& f) { return f.kind == ControlKind::WELCOME; });
    bool answered = false;
    const ListedMember* listed = nullptr;
    if (welcome != frames.end())
        for (const ListedMember& member : welcome->listed)
            if (member.record.address.ip == player.ip && member.record.address.port == player.port)
                listed = &member;
    if (listed != nullptr) {
        const ControlFrame admitted = *welcome;
        const ListedMember target = *listed;
        const ENetAddress toPlayer = {htonl(player.ip), player.port};
        OpenLink(host, toPlayer, 2, ConnectTag(target.token));
        enet_host_flush(host);
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
        Service(
            host, 1000, [&] { return has(ControlKind::PEER_ACK); },
            [&](ENetPeer* peer) {
                ControlFrame hello;
                hello.kind = ControlKind::HELLO_PEER;
                hello.instance = desc.instance;
                hello.member.id = admitted.member.id;
                hello.token = target.token;
                SendFrame(peer, hello);
            },
            &frames);
        answered = has(ControlKind::PEER_ACK);
        if (!answered) {
            ControlFrame report;
            report.kind = ControlKind::UNANSWERED;
            report.ids = {target.record.id};
            SendFrame(hostPeer, report);
        }
    }
    forged.reset();
    for (size_t i = 0; i < host->peerCount; ++i)
        if (host->peers[i].state != ENET_PEER_STATE_DISCONNECTED)
            enet_peer_disconnect_later(&host->peers[i], 0);
    Service(
        host, 300, [&] { return hostPeer->state == ENET_PEER_STATE_DISCONNECTED; }, {}, nullptr);
    return answered;
}

// A flood at the host or the player of a two-player session from
// `addresses` addresses at `perAddress` connects a second each; forged: from
// each newcomer's own address instead.
void FloodRun(bool atHost, int addresses, int perAddress, bool forge)
{
    Player host(100), player(101), newcomer(102);
    if (!host.Host() || !player.Join(host, 1)) {
        std::printf("the session could not be made\n");
        return;
    }
    NetAppDesc desc;
    {
        std::lock_guard lock(player.mutex);
        desc = player.found;
    }
    const NetAddress target = atHost ? host.address : player.address;
    std::unique_ptr<ConnectFlood> flood;
    if (!forge)
        flood = std::make_unique<ConnectFlood>(addresses, perAddress, target);
    // Every address has started by then.
    if (!forge)
        std::this_thread::sleep_for(std::chrono::milliseconds(NetSessionOptions().helloTimeoutMs + 1000));
    const Clock::time_point start = Clock::now();
    const uint64_t sentBefore = flood ? flood->Sent() : 0;
    uint32_t next = 110;
    std::string answered;
    for (const int delayMs : {1, 50, 200}) {
        int count = 0;
        for (int i = 0; i < PROBES; ++i) {
            const uint32_t n = next++;
            count += (atHost ? HostProbe(n, target, desc, delayMs, forge)
                             : PlayerProbe(n, host.address, target, desc, delayMs, forge))
                         ? 1
                         : 0;
        }
        answered += " | " + std::to_string(count) + "/" + std::to_string(PROBES) + "   ";
    }
    double sentPerAddress = FORGED_PER_SECOND;
    if (flood)
        sentPerAddress = double(flood->Sent() - sentBefore) /
                         std::chrono::duration<double>(Clock::now() - start).count() /
                         double(std::max<size_t>(flood->Addresses(), 1));
    // The game's joiner; forged from its address with another port, its own being taken.
    std::unique_ptr<ConnectFlood> forged;
    if (forge) {
        forged = std::make_unique<ConnectFlood>(std::vector<int>{ConnectFlood::Bind(newcomer.address.ip)},
                                                FORGED_PER_SECOND, target);
        while (forged->Sent() < 20)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const bool joined = newcomer.Join(host, 2);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    // Each of the three that any of them saw go.
    std::set<uint32_t> removed;
    const uint32_t ids[] = {host.session->LocalPlayerId(), player.session->LocalPlayerId(),
                            newcomer.session->LocalPlayerId()};
    for (Player* p : {&host, &player, &newcomer}) {
        std::lock_guard lock(p->mutex);
        for (const uint32_t id : ids)
            if (id != 0 && std::find(p->destroyed.begin(), p->destroyed.end(), id) != p->destroyed.end())
                removed.insert(id);
    }
    std::printf("%-7s | %9s | %9.1f | %10.2f%s | %6s | %7zu\n", atHost ? "host" : "player",
                forge ? "its own" : std::to_string(addresses).c_str(), sentPerAddress,
                sentPerAddress * double(CONNECT_BYTES + IP_UDP_HEADER) / 1024.0, answered.c_str(),
                joined ? "yes" : "no", removed.size());
    forged.reset();
    flood.reset();
    for (Player* p : {&newcomer, &player, &host})
        p->session->Close();
}

void Flood()
{
    std::printf("\n4. Connects never acknowledged (%zu B each, %llu B with IP and UDP), one socket per address, "
                "against the host or a player; \"its own\": %d a second from each newcomer's own address. "
                "Newcomers that acknowledge the answer to their connect 1, 50 or 200 ms after sending it and that "
                "got in (%d each: at the host, their first connect, answered; at the player, its answer to their "
                "hello), the game's joiner at its first try, players removed (host, player, joiner)\n",
                CONNECT_BYTES, (unsigned long long)(CONNECT_BYTES + IP_UDP_HEADER), FORGED_PER_SECOND, PROBES);
    std::printf("%-7s | %9s | %9s | %10s | %-6s | %-6s | %-6s | %6s | %7s\n", "against", "addresses", "dgram/s/a",
                "KB/s/a+IP", "1 ms", "50 ms", "200 ms", "joined", "removed");
    struct Case {
        int addresses, perAddress;
        bool forge;
    };
    for (const bool atHost : {true, false})
        for (const Case c : {Case{10, 160, false}, Case{100, 160, false}, Case{300, 16, false}, Case{1000, 1, false},
                             Case{1000, 16, false}, Case{1, FORGED_PER_SECOND, true}})
            FloodRun(atHost, c.addresses, c.perAddress, c.forge);
}

// Copies of a query sent to `to` at `perAddress` a second from each socket,
// until destroyed: from 127.x.y.z addresses of its own, one socket each, or
// from sockets it is given. Counts the replies that come back to them.
class QuerySweep {
public:
    QuerySweep(int addresses, int perAddress, const NetAddress& to, const std::vector<uint8_t>& query) : query(query)
    {
        const uint32_t pid = static_cast<uint32_t>(getpid());
        for (int a = 0; a < addresses; ++a) {
            // 127.(200 + a / 250).(pid).(a % 250 + 1): apart from the players'.
            const int fd = ConnectFlood::Bind(127u << 24 | (200u + uint32_t(a) / 250) << 16 | (pid & 0xFF) << 8 |
                                              (uint32_t(a) % 250 + 1));
            if (fd >= 0)
                sockets.push_back(fd);
        }
        Start(perAddress, to);
    }
    QuerySweep(std::vector<int> given, int perAddress, const NetAddress& to, const std::vector<uint8_t>& query)
        : sockets(std::move(given)), query(query)
    {
        Start(perAddress, to);
    }
    ~QuerySweep()
    {
        Stop();
        for (int fd : sockets)
            close(fd);
    }
    QuerySweep(const QuerySweep&) = delete;
    QuerySweep& operator=(const QuerySweep&) = delete;

    // Stops sending; the replies on their way are still counted for a while.
    void Stop()
    {
        if (sender.joinable()) {
            stop = true;
            sender.join();
            stopped = Clock::now();
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            receiving = false;
            receiver.join();
        }
    }
    uint64_t Sent() const { return sent; }
    uint64_t SentBytes() const { return sent * query.size(); }
    // How long it sent, once stopped.
    double Seconds() const { return std::chrono::duration<double>(stopped - started).count(); }
    uint64_t Answers() const { return answers; }
    uint64_t Challenges() const { return challenges; }
    uint64_t ReplyBytes() const { return replyBytes; }
    size_t Addresses() const { return sockets.size(); }

private:
    void Start(int perAddress, const NetAddress& to)
    {
        sockaddr_in target = {};
        target.sin_family = AF_INET;
        target.sin_addr.s_addr = htonl(to.ip);
        target.sin_port = htons(to.port);
        const auto period = std::chrono::nanoseconds(1000000000LL / perAddress);
        started = Clock::now();
        sender = std::thread([this, target, period] {
            std::vector<Clock::time_point> due;
            for (size_t i = 0; i < sockets.size(); ++i)
                due.push_back(started + period * i / sockets.size());
            while (!stop) {
                const Clock::time_point now = Clock::now();
                for (size_t i = 0; i < sockets.size(); ++i) {
                    // Behind by more than a tenth of a second: those are not sent.
                    if (now - due[i] > std::chrono::milliseconds(100))
                        due[i] = now;
                    for (; due[i] <= now; due[i] += period)
                        if (sendto(sockets[i], query.data(), query.size(), 0,
                                   reinterpret_cast<const sockaddr*>(&target), sizeof target) == ssize_t(query.size()))
                            ++sent;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
        receiver = std::thread([this] {
            std::vector<pollfd> waits;
            for (int fd : sockets)
                waits.push_back({fd, POLLIN, 0});
            uint8_t bytes[2048];
            while (receiving) {
                if (poll(waits.data(), waits.size(), 10) <= 0)
                    continue;
                for (const pollfd& wait : waits) {
                    if ((wait.revents & POLLIN) == 0)
                        continue;
                    ssize_t size = 0;
                    while ((size = recv(wait.fd, bytes, sizeof bytes, MSG_DONTWAIT)) > 0) {
                        HostAnswer answer;
                        HostChallenge challenge;
                        if (DecodeHostAnswer(bytes, size_t(size), &answer))
                            ++answers;
                        else if (DecodeHostChallenge(bytes, size_t(size), &challenge))
                            ++challenges;
                        replyBytes += uint64_t(size);
                    }
                }
            }
        });
    }

    std::vector<int> sockets;
    std::vector<uint8_t> query;
    std::atomic<bool> stop{false};
    std::atomic<bool> receiving{true};
    std::atomic<uint64_t> sent{0}, answers{0}, challenges{0}, replyBytes{0};
    Clock::time_point started, stopped;
    std::thread sender, receiver;
};

// The host's budgets of the last run are over.
void WaitBudgetsBack()
{
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
}

void Discovery()
{
    constexpr int SECONDS = 5;
    Player host(150);
    if (!host.Host()) {
        std::printf("\n5. Discovery: the host could not be made\n");
        return;
    }
    const std::vector<uint8_t> query = EncodeHostQuery(HostQuery{g_ApplicationGuid, 1});

    // UDP payloads, and the same with the IPv4 and UDP headers of each datagram.
    const auto withHeaders = [](double payload, double datagrams) {
        return payload + double(IP_UDP_HEADER) * datagrams;
    };
    std::printf("\n5a. A sweep of %zu-byte queries for %d s, one socket per address: bytes the host sent back over "
                "the bytes asked (goal: at most 0.2), UDP payload alone and with IP and UDP headers\n",
                query.size(), SECONDS);
    std::printf("%9s | %9s | %10s | %10s | %10s | %9s | %9s | %10s | %11s | %10s\n", "addresses", "queries/s",
                "asked KB/s", "taken KB/s", "back KB/s", "answers/s", "chall./s", "back/asked", "back/taken",
                "w/ headers");
    for (const int addresses : {300, 1000})
        for (const int perAddress : {2, 50}) {
            WaitBudgetsBack();
            const NetTrafficStats before = host.session->GetTrafficStats();
            QuerySweep sweep(addresses, perAddress, host.address, query);
            std::this_thread::sleep_for(std::chrono::seconds(SECONDS));
            sweep.Stop();
            const double seconds = sweep.Seconds();
            const double taken = double(host.session->GetTrafficStats().receivedBytes - before.receivedBytes);
            const double replies = double(sweep.Answers() + sweep.Challenges());
            std::printf("%9zu | %9.0f | %10.1f | %10.1f | %10.1f | %9.0f | %9.0f | %10.4f | %11.4f | %10.4f\n",
                        sweep.Addresses(), double(sweep.Sent()) / seconds / double(sweep.Addresses()),
                        double(sweep.SentBytes()) / seconds / 1024, taken / seconds / 1024,
                        double(sweep.ReplyBytes()) / seconds / 1024, double(sweep.Answers()) / seconds,
                        double(sweep.Challenges()) / seconds, double(sweep.ReplyBytes()) / double(sweep.SentBytes()),
                        double(sweep.ReplyBytes()) / taken,
                        withHeaders(double(sweep.ReplyBytes()), replies) /
                            withHeaders(double(sweep.SentBytes()), double(sweep.Sent())));
        }

    constexpr int FORGED = 1000;
    std::printf("\n5b. Queries forged from one address at %d a second while 300 other addresses ask, %d s: what the "
                "host sends that address and each of the others\n",
                FORGED, SECONDS);
    std::printf("%14s | %10s | %12s | %12s | %12s | %10s | %14s\n", "others' q/s/a", "forged q/s", "victim KB/s",
                "w/ headers", "answers/s", "chall./s", "other KB/s/a");
    for (const int perAddress : {2, 10, 50}) {
        WaitBudgetsBack();
        QuerySweep others(300, perAddress, host.address, query);
        QuerySweep victim(std::vector<int>{ConnectFlood::Bind(BenchIp(151))}, FORGED, host.address, query);
        std::this_thread::sleep_for(std::chrono::seconds(SECONDS));
        victim.Stop();
        others.Stop();
        const double seconds = victim.Seconds();
        const double replies = double(victim.Answers() + victim.Challenges());
        std::printf("%14d | %10.0f | %12.2f | %12.2f | %12.1f | %10.0f | %14.3f\n", perAddress,
                    double(victim.Sent()) / seconds, double(victim.ReplyBytes()) / seconds / 1024,
                    withHeaders(double(victim.ReplyBytes()), replies) / seconds / 1024,
                    double(victim.Answers()) / seconds, double(victim.Challenges()) / seconds,
                    double(others.ReplyBytes()) / others.Seconds() / 1024 / double(others.Addresses()));
    }

    constexpr int TRIES = 10;
    const NetSessionOptions game;
    std::printf("\n5c. The game's joiner (%u queries over %u ms) under queries forged from its IPv4 address, another "
                "port: found in how many of %d tries, each after a pause of 0 to 1 s, and how soon\n",
                game.enumAttempts, game.enumTimeoutMs, TRIES);
    std::printf("%10s | %12s | %6s | %9s | %9s | %9s\n", "forged/s", "sent/s", "found", "first ms", "median ms",
                "last ms");
    for (const int rate : {100, 1000, 2000, 5000, 10000, 20000}) {
        WaitBudgetsBack();
        NetSessionOptions options;
        options.bindIp = BenchIp(152);
        NetSession joiner([](const NetMessage&) { return true; }, options);
        std::mt19937 pauses(static_cast<uint32_t>(rate));
        QuerySweep forged(std::vector<int>{ConnectFlood::Bind(options.bindIp)}, rate, host.address, query);
        // The forger spends the address's answers first.
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        std::vector<double> ms;
        for (int i = 0; i < TRIES; ++i) {
            // The tries fall anywhere in the host's second.
            std::this_thread::sleep_for(std::chrono::milliseconds(pauses() % 1000));
            const Clock::time_point asked = Clock::now();
            if (joiner.EnumHosts(g_ApplicationGuid, host.address))
                ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - asked).count());
        }
        forged.Stop();
        const double sentPerSecond = double(forged.Sent()) / forged.Seconds();
        joiner.Close();
        std::sort(ms.begin(), ms.end());
        std::printf("%10d | %12.0f | %3zu/%d | %9.1f | %9.1f | %9.1f\n", rate, sentPerSecond, ms.size(), TRIES,
                    ms.empty() ? 0 : ms.front(), Percentile(ms, 0.5), ms.empty() ? 0 : ms.back());
    }
    host.session->Close();
}

// The game's joiner connecting with the cookie its search's answer gave, at
// once and once the answer has aged past what it shows as it is.
void JoinTimes()
{
    constexpr int JOINS = 5;
    constexpr int AGED_MS = 9000;
    std::printf("\n6. The game's joiner: time from Connect to the end of its join, with its search's cookie at once "
                "and %d ms after the search (it asks for the cookie again), %d joins each\n",
                AGED_MS, JOINS);
    std::printf("%-14s | %6s | %9s | %9s | %9s\n", "search", "joined", "first ms", "median ms", "last ms");
    Player host(161);
    if (!host.Host()) {
        std::printf("the host could not start\n");
        return;
    }
    for (const int ageMs : {0, AGED_MS}) {
        std::vector<double> ms;
        for (int i = 0; i < JOINS; ++i) {
            Player joiner(162);
            if (!joiner.session->EnumHosts(g_ApplicationGuid, host.address))
                continue;
            NetAppDesc desc;
            {
                std::lock_guard lock(joiner.mutex);
                desc = joiner.found;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(ageMs));
            const Clock::time_point start = Clock::now();
            if (joiner.session->Connect(desc, host.address))
                ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
            joiner.session->Close();
        }
        std::sort(ms.begin(), ms.end());
        std::printf("%-14s | %3zu/%d | %9.1f | %9.1f | %9.1f\n", ageMs == 0 ? "just now" : "9 s ago", ms.size(), JOINS,
                    ms.empty() ? 0 : ms.front(), Percentile(ms, 0.5), ms.empty() ? 0 : ms.back());
    }
    host.session->Close();
}

} // namespace

int main(int argc, char** argv)
{
    if (enet_initialize() != 0) {
        std::fprintf(stderr, "ENet could not start\n");
        return 1;
    }
    const auto wanted = [&](const char* part) {
        if (argc < 2)
            return true;
        for (int i = 1; i < argc; ++i)
            if (std::strcmp(argv[i], part) == 0)
                return true;
        return false;
    };
    if (wanted("traffic"))
        Traffic();
    if (wanted("latency"))
        Latency();
    if (wanted("migration"))
        Migration();
    if (wanted("flood"))
        Flood();
    if (wanted("discovery"))
        Discovery();
    if (wanted("join"))
        JoinTimes();
    enet_deinitialize();
    return 0;
}

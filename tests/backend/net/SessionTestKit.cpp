#include "backend/net/SessionTestKit.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>

namespace nettest {

uint32_t TestIp(uint32_t n)
{
    const uint32_t pid = static_cast<uint32_t>(getpid());
    return (127u << 24) | ((pid >> 8) & 0xFF) << 16 | (pid & 0xFF) << 8 | (n & 0xFF);
}

std::vector<std::string> LinesFrom(const std::string& log, uint32_t n)
{
    const in_addr ip = {htonl(TestIp(n))};
    const std::string from = std::string("from ") + inet_ntoa(ip);
    std::vector<std::string> lines;
    for (size_t start = 0; start < log.size();) {
        const size_t end = std::min(log.find('\n', start), log.size());
        const std::string line = log.substr(start, end - start);
        const size_t at = line.find(from);
        // "from 127.0.0.1:5102" or, closing a line, "from 127.0.0.1".
        if (at != std::string::npos && (at + from.size() == line.size() || line[at + from.size()] == ':'))
            lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

NetSessionOptions TestOptions(uint32_t n)
{
    NetSessionOptions options;
    options.bindIp = TestIp(n);
    options.enumTimeoutMs = 1000;
    options.connectTimeoutMs = 3000;
    options.linkTimeoutMinMs = 300;
    options.linkTimeoutMaxMs = 1000;
    options.pingIntervalMs = 100;
    return options;
}

NetSessionOptions TestOptions(uint32_t n, const OptionsChange& change)
{
    NetSessionOptions options = TestOptions(n);
    change(options);
    return options;
}

NetGuid TestApplication(uint8_t seed)
{
    NetGuid guid;
    for (uint8_t i = 0; i < 16; ++i)
        guid.bytes[i] = static_cast<uint8_t>(seed * 31 + i);
    return guid;
}

TestPlayer::TestPlayer(uint32_t n, NetSessionOptions options)
    : n(n), session(std::make_unique<NetSession>([this](const NetMessage& m) { return Handle(m); }, options))
{
}

bool TestPlayer::Handle(const NetMessage& message)
{
    std::function<void(const NetMessage&)> call;
    {
        std::lock_guard lock(mutex);
        call = hook;
    }
    if (call)
        call(message);
    Event event;
    event.type = message.type;
    event.playerId = message.playerId;
    event.reason = message.reason;
    event.data.assign(message.data, message.data + message.size);
    event.thread = std::this_thread::get_id();
    // The layer holds none of its locks here, so asking it must not block.
    if (message.type == NetMessageType::CREATE_PLAYER || message.type == NetMessageType::DESTROY_PLAYER)
        event.infoKnown = session->GetPeerInfo(message.playerId, &event.info);
    std::lock_guard lock(mutex);
    if (message.type == NetMessageType::ENUM_HOSTS_RESPONSE)
        found = *message.desc;
    events.push_back(std::move(event));
    changed.notify_all();
    return true;
}

bool TestPlayer::Host(const std::vector<uint8_t>& appData, uint32_t maxPlayers, const std::string& name)
{
    NetAppDesc desc;
    desc.application = TestApplication();
    desc.sessionName = "TestSession";
    desc.maxPlayers = maxPlayers;
    desc.appData = appData;
    session->SetPeerInfo(name, {0, 0, 0, 0});
    return session->Host(desc, TEST_PORT);
}

bool TestPlayer::Find(const NetAddress& at, const NetGuid& application)
{
    return session->EnumHosts(application, at);
}

NetAppDesc TestPlayer::Found()
{
    std::lock_guard lock(mutex);
    return found;
}

bool TestPlayer::JoinAt(const NetAddress& host, const std::string& name)
{
    if (!Find(host))
        return false;
    session->SetPeerInfo(name, {static_cast<uint8_t>(n), 0, 0, 0});
    return session->Connect(Found(), host);
}

bool TestPlayer::WaitFor(const std::function<bool(const std::vector<Event>&)>& done, std::chrono::milliseconds limit)
{
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, limit, [&] { return done(events); });
}

bool TestPlayer::WaitWhileHeard(const std::function<bool(const std::vector<Event>&)>& done,
                                std::chrono::milliseconds quiet)
{
    std::unique_lock lock(mutex);
    while (!done(events)) {
        const size_t seen = events.size();
        if (!changed.wait_for(lock, quiet, [&] { return events.size() != seen; }))
            return false;
    }
    return true;
}

bool TestPlayer::WaitForCount(NetMessageType type, size_t count, std::chrono::milliseconds limit)
{
    return WaitFor([&](const std::vector<Event>& seen) { return CountOf(seen, type) == count; }, limit);
}

bool TestPlayer::WaitForEvent(NetMessageType type, uint32_t playerId, std::chrono::milliseconds limit)
{
    return WaitFor([&](const std::vector<Event>& seen) { return HasEvent(seen, type, playerId); }, limit);
}

std::vector<Event> TestPlayer::Events()
{
    std::lock_guard lock(mutex);
    return events;
}

std::vector<Event> TestPlayer::Received(uint32_t from)
{
    std::vector<Event> received;
    for (Event& event : Events())
        if (event.type == NetMessageType::RECEIVE && (from == 0 || event.playerId == from))
            received.push_back(std::move(event));
    return received;
}

size_t CountOf(const std::vector<Event>& events, NetMessageType type)
{
    size_t count = 0;
    for (const Event& event : events)
        count += event.type == type ? 1 : 0;
    return count;
}

bool Eventually(const std::function<bool()>& condition, std::chrono::milliseconds limit)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

void TestPlayer::OnMessage(std::function<void(const NetMessage&)> call)
{
    std::lock_guard lock(mutex);
    hook = std::move(call);
}

uint32_t SlotAt(TestPlayer& at, uint32_t id)
{
    NetPlayerInfo info;
    return at.Session().GetPeerInfo(id, &info) ? info.playersBefore : UINT32_MAX;
}

void ExpectGrid(const std::vector<TestPlayer*>& grid, const std::vector<TestPlayer*>& newcomers)
{
    for (TestPlayer* at : grid)
        for (uint32_t slot = 0; slot < grid.size(); ++slot)
            EXPECT_TRUE(Eventually([&] { return SlotAt(*at, grid[slot]->Id()) == slot; }))
                << "slot " << slot << " seen by " << at->Id() << ": " << SlotAt(*at, grid[slot]->Id());
    for (TestPlayer* newcomer : newcomers) {
        const auto place = static_cast<uint32_t>(std::find(grid.begin(), grid.end(), newcomer) - grid.begin());
        const std::vector<Event> events = newcomer->Events();
        const auto own = std::find_if(events.begin(), events.end(), [&](const Event& e) {
            return e.type == NetMessageType::CREATE_PLAYER && e.playerId == newcomer->Id();
        });
        ASSERT_NE(own, events.end());
        EXPECT_EQ(own->info.playersBefore, place) << "the newcomer's own slot as its join ended";
    }
}

bool Republished(TestPlayer& from, const std::vector<uint8_t>& data, const std::vector<TestPlayer*>& at)
{
    if (!from.Session().SetPeerInfo("", data))
        return false;
    const uint32_t id = from.Id();
    return Eventually([&] {
        return std::all_of(at.begin(), at.end(), [&](TestPlayer* player) {
            NetPlayerInfo info;
            return player->Session().GetPeerInfo(id, &info) && info.data == data;
        });
    });
}

bool HasEvent(const std::vector<Event>& events, NetMessageType type, uint32_t playerId)
{
    for (const Event& event : events)
        if (event.type == type && event.playerId == playerId)
            return true;
    return false;
}

bool SawCreated(TestPlayer& player, size_t count)
{
    return player.WaitForCount(NetMessageType::CREATE_PLAYER, count);
}

bool MakeSession(std::initializer_list<TestPlayer*> players)
{
    TestPlayer& host = **players.begin();
    if (!host.Host({1, 0, 0, 0, 0}))
        return false;
    for (TestPlayer* player : players)
        if (player != &host && !player->Join(host))
            return false;
    for (TestPlayer* player : players)
        if (!SawCreated(*player, players.size()))
            return false;
    return true;
}

} // namespace nettest

namespace nettest {

RawClient::RawClient(uint32_t n, size_t links, uint16_t port) : n(n), peers(links, nullptr), targets(links)
{
    enet_initialize();
    ENetAddress address;
    address.host = htonl(TestIp(n));
    address.port = port;
    // Room for links the others open to it too.
    host = enet_host_create(&address, links + SESSION_PLAYERS_MAX, 2, 0, 0);
    if (host != nullptr)
        ChecksumDatagrams(host);
}

RawClient::~RawClient()
{
    if (host != nullptr)
        enet_host_destroy(host);
}

void RawClient::ConnectAll(const NetAddress& to, uint32_t data)
{
    if (data == ITS_COOKIE)
        data = QueryCookie(n, to, asked);
    for (size_t link = 0; link < peers.size(); ++link)
        Connect(link, to, data);
}

void RawClient::Connect(size_t link, const NetAddress& to, uint32_t data)
{
    if (host == nullptr)
        return;
    // Again: the other side sees a new link.
    if (peers.at(link) != nullptr)
        enet_peer_reset(peers[link]);
    if (data == ITS_COOKIE)
        data = QueryCookie(n, to, asked);
    targets[link] = {{htonl(to.ip), to.port}, data};
    peers[link] = OpenLink(host, targets[link].first, 2, data);
}

bool RawClient::Open(size_t link) const
{
    return peers.at(link) != nullptr && peers[link]->state == ENET_PEER_STATE_CONNECTED;
}

void RawClient::Opened(ENetPeer* peer, uint32_t data)
{
    const auto found = std::find(peers.begin(), peers.end(), peer);
    if (found == peers.end()) {
        incoming.push_back(peer);
        incomingData.push_back(data);
        return;
    }
    ++connected;
    if (onConnect)
        onConnect(static_cast<size_t>(found - peers.begin()));
}

void RawClient::Reopened(ENetPeer* peer)
{
    const auto found = std::find(peers.begin(), peers.end(), peer);
    if (found == peers.end())
        return;
    ++closed;
    if (reopen) {
        const auto& [address, data] = targets[static_cast<size_t>(found - peers.begin())];
        *found = OpenLink(host, address, 2, data);
    }
}

bool RawClient::TakeFrame(ControlKind kind, ControlFrame* frame)
{
    bool seen = false;
    for (; !seen && framesTaken < frames.size(); ++framesTaken)
        seen = DecodeControlFrame(frames[framesTaken].data(), frames[framesTaken].size(), frame) && frame->kind == kind;
    return seen;
}

bool RawClient::NextFrame(ControlKind kind, int turns, ControlFrame* frame)
{
    bool seen = false;
    Pump(turns, [&] { return seen = seen || TakeFrame(kind, frame); });
    return seen;
}

void RawClient::Pump(int turns, const std::function<bool()>& done)
{
    for (int turn = 0; turn < turns && !(done && done()); ++turn) {
        ENetEvent event;
        if (enet_host_service(host, &event, 5) <= 0)
            continue;
        do {
            if (event.type == ENET_EVENT_TYPE_CONNECT) {
                Opened(event.peer, event.data);
            } else if (event.type == ENET_EVENT_TYPE_DISCONNECT) {
                Reopened(event.peer);
            } else if (event.type == ENET_EVENT_TYPE_RECEIVE) {
                frames.emplace_back(event.packet->data, event.packet->data + event.packet->dataLength);
                enet_packet_destroy(event.packet);
            }
        } while (enet_host_check_events(host, &event) > 0);
    }
}

bool RawClient::AllConnected(int turns)
{
    Pump(turns, [&] { return connected == peers.size(); });
    return connected == peers.size();
}

void RawClient::Send(size_t link, const ControlFrame& frame)
{
    SendBytes(link, EncodeControlFrame(frame), 1);
}

void RawClient::SendBytes(size_t link, const std::vector<uint8_t>& bytes, uint8_t channel)
{
    ENetPacket* packet = enet_packet_create(bytes.data(), bytes.size(), ENET_PACKET_FLAG_RELIABLE);
    if (enet_peer_send(peers.at(link), channel, packet) < 0)
        enet_packet_destroy(packet);
    enet_host_flush(host);
}

void RawClient::Leave(size_t link, uint32_t data)
{
    enet_peer_disconnect_later(peers.at(link), data);
    Pump(200, [&] { return peers[link]->state == ENET_PEER_STATE_DISCONNECTED; });
}

void RawClient::CloseIncoming(size_t index, uint32_t data)
{
    enet_peer_disconnect_now(incoming.at(index), data);
}

void RawClient::SendIncoming(size_t index, const ControlFrame& frame)
{
    const std::vector<uint8_t> bytes = EncodeControlFrame(frame);
    ENetPacket* packet = enet_packet_create(bytes.data(), bytes.size(), ENET_PACKET_FLAG_RELIABLE);
    if (enet_peer_send(incoming.at(index), 1, packet) < 0)
        enet_packet_destroy(packet);
    enet_host_flush(host);
}

ControlFrame UnansweredFrame(const std::vector<uint32_t>& ids)
{
    ControlFrame report;
    report.kind = ControlKind::UNANSWERED;
    report.ids = ids;
    return report;
}

ControlFrame HelloPeerFrame(const NetGuid& instance, uint32_t id, uint64_t token)
{
    ControlFrame hello;
    hello.kind = ControlKind::HELLO_PEER;
    hello.instance = instance;
    hello.member.id = id;
    hello.token = token;
    return hello;
}

ControlFrame HelloFrame(const NetAppDesc& desc, const std::vector<uint8_t>& data)
{
    ControlFrame hello;
    hello.kind = ControlKind::HELLO;
    hello.application = desc.application;
    hello.instance = desc.instance;
    hello.member.name = "raw";
    hello.member.data = data;
    return hello;
}

void OpenAndHello(RawClient& raw, size_t link, const NetAddress& host, const NetAppDesc& desc,
                  const std::vector<uint8_t>& data)
{
    raw.AskFor(desc.application);
    raw.Connect(link, host, ITS_COOKIE);
    raw.Pump(1000, [&] { return raw.Open(link); });
    raw.Send(link, HelloFrame(desc, data));
}

bool AdmitAsPlayer(RawClient& raw, const NetAddress& host, const NetAppDesc& desc, ControlFrame* welcome, uint32_t data,
                   int lateMs)
{
    raw.AskFor(desc.application);
    raw.Connect(0, host, data);
    raw.Flush();
    std::this_thread::sleep_for(std::chrono::milliseconds(lateMs));
    raw.Pump(1000, [&] { return raw.Open(0); });
    raw.Send(0, HelloFrame(desc, {}));
    return raw.NextFrame(ControlKind::WELCOME, 1000, welcome);
}

uint32_t QueryCookie(uint32_t n, const NetAddress& host, const NetGuid& application)
{
    HostQuery query;
    query.application = application;
    const std::vector<uint8_t> bytes = EncodeHostQuery(query);
    const int fd = BindUdp(TestIp(n), 0);
    if (fd < 0)
        return 0;
    const sockaddr_in target = SocketAddress(host.ip, host.port);
    sendto(fd, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&target), sizeof target);
    // An answer, or a challenge once the address's answers are spent.
    HostAnswer answer;
    HostChallenge challenge;
    pollfd wait = {fd, POLLIN, 0};
    uint8_t received[2048];
    ssize_t size = 0;
    uint32_t cookie = 0;
    if (poll(&wait, 1, 5000) > 0 && (size = recv(fd, received, sizeof received, 0)) > 0) {
        if (DecodeHostAnswer(received, static_cast<size_t>(size), &answer))
            cookie = answer.cookie;
        else if (DecodeHostChallenge(received, static_cast<size_t>(size), &challenge))
            cookie = challenge.cookie;
    }
    close(fd);
    return cookie;
}

bool KeyedCookie(uint32_t n, uint32_t cookie)
{
    const uint32_t epoch = CookieEpochNow();
    // Either side of an epoch's end.
    return cookie != 0 && !IsHostCookie(SipKey{}, TestIp(n), cookie, epoch) &&
           !IsHostCookie(SipKey{}, TestIp(n), cookie, epoch + 1);
}

uint32_t CookieEpochNow()
{
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(SessionClock::now().time_since_epoch());
    return static_cast<uint32_t>(seconds.count() / COOKIE_EPOCH_SECONDS);
}

void AwaitCookieEpoch(uint32_t epoch)
{
    std::this_thread::sleep_until(
        SessionClock::time_point(std::chrono::seconds(uint64_t(epoch) * COOKIE_EPOCH_SECONDS)));
    while (CookieEpochNow() < epoch)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

uint32_t QueryCookieOfOneEpoch(uint32_t n, const NetAddress& host, uint32_t* epoch)
{
    uint32_t cookie = 0;
    do {
        *epoch = CookieEpochNow();
        cookie = QueryCookie(n, host);
    } while (CookieEpochNow() != *epoch);
    return cookie;
}

bool FillWaitingPlaces(const NetAddress& at, uint32_t n, bool atHost)
{
    const uint32_t data = atHost ? ITS_COOKIE : SESSION_PROTOCOL_MAGIC;
    RawClient deaf(n, 8), silent(n + 1, 8), closer(n + 2, 1);
    deaf.Deafen();
    deaf.ConnectAll(at, data);
    deaf.Flush();
    silent.ConnectAll(at, data);
    if (!silent.AllConnected(1000))
        return false;
    closer.Connect(0, at, data);
    PumpAll({&silent, &closer}, 1000, [&] { return closer.Open(0); });
    PumpAll({&silent, &closer}, 10);
    return closer.Open(0) && silent.Closed() == 0;
}

namespace {

// The players `welcome` lists that a joiner links to, in the order of its links from 1 on.
std::vector<ListedMember> ToLink(const ControlFrame& welcome, const std::vector<uint32_t>& leftOut)
{
    std::vector<ListedMember> players;
    for (const ListedMember& listed : welcome.listed)
        if (listed.record.id != welcome.hostId &&
            std::find(leftOut.begin(), leftOut.end(), listed.record.id) == leftOut.end())
            players.push_back(listed);
    return players;
}

} // namespace

void ConnectListed(RawClient& raw, const ControlFrame& welcome, const std::vector<uint32_t>& leftOut)
{
    size_t link = 1;
    for (const ListedMember& listed : ToLink(welcome, leftOut))
        raw.Connect(link++, listed.record.address, ConnectTag(listed.token));
    raw.Flush();
}

std::vector<uint32_t> AnswerListed(RawClient& raw, const ControlFrame& welcome, const NetGuid& instance,
                                   const std::vector<uint32_t>& leftOut, int turns)
{
    const std::vector<ListedMember> players = ToLink(welcome, leftOut);
    raw.OnConnect([&](size_t link) {
        if (link >= 1 && link <= players.size())
            raw.Send(link, HelloPeerFrame(instance, welcome.member.id, players[link - 1].token));
    });
    std::vector<uint32_t> answered;
    ControlFrame ack;
    raw.Pump(turns, [&] {
        while (raw.TakeFrame(ControlKind::PEER_ACK, &ack))
            answered.push_back(ack.member.id);
        return answered.size() >= players.size();
    });
    raw.OnConnect({});
    std::vector<uint32_t> unanswered;
    for (const ListedMember& listed : players)
        if (std::find(answered.begin(), answered.end(), listed.record.id) == answered.end())
            unanswered.push_back(listed.record.id);
    return unanswered;
}

std::vector<uint32_t> LinkListed(RawClient& raw, const ControlFrame& welcome, const NetGuid& instance, int lateMs)
{
    ConnectListed(raw, welcome);
    std::this_thread::sleep_for(std::chrono::milliseconds(lateMs));
    return AnswerListed(raw, welcome, instance);
}

bool JoinAsPlayer(RawClient& raw, const NetAddress& host, const NetAppDesc& desc, ControlFrame* welcome,
                  const std::vector<uint32_t>& leftOut)
{
    if (!AdmitAsPlayer(raw, host, desc, welcome))
        return false;
    ConnectListed(raw, *welcome, leftOut);
    return AnswerListed(raw, *welcome, desc.instance, leftOut).empty();
}

sockaddr_in SocketAddress(uint32_t ip, uint16_t port)
{
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(ip);
    address.sin_port = htons(port);
    return address;
}

int BindUdp(uint32_t ip, uint16_t port)
{
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    const sockaddr_in address = SocketAddress(ip, port);
    if (fd >= 0 && bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

void SendPaced(int fd, const NetAddress& to, const std::vector<std::vector<uint8_t>>& datagrams)
{
    const sockaddr_in target = SocketAddress(to.ip, to.port);
    for (size_t i = 0; i < datagrams.size(); ++i) {
        sendto(fd, datagrams[i].data(), datagrams[i].size(), 0, reinterpret_cast<const sockaddr*>(&target),
               sizeof target);
        if (i % 32 == 31)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

UdpRelay::UdpRelay(uint32_t n, const NetAddress& back, double loss, std::chrono::milliseconds delay)
    : back(back), loss(loss), delay(delay), random(n)
{
    front = BindUdp(TestIp(n), TEST_PORT);
    rear = BindUdp(TestIp(n + 1), 0);
    worker = std::thread([this] { Run(); });
}

UdpRelay::~UdpRelay()
{
    stop = true;
    worker.join();
    close(front);
    close(rear);
}

void UdpRelay::ForgeToClient(const std::vector<std::vector<uint8_t>>& datagrams)
{
    sockaddr_in to;
    {
        std::lock_guard lock(clientMutex);
        to = client;
    }
    SendPaced(front, {ntohl(to.sin_addr.s_addr), ntohs(to.sin_port)}, datagrams);
}

void UdpRelay::ForgeToBack(const std::vector<std::vector<uint8_t>>& datagrams)
{
    SendPaced(rear, back, datagrams);
}

void UdpRelay::Take(int from, int via, bool toBack)
{
    uint8_t bytes[2048];
    sockaddr_in sender = {};
    socklen_t length = sizeof sender;
    const ssize_t size =
        recvfrom(from, bytes, sizeof bytes, MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&sender), &length);
    if (size <= 0)
        return;
    std::lock_guard lock(clientMutex);
    if (toBack)
        client = sender;
    if (std::uniform_real_distribution<double>(0, 1)(random) < loss)
        return;
    const sockaddr_in to = toBack ? SocketAddress(back.ip, back.port) : client;
    held.push_back({std::chrono::steady_clock::now() + delay, via, to, {bytes, bytes + size}});
}

void UdpRelay::Run()
{
    while (!stop) {
        pollfd fds[2] = {{front, POLLIN, 0}, {rear, POLLIN, 0}};
        if (poll(fds, 2, 1) > 0) {
            if (fds[0].revents & POLLIN)
                Take(front, rear, true);
            if (fds[1].revents & POLLIN)
                Take(rear, front, false);
        }
        const auto now = std::chrono::steady_clock::now();
        while (!held.empty() && held.front().due <= now) {
            const Held& due = held.front();
            sendto(due.fd, due.bytes.data(), due.bytes.size(), 0, reinterpret_cast<const sockaddr*>(&due.to),
                   sizeof due.to);
            held.pop_front();
        }
    }
}

namespace {

// Address `a` of many: 127.x.y.z with x other than this process's players' second byte.
uint32_t ApartIp(uint32_t a)
{
    const uint32_t pid = static_cast<uint32_t>(getpid());
    const uint32_t apart = (((pid >> 8) + 128) & 0xFF) << 16;
    return (127u << 24) | apart | (a / 250) << 8 | (a % 250 + 1);
}

// Plain UDP sockets on the first `count` of those addresses, any port; those
// that could not be bound are left out.
std::vector<int> BindApart(size_t count)
{
    std::vector<int> sockets;
    for (uint32_t a = 0; a < count; ++a) {
        const int fd = BindUdp(ApartIp(a), 0);
        if (fd >= 0)
            sockets.push_back(fd);
    }
    return sockets;
}

} // namespace

ConnectFlood::ConnectFlood(const NetAddress& to, size_t addresses, int perSecond, std::chrono::milliseconds spread)
    : sockets(BindApart(addresses))
{
    owned = sockets.size();
    Start(to, perSecond, spread);
}

ConnectFlood::ConnectFlood(const NetAddress& to, const NetAddress& from, int perSecond)
{
    const int fd = BindUdp(from.ip, from.port);
    if (fd >= 0)
        sockets.push_back(fd);
    owned = sockets.size();
    Start(to, perSecond, std::chrono::milliseconds(0));
}

ConnectFlood::ConnectFlood(const NetAddress& to, int socket, int perSecond)
{
    sockets.push_back(socket);
    Start(to, perSecond, std::chrono::milliseconds(0));
}

void ConnectFlood::Start(const NetAddress& to, int perSecond, std::chrono::milliseconds spread)
{
    const sockaddr_in target = SocketAddress(to.ip, to.port);
    const auto period = std::chrono::microseconds(1000000 / perSecond);
    worker = std::thread([this, target, period, spread] {
        std::mt19937 random(static_cast<uint32_t>(sockets.size()));
        const auto start = std::chrono::steady_clock::now();
        std::vector<std::chrono::steady_clock::time_point> due;
        for (size_t i = 0; i < sockets.size(); ++i)
            due.push_back(start + spread * i / sockets.size());
        while (!stop) {
            const auto now = std::chrono::steady_clock::now();
            for (size_t i = 0; i < sockets.size(); ++i) {
                if (now < due[i])
                    continue;
                due[i] += period;
                const std::vector<uint8_t> bytes = ConnectDatagram(static_cast<uint32_t>(random()));
                if (sendto(sockets[i], bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&target),
                           sizeof target) == ssize_t(bytes.size()))
                    ++sent;
            }
            uint8_t reply[2048];
            for (size_t i = 0; i < owned; ++i)
                while (recv(sockets[i], reply, sizeof reply, MSG_DONTWAIT) > 0)
                    ++answered;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
}

ConnectFlood::~ConnectFlood()
{
    stop = true;
    worker.join();
    for (size_t i = 0; i < owned; ++i)
        close(sockets[i]);
}

namespace {

void CountReply(QueryOutcome* outcome, const uint8_t* bytes, size_t size)
{
    HostAnswer answer;
    HostChallenge challenge;
    if (DecodeHostAnswer(bytes, size, &answer)) {
        ++outcome->answers;
        if (answer.cookie != 0)
            outcome->cookie = answer.cookie;
    } else if (DecodeHostChallenge(bytes, size, &challenge)) {
        ++outcome->challenges;
        outcome->cookie = challenge.cookie;
    } else {
        ++outcome->others;
    }
    outcome->largestReply = std::max(outcome->largestReply, size);
    outcome->bytes += size;
}

// Counts every reply waiting at `fd`.
void TakeReplies(int fd, QueryOutcome* outcome)
{
    uint8_t reply[2048];
    ssize_t size = 0;
    while ((size = recv(fd, reply, sizeof reply, MSG_DONTWAIT)) > 0)
        CountReply(outcome, reply, static_cast<size_t>(size));
}

} // namespace

QueryOutcome SendQueries(uint32_t n, const NetAddress& to, const std::vector<uint8_t>& query, int count,
                         const std::vector<uint8_t>& answered)
{
    QueryOutcome outcome;
    const int fd = BindUdp(TestIp(n), 0);
    const int last = BindUdp(TestIp(n + 100), 0);
    const sockaddr_in target = SocketAddress(to.ip, to.port);
    if (fd >= 0 && last >= 0) {
        // Sixteen a millisecond at most, so that neither the host's socket
        // nor this one overflows.
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < count; ++i) {
            sendto(fd, query.data(), query.size(), 0, reinterpret_cast<const sockaddr*>(&target), sizeof target);
            if (i % 16 == 15 && i + 1 < count) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                TakeReplies(fd, &outcome);
            }
        }
        outcome.took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
        sendto(last, answered.data(), answered.size(), 0, reinterpret_cast<const sockaddr*>(&target), sizeof target);
    }
    // The host takes datagrams in the order they came: once the last one has
    // its reply, every reply to the others is here.
    pollfd wait = {last, POLLIN, 0};
    if (fd >= 0 && last >= 0 && poll(&wait, 1, 5000) > 0)
        TakeReplies(fd, &outcome);
    for (int socket : {fd, last})
        if (socket >= 0)
            close(socket);
    return outcome;
}

QueryOutcome RepliesBefore(uint32_t n, const NetAddress& to, const std::function<void()>& then)
{
    QueryOutcome outcome;
    const int fd = BindUdp(TestIp(n), 0);
    if (fd >= 0) {
        HostQuery query;
        query.application = TestApplication();
        SendPaced(fd, to, {EncodeHostQuery(query)});
    }
    then();
    if (fd >= 0) {
        TakeReplies(fd, &outcome);
        close(fd);
    }
    return outcome;
}

QueryCrowd::QueryCrowd(size_t count) : sockets(BindApart(count)), replies(sockets.size()) {}

QueryCrowd::~QueryCrowd()
{
    for (int fd : sockets)
        close(fd);
}

void QueryCrowd::Ask(const NetAddress& to, HostQuery query, bool withCookie)
{
    constexpr size_t BATCH = 16;
    const sockaddr_in target = SocketAddress(to.ip, to.port);
    for (size_t first = 0; first < sockets.size(); first += BATCH) {
        const size_t end = std::min(sockets.size(), first + BATCH);
        for (size_t i = first; i < end; ++i) {
            query.cookie = withCookie ? replies[i].cookie : 0;
            const std::vector<uint8_t> bytes = EncodeHostQuery(query);
            sendto(sockets[i], bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&target),
                   sizeof target);
        }
        // No more than a batch waits at the host's socket, so that none is lost there.
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(1);
        for (size_t i = first; i < end; ++i) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(limit - std::chrono::steady_clock::now());
            pollfd wait = {sockets[i], POLLIN, 0};
            if (left.count() > 0)
                poll(&wait, 1, int(left.count()));
            TakeReplies(sockets[i], &replies[i]);
        }
    }
}

QueryOutcome QueryCrowd::Replies() const
{
    QueryOutcome total;
    for (const QueryOutcome& one : replies) {
        total.answers += one.answers;
        total.challenges += one.challenges;
        total.others += one.others;
        total.largestReply = std::max(total.largestReply, one.largestReply);
        total.bytes += one.bytes;
    }
    return total;
}

size_t QueryCrowd::Cookies() const
{
    return size_t(
        std::count_if(replies.begin(), replies.end(), [](const QueryOutcome& one) { return one.cookie != 0; }));
}

QueryFlood::QueryFlood(const NetAddress& to, const NetAddress& from, const std::vector<uint8_t>& query, int perSecond)
    : fd(BindUdp(from.ip, from.port)), query(query)
{
    const sockaddr_in target = SocketAddress(to.ip, to.port);
    const auto period = std::chrono::microseconds(1000000 / perSecond);
    worker = std::thread([this, target, period] {
        auto due = std::chrono::steady_clock::now();
        while (!stop && fd >= 0) {
            for (const auto now = std::chrono::steady_clock::now(); now >= due; due += period)
                if (sendto(fd, this->query.data(), this->query.size(), 0, reinterpret_cast<const sockaddr*>(&target),
                           sizeof target) == ssize_t(this->query.size()))
                    ++sent;
            {
                std::lock_guard lock(mutex);
                TakeReplies(fd, &replies);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
}

QueryFlood::~QueryFlood()
{
    stop = true;
    worker.join();
    if (fd >= 0)
        close(fd);
}

QueryOutcome QueryFlood::Replies()
{
    std::lock_guard lock(mutex);
    TakeReplies(fd, &replies);
    return replies;
}

} // namespace nettest

namespace nettest {

void PumpAll(const std::vector<RawClient*>& clients, int turns, const std::function<bool()>& done)
{
    for (int turn = 0; turn < turns && !(done && done()); ++turn)
        for (RawClient* raw : clients)
            raw->Pump(1);
}

int HelloAnswer(RawClient& raw, size_t link, const NetAddress& host, const NetAppDesc& desc,
                const std::vector<uint8_t>& data)
{
    const size_t before = raw.Frames().size();
    OpenAndHello(raw, link, host, desc, data);
    raw.Pump(1000, [&] { return raw.Frames().size() > before; });
    ControlFrame answer;
    if (raw.Frames().size() == before ||
        !DecodeControlFrame(raw.Frames()[before].data(), raw.Frames()[before].size(), &answer))
        return NO_ANSWER;
    if (answer.kind == ControlKind::WELCOME)
        return 0;
    return answer.kind == ControlKind::REJECT ? int(answer.reason) : NO_ANSWER;
}

} // namespace nettest

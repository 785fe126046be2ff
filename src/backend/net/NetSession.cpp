#include "backend/net/NetSession.h"

#include "backend/net/SessionLink.h"
#include "backend/net/SessionState.h"

#include <arpa/inet.h>
#include <sys/random.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <functional>

namespace backend {

namespace {

using Clock = std::chrono::steady_clock;

// Queries EnumHosts sends at once, each on a challenge of the host.
constexpr uint32_t ENUM_COOKIE_QUERIES_MAX = 4;

uint32_t RandomU32()
{
    static thread_local std::random_device device;
    return device();
}

NetGuid RandomGuid()
{
    NetGuid guid;
    for (size_t i = 0; i < sizeof guid.bytes; i += 4) {
        const uint32_t value = RandomU32();
        for (size_t k = 0; k < 4; ++k)
            guid.bytes[i + k] = static_cast<uint8_t>(value >> (8 * k));
    }
    return guid;
}

ENetAddress ToEnet(const NetAddress& address)
{
    ENetAddress result;
    result.host = htonl(address.ip);
    result.port = address.port;
    return result;
}

uint32_t MsSince(Clock::time_point start)
{
    return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

} // namespace

uint64_t RandomSecret()
{
    uint64_t secret = 0;
    uint8_t* bytes = reinterpret_cast<uint8_t*>(&secret);
    size_t filled = 0;
    while (filled < sizeof secret) {
        const ssize_t got = getrandom(bytes + filled, sizeof secret - filled, 0);
        if (got > 0)
            filled += static_cast<size_t>(got);
        else if (got < 0 && errno != EINTR)
            break;
    }
    // Without the system call std::random_device reads the same source.
    while (filled < sizeof secret || secret == 0) {
        secret = (static_cast<uint64_t>(RandomU32()) << 32) | RandomU32();
        filled = sizeof secret;
    }
    return secret;
}

bool ParseNetAddress(const char* text, uint16_t port, NetAddress* address)
{
    in_addr parsed;
    if (text == nullptr || inet_aton(text, &parsed) == 0)
        return false;
    address->ip = ntohl(parsed.s_addr);
    address->port = port;
    return true;
}

NetSession::State::State(NetMessageHandler handler, const NetSessionOptions& options)
    : handler(std::move(handler)), options(options)
{
}

void NetSession::State::StartDispatcher()
{
    if (dispatcher.joinable())
        return;
    {
        std::lock_guard lock(queueMutex);
        dispatchStop = false;
    }
    dispatcher = std::thread([this] { DispatchLoop(); });
}

void NetSession::State::StopDispatcher()
{
    if (!dispatcher.joinable())
        return;
    {
        std::lock_guard lock(queueMutex);
        queue.clear();
        queuedFrom.clear();
        dispatchStop = true;
        queueChanged.notify_all();
    }
    // Waits for a handler call that is running.
    dispatcher.join();
    std::lock_guard lock(queueMutex);
    doneCount = queuedCount;
}

uint64_t NetSession::State::Queue(QueuedMessage message)
{
    std::lock_guard lock(queueMutex);
    queue.push_back(std::move(message));
    queueChanged.notify_all();
    return ++queuedCount;
}

bool NetSession::State::QueueReceived(uint32_t from, std::vector<uint8_t> data)
{
    std::lock_guard lock(queueMutex);
    size_t& waiting = queuedFrom[from];
    if (waiting >= MEMBER_QUEUED_MAX)
        return false;
    ++waiting;
    QueuedMessage message;
    message.type = NetMessageType::RECEIVE;
    message.playerId = from;
    message.data = std::move(data);
    queue.push_back(std::move(message));
    queueChanged.notify_all();
    ++queuedCount;
    return true;
}

bool NetSession::State::WaitDispatched(uint64_t seq)
{
    std::unique_lock lock(queueMutex);
    queueChanged.wait(lock, [&] { return doneCount >= seq || dispatchStop; });
    return doneCount >= seq;
}

void NetSession::State::DispatchLoop()
{
    std::unique_lock lock(queueMutex);
    for (;;) {
        queueChanged.wait(lock, [&] { return dispatchStop || !queue.empty(); });
        if (dispatchStop)
            return;
        QueuedMessage queued = std::move(queue.front());
        queue.pop_front();
        if (queued.type == NetMessageType::RECEIVE) {
            const auto waiting = queuedFrom.find(queued.playerId);
            if (waiting != queuedFrom.end() && --waiting->second == 0)
                queuedFrom.erase(waiting);
        }
        lock.unlock();

        if (queued.type == NetMessageType::ORDER_CHANGED) {
            std::lock_guard tableLock(tableMutex);
            order = std::move(queued.order);
        }
        NetMessage message;
        message.type = queued.type;
        message.playerId = queued.playerId;
        message.reason = queued.reason;
        message.data = queued.data.data();
        message.size = queued.data.size();
        message.sender = queued.sender;
        message.desc = &queued.desc;
        message.roundTripMs = queued.roundTripMs;
        const bool taken = handler ? handler(message) : true;
        // A player's info stays readable until its departure has been delivered.
        if (queued.type == NetMessageType::DESTROY_PLAYER) {
            std::lock_guard tableLock(tableMutex);
            table.erase(queued.playerId);
        }

        lock.lock();
        ++doneCount;
        lastTaken = taken;
        queueChanged.notify_all();
    }
}

bool NetSession::State::CreateHost(const ENetAddress& address)
{
    host = enet_host_create(&address, SESSION_PEER_SLOTS, CHANNEL_COUNT, 0, 0);
    if (host == nullptr)
        return false;
    ChecksumDatagrams(host);
    host->intercept = SessionIntercept;
    host->duplicatePeers = LINKS_PER_ADDRESS;
    host->maximumPacketSize = SESSION_PACKET_MAX;
    host->maximumWaitingData = SESSION_WAITING_DATA_MAX;
    return true;
}

void NetSession::State::StartIo()
{
    ioStop = false;
    ioThread = std::thread([this] { IoLoop(); });
}

void NetSession::State::StopIo()
{
    ioStop = true;
    if (ioThread.joinable())
        ioThread.join();
}

void NetSession::State::DestroyHost()
{
    if (host != nullptr)
        enet_host_destroy(host);
    host = nullptr;
    ResetSession();
}

bool NetSession::State::AnyLink() const
{
    for (size_t i = 0; i < host->peerCount; ++i)
        if (host->peers[i].state != ENET_PEER_STATE_DISCONNECTED)
            return true;
    return false;
}

void NetSession::State::ResetSession()
{
    phase = SessionPhase::IDLE;
    isHost = false;
    localId = 0;
    localJoinSeq = 0;
    hostId = 0;
    highestJoinSeq = 0;
    desc = NetAppDesc();
    members.clear();
    roster.clear();
    hostPeer = nullptr;
    joinedSeq = 0;
    reportedUnanswered = false;
    cookieKey = {};
    cookieHost = {};
    hostCookie = 0;
    cookieAt = {};
    pending.clear();
    halfLinks.clear();
    closers.clear();
    queryBudgets.fill({});
    FlushLogWindows(true);
    otherLinkLostAt = {};
    otherLinkRemoved = false;
    hostLostAt = {};
    awaitingSurvivors = false;
    lossShare = 0;
    muted = false;
    ignored.clear();
}

void NetSession::State::ClearTable()
{
    std::lock_guard lock(tableMutex);
    table.clear();
    order.clear();
}

NetSession::NetSession(NetMessageHandler handler, const NetSessionOptions& options)
    : state(std::make_unique<State>(std::move(handler), options))
{
    enet_initialize();
}

NetSession::~NetSession()
{
    Close();
}

bool NetSession::Host(const NetAppDesc& desc, uint16_t port)
{
    State& s = *state;
    uint64_t seq = 0;
    {
        std::lock_guard lock(s.ioMutex);
        if (s.phase != SessionPhase::IDLE) {
            LogSession("could not host: this player is in a session already");
            return false;
        }
        if (desc.appData.size() > NET_DATA_MAX) {
            LogSession("could not host: %zu bytes of application data, more than %zu", desc.appData.size(),
                       NET_DATA_MAX);
            return false;
        }
        const ENetAddress address = ToEnet({s.options.bindIp, port});
        // ENet leaves the errno of the socket call that failed.
        errno = 0;
        if (!s.CreateHost(address)) {
            const int error = errno;
            LogSession("could not host on %s: %s", AddressText(address).c_str(),
                       error != 0 ? std::strerror(error) : "ENet could not create its host");
            return false;
        }
        s.desc = desc;
        s.desc.instance = RandomGuid();
        s.isHost = true;
        s.cookieKey = {RandomSecret(), RandomSecret()};
        uint32_t prefix = 0;
        while (prefix == 0)
            prefix = RandomU32() & 0xFFFF;
        s.localJoinSeq = 1;
        s.highestJoinSeq = 1;
        s.localId = (prefix << 16) | s.localJoinSeq;
        s.hostId = s.localId;
        s.phase = SessionPhase::IN_SESSION;
        s.StartDispatcher();
        s.roster = {s.localId};
        s.QueueOrder();
        s.CreateLocalPlayer();
        seq = s.joinedSeq;
        s.StartIo();
    }
    s.WaitDispatched(seq);
    return true;
}

namespace {

// A host's answer to QueryHost.
struct HostReply {
    ENetAddress from;
    HostAnswer answer;
    uint32_t roundTripMs = 0;
};

// Asks the host at `address` for its session: `enumAttempts` queries spread
// over the time-out. A challenge of the host (the answers it gives our address
// are spent) gives our address's cookie: a query showing it goes at once (a
// few at most), and every later query shows it too. True once `take` took an
// answer of `application`.
bool QueryHost(const NetSessionOptions& options, const NetGuid& application, const NetAddress& address,
               const std::function<bool(const HostReply&)>& take)
{
    const ENetSocket socket = enet_socket_create(ENET_SOCKET_TYPE_DATAGRAM);
    if (socket == ENET_SOCKET_NULL)
        return false;
    const ENetAddress local = ToEnet({options.bindIp, 0});
    const ENetAddress target = ToEnet(address);
    if (enet_socket_bind(socket, &local) < 0 || enet_socket_set_option(socket, ENET_SOCKOPT_NONBLOCK, 1) < 0) {
        enet_socket_destroy(socket);
        return false;
    }

    HostQuery query;
    query.application = application;
    query.nonce = RandomU32();
    std::vector<uint8_t> bytes = EncodeHostQuery(query);
    const uint32_t attempts = std::max<uint32_t>(options.enumAttempts, 1);
    const uint32_t interval = options.enumTimeoutMs / attempts;
    const Clock::time_point start = Clock::now();
    Clock::time_point lastSent = start;
    const auto send = [&] {
        ENetBuffer buffer;
        buffer.data = bytes.data();
        buffer.dataLength = bytes.size();
        enet_socket_send(socket, &target, &buffer, 1);
        lastSent = Clock::now();
    };
    uint32_t sent = 0;
    uint32_t cookieQueries = 0; // sent at once on a challenge
    for (;;) {
        const uint32_t elapsed = MsSince(start);
        if (elapsed >= options.enumTimeoutMs)
            break;
        if (sent < attempts && elapsed >= sent * interval) {
            send();
            ++sent;
        }
        const uint32_t nextSend = sent < attempts ? sent * interval : options.enumTimeoutMs;
        enet_uint32 condition = ENET_SOCKET_WAIT_RECEIVE;
        const uint32_t wait = nextSend > elapsed ? nextSend - elapsed : 0;
        if (enet_socket_wait(socket, &condition, wait) < 0 || (condition & ENET_SOCKET_WAIT_RECEIVE) == 0)
            continue;
        uint8_t received[1024];
        ENetBuffer buffer;
        buffer.data = received;
        buffer.dataLength = sizeof received;
        ENetAddress from;
        const int size = enet_socket_receive(socket, &from, &buffer, 1);
        const bool fromTarget = from.host == target.host && from.port == target.port;
        // The host answers a query without our address's cookie only a few
        // times a second, which queries forged from our address may spend:
        // its challenge gives the cookie, which this query and every later
        // one shows.
        HostChallenge challenge;
        if (size > 0 && DecodeHostChallenge(received, static_cast<size_t>(size), &challenge)) {
            if (fromTarget && challenge.nonce == query.nonce && cookieQueries < ENUM_COOKIE_QUERIES_MAX) {
                query.cookie = challenge.cookie;
                bytes = EncodeHostQuery(query);
                send();
                ++cookieQueries;
            }
            continue;
        }
        HostReply reply;
        reply.from = from;
        if (size <= 0 || !DecodeHostAnswer(received, static_cast<size_t>(size), &reply.answer) ||
            reply.answer.nonce != query.nonce || !(reply.answer.desc.application == application))
            continue;
        reply.roundTripMs = MsSince(lastSent);
        if (take(reply)) {
            enet_socket_destroy(socket);
            return true;
        }
    }
    enet_socket_destroy(socket);
    return false;
}

} // namespace

bool NetSession::EnumHosts(const NetGuid& application, const NetAddress& address)
{
    State& s = *state;
    s.StartDispatcher();
    return QueryHost(s.options, application, address, [&](const HostReply& reply) {
        QueuedMessage message;
        message.type = NetMessageType::ENUM_HOSTS_RESPONSE;
        message.sender = FromEnet(reply.from);
        message.desc = reply.answer.desc;
        message.roundTripMs = reply.roundTripMs;
        const uint64_t seq = s.Queue(std::move(message));
        bool taken = false;
        if (s.WaitDispatched(seq)) {
            std::lock_guard lock(s.queueMutex);
            taken = s.lastTaken;
        }
        if (taken) {
            std::lock_guard lock(s.ioMutex);
            s.cookieHost = FromEnet(reply.from);
            s.hostCookie = reply.answer.cookie;
            s.cookieAt = SessionClock::now();
        }
        return taken;
    });
}

uint32_t NetSession::State::FreshCookie(const NetAddress& address) const
{
    const bool fresh = hostCookie != 0 && cookieHost.ip == address.ip && cookieHost.port == address.port &&
                       SessionClock::now() - cookieAt < COOKIE_FRESH;
    return fresh ? hostCookie : 0;
}

bool NetSession::Connect(const NetAppDesc& desc, const NetAddress& address)
{
    State& s = *state;
    // The host takes a connect only with its cookie for our address, which
    // shows that we receive its answers here; one an answer gave a while ago
    // may have aged out.
    uint32_t cookie = 0;
    {
        std::lock_guard lock(s.ioMutex);
        if (s.phase != SessionPhase::IDLE)
            return false;
        cookie = s.FreshCookie(address);
    }
    const ENetAddress target = ToEnet(address);
    if (cookie == 0) {
        QueryHost(s.options, desc.application, address, [&](const HostReply& reply) {
            cookie = reply.from.host == target.host && reply.from.port == target.port ? reply.answer.cookie : 0;
            return cookie != 0;
        });
    }
    if (cookie == 0) {
        LogSession("could not join: the host at %s did not answer", AddressText(target).c_str());
        return false;
    }
    bool joined = false;
    uint64_t seq = 0;
    {
        std::unique_lock lock(s.ioMutex);
        if (s.phase != SessionPhase::IDLE)
            return false;
        // On the game's port when it is free, so that this player can be found
        // at its address should it become the host.
        if (!s.CreateHost(ToEnet({s.options.bindIp, address.port})) && !s.CreateHost(ToEnet({s.options.bindIp, 0})))
            return false;
        s.desc = desc;
        s.phase = SessionPhase::JOINING;
        s.hostPeer = OpenLink(s.host, target, CHANNEL_COUNT, cookie);
        if (s.hostPeer != nullptr) {
            s.SetLinkTimeouts(s.hostPeer);
            // The welcome moves the deadline on.
            s.joinDeadline = SessionClock::now() + std::chrono::milliseconds(s.options.connectTimeoutMs);
            s.StartDispatcher();
            s.StartIo();
            while (s.phase == SessionPhase::JOINING && SessionClock::now() < s.joinDeadline)
                s.phaseChanged.wait_until(lock, s.joinDeadline);
        }
        if (s.phase == SessionPhase::JOINING && s.localId == 0)
            LogSession("could not join: the host did not admit this player in time");
        else if (s.phase == SessionPhase::JOINING)
            LogSession("could not join: players %s did not answer this player, and the host did not remove them in "
                       "time",
                       s.UnansweredText().c_str());
        joined = s.phase == SessionPhase::IN_SESSION;
        seq = s.joinedSeq;
    }
    if (!joined) {
        Close();
        return false;
    }
    s.WaitDispatched(seq);
    return true;
}

void NetSession::SetAdmissionCheck(NetAdmissionCheck check)
{
    std::lock_guard lock(state->ioMutex);
    state->admissionCheck = std::move(check);
}

bool NetSession::SetApplicationDesc(uint32_t maxPlayers, bool joinable, const std::vector<uint8_t>& appData)
{
    State& s = *state;
    std::lock_guard lock(s.ioMutex);
    if (s.phase != SessionPhase::IN_SESSION || !s.isHost || appData.size() > NET_DATA_MAX)
        return false;
    s.desc.maxPlayers = maxPlayers;
    s.desc.joinable = joinable;
    s.desc.appData = appData;
    ControlFrame frame;
    frame.kind = ControlKind::APP_DESC;
    frame.desc = s.desc;
    s.BroadcastControl(frame, 0);
    enet_host_flush(s.host);
    return true;
}

bool NetSession::SetPeerInfo(const std::string& name, const std::vector<uint8_t>& data)
{
    State& s = *state;
    if (data.size() > NET_DATA_MAX)
        return false;
    std::lock_guard lock(s.ioMutex);
    // Once announced, the name stays: the other players keep the host's word for it.
    if (s.phase == SessionPhase::IDLE || s.phase == SessionPhase::FAILED)
        s.localName = name.substr(0, std::min(name.find('\0'), NET_PLAYER_NAME_MAX));
    s.localData = data;
    if (s.phase != SessionPhase::IN_SESSION)
        return true;
    {
        std::lock_guard tableLock(s.tableMutex);
        s.table[s.localId].info.data = s.localData;
    }
    ControlFrame frame;
    frame.kind = ControlKind::PEER_INFO;
    frame.member = s.LocalRecord();
    s.BroadcastControl(frame, 0);
    enet_host_flush(s.host);
    return true;
}

bool NetSession::GetPeerInfo(uint32_t playerId, NetPlayerInfo* info) const
{
    std::lock_guard lock(state->tableMutex);
    const auto found = state->table.find(playerId);
    if (found == state->table.end())
        return false;
    *info = found->second.info;
    info->playersBefore = static_cast<uint32_t>(std::count_if(
        state->order.begin(), state->order.end(), [&](uint32_t id) { return JoinSeqOf(id) < found->second.joinSeq; }));
    return true;
}

bool NetSession::GetConnectionInfo(uint32_t playerId, uint32_t* roundTripMs) const
{
    std::lock_guard lock(state->tableMutex);
    const auto found = state->table.find(playerId);
    if (found == state->table.end())
        return false;
    *roundTripMs = found->second.roundTripMs;
    return true;
}

bool NetSession::SendTo(uint32_t to, const void* data, size_t size, bool guaranteed)
{
    State& s = *state;
    if (size > NET_MESSAGE_MAX)
        return false;
    std::lock_guard lock(s.ioMutex);
    if (s.phase != SessionPhase::IN_SESSION)
        return false;
    std::vector<ENetPeer*> peers;
    for (const Member& member : s.members)
        if (member.created && member.peer != nullptr && (to == NET_ALL_PLAYERS || to == member.record.id))
            peers.push_back(member.peer);
    if (peers.empty())
        return to == NET_ALL_PLAYERS;
    ENetPacket* packet = enet_packet_create(data, size, guaranteed ? ENET_PACKET_FLAG_RELIABLE : 0);
    if (packet == nullptr)
        return false;
    for (ENetPeer* peer : peers)
        enet_peer_send(peer, CHANNEL_GAME, packet);
    if (packet->referenceCount == 0)
        enet_packet_destroy(packet);
    enet_host_flush(s.host);
    return true;
}

void NetSession::Close()
{
    State& s = *state;
    s.StopIo();
    {
        std::lock_guard lock(s.ioMutex);
        if (s.host != nullptr) {
            for (size_t i = 0; i < s.host->peerCount; ++i)
                if (s.host->peers[i].state != ENET_PEER_STATE_DISCONNECTED)
                    enet_peer_disconnect(&s.host->peers[i], DISCONNECT_NORMAL);
            // Gives the normal leaves time to be acknowledged; the events are not ours any more.
            const Clock::time_point start = Clock::now();
            ENetEvent event;
            while (s.AnyLink() && MsSince(start) < s.options.closeLingerMs) {
                if (enet_host_service(s.host, &event, 5) > 0 && event.type == ENET_EVENT_TYPE_RECEIVE)
                    enet_packet_destroy(event.packet);
            }
        }
        s.DestroyHost();
    }
    s.StopDispatcher();
    s.ClearTable();
}

bool NetSession::InSession() const
{
    std::lock_guard lock(state->ioMutex);
    return state->phase == SessionPhase::IN_SESSION;
}

bool NetSession::IsHost() const
{
    std::lock_guard lock(state->ioMutex);
    return state->phase == SessionPhase::IN_SESSION && state->isHost;
}

uint32_t NetSession::LocalPlayerId() const
{
    std::lock_guard lock(state->ioMutex);
    return state->localId;
}

void NetSession::SetIncomingLoss(double share, uint32_t seed)
{
    std::lock_guard lock(state->ioMutex);
    state->lossShare = share;
    state->lossRandom.seed(seed);
}

void NetSession::IgnoreFrom(const NetAddress& from, uint32_t forMs)
{
    const SessionClock::time_point until =
        forMs == UINT32_MAX ? SessionClock::time_point::max() : SessionClock::now() + std::chrono::milliseconds(forMs);
    std::lock_guard lock(state->ioMutex);
    std::erase_if(state->ignored, [&](const IgnoredSender& sender) {
        return sender.address.ip == from.ip && sender.address.port == from.port;
    });
    state->ignored.push_back({from, until});
}

void NetSession::Mute()
{
    std::lock_guard lock(state->ioMutex);
    state->muted = true;
}

NetTrafficStats NetSession::GetTrafficStats() const
{
    State& s = *state;
    std::lock_guard lock(s.ioMutex);
    NetTrafficStats stats;
    if (s.host != nullptr) {
        stats.sentBytes = s.host->totalSentData;
        stats.sentDatagrams = s.host->totalSentPackets;
        stats.receivedBytes = s.host->totalReceivedData;
        stats.receivedDatagrams = s.host->totalReceivedPackets;
    }
    return stats;
}

void NetSession::Vanish()
{
    State& s = *state;
    s.StopIo();
    {
        std::lock_guard lock(s.ioMutex);
        // Destroying the host resets every link without telling the other side.
        s.DestroyHost();
    }
    s.StopDispatcher();
    s.ClearTable();
}

} // namespace backend

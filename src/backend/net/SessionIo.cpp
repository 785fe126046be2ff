// The I/O thread of a session: ENet servicing, the host's answers to queries,
// admission, the links between players, departures and the host election.

#include "backend/net/SessionState.h"

#include <arpa/inet.h>
#include <enet/time.h>

#include <algorithm>
#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstring>

namespace backend {

namespace {

constexpr uint32_t LINK_TIMEOUT_LIMIT = 32;
constexpr uint32_t IO_WAIT_MS = 5;
// Per budget (the source IPv4 addresses that share one) and second: host
// answers to queries without the address's cookie; answers to queries showing
// it, which queries forged from the address cannot spend; and, once the first
// are spent, challenges (12 bytes) that give queries without it the cookie,
// far more than a forger's hundred a second spend.
constexpr uint32_t ANSWERS_PER_SECOND = 4;
constexpr uint32_t COOKIE_ANSWERS_PER_SECOND = 4;
constexpr uint32_t CHALLENGES_PER_SECOND = 1024;
constexpr auto QUERY_BUDGET_PERIOD = std::chrono::seconds(1);
// Lines about refused or closed links per source address and window, and the
// addresses remembered.
constexpr uint32_t LINK_LOG_LINES = 3;
constexpr auto LINK_LOG_WINDOW = std::chrono::seconds(10);
constexpr size_t LINK_LOG_SOURCES_MAX = 64;

// The session whose host this thread services, for the intercept callback,
// which ENet gives only the host.
thread_local NetSession::State* t_Servicing = nullptr;

const char* RejectText(uint8_t reason)
{
    switch (reason) {
    case REJECT_NOT_HOST:
        return "that player is not the host";
    case REJECT_WRONG_SESSION:
        return "the session is another one now";
    case REJECT_NOT_JOINABLE:
        return "the race has started";
    case REJECT_FULL:
        return "the session is full";
    case REJECT_VERSION:
        return "the host runs another version of the game";
    case REJECT_REFUSED:
        return "the host turned down what this player claims (its start slot is taken?)";
    case REJECT_UNANSWERED:
        return "most players did not answer this player in time (its own link is the one not keeping up)";
    case REJECT_UNHEARD:
        return "players did not answer this player in time; the host removes them once a player at another "
               "address says the same";
    default:
        return "no reason given";
    }
}

// ENet's sum of a datagram of no link: taken with 0 in the checksum's place,
// which ends at `end`.
bool LinklessSumHolds(const uint8_t* bytes, size_t size, size_t end)
{
    enet_uint32 sum = 0;
    std::memcpy(&sum, bytes + end - sizeof sum, sizeof sum);
    const enet_uint32 zero = 0;
    ENetBuffer parts[3];
    parts[0].data = const_cast<uint8_t*>(bytes);
    parts[0].dataLength = end - sizeof sum;
    parts[1].data = const_cast<enet_uint32*>(&zero);
    parts[1].dataLength = sizeof zero;
    parts[2].data = const_cast<uint8_t*>(bytes + end);
    parts[2].dataLength = size - end;
    return enet_crc32(parts, 3) == sum;
}

// The connect id and data of the connect the datagram carries, read as ENet
// reads them, after a checksum when `summed`; false when it carries none ENet
// would take, its sum included.
bool ConnectIn(const ENetHost* enetHost, bool summed, enet_uint32* connectId, uint32_t* data)
{
    const uint8_t* bytes = enetHost->receivedData;
    const size_t size = enetHost->receivedDataLength;
    enet_uint16 word = 0;
    if (size < sizeof word)
        return false;
    std::memcpy(&word, bytes, sizeof word);
    word = ENET_NET_TO_HOST_16(word);
    const enet_uint16 flags = word & ENET_PROTOCOL_HEADER_FLAG_MASK;
    if ((word & ENET_PROTOCOL_MAXIMUM_PEER_ID) != ENET_PROTOCOL_MAXIMUM_PEER_ID ||
        (flags & ENET_PROTOCOL_HEADER_FLAG_COMPRESSED) != 0)
        return false;
    size_t offset = (flags & ENET_PROTOCOL_HEADER_FLAG_SENT_TIME) != 0 ? sizeof(ENetProtocolHeader)
                                                                       : offsetof(ENetProtocolHeader, sentTime);
    if (summed)
        offset += sizeof(enet_uint32);
    ENetProtocolConnect connect;
    if (size < offset + sizeof connect)
        return false;
    std::memcpy(&connect, bytes + offset, sizeof connect);
    const enet_uint32 channels = ENET_NET_TO_HOST_32(connect.channelCount);
    if ((connect.header.command & ENET_PROTOCOL_COMMAND_MASK) != ENET_PROTOCOL_COMMAND_CONNECT ||
        channels < ENET_PROTOCOL_MINIMUM_CHANNEL_COUNT || channels > ENET_PROTOCOL_MAXIMUM_CHANNEL_COUNT)
        return false;
    if (summed && !LinklessSumHolds(bytes, size, offset))
        return false;
    *connectId = connect.connectID;
    *data = ENET_NET_TO_HOST_32(connect.data);
    return true;
}

// "refused a query of another version of the game from 127.0.0.1:5102 (session format 7, ours is 8)";
// format 0 is a query of a copy before format 6, which did not say its format.
std::string OtherVersionLine(const char* what, const ENetAddress& from, uint32_t format)
{
    return std::string("refused ") + what + " of another version of the game from " + AddressText(from) +
           " (session format " + (format != 0 ? std::to_string(format) : std::string("before 6")) + ", ours is " +
           std::to_string(SESSION_FORMAT_VERSION) + ")";
}

} // namespace

std::string AddressText(const ENetAddress& address)
{
    char ip[32] = "?";
    enet_address_get_host_ip(&address, ip, sizeof ip);
    return std::string(ip) + ":" + std::to_string(address.port);
}

NetAddress FromEnet(const ENetAddress& address)
{
    return {ntohl(address.host), address.port};
}

uint32_t JoinSeqOf(uint32_t id)
{
    return id & 0xFFFF;
}

// The longest a guaranteed message already sent may take to arrive before its
// link is given up: resent until the time-out, which is checked at a resend.
uint32_t SlowestDeliveryMs(const NetSessionOptions& options)
{
    return options.linkTimeoutMaxMs + options.resendMaxMs;
}

// How long after we noticed a lost host another player's word that it lost it
// too may come. The host's normal leave may reach us while its resends to the other
// are lost for as long as it lingers; the other then notices by its time-out,
// from an answer up to a ping interval old, at its next resend; and its word
// may take as long as any guaranteed message.
uint32_t SurvivorsWaitMs(const NetSessionOptions& options)
{
    return options.closeLingerMs + options.pingIntervalMs + 2 * SlowestDeliveryMs(options);
}

bool SamePrefix(uint32_t a, uint32_t b)
{
    return (a & 0xFFFF0000) == (b & 0xFFFF0000);
}

void LogSession(const char* format, ...)
{
    char line[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    std::fprintf(stderr, "Network session: %s\n", line);
}

int ENET_CALLBACK SessionIntercept(ENetHost* host, ENetEvent*)
{
    return t_Servicing != nullptr ? t_Servicing->Intercept(host) : 0;
}

void NetSession::State::IoLoop()
{
    t_Servicing = this;
    const ENetSocket socket = host->socket;
    while (!ioStop) {
        {
            std::lock_guard lock(ioMutex);
            ENetEvent event;
            while (enet_host_service(host, &event, 0) > 0)
                HandleEvent(event);
            CheckLinks();
            RefreshRoundTrips();
        }
        enet_uint32 condition = ENET_SOCKET_WAIT_RECEIVE;
        enet_socket_wait(socket, &condition, IO_WAIT_MS);
    }
    t_Servicing = nullptr;
}

void NetSession::State::CheckLinks()
{
    for (size_t i = 0; i < host->peerCount; ++i) {
        ENetPeer* peer = &host->peers[i];
        // Half-open: ENet gives it up no later than we do.
        if (peer->state == ENET_PEER_STATE_ACKNOWLEDGING_CONNECT)
            enet_peer_timeout(peer, LINK_TIMEOUT_LIMIT, options.helloTimeoutMs, options.helloTimeoutMs);
        if (peer->state != ENET_PEER_STATE_DISCONNECTED)
            CapResendIntervals(peer);
    }
    const SessionClock::time_point now = SessionClock::now();
    ForgetClosedHalfLinks();
    for (size_t i = 0; i < halfLinks.size();) {
        if (now < halfLinks[i].deadline)
            ++i;
        else
            CloseHalfLink(i, halfLinks[i].peer->state == ENET_PEER_STATE_ACKNOWLEDGING_CONNECT
                                 ? "it did not finish connecting in time"
                                 : "it did not acknowledge our closing of the link in time");
    }
    for (size_t i = 0; i < pending.size();) {
        if (now < pending[i].deadline)
            ++i;
        else
            Refuse(pending[i].peer, pending[i].helloSeen
                                        ? "its hello named no player the host announced with that token"
                                        : "it did not say who it is in time");
    }
    if (awaitingSurvivors && now >= survivorsDeadline)
        DecideAtSurvivorsDeadline();
    if (phase == SessionPhase::JOINING && localId != 0 && !reportedUnanswered && now >= answerDeadline)
        ReportUnanswered();
    FlushLogWindows(false);
}

void NetSession::State::CapResendIntervals(ENetPeer* peer)
{
    // ENet doubles the wait after every resend; on a lossy link that soon
    // means nothing is resent before the link is given up.
    ENetList& sent = peer->sentReliableCommands;
    for (ENetListIterator it = enet_list_begin(&sent); it != enet_list_end(&sent); it = enet_list_next(it)) {
        ENetOutgoingCommand* command = reinterpret_cast<ENetOutgoingCommand*>(it);
        command->roundTripTimeout = std::min(command->roundTripTimeout, options.resendMaxMs);
    }
    // ENet set the next resend from the doubled wait before we capped it.
    if (!enet_list_empty(&sent)) {
        const ENetOutgoingCommand* first = reinterpret_cast<ENetOutgoingCommand*>(enet_list_front(&sent));
        const enet_uint32 due = first->sentTime + first->roundTripTimeout;
        if (ENET_TIME_LESS(due, peer->nextTimeout))
            peer->nextTimeout = due;
    }
}

QueryReply NetSession::State::MayAnswer(const ENetAddress& address, bool cookieShown)
{
    const SessionClock::time_point now = SessionClock::now();
    const uint32_t ip = FromEnet(address).ip;
    const uint8_t bytes[4] = {uint8_t(ip >> 24), uint8_t(ip >> 16), uint8_t(ip >> 8), uint8_t(ip)};
    QueryBudget& budget = queryBudgets[SipHash24(cookieKey, bytes, sizeof bytes) % QUERY_BUDGETS];
    if (now - budget.start >= QUERY_BUDGET_PERIOD)
        budget = {now};
    // A query showing the cookie that is over its budget gets nothing: no
    // challenge to be answered again.
    if (cookieShown) {
        if (budget.cookieAnswers >= COOKIE_ANSWERS_PER_SECOND)
            return QueryReply::NONE;
        ++budget.cookieAnswers;
        return QueryReply::ANSWER;
    }
    if (budget.answers < ANSWERS_PER_SECOND) {
        ++budget.answers;
        return QueryReply::ANSWER;
    }
    if (budget.challenges < CHALLENGES_PER_SECOND) {
        ++budget.challenges;
        return QueryReply::CHALLENGE;
    }
    return QueryReply::NONE;
}

int NetSession::State::Intercept(ENetHost* enetHost)
{
    if (lossShare > 0 && std::uniform_real_distribution<double>(0, 1)(lossRandom) < lossShare)
        return 1;
    const NetAddress from = FromEnet(enetHost->receivedAddress);
    if (std::any_of(ignored.begin(), ignored.end(), [&](const IgnoredSender& sender) {
            return sender.address.ip == from.ip && sender.address.port == from.port &&
                   SessionClock::now() < sender.until;
        }))
        return 1;
    enet_uint32 connectId = 0;
    uint32_t data = 0;
    const bool summed = enetHost->checksum != nullptr;
    if (ConnectIn(enetHost, summed, &connectId, &data)) {
        // Only a sender that receives at its address has the host's cookie
        // for it: a connect without one gets no place and no answer.
        if (isHost && !IsOtherFormat(data) && !IsHostCookie(cookieKey, from.ip, data, CookieEpoch())) {
            LogLink(enetHost->receivedAddress, "dropped a connect from " + AddressText(enetHost->receivedAddress) +
                                                   ": it did not show the host's cookie for its address");
            return 1;
        }
        return MakeRoomForConnect(enetHost->receivedAddress, connectId, data) ? 0 : 1;
    }
    // One without a checksum would fail ENet's sum: it is told nothing.
    if (summed && ConnectIn(enetHost, false, &connectId, &data) && (data & 0xFFFFFF00) == SESSION_PROTOCOL_FAMILY) {
        LogLink(enetHost->receivedAddress, "dropped a connect without a checksum from " +
                                               AddressText(enetHost->receivedAddress) +
                                               " (an older copy of the game, or a forged datagram)");
        return 1;
    }
    const uint8_t* bytes = enetHost->receivedData;
    const size_t size = enetHost->receivedDataLength;
    if (!IsHostDatagram(bytes, size))
        return 0;
    // Ours either way: ENet would only take it for garbage.
    uint8_t format = 0;
    if (!isHost || phase != SessionPhase::IN_SESSION || !PeekHostQueryFormat(bytes, size, desc.application, &format))
        return 1;
    // A copy of another format does not find the session, which it could not
    // join; its query's size may differ from ours, so the format is read first.
    if (format != SESSION_FORMAT_VERSION) {
        LogLink(enetHost->receivedAddress, OtherVersionLine("a query", enetHost->receivedAddress, format),
                LoggedAbout::QUERY);
        return 1;
    }
    HostQuery query;
    if (!DecodeHostQuery(bytes, size, &query))
        return 1;
    const uint32_t epoch = CookieEpoch();
    // Only a sender that receives at the address learns its cookie: a
    // forger of the address cannot spend what the query showing it gets.
    const bool cookieShown = query.cookie != 0 && IsHostCookie(cookieKey, from.ip, query.cookie, epoch);
    const QueryReply kind = MayAnswer(enetHost->receivedAddress, cookieShown);
    if (kind == QueryReply::NONE)
        return 1;
    const uint32_t cookie = HostCookie(cookieKey, from.ip, epoch);
    std::vector<uint8_t> reply;
    if (kind == QueryReply::CHALLENGE) {
        reply = EncodeHostChallenge({query.nonce, cookie});
    } else {
        HostAnswer answer;
        answer.nonce = query.nonce;
        answer.desc = desc;
        answer.desc.currentPlayers = PlayerCount();
        answer.cookie = cookie;
        reply = EncodeHostAnswer(answer);
    }
    if (reply.size() > size)
        return 1;
    ENetBuffer buffer;
    buffer.data = reply.data();
    buffer.dataLength = reply.size();
    enet_socket_send(enetHost->socket, &enetHost->receivedAddress, &buffer, 1);
    return 1;
}

void NetSession::State::HandleEvent(const ENetEvent& event)
{
    switch (event.type) {
    case ENET_EVENT_TYPE_CONNECT: {
        if (event.peer == hostPeer && localId == 0) {
            ControlFrame hello;
            hello.kind = ControlKind::HELLO;
            hello.application = desc.application;
            hello.instance = desc.instance;
            hello.member = LocalRecord();
            SendControl(event.peer, hello);
        } else if (FindMember(event.peer) != nullptr) {
            // A link we opened while joining.
            ControlFrame hello;
            hello.kind = ControlKind::HELLO_PEER;
            hello.instance = desc.instance;
            hello.member.id = localId;
            hello.token = FindMember(event.peer)->token;
            SendControl(event.peer, hello);
        } else if (event.data == SESSION_PROTOCOL_MAGIC || IsConnectTag(event.data)) {
            TakeLink(event.peer, event.data);
        } else if (IsOtherFormat(event.data)) {
            LogLink(event.peer->address, OtherVersionLine("a player", event.peer->address, event.data & 0xFF));
            const std::vector<uint8_t> reject = EncodeFirstFormatReject();
            ENetPacket* packet = enet_packet_create(reject.data(), reject.size(), ENET_PACKET_FLAG_RELIABLE);
            if (packet != nullptr && enet_peer_send(event.peer, CHANNEL_CONTROL, packet) < 0)
                enet_packet_destroy(packet);
            enet_peer_disconnect_later(event.peer, 0);
        } else {
            enet_peer_disconnect_now(event.peer, 0);
        }
        break;
    }
    case ENET_EVENT_TYPE_RECEIVE: {
        if (event.channelID == CHANNEL_CONTROL) {
            ControlFrame frame;
            if (DecodeControlFrame(event.packet->data, event.packet->dataLength, &frame))
                HandleControl(event.peer, frame);
        } else if (Member* member = FindMember(event.peer)) {
            std::vector<uint8_t> data(event.packet->data, event.packet->data + event.packet->dataLength);
            if (member->created) {
                if (!QueueReceived(member->record.id, std::move(data)))
                    DropMember(*member, "it sends faster than the game takes its messages");
            } else if (phase == SessionPhase::JOINING) {
                if (member->early.size() < MEMBER_QUEUED_MAX)
                    member->early.push_back(std::move(data));
                else
                    DropMember(*member, "it sent too much before the join ended");
            }
        }
        enet_packet_destroy(event.packet);
        break;
    }
    case ENET_EVENT_TYPE_DISCONNECT: {
        const NetDestroyReason reason =
            event.data == DISCONNECT_NORMAL ? NET_DESTROY_NORMAL : NET_DESTROY_CONNECTION_LOST;
        ForgetPending(event.peer);
        Member* member = FindMember(event.peer);
        if (event.data == DISCONNECT_REMOVED && IsHostsLink(member)) {
            EndCutOff("the host removed this player");
        } else if (member != nullptr) {
            // From any other player, "removed" is that one link lost; should
            // the host's link go too, the host's word did not reach us.
            if (event.data != DISCONNECT_NORMAL && !isHost && phase == SessionPhase::IN_SESSION &&
                member->record.id != hostId) {
                otherLinkLostAt = SessionClock::now();
                otherLinkRemoved = event.data == DISCONNECT_REMOVED;
            }
            member->peer = nullptr;
            // Joining: a listed player that breaks the link did not answer.
            if (phase == SessionPhase::JOINING && member->listed)
                member->acked = false;
            else
                LoseMember(member->record.id, reason);
        } else if (event.peer == hostPeer && phase == SessionPhase::JOINING) {
            if (localId == 0)
                LogSession("the host closed the link before admitting this player (another version of the game?)");
            phase = SessionPhase::FAILED;
            phaseChanged.notify_all();
        }
        if (event.peer == hostPeer)
            hostPeer = nullptr;
        break;
    }
    case ENET_EVENT_TYPE_NONE:
        break;
    }
}

void NetSession::State::HandleControl(ENetPeer* peer, const ControlFrame& frame)
{
    Member* sender = FindMember(peer);
    const bool fromHost = sender != nullptr && sender->record.id == hostId;
    switch (frame.kind) {
    case ControlKind::HELLO:
        if (const PendingLink* link = FindPending(peer)) {
            // Taken while this player was not the host yet.
            if (isHost && !link->cookieShown) {
                Refuse(peer, "it did not show the host's cookie for its address");
                break;
            }
            const SessionClock::time_point since = link->since;
            const uint32_t tag = link->tag;
            Admit(peer, frame);
            // Turned away: it waits with the others while the answer is on its way.
            if (FindMember(peer) == nullptr && peer->state != ENET_PEER_STATE_DISCONNECTED)
                WaitHalfOpen(peer, peer->connectID, tag, since);
        }
        break;
    case ControlKind::WELCOME:
        if (peer == hostPeer && phase == SessionPhase::JOINING && localId == 0)
            Welcomed(frame);
        break;
    case ControlKind::REJECT:
        if (peer == hostPeer && phase == SessionPhase::JOINING) {
            LogSession("the host did not admit this player: %s", RejectText(frame.reason));
            phase = SessionPhase::FAILED;
            phaseChanged.notify_all();
        }
        break;
    case ControlKind::ADD_MEMBER:
        if (fromHost && frame.member.id != 0 && frame.member.id != localId && FindMember(frame.member.id) == nullptr &&
            members.size() < SESSION_MEMBERS_MAX)
            Announced(frame);
        break;
    case ControlKind::REMOVE_MEMBER:
        if (fromHost && frame.member.id != localId && frame.member.id != hostId) {
            // Out of the list before a join it held up can end.
            const bool listed = DropFromRoster(frame.member.id);
            if (Member* gone = FindMember(frame.member.id))
                RemoveMember(*gone,
                             frame.reason == NET_DESTROY_NORMAL ? NET_DESTROY_NORMAL : NET_DESTROY_CONNECTION_LOST);
            if (listed)
                OrderChanged();
        }
        break;
    case ControlKind::HELLO_PEER:
        if (FindPending(peer) != nullptr)
            HelloPeer(peer, frame);
        break;
    // A player's name is the one the host announced; its data, the start
    // slot, moves as the grid closes up.
    case ControlKind::PEER_ACK:
        if (sender != nullptr && phase == SessionPhase::JOINING) {
            sender->record.data = frame.member.data;
            sender->acked = true;
            CompleteJoinIfLinked();
        }
        break;
    case ControlKind::PEER_INFO:
        if (sender != nullptr) {
            sender->record.data = frame.member.data;
            if (sender->created) {
                std::lock_guard lock(tableMutex);
                table[sender->record.id].info.data = frame.member.data;
            }
        }
        break;
    case ControlKind::APP_DESC:
        if (fromHost) {
            desc.maxPlayers = frame.desc.maxPlayers;
            desc.joinable = frame.desc.joinable;
            desc.appData = frame.desc.appData;
        }
        break;
    case ControlKind::HOST_LOST:
        if (sender != nullptr && sender->created && phase == SessionPhase::IN_SESSION)
            SurvivorSaid(*sender, frame);
        break;
    case ControlKind::HOST_SEEN:
        if (sender != nullptr && sender->created && phase == SessionPhase::IN_SESSION)
            SurvivorHearsHost(*sender, frame);
        break;
    case ControlKind::UNANSWERED:
        if (sender != nullptr && isHost && phase == SessionPhase::IN_SESSION && MayReportUnanswered(*sender))
            Unanswered(*sender, frame);
        break;
    case ControlKind::ROSTER:
        if (sender != nullptr && !isHost && localId != 0)
            Rostered(*sender, frame);
        break;
    }
}

const char* LeftOutLines::Subject() const
{
    return queries == 0 ? "links" : links == 0 ? "queries" : "queries and links";
}

void NetSession::State::LogLink(const ENetAddress& address, const std::string& line, LoggedAbout about)
{
    auto window = logWindows.find(address.host);
    if (window == logWindows.end()) {
        if (logWindows.size() >= LINK_LOG_SOURCES_MAX)
            FlushLogWindows(false);
        if (logWindows.size() >= LINK_LOG_SOURCES_MAX) {
            unlistedLeftOut.Count(about);
            return;
        }
        window = logWindows.emplace(address.host, LogWindow{SessionClock::now(), 0, {}}).first;
    }
    if (window->second.lines >= LINK_LOG_LINES) {
        window->second.leftOut.Count(about);
        return;
    }
    ++window->second.lines;
    LogSession("%s", line.c_str());
}

void NetSession::State::FlushLogWindows(bool all)
{
    const SessionClock::time_point now = SessionClock::now();
    for (auto window = logWindows.begin(); window != logWindows.end();) {
        if (!all && now - window->second.start < LINK_LOG_WINDOW) {
            ++window;
            continue;
        }
        const LeftOutLines& leftOut = window->second.leftOut;
        if (leftOut.Total() > 0) {
            const ENetAddress address = {window->first, 0};
            char ip[32] = "?";
            enet_address_get_host_ip(&address, ip, sizeof ip);
            LogSession("left out %u more lines about %s from %s", leftOut.Total(), leftOut.Subject(), ip);
        }
        window = logWindows.erase(window);
    }
    if (unlistedLeftOut.Total() > 0 && (all || logWindows.size() < LINK_LOG_SOURCES_MAX)) {
        LogSession("left out %u lines about %s from too many addresses", unlistedLeftOut.Total(),
                   unlistedLeftOut.Subject());
        unlistedLeftOut = {};
    }
}

void NetSession::State::DropMember(Member& member, const char* why)
{
    const uint32_t id = member.record.id;
    LogSession("dropped player %08x: %s", id, why);
    if (member.peer != nullptr)
        enet_peer_disconnect_now(member.peer, 0);
    member.peer = nullptr;
    LoseMember(id, NET_DESTROY_CONNECTION_LOST);
}

void NetSession::State::RemoveMember(Member& member, NetDestroyReason reason)
{
    // Tells it why, should it still hear us but not the host.
    if (member.peer != nullptr) {
        enet_peer_disconnect(member.peer, DISCONNECT_REMOVED);
        WaitClosing(member.peer);
    }
    member.peer = nullptr;
    LoseMember(member.record.id, reason);
}

void NetSession::State::CreateLocalPlayer()
{
    {
        std::lock_guard lock(tableMutex);
        TableEntry& entry = table[localId];
        entry.joinSeq = localJoinSeq;
        entry.info.name = localName;
        entry.info.data = localData;
        entry.info.flags = NET_PLAYER_LOCAL | (isHost ? NET_PLAYER_HOST : 0);
    }
    QueuedMessage message;
    message.type = NetMessageType::CREATE_PLAYER;
    message.playerId = localId;
    joinedSeq = Queue(std::move(message));
}

void NetSession::State::CreatePlayer(Member& member)
{
    if (member.created)
        return;
    member.created = true;
    {
        std::lock_guard lock(tableMutex);
        TableEntry& entry = table[member.record.id];
        entry.joinSeq = member.record.joinSeq;
        entry.info.name = member.record.name;
        entry.info.data = member.record.data;
        entry.info.flags = member.record.id == hostId ? NET_PLAYER_HOST : 0;
    }
    QueuedMessage message;
    message.type = NetMessageType::CREATE_PLAYER;
    message.playerId = member.record.id;
    joinedSeq = Queue(std::move(message));
    for (std::vector<uint8_t>& data : member.early) {
        QueuedMessage early;
        early.type = NetMessageType::RECEIVE;
        early.playerId = member.record.id;
        early.data = std::move(data);
        joinedSeq = Queue(std::move(early));
    }
    member.early.clear();
}

void NetSession::State::LoseMember(uint32_t id, NetDestroyReason reason)
{
    const auto found = std::find_if(members.begin(), members.end(), [&](const Member& m) { return m.record.id == id; });
    if (found == members.end())
        return;
    const bool created = found->created;
    members.erase(found);
    if (phase == SessionPhase::JOINING) {
        if (id == hostId) {
            phase = SessionPhase::FAILED;
            phaseChanged.notify_all();
        } else {
            CompleteJoinIfLinked();
        }
        return;
    }
    if (phase != SessionPhase::IN_SESSION)
        return;
    if (created) {
        QueuedMessage message;
        message.type = NetMessageType::DESTROY_PLAYER;
        message.playerId = id;
        message.reason = reason;
        Queue(std::move(message));
    }
    if (isHost) {
        ControlFrame removed;
        removed.kind = ControlKind::REMOVE_MEMBER;
        removed.member.id = id;
        removed.reason = static_cast<uint8_t>(reason);
        BroadcastControl(removed, 0);
        HostRosterChanged();
    }
    // Another player's link lost here moves nobody: the host's list says who is present.
    if (id == hostId) {
        if (DropFromRoster(id))
            OrderChanged();
        HostLost(reason == NET_DESTROY_NORMAL);
    } else {
        ElectIfSurvivorsAgree();
    }
}

void NetSession::State::SendControl(ENetPeer* peer, const ControlFrame& frame)
{
    if (muted)
        return;
    const std::vector<uint8_t> bytes = EncodeControlFrame(frame);
    ENetPacket* packet = enet_packet_create(bytes.data(), bytes.size(), ENET_PACKET_FLAG_RELIABLE);
    if (packet != nullptr && enet_peer_send(peer, CHANNEL_CONTROL, packet) < 0)
        enet_packet_destroy(packet);
}

void NetSession::State::BroadcastControl(const ControlFrame& frame, uint32_t except)
{
    for (const Member& member : members)
        if (member.created && member.peer != nullptr && member.record.id != except)
            SendControl(member.peer, frame);
}

void NetSession::State::SetLinkTimeouts(ENetPeer* peer)
{
    enet_peer_timeout(peer, LINK_TIMEOUT_LIMIT, options.linkTimeoutMinMs, options.linkTimeoutMaxMs);
    enet_peer_ping_interval(peer, options.pingIntervalMs);
}

void NetSession::State::RefreshRoundTrips()
{
    std::lock_guard lock(tableMutex);
    for (const Member& member : members) {
        if (!member.created || member.peer == nullptr)
            continue;
        const auto entry = table.find(member.record.id);
        // ENet starts from a guess until the first acknowledgement comes.
        if (entry != table.end() && member.peer->roundTripTime != ENET_PEER_DEFAULT_ROUND_TRIP_TIME)
            entry->second.roundTripMs = member.peer->roundTripTime;
    }
}

void NetSession::State::SetHostFlags()
{
    std::lock_guard lock(tableMutex);
    for (auto& [id, entry] : table) {
        if (id == hostId)
            entry.info.flags |= NET_PLAYER_HOST;
        else
            entry.info.flags &= ~NET_PLAYER_HOST;
    }
}

bool NetSession::State::IsHostsLink(const Member* member) const
{
    return member != nullptr && !isHost && phase == SessionPhase::IN_SESSION && member->record.id == hostId;
}

Member* NetSession::State::FindMember(uint32_t id)
{
    for (Member& member : members)
        if (member.record.id == id)
            return &member;
    return nullptr;
}

Member* NetSession::State::FindMember(const ENetPeer* peer)
{
    if (peer == nullptr)
        return nullptr;
    for (Member& member : members)
        if (member.peer == peer)
            return &member;
    return nullptr;
}

MemberRecord NetSession::State::LocalRecord() const
{
    MemberRecord record;
    record.id = localId;
    record.joinSeq = localJoinSeq;
    record.name = localName;
    record.data = localData;
    return record;
}

uint32_t NetSession::State::PlayerCount() const
{
    return 1 + static_cast<uint32_t>(
                   std::count_if(members.begin(), members.end(), [](const Member& m) { return m.created; }));
}

} // namespace backend

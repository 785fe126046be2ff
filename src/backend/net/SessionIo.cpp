// The I/O thread of a session: ENet servicing, the host's answers to queries,
// admission, the links between players, departures and the host election.

#include "backend/net/SessionState.h"

#include <arpa/inet.h>

#include <algorithm>
#include <chrono>

namespace backend {

namespace {

constexpr uint32_t LINK_TIMEOUT_LIMIT = 32;
constexpr size_t EARLY_MESSAGES_MAX = 1024;
constexpr uint32_t IO_WAIT_MS = 5;

// The session whose host this thread services, for the intercept callback,
// which ENet gives only the host.
thread_local NetSession::State* t_Servicing = nullptr;

NetAddress FromEnet(const ENetAddress& address)
{
    return {ntohl(address.host), address.port};
}

} // namespace

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
            RefreshRoundTrips();
        }
        enet_uint32 condition = ENET_SOCKET_WAIT_RECEIVE;
        enet_socket_wait(socket, &condition, IO_WAIT_MS);
    }
    t_Servicing = nullptr;
}

int NetSession::State::Intercept(ENetHost* enetHost)
{
    if (lossShare > 0 && std::uniform_real_distribution<double>(0, 1)(lossRandom) < lossShare)
        return 1;
    const uint8_t* bytes = enetHost->receivedData;
    const size_t size = enetHost->receivedDataLength;
    if (!IsHostDatagram(bytes, size))
        return 0;
    HostQuery query;
    if (isHost && phase == SessionPhase::IN_SESSION && DecodeHostQuery(bytes, size, &query) &&
        query.application == desc.application) {
        HostAnswer answer;
        answer.nonce = query.nonce;
        answer.desc = desc;
        answer.desc.currentPlayers = PlayerCount();
        std::vector<uint8_t> reply = EncodeHostAnswer(answer);
        ENetBuffer buffer;
        buffer.data = reply.data();
        buffer.dataLength = reply.size();
        enet_socket_send(enetHost->socket, &enetHost->receivedAddress, &buffer, 1);
    }
    // Ours either way: ENet would only take it for garbage.
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
            hello.member = LocalRecord();
            SendControl(event.peer, hello);
        } else if (event.data != SESSION_PROTOCOL_MAGIC) {
            enet_peer_disconnect_now(event.peer, 0);
        } else {
            SetLinkTimeouts(event.peer);
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
                QueuedMessage message;
                message.type = NetMessageType::RECEIVE;
                message.playerId = member->record.id;
                message.data = std::move(data);
                Queue(std::move(message));
            } else if (phase == SessionPhase::JOINING && member->early.size() < EARLY_MESSAGES_MAX) {
                member->early.push_back(std::move(data));
            }
        }
        enet_packet_destroy(event.packet);
        break;
    }
    case ENET_EVENT_TYPE_DISCONNECT: {
        const NetDestroyReason reason =
            event.data == DISCONNECT_CLEAN ? NET_DESTROY_NORMAL : NET_DESTROY_CONNECTION_LOST;
        if (Member* member = FindMember(event.peer)) {
            member->peer = nullptr;
            LoseMember(member->record.id, reason);
        } else if (event.peer == hostPeer && phase == SessionPhase::JOINING) {
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
        if (sender == nullptr && peer != hostPeer)
            Admit(peer, frame);
        break;
    case ControlKind::WELCOME:
        if (peer == hostPeer && phase == SessionPhase::JOINING && localId == 0)
            Welcomed(frame);
        break;
    case ControlKind::REJECT:
        if (peer == hostPeer && phase == SessionPhase::JOINING) {
            phase = SessionPhase::FAILED;
            phaseChanged.notify_all();
        }
        break;
    case ControlKind::ADD_MEMBER:
        if (fromHost && frame.member.id != 0 && frame.member.id != localId && FindMember(frame.member.id) == nullptr) {
            Member member;
            member.record = frame.member;
            members.push_back(std::move(member));
            highestJoinSeq = std::max(highestJoinSeq, frame.member.joinSeq);
        }
        break;
    case ControlKind::REMOVE_MEMBER:
        if (fromHost && frame.member.id != localId) {
            if (Member* gone = FindMember(frame.member.id)) {
                if (gone->peer != nullptr)
                    enet_peer_reset(gone->peer);
                gone->peer = nullptr;
                LoseMember(frame.member.id,
                           frame.reason == NET_DESTROY_NORMAL ? NET_DESTROY_NORMAL : NET_DESTROY_CONNECTION_LOST);
            }
        }
        break;
    case ControlKind::HELLO_PEER:
        if (sender == nullptr && peer != hostPeer)
            HelloPeer(peer, frame);
        break;
    case ControlKind::PEER_ACK:
        if (sender != nullptr && phase == SessionPhase::JOINING) {
            sender->record.name = frame.member.name;
            sender->record.data = frame.member.data;
            sender->acked = true;
            CompleteJoinIfLinked();
        }
        break;
    case ControlKind::PEER_INFO:
        if (sender != nullptr) {
            sender->record.name = frame.member.name;
            sender->record.data = frame.member.data;
            if (sender->created) {
                std::lock_guard lock(tableMutex);
                TableEntry& entry = table[sender->record.id];
                entry.info.name = frame.member.name;
                entry.info.data = frame.member.data;
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
    }
}

void NetSession::State::Admit(ENetPeer* peer, const ControlFrame& hello)
{
    uint8_t reason = 0;
    if (!isHost || phase != SessionPhase::IN_SESSION)
        reason = REJECT_NOT_HOST;
    else if (!(hello.application == desc.application) || !(hello.instance == desc.instance))
        reason = REJECT_WRONG_SESSION;
    else if (!desc.joinable)
        reason = REJECT_NOT_JOINABLE;
    else if (PlayerCount() >= desc.maxPlayers || highestJoinSeq >= 0xFFFF)
        reason = REJECT_FULL;
    if (reason != 0) {
        ControlFrame reject;
        reject.kind = ControlKind::REJECT;
        reject.reason = reason;
        SendControl(peer, reject);
        enet_peer_disconnect_later(peer, 0);
        return;
    }

    Member joiner;
    joiner.record = hello.member;
    joiner.record.joinSeq = ++highestJoinSeq;
    joiner.record.id = (localId & 0xFFFF0000) | joiner.record.joinSeq;
    joiner.record.address = FromEnet(peer->address);
    joiner.peer = peer;
    joiner.acked = true;

    ControlFrame welcome;
    welcome.kind = ControlKind::WELCOME;
    welcome.member = joiner.record;
    welcome.hostId = hostId;
    welcome.highestJoinSeq = highestJoinSeq;
    welcome.desc = desc;
    welcome.members.push_back(LocalRecord());
    for (const Member& member : members)
        if (member.created && member.peer != nullptr)
            welcome.members.push_back(member.record);
    SendControl(peer, welcome);

    ControlFrame added;
    added.kind = ControlKind::ADD_MEMBER;
    added.member = joiner.record;
    BroadcastControl(added, 0);

    members.push_back(std::move(joiner));
    CreatePlayer(members.back());
}

void NetSession::State::Welcomed(const ControlFrame& welcome)
{
    if (welcome.member.id == 0 || welcome.hostId == 0 || welcome.hostId == welcome.member.id) {
        phase = SessionPhase::FAILED;
        phaseChanged.notify_all();
        return;
    }
    localId = welcome.member.id;
    localJoinSeq = welcome.member.joinSeq;
    hostId = welcome.hostId;
    highestJoinSeq = std::max(highestJoinSeq, welcome.highestJoinSeq);
    desc.sessionName = welcome.desc.sessionName;
    desc.maxPlayers = welcome.desc.maxPlayers;
    desc.joinable = welcome.desc.joinable;
    desc.appData = welcome.desc.appData;

    bool hostListed = false;
    for (const MemberRecord& record : welcome.members) {
        if (record.id == 0 || record.id == localId || FindMember(record.id) != nullptr)
            continue;
        Member member;
        member.record = record;
        if (record.id == hostId) {
            member.peer = hostPeer;
            member.acked = true;
            hostListed = true;
        } else {
            const ENetAddress address = {htonl(record.address.ip), record.address.port};
            member.peer = enet_host_connect(host, &address, CHANNEL_COUNT, SESSION_PROTOCOL_MAGIC);
            if (member.peer == nullptr) {
                phase = SessionPhase::FAILED;
                phaseChanged.notify_all();
                return;
            }
            SetLinkTimeouts(member.peer);
        }
        members.push_back(std::move(member));
    }
    if (!hostListed) {
        phase = SessionPhase::FAILED;
        phaseChanged.notify_all();
        return;
    }
    CompleteJoinIfLinked();
}

void NetSession::State::HelloPeer(ENetPeer* peer, const ControlFrame& hello)
{
    const uint32_t id = hello.member.id;
    const bool ours = phase == SessionPhase::IN_SESSION || (phase == SessionPhase::JOINING && localId != 0);
    Member* member = FindMember(id);
    if (!ours || !(hello.instance == desc.instance) || id == 0 || id == localId ||
        (member != nullptr && member->peer != nullptr)) {
        enet_peer_disconnect_now(peer, 0);
        return;
    }
    if (member == nullptr) {
        members.emplace_back();
        member = &members.back();
        member->record.id = id;
    }
    member->record.joinSeq = hello.member.joinSeq;
    member->record.name = hello.member.name;
    member->record.data = hello.member.data;
    member->record.address = FromEnet(peer->address);
    member->peer = peer;
    member->acked = true;
    highestJoinSeq = std::max(highestJoinSeq, hello.member.joinSeq);

    ControlFrame ack;
    ack.kind = ControlKind::PEER_ACK;
    ack.member = LocalRecord();
    SendControl(peer, ack);
    if (phase == SessionPhase::IN_SESSION)
        CreatePlayer(*member);
}

void NetSession::State::CompleteJoinIfLinked()
{
    if (phase != SessionPhase::JOINING || localId == 0)
        return;
    for (const Member& member : members)
        if (member.peer != nullptr && !member.acked)
            return;
    phase = SessionPhase::IN_SESSION;
    CreateLocalPlayer();
    for (Member& member : members)
        if (member.peer != nullptr)
            CreatePlayer(member);
    SetHostFlags();
    phaseChanged.notify_all();
}

void NetSession::State::CreateLocalPlayer()
{
    {
        std::lock_guard lock(tableMutex);
        TableEntry& entry = table[localId];
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
    }
    if (id == hostId)
        Elect();
}

void NetSession::State::Elect()
{
    // The earliest joiner left; every survivor knows the same join order.
    uint32_t bestSeq = localJoinSeq;
    uint32_t bestId = localId;
    for (const Member& member : members)
        if (member.created && member.peer != nullptr && member.record.joinSeq < bestSeq) {
            bestSeq = member.record.joinSeq;
            bestId = member.record.id;
        }
    hostId = bestId;
    isHost = bestId == localId;
    SetHostFlags();
    QueuedMessage message;
    message.type = NetMessageType::HOST_MIGRATE;
    message.playerId = bestId;
    Queue(std::move(message));
}

void NetSession::State::SendControl(ENetPeer* peer, const ControlFrame& frame)
{
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

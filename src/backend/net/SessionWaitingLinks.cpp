// The links that wait to say who they are: connects not yet acknowledged and
// links not yet introduced, how many may wait and which one goes.

#include "backend/net/SessionState.h"

#include <algorithm>
#include <cstddef>

namespace backend {

namespace {

// Addresses remembered for having closed a waiting link.
constexpr size_t CLOSERS_MAX = 1024;

} // namespace

bool NetSession::State::MakeRoomForConnect(const ENetAddress& from, enet_uint32 connectId)
{
    ForgetClosedHalfLinks();
    // What ENet counts before it takes a connect.
    size_t fromAddress = 0;
    bool slotFree = false;
    for (size_t i = 0; i < host->peerCount; ++i) {
        const ENetPeer& peer = host->peers[i];
        if (peer.state == ENET_PEER_STATE_DISCONNECTED) {
            slotFree = true;
        } else if (peer.state != ENET_PEER_STATE_CONNECTING && peer.address.host == from.host) {
            if (peer.address.port == from.port && peer.connectID == connectId)
                return true; // a repeat, which ENet ignores
            ++fromAddress;
        }
    }
    if (fromAddress >= host->duplicatePeers)
        return true; // ENet refuses it
    if (!slotFree || halfLinks.size() + pending.size() >= PENDING_LINKS_MAX) {
        // An address closes a waiting link once per hello time: to close a
        // newcomer's link before it answers, a stranger needs sixteen
        // addresses free to do so within that round trip.
        if (!MayClose(from) || !CloseOldestWaiting())
            return false;
    }
    const auto slot = std::find_if(host->peers, host->peers + host->peerCount,
                                   [](const ENetPeer& peer) { return peer.state == ENET_PEER_STATE_DISCONNECTED; });
    if (slot == host->peers + host->peerCount)
        return false;
    WaitHalfOpen(slot, connectId, SessionClock::now());
    return true;
}

void NetSession::State::ForgetClosedHalfLinks()
{
    std::erase_if(halfLinks, [](const HalfLink& link) {
        return link.peer->state == ENET_PEER_STATE_DISCONNECTED || link.peer->state == ENET_PEER_STATE_ZOMBIE ||
               link.peer->connectID != link.connectId;
    });
}

bool NetSession::State::MayClose(const ENetAddress& address)
{
    const SessionClock::time_point now = SessionClock::now();
    const auto found = closers.find(address.host);
    if (found != closers.end() && now < found->second)
        return false;
    if (found == closers.end() && closers.size() >= CLOSERS_MAX) {
        std::erase_if(closers, [&](const auto& closer) { return closer.second <= now; });
        if (closers.size() >= CLOSERS_MAX)
            closers.erase(std::min_element(closers.begin(), closers.end(),
                                           [](const auto& a, const auto& b) { return a.second < b.second; }));
    }
    closers[address.host] = now + std::chrono::milliseconds(options.helloTimeoutMs);
    return true;
}

bool NetSession::State::CloseOldestWaiting()
{
    const char* why = "too many links have yet to say who they are, and it is the oldest";
    const auto half = std::min_element(halfLinks.begin(), halfLinks.end(),
                                       [](const HalfLink& a, const HalfLink& b) { return a.since < b.since; });
    const auto linked = std::min_element(pending.begin(), pending.end(),
                                         [](const PendingLink& a, const PendingLink& b) { return a.since < b.since; });
    if (half != halfLinks.end() && (linked == pending.end() || half->since <= linked->since))
        CloseHalfLink(static_cast<size_t>(half - halfLinks.begin()), why);
    else if (linked != pending.end())
        Refuse(linked->peer, why);
    else
        return false;
    return true;
}

void NetSession::State::WaitHalfOpen(ENetPeer* peer, enet_uint32 connectId, SessionClock::time_point since)
{
    halfLinks.push_back(
        {peer, connectId, since, SessionClock::now() + std::chrono::milliseconds(options.helloTimeoutMs)});
}

void NetSession::State::CloseHalfLink(size_t index, const char* why)
{
    ENetPeer* peer = halfLinks[index].peer;
    LogClosed(peer, why);
    halfLinks.erase(halfLinks.begin() + static_cast<std::ptrdiff_t>(index));
    // Quietly: the address it came from may not be the sender's.
    enet_peer_reset(peer);
}

PendingLink* NetSession::State::FindPending(const ENetPeer* peer)
{
    for (PendingLink& link : pending)
        if (link.peer == peer)
            return &link;
    return nullptr;
}

void NetSession::State::ForgetPending(const ENetPeer* peer)
{
    std::erase_if(pending, [&](const PendingLink& link) { return link.peer == peer; });
}

void NetSession::State::TakeLink(ENetPeer* peer)
{
    const SessionClock::time_point now = SessionClock::now();
    PendingLink link;
    link.peer = peer;
    link.since = now;
    // It waited half-open until now, and keeps its place.
    const auto half =
        std::find_if(halfLinks.begin(), halfLinks.end(), [&](const HalfLink& h) { return h.peer == peer; });
    if (half != halfLinks.end()) {
        link.since = half->since;
        halfLinks.erase(half);
    } else if (halfLinks.size() + pending.size() >= PENDING_LINKS_MAX) {
        CloseOldestWaiting();
    }
    SetLinkTimeouts(peer);
    link.deadline = now + std::chrono::milliseconds(options.helloTimeoutMs);
    pending.push_back(link);
}

void NetSession::State::LogClosed(const ENetPeer* peer, const char* why)
{
    LogLink(peer->address, "closed a link from " + AddressText(peer->address) + ": " + why);
}

void NetSession::State::Refuse(ENetPeer* peer, const char* why)
{
    LogClosed(peer, why);
    ForgetPending(peer);
    enet_peer_disconnect_now(peer, 0);
}

} // namespace backend

// The links that wait to say who they are: connects not yet acknowledged and
// links not yet introduced, how many may wait and which one goes.

#include "backend/net/SessionState.h"

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <optional>

namespace backend {

namespace {

// Addresses remembered for having closed a waiting link.
constexpr size_t CLOSERS_MAX = 1024;

uint64_t CloserKey(const ENetAddress& address, uint8_t priority)
{
    return uint64_t(address.host) << 8 | priority;
}

} // namespace

bool NetSession::State::MakeRoomForConnect(const ENetAddress& from, enet_uint32 connectId, uint32_t tag)
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
    // A newcomer the host announced shows its tag, and a joiner the host's
    // cookie for its address, from there: connects from elsewhere, or forged
    // from there without it, do not keep it out.
    const uint8_t priority = ConnectPriority(from, tag);
    // Its address's places are taken: it closes one of lower priority from there.
    if (fromAddress >= host->duplicatePeers) {
        if (priority == PRIORITY_STRANGER || !CloseOldestWaiting(priority, &from))
            return true; // ENet refuses it
        slotFree = true;
    }
    if ((!slotFree || halfLinks.size() + pending.size() >= PENDING_LINKS_MAX) && !CloseWaitingFor(from, priority))
        return false;
    const auto slot = std::find_if(host->peers, host->peers + host->peerCount,
                                   [](const ENetPeer& peer) { return peer.state == ENET_PEER_STATE_DISCONNECTED; });
    if (slot == host->peers + host->peerCount)
        return false;
    WaitHalfOpen(slot, connectId, tag, SessionClock::now());
    halfLinks.back().cookieShown = priority == PRIORITY_COOKIE;
    return true;
}

uint32_t NetSession::State::CookieEpoch() const
{
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(SessionClock::now().time_since_epoch());
    return static_cast<uint32_t>(seconds.count() / COOKIE_EPOCH_SECONDS);
}

uint8_t NetSession::State::ConnectPriority(const ENetAddress& address, uint32_t tag) const
{
    if (IsNewcomersConnect(address, tag))
        return PRIORITY_NEWCOMER;
    if (isHost && IsHostCookie(cookieKey, FromEnet(address).ip, tag, CookieEpoch()))
        return PRIORITY_COOKIE;
    return PRIORITY_STRANGER;
}

bool NetSession::State::IsNewcomersConnect(const ENetAddress& address, uint32_t tag) const
{
    const NetAddress from = FromEnet(address);
    return std::any_of(members.begin(), members.end(), [&](const Member& member) {
        return !member.listed && member.peer == nullptr && member.token != 0 && tag == ConnectTag(member.token) &&
               member.record.address.ip == from.ip && member.record.address.port == from.port;
    });
}

void NetSession::State::ForgetClosedHalfLinks()
{
    std::erase_if(halfLinks, [](const HalfLink& link) {
        return link.peer->state == ENET_PEER_STATE_DISCONNECTED || link.peer->state == ENET_PEER_STATE_ZOMBIE ||
               link.peer->connectID != link.connectId;
    });
}

bool NetSession::State::CloseWaitingFor(const ENetAddress& from, uint8_t priority)
{
    // A link of lower priority goes at once.
    if (priority > PRIORITY_STRANGER && CloseOldestWaiting(priority))
        return true;
    // A newcomer's link is never closed to make room.
    if (priority == PRIORITY_NEWCOMER)
        return false;
    // One of its own priority, once per hello time per address and priority:
    // to close a joiner's link to the host before it answers, a stranger needs
    // cookies, which only an address that receives the host's answers gets, at
    // sixteen addresses free to close one within that round trip. Only a link
    // closed spends the right.
    if (!MayClose(from, priority) || !CloseOldestWaiting(uint8_t(priority + 1)))
        return false;
    SpendClose(from, priority);
    return true;
}

bool NetSession::State::MayClose(const ENetAddress& address, uint8_t priority) const
{
    const auto found = closers.find(CloserKey(address, priority));
    return found == closers.end() || SessionClock::now() >= found->second;
}

void NetSession::State::SpendClose(const ENetAddress& address, uint8_t priority)
{
    const SessionClock::time_point now = SessionClock::now();
    const uint64_t key = CloserKey(address, priority);
    if (!closers.contains(key) && closers.size() >= CLOSERS_MAX) {
        std::erase_if(closers, [&](const auto& closer) { return closer.second <= now; });
        if (closers.size() >= CLOSERS_MAX)
            closers.erase(std::min_element(closers.begin(), closers.end(),
                                           [](const auto& a, const auto& b) { return a.second < b.second; }));
    }
    closers[key] = now + std::chrono::milliseconds(options.helloTimeoutMs);
}

bool NetSession::State::CloseOldestWaiting(uint8_t below, const ENetAddress* from)
{
    ForgetClosedHalfLinks();
    const auto closable = [&](const ENetPeer* peer, uint32_t tag) {
        return (from == nullptr || peer->address.host == from->host) && ConnectPriority(peer->address, tag) < below;
    };
    std::optional<size_t> half, linked;
    for (size_t i = 0; i < halfLinks.size(); ++i)
        if (closable(halfLinks[i].peer, halfLinks[i].tag) && (!half || halfLinks[i].since < halfLinks[*half].since))
            half = i;
    for (size_t i = 0; i < pending.size(); ++i)
        if (closable(pending[i].peer, pending[i].tag) && (!linked || pending[i].since < pending[*linked].since))
            linked = i;
    const char* why = "too many links have yet to say who they are, and it is the oldest";
    if (half && (!linked || halfLinks[*half].since <= pending[*linked].since))
        CloseHalfLink(*half, why);
    else if (linked)
        Refuse(pending[*linked].peer, why);
    else
        return false;
    return true;
}

void NetSession::State::WaitHalfOpen(ENetPeer* peer, enet_uint32 connectId, uint32_t tag,
                                     SessionClock::time_point since)
{
    halfLinks.push_back(
        {peer, connectId, tag, since, SessionClock::now() + std::chrono::milliseconds(options.helloTimeoutMs)});
}

void NetSession::State::WaitClosing(ENetPeer* peer)
{
    // ENet closed at once a link that was not up yet.
    if (peer->state != ENET_PEER_STATE_DISCONNECTED)
        WaitHalfOpen(peer, peer->connectID, 0, SessionClock::time_point());
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

void NetSession::State::TakeLink(ENetPeer* peer, uint32_t tag)
{
    const SessionClock::time_point now = SessionClock::now();
    PendingLink link;
    link.peer = peer;
    link.tag = tag;
    link.since = now;
    // It waited half-open until now, and keeps its place.
    const auto half =
        std::find_if(halfLinks.begin(), halfLinks.end(), [&](const HalfLink& h) { return h.peer == peer; });
    if (half != halfLinks.end()) {
        link.since = half->since;
        link.cookieShown = half->cookieShown;
        halfLinks.erase(half);
    } else if (halfLinks.size() + pending.size() >= PENDING_LINKS_MAX) {
        CloseOldestWaiting(std::min<uint8_t>(ConnectPriority(peer->address, tag) + 1, PRIORITY_NEWCOMER));
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

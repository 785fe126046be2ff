// The host's list of the players present: kept by the host, taken by every
// player, and delivered to the handler in order with arrivals and departures,
// so that every machine counts start slots from the same list.

#include "backend/net/SessionState.h"

#include <algorithm>

namespace backend {

namespace {

void SortByJoinSeq(std::vector<uint32_t>& ids)
{
    std::sort(ids.begin(), ids.end(), [](uint32_t a, uint32_t b) { return JoinSeqOf(a) < JoinSeqOf(b); });
}

bool Holds(const std::vector<uint32_t>& ids, uint32_t id)
{
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

// Ids of this session, each once, this player among them.
bool IsRoster(const std::vector<uint32_t>& ids, uint32_t localId)
{
    if (ids.empty() || ids.size() > SESSION_PLAYERS_MAX || !Holds(ids, localId))
        return false;
    for (size_t i = 0; i < ids.size(); ++i) {
        if (!SamePrefix(ids[i], localId) || JoinSeqOf(ids[i]) == 0)
            return false;
        for (size_t k = 0; k < i; ++k)
            if (JoinSeqOf(ids[k]) == JoinSeqOf(ids[i]))
                return false;
    }
    return true;
}

} // namespace

bool NetSession::State::OrderFrozen() const
{
    return !desc.joinable;
}

void NetSession::State::QueueOrder()
{
    {
        // Lists one after another with nothing between: the last says it all,
        // so a host sending list after list fills no queue.
        std::lock_guard lock(queueMutex);
        if (!queue.empty() && queue.back().type == NetMessageType::ORDER_CHANGED) {
            queue.back().order = roster;
            return;
        }
    }
    QueuedMessage message;
    message.type = NetMessageType::ORDER_CHANGED;
    message.playerId = hostId;
    message.order = roster;
    Queue(std::move(message));
}

void NetSession::State::HostRosterChanged()
{
    std::vector<uint32_t> ids = {localId};
    for (const Member& member : members)
        ids.push_back(member.record.id);
    SortByJoinSeq(ids);
    roster = std::move(ids);
    ControlFrame frame;
    frame.kind = ControlKind::ROSTER;
    frame.ids = roster;
    BroadcastControl(frame, 0);
    OrderChanged();
}

void NetSession::State::Rostered(Member& sender, const ControlFrame& frame)
{
    if (!IsRoster(frame.ids, localId) || !Holds(frame.ids, sender.record.id))
        return;
    if (sender.record.id == hostId)
        AdoptRoster(frame.ids);
    else if (awaitingSurvivors)
        sender.rosterSaid = frame.ids; // it may be the host we are about to elect
}

void NetSession::State::AdoptRoster(std::vector<uint32_t> ids)
{
    if (!IsRoster(ids, localId) || !Holds(ids, hostId))
        return;
    SortByJoinSeq(ids);
    const bool changed = ids != roster;
    roster = std::move(ids);
    std::vector<uint32_t> gone;
    for (const Member& member : members)
        if (!Holds(roster, member.record.id))
            gone.push_back(member.record.id);
    for (const uint32_t id : gone)
        if (Member* member = FindMember(id))
            RemoveMember(*member, NET_DESTROY_CONNECTION_LOST);
    if (changed)
        OrderChanged();
}

bool NetSession::State::DropFromRoster(uint32_t id)
{
    const auto found = std::find(roster.begin(), roster.end(), id);
    if (found == roster.end())
        return false;
    roster.erase(found);
    return true;
}

void NetSession::State::OrderChanged()
{
    if (phase == SessionPhase::IN_SESSION && !OrderFrozen())
        QueueOrder();
}

void NetSession::State::TakeHostRole()
{
    cookieKey = {RandomSecret(), RandomSecret()};
    std::vector<uint32_t> joining;
    for (const Member& member : members)
        if (!member.created || member.peer == nullptr)
            joining.push_back(member.record.id);
    // Each loss sends the list as it then is.
    for (const uint32_t id : joining)
        LoseMember(id, NET_DESTROY_CONNECTION_LOST);
    HostRosterChanged();
}

} // namespace backend

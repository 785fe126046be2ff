// A lost host: what the survivors say to each other and the choice of the next host.

#include "backend/net/SessionState.h"

#include <algorithm>

namespace backend {

void NetSession::State::HostLost(bool normalLeave)
{
    hostLostAt = normalLeave ? SessionClock::time_point() : SessionClock::now();
    const bool othersLinked =
        std::any_of(members.begin(), members.end(), [](const Member& m) { return m.created && m.peer != nullptr; });
    if (!othersLinked) {
        EndOrElectAlone();
        return;
    }
    // Perhaps only our link to the host broke: elect only once every other
    // player says it lost the host too.
    awaitingSurvivors = true;
    survivorsDeadline = SessionClock::now() + std::chrono::milliseconds(SurvivorsWaitMs(options));
    ControlFrame lost;
    lost.kind = ControlKind::HOST_LOST;
    lost.member.id = hostId;
    BroadcastControl(lost, 0);
    ElectIfSurvivorsAgree();
}

bool NetSession::State::LostWithTheHost() const
{
    // Had only the host gone, the others would have said so or left; a link
    // that broke is given up within the slowest delivery, and the host's
    // removal word to a player it removed comes no later than the others' word.
    if (hostLostAt == SessionClock::time_point() || otherLinkLostAt == SessionClock::time_point())
        return false;
    return otherLinkLostAt >= hostLostAt ||
           hostLostAt - otherLinkLostAt <= std::chrono::milliseconds(SlowestDeliveryMs(options));
}

void NetSession::State::EndOrElectAlone()
{
    awaitingSurvivors = false;
    if (!LostWithTheHost())
        Elect();
    else if (otherLinkRemoved)
        EndCutOff("the host removed this player (the other players said so, and its link to the host was lost)");
    else
        EndCutOff("the host and every other player were lost");
}

void NetSession::State::SurvivorSaid(Member& sender, const ControlFrame& frame)
{
    if (frame.member.id != hostId)
        return;
    sender.lostHost = true;
    sender.seesHost = false;
    // Still linked to the host: we say so, so that our silence is not taken
    // for having gone too. Should only the sender be cut off from the host,
    // the host removes it, and we close its link.
    const Member* host = FindMember(hostId);
    if (!awaitingSurvivors && host != nullptr && host->peer != nullptr && !sender.toldSeen) {
        sender.toldSeen = true;
        ControlFrame seen;
        seen.kind = ControlKind::HOST_SEEN;
        seen.member.id = hostId;
        SendControl(sender.peer, seen);
    }
    ElectIfSurvivorsAgree();
}

void NetSession::State::SurvivorHearsHost(Member& sender, const ControlFrame& frame)
{
    if (frame.member.id != hostId)
        return;
    sender.seesHost = true;
    sender.lostHost = false;
}

void NetSession::State::ElectIfSurvivorsAgree()
{
    if (!awaitingSurvivors || phase != SessionPhase::IN_SESSION)
        return;
    size_t linked = 0;
    for (const Member& member : members) {
        if (!member.created || member.peer == nullptr)
            continue;
        if (!member.lostHost)
            return;
        ++linked;
    }
    if (linked == 0) {
        EndOrElectAlone();
        return;
    }
    awaitingSurvivors = false;
    Elect();
}

void NetSession::State::DecideAtSurvivorsDeadline()
{
    // Those that still hear the host may be right that only we lost it: we
    // leave unless those that lost it, with this player, are more. The silent
    // ones are taken for gone, however many.
    size_t lost = 1, seen = 0;
    std::vector<uint32_t> silent, hearing;
    for (const Member& member : members) {
        if (!member.created || member.peer == nullptr)
            continue;
        if (member.lostHost) {
            ++lost;
        } else if (member.seesHost) {
            ++seen;
            hearing.push_back(member.record.id);
        } else {
            silent.push_back(member.record.id);
        }
    }
    if (seen >= lost) {
        EndCutOff("the host was lost, and as many other players say they still hear it");
        return;
    }
    awaitingSurvivors = false;
    for (const uint32_t id : silent)
        if (Member* member = FindMember(id))
            DropMember(*member, "it did not say whether it lost the host");
    for (const uint32_t id : hearing)
        if (Member* member = FindMember(id))
            DropMember(*member, "it still hears the host that most of us lost");
    Elect();
}

void NetSession::State::EndCutOff(const char* why)
{
    LogSession("the session ends here: %s", why);
    for (Member& member : members) {
        if (member.peer != nullptr)
            enet_peer_disconnect_now(member.peer, 0);
        if (member.created) {
            QueuedMessage message;
            message.type = NetMessageType::DESTROY_PLAYER;
            message.playerId = member.record.id;
            message.reason = NET_DESTROY_CONNECTION_LOST;
            Queue(std::move(message));
        }
    }
    members.clear();
    for (const PendingLink& link : pending)
        enet_peer_disconnect_now(link.peer, 0);
    pending.clear();
    awaitingSurvivors = false;
    isHost = false;
    phase = SessionPhase::FAILED;
    phaseChanged.notify_all();
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
    std::vector<uint32_t> said;
    for (Member& member : members) {
        member.lostHost = member.seesHost = member.toldSeen = false;
        if (member.record.id == bestId)
            said = member.rosterSaid;
        member.rosterSaid.clear();
    }
    SetHostFlags();
    QueuedMessage message;
    message.type = NetMessageType::HOST_MIGRATE;
    message.playerId = bestId;
    Queue(std::move(message));
    if (isHost)
        TakeHostRole();
    else if (!said.empty())
        AdoptRoster(std::move(said));
}

} // namespace backend

// Joining a session: the host's admission, the newcomer's links to every
// player it was told of, and its word on those that did not answer it.

#include "backend/net/SessionLink.h"
#include "backend/net/SessionState.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cstdio>

namespace backend {

void NetSession::State::Admit(ENetPeer* peer, const ControlFrame& hello)
{
    uint8_t reason = 0;
    if (!isHost || phase != SessionPhase::IN_SESSION)
        reason = REJECT_NOT_HOST;
    else if (!(hello.application == desc.application) || !(hello.instance == desc.instance))
        reason = REJECT_WRONG_SESSION;
    else if (!desc.joinable)
        reason = REJECT_NOT_JOINABLE;
    else if (PlayerCount() >= std::min<size_t>(desc.maxPlayers, SESSION_PLAYERS_MAX) || highestJoinSeq >= 0xFFFF)
        reason = REJECT_FULL;
    else if (admissionCheck && !admissionCheck(NetPlayerInfo{hello.member.name, hello.member.data, 0}, PlayerCount()))
        reason = REJECT_REFUSED;
    ForgetPending(peer);
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
    // Its one word on players that did not answer it comes within its own
    // answer window, plus the welcome's and the word's way.
    joiner.reportUntil = SessionClock::now() + std::chrono::milliseconds(options.connectTimeoutMs) +
                         2 * std::chrono::milliseconds(SlowestDeliveryMs(options));

    ControlFrame welcome;
    welcome.kind = ControlKind::WELCOME;
    welcome.member = joiner.record;
    welcome.hostId = hostId;
    welcome.highestJoinSeq = highestJoinSeq;
    welcome.desc = desc;
    welcome.listed.push_back({LocalRecord(), 0});
    ControlFrame added;
    added.kind = ControlKind::ADD_MEMBER;
    added.member = joiner.record;
    for (const Member& member : members) {
        if (!member.created || member.peer == nullptr)
            continue;
        // One token per pair: what a player learns lets it pass for nobody.
        added.token = RandomSecret();
        welcome.listed.push_back({member.record, added.token});
        SendControl(member.peer, added);
    }
    SendControl(peer, welcome);

    members.push_back(std::move(joiner));
    HostRosterChanged();
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
    for (const ListedMember& listed : welcome.listed) {
        const MemberRecord& record = listed.record;
        if (record.id == 0 || record.id == localId || FindMember(record.id) != nullptr)
            continue;
        Member member;
        member.record = record;
        member.token = listed.token;
        if (record.id == hostId) {
            member.peer = hostPeer;
            member.acked = true;
            hostListed = true;
        } else {
            const ENetAddress address = {htonl(record.address.ip), record.address.port};
            // Its tag tells the player that this is the newcomer the host announced.
            member.peer = OpenLink(host, address, CHANNEL_COUNT, ConnectTag(listed.token));
            if (member.peer == nullptr) {
                phase = SessionPhase::FAILED;
                phaseChanged.notify_all();
                return;
            }
            SetLinkTimeouts(member.peer);
            member.listed = true;
        }
        members.push_back(std::move(member));
    }
    if (!hostListed) {
        phase = SessionPhase::FAILED;
        phaseChanged.notify_all();
        return;
    }
    // The host's list as the welcome gives it: those listed and this player.
    std::vector<uint32_t> listed = {localId};
    for (const Member& member : members)
        listed.push_back(member.record.id);
    AdoptRoster(std::move(listed));
    if (roster.empty()) {
        phase = SessionPhase::FAILED;
        phaseChanged.notify_all();
        return;
    }
    answerDeadline = SessionClock::now() + std::chrono::milliseconds(options.connectTimeoutMs);
    joinDeadline = answerDeadline + std::chrono::milliseconds(options.connectTimeoutMs);
    phaseChanged.notify_all();
    CompleteJoinIfLinked();
}

void NetSession::State::HelloPeer(ENetPeer* peer, const ControlFrame& hello)
{
    const uint32_t id = hello.member.id;
    const bool ours = phase == SessionPhase::IN_SESSION || (phase == SessionPhase::JOINING && localId != 0);
    if (!ours || !(hello.instance == desc.instance) || id == 0) {
        Refuse(peer, "it said hello to another session");
        return;
    }
    if (Member* member = AwaitedWithToken(id, hello.token)) {
        AcceptPeer(peer, *member);
        return;
    }
    // The host may have announced the player before it told the player where
    // we are, and the announcement may still be on its way: the link waits for
    // it as long as our link to the host may take to deliver it. Any other
    // hello waits as long, whatever player it names, so that no answer tells
    // a stranger whether it named one.
    PendingLink* link = FindPending(peer);
    if (link->helloSeen) {
        Refuse(peer, "it said hello twice");
        return;
    }
    link->helloSeen = true;
    link->helloId = id;
    link->helloToken = hello.token;
    link->deadline =
        std::max(link->deadline, SessionClock::now() + std::chrono::milliseconds(SlowestDeliveryMs(options)));
}

void NetSession::State::AcceptPeer(ENetPeer* peer, Member& member)
{
    // Everything else about the player is what the host announced.
    ForgetPending(peer);
    member.record.address = FromEnet(peer->address);
    member.peer = peer;
    member.acked = true;

    ControlFrame ack;
    ack.kind = ControlKind::PEER_ACK;
    ack.member = LocalRecord();
    SendControl(peer, ack);
    if (phase == SessionPhase::IN_SESSION)
        CreatePlayer(member);
}

void NetSession::State::Announced(const ControlFrame& added)
{
    Member member;
    member.record = added.member;
    member.token = added.token;
    members.push_back(std::move(member));
    highestJoinSeq = std::max(highestJoinSeq, added.member.joinSeq);
    std::vector<PendingLink> waiting;
    for (const PendingLink& link : pending)
        if (link.helloSeen && link.helloId == added.member.id)
            waiting.push_back(link);
    // One that did not show the token waits on until its deadline.
    for (const PendingLink& link : waiting)
        if (Member* member = AwaitedWithToken(added.member.id, link.helloToken))
            AcceptPeer(link.peer, *member);
}

Member* NetSession::State::AwaitedWithToken(uint32_t id, uint64_t token)
{
    Member* member = FindMember(id);
    return member != nullptr && member->peer == nullptr && member->token != 0 && token == member->token ? member
                                                                                                        : nullptr;
}

void NetSession::State::CompleteJoinIfLinked()
{
    if (phase != SessionPhase::JOINING || localId == 0)
        return;
    for (const Member& member : members)
        if (member.listed && !member.acked)
            return;
    phase = SessionPhase::IN_SESSION;
    // Every place counts the players the host listed, linked here or not yet.
    QueueOrder();
    CreateLocalPlayer();
    for (Member& member : members)
        if (member.peer != nullptr)
            CreatePlayer(member);
    SetHostFlags();
    phaseChanged.notify_all();
}

std::vector<uint32_t> NetSession::State::UnansweredIds() const
{
    std::vector<uint32_t> ids;
    for (const Member& member : members)
        if (member.listed && !member.acked)
            ids.push_back(member.record.id);
    return ids;
}

std::string NetSession::State::UnansweredText() const
{
    std::string text;
    for (const uint32_t id : UnansweredIds()) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "%s%08x", text.empty() ? "" : " ", id);
        text += hex;
    }
    return text;
}

void NetSession::State::ReportUnanswered()
{
    reportedUnanswered = true;
    ControlFrame report;
    report.kind = ControlKind::UNANSWERED;
    report.ids = UnansweredIds();
    LogSession("players %s did not answer this player in time; the host is asked to remove them",
               UnansweredText().c_str());
    if (hostPeer != nullptr)
        SendControl(hostPeer, report);
}

bool NetSession::State::MayReportUnanswered(const Member& newcomer) const
{
    return desc.joinable && SessionClock::now() < newcomer.reportUntil;
}

void NetSession::State::Unanswered(Member& newcomer, const ControlFrame& report)
{
    newcomer.reportUntil = {};
    const uint32_t newcomerId = newcomer.record.id;
    // Those it was told about: this host, which it heard, and the players before it.
    size_t told = 1;
    std::vector<uint32_t> silent;
    for (const Member& member : members) {
        if (!member.created || member.peer == nullptr || member.record.joinSeq >= newcomer.record.joinSeq)
            continue;
        ++told;
        if (std::find(report.ids.begin(), report.ids.end(), member.record.id) != report.ids.end())
            silent.push_back(member.record.id);
    }
    if (silent.empty())
        return;
    if (2 * silent.size() > told) {
        // Most not answering it says more about its own link.
        TurnAway(newcomer, REJECT_UNANSWERED, "it says most players did not answer it");
        return;
    }
    // One player's word removes nobody: a player is removed once newcomers
    // from two addresses named it.
    const uint32_t address = newcomer.record.address.ip;
    bool stillSilent = false;
    for (const uint32_t id : silent) {
        Member* member = FindMember(id);
        if (member->namedBy != 0 && member->namedBy != address) {
            LogSession("removed player %08x: it did not answer player %08x in time, nor one at another address", id,
                       newcomerId);
            RemoveMember(*member, NET_DESTROY_CONNECTION_LOST);
        } else {
            member->namedBy = address;
            stillSilent = true;
        }
    }
    // Its join cannot complete; it may try again.
    if (Member* turnedAway = FindMember(newcomerId); turnedAway != nullptr && stillSilent)
        TurnAway(*turnedAway, REJECT_UNHEARD, "players it named did not answer it");
}

void NetSession::State::TurnAway(Member& newcomer, uint8_t reason, const char* why)
{
    LogSession("dropped player %08x: %s", newcomer.record.id, why);
    ControlFrame reject;
    reject.kind = ControlKind::REJECT;
    reject.reason = reason;
    SendControl(newcomer.peer, reject);
    enet_peer_disconnect_later(newcomer.peer, 0);
    WaitClosing(newcomer.peer);
    newcomer.peer = nullptr;
    LoseMember(newcomer.record.id, NET_DESTROY_CONNECTION_LOST);
}

} // namespace backend

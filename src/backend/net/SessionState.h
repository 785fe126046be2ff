#pragma once
// Inside NetSession. Three locks, never held while the handler runs:
//   ioMutex    the ENet host and the membership, taken by the I/O thread for
//              each round of servicing and briefly by the API calls;
//   tableMutex the player table read by GetPeerInfo and GetConnectionInfo
//              (taken after ioMutex, never before it);
//   queueMutex the messages waiting for the dispatch thread.

#include "backend/net/NetSession.h"
#include "backend/net/SessionPackets.h"

#include <enet/enet.h>

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <random>
#include <string>
#include <thread>

namespace backend {

using SessionClock = std::chrono::steady_clock;

// Room for every player plus links that never complete.
constexpr size_t SESSION_PEER_SLOTS = 64;
// Links from one IPv4 address, half-open ones included: a LAN party behind one NAT.
constexpr size_t LINKS_PER_ADDRESS = 8;
// Links that have yet to say who they are, connects not yet acknowledged
// included. When they are full, a connect closes the oldest waiting link of
// lower priority at once; one of its own priority once per hello time per
// address and priority; a newcomer the host announced closes none of its own.
constexpr size_t PENDING_LINKS_MAX = 16;
// What a waiting link's connect showed.
constexpr uint8_t PRIORITY_STRANGER = 0;
constexpr uint8_t PRIORITY_COOKIE = 1;   // at the host: its cookie for the IPv4 address it came from
constexpr uint8_t PRIORITY_NEWCOMER = 2; // at a player: the tag of a newcomer the host announced
// ENet refuses anything larger, also half-way through reassembly.
constexpr size_t SESSION_PACKET_MAX = (CONTROL_FRAME_MAX > NET_MESSAGE_MAX ? CONTROL_FRAME_MAX : NET_MESSAGE_MAX) + 256;
static_assert(SESSION_PACKET_MAX < 4096);
constexpr size_t SESSION_WAITING_DATA_MAX = 256 * 1024;
// The host's budgets of replies to queries, each shared by the IPv4 addresses
// a keyed hash gives it: however many addresses ask, none gets more than one
// budget's worth.
constexpr size_t QUERY_BUDGETS = 4096;
// Messages from one player waiting for the handler, or for the join to end.
constexpr size_t MEMBER_QUEUED_MAX = 1024;
// A host's cookie is good for at least an epoch after it was made: one
// younger than this is shown as it is, an older one fetched again.
constexpr auto COOKIE_FRESH = std::chrono::seconds(COOKIE_EPOCH_SECONDS / 2);
constexpr uint8_t CHANNEL_GAME = 0;
constexpr uint8_t CHANNEL_CONTROL = 1;
constexpr uint8_t CHANNEL_COUNT = 2;

// Another player as this process knows it.
struct Member {
    MemberRecord record;
    ENetPeer* peer = nullptr;                // the link, null until there is one
    bool acked = false;                      // joining: the player answered our HELLO_PEER
    bool created = false;                    // CREATE_PLAYER queued
    bool lostHost = false;                   // said it lost the host
    bool seesHost = false;                   // said it still hears the host we lost
    bool toldSeen = false;                   // we told it that we still hear the host
    bool listed = false;                     // joining: in the WELCOME, so the join waits for its answer
    uint64_t token = 0;                      // the host's token for the two of us, shown in HELLO_PEER
    SessionClock::time_point reportUntil;    // host: it may name players that did not answer it until then
    uint32_t namedBy = 0;                    // host: the IPv4 address of a newcomer it did not answer
    std::vector<uint32_t> rosterSaid;        // the list it sent as host while we still awaited the election
    std::vector<std::vector<uint8_t>> early; // data that came while we were still joining
};

// A link that has not said who it is yet.
struct PendingLink {
    ENetPeer* peer = nullptr;
    uint32_t tag = 0;               // the data of its connect
    SessionClock::time_point since; // its connect came
    SessionClock::time_point deadline;
    bool cookieShown = false; // at the host: its connect showed the cookie for its address
    bool helloSeen = false;   // a HELLO_PEER that did not pass: it waits for an announcement
    uint32_t helloId = 0;
    uint64_t helloToken = 0;
};

// A connect from elsewhere whose answer is not acknowledged yet, or a link
// turned away or removed that we are closing.
struct HalfLink {
    ENetPeer* peer = nullptr;
    enet_uint32 connectId = 0;
    uint32_t tag = 0; // the data of its connect
    SessionClock::time_point since;
    SessionClock::time_point deadline;
    bool cookieShown = false;
};

// What a line about a stranger's datagram is about.
enum class LoggedAbout { QUERY, LINK };

// Lines left out of the log, by what they were about.
struct LeftOutLines {
    uint32_t queries = 0;
    uint32_t links = 0;

    void Count(LoggedAbout about) { ++(about == LoggedAbout::QUERY ? queries : links); }
    uint32_t Total() const { return queries + links; }
    // "queries", "links" or "queries and links".
    const char* Subject() const;
};

// Lines logged about queries and links from one address in the current window.
struct LogWindow {
    SessionClock::time_point start;
    uint32_t lines = 0;
    LeftOutLines leftOut;
};

// Datagrams from this address are dropped until then.
struct IgnoredSender {
    NetAddress address;
    SessionClock::time_point until;
};

// What the host sent the IPv4 addresses of one budget in the current second:
// answers to queries without their cookie, answers to queries showing it,
// challenges.
struct QueryBudget {
    SessionClock::time_point start;
    uint32_t answers = 0;
    uint32_t cookieAnswers = 0;
    uint32_t challenges = 0;
};

// What the host sends back to a query.
enum class QueryReply { NONE, ANSWER, CHALLENGE };

struct QueuedMessage {
    NetMessageType type = NetMessageType::RECEIVE;
    uint32_t playerId = 0;
    NetDestroyReason reason = NET_DESTROY_NORMAL;
    std::vector<uint8_t> data;
    NetAddress sender;
    NetAppDesc desc;
    uint32_t roundTripMs = 0;
    std::vector<uint32_t> order; // ORDER_CHANGED: the host's list as of this message
    bool taken = false;          // what the handler returned
};

struct TableEntry {
    NetPlayerInfo info;
    uint32_t roundTripMs = 0;
    uint32_t joinSeq = 0; // the host's order of admission
};

enum class SessionPhase { IDLE, JOINING, IN_SESSION, FAILED };

struct NetSession::State {
    State(NetMessageHandler handler, const NetSessionOptions& options);

    NetMessageHandler handler;
    NetSessionOptions options;
    NetAdmissionCheck admissionCheck; // under ioMutex

    // Dispatch.
    std::mutex queueMutex;
    std::condition_variable queueChanged;
    std::deque<QueuedMessage> queue;
    std::map<uint32_t, size_t> queuedFrom; // RECEIVE messages waiting, by sender
    uint64_t queuedCount = 0;
    uint64_t doneCount = 0;
    bool lastTaken = false;
    bool dispatchStop = false;
    std::thread dispatcher;

    // What GetPeerInfo and GetConnectionInfo read.
    mutable std::mutex tableMutex;
    std::map<uint32_t, TableEntry> table;
    std::vector<uint32_t> order; // the roster as of the last ORDER_CHANGED delivered

    // Under ioMutex.
    std::mutex ioMutex;
    std::condition_variable phaseChanged;
    ENetHost* host = nullptr;
    std::thread ioThread;
    std::atomic<bool> ioStop{false};
    SessionPhase phase = SessionPhase::IDLE;
    bool isHost = false;
    uint32_t localId = 0;
    uint32_t localJoinSeq = 0;
    uint32_t hostId = 0;
    uint32_t highestJoinSeq = 0;
    NetAppDesc desc;
    std::string localName;
    std::vector<uint8_t> localData;
    std::vector<Member> members;
    // The players the host holds present, this one included, by join order:
    // the host's own list, or the last the host sent.
    std::vector<uint32_t> roster;
    ENetPeer* hostPeer = nullptr; // joining: the link to the host
    uint64_t joinedSeq = 0;       // the last CREATE_PLAYER the join queued
    // Joining: the listed players must answer by answerDeadline; Connect
    // gives up at joinDeadline.
    SessionClock::time_point answerDeadline;
    SessionClock::time_point joinDeadline;
    bool reportedUnanswered = false;
    // Host: the key of the cookies its answers give.
    SipKey cookieKey;
    // The cookie of the last answer EnumHosts took, where from and when; Close forgets it.
    NetAddress cookieHost;
    uint32_t hostCookie = 0;
    SessionClock::time_point cookieAt;
    std::vector<PendingLink> pending;
    std::vector<HalfLink> halfLinks;
    // By IPv4 address and priority: such a connect closed a waiting link of
    // its own priority, and none may close another until then.
    std::map<uint64_t, SessionClock::time_point> closers;
    // By a hash of the IPv4 address keyed with cookieKey, so that nobody can
    // tell which addresses share a budget.
    std::array<QueryBudget, QUERY_BUDGETS> queryBudgets;
    std::map<uint32_t, LogWindow> logWindows; // by IPv4 address
    LeftOutLines unlistedLeftOut;             // lines about addresses the table had no room for
    // Not the host: the last time a link to another player was lost, or
    // closed with the removal word the others pass on from the host, and
    // whether it was that word; when the host's link was lost without its
    // normal leave (zero once it left normally, or while it is there).
    SessionClock::time_point otherLinkLostAt;
    bool otherLinkRemoved = false;
    SessionClock::time_point hostLostAt;
    // Lost the host while others were linked: waiting for what they say.
    bool awaitingSurvivors = false;
    SessionClock::time_point survivorsDeadline;
    double lossShare = 0;
    bool muted = false;
    std::vector<IgnoredSender> ignored;
    std::mt19937 lossRandom;

    // NetSession.cpp
    void StartDispatcher();
    void StopDispatcher();
    uint64_t Queue(QueuedMessage message);
    // Queues data from a player; false when too much of its data waits already.
    bool QueueReceived(uint32_t from, std::vector<uint8_t> data);
    // Waits until the handler has returned for message `seq`; false when the
    // dispatcher stopped first.
    bool WaitDispatched(uint64_t seq);
    void DispatchLoop();
    bool CreateHost(const ENetAddress& address);
    void StartIo();
    void StopIo();
    // Under ioMutex: the ENet host goes, and with its links the whole session,
    // so that no call finds a link of it.
    void DestroyHost();
    bool AnyLink() const;
    // The caller holds ioMutex.
    void ResetSession();
    // Once the dispatcher stopped.
    void ClearTable();

    // SessionIo.cpp, SessionJoin.cpp and SessionElection.cpp, all under ioMutex.
    void IoLoop();
    void CheckLinks();
    int Intercept(ENetHost* enetHost);
    // Counts the reply to a query from `address`, showing that address's
    // cookie or not, against the address's budgets of the current second.
    QueryReply MayAnswer(const ENetAddress& address, bool cookieShown);
    // A connect ENet is about to take waits with the links that have yet to
    // say who they are; false drops it.
    bool MakeRoomForConnect(const ENetAddress& from, enet_uint32 connectId, uint32_t tag);
    // True when a connect from `address` with `tag` is that of a newcomer the
    // host announced and that has yet to link to this player.
    bool IsNewcomersConnect(const ENetAddress& address, uint32_t tag) const;
    uint32_t CookieEpoch() const;
    // The cookie EnumHosts took from the host at `address` when it is young
    // enough to be good still once a connect arrives; 0 otherwise.
    uint32_t FreshCookie(const NetAddress& address) const;
    // Of a connect from `address` with `tag`, as of now.
    uint8_t ConnectPriority(const ENetAddress& address, uint32_t tag) const;
    void ForgetClosedHalfLinks();
    // Makes room among the waiting links for a connect of `priority` from
    // `from`, in this order: a link of lower priority goes at once; one of its
    // own priority once per hello time per address and priority, and only
    // when one is closed; a newcomer's never. False when nothing was closed.
    bool CloseWaitingFor(const ENetAddress& from, uint8_t priority);
    // Whether connects of `priority` from the IPv4 address of `address` may
    // close a link of their own priority now; SpendClose takes that right
    // until the hello time has passed.
    bool MayClose(const ENetAddress& address, uint8_t priority) const;
    void SpendClose(const ENetAddress& address, uint8_t priority);
    // Closes the link of priority below `below` that has waited longest to say
    // who it is, from the IPv4 address of `from` when given; false when none is left.
    bool CloseOldestWaiting(uint8_t below, const ENetAddress* from = nullptr);
    // Counts `peer` among the waiting links until the hello time, as waiting since `since`.
    void WaitHalfOpen(ENetPeer* peer, enet_uint32 connectId, uint32_t tag, SessionClock::time_point since);
    // Counts a link we are closing among the waiting links until the hello
    // time, to be closed before any other when room is needed.
    void WaitClosing(ENetPeer* peer);
    void CloseHalfLink(size_t index, const char* why);
    void HandleEvent(const ENetEvent& event);
    void HandleControl(ENetPeer* peer, const ControlFrame& frame);
    void Admit(ENetPeer* peer, const ControlFrame& hello);
    void Welcomed(const ControlFrame& welcome);
    void HelloPeer(ENetPeer* peer, const ControlFrame& hello);
    void AcceptPeer(ENetPeer* peer, Member& member);
    // The announced player `id` when `token` is the host's token for it and
    // this player, and it has no link here yet; null otherwise.
    Member* AwaitedWithToken(uint32_t id, uint64_t token);
    void Announced(const ControlFrame& added);
    PendingLink* FindPending(const ENetPeer* peer);
    void ForgetPending(const ENetPeer* peer);
    void TakeLink(ENetPeer* peer, uint32_t tag);
    void LogClosed(const ENetPeer* peer, const char* why);
    void Refuse(ENetPeer* peer, const char* why);
    // Logs a line about a link (or query) from `address`, a few per address
    // and window; FlushLogWindows says how many were left out of the windows
    // that ended, and what they were about.
    void LogLink(const ENetAddress& address, const std::string& line, LoggedAbout about = LoggedAbout::LINK);
    void FlushLogWindows(bool all);
    void DropMember(Member& member, const char* why);
    // Closes the player's link telling it that it was removed, and loses it.
    void RemoveMember(Member& member, NetDestroyReason reason);
    // `normalLeave`: the host's link closed with its normal leave.
    void HostLost(bool normalLeave);
    // The host's link was lost without a word, and a link to another player
    // was lost (or closed with the removal word) since, or no longer before
    // than the host's removal word may take to arrive.
    bool LostWithTheHost() const;
    // Alone after losing the host: ends when it was lost with the others,
    // hosts itself otherwise.
    void EndOrElectAlone();
    void SurvivorSaid(Member& sender, const ControlFrame& frame);
    void SurvivorHearsHost(Member& sender, const ControlFrame& frame);
    void ElectIfSurvivorsAgree();
    void DecideAtSurvivorsDeadline();
    void EndCutOff(const char* why);
    void CompleteJoinIfLinked();
    // Joining: the listed players that have not answered this one.
    std::vector<uint32_t> UnansweredIds() const;
    std::string UnansweredText() const;
    void ReportUnanswered();
    void Unanswered(Member& newcomer, const ControlFrame& report);
    // Host: the newcomer's word counts once, while it may still be joining
    // and the race waits.
    bool MayReportUnanswered(const Member& newcomer) const;
    void TurnAway(Member& newcomer, uint8_t reason, const char* why);
    void CreatePlayer(Member& member);
    void CreateLocalPlayer();
    void LoseMember(uint32_t id, NetDestroyReason reason);
    void Elect();

    // SessionRoster.cpp, under ioMutex.
    // Host: the list is itself and every player it admitted; sent to all.
    void HostRosterChanged();
    void Rostered(Member& sender, const ControlFrame& frame);
    // Takes the host's list: players it does not hold present are removed here too.
    void AdoptRoster(std::vector<uint32_t> ids);
    // False when it was not listed.
    bool DropFromRoster(uint32_t id);
    // The new host drops the newcomers still joining and sends its list.
    void TakeHostRole();
    // The grid stands once the host admits nobody: departures then move nobody.
    bool OrderFrozen() const;
    void QueueOrder();
    // Delivers the list unless the grid stands.
    void OrderChanged();
    void SendControl(ENetPeer* peer, const ControlFrame& frame);
    void BroadcastControl(const ControlFrame& frame, uint32_t except);
    void SetLinkTimeouts(ENetPeer* peer);
    void CapResendIntervals(ENetPeer* peer);
    void RefreshRoundTrips();
    void SetHostFlags();
    Member* FindMember(uint32_t id);
    Member* FindMember(const ENetPeer* peer);
    // Only the host's word removes this player.
    bool IsHostsLink(const Member* member) const;
    MemberRecord LocalRecord() const;
    uint32_t PlayerCount() const;
};

NetAddress FromEnet(const ENetAddress& address);
// The join order part of a player id.
uint32_t JoinSeqOf(uint32_t id);
// True when two ids were handed out by the same session.
bool SamePrefix(uint32_t a, uint32_t b);
uint32_t SlowestDeliveryMs(const NetSessionOptions& options);
uint32_t SurvivorsWaitMs(const NetSessionOptions& options);

int ENET_CALLBACK SessionIntercept(ENetHost* host, ENetEvent* event);
// At least 64 bits from the kernel's random source.
uint64_t RandomSecret();
// One line on stderr.
void LogSession(const char* format, ...) __attribute__((format(printf, 1, 2)));

// "127.0.0.1:5102"
std::string AddressText(const ENetAddress& address);

} // namespace backend

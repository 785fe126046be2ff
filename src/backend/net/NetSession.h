#pragma once
// Peer-to-peer game sessions over UDP: one host, up to a handful of players all
// linked to each other, host migration when the host goes. Guaranteed messages
// arrive once and in order per sender; the others may be lost but never arrive
// older after newer. Nothing is ever delivered back to its sender.
//
// Everything that happens arrives as a NetMessage at the handler, on a worker
// thread of the session, one call at a time and with no lock of the session
// held: the handler may call GetPeerInfo, GetConnectionInfo and SendTo. It must
// not call Close. Host, Connect and EnumHosts return only after the handler
// has seen the messages they caused (the players created, the answer found).
// After Close returns, no handler call runs or comes.
//
// This talks only to itself: it is not compatible with any other program's
// sessions.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace backend {

struct NetGuid {
    uint8_t bytes[16] = {};

    bool operator==(const NetGuid&) const = default;
};

// An IPv4 address and port, both in host byte order.
struct NetAddress {
    uint32_t ip = 0;
    uint16_t port = 0;
};

// Reads dotted IPv4 text the way inet_aton does (octal and hex parts
// accepted); false when it does not read as an address.
bool ParseNetAddress(const char* text, uint16_t port, NetAddress* address);

constexpr uint32_t NET_ALL_PLAYERS = 0;
constexpr size_t NET_PLAYER_NAME_MAX = 19;
constexpr size_t NET_SESSION_NAME_MAX = 63;
constexpr size_t NET_DATA_MAX = 256;
// The largest message SendTo takes.
constexpr size_t NET_MESSAGE_MAX = 2048;

// NetPlayerInfo::flags
constexpr uint32_t NET_PLAYER_LOCAL = 1;
constexpr uint32_t NET_PLAYER_HOST = 2;

struct NetPlayerInfo {
    std::string name; // at most NET_PLAYER_NAME_MAX characters
    std::vector<uint8_t> data;
    uint32_t flags = 0;
    // GetPeerInfo: the players the host admitted before this one and holds
    // present, as of the last ORDER_CHANGED delivered (also those whose link
    // to this machine never came or broke). The same on every machine,
    // whatever the data says; it stops changing once the host admits nobody.
    uint32_t playersBefore = 0;
};

// What a host advertises.
struct NetAppDesc {
    NetGuid application;
    NetGuid instance; // made up by the host, one per session
    std::string sessionName;
    uint32_t maxPlayers = 0;
    uint32_t currentPlayers = 0; // the host included
    bool joinable = true;        // false: the host admits nobody
    std::vector<uint8_t> appData;
};

enum class NetMessageType {
    CREATE_PLAYER,       // playerId joined (or is the local player)
    DESTROY_PLAYER,      // playerId left; reason says how
    HOST_MIGRATE,        // playerId is the new host
    RECEIVE,             // data from playerId
    ENUM_HOSTS_RESPONSE, // a host answered EnumHosts
    ORDER_CHANGED,       // the host's list of players present changed: playersBefore may have moved
};

enum NetDestroyReason : uint32_t {
    NET_DESTROY_NORMAL = 1,
    NET_DESTROY_CONNECTION_LOST = 2,
};

struct NetMessage {
    NetMessageType type = NetMessageType::RECEIVE;
    uint32_t playerId = 0;
    NetDestroyReason reason = NET_DESTROY_NORMAL;
    const uint8_t* data = nullptr; // RECEIVE
    size_t size = 0;
    NetAddress sender;                // ENUM_HOSTS_RESPONSE: the host's address
    const NetAppDesc* desc = nullptr; // ENUM_HOSTS_RESPONSE
    uint32_t roundTripMs = 0;         // ENUM_HOSTS_RESPONSE
};

// Returns what the operation that caused the message should make of it; only
// ENUM_HOSTS_RESPONSE looks at it (false: the answer is not taken).
using NetMessageHandler = std::function<bool(const NetMessage&)>;

// The host's word on a joiner that passed every other test: its name and data
// and the players present, the host included. False turns it away.
using NetAdmissionCheck = std::function<bool(const NetPlayerInfo& joiner, uint32_t playersPresent)>;

struct NetSessionOptions {
    uint32_t bindIp = 0; // host byte order; 0 binds every address
    uint32_t enumAttempts = 4;
    uint32_t enumTimeoutMs = 5000;
    uint32_t connectTimeoutMs = 5000;
    // A link is lost after linkTimeoutMaxMs without answers, resent at least
    // every resendMaxMs meanwhile, so that a lossy link is not given up early.
    // linkTimeoutMinMs counts only once many resends went unanswered.
    uint32_t linkTimeoutMinMs = 15000;
    uint32_t linkTimeoutMaxMs = 15000;
    uint32_t resendMaxMs = 1000;
    uint32_t pingIntervalMs = 500;
    // A link that has not said who it is within this long is closed; one that
    // names a player the host has yet to announce waits for the announcement
    // as long as the link to the host may take to deliver it.
    uint32_t helloTimeoutMs = 3000;
    uint32_t closeLingerMs = 300;
};

// What went through the socket: UDP payloads (protocol headers included).
struct NetTrafficStats {
    uint64_t sentBytes = 0;
    uint64_t sentDatagrams = 0;
    uint64_t receivedBytes = 0;
    uint64_t receivedDatagrams = 0;
};

class NetSession {
public:
    NetSession(NetMessageHandler handler, const NetSessionOptions& options = {});
    ~NetSession();
    NetSession(const NetSession&) = delete;
    NetSession& operator=(const NetSession&) = delete;

    // Hosts desc (application, name, max players, app data) on `port`; the
    // local player, whose info SetPeerInfo gave, is the host.
    bool Host(const NetAppDesc& desc, uint16_t port);
    // Asks the host at `host` for its session: `attempts` queries spread over
    // the time-out, true at the first answer of the same application, which
    // reaches the handler before this returns and which it took. A short
    // reply of the host (the answers it gives our address are spent) gives
    // our address's cookie: a query showing it goes at once (a few at most),
    // and every later query shows it too.
    bool EnumHosts(const NetGuid& application, const NetAddress& host);
    // Joins the session an answer described. The host takes only a connect
    // that shows its cookie for our address: the one the answer EnumHosts last
    // took since the last Close gave, when it came from that address less
    // than COOKIE_EPOCH_SECONDS / 2 ago, else one that queries as EnumHosts
    // does fetch again (false when none comes). True once linked to every
    // player; false when refused (full, not joinable, another session) or
    // when the host does not admit this player within connectTimeoutMs.
    // Every player the host lists must then answer within connectTimeoutMs;
    // those that did not are named to the host. The host takes that word
    // once, within connectTimeoutMs of the admission plus twice the slowest
    // delivery, and only while the race waits. A player named by newcomers at
    // two IPv4 addresses is removed (it is the one not keeping up); otherwise
    // this player is turned away, and so it is when it names most players.
    // Connect takes at most three times connectTimeoutMs.
    bool Connect(const NetAppDesc& desc, const NetAddress& host);
    // Asked on the session's I/O thread, with its locks held, before each
    // admission while hosting (also after a migration made this the host): it
    // must not call the session. Set it before Host or Connect.
    void SetAdmissionCheck(NetAdmissionCheck check);
    // Host only: replaces what is advertised and whether anybody is admitted.
    bool SetApplicationDesc(uint32_t maxPlayers, bool joinable, const std::vector<uint8_t>& appData);
    // The local player's name (cut to NET_PLAYER_NAME_MAX) and data; the data
    // is sent to every player when in a session, the name is kept from Host
    // or Connect until Close.
    bool SetPeerInfo(const std::string& name, const std::vector<uint8_t>& data);
    bool GetPeerInfo(uint32_t playerId, NetPlayerInfo* info) const;
    // Measured round trip to a player; 0 before the first measurement.
    bool GetConnectionInfo(uint32_t playerId, uint32_t* roundTripMs) const;
    // To one player or NET_ALL_PLAYERS (true also when there is nobody else);
    // false outside a session, for an unknown player or above NET_MESSAGE_MAX
    // bytes. Queues and returns.
    bool SendTo(uint32_t to, const void* data, size_t size, bool guaranteed);
    // When the host is lost, the survivors elect the earliest joiner among
    // them as soon as every linked player said it lost the host too; a player
    // that still hears the host says so. At 2 * (linkTimeoutMaxMs +
    // resendMaxMs) + pingIntervalMs + closeLingerMs, those that said nothing
    // are dropped (a lost connection), and so are those that still hear the
    // host unless they are as many as the ones that lost it, this player
    // included: then this player is cut off from the host but not from the
    // others (as also when the host removed it): it sees every other player
    // destroyed as a lost connection and is no longer in a session.
    // A player that lost the host with nobody else linked, or whose others
    // all went while it waited for their word, hosts itself, unless the
    // host's link was lost without its normal leave and a link to another player
    // was lost or closed with the removal word while it waited, or no longer
    // than linkTimeoutMaxMs + resendMaxMs before: then it ends the same way.
    // Leaves normally (the others see NET_DESTROY_NORMAL) and makes the session
    // ready for the next Host or Connect.
    void Close();

    bool InSession() const;
    bool IsHost() const;
    uint32_t LocalPlayerId() const;

    // Totals since Host or Connect; zero outside a session.
    NetTrafficStats GetTrafficStats() const;

    // Test hooks. Drops this share of the datagrams that arrive, picked by a
    // generator seeded with `seed`.
    void SetIncomingLoss(double share, uint32_t seed);
    // Drops everything that arrives from `from` for `forMs` (for good by
    // default: the link to it breaks); a later call for the same address
    // replaces the earlier one (0 lets it through again).
    void IgnoreFrom(const NetAddress& from, uint32_t forMs = UINT32_MAX);
    // Vanishes without a word: the others find out by their time-outs.
    void Vanish();
    // Keeps its links but sends no control frame any more: it answers no
    // newcomer and does not say when it loses the host.
    void Mute();

    struct State;

private:
    std::unique_ptr<State> state;
};

} // namespace backend

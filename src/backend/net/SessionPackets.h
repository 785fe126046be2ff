#pragma once
// What the session layer sends besides the game's own data: the host query and
// answer datagrams on the host's port, and the control frames between linked
// players. Every decoder refuses bytes that are short, too long, carry a
// length beyond its limit or trail extra bytes, and leaves its output unusable
// then; what it accepts encodes back to the same bytes.

#include "backend/net/NetSession.h"
#include "backend/net/SipHash.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace backend {

// The first four bytes of every query, answer and challenge.
constexpr uint8_t HOST_QUERY_MAGIC[4] = {'V', 'T', 'L', 'Q'};
constexpr uint8_t HOST_ANSWER_MAGIC[4] = {'V', 'T', 'L', 'R'};
constexpr uint8_t HOST_CHALLENGE_MAGIC[4] = {'V', 'T', 'L', 'C'};
// The format of what goes on the wire: the first byte of each control frame,
// the byte after the cookie in a query, and the low byte of the data of an
// ENet connect that shows no cookie or tag (a stranger's). It moves whenever what a frame, a query,
// a disconnect or a datagram's checksum means changes, so that older copies
// are turned away. Copies before 7 sent no checksum; before 8, a host took
// connects that did not show its cookie.
constexpr uint8_t SESSION_FORMAT_VERSION = 8;
constexpr uint32_t SESSION_PROTOCOL_FAMILY = 0x564C5400;
constexpr uint32_t SESSION_PROTOCOL_MAGIC = SESSION_PROTOCOL_FAMILY | SESSION_FORMAT_VERSION;

// The data of a link's ENet disconnect: a player leaving normally, and one removed,
// sent by the host to the player it removed and by a player told by the host
// that the linked player left; only the host's ends the session there.
constexpr uint32_t DISCONNECT_NORMAL = 1;
constexpr uint32_t DISCONNECT_REMOVED = 2;

// True for connect data of another session format.
bool IsOtherFormat(uint32_t data);

// The data of a joiner's ENet connect to a player the host listed, made from
// the host's token for the two: never 0 nor of SESSION_PROTOCOL_FAMILY.
uint32_t ConnectTag(uint64_t token);
// True for data that ConnectTag may give.
bool IsConnectTag(uint32_t data);

// A host's cookie for an IPv4 address is good in the epoch it was made in and
// the next one.
constexpr uint32_t COOKIE_EPOCH_SECONDS = 16;
// What the host's answer gives a query from IPv4 address `ip` in `epoch`, and
// the data of a joiner's connect to it then: ConnectTag of a keyed hash.
uint32_t HostCookie(const SipKey& key, uint32_t ip, uint32_t epoch);
// True when `data` is the cookie of `ip` in `epoch` or the one before.
bool IsHostCookie(const SipKey& key, uint32_t ip, uint32_t data, uint32_t epoch);

// Players in one session, the host included.
constexpr size_t SESSION_PLAYERS_MAX = 8;
constexpr size_t SESSION_MEMBERS_MAX = SESSION_PLAYERS_MAX - 1;

constexpr size_t MEMBER_RECORD_MAX = 4 + 4 + 4 + 2 + 1 + NET_PLAYER_NAME_MAX + 2 + NET_DATA_MAX;
constexpr size_t HOST_COOKIE_SIZE = 4;
// The largest answer, its cookie included.
constexpr size_t HOST_ANSWER_MAX =
    4 + 4 + 16 + 16 + 4 + 4 + 1 + 1 + NET_SESSION_NAME_MAX + 2 + NET_DATA_MAX + HOST_COOKIE_SIZE;
// Queries are padded to the largest answer, so that an answer is never larger
// than the query that drew it.
constexpr size_t HOST_QUERY_SIZE = HOST_ANSWER_MAX;
// Magic, nonce and cookie.
constexpr size_t HOST_CHALLENGE_SIZE = 4 + 4 + HOST_COOKIE_SIZE;
// The largest control frame: a WELCOME to a full session.
constexpr size_t CONTROL_FRAME_MAX = 2 + MEMBER_RECORD_MAX + 4 + 4 + 1 + NET_SESSION_NAME_MAX + 4 + 1 + 2 +
                                     NET_DATA_MAX + 1 + SESSION_MEMBERS_MAX * (MEMBER_RECORD_MAX + 8);

struct HostQuery {
    NetGuid application;
    uint32_t nonce = 0;
    // In the padding after the nonce, 0 when absent: the cookie a challenge
    // of the host gave the querying IPv4 address.
    uint32_t cookie = 0;
    // The asking copy's session format; 0 from copies older than format 6,
    // which left the byte zero.
    uint8_t format = SESSION_FORMAT_VERSION;
};

struct HostAnswer {
    uint32_t nonce = 0;
    NetAppDesc desc;
    // Trailing, for the querying IPv4 address; 0 when absent.
    uint32_t cookie = 0;
};

// The host's challenge to a query without the cookie of its IPv4 address
// once the answers of that address's budget are spent: the query's nonce and
// the cookie, which a query shows to be answered in full.
struct HostChallenge {
    uint32_t nonce = 0;
    uint32_t cookie = 0;
};

// True when the datagram starts like a query, an answer or a challenge.
bool IsHostDatagram(const uint8_t* bytes, size_t size);
// Where a query carries its session format: the byte after the cookie, in
// every format from 6 on, whose queries were 4 bytes shorter before 8.
constexpr size_t HOST_QUERY_FORMAT_AT = 4 + 16 + 4 + 4;
// True when the datagram starts like a query for `application` (the magic
// and the application id), whatever its size: a query of any format. Gives
// the byte at HOST_QUERY_FORMAT_AT, 0 when it ends before (copies before
// format 6 said no format).
bool PeekHostQueryFormat(const uint8_t* bytes, size_t size, const NetGuid& application, uint8_t* format);
std::vector<uint8_t> EncodeHostQuery(const HostQuery& query);
bool DecodeHostQuery(const uint8_t* bytes, size_t size, HostQuery* query);
std::vector<uint8_t> EncodeHostAnswer(const HostAnswer& answer);
bool DecodeHostAnswer(const uint8_t* bytes, size_t size, HostAnswer* answer);
std::vector<uint8_t> EncodeHostChallenge(const HostChallenge& challenge);
bool DecodeHostChallenge(const uint8_t* bytes, size_t size, HostChallenge* challenge);

enum class ControlKind : uint8_t {
    HELLO = 1,     // joiner to host: application, instance, member (name, data)
    WELCOME,       // host to joiner: member (the joiner), hostId, highestJoinSeq, desc, listed
    REJECT,        // host to joiner: reason
    ADD_MEMBER,    // host to one player: member, token
    REMOVE_MEMBER, // host to players: member.id, reason
    HELLO_PEER,    // joiner to player: instance, member.id, token
    PEER_ACK,      // player to joiner: member (name, data)
    PEER_INFO,     // to every player: member (name, data)
    APP_DESC,      // host to players: desc (maxPlayers, joinable, appData)
    HOST_LOST,     // player to players: member.id, the host it lost
    UNANSWERED,    // joiner to host: ids, the listed players that did not answer it in time
    HOST_SEEN,     // player to player: member.id, the host it still hears
    ROSTER,        // host to players: ids, every player it holds present, in its order of admission
};

enum RejectReason : uint8_t {
    REJECT_NOT_HOST = 1,
    REJECT_WRONG_SESSION = 2,
    REJECT_NOT_JOINABLE = 3,
    REJECT_FULL = 4,
    REJECT_VERSION = 5,
    REJECT_REFUSED = 6,    // the host's admission check said no
    REJECT_UNANSWERED = 7, // the joiner said most players did not answer it
    REJECT_UNHEARD = 8,    // the joiner said some players did not answer it
};

struct MemberRecord {
    uint32_t id = 0;
    uint32_t joinSeq = 0;
    NetAddress address; // where it listens
    std::string name;
    std::vector<uint8_t> data;
};

// A player a WELCOME lists, and the token the joiner shows it in HELLO_PEER.
struct ListedMember {
    MemberRecord record;
    uint64_t token = 0;
};

// One struct for every kind; each kind uses the fields named above.
struct ControlFrame {
    ControlKind kind = ControlKind::HELLO;
    NetGuid application;
    NetGuid instance;
    MemberRecord member;
    // ADD_MEMBER, HELLO_PEER: made by the host for one pair of players, the
    // newcomer and the one it links to.
    uint64_t token = 0;
    uint32_t hostId = 0;
    uint32_t highestJoinSeq = 0;
    uint8_t reason = 0;
    NetAppDesc desc; // sessionName, maxPlayers, joinable, appData
    std::vector<ListedMember> listed;
    std::vector<uint32_t> ids;
};

std::vector<uint8_t> EncodeControlFrame(const ControlFrame& frame);
// Also refuses frames of another format version.
bool DecodeControlFrame(const uint8_t* bytes, size_t size, ControlFrame* frame);
// The refusal a player of the first format, which sent no version, understands.
std::vector<uint8_t> EncodeFirstFormatReject();

} // namespace backend

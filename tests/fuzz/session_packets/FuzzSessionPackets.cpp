// Any bytes as a host query, a host answer, the host's challenge and a
// control frame between players: every decoder stays inside the bytes it was
// given, keeps to its limits, and what it accepts encodes back to exactly the
// same bytes.

#include "backend/net/SessionPackets.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

using namespace backend;

namespace {

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

void RequireSame(const std::vector<uint8_t>& encoded, const uint8_t* data, size_t size)
{
    Require(encoded.size() == size && std::memcmp(encoded.data(), data, size) == 0);
}

void RequireWithinLimits(const MemberRecord& member)
{
    Require(member.name.size() <= NET_PLAYER_NAME_MAX && member.data.size() <= NET_DATA_MAX);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    HostQuery query;
    if (DecodeHostQuery(data, size, &query)) {
        Require(IsHostDatagram(data, size) && size == HOST_QUERY_SIZE);
        Require(query.cookie == 0 || IsConnectTag(query.cookie));
        RequireSame(EncodeHostQuery(query), data, size);
    }

    HostChallenge challenge;
    if (DecodeHostChallenge(data, size, &challenge)) {
        Require(IsHostDatagram(data, size) && size == HOST_CHALLENGE_SIZE && IsConnectTag(challenge.cookie));
        RequireSame(EncodeHostChallenge(challenge), data, size);
    }

    HostAnswer answer;
    if (DecodeHostAnswer(data, size, &answer)) {
        Require(IsHostDatagram(data, size));
        Require(answer.desc.sessionName.size() <= NET_SESSION_NAME_MAX && answer.desc.appData.size() <= NET_DATA_MAX);
        RequireSame(EncodeHostAnswer(answer), data, size);
    }

    ControlFrame frame;
    if (DecodeControlFrame(data, size, &frame)) {
        RequireWithinLimits(frame.member);
        // A roster lists every player; a report, the others at most.
        const size_t idsMax = frame.kind == ControlKind::ROSTER ? SESSION_PLAYERS_MAX : SESSION_MEMBERS_MAX;
        Require(frame.listed.size() <= SESSION_MEMBERS_MAX && frame.ids.size() <= idsMax &&
                frame.desc.appData.size() <= NET_DATA_MAX);
        for (const ListedMember& listed : frame.listed)
            RequireWithinLimits(listed.record);
        RequireSame(EncodeControlFrame(frame), data, size);
    }
    return 0;
}

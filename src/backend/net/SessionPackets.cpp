#include "backend/net/SessionPackets.h"

#include <algorithm>
#include <cstring>

namespace backend {

namespace {

// Little-endian writer; strings and byte blocks are cut to their limits.
class Writer {
public:
    std::vector<uint8_t> bytes;

    void U8(uint8_t value) { bytes.push_back(value); }
    void U16(uint16_t value)
    {
        U8(static_cast<uint8_t>(value));
        U8(static_cast<uint8_t>(value >> 8));
    }
    void U32(uint32_t value)
    {
        U16(static_cast<uint16_t>(value));
        U16(static_cast<uint16_t>(value >> 16));
    }
    void U64(uint64_t value)
    {
        U32(static_cast<uint32_t>(value));
        U32(static_cast<uint32_t>(value >> 32));
    }
    void Raw(const uint8_t* data, size_t size) { bytes.insert(bytes.end(), data, data + size); }
    void Guid(const NetGuid& guid) { Raw(guid.bytes, sizeof guid.bytes); }
    void Text(const std::string& text, size_t limit)
    {
        const size_t size = std::min(text.size(), limit);
        U8(static_cast<uint8_t>(size));
        Raw(reinterpret_cast<const uint8_t*>(text.data()), size);
    }
    void Block(const std::vector<uint8_t>& data)
    {
        const size_t size = std::min(data.size(), NET_DATA_MAX);
        U16(static_cast<uint16_t>(size));
        Raw(data.data(), size);
    }
    void Member(const MemberRecord& member)
    {
        U32(member.id);
        U32(member.joinSeq);
        U32(member.address.ip);
        U16(member.address.port);
        Text(member.name, NET_PLAYER_NAME_MAX);
        Block(member.data);
    }
};

// Bounds-checked reader: once a read fails every later read fails too.
class Reader {
public:
    Reader(const uint8_t* data, size_t size) : data(data), size(size) {}

    bool Ok() const { return ok; }
    bool AtEnd() const { return ok && offset == size; }

    bool Take(void* out, size_t count)
    {
        if (!ok || size - offset < count) {
            ok = false;
            return false;
        }
        if (count > 0)
            std::memcpy(out, data + offset, count);
        offset += count;
        return true;
    }
    uint8_t U8()
    {
        uint8_t value = 0;
        Take(&value, 1);
        return value;
    }
    uint16_t U16()
    {
        const uint16_t low = U8();
        return static_cast<uint16_t>(low | (U8() << 8));
    }
    uint32_t U32()
    {
        const uint32_t low = U16();
        return low | (static_cast<uint32_t>(U16()) << 16);
    }
    uint64_t U64()
    {
        const uint64_t low = U32();
        return low | (static_cast<uint64_t>(U32()) << 32);
    }
    void Guid(NetGuid* guid) { Take(guid->bytes, sizeof guid->bytes); }
    bool Flag()
    {
        const uint8_t value = U8();
        if (value > 1)
            ok = false;
        return value == 1;
    }
    void Text(std::string* text, size_t limit)
    {
        const size_t length = U8();
        if (length > limit) {
            ok = false;
            return;
        }
        text->assign(length, '\0');
        Take(text->data(), length);
    }
    void Block(std::vector<uint8_t>* block)
    {
        const size_t length = U16();
        if (length > NET_DATA_MAX) {
            ok = false;
            return;
        }
        block->assign(length, 0);
        Take(block->data(), length);
    }
    void Member(MemberRecord* member)
    {
        member->id = U32();
        member->joinSeq = U32();
        member->address.ip = U32();
        member->address.port = U16();
        Text(&member->name, NET_PLAYER_NAME_MAX);
        Block(&member->data);
    }

private:
    const uint8_t* data;
    size_t size;
    size_t offset = 0;
    bool ok = true;
};

bool HasMagic(const uint8_t* bytes, size_t size, const uint8_t (&magic)[4])
{
    return size >= 4 && std::memcmp(bytes, magic, 4) == 0;
}

} // namespace

uint32_t ConnectTag(uint64_t token)
{
    uint32_t tag = static_cast<uint32_t>(token >> 32);
    if ((tag & 0xFFFFFF00) == SESSION_PROTOCOL_FAMILY)
        tag ^= 0x80000000;
    return tag != 0 ? tag : 1;
}

bool IsOtherFormat(uint32_t data)
{
    return (data & 0xFFFFFF00) == SESSION_PROTOCOL_FAMILY && data != SESSION_PROTOCOL_MAGIC;
}

bool IsConnectTag(uint32_t data)
{
    return data != 0 && (data & 0xFFFFFF00) != SESSION_PROTOCOL_FAMILY;
}

uint32_t HostCookie(const SipKey& key, uint32_t ip, uint32_t epoch)
{
    uint8_t bytes[8];
    for (size_t i = 0; i < 4; ++i) {
        bytes[i] = static_cast<uint8_t>(ip >> (24 - 8 * i));
        bytes[4 + i] = static_cast<uint8_t>(epoch >> (24 - 8 * i));
    }
    return ConnectTag(SipHash24(key, bytes, sizeof bytes));
}

bool IsHostCookie(const SipKey& key, uint32_t ip, uint32_t data, uint32_t epoch)
{
    return data == HostCookie(key, ip, epoch) || data == HostCookie(key, ip, epoch - 1);
}

bool IsHostDatagram(const uint8_t* bytes, size_t size)
{
    return HasMagic(bytes, size, HOST_QUERY_MAGIC) || HasMagic(bytes, size, HOST_ANSWER_MAGIC) ||
           HasMagic(bytes, size, HOST_CHALLENGE_MAGIC);
}

bool PeekHostQueryFormat(const uint8_t* bytes, size_t size, const NetGuid& application, uint8_t* format)
{
    if (!HasMagic(bytes, size, HOST_QUERY_MAGIC) || size < 4 + sizeof application.bytes ||
        std::memcmp(bytes + 4, application.bytes, sizeof application.bytes) != 0)
        return false;
    *format = size > HOST_QUERY_FORMAT_AT ? bytes[HOST_QUERY_FORMAT_AT] : 0;
    return true;
}

std::vector<uint8_t> EncodeHostQuery(const HostQuery& query)
{
    Writer writer;
    writer.Raw(HOST_QUERY_MAGIC, 4);
    writer.Guid(query.application);
    writer.U32(query.nonce);
    writer.U32(query.cookie);
    writer.U8(query.format);
    writer.bytes.resize(HOST_QUERY_SIZE, 0);
    return writer.bytes;
}

bool DecodeHostQuery(const uint8_t* bytes, size_t size, HostQuery* query)
{
    if (!HasMagic(bytes, size, HOST_QUERY_MAGIC) || size != HOST_QUERY_SIZE)
        return false;
    Reader reader(bytes + 4, size - 4);
    reader.Guid(&query->application);
    query->nonce = reader.U32();
    query->cookie = reader.U32();
    if (query->cookie != 0 && !IsConnectTag(query->cookie))
        return false;
    query->format = reader.U8();
    while (reader.Ok() && !reader.AtEnd())
        if (reader.U8() != 0)
            return false;
    return reader.AtEnd();
}

std::vector<uint8_t> EncodeHostAnswer(const HostAnswer& answer)
{
    Writer writer;
    writer.Raw(HOST_ANSWER_MAGIC, 4);
    writer.U32(answer.nonce);
    writer.Guid(answer.desc.application);
    writer.Guid(answer.desc.instance);
    writer.U32(answer.desc.maxPlayers);
    writer.U32(answer.desc.currentPlayers);
    writer.U8(answer.desc.joinable ? 1 : 0);
    writer.Text(answer.desc.sessionName, NET_SESSION_NAME_MAX);
    writer.Block(answer.desc.appData);
    if (answer.cookie != 0)
        writer.U32(answer.cookie);
    return writer.bytes;
}

bool DecodeHostAnswer(const uint8_t* bytes, size_t size, HostAnswer* answer)
{
    if (!HasMagic(bytes, size, HOST_ANSWER_MAGIC))
        return false;
    Reader reader(bytes + 4, size - 4);
    answer->nonce = reader.U32();
    reader.Guid(&answer->desc.application);
    reader.Guid(&answer->desc.instance);
    answer->desc.maxPlayers = reader.U32();
    answer->desc.currentPlayers = reader.U32();
    answer->desc.joinable = reader.Flag();
    reader.Text(&answer->desc.sessionName, NET_SESSION_NAME_MAX);
    reader.Block(&answer->desc.appData);
    answer->cookie = 0;
    if (reader.Ok() && !reader.AtEnd()) {
        answer->cookie = reader.U32();
        if (!IsConnectTag(answer->cookie))
            return false;
    }
    return reader.AtEnd();
}

std::vector<uint8_t> EncodeHostChallenge(const HostChallenge& challenge)
{
    Writer writer;
    writer.Raw(HOST_CHALLENGE_MAGIC, 4);
    writer.U32(challenge.nonce);
    writer.U32(challenge.cookie);
    return writer.bytes;
}

bool DecodeHostChallenge(const uint8_t* bytes, size_t size, HostChallenge* challenge)
{
    if (!HasMagic(bytes, size, HOST_CHALLENGE_MAGIC) || size != HOST_CHALLENGE_SIZE)
        return false;
    Reader reader(bytes + 4, size - 4);
    challenge->nonce = reader.U32();
    challenge->cookie = reader.U32();
    return reader.AtEnd() && IsConnectTag(challenge->cookie);
}

namespace {

// A report names the other players at most; a roster every player.
size_t IdsMax(ControlKind kind)
{
    return kind == ControlKind::ROSTER ? SESSION_PLAYERS_MAX : SESSION_MEMBERS_MAX;
}

} // namespace

std::vector<uint8_t> EncodeControlFrame(const ControlFrame& frame)
{
    Writer writer;
    writer.U8(SESSION_FORMAT_VERSION);
    writer.U8(static_cast<uint8_t>(frame.kind));
    switch (frame.kind) {
    case ControlKind::HELLO:
        writer.Guid(frame.application);
        writer.Guid(frame.instance);
        writer.Member(frame.member);
        break;
    case ControlKind::WELCOME: {
        writer.Member(frame.member);
        writer.U32(frame.hostId);
        writer.U32(frame.highestJoinSeq);
        writer.Text(frame.desc.sessionName, NET_SESSION_NAME_MAX);
        writer.U32(frame.desc.maxPlayers);
        writer.U8(frame.desc.joinable ? 1 : 0);
        writer.Block(frame.desc.appData);
        const size_t count = std::min(frame.listed.size(), SESSION_MEMBERS_MAX);
        writer.U8(static_cast<uint8_t>(count));
        for (size_t i = 0; i < count; ++i) {
            writer.Member(frame.listed[i].record);
            writer.U64(frame.listed[i].token);
        }
        break;
    }
    case ControlKind::REJECT:
        writer.U8(frame.reason);
        break;
    case ControlKind::ADD_MEMBER:
        writer.Member(frame.member);
        writer.U64(frame.token);
        break;
    case ControlKind::PEER_ACK:
    case ControlKind::PEER_INFO:
        writer.Member(frame.member);
        break;
    case ControlKind::REMOVE_MEMBER:
        writer.U32(frame.member.id);
        writer.U8(frame.reason);
        break;
    case ControlKind::HELLO_PEER:
        writer.Guid(frame.instance);
        writer.U32(frame.member.id);
        writer.U64(frame.token);
        break;
    case ControlKind::HOST_LOST:
    case ControlKind::HOST_SEEN:
        writer.U32(frame.member.id);
        break;
    case ControlKind::UNANSWERED:
    case ControlKind::ROSTER: {
        const size_t count = std::min(frame.ids.size(), IdsMax(frame.kind));
        writer.U8(static_cast<uint8_t>(count));
        for (size_t i = 0; i < count; ++i)
            writer.U32(frame.ids[i]);
        break;
    }
    case ControlKind::APP_DESC:
        writer.U32(frame.desc.maxPlayers);
        writer.U8(frame.desc.joinable ? 1 : 0);
        writer.Block(frame.desc.appData);
        break;
    }
    return writer.bytes;
}

bool DecodeControlFrame(const uint8_t* bytes, size_t size, ControlFrame* frame)
{
    *frame = ControlFrame();
    Reader reader(bytes, size);
    if (reader.U8() != SESSION_FORMAT_VERSION)
        return false;
    const uint8_t kind = reader.U8();
    frame->kind = static_cast<ControlKind>(kind);
    switch (frame->kind) {
    case ControlKind::HELLO:
        reader.Guid(&frame->application);
        reader.Guid(&frame->instance);
        reader.Member(&frame->member);
        break;
    case ControlKind::WELCOME: {
        reader.Member(&frame->member);
        frame->hostId = reader.U32();
        frame->highestJoinSeq = reader.U32();
        reader.Text(&frame->desc.sessionName, NET_SESSION_NAME_MAX);
        frame->desc.maxPlayers = reader.U32();
        frame->desc.joinable = reader.Flag();
        reader.Block(&frame->desc.appData);
        const size_t count = reader.U8();
        if (count > SESSION_MEMBERS_MAX)
            return false;
        frame->listed.resize(count);
        for (ListedMember& listed : frame->listed) {
            reader.Member(&listed.record);
            listed.token = reader.U64();
        }
        break;
    }
    case ControlKind::REJECT:
        frame->reason = reader.U8();
        break;
    case ControlKind::ADD_MEMBER:
        reader.Member(&frame->member);
        frame->token = reader.U64();
        break;
    case ControlKind::PEER_ACK:
    case ControlKind::PEER_INFO:
        reader.Member(&frame->member);
        break;
    case ControlKind::REMOVE_MEMBER:
        frame->member.id = reader.U32();
        frame->reason = reader.U8();
        break;
    case ControlKind::HELLO_PEER:
        reader.Guid(&frame->instance);
        frame->member.id = reader.U32();
        frame->token = reader.U64();
        break;
    case ControlKind::HOST_LOST:
    case ControlKind::HOST_SEEN:
        frame->member.id = reader.U32();
        break;
    case ControlKind::UNANSWERED:
    case ControlKind::ROSTER: {
        const size_t count = reader.U8();
        if (count > IdsMax(frame->kind))
            return false;
        frame->ids.resize(count);
        for (uint32_t& id : frame->ids)
            id = reader.U32();
        break;
    }
    case ControlKind::APP_DESC:
        frame->desc.maxPlayers = reader.U32();
        frame->desc.joinable = reader.Flag();
        reader.Block(&frame->desc.appData);
        break;
    default:
        return false;
    }
    return reader.AtEnd();
}

std::vector<uint8_t> EncodeFirstFormatReject()
{
    return {static_cast<uint8_t>(ControlKind::REJECT), REJECT_VERSION};
}

} // namespace backend

#include "backend/net/ForgedDatagrams.h"

#include "backend/net/SessionState.h"

#include <enet/enet.h>

#include <algorithm>
#include <arpa/inet.h>
#include <cstring>
#include <initializer_list>

namespace nettest {

namespace {

// A link-less datagram's sum is taken with 0 in the checksum's place.
constexpr uint32_t NO_LINK = 0;
// What a forger guesses for a link's connect id.
constexpr uint32_t GUESSED_CONNECT_ID = 0x5EED1234;

template <typename T> std::vector<uint8_t> Bytes(const T& value)
{
    std::vector<uint8_t> bytes(sizeof value);
    std::memcpy(bytes.data(), &value, sizeof value);
    return bytes;
}

// The header naming `peerId` in session `sessionId`, with its sent time, then
// the checksum ENet makes with `connectId` when `summed`, then `commands`.
std::vector<uint8_t> Datagram(uint16_t peerId, uint8_t sessionId, const std::vector<uint8_t>& commands, bool summed,
                              uint32_t connectId)
{
    ENetProtocolHeader header = {};
    header.peerID = htons(
        uint16_t(peerId | (sessionId << ENET_PROTOCOL_HEADER_SESSION_SHIFT) | ENET_PROTOCOL_HEADER_FLAG_SENT_TIME));
    header.sentTime = htons(1);
    const size_t sumAt = sizeof header;
    std::vector<uint8_t> bytes(sumAt + (summed ? sizeof connectId : 0) + commands.size());
    std::memcpy(bytes.data(), &header, sizeof header);
    if (summed)
        std::memcpy(bytes.data() + sumAt, &connectId, sizeof connectId);
    std::copy(commands.begin(), commands.end(), bytes.end() - std::ptrdiff_t(commands.size()));
    if (summed) {
        ENetBuffer buffer;
        buffer.data = bytes.data();
        buffer.dataLength = bytes.size();
        const uint32_t sum = enet_crc32(&buffer, 1);
        std::memcpy(bytes.data() + sumAt, &sum, sizeof sum);
    }
    return bytes;
}

} // namespace

std::vector<uint8_t> ConnectDatagram(uint32_t connectId, uint32_t data)
{
    ENetProtocolConnect connect = {};
    connect.header.command = uint8_t(ENET_PROTOCOL_COMMAND_CONNECT) | uint8_t(ENET_PROTOCOL_COMMAND_FLAG_ACKNOWLEDGE);
    connect.header.channelID = 0xFF;
    connect.header.reliableSequenceNumber = htons(1);
    // The answers name no link of an ENet host at the sender's address.
    connect.outgoingPeerID = htons(ENET_PROTOCOL_MAXIMUM_PEER_ID);
    connect.incomingSessionID = connect.outgoingSessionID = 0xFF;
    connect.mtu = htonl(1392);
    connect.windowSize = htonl(ENET_PROTOCOL_MAXIMUM_WINDOW_SIZE);
    connect.channelCount = htonl(2);
    connect.packetThrottleInterval = htonl(ENET_PEER_PACKET_THROTTLE_INTERVAL);
    connect.packetThrottleAcceleration = htonl(ENET_PEER_PACKET_THROTTLE_ACCELERATION);
    connect.packetThrottleDeceleration = htonl(ENET_PEER_PACKET_THROTTLE_DECELERATION);
    connect.connectID = connectId;
    connect.data = htonl(data);
    return Datagram(ENET_PROTOCOL_MAXIMUM_PEER_ID, 0, Bytes(connect), true, NO_LINK);
}

std::vector<uint8_t> DisconnectCommand(uint32_t data)
{
    ENetProtocolDisconnect disconnect = {};
    disconnect.header.command = ENET_PROTOCOL_COMMAND_DISCONNECT;
    disconnect.header.channelID = 0xFF;
    disconnect.data = htonl(data);
    return Bytes(disconnect);
}

std::vector<uint8_t> ReliableCommand(uint16_t sequence, const std::vector<uint8_t>& message, uint8_t channel)
{
    ENetProtocolSendReliable send = {};
    send.header.command =
        uint8_t(ENET_PROTOCOL_COMMAND_SEND_RELIABLE) | uint8_t(ENET_PROTOCOL_COMMAND_FLAG_ACKNOWLEDGE);
    send.header.channelID = channel;
    send.header.reliableSequenceNumber = htons(sequence);
    send.dataLength = htons(uint16_t(message.size()));
    std::vector<uint8_t> command = Bytes(send);
    command.resize(sizeof send + message.size());
    std::copy(message.begin(), message.end(), command.begin() + sizeof send);
    return command;
}

std::vector<uint8_t> ConnectAcknowledgement()
{
    // The answer is the first command on the link's own channel; its sent
    // time, never read, is taken as long past.
    ENetProtocolAcknowledge acknowledge = {};
    acknowledge.header.command = ENET_PROTOCOL_COMMAND_ACKNOWLEDGE;
    acknowledge.header.channelID = 0xFF;
    acknowledge.receivedReliableSequenceNumber = htons(1);
    acknowledge.receivedSentTime = 0;
    return Bytes(acknowledge);
}

namespace {

// `command` on every slot and session id, with the checksums `summed` asks for.
std::vector<std::vector<uint8_t>> OnEverySlot(const std::vector<uint8_t>& command, uint32_t connectId,
                                              std::initializer_list<bool> summed)
{
    std::vector<std::vector<uint8_t>> forged;
    for (uint16_t slot = 0; slot < backend::SESSION_PEER_SLOTS; ++slot)
        for (uint8_t session = 0; session <= ENET_PROTOCOL_HEADER_SESSION_MASK >> ENET_PROTOCOL_HEADER_SESSION_SHIFT;
             ++session)
            for (const bool sum : summed)
                forged.push_back(Datagram(slot, session, command, sum, connectId));
    return forged;
}

} // namespace

std::vector<std::vector<uint8_t>> EveryLinkForgery(const std::vector<uint8_t>& command)
{
    return OnEverySlot(command, GUESSED_CONNECT_ID, {true, false});
}

std::vector<std::vector<uint8_t>> EveryLinkOfItsOwn(uint32_t connectId, const std::vector<uint8_t>& command)
{
    return OnEverySlot(command, connectId, {true});
}

} // namespace nettest

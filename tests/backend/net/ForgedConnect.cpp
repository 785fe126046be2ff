#include "backend/net/ForgedConnect.h"

#include <enet/enet.h>

#include <arpa/inet.h>
#include <cstring>

namespace nettest {

std::vector<uint8_t> ConnectDatagram(uint32_t connectId, uint32_t data)
{
    ENetProtocolHeader header = {};
    header.peerID = htons(uint16_t(ENET_PROTOCOL_MAXIMUM_PEER_ID) | uint16_t(ENET_PROTOCOL_HEADER_FLAG_SENT_TIME));
    header.sentTime = htons(uint16_t(connectId));
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
    std::vector<uint8_t> bytes(sizeof header + sizeof connect);
    std::memcpy(bytes.data(), &header, sizeof header);
    std::memcpy(bytes.data() + sizeof header, &connect, sizeof connect);
    return bytes;
}

} // namespace nettest

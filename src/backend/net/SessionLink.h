#pragma once
// What makes a datagram count only on the link it names: every session host
// checksums its datagrams, and ENet sums each with the link's connect id in
// place of the checksum, so a sender that never saw the connect cannot make
// one its receiver takes. Connect ids are drawn from the kernel's random
// source, one per connect.

#include <enet/enet.h>

#include <cstdint>

namespace backend {

// Makes `host` checksum what it sends and drop what fails the sum.
void ChecksumDatagrams(ENetHost* host);
// enet_host_connect with a connect id nobody can guess from an earlier one.
ENetPeer* OpenLink(ENetHost* host, const ENetAddress& to, uint8_t channels, uint32_t data);

} // namespace backend

#pragma once
// An ENet connect datagram as any sender can forge it, for the tests and the
// network bench: it names no link of an ENet host at the sender's address.

#include "backend/net/SessionPackets.h"

#include <cstdint>
#include <vector>

namespace nettest {

// An ENet connect as a stranger sends it, with `data` as its connect data;
// ENet drops what is sent back to it.
std::vector<uint8_t> ConnectDatagram(uint32_t connectId, uint32_t data = backend::SESSION_PROTOCOL_MAGIC);

} // namespace nettest

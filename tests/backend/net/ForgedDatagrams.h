#pragma once
// ENet datagrams as any sender can forge them, for the tests and the network
// bench: connects that name no link of an ENet host at the sender's address,
// and commands on a link whose connect the sender never saw.

#include "backend/net/SessionState.h"

#include <cstdint>
#include <vector>

namespace nettest {

// An ENet connect as a stranger sends it, with `data` as its connect data,
// checksummed as every session host's connect is; ENet drops what is sent
// back to it.
std::vector<uint8_t> ConnectDatagram(uint32_t connectId, uint32_t data = backend::SESSION_PROTOCOL_MAGIC);

// A disconnect saying `data`; a guaranteed message on `channel` with sequence
// number `sequence`; the acknowledgement of the answer to a connect: one ENet
// command each.
std::vector<uint8_t> DisconnectCommand(uint32_t data);
std::vector<uint8_t> ReliableCommand(uint16_t sequence, const std::vector<uint8_t>& message,
                                     uint8_t channel = backend::CHANNEL_GAME);
std::vector<uint8_t> ConnectAcknowledgement();

// `command` on every link a session host may have (every slot and session
// id) as a sender that never saw their connects makes it: each once with a
// checksum over a connect id it guessed, once with no checksum.
std::vector<std::vector<uint8_t>> EveryLinkForgery(const std::vector<uint8_t>& command);
// `command` on every slot and session id, checksummed over `connectId`: what
// the sender of a connect with that id sends on the link it opened without
// reading the answer.
std::vector<std::vector<uint8_t>> EveryLinkOfItsOwn(uint32_t connectId, const std::vector<uint8_t>& command);

} // namespace nettest

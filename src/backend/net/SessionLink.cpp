#include "backend/net/SessionLink.h"

#include "backend/net/SessionState.h"

namespace backend {

void ChecksumDatagrams(ENetHost* host)
{
    host->checksum = enet_crc32;
}

ENetPeer* OpenLink(ENetHost* host, const ENetAddress& to, uint8_t channels, uint32_t data)
{
    // ENet takes the connect id from this seed, counting up from the last.
    host->randomSeed = static_cast<enet_uint32>(RandomSecret());
    return enet_host_connect(host, &to, channels, data);
}

} // namespace backend

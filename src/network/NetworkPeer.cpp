#include "network/NetworkPeer.h"

#include "engine/platform/Log.h"

using backend::NetAppDesc;
using backend::NetMessage;
using backend::NetPlayerInfo;

const backend::NetGuid g_ApplicationGuid = {
    {0xf2, 0x70, 0xf5, 0x91, 0xe8, 0xce, 0x8a, 0x42, 0x80, 0x25, 0x25, 0xa1, 0xe4, 0x91, 0x8b, 0x44}};
NetworkPeer g_NetworkPeer;

namespace {

// Byte 0 of the game's session data says whether players may still join.
bool Joinable(const uint8_t* appData, uint32_t appDataSize)
{
    return appData != nullptr && appDataSize > 0 && appData[0] != 0;
}

std::vector<uint8_t> Bytes(const uint8_t* data, uint32_t size)
{
    return data != nullptr ? std::vector<uint8_t>(data, data + size) : std::vector<uint8_t>();
}

} // namespace

bool NetworkPeer::Init(const backend::NetGuid& application, uint32_t initPort, backend::NetMessageHandler handler)
{
    LogMessage("\nInitializing DirectPlay8...");
    if (initialised)
        Shutdown();
    applicationGuid = application;
    port = initPort;
    session = std::make_unique<backend::NetSession>(std::move(handler), options);
    if (!EnumServiceProviders())
        return false;
    initialised = true;
    inSession = false;
    return true;
}

void NetworkPeer::SetAdmissionCheck(backend::NetAdmissionCheck check)
{
    if (session)
        session->SetAdmissionCheck(std::move(check));
}

void NetworkPeer::Mute()
{
    if (session)
        session->Mute();
}

bool NetworkPeer::EnumServiceProviders()
{
    LogMessage("\nEnumerating server providers (looking for TCP/IP)...");
    // IPv4 over UDP is always there.
    return true;
}

bool NetworkPeer::CreateDeviceAddress()
{
    LogMessage("\nCreating a device address for this computer...");
    deviceAddress = {options.bindIp, static_cast<uint16_t>(port)};
    return true;
}

bool NetworkPeer::CreateHostAddress(const char* text)
{
    LogMessage("\nCreating a device address for the host computer...");
    if (!backend::ParseNetAddress(text, static_cast<uint16_t>(port), &hostAddress)) {
        LogResult(false);
        return false;
    }
    return true;
}

bool NetworkPeer::Host(const char* sessionName, uint32_t maxPlayers, const uint8_t* appData, uint32_t appDataSize)
{
    LogMessage("\nHosting a game session...");
    if (!session || !CreateDeviceAddress()) {
        Disconnect();
        return false;
    }
    NetAppDesc desc;
    desc.application = applicationGuid;
    desc.sessionName = sessionName != nullptr ? sessionName : "";
    desc.maxPlayers = maxPlayers;
    desc.joinable = Joinable(appData, appDataSize);
    desc.appData = Bytes(appData, appDataSize);
    if (!session->Host(desc, deviceAddress.port)) {
        Disconnect();
        LogResult(false);
        return false;
    }
    inSession = true;
    return true;
}

bool NetworkPeer::FindSession(const char* hostAddressText)
{
    LogFormat("\nFinding a game session on %s...", hostAddressText != nullptr ? hostAddressText : "");
    if (!session || !CreateDeviceAddress() || !CreateHostAddress(hostAddressText)) {
        Disconnect();
        return false;
    }
    // The answer reaches OnEnumHostsResponse through the handler.
    session->EnumHosts(applicationGuid, hostAddress);
    bool found = false;
    {
        std::lock_guard lock(foundSessionLock);
        found = foundSession != nullptr;
    }
    if (!found) {
        Disconnect();
        LogResult(false);
    }
    return found;
}

bool NetworkPeer::OnEnumHostsResponse(const NetMessage& response)
{
    std::lock_guard lock(foundSessionLock);
    if (foundSession)
        return true;
    if (response.desc == nullptr)
        return false;
    foundSession = std::make_unique<FoundSession>();
    foundSession->hostAddress = response.sender;
    foundSession->desc = *response.desc;
    foundSession->desc.sessionName.clear();
    foundSession->desc.appData.clear();
    foundSession->appData = response.desc->appData;
    return true;
}

bool NetworkPeer::GetFoundSession(FoundSession* copy) const
{
    std::lock_guard lock(foundSessionLock);
    if (!foundSession)
        return false;
    *copy = *foundSession;
    return true;
}

bool NetworkPeer::Connect()
{
    LogMessage("\nConnecting to a found, hosted session...");
    FoundSession found;
    // A session without data, or one whose race has started, is not joined.
    bool ok = session && GetFoundSession(&found) && Joinable(found.appData.data(), found.appData.size());
    if (ok) {
        found.desc.appData = found.appData;
        ok = session->Connect(found.desc, found.hostAddress);
    }
    if (!ok) {
        Disconnect();
        LogResult(false);
        return false;
    }
    inSession = true;
    return true;
}

bool NetworkPeer::SetApplicationDesc(uint32_t maxPlayers, const uint8_t* appData, uint32_t appDataSize)
{
    LogMessage("\nSetting application description...");
    if (!session ||
        !session->SetApplicationDesc(maxPlayers, Joinable(appData, appDataSize), Bytes(appData, appDataSize))) {
        LogResult(false);
        return false;
    }
    return true;
}

bool NetworkPeer::GetConnectionInfo(uint32_t player, uint32_t* roundTripLatencyMs)
{
    LogMessage("\nGetting connection info...");
    *roundTripLatencyMs = 0;
    return session && session->GetConnectionInfo(player, roundTripLatencyMs);
}

bool NetworkPeer::SetLocalPlayerInfo(const char* name, const uint8_t* data, uint32_t dataSize, bool)
{
    LogMessage("\nSetting local player info...");
    // Sent reliably and in order either way: the synchronous flag changes nothing.
    if (!session || !session->SetPeerInfo(name != nullptr ? name : "", Bytes(data, dataSize))) {
        LogResult(false);
        return false;
    }
    return true;
}

bool NetworkPeer::GetRemotePlayerInfo(uint32_t player, NetPlayerInfo* info)
{
    LogMessage("\nRetrieving remote player info...");
    if (!session || !session->GetPeerInfo(player, info)) {
        LogResult(false);
        return false;
    }
    return true;
}

bool NetworkPeer::Send(uint32_t to, const void* data, uint32_t size, bool guaranteed)
{
    return session && session->SendTo(to, data, size, guaranteed);
}

bool NetworkPeer::Disconnect()
{
    if (inSession)
        LogMessage("\nDisconnecting from a game session...");
    if (session)
        session->Close();
    {
        std::lock_guard lock(foundSessionLock);
        foundSession.reset();
    }
    deviceAddress = {};
    hostAddress = {};
    inSession = false;
    return true;
}

void NetworkPeer::Shutdown()
{
    if (!initialised)
        return;
    LogMessage("\nUninitializing DirectPlay8...");
    session->Close();
    session.reset();
    {
        std::lock_guard lock(foundSessionLock);
        foundSession.reset();
    }
    deviceAddress = {};
    hostAddress = {};
    inSession = false;
    initialised = false;
    port = 0xFFFFFFFF;
}

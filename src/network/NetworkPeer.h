#pragma once
// The game's one network peer: hosts, finds and joins sessions, publishes the
// player's name and data and sends the game's messages, on the session layer.
// Every operation blocks until done. The message handler given to Init runs on
// a worker thread of the session; it may call GetRemotePlayerInfo,
// GetConnectionInfo, OnEnumHostsResponse and Send, never Disconnect or
// Shutdown, and the caller of Host, FindSession, Connect, Send,
// SetApplicationDesc, SetLocalPlayerInfo and Disconnect must not hold a lock
// that the handler takes.

#include "backend/net/NetSession.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

constexpr uint32_t NETWORK_PORT = 5102;
constexpr uint32_t MAX_SESSION_PLAYERS = 6;
constexpr const char* SESSION_NAME = "VTLGameSession";
// {91f570f2-ce88-428a-8025-25a1e4918b44}
extern const backend::NetGuid g_ApplicationGuid;

// The first session that answered FindSession.
struct FoundSession {
    backend::NetAppDesc desc; // its session name and app data left empty
    backend::NetAddress hostAddress;
    std::vector<uint8_t> appData; // empty when it advertised none
};

class NetworkPeer {
public:
    NetworkPeer() = default;
    // Tests bind each peer to its own loopback address and shorten the waits.
    explicit NetworkPeer(const backend::NetSessionOptions& options) : options(options) {}
    ~NetworkPeer() { Shutdown(); }
    NetworkPeer(const NetworkPeer&) = delete;
    NetworkPeer& operator=(const NetworkPeer&) = delete;

    // Tests bind the game's peer to a loopback address and shorten its waits; the next Init uses them.
    void SetOptions(const backend::NetSessionOptions& newOptions) { options = newOptions; }

    bool Init(const backend::NetGuid& application, uint32_t port, backend::NetMessageHandler handler);
    // The host's check of each joiner, this peer's while it hosts (also after a
    // migration); set before Host or Connect. It runs on the session's I/O thread
    // with the session's locks held and must not call this peer.
    void SetAdmissionCheck(backend::NetAdmissionCheck check);
    bool Host(const char* sessionName, uint32_t maxPlayers, const uint8_t* appData, uint32_t appDataSize);
    // Asks the host at the dotted IPv4 text; true when a session was stored.
    bool FindSession(const char* hostAddressText);
    bool Connect();
    bool SetApplicationDesc(uint32_t maxPlayers, const uint8_t* appData, uint32_t appDataSize);
    bool GetConnectionInfo(uint32_t player, uint32_t* roundTripLatencyMs);
    bool SetLocalPlayerInfo(const char* name, const uint8_t* data, uint32_t dataSize, bool sync);
    bool GetRemotePlayerInfo(uint32_t player, backend::NetPlayerInfo* info);
    // To player `to` or 0 for every other player; never back to this one.
    bool Send(uint32_t to, const void* data, uint32_t size, bool guaranteed);
    // Leaves the session and makes the peer ready for the next one.
    bool Disconnect();
    void Shutdown();
    // For the handler: keeps the first answer, ignores the later ones.
    bool OnEnumHostsResponse(const backend::NetMessage& response);

    bool EnumServiceProviders();
    bool CreateDeviceAddress();
    bool CreateHostAddress(const char* text);

    // Test hook: the session keeps its links but sends no control frame any
    // more (a player that stays linked and says nothing).
    void Mute();

    // A copy of the found session, under its lock; false when there is none.
    bool GetFoundSession(FoundSession* copy) const;
    bool IsInSession() const { return inSession; }
    bool IsInitialised() const { return initialised; }

private:
    backend::NetSessionOptions options;
    std::unique_ptr<backend::NetSession> session;
    backend::NetAddress deviceAddress;
    backend::NetAddress hostAddress;
    std::unique_ptr<FoundSession> foundSession;
    mutable std::mutex foundSessionLock;
    backend::NetGuid applicationGuid;
    uint32_t port = 0xFFFFFFFF;
    bool inSession = false;
    bool initialised = false;
};

extern NetworkPeer g_NetworkPeer;

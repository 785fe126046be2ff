#pragma once
// Inside NetSession. Three locks, never held while the handler runs:
//   ioMutex    the ENet host and the membership, taken by the I/O thread for
//              each round of servicing and briefly by the API calls;
//   tableMutex the player table read by GetPeerInfo and GetConnectionInfo
//              (taken after ioMutex, never before it);
//   queueMutex the messages waiting for the dispatch thread.

#include "backend/net/NetSession.h"
#include "backend/net/SessionPackets.h"

#include <enet/enet.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <random>
#include <thread>

namespace backend {

constexpr uint32_t DISCONNECT_CLEAN = 1;
constexpr size_t SESSION_PEER_SLOTS = 16;
constexpr uint8_t CHANNEL_GAME = 0;
constexpr uint8_t CHANNEL_CONTROL = 1;
constexpr uint8_t CHANNEL_COUNT = 2;

// Another player as this process knows it.
struct Member {
    MemberRecord record;
    ENetPeer* peer = nullptr;                // the link, null until there is one
    bool acked = false;                      // joining: the player answered our HELLO_PEER
    bool created = false;                    // CREATE_PLAYER queued
    std::vector<std::vector<uint8_t>> early; // data that came while we were still joining
};

struct QueuedMessage {
    NetMessageType type = NetMessageType::RECEIVE;
    uint32_t playerId = 0;
    NetDestroyReason reason = NET_DESTROY_NORMAL;
    std::vector<uint8_t> data;
    NetAddress sender;
    NetAppDesc desc;
    uint32_t roundTripMs = 0;
    bool taken = false; // what the handler returned
};

struct TableEntry {
    NetPlayerInfo info;
    uint32_t roundTripMs = 0;
};

enum class SessionPhase { IDLE, JOINING, IN_SESSION, FAILED };

struct NetSession::State {
    State(NetMessageHandler handler, const NetSessionOptions& options);

    NetMessageHandler handler;
    NetSessionOptions options;

    // Dispatch.
    std::mutex queueMutex;
    std::condition_variable queueChanged;
    std::deque<QueuedMessage> queue;
    uint64_t queuedCount = 0;
    uint64_t doneCount = 0;
    bool lastTaken = false;
    bool dispatchStop = false;
    std::thread dispatcher;

    // What GetPeerInfo and GetConnectionInfo read.
    mutable std::mutex tableMutex;
    std::map<uint32_t, TableEntry> table;

    // Under ioMutex.
    std::mutex ioMutex;
    std::condition_variable phaseChanged;
    ENetHost* host = nullptr;
    std::thread ioThread;
    std::atomic<bool> ioStop{false};
    SessionPhase phase = SessionPhase::IDLE;
    bool isHost = false;
    uint32_t localId = 0;
    uint32_t localJoinSeq = 0;
    uint32_t hostId = 0;
    uint32_t highestJoinSeq = 0;
    NetAppDesc desc;
    std::string localName;
    std::vector<uint8_t> localData;
    std::vector<Member> members;
    ENetPeer* hostPeer = nullptr; // joining: the link to the host
    uint64_t joinedSeq = 0;       // the last CREATE_PLAYER the join queued
    double lossShare = 0;
    std::mt19937 lossRandom;

    // NetSession.cpp
    void StartDispatcher();
    void StopDispatcher();
    uint64_t Queue(QueuedMessage message);
    // Waits until the handler has returned for message `seq`; false when the
    // dispatcher stopped first.
    bool WaitDispatched(uint64_t seq);
    void DispatchLoop();
    bool CreateHost(const ENetAddress& address);
    void StartIo();
    void StopIo();
    void DestroyHost();
    bool AnyLink() const;
    void ResetSession();

    // SessionIo.cpp, all under ioMutex.
    void IoLoop();
    int Intercept(ENetHost* enetHost);
    void HandleEvent(const ENetEvent& event);
    void HandleControl(ENetPeer* peer, const ControlFrame& frame);
    void Admit(ENetPeer* peer, const ControlFrame& hello);
    void Welcomed(const ControlFrame& welcome);
    void HelloPeer(ENetPeer* peer, const ControlFrame& hello);
    void CompleteJoinIfLinked();
    void CreatePlayer(Member& member);
    void CreateLocalPlayer();
    void LoseMember(uint32_t id, NetDestroyReason reason);
    void Elect();
    void SendControl(ENetPeer* peer, const ControlFrame& frame);
    void BroadcastControl(const ControlFrame& frame, uint32_t except);
    void SetLinkTimeouts(ENetPeer* peer);
    void RefreshRoundTrips();
    void SetHostFlags();
    Member* FindMember(uint32_t id);
    Member* FindMember(const ENetPeer* peer);
    MemberRecord LocalRecord() const;
    uint32_t PlayerCount() const;
};

int ENET_CALLBACK SessionIntercept(ENetHost* host, ENetEvent* event);

} // namespace backend

#pragma once
// Players of loopback sessions inside one test process: each has its own
// session on its own 127.x.y.N address and records what its handler is given.

#include "backend/net/NetSession.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace nettest {

using namespace backend;

struct Event {
    NetMessageType type = NetMessageType::RECEIVE;
    uint32_t playerId = 0;
    NetDestroyReason reason = NET_DESTROY_NORMAL;
    std::vector<uint8_t> data;
    NetPlayerInfo info; // CREATE_PLAYER: what GetPeerInfo gave inside the handler
    bool infoKnown = false;
    std::thread::id thread;
};

constexpr uint16_t TEST_PORT = 5102;

size_t CountOf(const std::vector<Event>& events, NetMessageType type);

// 127.a.b.n with a.b from the process id, so that test processes running side
// by side never share an address.
uint32_t TestIp(uint32_t n);
NetSessionOptions TestOptions(uint32_t n);
NetGuid TestApplication(uint8_t seed = 1);

class TestPlayer {
public:
    explicit TestPlayer(uint32_t n, NetSessionOptions options);
    explicit TestPlayer(uint32_t n) : TestPlayer(n, TestOptions(n)) {}

    NetSession& Session() { return *session; }
    NetAddress Address() const { return {TestIp(n), TEST_PORT}; }
    uint32_t Id() { return session->LocalPlayerId(); }

    bool Host(const std::vector<uint8_t>& appData, uint32_t maxPlayers = 6, const std::string& name = "host");
    // Finds the session at `host` and joins it.
    bool Join(TestPlayer& host, const std::string& name = "joiner");
    bool Find(const NetAddress& at, const NetGuid& application = TestApplication());
    NetAppDesc Found();

    // Waits (at most 5 s) until the events satisfy `done`.
    bool WaitFor(const std::function<bool(const std::vector<Event>&)>& done,
                 std::chrono::milliseconds limit = std::chrono::milliseconds(5000));
    std::vector<Event> Events();
    std::vector<Event> Received(uint32_t from = 0);
    size_t Count(NetMessageType type) { return CountOf(Events(), type); }
    // Called inside the handler before the event is recorded.
    void OnMessage(std::function<void(const NetMessage&)> hook);

private:
    bool Handle(const NetMessage& message);

    uint32_t n;
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<Event> events;
    NetAppDesc found;
    std::function<void(const NetMessage&)> hook;
    std::unique_ptr<NetSession> session;
};

bool HasEvent(const std::vector<Event>& events, NetMessageType type, uint32_t playerId);
// Polls `condition` until it holds, at most `limit`.
bool Eventually(const std::function<bool()>& condition,
                std::chrono::milliseconds limit = std::chrono::milliseconds(5000));

} // namespace nettest

#include "NetworkSeeds.h"

#include "backend/net/SessionPackets.h"
#include "race/GameMessages.h"

#include <cstring>

using namespace backend;

namespace {

using Bytes = std::vector<uint8_t>;

template <typename Message, size_t N> Bytes Packed(const Message& message)
{
    Bytes bytes(N);
    message.Pack(bytes.data());
    return bytes;
}

Bytes Control(uint8_t controls, uint8_t boost, uint8_t recovering)
{
    ControlMessage message;
    message.throttle = controls & 0x03;
    message.steering = controls >> 2 & 0x03;
    message.boost = boost;
    message.recovering = recovering;
    return Packed<ControlMessage, CONTROL_MESSAGE_SIZE>(message);
}

// A moped standing upright on the grid of UK Dirt Track, rolling forwards.
Bytes State()
{
    MopedStateMessage state;
    const float world[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 10, 2, 20, 1};
    std::memcpy(state.world, world, sizeof world);
    state.velocity[2] = 3.0f;
    state.rearTyreSpin = 4.0f;
    state.driveTorque = 1.0f;
    state.steerAngle = 0.1f;
    return Packed<MopedStateMessage, MOPED_STATE_MESSAGE_SIZE>(state);
}

Bytes TimeSync(uint32_t ms)
{
    return Packed<TimeSyncMessage, TIME_SYNC_MESSAGE_SIZE>(TimeSyncMessage{ms});
}

Bytes Finished(uint32_t ms)
{
    return Packed<FinishedMessage, FINISHED_MESSAGE_SIZE>(FinishedMessage{ms});
}

NetAppDesc Desc()
{
    NetAppDesc desc;
    for (uint8_t i = 0; i < 16; ++i) {
        desc.application.bytes[i] = uint8_t(0x91 + i);
        desc.instance.bytes[i] = uint8_t(0x17 * i);
    }
    desc.sessionName = "VTLGameSession";
    desc.maxPlayers = 6;
    desc.currentPlayers = 2;
    desc.appData = Packed<SessionAppData, SESSION_APP_DATA_SIZE>(SessionAppData{1, 3});
    return desc;
}

MemberRecord Member(uint32_t id, uint32_t joinSeq, const char* name)
{
    MemberRecord member;
    member.id = id;
    member.joinSeq = joinSeq;
    member.address = {0x7F000001u + id, 5102};
    member.name = name;
    member.data = Packed<PeerData, PEER_DATA_SIZE>(PeerData{joinSeq});
    return member;
}

// Every frame kind through the layer's own encoder, so the seeds follow its format.
void SessionPacketSeeds(const SeedWriter& seed)
{
    const std::string target = "fuzz_session_packets";
    const NetAppDesc desc = Desc();
    seed(target, "query", EncodeHostQuery(HostQuery{desc.application, 0x1234}));
    seed(target, "query_cookie", EncodeHostQuery(HostQuery{desc.application, 0x1234, ConnectTag(0x89ABCDEF01234567)}));
    seed(target, "short_reply", EncodeHostChallenge(HostChallenge{0x1234, ConnectTag(0x89ABCDEF01234567)}));
    seed(target, "answer", EncodeHostAnswer(HostAnswer{0x1234, desc}));
    seed(target, "answer_cookie", EncodeHostAnswer(HostAnswer{0x1234, desc, ConnectTag(0x89ABCDEF01234567)}));
    const auto frame = [&](ControlKind kind) {
        ControlFrame frame;
        frame.kind = kind;
        frame.application = desc.application;
        frame.instance = desc.instance;
        frame.member = Member(2, 1, "Bob");
        frame.token = 0xFEDCBA9876543210;
        return frame;
    };
    ControlFrame welcome = frame(ControlKind::WELCOME);
    welcome.hostId = 1;
    welcome.highestJoinSeq = 2;
    welcome.desc = desc;
    welcome.listed = {{Member(1, 0, "Ann"), 0}, {Member(3, 2, "NameOfNineteenChars"), 0x0123456789ABCDEF}};
    seed(target, "welcome", EncodeControlFrame(welcome));
    ControlFrame reject = frame(ControlKind::REJECT);
    reject.reason = REJECT_FULL;
    seed(target, "reject", EncodeControlFrame(reject));
    ControlFrame removed = frame(ControlKind::REMOVE_MEMBER);
    removed.reason = NET_DESTROY_CONNECTION_LOST;
    seed(target, "remove_member", EncodeControlFrame(removed));
    ControlFrame appDesc = frame(ControlKind::APP_DESC);
    appDesc.desc = desc;
    appDesc.desc.joinable = false;
    seed(target, "app_desc", EncodeControlFrame(appDesc));
    ControlFrame unanswered = frame(ControlKind::UNANSWERED);
    unanswered.ids = {3, 0x12340004};
    seed(target, "unanswered", EncodeControlFrame(unanswered));
    ControlFrame roster = frame(ControlKind::ROSTER);
    roster.ids = {0x12340001, 0x12340002, 0x12340003, 0x12340004, 0x12340005, 0x12340006, 0x12340007, 0x12340008};
    seed(target, "roster", EncodeControlFrame(roster));
    const std::pair<ControlKind, const char*> plain[] = {
        {ControlKind::HELLO, "hello"},           {ControlKind::ADD_MEMBER, "add_member"},
        {ControlKind::HELLO_PEER, "hello_peer"}, {ControlKind::PEER_ACK, "peer_ack"},
        {ControlKind::PEER_INFO, "peer_info"},   {ControlKind::HOST_LOST, "host_lost"},
        {ControlKind::HOST_SEEN, "host_seen"}};
    for (const auto& [kind, name] : plain)
        seed(target, name, EncodeControlFrame(frame(kind)));
}

void GameMessageSeeds(const SeedWriter& seed)
{
    const std::string target = "fuzz_game_messages";
    seed(target, "control", Control(0x01 | 0x08, 1, 0));
    seed(target, "state", State());
    seed(target, "joined", Packed<PlayerJoinedMessage, PLAYER_JOINED_MESSAGE_SIZE>(PlayerJoinedMessage()));
    seed(target, "start", Packed<RaceStartMessage, RACE_START_MESSAGE_SIZE>(RaceStartMessage()));
    seed(target, "time_sync", TimeSync(61234));
    seed(target, "finished", Finished(61234));
    seed(target, "session_app_data", Packed<SessionAppData, SESSION_APP_DATA_SIZE>(SessionAppData{1, 9}));
    seed(target, "peer_data", Packed<PeerData, PEER_DATA_SIZE>(PeerData{5}));
}

// The handler target's input: six join-order bytes (players 2..7), a round
// trip, then records [what][player][length][bytes]; what 0 arrives, 1 leaves,
// 2 hosts, 4 runs a frame, 5 moves the race on a phase, 6 and 7 receive;
// player byte 0 is the local player.
class HandlerScript {
public:
    HandlerScript(std::initializer_list<uint8_t> orders, uint8_t roundTrip) : bytes(orders)
    {
        bytes.push_back(roundTrip);
    }
    HandlerScript& Event(uint8_t what, uint8_t player, const Bytes& data = {})
    {
        bytes.insert(bytes.end(), {what, player, uint8_t(data.size())});
        bytes.insert(bytes.end(), data.begin(), data.end());
        return *this;
    }
    HandlerScript& Receive(uint8_t player, const Bytes& data) { return Event(6, player, data); }
    HandlerScript& Frames(int count)
    {
        for (int i = 0; i < count; ++i)
            Event(4, 0);
        return *this;
    }

    Bytes bytes;
};

void MessageHandlerSeeds(const SeedWriter& seed)
{
    const std::string target = "fuzz_message_handler";
    const Bytes joined = {GAME_MESSAGE_PLAYER_JOINED};
    // Players 1 and 2 (orders 0 and 1) are there before the local player (order 2); 3 joins after,
    // 6 publishes no join order.
    HandlerScript race({0, 1, 3, 4, 5, 0x40}, 20);
    race.Event(0, 1).Event(0, 2).Event(0, 3).Receive(3, joined).Frames(2);
    race.Event(5, 0).Receive(1, {GAME_MESSAGE_RACE_START}).Event(5, 0);
    race.Receive(1, Control(0x01, 0, 0)).Receive(2, Control(0x01 | 0x04, 1, 0)).Receive(1, State()).Frames(2);
    race.Receive(1, TimeSync(1000)).Receive(2, Control(0x02, 0, 1)).Receive(2, State()).Frames(1);
    race.Receive(1, Finished(900)).Receive(1, Finished(800)).Event(1, 3).Event(2, 2).Frames(1);
    seed(target, "race", race.bytes);

    // Players leaving while the race waits, the grid closing up, one coming back.
    HandlerScript waiting({0, 1, 3, 4, 5, 0x40}, 0);
    waiting.Event(0, 1).Event(0, 2).Receive(3, joined).Receive(4, joined).Frames(1);
    waiting.Event(1 | 0x80, 2).Event(1, 1).Frames(2).Event(0, 2).Frames(1);
    seed(target, "waiting", waiting.bytes);

    // A control flood from one player while the race runs.
    HandlerScript flood({0, 1, 3, 4, 5, 0x40}, 7);
    flood.Event(0, 1).Frames(1).Event(5, 0).Event(5, 0);
    for (int i = 0; i < 40; ++i)
        flood.Receive(1, Control(uint8_t(i % 4), 0, uint8_t(i == 20)));
    seed(target, "control_flood", flood.Frames(2).bytes);
}

} // namespace

void NetworkSeeds(const SeedWriter& seed)
{
    SessionPacketSeeds(seed);
    GameMessageSeeds(seed);
    MessageHandlerSeeds(seed);
}

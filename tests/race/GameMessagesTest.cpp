#include "race/GameMessages.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// Right (1,0,0,0), up (0,1,0,0), forward (0,0,1,0), position (1.5,-2,100.25,1),
// velocity (0.5,-0,-3,0), spin 2, torque 14, steer -0.7.
const Bytes STATE_BYTES = {
    0x01,                                                                                           // kind
    0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, // right
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, // up
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x00, 0x00, // forward
    0x00, 0x00, 0xC0, 0x3F, 0x00, 0x00, 0x00, 0xC0, 0x00, 0x80, 0xC8, 0x42, 0x00, 0x00, 0x80, 0x3F, // position
    0x00, 0x00, 0x00, 0x3F, 0x00, 0x00, 0x00, 0x80, 0x00, 0x00, 0x40, 0xC0, 0x00, 0x00, 0x00, 0x00, // velocity
    0x00, 0x00, 0x00, 0x40, 0x00, 0x00, 0x60, 0x41, 0x33, 0x33, 0x33, 0xBF, // spin, torque, steer
};

MopedStateMessage StateOfBytes()
{
    MopedStateMessage m;
    m.world[0] = m.world[5] = m.world[10] = m.world[15] = 1.0f;
    m.world[12] = 1.5f;
    m.world[13] = -2.0f;
    m.world[14] = 100.25f;
    m.velocity[0] = 0.5f;
    m.velocity[1] = -0.0f;
    m.velocity[2] = -3.0f;
    m.rearTyreSpin = 2.0f;
    m.driveTorque = 14.0f;
    m.steerAngle = -0.7f;
    return m;
}

struct Layout {
    Bytes golden;
    std::function<Bytes()> pack;                               // known values
    std::function<bool(const uint8_t*, size_t, Bytes&)> again; // unpack, then pack what came out
};

template <typename M> Layout Make(Bytes golden, M values)
{
    auto pack = [n = golden.size()](const M& m) {
        Bytes b(n, 0xAA);
        m.Pack(b.data());
        return b;
    };
    return {golden, [=] { return pack(values); },
            [=](const uint8_t* bytes, size_t size, Bytes& out) {
                M m;
                if (!m.Unpack(bytes, size))
                    return false;
                out = pack(m);
                return true;
            }};
}

// Each message and record packs to its bytes, reads back to the same, and a
// byte short of its size, or read as another message, is refused.
TEST(GameMessagesTest, GoldenBytesRoundTripAndRefusals)
{
    const std::vector<Layout> messages = {
        Make(Bytes{0x00, 0x0B, 0x00, 0x01}, ControlMessage{3, 2, 0, 1}),
        Make(STATE_BYTES, StateOfBytes()),
        Make(Bytes{0x02}, PlayerJoinedMessage{}),
        Make(Bytes{0x03}, RaceStartMessage{}),
        Make(Bytes{0x04, 0x78, 0x56, 0x34, 0x12}, TimeSyncMessage{0x12345678}),
        Make(Bytes{0x05, 0x32, 0xEF, 0x00, 0x00}, FinishedMessage{61234}),
    };
    const std::vector<Layout> records = {
        Make(Bytes{0x01, 0x09, 0x00, 0x00, 0x00}, SessionAppData{1, 9}),
        Make(Bytes{0xFE, 0xFF, 0xFF, 0x80}, PeerData{0x80FFFFFE}),
    };
    for (size_t i = 0; i < messages.size() + records.size(); ++i) {
        SCOPED_TRACE(i);
        const bool message = i < messages.size();
        const Layout& l = message ? messages[i] : records[i - messages.size()];
        Bytes out;
        EXPECT_EQ(l.pack(), l.golden);
        ASSERT_TRUE(l.again(l.golden.data(), l.golden.size(), out));
        EXPECT_EQ(out, l.golden);
        EXPECT_FALSE(l.again(l.golden.data(), l.golden.size() - 1, out));
        if (!message)
            continue;
        GameMessageKind kind;
        ASSERT_TRUE(ReadGameMessageKind(l.golden.data(), l.golden.size(), &kind));
        EXPECT_EQ(kind, i);
        EXPECT_FALSE(ReadGameMessageKind(l.golden.data(), l.golden.size() - 1, &kind));
        for (size_t k = 0; k < messages.size(); ++k)
            EXPECT_EQ(messages[k].again(l.golden.data(), l.golden.size(), out), k == i) << "as " << k;
    }
    // The state keeps -0 and every other bit pattern.
    MopedStateMessage state;
    ASSERT_TRUE(state.Unpack(STATE_BYTES.data(), STATE_BYTES.size()));
    EXPECT_TRUE(std::signbit(state.velocity[1]));
}

TEST(GameMessagesTest, ReceiversIgnoreWhatCarriesNoMeaning)
{
    GameMessageKind kind;
    const uint8_t raceStart = 0x13;
    ASSERT_TRUE(ReadGameMessageKind(&raceStart, 1, &kind));
    EXPECT_EQ(kind, GAME_MESSAGE_RACE_START);
    for (uint8_t first : {0x06, 0x0F, 0x36}) {
        const uint8_t bytes[MOPED_STATE_MESSAGE_SIZE] = {first};
        EXPECT_FALSE(ReadGameMessageKind(bytes, sizeof bytes, &kind)) << int(first);
    }

    // High bits of bytes 0 and 1 are dropped, flags read as 1 when not 0, steering 3 is kept.
    const uint8_t received[] = {0xF0, 0xFD, 0x07, 0x80};
    ControlMessage m;
    ASSERT_TRUE(m.Unpack(received, sizeof received));
    EXPECT_TRUE(m.throttle == 1 && m.steering == 3 && m.boost == 1 && m.recovering == 1);

    const uint8_t a[] = {0x00, 0x06, 0x01, 0x00};
    const uint8_t same[] = {0x50, 0xF6, 0x01, 0x00};
    EXPECT_FALSE(ControlMessagesDiffer(a, same));
    for (size_t i = 1; i < 4; ++i) {
        uint8_t b[4] = {0x00, 0x06, 0x01, 0x00};
        b[i] ^= i == 1 ? 0x08 : 0x02;
        EXPECT_TRUE(ControlMessagesDiffer(a, b)) << "byte " << i;
    }
}

TEST(GameMessagesTest, GarbledValuesAreRefusedAndChangeNothing)
{
    MopedStateMessage state = StateOfBytes();
    for (size_t offset : {1, 49, 65, 81, 89}) {
        for (uint32_t bits : {0x7FC00000u, 0xFF800000u}) { // NaN, -infinity
            Bytes bad = STATE_BYTES;
            std::memcpy(&bad[offset], &bits, 4);
            EXPECT_FALSE(state.Unpack(bad.data(), bad.size())) << offset;
        }
    }
    EXPECT_EQ(state.steerAngle, -0.7f);
    SessionAppData session{1, 3};
    const uint8_t noSuchTrack[] = {0x01, 0x0A, 0x00, 0x00, 0x00};
    EXPECT_FALSE(session.Unpack(noSuchTrack, sizeof noSuchTrack));
    EXPECT_EQ(session.trackId, 3u);
}

} // namespace

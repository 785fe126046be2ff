// The host's cookies and the answer, the query and the challenge that carry one.

#include "backend/net/SessionPackets.h"

#include <gtest/gtest.h>

#include <numeric>

using namespace backend;

TEST(SessionPackets, SipHashGivesTheReferenceValue)
{
    // Key 00 01 .. 0f, message 00 01 .. 0e.
    uint8_t key[16], message[15];
    std::iota(key, key + 16, uint8_t(0));
    std::iota(message, message + 15, uint8_t(0));
    SipKey sipKey;
    for (int i = 7; i >= 0; --i) {
        sipKey.k0 = sipKey.k0 << 8 | key[i];
        sipKey.k1 = sipKey.k1 << 8 | key[8 + i];
    }
    EXPECT_EQ(SipHash24(sipKey, message, sizeof message), 0xa129ca6149be45e5ULL);
}

TEST(SessionPackets, ACookieIsGoodForItsAddressInItsEpochAndTheNextOnly)
{
    const SipKey key = {0x0123456789ABCDEFULL, 0xFEDCBA9876543210ULL};
    const uint32_t ip = 0x7F000102, epoch = 1000;
    const uint32_t cookie = HostCookie(key, ip, epoch);
    EXPECT_TRUE(IsConnectTag(cookie));
    EXPECT_TRUE(IsHostCookie(key, ip, cookie, epoch));
    EXPECT_TRUE(IsHostCookie(key, ip, cookie, epoch + 1));
    EXPECT_FALSE(IsHostCookie(key, ip, cookie, epoch + 2)) << "an expired cookie is good";
    EXPECT_FALSE(IsHostCookie(key, ip, cookie, epoch - 1)) << "a cookie is good before it was made";
    EXPECT_FALSE(IsHostCookie(key, ip + 1, cookie, epoch)) << "a cookie is good for another address";
    EXPECT_FALSE(IsHostCookie({key.k0 ^ 1, key.k1}, ip, cookie, epoch)) << "a cookie is good for another key";
}

TEST(SessionPackets, AnAnswerDecodesWithItsCookieOrWithoutOne)
{
    HostAnswer answer;
    answer.nonce = 0x1234;
    answer.desc.sessionName = std::string(NET_SESSION_NAME_MAX, 'n');
    answer.desc.appData.assign(8, 0xA5);
    answer.cookie = HostCookie({1, 2}, 0x7F000001, 7);
    const std::vector<uint8_t> with = EncodeHostAnswer(answer);
    HostAnswer decoded;
    ASSERT_TRUE(DecodeHostAnswer(with.data(), with.size(), &decoded));
    EXPECT_EQ(decoded.cookie, answer.cookie);
    EXPECT_EQ(decoded.desc.sessionName, answer.desc.sessionName);

    // An older host's answer.
    const std::vector<uint8_t> without(with.begin(), with.end() - HOST_COOKIE_SIZE);
    ASSERT_TRUE(DecodeHostAnswer(without.data(), without.size(), &decoded));
    EXPECT_EQ(decoded.cookie, 0u);
    EXPECT_EQ(decoded.desc.appData, answer.desc.appData);

    // Anything but a cookie trailing.
    std::vector<uint8_t> zero = without;
    zero.resize(without.size() + HOST_COOKIE_SIZE, 0);
    EXPECT_FALSE(DecodeHostAnswer(zero.data(), zero.size(), &decoded));
    EXPECT_FALSE(DecodeHostAnswer(with.data(), with.size() - 1, &decoded));
    std::vector<uint8_t> longer = with;
    longer.push_back(0);
    EXPECT_FALSE(DecodeHostAnswer(longer.data(), longer.size(), &decoded));
}

TEST(SessionPackets, AQueryDecodesWithItsCookieOrWithoutOneAndAChallengeWithItsCookie)
{
    HostQuery query;
    query.application.bytes[0] = 0x91;
    query.nonce = 0x89ABCDEF;
    const std::vector<uint8_t> without = EncodeHostQuery(query);
    query.cookie = HostCookie({1, 2}, 0x7F000001, 7);
    const std::vector<uint8_t> with = EncodeHostQuery(query);
    ASSERT_EQ(without.size(), HOST_QUERY_SIZE);
    ASSERT_EQ(with.size(), HOST_QUERY_SIZE) << "the cookie is not inside the padding";
    HostQuery decoded;
    ASSERT_TRUE(DecodeHostQuery(without.data(), without.size(), &decoded));
    EXPECT_EQ(decoded.nonce, query.nonce);
    EXPECT_EQ(decoded.cookie, 0u);
    ASSERT_TRUE(DecodeHostQuery(with.data(), with.size(), &decoded));
    EXPECT_EQ(decoded.nonce, query.nonce);
    EXPECT_EQ(decoded.cookie, query.cookie);
    EXPECT_TRUE(decoded.application == query.application);
    EXPECT_EQ(EncodeHostQuery(decoded), with);

    // Short, longer, padding not zero, a cookie ConnectTag never gives.
    EXPECT_FALSE(DecodeHostQuery(with.data(), with.size() - 1, &decoded));
    std::vector<uint8_t> longer = with;
    longer.push_back(0);
    EXPECT_FALSE(DecodeHostQuery(longer.data(), longer.size(), &decoded));
    std::vector<uint8_t> padded = with;
    padded.back() = 1;
    EXPECT_FALSE(DecodeHostQuery(padded.data(), padded.size(), &decoded));
    query.cookie = SESSION_PROTOCOL_MAGIC;
    const std::vector<uint8_t> family = EncodeHostQuery(query);
    EXPECT_FALSE(DecodeHostQuery(family.data(), family.size(), &decoded));

    HostChallenge challenge;
    challenge.nonce = 0x89ABCDEF;
    challenge.cookie = HostCookie({1, 2}, 0x7F000001, 7);
    const std::vector<uint8_t> reply = EncodeHostChallenge(challenge);
    EXPECT_EQ(reply.size(), HOST_CHALLENGE_SIZE);
    EXPECT_TRUE(IsHostDatagram(reply.data(), reply.size()));
    HostChallenge taken;
    ASSERT_TRUE(DecodeHostChallenge(reply.data(), reply.size(), &taken));
    EXPECT_EQ(taken.nonce, challenge.nonce);
    EXPECT_EQ(taken.cookie, challenge.cookie);
    EXPECT_EQ(EncodeHostChallenge(taken), reply);
    HostAnswer answer;
    EXPECT_FALSE(DecodeHostAnswer(reply.data(), reply.size(), &answer)) << "a challenge is taken for an answer";
    EXPECT_FALSE(DecodeHostChallenge(with.data(), with.size(), &taken)) << "a query is taken for a challenge";

    // Short, trailing bytes, no cookie or one ConnectTag never gives, another magic.
    EXPECT_FALSE(DecodeHostChallenge(reply.data(), reply.size() - 1, &taken));
    std::vector<uint8_t> trailing = reply;
    trailing.push_back(0);
    EXPECT_FALSE(DecodeHostChallenge(trailing.data(), trailing.size(), &taken));
    for (const uint32_t cookie : {0u, SESSION_PROTOCOL_MAGIC}) {
        const std::vector<uint8_t> broken = EncodeHostChallenge({challenge.nonce, cookie});
        EXPECT_FALSE(DecodeHostChallenge(broken.data(), broken.size(), &taken)) << cookie;
    }
    std::vector<uint8_t> magic = reply;
    magic[3] = 'R';
    EXPECT_FALSE(DecodeHostChallenge(magic.data(), magic.size(), &taken));
}

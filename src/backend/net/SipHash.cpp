#include "backend/net/SipHash.h"

namespace backend {

namespace {

uint64_t Rotl(uint64_t x, int b)
{
    return (x << b) | (x >> (64 - b));
}

struct SipState {
    uint64_t v0, v1, v2, v3;

    void Round()
    {
        v0 += v1;
        v1 = Rotl(v1, 13);
        v1 ^= v0;
        v0 = Rotl(v0, 32);
        v2 += v3;
        v3 = Rotl(v3, 16);
        v3 ^= v2;
        v0 += v3;
        v3 = Rotl(v3, 21);
        v3 ^= v0;
        v2 += v1;
        v1 = Rotl(v1, 17);
        v1 ^= v2;
        v2 = Rotl(v2, 32);
    }

    void Absorb(uint64_t m)
    {
        v3 ^= m;
        Round();
        Round();
        v0 ^= m;
    }
};

// Little-endian, `size` bytes at most 8.
uint64_t Load(const uint8_t* bytes, size_t size)
{
    uint64_t word = 0;
    for (size_t i = 0; i < size; ++i)
        word |= uint64_t(bytes[i]) << (8 * i);
    return word;
}

} // namespace

uint64_t SipHash24(const SipKey& key, const uint8_t* bytes, size_t size)
{
    SipState s = {key.k0 ^ 0x736f6d6570736575ULL, key.k1 ^ 0x646f72616e646f6dULL, key.k0 ^ 0x6c7967656e657261ULL,
                  key.k1 ^ 0x7465646279746573ULL};
    const size_t whole = size - size % 8;
    for (size_t i = 0; i < whole; i += 8)
        s.Absorb(Load(bytes + i, 8));
    s.Absorb(Load(bytes + whole, size % 8) | uint64_t(size & 0xFF) << 56);
    s.v2 ^= 0xFF;
    for (int i = 0; i < 4; ++i)
        s.Round();
    return s.v0 ^ s.v1 ^ s.v2 ^ s.v3;
}

} // namespace backend

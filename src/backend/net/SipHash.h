#pragma once
// SipHash-2-4: a keyed 64-bit hash of short messages.

#include <cstddef>
#include <cstdint>

namespace backend {

struct SipKey {
    uint64_t k0 = 0;
    uint64_t k1 = 0;
};

uint64_t SipHash24(const SipKey& key, const uint8_t* bytes, size_t size);

} // namespace backend

// The hashes the engine's caches place their entries by.
#pragma once

#include <cstddef>
#include <cstdint>

namespace bormo {

// An address (plus a salt) spread over all 64 bits: take the high bits.
inline uint64_t mixaddress(const void* p, uint64_t salt = 0) {
    return (static_cast<uint64_t>(reinterpret_cast<uintptr_t>(p)) + salt) * 0x9E3779B97F4A7C15ull;
}

// The top `bits` bits of a mixed value.
inline size_t topbits(uint64_t h, int bits) {
    return static_cast<size_t>(h >> (64 - bits));
}

// The first `n` bytes of a name, hashed byte by byte.
inline uint32_t namehash(const char* s, size_t n) {
    uint32_t h = 2166136261u;
    for (size_t i = 0; i < n; ++i)
        h = (h ^ static_cast<unsigned char>(s[i])) * 16777619u;
    return h;
}

} // namespace bormo

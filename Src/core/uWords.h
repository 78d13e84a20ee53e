// Looking at eight bytes of text at a time, for the loops that run over
// long stretches of it.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace Words {

// The eight bytes at p as one word (p need not be aligned).
inline uint64_t At(const char* p)
{
    uint64_t w;
    std::memcpy(&w, p, sizeof w);
    return w;
}

inline constexpr uint64_t kOnes = 0x0101010101010101ull;
inline constexpr uint64_t kHighs = 0x8080808080808080ull;

// Whether a byte of w is zero.
inline bool HasZero(uint64_t w) { return ((w - kOnes) & ~w & kHighs) != 0; }
// Whether a byte of w equals b.
inline bool HasByte(uint64_t w, unsigned char b) { return HasZero(w ^ (kOnes * b)); }
// Whether a byte of w is below n (n at most 128).
inline bool HasByteBelow(uint64_t w, unsigned char n) { return ((w - kOnes * n) & ~w & kHighs) != 0; }

// How many bytes, in memory order, come before the first byte of x that is
// not zero; x must not be 0.
inline size_t ZeroBytesBefore(uint64_t x)
{
    if constexpr (std::endian::native == std::endian::little) return size_t(std::countr_zero(x)) / 8;
    else return size_t(std::countl_zero(x)) / 8;
}

} // namespace Words

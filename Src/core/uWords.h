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

// Whether a and b hold the same bytes; those of 4 to 16 bytes are compared
// in place, a word (or half of one) from each end, without a call.
inline bool SameBytes(const char* a, const char* b, size_t n)
{
    if (n >= 8 && n <= 16) return At(a) == At(b) && At(a + n - 8) == At(b + n - 8);
    if (n >= 4 && n < 8) {
        uint32_t x[2], y[2];
        std::memcpy(&x[0], a, 4);
        std::memcpy(&x[1], a + n - 4, 4);
        std::memcpy(&y[0], b, 4);
        std::memcpy(&y[1], b + n - 4, 4);
        return x[0] == y[0] && x[1] == y[1];
    }
    return n == 0 || std::memcmp(a, b, n) == 0;
}

// Copies n bytes from from to to, which do not overlap. Most pieces are
// short: up to 32 bytes they are copied in place, as two words (or halves
// of words, or pairs of words) that may overlap, not by a call.
inline void Copy(char* to, const char* from, size_t n)
{
    if (n > 32) {
        std::memcpy(to, from, n);
    } else if (n > 16) {
        std::memcpy(to, from, 16);
        std::memcpy(to + n - 16, from + n - 16, 16);
    } else if (n >= 8) {
        std::memcpy(to, from, 8);
        std::memcpy(to + n - 8, from + n - 8, 8);
    } else if (n >= 4) {
        std::memcpy(to, from, 4);
        std::memcpy(to + n - 4, from + n - 4, 4);
    } else {
        for (size_t i = 0; i < n; ++i) to[i] = from[i];
    }
}

inline constexpr uint64_t kOnes = 0x0101010101010101ull;
inline constexpr uint64_t kHighs = 0x8080808080808080ull;

// The high bit of each byte of w that is zero (ZeroMask) or below n, n at
// most 128 (BelowMask). Only the lowest marked byte is sure: a borrow from
// it may mark a byte above it as well.
inline uint64_t ZeroMask(uint64_t w) { return (w - kOnes) & ~w & kHighs; }
inline uint64_t BelowMask(uint64_t w, unsigned char n) { return (w - kOnes * n) & ~w & kHighs; }

// Whether a byte of w is zero.
inline bool HasZero(uint64_t w) { return ZeroMask(w) != 0; }
// Whether a byte of w equals b.
inline bool HasByte(uint64_t w, unsigned char b) { return HasZero(w ^ (kOnes * b)); }
// Whether a byte of w is below n (n at most 128).
inline bool HasByteBelow(uint64_t w, unsigned char n) { return BelowMask(w, n) != 0; }

// How many bytes, in memory order, come before the first byte of x that is
// not zero; x must not be 0.
inline size_t ZeroBytesBefore(uint64_t x)
{
    if constexpr (std::endian::native == std::endian::little) return size_t(std::countr_zero(x)) / 8;
    else return size_t(std::countl_zero(x)) / 8;
}

// How many of the n bytes at p, from the first, are below 128 (ASCII): eight
// at a time, and the first byte above 127 found within its word.
inline size_t AsciiPrefix(const char* p, size_t n)
{
    size_t i = 0;
    for (; i + 8 <= n; i += 8)
        if (const uint64_t highs = At(p + i) & kHighs) return i + ZeroBytesBefore(highs);
    while (i < n && static_cast<unsigned char>(p[i]) < 0x80) ++i;
    return i;
}

} // namespace Words

// Sixteen bytes at a time, where the processor has the instructions for it
// (SSE2, which every x86-64 processor has); the loops that use it go on with
// Words for what is left, and do with Words alone elsewhere.
#if defined(__SSE2__)
#include <emmintrin.h>
#define QUILLET_BYTES16 1

namespace Bytes16 {

using TBytes = __m128i;

// The sixteen bytes at p (p need not be aligned).
inline TBytes At(const char* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }

// One bit for each byte, in memory order from the lowest: the bytes equal to
// c, those above 127, and those below n (n at most 128).
inline unsigned Equal(TBytes v, char c) { return unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8(c)))); }
inline unsigned Highs(TBytes v) { return unsigned(_mm_movemask_epi8(v)); }
inline unsigned Below(TBytes v, char n)
{
    // Compared as signed bytes, those above 127 are below n too.
    return unsigned(_mm_movemask_epi8(_mm_cmplt_epi8(v, _mm_set1_epi8(n)))) & ~Highs(v);
}

// The place of the lowest bit of a mask that is not 0.
inline size_t First(unsigned mask) { return size_t(std::countr_zero(mask)); }

} // namespace Bytes16
#endif

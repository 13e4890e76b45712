// The board's lines as square sets, and a slice read as such sets.
//
// They serve the attack tests and the generators. Squares are numbered as in
// a Board slice, s = (rank - 1) + 8 * (file - 1), and a set of squares is a
// 64-bit word with bit s for square s.
#pragma once
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace rays {

// The eight rays: rank step, file step; the square number changes by
// rankStep + 8 * fileStep per step. Rays 0..3 are orthogonal, 4..7 diagonal.
inline constexpr int RankStep[8] = {0, 0, 1, -1, 1, 1, -1, -1};
inline constexpr int FileStep[8] = {-1, 1, 0, 0, -1, 1, 1, -1};
inline constexpr bool Rises(int d) { return RankStep[d] + 8 * FileStep[d] > 0; }
inline constexpr bool Orthogonal(int d) { return d < 4; }
inline constexpr uint8_t NoRay = 8;

// Squares[s][d]: every square from s outward along ray d, s excluded.
// Toward[a][b]: the ray from a on which b lies, NoRay when none (or a == b).
struct Tables {
    uint64_t squares[64][8];
    uint8_t toward[64][64];
};
constexpr Tables Build() {
    Tables t{};
    for (int a = 0; a < 64; ++a)
        for (int b = 0; b < 64; ++b) t.toward[a][b] = NoRay;
    for (int s = 0; s < 64; ++s)
        for (int d = 0; d < 8; ++d) {
            int r = s % 8 + RankStep[d], f = s / 8 + FileStep[d];
            for (; r >= 0 && r < 8 && f >= 0 && f < 8; r += RankStep[d], f += FileStep[d]) {
                t.squares[s][d] |= uint64_t{1} << (r + 8 * f);
                t.toward[s][r + 8 * f] = static_cast<uint8_t>(d);
            }
        }
    return t;
}
inline constexpr Tables Lines = Build();

// The first occupied square on ray d from s, as a one-bit set (0 for none):
// on a rising ray the lowest set bit of the ray's occupied squares, on a
// falling one the highest.
inline uint64_t FirstOnRay(int s, int d, uint64_t occupied) {
    const uint64_t met = Lines.squares[s][d] & occupied;
    if (Rises(d)) return met & (0 - met);
    return met != 0 ? uint64_t{1} << (63 - __builtin_clzll(met)) : 0;
}

// The occupied squares of a 64-byte slice.
inline uint64_t Occupied(const uint8_t* slice) {
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    uint64_t empty = 0;
    for (int k = 0; k < 4; ++k) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(slice + 16 * k));
        empty |= static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, zero)))) << (16 * k);
    }
    return ~empty;
#else
    uint64_t occupied = 0;
    for (int s = 0; s < 64; ++s) occupied |= static_cast<uint64_t>(slice[s] != 0) << s;
    return occupied;
#endif
}

// The squares of a 64-byte slice holding ids 17..32 (Black's pieces); a
// byte of 128 or more (never an id) counts as no black piece on either path.
inline uint64_t BlackIds(const uint8_t* slice) {
#if defined(__SSE2__)
    const __m128i sixteen = _mm_set1_epi8(16);
    uint64_t black = 0;
    for (int k = 0; k < 4; ++k) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(slice + 16 * k));
        black |= static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpgt_epi8(v, sixteen)))) << (16 * k);
    }
    return black;
#else
    uint64_t black = 0;
    for (int s = 0; s < 64; ++s) black |= static_cast<uint64_t>(slice[s] > 16 && slice[s] < 128) << s;
    return black;
#endif
}

// Both sets of a slice in one reading: the occupied squares and those of
// Black's pieces.
struct SliceSets {
    uint64_t occupied, black;
};
inline SliceSets ReadSlice(const uint8_t* slice) {
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128(), sixteen = _mm_set1_epi8(16);
    uint64_t empty = 0, black = 0;
    for (int k = 0; k < 4; ++k) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(slice + 16 * k));
        empty |= static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, zero)))) << (16 * k);
        black |= static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpgt_epi8(v, sixteen)))) << (16 * k);
    }
    return {~empty, black};
#else
    return {Occupied(slice), BlackIds(slice)};
#endif
}

}  // namespace rays

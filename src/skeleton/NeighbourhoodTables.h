#ifndef ANGIOLITH_SKELETON_NEIGHBOURHOODTABLES_H
#define ANGIOLITH_SKELETON_NEIGHBOURHOODTABLES_H

#include <array>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

/// Geometry of the 26-neighbourhood shared by the evaluators, derived at compile time from the
/// neighbour numbering: z from +1 down to -1 (outer), y from +1 down to -1, x from -1 up to +1
/// (inner), the centre left out.
namespace angiolith::detail {

struct Offset {
    int dx, dy, dz;
};

/// Neighbour index of offset (dx, dy, dz) (not all zero).
constexpr int neighbourIndex(int dx, int dy, int dz) {
    const int full = (1 - dz) * 9 + (1 - dy) * 3 + (dx + 1);
    return full < 13 ? full : full - 1;
}

/// Offset of neighbour index i.
constexpr Offset neighbourOffset(int i) {
    const int full = i < 13 ? i : i + 1;
    return Offset{full % 3 - 1, 1 - (full / 3) % 3, 1 - full / 9};
}

constexpr int absDiff(int a, int b) { return a > b ? a - b : b - a; }

/// For each of the 26 positions, the bit set of the positions 26-adjacent to it (offsets
/// differing by at most 1 on every axis).
constexpr std::array<std::uint32_t, 26> makeAdjacencyMasks() {
    std::array<std::uint32_t, 26> masks{};
    for (int i = 0; i < 26; ++i) {
        for (int j = 0; j < 26; ++j) {
            const Offset a = neighbourOffset(i), b = neighbourOffset(j);
            if (i != j && absDiff(a.dx, b.dx) <= 1 && absDiff(a.dy, b.dy) <= 1 &&
                absDiff(a.dz, b.dz) <= 1) {
                masks[i] |= std::uint32_t{1} << j;
            }
        }
    }
    return masks;
}

inline constexpr std::array<std::uint32_t, 26> kAdjacencyMasks = makeAdjacencyMasks();

/// Bit set of the object positions (nonzero values) among nb[0..25].
inline std::uint32_t objectMask(const unsigned char* nb) {
#if defined(__SSE2__)
    // Two overlapping 16-byte comparisons with zero (positions 0-15 and 10-25) instead of 26
    // single ones: this runs for every candidate test of the thinning.
    const __m128i zero = _mm_setzero_si128();
    const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(nb));
    const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(nb + 10));
    const auto zeroLow = static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(low, zero)));
    const auto zeroHigh = static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(high, zero)));
    return ~(zeroLow | (zeroHigh << 10)) & ((std::uint32_t{1} << 26) - 1);
#else
    std::uint32_t mask = 0;
    for (int i = 0; i < 26; ++i) mask |= static_cast<std::uint32_t>(nb[i] != 0) << i;
    return mask;
#endif
}

}  // namespace angiolith::detail

#endif

#include "skeleton/BorderOrder.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <utility>

namespace angiolith::detail {

void sortByRank(std::vector<RankedPoint>& points) {
    // Below this size a comparison sort is cheaper than clearing the digit counts.
    constexpr std::size_t kRadixFrom = 256;
    if (points.size() < kRadixFrom) {
        std::sort(points.begin(), points.end(),
                  [](const RankedPoint& a, const RankedPoint& b) { return a.rank < b.rank; });
        return;
    }
    // Least-significant digit first, one stable counting pass per 8-bit digit (D. E. Knuth,
    // The Art of Computer Programming, vol. 3, section 5.2.5): linear in the border's size.
    // The counts of all six digits come from one read of the points; a digit that every point
    // shares (the high bytes of small coordinates) orders nothing and is skipped.
    constexpr int kDigits = 6;
    std::array<std::array<std::size_t, 256>, kDigits> counts{};
    for (const RankedPoint& p : points) {
        for (int d = 0; d < kDigits; ++d) ++counts[d][(p.rank >> (8 * d)) & 0xFF];
    }
    std::vector<RankedPoint> scratch(points.size());
    for (int d = 0; d < kDigits; ++d) {
        auto& offsets = counts[d];
        if (offsets[(points.front().rank >> (8 * d)) & 0xFF] == points.size()) continue;
        std::size_t start = 0;
        for (std::size_t& offset : offsets) start += std::exchange(offset, start);
        for (const RankedPoint& p : points) scratch[offsets[(p.rank >> (8 * d)) & 0xFF]++] = p;
        points.swap(scratch);
    }
}

}  // namespace angiolith::detail

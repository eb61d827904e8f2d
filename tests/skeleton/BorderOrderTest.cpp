#include "skeleton/BorderOrder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <deque>
#include <random>
#include <set>
#include <vector>

using angiolith::detail::RankedPoint;
using angiolith::detail::sortByRank;

// The border must come out in the order of a comparison sort, each rank still paired with its
// point: for every size around the switch between the two sorts, for ranks confined to a few
// values per 16-bit field (digits every point shares) and for ranks spread over all 48 bits.
TEST(BorderOrder, SortsLikeAComparisonSort) {
    std::mt19937_64 rng(17);
    std::deque<DistancePoint3D> owners;
    for (std::size_t n : {0u, 1u, 2u, 255u, 256u, 257u, 4099u, 70000u}) {
        for (std::uint64_t fieldRange : {3ULL, 700ULL, 65536ULL}) {
            std::vector<RankedPoint> points;
            std::set<std::uint64_t> seen;
            while (points.size() < n) {
                std::uint64_t rank = 0;
                for (int field = 0; field < 3; ++field) {
                    rank |= (0x7FF0 + rng() % fieldRange) % 65536 << (16 * field);
                }
                if (fieldRange == 3 && seen.size() == 27) break;  // every rank taken
                if (!seen.insert(rank).second) continue;
                owners.emplace_back(static_cast<short>(points.size()), 0, 0, 0.0f, 0.0f, 0.0f);
                points.push_back({rank, &owners.back()});
            }
            std::vector<RankedPoint> expected = points;
            std::sort(expected.begin(), expected.end(),
                      [](const RankedPoint& a, const RankedPoint& b) { return a.rank < b.rank; });
            sortByRank(points);
            ASSERT_EQ(points.size(), expected.size());
            for (std::size_t i = 0; i < points.size(); ++i) {
                ASSERT_EQ(points[i].rank, expected[i].rank) << n << " points, at " << i;
                ASSERT_EQ(points[i].point, expected[i].point) << n << " points, at " << i;
            }
        }
    }
}

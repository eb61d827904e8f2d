#include "skeleton/SkeletonTestSupport.h"

#include <angiolith/skeleton/RecursiveNeighbourhoodConnectionEvaluator.h>

#include <gtest/gtest.h>

#include <random>

// Pairs: corner positions have 6 adjacent positions, edge positions 10, face positions 16.
// Random neighbourhoods (empty ones included): one 26-component found by a flood fill.
TEST(RecursiveNeighbourhoodConnectionEvaluator, AgreesWithAdjacencyAndFloodFill) {
    RecursiveNeighbourhoodConnectionEvaluator e;
    EXPECT_FALSE(e.isConnected(nullptr));
    const auto off = skeletontest::neighbourOffsets();
    for (int i = 0; i < 26; ++i) {
        int partners = 0;
        for (int j = 0; j < 26; ++j) {
            unsigned char nb[26] = {};
            nb[i] = nb[j] = 1;
            partners += i != j && e.isConnected(nb);
        }
        const int zeros = (off[i].dx == 0) + (off[i].dy == 0) + (off[i].dz == 0);
        EXPECT_EQ(partners, zeros == 0 ? 6 : zeros == 1 ? 10 : 16) << "position " << i;
    }
    std::mt19937 rng(11);
    for (int trial = 0; trial < 5000; ++trial) {
        unsigned char nb[26];
        const unsigned density = 1 + trial % 6;
        for (auto& v : nb) v = (rng() % 10) < density ? 1 + rng() % 3 : 0;  // any nonzero is object
        const int parts = skeletontest::neighbourComponents(
            [&](int k) { return nb[k] != 0; }, skeletontest::adjacent26, [](int) { return true; });
        EXPECT_EQ(e.isConnected(nb), parts == 1) << "trial " << trial;
    }
}

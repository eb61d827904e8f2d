#include "skeleton/SkeletonTestSupport.h"

#include <angiolith/skeleton/RecursiveNeighbourhoodConnectionEvaluator.h>

#include <gtest/gtest.h>

#include <random>

TEST(RecursiveNeighbourhoodConnectionEvaluator, HandWorkedCases) {
    RecursiveNeighbourhoodConnectionEvaluator e;
    EXPECT_FALSE(e.isConnected(nullptr));
    unsigned char nb[26] = {};
    EXPECT_FALSE(e.isConnected(nb));
    nb[12] = 1;  // (-1, 0, 0)
    EXPECT_TRUE(e.isConnected(nb));
    nb[13] = 1;  // (+1, 0, 0): two positions apart
    EXPECT_FALSE(e.isConnected(nb));
    nb[10] = 3;  // (0, +1, 0) joins them
    EXPECT_TRUE(e.isConnected(nb));
    unsigned char pair[26] = {};
    pair[12] = pair[9] = 1;  // (-1, 0, 0) and (-1, +1, 0)
    EXPECT_TRUE(e.isConnected(pair));
    unsigned char corners[26] = {};
    corners[0] = corners[25] = 1;  // (-1, +1, +1) and (+1, -1, -1)
    EXPECT_FALSE(e.isConnected(corners));
}

// Pairs: corner positions have 6 adjacent positions, edge positions 10, face positions 16.
// Random neighbourhoods: one 26-component found by a flood fill.
TEST(RecursiveNeighbourhoodConnectionEvaluator, AgreesWithAdjacencyAndFloodFill) {
    RecursiveNeighbourhoodConnectionEvaluator e;
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
        for (auto& v : nb) v = (rng() % 10) < density ? 1 : 0;
        const int parts = skeletontest::neighbourComponents(
            [&](int k) { return nb[k] != 0; }, skeletontest::adjacent26, [](int) { return true; });
        EXPECT_EQ(e.isConnected(nb), parts == 1) << "trial " << trial;
    }
}

#include "skeleton/SkeletonTestSupport.h"

#include <angiolith/skeleton/RecursiveNeighbourhoodConnectionEvaluator.h>

#include <gtest/gtest.h>

#include <random>

namespace {

using skeletontest::Offset;

std::vector<Offset> offsets() { return skeletontest::neighbourOffsets(); }

bool adjacent(const Offset& a, const Offset& b) {
    return std::abs(a.dx - b.dx) <= 1 && std::abs(a.dy - b.dy) <= 1 && std::abs(a.dz - b.dz) <= 1;
}

// Union-find over the object positions.
bool bruteForceConnected(const unsigned char* nb) {
    const auto off = offsets();
    int parent[26];
    for (int i = 0; i < 26; ++i) parent[i] = i;
    auto find = [&](int i) {
        while (parent[i] != i) i = parent[i];
        return i;
    };
    int objects = 0;
    for (int i = 0; i < 26; ++i) {
        if (!nb[i]) continue;
        ++objects;
        for (int j = 0; j < i; ++j)
            if (nb[j] && adjacent(off[i], off[j])) parent[find(i)] = find(j);
    }
    if (objects == 0) return false;
    int roots = 0;
    for (int i = 0; i < 26; ++i) roots += nb[i] && find(i) == i;
    return roots == 1;
}

}  // namespace

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
    pair[12] = 1;
    pair[9] = 1;  // (-1, +1, 0)
    EXPECT_TRUE(e.isConnected(pair));
    unsigned char corners[26] = {};
    corners[0] = 1;   // (-1, +1, +1)
    corners[25] = 1;  // (+1, -1, -1)
    EXPECT_FALSE(e.isConnected(corners));
}

// Corner positions have 6 adjacent positions, edge positions 10, face positions 16.
TEST(RecursiveNeighbourhoodConnectionEvaluator, PairsConnectExactlyWhenAdjacent) {
    RecursiveNeighbourhoodConnectionEvaluator e;
    const auto off = offsets();
    for (int i = 0; i < 26; ++i) {
        int partners = 0;
        for (int j = 0; j < 26; ++j) {
            if (i == j) continue;
            unsigned char nb[26] = {};
            nb[i] = nb[j] = 1;
            partners += e.isConnected(nb);
        }
        const int zeros = (off[i].dx == 0) + (off[i].dy == 0) + (off[i].dz == 0);
        EXPECT_EQ(partners, zeros == 0 ? 6 : zeros == 1 ? 10 : 16) << "position " << i;
    }
}

TEST(RecursiveNeighbourhoodConnectionEvaluator, AgreesWithUnionFind) {
    RecursiveNeighbourhoodConnectionEvaluator e;
    std::mt19937 rng(11);
    for (int trial = 0; trial < 5000; ++trial) {
        unsigned char nb[26];
        const unsigned density = 1 + trial % 6;
        for (auto& v : nb) v = (rng() % 10) < density ? 1 : 0;
        EXPECT_EQ(e.isConnected(nb), bruteForceConnected(nb)) << "trial " << trial;
    }
}

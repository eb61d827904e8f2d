#include "skeleton/SkeletonTestSupport.h"

#include <angiolith/skeleton/LobregtEulerCharacteristicEvaluator.h>

#include <gtest/gtest.h>

#include <random>

namespace {

using skeletontest::eulerCharacteristic;
using skeletontest::Volume;

int octantValue(LobregtEulerCharacteristicEvaluator& e, int pattern) {
    int v[8];
    for (int k = 0; k < 8; ++k) v[k] = (pattern >> k) & 1 ? 7 : 0;  // any nonzero is object
    return e.getOctantValue(&v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6], &v[7]);
}

// Block position of voxel number k: bit 0 larger x, bit 1 smaller z, bit 2 smaller y.
void blockPosition(int k, int& x, int& y, int& z) {
    x = (k & 1) ? 1 : 0;
    z = (k & 2) ? 0 : 1;
    y = (k & 4) ? 0 : 1;
}

}  // namespace

// Each of the 256 entries regenerated geometrically: the voxels of the block are unit cubes
// around the lattice point (1, 1, 1); the point's share of the complex is its vertex, half of
// each incident edge, a quarter of each incident face and an eighth of each cube. (So the
// shares of all lattice points add up to eight times the Euler characteristic of any object.)
TEST(LobregtEulerCharacteristicEvaluator, TableMatchesCornerShareOfTheCubeComplex) {
    LobregtEulerCharacteristicEvaluator e;
    for (int b = 0; b < 256; ++b) {
        bool set[2][2][2] = {};
        int cubes = 0;
        for (int k = 0; k < 8; ++k) {
            if (!((b >> k) & 1)) continue;
            int x, y, z;
            blockPosition(k, x, y, z);
            set[x][y][z] = true;
            ++cubes;
        }
        // An incident cell is present when a set cube contains it: a cube contains the edge
        // along an axis from the corner when it lies on the edge's side of that axis, and a face
        // when it lies on both of the face's sides.
        auto present = [&](int a1, int s1, int a2, int s2) {
            for (int k = 0; k < 8; ++k) {
                const int c[3] = {k & 1, (k >> 1) & 1, (k >> 2) & 1};
                if (set[c[0]][c[1]][c[2]] && c[a1] == s1 && (a2 < 0 || c[a2] == s2)) return true;
            }
            return false;
        };
        int edges = 0, faces = 0;
        for (int a1 = 0; a1 < 3; ++a1)
            for (int s1 = 0; s1 < 2; ++s1) {
                edges += present(a1, s1, -1, 0);
                for (int a2 = a1 + 1; a2 < 3; ++a2)
                    for (int s2 = 0; s2 < 2; ++s2) faces += present(a1, s1, a2, s2);
            }
        const int vertex = cubes > 0 ? 1 : 0;
        EXPECT_EQ(octantValue(e, b), 8 * vertex - 4 * edges + 2 * faces - cubes) << "pattern " << b;
    }
}

TEST(LobregtEulerCharacteristicEvaluator, DetectsChangeAgainstBruteForce) {
    LobregtEulerCharacteristicEvaluator e;
    unsigned char nb[26], none[26] = {}, one[26] = {}, all[26];
    EXPECT_TRUE(e.changesEulerCharacteristic(none));  // an isolated voxel vanishes
    one[21] = 1;
    EXPECT_FALSE(e.changesEulerCharacteristic(one));
    for (auto& v : all) v = 3;
    EXPECT_TRUE(e.changesEulerCharacteristic(all));  // removal leaves a cavity

    std::mt19937 rng(7);
    for (int trial = 0; trial < 3000; ++trial) {
        Volume cube(3, 3, 3);
        const unsigned density = 1 + trial % 7;  // from sparse to dense neighbourhoods
        for (auto& v : cube.v) v = (rng() % 8) < density ? 1 : 0;
        cube.set(1, 1, 1, 1);
        const auto off = skeletontest::neighbourOffsets();
        for (int k = 0; k < 26; ++k) nb[k] = cube.at(1 + off[k].dx, 1 + off[k].dy, 1 + off[k].dz);
        const long with = eulerCharacteristic(cube);
        cube.set(1, 1, 1, 0);
        const long without = eulerCharacteristic(cube);
        EXPECT_EQ(e.changesEulerCharacteristic(nb), with != without) << "trial " << trial;
    }
}

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

// 26 neighbour values from a 3 x 3 x 3 volume (centre at (1, 1, 1)).
void neighbourhood(const Volume& cube, unsigned char* nb) {
    int k = 0;
    for (int dz = 1; dz >= -1; --dz)
        for (int dy = 1; dy >= -1; --dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (dx || dy || dz) nb[k++] = cube.at(1 + dx, 1 + dy, 1 + dz);
}

}  // namespace

TEST(LobregtEulerCharacteristicEvaluator, TellingTableEntries) {
    LobregtEulerCharacteristicEvaluator e;
    EXPECT_EQ(octantValue(e, 0), 0);
    EXPECT_EQ(octantValue(e, 1), 1);
    EXPECT_EQ(octantValue(e, 3), 0);
    EXPECT_EQ(octantValue(e, 6), -2);
    EXPECT_EQ(octantValue(e, 7), -1);
    EXPECT_EQ(octantValue(e, 24), -6);
    EXPECT_EQ(octantValue(e, 105), 4);
    EXPECT_EQ(octantValue(e, 127), 1);
    EXPECT_EQ(octantValue(e, 255), 0);
    int lo = 0, hi = 0;
    for (int b = 0; b < 256; ++b) {
        lo = std::min(lo, octantValue(e, b));
        hi = std::max(hi, octantValue(e, b));
    }
    EXPECT_EQ(lo, -6);
    EXPECT_EQ(hi, 4);
}

// Each entry regenerated geometrically: the voxels of the block are unit cubes around the
// lattice point (1, 1, 1); the point's share of the complex is its vertex, half of each
// incident edge, a quarter of each incident face and an eighth of each cube.
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
        // An incident cell is present when a set cube contains it: a cube (x, y, z) contains
        // the edge along an axis from the corner when it lies on the edge's side, and a face
        // when it lies on both of the face's sides.
        int edges = 0, faces = 0;
        for (int axis = 0; axis < 3; ++axis) {
            for (int side = 0; side < 2; ++side) {
                bool edge = false;
                for (int x = 0; x < 2; ++x)
                    for (int y = 0; y < 2; ++y)
                        for (int z = 0; z < 2; ++z) {
                            const int c[3] = {x, y, z};
                            if (set[x][y][z] && c[axis] == side) edge = true;
                        }
                edges += edge;
            }
        }
        for (int a1 = 0; a1 < 3; ++a1)
            for (int a2 = a1 + 1; a2 < 3; ++a2)
                for (int s1 = 0; s1 < 2; ++s1)
                    for (int s2 = 0; s2 < 2; ++s2) {
                        bool face = false;
                        for (int x = 0; x < 2; ++x)
                            for (int y = 0; y < 2; ++y)
                                for (int z = 0; z < 2; ++z) {
                                    const int c[3] = {x, y, z};
                                    if (set[x][y][z] && c[a1] == s1 && c[a2] == s2) face = true;
                                }
                        faces += face;
                    }
        const int vertex = cubes > 0 ? 1 : 0;
        EXPECT_EQ(octantValue(e, b), 8 * vertex - 4 * edges + 2 * faces - cubes) << "pattern " << b;
    }
}

// The corner shares add up to the Euler characteristic of the whole object.
TEST(LobregtEulerCharacteristicEvaluator, CornerSharesSumToEulerCharacteristic) {
    LobregtEulerCharacteristicEvaluator e;
    for (unsigned seed = 1; seed <= 5; ++seed) {
        const Volume vol = skeletontest::randomBlob(10, seed, 6);
        long sum = 0;
        for (int z = 0; z <= vol.nz; ++z)
            for (int y = 0; y <= vol.ny; ++y)
                for (int x = 0; x <= vol.nx; ++x) {
                    int pattern = 0;
                    for (int k = 0; k < 8; ++k) {
                        int bx, by, bz;
                        blockPosition(k, bx, by, bz);
                        if (vol.at(x - 1 + bx, y - 1 + by, z - 1 + bz)) pattern |= 1 << k;
                    }
                    sum += octantValue(e, pattern);
                }
        EXPECT_EQ(sum, 8 * eulerCharacteristic(vol)) << "seed " << seed;
    }
}

TEST(LobregtEulerCharacteristicEvaluator, DetectsChangeAgainstBruteForce) {
    LobregtEulerCharacteristicEvaluator e;
    unsigned char nb[26];
    unsigned char none[26] = {};
    EXPECT_TRUE(e.changesEulerCharacteristic(none));  // an isolated voxel vanishes
    unsigned char one[26] = {};
    one[21] = 1;
    EXPECT_FALSE(e.changesEulerCharacteristic(one));
    unsigned char all[26];
    for (auto& v : all) v = 3;
    EXPECT_TRUE(e.changesEulerCharacteristic(all));  // removal leaves a cavity

    std::mt19937 rng(7);
    for (int trial = 0; trial < 3000; ++trial) {
        Volume cube(3, 3, 3);
        const unsigned density = 1 + trial % 7;  // from sparse to dense neighbourhoods
        for (auto& v : cube.v) v = (rng() % 8) < density ? 1 : 0;
        cube.set(1, 1, 1, 1);
        neighbourhood(cube, nb);
        const long with = eulerCharacteristic(cube);
        cube.set(1, 1, 1, 0);
        const long without = eulerCharacteristic(cube);
        EXPECT_EQ(e.changesEulerCharacteristic(nb), with != without) << "trial " << trial;
    }
}

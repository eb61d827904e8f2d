#include "skeleton/NeighbourhoodTables.h"

#include <angiolith/skeleton/LobregtEulerCharacteristicEvaluator.h>

#include <array>
#include <cstdint>

namespace {

using angiolith::detail::neighbourIndex;

// Eight times the contribution of a lattice corner to the Euler characteristic of a union of
// closed unit cubes, for each pattern b of the 2 x 2 x 2 voxels around the corner (Lobregt,
// Verbeek and Groen 1980, section III). Each cell incident to the corner is shared: the corner
// vertex by nothing (weight 1), each of its 6 edges by 4 voxels forming one half of the block
// (weight 1/2), each of its 12 faces by 2 face-adjacent voxels (weight 1/4), each cube by its
// 8 corners (weight 1/8). So 8 * contribution = 8 - 4F + 2E - V, where F counts the block
// halves and E the face-adjacent pairs holding a set voxel, V the set voxels, and 0 for b = 0.
// Voxel k of the block has bit 0 (larger x), bit 1 (smaller z), bit 2 (smaller y); the table
// depends only on the block's geometry, so any numbering in which face neighbours differ in
// one bit yields it.
constexpr std::array<int, 256> makeEulerTable() {
    std::array<int, 256> table{};
    for (int b = 1; b < 256; ++b) {
        int v = 0, f = 0, e = 0;
        for (int k = 0; k < 8; ++k) v += (b >> k) & 1;
        for (int axis = 0; axis < 3; ++axis) {
            for (int side = 0; side < 2; ++side) {
                bool any = false;
                for (int k = 0; k < 8; ++k) {
                    if (((k >> axis) & 1) == side && ((b >> k) & 1)) any = true;
                }
                f += any;
            }
            for (int k = 0; k < 8; ++k) {
                if ((k >> axis) & 1) continue;
                const int partner = k | (1 << axis);
                e += ((b >> k) & 1) || ((b >> partner) & 1);
            }
        }
        table[b] = 8 - 4 * f + 2 * e - v;
    }
    return table;
}

constexpr std::array<int, 256> kEulerTable = makeEulerTable();

// For each octant (sign choice sx, sy, sz) the neighbour index of each block voxel number k,
// or -1 for the centre, together with the centre's own number in that octant.
struct Octant {
    int index[8];
    int centreBit;
};

constexpr std::array<Octant, 8> makeOctants() {
    std::array<Octant, 8> octants{};
    int o = 0;
    for (int sz = -1; sz <= 1; sz += 2) {
        for (int sy = -1; sy <= 1; sy += 2) {
            for (int sx = -1; sx <= 1; sx += 2) {
                Octant oct{};
                for (int dz = (sz < 0 ? -1 : 0); dz <= (sz < 0 ? 0 : 1); ++dz) {
                    for (int dy = (sy < 0 ? -1 : 0); dy <= (sy < 0 ? 0 : 1); ++dy) {
                        for (int dx = (sx < 0 ? -1 : 0); dx <= (sx < 0 ? 0 : 1); ++dx) {
                            const int k = (dx == (sx > 0 ? 1 : 0) ? 1 : 0) +
                                          (dz == (sz < 0 ? -1 : 0) ? 2 : 0) +
                                          (dy == (sy < 0 ? -1 : 0) ? 4 : 0);
                            if (dx == 0 && dy == 0 && dz == 0) {
                                oct.index[k] = -1;
                                oct.centreBit = 1 << k;
                            } else {
                                oct.index[k] = neighbourIndex(dx, dy, dz);
                            }
                        }
                    }
                }
                octants[o++] = oct;
            }
        }
    }
    return octants;
}

constexpr std::array<Octant, 8> kOctants = makeOctants();

// Per octant and pattern of its seven other voxels: the table's value with the centre set minus
// its value with the centre clear.
constexpr std::array<std::array<int, 256>, 8> makeOctantDifferences() {
    std::array<std::array<int, 256>, 8> differences{};
    for (int o = 0; o < 8; ++o) {
        for (int pattern = 0; pattern < 256; ++pattern) {
            if (pattern & kOctants[o].centreBit) continue;
            differences[o][pattern] =
                kEulerTable[pattern | kOctants[o].centreBit] - kEulerTable[pattern];
        }
    }
    return differences;
}

constexpr std::array<std::array<int, 256>, 8> kOctantDifferences = makeOctantDifferences();

// The neighbours by plane: z + 1 holds indices 0-8, z holds 9-16, z - 1 holds 17-25. For each
// plane and each bit set of its object neighbours, the bits these contribute to the pattern of
// every octant, octant o in byte o.
constexpr int kPlaneFirst[3] = {0, 9, 17};
constexpr int kPlaneCount[3] = {9, 8, 9};

constexpr std::array<std::array<std::uint64_t, 512>, 3> makePlanePatterns() {
    std::array<std::array<std::uint64_t, 512>, 3> tables{};
    for (int plane = 0; plane < 3; ++plane) {
        for (int bits = 0; bits < (1 << kPlaneCount[plane]); ++bits) {
            std::uint64_t patterns = 0;
            for (int o = 0; o < 8; ++o) {
                for (int k = 0; k < 8; ++k) {
                    const int index = kOctants[o].index[k];
                    if (index < kPlaneFirst[plane] ||
                        index >= kPlaneFirst[plane] + kPlaneCount[plane]) {
                        continue;
                    }
                    if ((bits >> (index - kPlaneFirst[plane])) & 1) {
                        patterns |= std::uint64_t{1} << (8 * o + k);
                    }
                }
            }
            tables[plane][bits] = patterns;
        }
    }
    return tables;
}

constexpr std::array<std::array<std::uint64_t, 512>, 3> kPlanePatterns = makePlanePatterns();

}  // namespace

LobregtEulerCharacteristicEvaluator::~LobregtEulerCharacteristicEvaluator() = default;

bool LobregtEulerCharacteristicEvaluator::changesEulerCharacteristic(unsigned char* nb) {
    // The table is read directly rather than through getOctantValue: this runs for every
    // deletion candidate of the thinning. The patterns of all eight octants are assembled at
    // once, one byte each, from the object bits of the three planes, and each octant's
    // difference (centre set minus centre clear) is read from one table.
    const std::uint32_t objects = angiolith::detail::objectMask(nb);
    const std::uint64_t patterns = kPlanePatterns[0][objects & 0x1FFu] |
                                   kPlanePatterns[1][(objects >> 9) & 0xFFu] |
                                   kPlanePatterns[2][(objects >> 17) & 0x1FFu];
    int sum = 0;
    for (int o = 0; o < 8; ++o) sum += kOctantDifferences[o][(patterns >> (8 * o)) & 0xFFu];
    return sum != 0;
}

int LobregtEulerCharacteristicEvaluator::getOctantValue(int* v0, int* v1, int* v2, int* v3, int* v4,
                                                        int* v5, int* v6, int* v7) {
    const int* v[8] = {v0, v1, v2, v3, v4, v5, v6, v7};
    int pattern = 0;
    for (int k = 0; k < 8; ++k) {
        if (*v[k] != 0) pattern |= 1 << k;
    }
    return kEulerTable[pattern];
}

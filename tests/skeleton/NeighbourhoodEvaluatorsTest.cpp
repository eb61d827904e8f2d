// The evaluators of the three-part simple-point test (border type, Euler characteristic,
// neighbourhood connection) and the test itself, each against an independent definition over
// every or over many random 26-neighbourhoods.
#include "skeleton/SkeletonTestSupport.h"

#include <angiolith/skeleton/LobregtEulerCharacteristicEvaluator.h>
#include <angiolith/skeleton/RecursiveNeighbourhoodConnectionEvaluator.h>
#include <angiolith/skeleton/SelleBorderTypeEvaluator.h>
#include <angiolith/skeleton/SelleSimplePointEvaluator.h>
#include <angiolith/skeleton/SimpleEndpointEvaluator.h>

#include <gtest/gtest.h>

#include <random>

namespace {

using skeletontest::eulerCharacteristic;
using skeletontest::Offset;
using skeletontest::Volume;

// A random 26-neighbourhood: each position holds an object value (1 up to @p maxValue; any
// nonzero value is object) with probability @p density / 10, and 0 otherwise.
void randomNeighbourhood(std::mt19937& rng, unsigned density, unsigned maxValue,
                         unsigned char* nb) {
    for (int k = 0; k < 26; ++k) {
        nb[k] = rng() % 10 < density ? static_cast<unsigned char>(1 + rng() % maxValue) : 0;
    }
}

struct Direction {
    int axis, sign;
    bool (SelleBorderTypeEvaluator::*test)(unsigned char*);
};

int nonzeroAxes(const Offset& o) { return (o.dx != 0) + (o.dy != 0) + (o.dz != 0); }

// Simple point for (26, 6) topology after G. Bertrand and G. Malandain, "A new
// characterization of three-dimensional simple points", Pattern Recognition Letters 15(2),
// 1994: one 26-component of object neighbours, and one 6-component of background voxels of
// the 18-neighbourhood that is 6-adjacent to the centre.
bool bertrandSimple(const unsigned char* nb) {
    const auto off = skeletontest::neighbourOffsets();
    auto adjacent6 = [](const Offset& a, const Offset& b) {
        return std::abs(a.dx - b.dx) + std::abs(a.dy - b.dy) + std::abs(a.dz - b.dz) == 1;
    };
    const int object = skeletontest::neighbourComponents(
        [&](int i) { return nb[i] != 0; }, skeletontest::adjacent26, [](int) { return true; });
    const int background = skeletontest::neighbourComponents(
        [&](int i) { return nb[i] == 0 && nonzeroAxes(off[i]) <= 2; }, adjacent6,
        [&](int i) { return nonzeroAxes(off[i]) == 1; });
    return object == 1 && background == 1;
}

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

class NoEndpoints : public EndpointEvaluator {
public:
    bool isEndpoint(unsigned char*) override { return false; }
};
using FixedEndpointEvaluator = skeletontest::Counted<NoEndpoints>;

}  // namespace

// Each test against its definition: the face neighbour on the side is 0 and the rest of that
// side's plane adds up to at most 1 (stored values 1 and 3 are added); the plane is found from
// the offsets, not from a table.
TEST(SelleBorderTypeEvaluator, AgreesWithPlaneDefinition) {
    SelleBorderTypeEvaluator e;
    const Direction directions[6] = {{2, 1, &SelleBorderTypeEvaluator::isBorderPlusZ},
                                     {2, -1, &SelleBorderTypeEvaluator::isBorderMinusZ},
                                     {0, 1, &SelleBorderTypeEvaluator::isBorderPlusX},
                                     {0, -1, &SelleBorderTypeEvaluator::isBorderMinusX},
                                     {1, 1, &SelleBorderTypeEvaluator::isBorderPlusY},
                                     {1, -1, &SelleBorderTypeEvaluator::isBorderMinusY}};
    const auto off = skeletontest::neighbourOffsets();
    std::mt19937 rng(5);
    for (int trial = 0; trial < 4000; ++trial) {
        unsigned char nb[26] = {};
        const int count = trial % 5;
        for (int k = 0; k < count; ++k) nb[rng() % 26] = (rng() % 4 == 0) ? 3 : 1;
        for (const Direction& d : directions) {
            int faceValue = -1, rest = 0;
            for (int i = 0; i < 26; ++i) {
                const int c[3] = {off[i].dx, off[i].dy, off[i].dz};
                if (c[d.axis] != d.sign) continue;
                const bool isFace = c[(d.axis + 1) % 3] == 0 && c[(d.axis + 2) % 3] == 0;
                if (isFace) {
                    faceValue = nb[i];
                } else {
                    rest += nb[i];
                }
            }
            EXPECT_EQ((e.*d.test)(nb), faceValue == 0 && rest <= 1) << "trial " << trial;
        }
    }
}

// The three-part test accepts exactly the simple points that are not line ends (at most one
// object neighbour), from empty to full neighbourhoods.
TEST(SelleSimplePointEvaluator, AgreesWithBertrandMalandainCharacterisation) {
    SelleSimplePointEvaluator e;
    SimpleEndpointEvaluator endpoint;
    std::mt19937 rng(3);
    for (int trial = 0; trial < 20000; ++trial) {
        unsigned char nb[26];
        randomNeighbourhood(rng, 1 + trial % 9, 1, nb);
        int count = 0;
        for (unsigned char v : nb) count += v != 0;
        EXPECT_EQ(e.isSimplePoint(nb), bertrandSimple(nb) && count >= 2) << "trial " << trial;
        EXPECT_EQ(endpoint.isEndpoint(nb), count <= 1) << "trial " << trial;
    }
}

TEST(SelleSimplePointEvaluator, SettersReplaceAndOwnComponents) {
    int deaths = 0;
    {
        SelleSimplePointEvaluator e;
        unsigned char one[26] = {};
        one[4] = 1;
        auto* first = new FixedEndpointEvaluator(&deaths);
        e.setEndpointEvaluator(first);
        EXPECT_TRUE(e.isSimplePoint(one));  // a line end counts as deletable now
        e.setEndpointEvaluator(nullptr);    // ignored
        e.setEndpointEvaluator(first);      // the evaluator already held: kept, not deleted
        EXPECT_EQ(deaths, 0);
        e.setEndpointEvaluator(new FixedEndpointEvaluator(&deaths));
        EXPECT_EQ(deaths, 1);
    }
    EXPECT_EQ(deaths, 2);
}

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
        randomNeighbourhood(rng, 1 + trial % 6, 3, nb);
        const int parts = skeletontest::neighbourComponents(
            [&](int k) { return nb[k] != 0; }, skeletontest::adjacent26, [](int) { return true; });
        EXPECT_EQ(e.isConnected(nb), parts == 1) << "trial " << trial;
    }
}

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

// From empty neighbourhoods (an isolated voxel vanishes) to full ones (removal leaves a cavity).
TEST(LobregtEulerCharacteristicEvaluator, DetectsChangeAgainstBruteForce) {
    LobregtEulerCharacteristicEvaluator e;
    const auto off = skeletontest::neighbourOffsets();
    std::mt19937 rng(7);
    for (int trial = 0; trial < 3000; ++trial) {
        unsigned char nb[26];
        randomNeighbourhood(rng, trial % 11, 3, nb);
        Volume cube(3, 3, 3);
        for (int k = 0; k < 26; ++k) cube.set(1 + off[k].dx, 1 + off[k].dy, 1 + off[k].dz, nb[k]);
        cube.set(1, 1, 1, 1);
        const long with = eulerCharacteristic(cube);
        cube.set(1, 1, 1, 0);
        const long without = eulerCharacteristic(cube);
        EXPECT_EQ(e.changesEulerCharacteristic(nb), with != without) << "trial " << trial;
    }
}

// The grid transform of the supplied-tissue classifier against the voxel-by-voxel k-d tree search
// (kept as the reference: a subclass of KDTreeNextVesselEstimator is always queried per voxel)
// and against an exhaustive search, on lattices built to tie and on a vessel phantom, with one
// and with several threads.
#include "phantom/VesselPhantom.h"
#include "support/PhantomChain.h"
#include "territory/GridNearestSample.h"
#include "territory/TerritoryTestSupport.h"

#include <angiolith/territory/SuppliedTissueClassifier.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <ostream>
#include <random>
#include <vector>

namespace {

using namespace angiolith::test;

// The result volumes of one computation, copied out.
struct Territories {
    std::vector<unsigned short> ids;
    std::vector<float> distances;  // empty when distances were off
};

Territories classify(const ArVesselTree& tree, const std::vector<unsigned char>& mask,
                     const Grid& g, unsigned char background, bool reference, unsigned threads,
                     bool distances = true) {
    SuppliedTissueClassifier classifier(tissueOn(mask, g, background), tree);
    if (reference) classifier.setNextVesselEstimator(new chain_test::PerVoxelEstimator);
    classifier.setNumberOfThreads(threads);
    classifier.setCalculateDistanceVolume(distances);
    classifier.computeSuppliedTissue();
    Territories result;
    const auto* ids =
        static_cast<const unsigned short*>(classifier.getVesselIDVolume()->getPic()->data);
    result.ids.assign(ids, ids + mask.size());
    if (distances) {
        const auto* d = static_cast<const float*>(classifier.getDistanceVolume()->getPic()->data);
        result.distances.assign(d, d + mask.size());
    }
    return result;
}

// A tree of @p vessels vessels whose samples sit on random voxels of the grid (duplicates and
// shared voxels included, in scrambled order), and the samples in list order.
SampledTree latticeTree(unsigned seed, const Grid& g, int vessels, int perVessel, int stride) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> ix(0, static_cast<int>(g.nx - 1) / stride);
    std::uniform_int_distribution<int> iy(0, static_cast<int>(g.ny - 1) / stride);
    std::uniform_int_distribution<int> iz(0, static_cast<int>(g.nz - 1) / stride);
    std::vector<std::vector<Vector3<float>>> lines(static_cast<std::size_t>(vessels));
    for (auto& line : lines) {
        for (int s = 0; s < perVessel; ++s) {
            line.push_back({world(g, 0, ix(rng) * stride), world(g, 1, iy(rng) * stride),
                            world(g, 2, iz(rng) * stride)});
        }
    }
    return sampledTree(lines);
}

void expectSame(const Territories& a, const Territories& b) {
    ASSERT_EQ(a.ids.size(), b.ids.size());
    for (std::size_t i = 0; i < a.ids.size(); ++i) ASSERT_EQ(a.ids[i], b.ids[i]) << i;
    ASSERT_EQ(a.distances.size(), b.distances.size());
    // Byte for byte, not by float comparison.
    ASSERT_EQ(std::memcmp(a.distances.data(), b.distances.data(), a.distances.size() * 4), 0);
}

struct LatticeCase {
    const char* name;
    Grid geometry;
    int vessels, perVessel, stride;
    unsigned char background;
};

void PrintTo(const LatticeCase& c, std::ostream* os) { *os << c.name; }

class GridNearestSampleLattice : public testing::TestWithParam<LatticeCase> {};

// Samples on every second or fourth voxel (so most voxels lie midway between several samples at
// exactly or nearly the same distance), in many vessels whose list order is scrambled against
// their positions; spacings exact in binary and not, isotropic and not, with offsets.
TEST_P(GridNearestSampleLattice, MatchesBruteForceAndTheReferenceOnAnyNumberOfThreads) {
    const LatticeCase& c = GetParam();
    const Grid& g = c.geometry;
    for (unsigned seed : {1u, 2u}) {
        const SampledTree lattice = latticeTree(seed, g, c.vessels, c.perVessel, c.stride);
        const auto mask = randomMask(seed, g, c.background, 0.8);
        // The samples lie on voxels, so the classifier takes the grid transform.
        angiolith::detail::GridNearestSample transform;
        ASSERT_TRUE(
            transform.place(VesselElementList(lattice.samples.begin(), lattice.samples.end()),
                            {{g.nx, g.ny, g.nz},
                             {g.spacing[0], g.spacing[1], g.spacing[2]},
                             {g.origin[0], g.origin[1], g.origin[2]}}));
        const Territories reference = classify(lattice.tree, mask, g, c.background, true, 1);
        const Territories grid = classify(lattice.tree, mask, g, c.background, false, 1);
        expectBruteForce(grid.ids.data(), grid.distances.data(), mask, c.background, g,
                         lattice.samples);
        expectSame(grid, reference);
        expectSame(classify(lattice.tree, mask, g, c.background, false, 3), reference);
        const Territories idsOnly = classify(lattice.tree, mask, g, c.background, false, 2, false);
        EXPECT_EQ(idsOnly.ids, reference.ids);
    }
}

const LatticeCase kLattices[] = {
    {"UnitSpacing", {17, 14, 11, {1, 1, 1}, {0, 0, 0}}, 30, 3, 2, 0},
    {"CtSpacing", {19, 16, 12, {0.7f, 0.7f, 1.5f}, {0, 0, 0}}, 25, 4, 2, 0},
    {"CtSpacingOffset", {15, 18, 13, {0.7f, 0.7f, 1.5f}, {-100.35f, 20.7f, -3.0f}}, 20, 5, 2, 7},
    {"HalfSpacingSparse", {21, 9, 17, {0.5f, 0.5f, 0.5f}, {-0.5f, 0, 2}}, 12, 2, 4, 0},
    {"Anisotropic", {13, 15, 14, {0.3f, 1.1f, 2.5f}, {3, -7.25f, 0.1f}}, 40, 2, 1, 0},
};

INSTANTIATE_TEST_SUITE_P(Lattices, GridNearestSampleLattice, testing::ValuesIn(kLattices),
                         [](const testing::TestParamInfo<LatticeCase>& info) {
                             return info.param.name;
                         });

// The six samples at distance 4 from the centre voxel along the axes, one vessel each, in every
// rotation of the list order, followed by two nearer the corners: the earliest of the six wins
// the centre, and every voxel matches the exhaustive search.
TEST(GridNearestSample, EqualDistancesGoToTheEarliestSample) {
    const Grid g{9, 9, 9, {1, 1, 1}, {0, 0, 0}};
    const int ring[][3] = {{4, 4, 8}, {8, 4, 4}, {4, 0, 4}, {0, 4, 4}, {4, 8, 4}, {4, 4, 0}};
    const int others[][3] = {{1, 1, 4}, {7, 7, 4}};
    for (int rotation = 0; rotation < 6; ++rotation) {
        std::vector<std::vector<Vector3<float>>> lines;
        std::vector<int> ids;
        for (int v = 0; v < 8; ++v) {
            const int* p = v < 6 ? ring[(v + rotation) % 6] : others[v - 6];
            lines.push_back({{float(p[0]), float(p[1]), float(p[2])}});
            ids.push_back(v < 6 ? 10 + v : 14 + v);
        }
        const SampledTree lattice = sampledTree(lines, ids);
        const std::vector<unsigned char> mask(9 * 9 * 9, 1);
        const Territories grid = classify(lattice.tree, mask, g, 0, false, 2);
        expectBruteForce(grid.ids.data(), grid.distances.data(), mask, 0, g, lattice.samples);
        EXPECT_EQ(grid.ids[(4 * 9 + 4) * 9 + 4], 10);
    }
}

// Centre lines of a vessel phantom snapped to voxels (as extracted centre lines are), over the
// phantom's tissue at CT spacing: the grid transform and the reference agree byte for byte.
TEST(GridNearestSample, PhantomMatchesTheReference) {
    auto options = angiolith::phantom::PhantomOptions::small();
    options.spacingX = options.spacingY = 0.7f;
    options.spacingZ = 1.5f;
    angiolith::phantom::Phantom phantom = angiolith::phantom::makePhantom(options);
    const Grid g{options.sizeX,
                 options.sizeY,
                 options.sizeZ,
                 {options.spacingX, options.spacingY, options.spacingZ},
                 {0, 0, 0}};
    std::vector<std::vector<Vector3<float>>> lines;
    for (const auto& vessel : phantom.truth) {
        lines.emplace_back();
        for (const auto& s : vessel.centreLine) {
            lines.back().push_back({world(g, 0, int(std::lround(s.x))),
                                    world(g, 1, int(std::lround(s.y))),
                                    world(g, 2, int(std::lround(s.z)))});
        }
    }
    const ArVesselTree tree = sampledTree(lines).tree;
    const auto* tissue = static_cast<const unsigned char*>(phantom.tissue->data);
    const std::vector<unsigned char> mask(tissue, tissue + std::size_t{g.nx} * g.ny * g.nz);
    const Territories reference = classify(tree, mask, g, 0, true, 1);
    expectSame(classify(tree, mask, g, 0, false, 1), reference);
    expectSame(classify(tree, mask, g, 0, false, 2), reference);
}

// Samples between voxels or outside the grid leave the transform unplaced (the classifier then
// asks its estimator per voxel); samples exactly on voxels place it.
TEST(GridNearestSample, PlacesOnlySamplesExactlyOnVoxels) {
    const angiolith::detail::VoxelGrid grid{{4, 5, 6}, {0.7f, 0.7f, 1.5f}, {-2.0f, 0.0f, 3.0f}};
    const auto at = [](float x, float y, float z) {
        return VesselElementList{{{x, y, z}, 1.0f, 0.0f, 1}};
    };
    const float x1 = 1.0f * 0.7f - 2.0f, y4 = 4.0f * 0.7f + 0.0f, z5 = 5.0f * 1.5f + 3.0f;
    angiolith::detail::GridNearestSample transform;
    EXPECT_TRUE(transform.place(at(x1, y4, z5), grid));
    EXPECT_FALSE(transform.place(at(std::nextafter(x1, 0.0f), y4, z5), grid));
    EXPECT_FALSE(transform.place(at(x1, 5.0f * 0.7f, z5), grid));   // one past the last row
    EXPECT_FALSE(transform.place(at(x1, y4, -1.5f + 3.0f), grid));  // before the first plane
    EXPECT_FALSE(transform.place(at(x1, NAN, z5), grid));
    EXPECT_FALSE(transform.place(VesselElementList{}, grid));
}

}  // namespace

// The grid transform of the supplied-tissue classifier against the voxel-by-voxel k-d tree search
// (kept as the reference: a subclass of KDTreeNextVesselEstimator is always queried per voxel)
// and against an exhaustive search, on lattices built to tie and on a vessel phantom, with one
// and with several threads.
#include "phantom/VesselPhantom.h"
#include "territory/BruteForceNearest.h"
#include "territory/GridNearestSample.h"
#include "territory/TerritoryTestSupport.h"

#include <angiolith/territory/KDTreeNextVesselEstimator.h>
#include <angiolith/territory/SuppliedTissueClassifier.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <ostream>
#include <random>
#include <vector>

namespace {

using angiolith::test::bruteForceNearest;
using angiolith::test::makeTree;
using angiolith::test::makeVessel;
using angiolith::test::zeroVolume;

// The same search as its base; being another class, it keeps the classifier on the per-voxel
// path.
class ReferenceEstimator : public KDTreeNextVesselEstimator {};

struct Geometry {
    unsigned nx, ny, nz;
    float spacing[3];
    float origin[3];
};

// World position of voxel index i on an axis, as the classifier computes it.
float world(const Geometry& g, int axis, int i) {
    return static_cast<float>(i) * g.spacing[axis] + g.origin[axis];
}

// The result volumes of one computation, copied out.
struct Territories {
    std::vector<unsigned short> ids;
    std::vector<float> distances;  // empty when distances were off
};

Territories classify(const ArVesselTree& tree, const std::vector<unsigned char>& mask,
                     const Geometry& g, unsigned char background, bool reference, unsigned threads,
                     bool distances = true) {
    lumoTeskDescriptor* pic = zeroVolume<unsigned char>(g.nx, g.ny, g.nz);
    std::memcpy(pic->data, mask.data(), mask.size());
    auto* tissue = new ThreeDPicAccessor<unsigned char>(pic, true, background);
    tissue->setVoxelSize(g.spacing[0], g.spacing[1], g.spacing[2]);
    tissue->setOrigin(g.origin[0], g.origin[1], g.origin[2]);
    SuppliedTissueClassifier classifier(tissue, tree);
    if (reference) classifier.setNextVesselEstimator(new ReferenceEstimator);
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
struct LatticeTree {
    ArVesselTree tree;
    std::vector<VesselElementID> samples;
};

LatticeTree latticeTree(unsigned seed, const Geometry& g, int vessels, int perVessel, int stride) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> ix(0, static_cast<int>(g.nx - 1) / stride);
    std::uniform_int_distribution<int> iy(0, static_cast<int>(g.ny - 1) / stride);
    std::uniform_int_distribution<int> iz(0, static_cast<int>(g.nz - 1) / stride);
    std::vector<ar<Vessel>> list;
    std::vector<int> parents;
    LatticeTree result;
    for (int v = 0; v < vessels; ++v) {
        std::vector<Vector3<float>> positions;
        for (int s = 0; s < perVessel; ++s) {
            const Vector3<float> p{world(g, 0, ix(rng) * stride), world(g, 1, iy(rng) * stride),
                                   world(g, 2, iz(rng) * stride)};
            positions.push_back(p);
            result.samples.push_back({p, 1.0f, 0.0f, v + 1});
        }
        list.push_back(makeVessel(v + 1, VesselProperties::PORTAL, 1, 1, positions));
        parents.push_back(0);
    }
    result.tree = makeTree(list, parents);
    return result;
}

std::vector<unsigned char> randomMask(unsigned seed, const Geometry& g, unsigned char background,
                                      double fill) {
    std::mt19937 rng(seed);
    std::bernoulli_distribution inside(fill);
    std::vector<unsigned char> mask(static_cast<std::size_t>(g.nx) * g.ny * g.nz, background);
    for (auto& v : mask) {
        if (inside(rng)) v = static_cast<unsigned char>(background + 1 + rng() % 5);
    }
    return mask;
}

void expectSame(const Territories& a, const Territories& b) {
    ASSERT_EQ(a.ids.size(), b.ids.size());
    for (std::size_t i = 0; i < a.ids.size(); ++i) ASSERT_EQ(a.ids[i], b.ids[i]) << i;
    ASSERT_EQ(a.distances.size(), b.distances.size());
    // Byte for byte, not by float comparison.
    ASSERT_EQ(std::memcmp(a.distances.data(), b.distances.data(), a.distances.size() * 4), 0);
}

void expectBruteForce(const Territories& t, const LatticeTree& lattice,
                      const std::vector<unsigned char>& mask, const Geometry& g,
                      unsigned char background) {
    std::size_t i = 0;
    for (unsigned z = 0; z < g.nz; ++z) {
        for (unsigned y = 0; y < g.ny; ++y) {
            for (unsigned x = 0; x < g.nx; ++x, ++i) {
                if (mask[i] == background) {
                    ASSERT_EQ(t.ids[i], 0);
                    ASSERT_EQ(t.distances[i], 0.0f);
                    continue;
                }
                const auto expected = bruteForceNearest(lattice.samples, world(g, 0, int(x)),
                                                        world(g, 1, int(y)), world(g, 2, int(z)));
                ASSERT_EQ(t.ids[i], expected.vesselId) << x << ' ' << y << ' ' << z;
                ASSERT_EQ(std::memcmp(&t.distances[i], &expected.distance, 4), 0)
                    << x << ' ' << y << ' ' << z;
            }
        }
    }
}

struct LatticeCase {
    const char* name;
    Geometry geometry;
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
    const Geometry& g = c.geometry;
    for (unsigned seed : {1u, 2u}) {
        const LatticeTree lattice = latticeTree(seed, g, c.vessels, c.perVessel, c.stride);
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
        expectBruteForce(grid, lattice, mask, g, c.background);
        expectSame(grid, reference);
        expectSame(classify(lattice.tree, mask, g, c.background, false, 3), reference);
        const Territories idsOnly = classify(lattice.tree, mask, g, c.background, false, 2, false);
        EXPECT_EQ(idsOnly.ids, reference.ids);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lattices, GridNearestSampleLattice,
    testing::Values(
        LatticeCase{"UnitSpacing", {17, 14, 11, {1, 1, 1}, {0, 0, 0}}, 30, 3, 2, 0},
        LatticeCase{"CtSpacing", {19, 16, 12, {0.7f, 0.7f, 1.5f}, {0, 0, 0}}, 25, 4, 2, 0},
        LatticeCase{"CtSpacingOffset",
                    {15, 18, 13, {0.7f, 0.7f, 1.5f}, {-100.35f, 20.7f, -3.0f}},
                    20,
                    5,
                    2,
                    7},
        LatticeCase{
            "HalfSpacingSparse", {21, 9, 17, {0.5f, 0.5f, 0.5f}, {-0.5f, 0, 2}}, 12, 2, 4, 0},
        LatticeCase{
            "Anisotropic", {13, 15, 14, {0.3f, 1.1f, 2.5f}, {3, -7.25f, 0.1f}}, 40, 2, 1, 0}),
    [](const testing::TestParamInfo<LatticeCase>& info) { return info.param.name; });

// The six samples at distance 4 from the centre voxel along the axes, one vessel each, in every
// rotation of the list order, followed by two nearer the corners: the earliest of the six wins
// the centre, and every voxel matches the exhaustive search.
TEST(GridNearestSample, EqualDistancesGoToTheEarliestSample) {
    const Geometry g{9, 9, 9, {1, 1, 1}, {0, 0, 0}};
    const int ring[][3] = {{4, 4, 8}, {8, 4, 4}, {4, 0, 4}, {0, 4, 4}, {4, 8, 4}, {4, 4, 0}};
    const int others[][3] = {{1, 1, 4}, {7, 7, 4}};
    for (int rotation = 0; rotation < 6; ++rotation) {
        std::vector<ar<Vessel>> vessels;
        LatticeTree lattice;
        const auto add = [&](const int* p, int id) {
            const Vector3<float> position{float(p[0]), float(p[1]), float(p[2])};
            vessels.push_back(makeVessel(id, VesselProperties::PORTAL, 1, 1, {position}));
            lattice.samples.push_back({position, 1.0f, 0.0f, id});
        };
        for (int v = 0; v < 6; ++v) add(ring[(v + rotation) % 6], 10 + v);
        for (int v = 0; v < 2; ++v) add(others[v], 20 + v);
        lattice.tree = makeTree(vessels, std::vector<int>(vessels.size(), 0));
        const std::vector<unsigned char> mask(9 * 9 * 9, 1);
        const Territories grid = classify(lattice.tree, mask, g, 0, false, 2);
        expectBruteForce(grid, lattice, mask, g, 0);
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
    const Geometry g{options.sizeX,
                     options.sizeY,
                     options.sizeZ,
                     {options.spacingX, options.spacingY, options.spacingZ},
                     {0, 0, 0}};
    std::vector<ar<Vessel>> vessels;
    std::vector<int> parents;
    for (std::size_t i = 0; i < phantom.truth.size(); ++i) {
        std::vector<Vector3<float>> positions;
        for (const auto& s : phantom.truth[i].centreLine) {
            positions.push_back({world(g, 0, int(std::lround(s.x))),
                                 world(g, 1, int(std::lround(s.y))),
                                 world(g, 2, int(std::lround(s.z)))});
        }
        vessels.push_back(makeVessel(int(i) + 1, VesselProperties::PORTAL, 1, 1, positions));
        parents.push_back(0);
    }
    const ArVesselTree tree = makeTree(vessels, parents);
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

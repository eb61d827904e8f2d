#include "territory/TerritoryTestSupport.h"

#include <angiolith/territory/EuclideanDistanceMeasure.h>
#include <angiolith/territory/KDTreeNextVesselEstimator.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <random>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace {

using angiolith::test::bruteForceNearest;
using angiolith::test::messageOf;

// Queries every point of @p queries on an estimator given @p samples and compares with the
// brute-force answer.
void expectMatchesBruteForce(const std::vector<VesselElementID>& samples,
                             const std::vector<std::vector<float>>& queries) {
    VesselElementList list(samples.begin(), samples.end());
    KDTreeNextVesselEstimator estimator;
    estimator.setVesselElementList(&list);
    TissueElement element;
    for (const auto& q : queries) {
        element.setPosition(q[0], q[1], q[2]);
        ASSERT_EQ(estimator.getNextVessel(&element), &element);
        const auto expected = bruteForceNearest(samples, q[0], q[1], q[2]);
        ASSERT_EQ(element.getVesselId(), expected.vesselId)
            << "query " << q[0] << ' ' << q[1] << ' ' << q[2];
        ASSERT_EQ(element.getDistance(), expected.distance)
            << "query " << q[0] << ' ' << q[1] << ' ' << q[2];
    }
}

// Samples on the lattice points below (@p end, @p end, @p endZ) with the given step, listed in
// shuffled order and numbered 1, 2, ... (wrapping after @p ids).
std::vector<VesselElementID> shuffledLattice(int end, int endZ, int step, unsigned seed, int ids) {
    std::vector<VesselElementID> samples;
    for (int z = 0; z < endZ; z += step)
        for (int y = 0; y < end; y += step)
            for (int x = 0; x < end; x += step)
                samples.push_back({{float(x), float(y), float(z)}, 1.0f, 0.0f, 0});
    std::mt19937 rng(seed);
    std::shuffle(samples.begin(), samples.end(), rng);
    for (std::size_t i = 0; i < samples.size(); ++i) samples[i].vesselId = int(i) % ids + 1;
    return samples;
}

// Queries on the raster (x, y, z) * (step, step, stepZ) for x, y from @p from below @p end and
// z from @p from below @p endZ.
std::vector<std::vector<float>> raster(int from, int end, int endZ, float step, float stepZ) {
    std::vector<std::vector<float>> queries;
    for (int z = from; z < endZ; ++z)
        for (int y = from; y < end; ++y)
            for (int x = from; x < end; ++x) queries.push_back({x * step, y * step, z * stepZ});
    return queries;
}

// From a single sample up to 700, queried at random points and exactly at samples.
TEST(KDTreeNextVesselEstimator, RandomSamplesMatchBruteForce) {
    std::mt19937 rng(20240611);
    std::uniform_real_distribution<float> coordinate(-50.0f, 50.0f);
    std::uniform_int_distribution<int> vessel(1, 40);
    for (int size : {1, 2, 3, 4, 50, 700}) {
        std::vector<VesselElementID> samples;
        for (int i = 0; i < size; ++i) {
            samples.push_back(
                {{coordinate(rng), coordinate(rng), coordinate(rng)}, 1.0f, 0.0f, vessel(rng)});
        }
        std::vector<std::vector<float>> queries;
        for (int i = 0; i < 2000; ++i) {
            queries.push_back({coordinate(rng) * 1.2f, coordinate(rng) * 1.2f, coordinate(rng)});
        }
        // Queries exactly at samples: distance 0.
        for (int i = 0; i < size; i += 7) {
            const auto& p = samples[i].position;
            queries.push_back({p.x, p.y, p.z});
        }
        expectMatchesBruteForce(samples, queries);
    }
}

// Samples on an integer lattice, listed in shuffled order and each with its own id: queries at
// cell centres have 8 equally near samples, at face centres 4, on edges 2. The earliest listed
// one must win however many tie, which a plain 3-nearest search cannot guarantee.
TEST(KDTreeNextVesselEstimator, LatticeTiesPickTheEarliestSample) {
    std::vector<VesselElementID> samples = shuffledLattice(7, 7, 1, 7, 1000);
    // Ten copies of one position with their own ids: the first copy listed wins.
    for (int copy = 0; copy < 10; ++copy) samples.push_back({{3, 3, 3}, 1.0f, 0.0f, 1000 + copy});

    expectMatchesBruteForce(samples, raster(-1, 15, 15, 0.5f, 0.5f));

    // A negative control for the oracle itself: the centre of cell (0,0,0) has 8 tied samples.
    const auto centre = bruteForceNearest(samples, 0.5f, 0.5f, 0.5f);
    int earliest = 1 << 30;
    for (const auto& s : samples) {
        if (s.position.x <= 1 && s.position.y <= 1 && s.position.z <= 1) {
            earliest = std::min(earliest, s.vesselId);
        }
    }
    EXPECT_EQ(centre.vesselId, earliest);
}

// One estimator given list after list: each new list replaces the search structure of the one
// before; ties go to the earlier sample; ids wrap at 16 bits, -1 too.
TEST(KDTreeNextVesselEstimator, EachNewListIsSearchedOnItsOwn) {
    struct Query {
        float x, y, z;
        int id;
        float distance;
    };
    struct Case {
        const char* name;
        VesselElementList list;
        std::vector<Query> queries;
    };
    Case cases[] = {
        {"two tied samples of different vessels",
         {{{0, 0, 0}, 1, 0, 9}, {{2, 0, 0}, 1, 0, 4}, {{9, 9, 9}, 1, 0, 5}},
         {{1, 0, 0, 9, 1.0f}}},
        {"a list far from the queries", {{{0, 0, 0}, 1, 0, 1}, {{10, 0, 0}, 1, 0, 2}}, {}},
        {"ids beyond 16 bits",
         {{{100, 0, 0}, 1, 0, 70000}, {{0, 50, 0}, 1, 0, -1}},
         {{1, 0, 0, 65535, std::sqrt(1.0f + 2500.0f)}, {99, 0, 0, 4464, 1.0f}}},
    };
    KDTreeNextVesselEstimator estimator;
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        estimator.setVesselElementList(&c.list);
        for (const Query& q : c.queries) {
            TissueElement element;
            element.setPosition(q.x, q.y, q.z);
            estimator.getNextVessel(&element);
            EXPECT_EQ(element.getVesselId(), q.id);
            EXPECT_EQ(element.getDistance(), q.distance);
        }
    }
}

TEST(KDTreeNextVesselEstimator, FailuresKeepTheStateAndNameTheOperation) {
    KDTreeNextVesselEstimator estimator;
    TissueElement element;
    VesselElementList empty;
    const std::pair<std::function<void()>, std::string> failures[] = {
        {[&] { estimator.getNextVessel(&element); },
         "Error in KDTreeNextVesselEstimator::getNextVessel(...): no vessel element list set"},
        {[&] { estimator.setVesselElementList(nullptr); },
         "Error in KDTreeNextVesselEstimator::setVesselElementLIst(): theList == NULL!"},
        {[&] { estimator.setVesselElementList(&empty); },
         "Error in KDTreeNextVesselEstimator::setVesselElementList: theList->size() == 0!"},
        {[&] { estimator.setDistanceMeasure(nullptr); },
         "Error in KDTreeNextVesselEstimator::setDistanceMeasure(...): measure == NULL"},
    };
    for (const auto& [call, text] : failures) EXPECT_EQ(messageOf(call), text);
    EXPECT_EQ(estimator.getVesselElementList(), nullptr);
    EXPECT_EQ(estimator.getDistanceMeasure(), nullptr);

    // A failed replacement leaves the working structure in place. The estimator owns its measure
    // and borrows the list (the sanitizer build checks that each is freed once).
    estimator.setDistanceMeasure(new EuclideanDistanceMeasure);
    VesselElementList list{{{0, 0, 0}, 1, 0, 3}};
    estimator.setVesselElementList(&list);
    EXPECT_THROW(estimator.setVesselElementList(&empty), std::runtime_error);
    EXPECT_EQ(estimator.getVesselElementList(), &list);
    element.setPosition(0.0f, 0.0f, 2.0f);
    estimator.getNextVessel(&element);
    EXPECT_EQ(element.getVesselId(), 3);
    EXPECT_EQ(element.getDistance(), 2.0f);
}

TEST(EuclideanDistanceMeasure, SinglePrecisionEuclideanDistance) {
    EuclideanDistanceMeasure measure;
    TissueElement element;
    element.setPosition(1.0f, 2.0f, 3.0f);
    const float point[3] = {4.0f, 6.0f, 15.0f};
    EXPECT_EQ(measure.computeDistance(element, point), 13.0f);
    const float xyz[3] = {0.5f, -1.0f, 2.0f};
    element.setPosition(xyz);
    EXPECT_EQ(measure.computeDistance(element, xyz), 0.0f);
}

// Raster scans are answered mostly from cell candidate sets: random polyline samples (centre
// lines), a spherical shell (many equidistant samples, so cells are declined) and lattice
// samples with ties, scanned with anisotropic steps, must all give the exhaustive answer.
TEST(KDTreeNextVesselEstimator, RasterScansMatchBruteForce) {
    std::vector<VesselElementID> lines = angiolith::test::randomTree(99, 12, 30, 25, 1.7f).samples;
    std::vector<VesselElementID> shell;
    for (int i = 0; i < 400; ++i) {
        // Fibonacci points on a sphere of radius 9 around (15, 15, 10).
        const double zc = 1.0 - (2.0 * i + 1.0) / 400.0;
        const double r = std::sqrt(1.0 - zc * zc);
        const double phi = i * 2.399963229728653;
        shell.push_back({{float(15 + 9 * r * std::cos(phi)), float(15 + 9 * r * std::sin(phi)),
                          float(10 + 9 * zc)},
                         1.0f,
                         0.0f,
                         i % 50 + 1});
    }
    std::vector<VesselElementID> lattice = shuffledLattice(30, 10, 3, 99, 300);
    for (const auto* samples : {&lines, &shell, &lattice}) {
        expectMatchesBruteForce(*samples, raster(0, 40, 14, 0.75f, 1.5f));
    }
}

}  // namespace

// The path finder: labelling the skeleton's voxels and choosing the start (the skeleton graph
// extractor's part), then the walk through edge voxels and branching clusters.
#include "ExtractionTestUtil.h"
#include "support/Descriptors.h"

#include <angiolith/extraction/PathFinder.h>

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

using namespace extraction_test;
using angiolith::test::messageOf;

// Index = 9 (1 - dz) + 3 (1 - dy) + (dx + 1), one less past the left-out centre (13): the order
// in which the accessors list the 26 neighbours.
TEST(SkeletonGraphExtractor, NeighbourIndexTable) {
    const std::vector<angiolith::test::Offset> offsets = angiolith::test::neighbourOffsets();
    for (unsigned short index = 0; index < 26; ++index) {
        const Vector3<short> v = getVectorFromIndex(10, 20, 30, index);
        const angiolith::test::Offset& o = offsets[index];
        EXPECT_EQ((std::array<int, 3>{v.x - 10, v.y - 20, v.z - 30}),
                  (std::array<int, 3>{o.dx, o.dy, o.dz}))
            << index;
    }
    EXPECT_TRUE(sameVoxel(getVectorFromIndex(0, 0, 0, 13), Vector3<short>{1, 0, 0}));
    EXPECT_TRUE(sameVoxel(getVectorFromIndex(0, 0, 0, 4), Vector3<short>{0, 0, 1}));

    // Its lines on the output stream are checked with the library's other diagnostics.
    testing::internal::CaptureStdout();
    EXPECT_EQ(failure([] { getVectorFromIndex(0, 0, 0, 26); }),
              "getVectorFromIndex(): wrong index");
    testing::internal::GetCapturedStdout();
}

TEST(SkeletonGraphExtractor, StraightLineLabelsAndStart) {
    Skeleton s = makeVolume<unsigned char>(12, 12, 12);
    drawLineX<unsigned char>(*s, 2, 9, 5, 5, 1);
    Field f = constantField(12, 1.0f);
    {
        PathFinder pf(s.get(), f.get(), nullptr, false);
        EXPECT_EQ(at(*s, 2, 5, 5), ENDPOINT);
        EXPECT_EQ(at(*s, 9, 5, 5), ENDPOINT);
        for (int x = 3; x <= 8; ++x) EXPECT_EQ(at(*s, x, 5, 5), EDGEPOINT);
        EXPECT_EQ(at(*s, 1, 5, 5), 0);
        ASSERT_TRUE(pf.hasStartPoint());
        EXPECT_TRUE(sameVoxel(pf.getStartPoint(), Vector3<short>{2, 5, 5}));  // equal distances
    }
    // Two voxels share the largest distance: the first reached from the scan's first voxel wins.
    drawLineX<unsigned char>(*s, 2, 9, 5, 5, 1);
    f->setVoxel(7, 5, 5, 3.0f);
    f->setVoxel(4, 5, 5, 3.0f);
    PathFinder pf(s.get(), f.get(), nullptr, false);
    EXPECT_TRUE(sameVoxel(pf.getStartPoint(), Vector3<short>{4, 5, 5}));
}

// A T in the plane z = 5: bar x = 1..9 at y = 5, stem (5, 6..9). Worked by hand: (4,5), (5,5),
// (6,5) and (5,6) each have three or four skeleton neighbours (the diagonals count); (3,5),
// (7,5) and (5,7) touch them and become exits.
TEST(SkeletonGraphExtractor, TJunctionBranchAndExitVoxels) {
    Skeleton s = makeVolume<unsigned char>(11, 11, 11);
    drawT(*s);
    Field f = constantField(11, 2.0f);
    PathFinder pf(s.get(), f.get(), nullptr, false);
    const int expectedBar[] = {0, 2, 3, 4, 5, 5, 5, 4, 3, 2, 0};
    for (int x = 0; x <= 10; ++x) EXPECT_EQ(at(*s, x, 5, 5), expectedBar[x]) << x;
    const int expectedStem[] = {5, 4, 3, 2, 0};
    for (int y = 6; y <= 10; ++y) EXPECT_EQ(at(*s, 5, y, 5), expectedStem[y - 6]) << y;
}

// Lines along x (from, to, y = z) in scan order, and the start chosen among them.
TEST(SkeletonGraphExtractor, LargestComponentWinsAndTiesGoToTheFirst) {
    Field f = constantField(16, 1.0f);
    const std::pair<Coords, Vector3<short>> cases[] = {
        {{{0, 9, 1}, {0, 11, 8}}, {0, 8, 8}},            // 10 voxels, then 12
        {{{3, 7, 1}, {2, 8, 4}, {1, 7, 9}}, {2, 4, 4}},  // 5, 7, 7: the first of the two largest
    };
    for (const auto& [lines, start] : cases) {
        Skeleton s = makeVolume<unsigned char>(16, 16, 16);
        for (const auto& [from, to, yz] : lines) drawLineX<unsigned char>(*s, from, to, yz, yz, 1);
        PathFinder pf(s.get(), f.get(), nullptr, false);
        EXPECT_TRUE(sameVoxel(pf.getStartPoint(), start)) << start.x << "," << start.y;
    }
}

TEST(SkeletonGraphExtractor, GivenStartLabelsOnlyItsComponentAndSnapsToTheShells) {
    Field f = constantField(12, 1.0f);
    Skeleton s = makeVolume<unsigned char>(12, 12, 12);
    drawLineX<unsigned char>(*s, 2, 9, 5, 5, 1);
    drawLineX<unsigned char>(*s, 2, 9, 1, 1, 1);  // another component
    // From (5,5,7) the shell of half-width 2 meets the plane z = 5 with x outermost from 3:
    // (3,5,5) comes before the nearer (5,5,5).
    Vector3<short> start{5, 5, 7};
    PathFinder pf(s.get(), f.get(), &start, false);
    EXPECT_TRUE(sameVoxel(pf.getStartPoint(), Vector3<short>{3, 5, 5}));
    EXPECT_EQ(at(*s, 2, 5, 5), ENDPOINT);
    EXPECT_EQ(at(*s, 2, 1, 1), UNLABELED);
    EXPECT_EQ(at(*s, 5, 1, 1), UNLABELED);

    // A start on an edge voxel is kept; labelling all components reaches the other line too.
    Vector3<short> onLine{4, 1, 1};
    PathFinder all(s.get(), f.get(), &onLine, true);
    EXPECT_TRUE(sameVoxel(all.getStartPoint(), Vector3<short>{4, 1, 1}));
    EXPECT_EQ(at(*s, 2, 1, 1), ENDPOINT);
    EXPECT_EQ(at(*s, 5, 1, 1), EDGEPOINT);
}

TEST(SkeletonGraphExtractor, EmptyVolume) {
    Field f = constantField(5, 1.0f);
    Skeleton s = makeVolume<unsigned char>(5, 5, 5);
    PathFinder pf(s.get(), f.get(), nullptr, false);
    EXPECT_FALSE(pf.hasStartPoint());

    Vector3<short> start{2, 2, 2};
    testing::internal::CaptureStdout();
    EXPECT_EQ(messageOf([&] { PathFinder p(s.get(), f.get(), &start, false); }),
              "Error in PathFinder::getNextEdgeVoxel(): no next neigbour found");
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Error in PathFinder::getNextEdgeVoxel(): no next neigbour found\n");
}

// Positions outside the volume never count as skeleton voxels, even where the accessor reads a
// non-zero outside value: a line along the border is labelled as if the outside were 0, and
// the labelling ends.
TEST(SkeletonGraphExtractor, NonZeroOutsideValueIsNotSkeleton) {
    Skeleton s = makeVolume<unsigned char>(5, 5, 5, 1);
    drawLineX<unsigned char>(*s, 0, 4, 0, 0, 1);
    Field f = constantField(5, 1.0f);
    Vector3<short> start{-3, 0, 0};
    PathFinder pf(s.get(), f.get(), &start, false);
    EXPECT_TRUE(sameVoxel(pf.getStartPoint(), Vector3<short>{0, 0, 0}));
    EXPECT_EQ(at(*s, 0, 0, 0), ENDPOINT);
    EXPECT_EQ(at(*s, 2, 0, 0), EDGEPOINT);
    EXPECT_EQ(at(*s, 4, 0, 0), ENDPOINT);
}

TEST(SkeletonGraphExtractor, DistancesFromTheVoxelMap) {
    Skeleton s = makeVolume<unsigned char>(8, 8, 8);
    drawLineX<unsigned char>(*s, 1, 5, 2, 2, 1);
    BorderVoxelHashMap map;
    DistancePoint3D p1(1, 2, 2, 1, 0, 0), p2(2, 2, 2, 1, 0, 0), p3(3, 2, 2, 3, 4, 0),
        p4(4, 2, 2, 2, 0, 0), p5(5, 2, 2, 1, 0, 0);
    for (DistancePoint3D* p : {&p1, &p2, &p3, &p4, &p5}) map.insert(p);
    PathFinder pf(s.get(), &map, nullptr, false);
    EXPECT_TRUE(sameVoxel(pf.getStartPoint(), Vector3<short>{3, 2, 2}));
    EXPECT_FLOAT_EQ(pf.getDistanceValue(3, 2, 2), 5.0f);

    // An edge voxel without a distance value stops the labelling.
    drawLineX<unsigned char>(*s, 1, 6, 2, 2, 1);
    EXPECT_EQ(failure([&] { PathFinder p(s.get(), &map, nullptr, false); }),
              "PathFinder::getDistanceValue(): missing distance value");
}

namespace {

struct Step {
    Coords voxels;
    std::vector<long> ids;
    int cyclicCount;
};

Step neighbours(PathFinder& pf, short x, short y, short z, long ex1, long ex2) {
    std::unique_ptr<VisitableNeighbours> nb(pf.getUnvisitedNeighbours(x, y, z, ex1, ex2));
    Step step{{}, {}, nb->getCyclicCount()};
    for (unsigned i = 0; i < nb->getNeighbourCount(); ++i) {
        const Vector3<short> v = nb->getNeighbour(i);
        step.voxels.push_back({v.x, v.y, v.z});
        step.ids.push_back(nb->getVesselId(i));
        EXPECT_EQ(nb->isCyclic(i), nb->getVesselId(i) != -1);
    }
    return step;
}

// The T of the labelling test above: bar x = 1..9 at (y 5, z 5), stem (5, 6..9, 5).
struct TFixture : testing::Test {
    Skeleton s = makeVolume<unsigned char>(11, 11, 11);
    Field f = makeVolume<float>(11, 11, 11);
    TFixture() {
        drawT(*s);
        drawLineX<float>(*f, 0, 10, 5, 5, 1.0f);
    }
};

}  // namespace

TEST(PathFinder, ConstructorChecksItsArguments) {
    Skeleton s = makeVolume<unsigned char>(3, 3, 3);
    Field f = makeVolume<float>(3, 3, 3);
    BorderVoxelHashMap map;
    VolumeAccessor<float>* noField = nullptr;
    BorderVoxelHashMap* noMap = nullptr;
    EXPECT_EQ(failure([&] { PathFinder p(nullptr, f.get(), nullptr, false); }),
              "PathFinder::PathFinder(): volume == NULL");
    EXPECT_EQ(failure([&] { PathFinder p(nullptr, &map, nullptr, false); }),
              "PathFinder::PathFinder(): volume == NULL");
    EXPECT_EQ(failure([&] { PathFinder p(s.get(), noField, nullptr, false); }),
              "PathFinder::PathFinder(): distanceField == NULL");
    EXPECT_EQ(failure([&] { PathFinder p(s.get(), noMap, nullptr, false); }),
              "PathFinder::PathFinder(): distanceValues == NULL");
    PathFinder p(s.get(), f.get(), nullptr, false);
    EXPECT_EQ(failure([&] { p.labelSkeleton(nullptr); }),
              "SkeletonGraphExtractor::labelSkeleton():  Parameter skelVol = NULL");
}

TEST(PathFinder, LineNeighboursWithVisitsAndExclusions) {
    Skeleton s = makeVolume<unsigned char>(12, 12, 12);
    drawLineX<unsigned char>(*s, 2, 9, 5, 5, 1);
    Field f = makeVolume<float>(12, 12, 12);
    PathFinder pf(s.get(), f.get(), nullptr, false);

    Step step = neighbours(pf, 5, 5, 5, -1, -1);
    EXPECT_EQ(step.voxels, (Coords{{4, 5, 5}, {6, 5, 5}}));
    EXPECT_EQ(step.ids, (std::vector<long>{-1, -1}));
    EXPECT_EQ(step.cyclicCount, 0);

    pf.markVisited({4, 5, 5}, 7);
    pf.markVisited({4, 5, 5}, 8);  // the first visitor keeps the voxel
    pf.markVisited({6, 5, 5}, 9);
    step = neighbours(pf, 5, 5, 5, 3, 4);
    EXPECT_EQ(step.ids, (std::vector<long>{7, 9}));
    EXPECT_EQ(step.cyclicCount, 2);
    step = neighbours(pf, 5, 5, 5, 9, 7);
    EXPECT_TRUE(step.voxels.empty());
    step = neighbours(pf, 5, 5, 5, 8, 9);
    EXPECT_EQ(step.voxels, (Coords{{4, 5, 5}}));

    std::unique_ptr<VisitableNeighbours> nb(pf.getUnvisitedNeighbours(9, 5, 5, -1, -1));
    ASSERT_EQ(nb->getNeighbourCount(), 1u);
    EXPECT_EQ(failure([&] { nb->getNeighbour(1); }),
              "VisitableNeighbours::isCyclic(): wrong index");
    EXPECT_EQ(failure([&] { nb->getVesselId(1); }), "VisitableNeighbours::isCyclic(): wrong index");
    EXPECT_EQ(failure([&] { nb->isCyclic(5); }), "VisitableNeighbours::isCyclic(): wrong index");
}

// The reduced cluster of the T, worked by hand from the reference voxel (4,5,5): the N18 edges
// (5,6)-(6,5) and (4,5)-(5,6) close cycles and go; the N6 star around (5,5) stays. So the walk
// from the bar's left end passes (3,5) -> (4,5) -> (5,5) and splits there towards (5,6) and
// (6,5).
TEST_F(TFixture, WalkThroughTheReducedCluster) {
    PathFinder pf(s.get(), f.get(), nullptr, false);
    for (int x = 1; x <= 3; ++x) pf.markVisited({static_cast<short>(x), 5, 5}, 1);

    EXPECT_EQ(failure([&] { pf.getUnvisitedNeighbours(5, 5, 5, 1, 1); }),
              "PathFinder::getUnvisitedNeighbours():  BRANCHPOINT without cluster found");
    EXPECT_EQ(neighbours(pf, 3, 5, 5, 1, 1).voxels, (Coords{{4, 5, 5}}));  // grows the cluster
    pf.markVisited({4, 5, 5}, 1);
    EXPECT_EQ(neighbours(pf, 4, 5, 5, 1, 1).voxels, (Coords{{5, 5, 5}}));
    pf.markVisited({5, 5, 5}, 1);
    EXPECT_EQ(neighbours(pf, 5, 5, 5, 1, 1).voxels, (Coords{{5, 6, 5}, {6, 5, 5}}));
    EXPECT_EQ(neighbours(pf, 5, 6, 5, 1, 1).voxels, (Coords{{5, 7, 5}}));
    EXPECT_EQ(neighbours(pf, 7, 5, 5, -1, -1).voxels, (Coords{{6, 5, 5}, {8, 5, 5}}));

    // A second copy grown from (6,5): its nodes start (6,5), (5,6), (5,5), (7,5), (5,7), (4,5);
    // the mirrored priorities give the same star, listed in this copy's node order.
    BranchingCluster* again = pf.growBranchingCluster({6, 5, 5});
    std::unique_ptr<ShortVectorList> round(again->getNeighbours({5, 5, 5}));
    EXPECT_EQ(coords(*round), (Coords{{6, 5, 5}, {5, 6, 5}, {4, 5, 5}}));
    EXPECT_EQ(failure([&] {
                  pf.growBranchingCluster({3, 5, 5});
              }),
              "PathFinder::growBranchingCluster():  branchPoint != BRANCHPOINT");
}

TEST_F(TFixture, BadLabelsInTheVolume) {
    Vector3<short> start{1, 5, 5};
    draw<unsigned char>(*s, {{1, 1, 1}, {2, 1, 1}}, 1);  // a component the start does not reach
    PathFinder pf(s.get(), f.get(), &start, false);
    EXPECT_EQ(failure([&] { pf.getUnvisitedNeighbours(1, 1, 1, -1, -1); }),
              "PathFinder::getUnvisitedNeighbours(): unlabeled voxel found");
    EXPECT_EQ(failure([&] { pf.getUnvisitedNeighbours(0, 0, 0, -1, -1); }),
              "PathFinder::getUnvisitedNeighbours():  unknown data in volume");
    EXPECT_EQ(failure([&] { pf.getUnvisitedNeighbours(-1, 5, 5, -1, -1); }),
              "PathFinder::getUnvisitedNeighbours():  unknown data in volume");

    s->setVoxel(9, 6, 5, 1);
    EXPECT_EQ(failure([&] { pf.getUnvisitedNeighbours(8, 5, 5, -1, -1); }),
              "PathFinder::getUnvisitedNeighbours():  UNLABELED neighbour of EDGEPOINT or "
              "ENDPOINT");
    s->setVoxel(7, 6, 5, 1);
    EXPECT_EQ(failure([&] { pf.getUnvisitedNeighbours(7, 5, 5, -1, -1); }),
              "PathFinder::getUnvisitedNeighbours():  UNLABELED neighbour of EXITPOINT");
    s->setVoxel(7, 6, 5, 0);
    s->setVoxel(9, 6, 5, 5);
    EXPECT_EQ(failure([&] { pf.getUnvisitedNeighbours(9, 5, 5, -1, -1); }),
              "PathFinder::getUnvisitedNeighbours():  BRANCHPOINT neighbour of EDGEPOINT or "
              "ENDPOINT");
    s->setVoxel(9, 6, 5, 9);  // values above 5 are skipped
    EXPECT_EQ(neighbours(pf, 9, 5, 5, -1, -1).voxels, (Coords{{8, 5, 5}}));
    s->setVoxel(9, 5, 5, 6);
    EXPECT_EQ(failure([&] { pf.getUnvisitedNeighbours(9, 5, 5, -1, -1); }),
              "PathFinder::getUnvisitedNeighbours():  unknown data in volume");
}

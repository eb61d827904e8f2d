#include "ExtractionTestUtil.h"

#include <angiolith/extraction/PathFinder.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

using namespace extraction_test;

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

// The T of SkeletonGraphExtractorTest: bar x = 1..9 at (y 5, z 5), stem (5, 6..9, 5).
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

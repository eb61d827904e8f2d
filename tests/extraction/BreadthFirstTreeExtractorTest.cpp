#include "ExtractionTestUtil.h"
#include "support/VesselTrees.h"

#include <angiolith/extraction/BreadthFirstTreeExtractor.h>
#include <angiolith/tree/TreeIterator.h>

#include <gtest/gtest.h>

#include <list>
#include <vector>

using namespace extraction_test;

namespace {

using Positions = std::vector<std::array<float, 3>>;

Positions lineX(int x0, int x1, int y, int z) {
    Positions p;
    for (int x = x0; x0 <= x1 ? x <= x1 : x >= x1; x += x0 <= x1 ? 1 : -1) {
        p.push_back({static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)});
    }
    return p;
}

// The skeleton's voxels as a list of points with the given distance, freed at the end.
struct SkeletonPoints {
    SkeletonPoints(const VolumeAccessor<unsigned char>& s, float distance) {
        for (short z = 0; z < static_cast<short>(s.getSizeZ()); ++z)
            for (short y = 0; y < static_cast<short>(s.getSizeY()); ++y)
                for (short x = 0; x < static_cast<short>(s.getSizeX()); ++x)
                    if (s.getVoxel(x, y, z) != 0)
                        list.push_back(new DistancePoint3D(x, y, z, distance, 0, 0));
    }
    ~SkeletonPoints() {
        for (DistancePoint3D* p : list) delete p;
    }
    std::list<DistancePoint3D*> list;
};

// The vessels that a fresh extractor finds on @p s with a constant distance field of @p distance
// (a cube of @p fieldSize voxels), from @p start when given.
std::vector<VesselSummary> extractWithField(Skeleton& s, int fieldSize, float distance,
                                            Point3D* start = nullptr) {
    Field f = constantField(fieldSize, distance);
    ArVesselTree tree = BreadthFirstTreeExtractor().getTreeDF(s.get(), f.get(), start);
    return summarize(tree);
}

// Every test leaves no tree handle behind.
class BreadthFirstTreeExtractorTest : public angiolith::test::HandleTableTest {};

}  // namespace

TEST_F(BreadthFirstTreeExtractorTest, StraightLineIsOneVessel) {
    Skeleton s = makeVolume<unsigned char>(12, 12, 12);
    drawLineX<unsigned char>(*s, 2, 9, 5, 5, 1);
    const std::vector<VesselSummary> vessels = extractWithField(s, 12, 1.0f);
    ASSERT_EQ(vessels.size(), 1u);
    EXPECT_EQ(vessels[0].id, 1);
    EXPECT_EQ(vessels[0].cyclicId, -1);
    EXPECT_EQ(vessels[0].positions, lineX(2, 9, 5, 5));
    EXPECT_EQ(vessels[0].diameters, std::vector<float>(8, 1.0f));  // (1 - 0.5) * 2
}

// The T of the path finder tests: the root runs from the bar's left end through the exit (3,5)
// and the cluster to (5,5), where the reduced cluster splits; children 2 (up the stem) and 3
// (along the bar) start there.
TEST_F(BreadthFirstTreeExtractorTest, TJunctionGivesTwoChildren) {
    Skeleton s = makeVolume<unsigned char>(11, 11, 11);
    drawT(*s);
    SkeletonPoints points(*s, 2.0f);
    BreadthFirstTreeExtractor extractor;
    ArVesselTree tree = extractor.getTree(s.get(), &points.list);
    const std::vector<VesselSummary> v = summarize(tree);
    ASSERT_EQ(v.size(), 3u);
    EXPECT_EQ(v[0].id, 1);
    EXPECT_EQ(v[0].positions, lineX(1, 5, 5, 5));
    EXPECT_EQ(v[1].id, 2);
    EXPECT_EQ(v[1].parentId, 1);
    EXPECT_EQ(v[1].positions, (Positions{{5, 5, 5}, {5, 6, 5}, {5, 7, 5}, {5, 8, 5}, {5, 9, 5}}));
    EXPECT_EQ(v[2].id, 3);
    EXPECT_EQ(v[2].parentId, 1);
    EXPECT_EQ(v[2].positions, lineX(5, 9, 5, 5));
    for (const VesselSummary& vessel : v) {
        EXPECT_EQ(vessel.cyclicId, -1);
        EXPECT_EQ(vessel.diameters, std::vector<float>(vessel.positions.size(), 3.0f));
    }
}

// A ring of 20 edge voxels (a square with cut corners) in the plane z = 4. The start is the
// first voxel scanned, (3,2); both ring directions leave it, so the root ends at once with
// children 2 (towards (2,3)) and 3 (towards (4,2)). Vessel 2 is tracked first (equal priority,
// pushed first), runs all the way round and stops next to (4,2): cyclicId 3. Vessel 3 then sees
// only (5,2), which vessel 2 owns: cyclicId 2.
TEST_F(BreadthFirstTreeExtractorTest, LoopClosesOnAnotherVessel) {
    Skeleton s = makeVolume<unsigned char>(11, 11, 9);
    for (int t = 3; t <= 7; ++t) {
        draw<unsigned char>(*s, {{t, 2, 4}, {t, 8, 4}, {2, t, 4}, {8, t, 4}}, 1);
    }
    const std::vector<VesselSummary> v = extractWithField(s, 11, 1.5f);
    ASSERT_EQ(v.size(), 3u);
    EXPECT_EQ(v[0].positions, (Positions{{3, 2, 4}}));
    EXPECT_EQ(v[1].id, 2);
    EXPECT_EQ(v[1].positions.size(), 19u);
    EXPECT_EQ(v[1].positions[1], (std::array<float, 3>{2, 3, 4}));
    EXPECT_EQ(v[1].positions.back(), (std::array<float, 3>{5, 2, 4}));
    EXPECT_EQ(v[1].cyclicId, 3);
    EXPECT_EQ(v[2].id, 3);
    EXPECT_EQ(v[2].positions, (Positions{{3, 2, 4}, {4, 2, 4}}));
    EXPECT_EQ(v[2].cyclicId, 2);
}

TEST_F(BreadthFirstTreeExtractorTest, SpacingScalesPositionsAndDiameters) {
    {
        Skeleton s = makeVolume<unsigned char>(10, 10, 10);
        drawLineX<unsigned char>(*s, 2, 6, 6, 3, 1);
        s->setVoxelSizeX(0.5f);
        s->setVoxelSizeY(0.5f);
        s->setVoxelSizeZ(2.0f);
        Point3D start(6, 6, 3);
        const std::vector<VesselSummary> v = extractWithField(s, 10, 1.0f, &start);
        ASSERT_EQ(v.size(), 1u);
        // Voxel (4,6,3) is at (2,3,6).
        EXPECT_EQ(v[0].positions,
                  (Positions{{3, 3, 6}, {2.5, 3, 6}, {2, 3, 6}, {1.5, 3, 6}, {1, 3, 6}}));
    }
    // Spacings (2, 1, 1), distance 3: the field variant subtracts half the x spacing, the list
    // variant half the smallest spacing.
    Skeleton s = makeVolume<unsigned char>(10, 10, 10);
    drawLineX<unsigned char>(*s, 2, 4, 5, 5, 1);
    s->setVoxelSizeX(2.0f);
    Field f = constantField(10, 3.0f);
    SkeletonPoints points(*s, 3.0f);
    Point3D start(2, 5, 5);
    BreadthFirstTreeExtractor extractor;
    ArVesselTree byField = extractor.getTreeDF(s.get(), f.get(), &start);
    ArVesselTree byList = extractor.getTree(s.get(), &points.list, &start);
    EXPECT_EQ(summarize(byField)[0].diameters, std::vector<float>(3, 4.0f));
    EXPECT_EQ(summarize(byList)[0].diameters, std::vector<float>(3, 5.0f));
    EXPECT_EQ(summarize(byList)[0].positions, (Positions{{4, 5, 5}, {6, 5, 5}, {8, 5, 5}}));
}

TEST_F(BreadthFirstTreeExtractorTest, SingleVoxelAndRepeatedCalls) {
    Skeleton s = makeVolume<unsigned char>(5, 5, 5);
    s->setVoxel(2, 2, 2, 1);
    Field f = constantField(5, 1.0f);
    BreadthFirstTreeExtractor extractor;
    ArVesselTree tree = extractor.getTreeDF(s.get(), f.get());
    const std::vector<VesselSummary> v = summarize(tree);
    ASSERT_EQ(v.size(), 1u);
    EXPECT_EQ(v[0].positions, (Positions{{2, 2, 2}}));
    EXPECT_EQ(at(*s, 2, 2, 2), ENDPOINT);  // labels stay

    // The volume is labelled now. A start voxel is snapped only onto voxels with one or two
    // skeleton neighbours, which an isolated voxel does not have; on a line a second call with
    // a start voxel works on the labels left by the first.
    drawLineX<unsigned char>(*s, 1, 3, 4, 4, 1);
    ArVesselTree line = extractor.getTreeDF(s.get(), f.get());
    Point3D start(0, 4, 4);
    ArVesselTree again = extractor.getTreeDF(s.get(), f.get(), &start);
    EXPECT_EQ(summarize(line)[0].positions, lineX(1, 3, 4, 4));
    EXPECT_EQ(summarize(again)[0].positions, lineX(1, 3, 4, 4));
}

// A 2 x 2 x 2 cube: every voxel has seven neighbours, so the start is a branch voxel that no
// cluster holds. The path finder's exception leaves the extractor; nothing of the call leaks
// (the sanitizer build checks) and the tree handles are all released (the fixture checks).
TEST_F(BreadthFirstTreeExtractorTest, ExceptionFromTheWalkLeaksNothing) {
    Skeleton s = makeVolume<unsigned char>(6, 6, 6);
    for (int z = 2; z <= 3; ++z)
        for (int y = 2; y <= 3; ++y) drawLineX<unsigned char>(*s, 2, 3, y, z, 1);
    SkeletonPoints points(*s, 1.0f);
    BreadthFirstTreeExtractor extractor;
    EXPECT_EQ(failure([&] { extractor.getTree(s.get(), &points.list); }),
              "PathFinder::getUnvisitedNeighbours():  BRANCHPOINT without cluster found");
}

#include "ExtractionTestUtil.h"

#include <angiolith/extraction/BranchingCluster.h>

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>

using namespace extraction_test;

namespace {

Coords neighboursOf(BranchingCluster& cluster, Vector3<short> v) {
    std::unique_ptr<ShortVectorList> list(cluster.getNeighbours(v));
    return coords(*list);
}

struct Edge {
    unsigned short a, b;
    EdgeType type;
};

// Adds @p edges once each, in the given order (the order decides ties in the queues).
void addEdges(BranchingCluster& c, std::initializer_list<Edge> edges) {
    for (const Edge& e : edges) c.addEdge(e.a, e.b, e.type);
}

// Adds every edge from both of its ends, as the growth of a cluster from a skeleton does.
void addBothWays(BranchingCluster& c, unsigned short a, unsigned short b, EdgeType t) {
    c.addEdge(a, b, t);
    c.addEdge(b, a, t);
}

}  // namespace

TEST(BranchingCluster, EdgePriorityIsSquaredMidpointDistanceFromFirstNode) {
    BranchingCluster c(new ShortVectorList{{2, 2, 2}, {3, 2, 2}, {3, 3, 3}});
    // midpoint (3, 2.5, 2.5): 1 + 0.25 + 0.25
    EXPECT_FLOAT_EQ(c.getEdgePriority(Vector3<short>{3, 2, 2}, Vector3<short>{3, 3, 3}), 1.5f);
    EXPECT_FLOAT_EQ(c.getEdgePriority(0, 1), 0.25f);
    EXPECT_FLOAT_EQ(c.getEdgePriority(Vector3<short>{-2, 2, 2}, Vector3<short>{2, 2, 2}), 4.0f);
}

TEST(BranchingCluster, OneBranchVoxelWithThreeExitsKeepsEveryEdge) {
    BranchingCluster c(new ShortVectorList{{5, 5, 5}, {4, 6, 5}, {6, 6, 5}, {5, 4, 5}});
    for (unsigned short exit = 1; exit <= 3; ++exit) addBothWays(c, 0, exit, EXIT_EDGE);
    EXPECT_EQ(c.reduce(), 0);
    EXPECT_EQ(neighboursOf(c, {5, 5, 5}), (Coords{{4, 6, 5}, {6, 6, 5}, {5, 4, 5}}));
    EXPECT_EQ(neighboursOf(c, {6, 6, 5}), (Coords{{5, 5, 5}}));
    EXPECT_EQ(c.getEdge(1, 2), NO_EDGE);
    EXPECT_EQ(c.getEdge(Vector3<short>{5, 4, 5}, Vector3<short>{5, 5, 5}), EXIT_EDGE);
    EXPECT_TRUE(c.contains({4, 6, 5}));
    EXPECT_FALSE(c.contains({4, 4, 5}));
}

// Three branch voxels in an L: the corner-cutting N18 edge closes the only cycle and goes; both
// of its queued copies count as removals (the second finds the edge already gone).
TEST(BranchingCluster, LOfThreeBranchVoxelsLosesItsDiagonal) {
    BranchingCluster c(new ShortVectorList{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}});
    addBothWays(c, 0, 1, N6_EDGE);
    addBothWays(c, 1, 2, N6_EDGE);
    addBothWays(c, 0, 2, N18_EDGE);
    EXPECT_TRUE(c.isRemovableEdge(0, 2));  // a triangle: every edge lies on the cycle
    EXPECT_TRUE(c.isRemovableEdge(Vector3<short>{0, 0, 0}, Vector3<short>{1, 0, 0}));
    EXPECT_EQ(c.getEdge(0, 2), N18_EDGE);  // the test leaves the edge in place
    EXPECT_EQ(c.reduce(), 2);
    EXPECT_FALSE(c.isRemovableEdge(Vector3<short>{0, 0, 0}, Vector3<short>{1, 0, 0}));
    EXPECT_EQ(c.getEdge(0, 2), NO_EDGE);
    EXPECT_EQ(c.getEdge(2, 0), NO_EDGE);
    EXPECT_EQ(c.getEdge(0, 1), N6_EDGE);
    EXPECT_EQ(c.getEdge(2, 1), N6_EDGE);
    EXPECT_EQ(c.reduce(), 0);  // the queues are empty now
}

// An exit voxel touching two branch voxels keeps the exit edge nearer the reference voxel.
TEST(BranchingCluster, ExitTouchingTwoBranchVoxelsKeepsTheNearerEdge) {
    // E = (1,1,0) touches B0 = (0,0,0) (midpoint distance² 0.5) and B1 = (1,0,0) (1.25).
    BranchingCluster c(new ShortVectorList{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}});
    addBothWays(c, 0, 1, N6_EDGE);
    addBothWays(c, 0, 2, EXIT_EDGE);
    addBothWays(c, 1, 2, EXIT_EDGE);
    c.reduce();
    EXPECT_EQ(c.getEdge(0, 2), EXIT_EDGE);
    EXPECT_EQ(c.getEdge(1, 2), NO_EDGE);
    EXPECT_EQ(neighboursOf(c, {1, 1, 0}), (Coords{{0, 0, 0}}));
}

// A 2 x 2 square of branch voxels: both diagonals go, then of the two face edges farthest from
// the reference voxel (equal priority 1.25) the one on top of the heap goes. Pushed in the order
// (0,1) 0.25, (0,2) 0.25, (1,3) 1.25, (2,3) 1.25, the heap holds (1,3) on top: it is removed and
// (2,3) stays.
TEST(BranchingCluster, SquareKeepsASpanningTreeChosenByHeapOrder) {
    BranchingCluster c(new ShortVectorList{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}});
    addEdges(c, {{0, 1, N6_EDGE},
                 {0, 2, N6_EDGE},
                 {1, 3, N6_EDGE},
                 {2, 3, N6_EDGE},
                 {0, 3, N18_EDGE},
                 {1, 2, N18_EDGE}});
    EXPECT_EQ(c.reduce(), 3);
    EXPECT_EQ(c.getEdge(1, 3), NO_EDGE);
    EXPECT_EQ(c.getEdge(2, 3), N6_EDGE);
    EXPECT_EQ(neighboursOf(c, {1, 1, 0}), (Coords{{0, 1, 0}}));
    EXPECT_EQ(neighboursOf(c, {0, 0, 0}), (Coords{{1, 0, 0}, {0, 1, 0}}));

    // Reversing the pushes of the two far edges reverses the choice.
    BranchingCluster d(new ShortVectorList{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}});
    addEdges(d, {{0, 1, N6_EDGE}, {0, 2, N6_EDGE}, {2, 3, N6_EDGE}, {1, 3, N6_EDGE}});
    EXPECT_EQ(d.reduce(), 1);
    EXPECT_EQ(d.getEdge(2, 3), NO_EDGE);
    EXPECT_EQ(d.getEdge(1, 3), N6_EDGE);
}

// OTHER_EDGE is stored and counts for connectivity but is never queued, so a queued edge of
// the same cycle goes instead.
TEST(BranchingCluster, OtherEdgeIsNeverRemoved) {
    BranchingCluster c(new ShortVectorList{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}});
    c.addEdge(0, 1, N6_EDGE);
    c.addEdge(1, 2, N6_EDGE);
    c.addEdge(Vector3<short>{1, 1, 0}, Vector3<short>{0, 0, 0}, OTHER_EDGE);
    EXPECT_EQ(c.reduce(), 1);
    EXPECT_EQ(c.getEdge(0, 2), OTHER_EDGE);
    EXPECT_EQ(c.getEdge(1, 2), NO_EDGE);
    EXPECT_EQ(c.getEdge(0, 1), N6_EDGE);
}

TEST(BranchingCluster, UnsupportedStoredValueReadsAsOtherEdge) {
    BranchingCluster c(new ShortVectorList{{0, 0, 0}, {1, 0, 0}});
    testing::internal::CaptureStdout();
    EXPECT_EQ(c.getEdge(2, 0), OTHER_EDGE);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Error in VectorAdjacencyMatrix::getValueAt(...): incorrect row or column value!\n"
              "BranchingCluster::getEdge(): Nicht unterst\xFCtzter EdgeType! Gebe OTHER_EDGE "
              "zur\xFC"
              "ck\n");
}

// The queues do not own their edges, so a cluster destroyed before reduce() deletes the edges
// still queued itself; the sanitizer build's leak check fails this test otherwise.
TEST(BranchingCluster, DestroyedBeforeReduceFreesItsQueuedEdges) {
    auto c = std::make_unique<BranchingCluster>(
        new ShortVectorList{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {2, 2, 2}});
    addBothWays(*c, 0, 1, N6_EDGE);
    addBothWays(*c, 1, 2, N6_EDGE);
    addBothWays(*c, 0, 2, N18_EDGE);
    addBothWays(*c, 2, 3, N26_EDGE);
    addBothWays(*c, 3, 0, EXIT_EDGE);
    EXPECT_EQ(c->getEdge(3, 0), EXIT_EDGE);
    c.reset();
}

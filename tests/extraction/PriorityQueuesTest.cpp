// The edge and vessel queues share one binary heap, whose order for ties is worked by hand once
// and checked on both; each queue's own comparison (largest priority first) and the vessel
// queue's release of sub-tree handles are checked on their own.
#include <angiolith/extraction/EdgePriorityQueue.h>
#include <angiolith/extraction/VesselPriorityQueue.h>
#include <angiolith/tree/LinkedTree.h>

#include <gtest/gtest.h>

#include <vector>

namespace {

PriorityEdge* edge(unsigned short id, float priority) {
    return new PriorityEdge(Vector3<short>{0, 0, 0}, id, Vector3<short>{1, 0, 0}, id, N6_EDGE,
                            priority);
}

// Pops every entry, deleting it, and lists the ids @p id reads from them.
template <typename Queue, typename Id>
std::vector<long> popAll(Queue& queue, Id id) {
    std::vector<long> order;
    while (auto* entry = queue.pop()) {
        order.push_back(id(*entry));
        delete entry;
    }
    return order;
}

long edgeId(const PriorityEdge& e) { return e.getFirstIndex(); }
long vesselId(const PriorityVessel& v) { return v.getVesselId(); }

}  // namespace

TEST(EdgePriorityQueue, HighestPriorityFirstAndNullWhenEmpty) {
    EdgePriorityQueue queue;
    EXPECT_TRUE(queue.isEmpty());
    EXPECT_EQ(queue.pop(), nullptr);
    const float priorities[] = {2.0f, 9.5f, 0.25f, 4.0f, 9.0f};
    for (unsigned short i = 0; i < 5; ++i) queue.push(edge(i, priorities[i]));
    EXPECT_FALSE(queue.isEmpty());
    EXPECT_EQ(popAll(queue, edgeId), (std::vector<long>{1, 4, 3, 0, 2}));
    EXPECT_TRUE(queue.isEmpty());
}

// Four equal priorities pushed as 0, 1, 2, 3. Worked by hand with the binary-heap rules: pushes
// never move an equal entry up, so the array stays [0, 1, 2, 3]. Pop 1 takes 0, moves the hole
// to the right child (index 2, children equal) and sifts 3 in below 2: [2, 1, 3]. Pop 2 takes 2,
// the hole goes to index 1 and 3 stays below 1: [1, 3]. So the order is 0, 2, 1, 3, which a
// queue that keeps insertion order for ties would not give. Siblings in the vessel queue share
// one priority: this order decides which sibling claims shared voxels first.
TEST(PriorityQueues, TiesFollowTheBinaryHeapRules) {
    EdgePriorityQueue edges;
    VesselPriorityQueue vessels;
    for (unsigned short i = 0; i < 4; ++i) {
        edges.push(edge(i, 1.0f));
        vessels.push(new PriorityVessel(ArVesselTree(), 3.0f, 2 + i, 1));
    }
    EXPECT_EQ(popAll(edges, edgeId), (std::vector<long>{0, 2, 1, 3}));
    EXPECT_EQ(popAll(vessels, vesselId), (std::vector<long>{2, 4, 3, 5}));
}

// The pending vessels are served largest branching diameter first; deleting a vessel releases
// its sub-tree handle.
TEST(VesselPriorityQueue, LargestPriorityFirstAndDeletingReleasesTheSubTree) {
    const std::size_t handles = arBase::counter.size();
    {
        VesselPriorityQueue queue;
        EXPECT_TRUE(queue.isEmpty());
        EXPECT_EQ(queue.pop(), nullptr);
        ArVesselTree tree(new LinkedTree<ar<Vessel>>());
        queue.push(new PriorityVessel(tree, 2.5f, 7, 3));
        const float priorities[] = {1.0f, 6.0f, 0.5f, 4.0f};
        for (long i = 0; i < 4; ++i) {
            queue.push(new PriorityVessel(ArVesselTree(), priorities[i], 10 + i, 1));
        }
        EXPECT_FALSE(queue.isEmpty());
        EXPECT_EQ(popAll(queue, vesselId), (std::vector<long>{11, 13, 7, 10, 12}));
        EXPECT_TRUE(queue.isEmpty());
    }
    EXPECT_EQ(arBase::counter.size(), handles);
}

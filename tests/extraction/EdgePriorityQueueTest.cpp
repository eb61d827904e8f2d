#include <angiolith/extraction/EdgePriorityQueue.h>

#include <gtest/gtest.h>

#include <vector>

namespace {

PriorityEdge* edge(unsigned short id, float priority) {
    return new PriorityEdge(Vector3<short>{0, 0, 0}, id, Vector3<short>{1, 0, 0}, id, N6_EDGE,
                            priority);
}

std::vector<unsigned short> popAll(EdgePriorityQueue& queue) {
    std::vector<unsigned short> order;
    while (PriorityEdge* e = queue.pop()) {
        order.push_back(e->getFirstIndex());
        delete e;
    }
    return order;
}

}  // namespace

TEST(EdgePriorityQueue, HighestPriorityFirstAndNullWhenEmpty) {
    EdgePriorityQueue queue;
    EXPECT_TRUE(queue.isEmpty());
    EXPECT_EQ(queue.pop(), nullptr);
    const float priorities[] = {2.0f, 9.5f, 0.25f, 4.0f, 9.0f};
    for (unsigned short i = 0; i < 5; ++i) queue.push(edge(i, priorities[i]));
    EXPECT_FALSE(queue.isEmpty());
    EXPECT_EQ(popAll(queue), (std::vector<unsigned short>{1, 4, 3, 0, 2}));
    EXPECT_TRUE(queue.isEmpty());
}

// Four equal priorities pushed as 0, 1, 2, 3. Worked by hand with the binary-heap rules: pushes
// never move an equal entry up, so the array stays [0, 1, 2, 3]. Pop 1 takes 0, moves the hole
// to the right child (index 2, children equal) and sifts 3 in below 2: [2, 1, 3]. Pop 2 takes 2,
// the hole goes to index 1 and 3 stays below 1: [1, 3]. So the order is 0, 2, 1, 3, which a
// queue that keeps insertion order for ties would not give.
TEST(EdgePriorityQueue, TiesFollowTheBinaryHeapRules) {
    EdgePriorityQueue queue;
    for (unsigned short i = 0; i < 4; ++i) queue.push(edge(i, 1.0f));
    EXPECT_EQ(popAll(queue), (std::vector<unsigned short>{0, 2, 1, 3}));
}

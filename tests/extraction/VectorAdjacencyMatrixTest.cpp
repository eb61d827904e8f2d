#include "ExtractionTestUtil.h"

#include <angiolith/extraction/VectorAdjacencyMatrix.h>

#include <gtest/gtest.h>

#include <climits>

using extraction_test::sameVoxel;

TEST(VectorAdjacencyMatrix, IndexValuesAndRangeChecks) {
    ShortVectorList nodes{{3, 4, 5}, {-1, 0, 2}, {7, 7, 7}};
    VectorAdjacencyMatrix m(&nodes);
    EXPECT_EQ(m.getNodeCount(), 3);
    EXPECT_EQ(m.getIndex(Vector3<short>{-1, 0, 2}), 1);
    EXPECT_EQ(m.getIndex(Vector3<short>{-1, 0, 3}), 65535);
    EXPECT_TRUE(sameVoxel(m.getVector(2), Vector3<short>{7, 7, 7}));

    m.setValueAt(Vector3<short>{3, 4, 5}, Vector3<short>{7, 7, 7}, 4);
    EXPECT_EQ(m.getValueAt(0, 2), 4);
    EXPECT_EQ(m.getValueAt(2, 0), 0);  // one direction only
    m.setValueAt(3, 0, 9);             // outside: ignored silently
    m.setValueAt(0, 3, 9);

    testing::internal::CaptureStdout();
    EXPECT_EQ(m.getValueAt(3, 0), INT_MAX);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Error in VectorAdjacencyMatrix::getValueAt(...): incorrect row or column value!\n");
}

TEST(VectorAdjacencyMatrix, ConnectivityCountsOnlyPositiveEntries) {
    ShortVectorList nodes{{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}};
    VectorAdjacencyMatrix m(&nodes);
    EXPECT_FALSE(m.isConnected());
    // A path 0 - 2 - 1 - 3, entered one way only where the search direction allows it.
    m.setValueAt(0, 2, 1);
    m.setValueAt(2, 1, 1);
    m.setValueAt(1, 3, 1);
    EXPECT_TRUE(m.isConnected());
    m.setValueAt(1, 3, -4);
    EXPECT_FALSE(m.isConnected());
    m.setValueAt(3, 1, 2);  // the reverse entry does not lead from 1 to 3
    EXPECT_FALSE(m.isConnected());

    ShortVectorList single{{5, 5, 5}};
    EXPECT_TRUE(VectorAdjacencyMatrix(&single).isConnected());
}

// A long chain searched from one end: a recursive search would nest once per node.
TEST(VectorAdjacencyMatrix, LongChainIsConnected) {
    const unsigned short n = 3000;
    ShortVectorList nodes;
    for (unsigned short i = 0; i < n; ++i) nodes.push_back({static_cast<short>(i), 0, 0});
    VectorAdjacencyMatrix m(&nodes);
    for (unsigned short i = 0; i + 1 < n; ++i) {
        m.setValueAt(i, i + 1, 1);
        m.setValueAt(i + 1, i, 1);
    }
    EXPECT_TRUE(m.isConnected());
    m.setValueAt(n - 2, n - 1, 0);
    EXPECT_FALSE(m.isConnected());
}

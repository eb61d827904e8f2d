#include <angiolith/tree/Vessel.h>

#include <gtest/gtest.h>

#include <vector>

namespace {

VesselElement el(float x, float y, float z, float d = 1.0f, float s = 0.0f) {
    return VesselElement{{x, y, z}, d, s};
}

std::vector<float> reducedXs(Vessel& v) {
    std::vector<float> xs;
    for (auto it = v.reducedEelementsBegin(); it != v.reducedEelementsEnd(); ++it) {
        xs.push_back(it->position.x);
    }
    return xs;
}

// The text format and the element layout rely on these.
static_assert(sizeof(VesselElement) == 5 * sizeof(float));
static_assert(sizeof(VesselProperties::NType) == sizeof(int));

TEST(VesselTest, ReducedCentreLineKeepsParallelStepsAndLongJumps) {
    struct Case {
        const char* name;
        std::vector<VesselElement> elements;
        std::vector<float> reducedXs;
    };
    const auto alongX = [](int n) {
        std::vector<VesselElement> line;
        for (int x = 0; x < n; ++x) line.push_back(el(static_cast<float>(x), 0, 0));
        return line;
    };
    const Case cases[] = {
        {"three elements, all kept", alongX(3), {0, 1, 2}},
        // Steps along x are 0.955 rad from (1, 1, 1) and no longer than 4: only the ends stay.
        {"four along x", alongX(4), {0, 3}},
        // x = 5 is the first farther than 4 from the anchor; after it every step is parallel.
        {"ten along x", alongX(10), {0, 5, 6, 7, 8, 9}},
        // Along (1, 1, 1) every step continues the reference direction.
        {"diagonal",
         {el(0, 0, 0), el(1, 1, 1), el(2, 2, 2), el(3, 3, 3), el(4, 4, 4)},
         {0, 1, 2, 3, 4}},
        // A repeated position (zero step) is dropped, except as the last element.
        {"repeats",
         {el(0, 0, 0), el(1, 1, 1), el(1, 1, 1), el(2, 2, 2), el(2, 2, 2)},
         {0, 1, 2, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Vessel v;
        for (const VesselElement& e : c.elements) v.add(e);
        EXPECT_EQ(reducedXs(v), c.reducedXs);
        EXPECT_EQ(v.getReducedEelementsSize(), static_cast<int>(c.reducedXs.size()));
    }
}

TEST(VesselTest, ReducedCentreLineFollowsAddAndRemoveButNotDirectEdits) {
    Vessel v;
    for (int x = 0; x < 4; ++x) {
        v.add(el(static_cast<float>(x), 0, 0));
    }
    EXPECT_EQ(v.getReducedEelementsSize(), 2);
    // Edits through the element list itself leave the cache as it was.
    v.getElementsList().push_back(el(4, 0, 0));
    EXPECT_EQ(reducedXs(v), (std::vector<float>{0, 3}));
    v.add(el(5, 0, 0));
    EXPECT_EQ(reducedXs(v), (std::vector<float>{0, 5}));
    Vessel::iterator it = v.elementsBegin() + 1;
    v.remove(it);
    EXPECT_EQ(it->position.x, 2.0f);
    EXPECT_EQ(v.getSize(), 5);
    // 0 2 3 4 5: the step to 2 turns from (1,1,1), 3 and 4 too, 5 is the last.
    EXPECT_EQ(reducedXs(v), (std::vector<float>{0, 5}));

    // Below four elements the copy is not cached: direct edits show at the next access, until a
    // thinning of four or more elements has been cached.
    Vessel shortLine;
    for (int x = 0; x < 3; ++x) {
        shortLine.add(el(static_cast<float>(x), 0, 0));
    }
    EXPECT_EQ(shortLine.getReducedEelementsSize(), 3);
    shortLine.getElementsList().push_back(el(3, 0, 0));
    EXPECT_EQ(reducedXs(shortLine), (std::vector<float>{0, 3}));
    shortLine.getElementsList().push_back(el(4, 0, 0));
    EXPECT_EQ(reducedXs(shortLine), (std::vector<float>{0, 3}));
}

TEST(VesselTest, ElementAccess) {
    Vessel v;
    v.add(el(1, 2, 3, 4, 5));
    EXPECT_TRUE(v.uniqueElementsBegin() == v.uniqueElementsEnd());
    v.add(el(6, 7, 8, 9, 10));
    EXPECT_EQ(v.uniqueElementsBegin()->position.x, 6.0f);
    EXPECT_TRUE(v.uniqueElementsEnd() == v.elementsEnd());
    EXPECT_EQ(v.getElement(1).scalar, 10.0f);
    // Outside the list: an all-zero element.
    for (int i : {-1, 2, 1000}) {
        const VesselElement z = v.getElement(i);
        EXPECT_EQ(
            (std::vector<float>{z.position.x, z.position.y, z.position.z, z.diameter, z.scalar}),
            std::vector<float>(5, 0.0f));
    }
}

TEST(VesselTest, VoxelsMayBeAddedFromTheirOwnList) {
    Vessel v;
    Vector3<float> first{1, 2, 3};
    v.addVoxel(first);
    // Each append may reallocate the list the argument lives in.
    for (int i = 0; i < 100; ++i) {
        v.addVoxel(v.getVoxelList()[0]);
    }
    ASSERT_EQ(v.getVoxelList().size(), 101u);
    EXPECT_EQ(v.getVoxelList().back().z, 3.0f);
}

TEST(VesselTest, EqualityComparesPositionsAndAttributesOnly) {
    Vessel a;
    Vessel b;
    a.add(el(1, 2, 3, 4, 5));
    b.add(el(1, 2, 3, 9, 9));
    a.setId(1);
    b.setId(2);
    a.setCyclicId(3);
    Vector3<float> voxel{0, 0, 0};
    b.addVoxel(voxel);
    EXPECT_TRUE(a == b);
    Vessel copy(a);
    EXPECT_TRUE(copy == a);
    EXPECT_EQ(copy.getCyclicId(), 3);
    b.getProperties().secondFlag = true;
    EXPECT_FALSE(a == b);
    b.getProperties().secondFlag = false;
    b.getProperties().type = VesselProperties::NType(1);
    EXPECT_FALSE(a == b);
    b = a;
    EXPECT_TRUE(a == b);
    EXPECT_EQ(b.getId(), 1);
    b.add(el(1, 2, 3));
    EXPECT_FALSE(a == b);
    Vessel c;
    c.add(el(1, 2, 3.5f));
    EXPECT_FALSE(a == c);
}

}  // namespace

#include "skeleton/SkeletonTestSupport.h"

#include <angiolith/skeleton/OrderedBorderVoxelListProcessor.h>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

using skeletontest::Volume;

// A volume, its accessors and the points of chosen voxels, released together.
class Fixture {
public:
    explicit Fixture(const Volume& vol)
        : pic(skeletontest::toDescriptor(vol)), volume(pic.get(), 0, false), field() {}
    std::list<DistancePoint3D*> list(const std::vector<std::array<short, 3>>& voxels) {
        std::list<DistancePoint3D*> result;
        for (const auto& v : voxels) {
            points.push_back(std::make_unique<DistancePoint3D>(v[0], v[1], v[2], 1, 0, 0));
            result.push_back(points.back().get());
        }
        return result;
    }
    Volume current() const { return skeletontest::fromDescriptor(pic.get()); }

    angiolith::test::PicPtr pic;
    VolumeAccessor<unsigned char> volume;
    VolumeAccessor<float> field;
    std::vector<std::unique_ptr<DistancePoint3D>> points;
};

// Answers "simple" for every voxel and records, for each call, how many object neighbours it
// saw (times 100) plus the index of the first one.
class RecordingEvaluator : public SimplePointEvaluator {
public:
    explicit RecordingEvaluator(std::vector<int>* calls) : calls(calls) {}
    bool isSimplePoint(unsigned char* nb) override {
        int count = 0, first = -1;
        for (int i = 0; i < 26; ++i) {
            if (nb[i] != 0 && first < 0) first = i;
            count += nb[i] != 0;
        }
        calls->push_back(count * 100 + first);
        return true;
    }

private:
    std::vector<int>* calls;
};

// Processes the candidates with an evaluator that records each call and deletes every one.
std::vector<int> recordedCalls(const Volume& vol, const std::vector<std::array<short, 3>>& voxels,
                               bool mostNeighboursFirst) {
    Fixture f(vol);
    OrderedBorderVoxelListProcessor processor(&f.volume, &f.field, mostNeighboursFirst);
    std::vector<int> calls;
    SimplePointEvaluator* original = processor.getSimplePointEvaluator();
    processor.setSimplePointEvaluator(new RecordingEvaluator(&calls));
    delete original;
    auto list = f.list(voxels);
    std::unique_ptr<std::list<DistancePoint3D*>> result(processor.processBorderVoxelList(&list));
    EXPECT_TRUE(result->empty());
    EXPECT_EQ(processor.getNumberOfDeletedVoxels(), voxels.size());
    return calls;
}

// A 2 x 2 square of voxels (1..2, 1..2, 1).
Volume square() {
    Volume vol(4, 4, 3);
    for (int y = 1; y <= 2; ++y)
        for (int x = 1; x <= 2; ++x) vol.set(x, y, 1);
    return vol;
}

}  // namespace

TEST(OrderedBorderVoxelListProcessor, TriesCandidatesByNeighbourCountClass) {
    // Three separate clusters; the candidates at x = 2, 7, 13 have 1, 2 and 3 object neighbours.
    Volume vol(20, 5, 5);
    for (int x : {1, 2, 6, 7, 8, 12, 13, 14}) vol.set(x, 2, 2);
    vol.set(13, 3, 2);
    // Distribution in list order, then deletion from the highest bucket down.
    for (bool mostFirst : {true, false}) {
        std::vector<int> calls = recordedCalls(vol, {{7, 2, 2}, {2, 2, 2}, {13, 2, 2}}, mostFirst);
        for (int& c : calls) c /= 100;
        EXPECT_EQ(calls, mostFirst ? (std::vector<int>{2, 1, 3, 3, 2, 1})
                                   : (std::vector<int>{2, 1, 3, 1, 2, 3}));
    }
}

TEST(OrderedBorderVoxelListProcessor, HigherBorderTypeCodeFirstWithinAClass) {
    // Two pairs: one along z, one along x. The border type code has one bit per border test
    // that holds, in the order -y, +y, -x, +x, -z, +z (lowest first): the candidate with its
    // neighbour at +z has code 31 (every test but +z holds), the one with its neighbour at +x
    // code 55 (all but +x).
    Volume vol(12, 5, 5);
    vol.set(2, 2, 2);
    vol.set(2, 2, 3);
    vol.set(8, 2, 2);
    vol.set(9, 2, 2);
    // One neighbour each, at index 4 (+z) and 13 (+x): distributed in list order, deleted
    // x-pair first.
    EXPECT_EQ(recordedCalls(vol, {{2, 2, 2}, {8, 2, 2}}, true),
              (std::vector<int>{104, 113, 113, 104}));
}

TEST(OrderedBorderVoxelListProcessor, ListsWithoutSimplePoints) {
    // A line of three, a 2 x 1 x 1 block and an isolated voxel: nothing is deletable.
    Volume vol(12, 5, 5);
    for (int x = 1; x <= 3; ++x) vol.set(x, 2, 2);
    vol.set(6, 2, 2);
    vol.set(7, 2, 2);
    vol.set(10, 2, 2);
    Fixture f(vol);
    OrderedBorderVoxelListProcessor processor(&f.volume, &f.field, true);
    auto list = f.list({{3, 2, 2}, {1, 2, 2}, {2, 2, 2}, {7, 2, 2}, {6, 2, 2}, {10, 2, 2}});
    std::unique_ptr<std::list<DistancePoint3D*>> result(processor.processBorderVoxelList(&list));
    EXPECT_EQ(*result, list);  // same elements, same order
    EXPECT_EQ(processor.getNumberOfDeletedVoxels(), 0u);
    EXPECT_EQ(f.current().v, vol.v);

    std::list<DistancePoint3D*> empty;
    std::unique_ptr<std::list<DistancePoint3D*>> none(processor.processBorderVoxelList(&empty));
    ASSERT_NE(none, nullptr);
    EXPECT_NE(none.get(), &empty);
    EXPECT_TRUE(none->empty());

    // Without an evaluator nothing is deleted (instead of a null dereference).
    Fixture h(square());
    OrderedBorderVoxelListProcessor bare(&h.volume, &h.field, true);
    delete bare.getSimplePointEvaluator();
    bare.setSimplePointEvaluator(nullptr);
    auto bareList = h.list({{1, 1, 1}, {2, 1, 1}});
    std::unique_ptr<std::list<DistancePoint3D*>> kept(bare.processBorderVoxelList(&bareList));
    EXPECT_EQ(*kept, bareList);
    EXPECT_EQ(bare.getNumberOfDeletedVoxels(), 0u);
}

// In a 2 x 2 square every voxel is simple, but each deletion is re-tested against the volume
// as it is then: two voxels go, and the two left form a diagonal pair that stays connected.
TEST(OrderedBorderVoxelListProcessor, RetestsAtDeletionTime) {
    for (bool mostFirst : {true, false}) {
        Fixture f(square());
        OrderedBorderVoxelListProcessor processor(&f.volume, &f.field, mostFirst);
        auto list = f.list({{1, 1, 1}, {2, 1, 1}, {1, 2, 1}, {2, 2, 1}});
        std::unique_ptr<std::list<DistancePoint3D*>> result(
            processor.processBorderVoxelList(&list));
        ASSERT_EQ(result->size(), 2u);
        EXPECT_EQ(processor.getNumberOfDeletedVoxels(), 2u);
        const Volume after = f.current();
        EXPECT_EQ(after.count(), 2);
        EXPECT_EQ(skeletontest::components26(after), 1);
        for (DistancePoint3D* p : *result) EXPECT_EQ(after.at(p->getX(), p->getY(), p->getZ()), 1);
        // A null list leaves the count of the last call.
        EXPECT_EQ(processor.processBorderVoxelList(nullptr), nullptr);
        EXPECT_EQ(processor.getNumberOfDeletedVoxels(), 2u);
    }
}

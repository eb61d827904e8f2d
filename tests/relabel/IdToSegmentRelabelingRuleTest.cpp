#include "cleaning/VesselTreeBuilder.h"
#include "image/PicBuilder.h"
#include "relabel/RuleFailure.h"

#include <angiolith/image/lumoTeskDescriptor.h>
#include <angiolith/relabel/IdToSegmentRelabelingRule.h>
#include <angiolith/relabel/VesselIDRelabeling.h>

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

using testtrees::makeTree;
using testtrees::vessel;

namespace {

ar<Vessel> inSegment(int id, int segment) {
    ar<Vessel> v = vessel(id, {{0, 0, 0}, {1, 0, 0}}, 1.0f);
    v->getProperties().segment = segment;
    return v;
}

// Vessels with the ids 1, 2 and 5; a second vessel 2 further down in preorder, and one vessel
// that was never numbered (-1).
ArVesselTree segmentTree() {
    return makeTree({inSegment(1, 4),
                     {{inSegment(2, 3), {{inSegment(2, 6), {}}}},
                      {inSegment(5, 8), {}},
                      {inSegment(-1, 9), {}}}});
}

}  // namespace

TEST(IdToSegmentRelabelingRule, TableFromTheTreeWithZerosForMissingIds) {
    const std::size_t counted = arBase::counter.size();
    {
        IdToSegmentRelabelingRule rule(segmentTree());
        // The tree is gone; the rule keeps only its table.
        EXPECT_EQ(arBase::counter.size(), counted);
        EXPECT_EQ(rule.getNewLabel(1), 4u);
        // The later vessel 2 in preorder wins.
        EXPECT_EQ(rule.getNewLabel(2), 6u);
        EXPECT_EQ(rule.getNewLabel(3), 0u);
        EXPECT_EQ(rule.getNewLabel(4), 0u);
        EXPECT_EQ(rule.getNewLabel(5), 8u);
        // The unnumbered vessel has no entry: nothing is written for it, not even at 0.
        EXPECT_EQ(rule.getNewLabel(0), 0u);
        // Table of 6 entries: 6 is the first id beyond it.
        EXPECT_EQ(ruleFailure(rule, 6),
                  "Range overflow: 6\nIdToSegmentRelabelingRule::getNewLabel(...): Id > size()");
        EXPECT_EQ(ruleFailure(rule, 4000000000u),
                  "Range overflow: 4000000000\n"
                  "IdToSegmentRelabelingRule::getNewLabel(...): Id > size()");
    }
    EXPECT_EQ(arBase::counter.size(), counted);
}

TEST(IdToSegmentRelabelingRule, TreesWithoutPositiveIdsGiveOneEntry) {
    const std::string overflow =
        "Range overflow: 1\nIdToSegmentRelabelingRule::getNewLabel(...): Id > size()";
    const IdToSegmentRelabelingRule empty(ArVesselTree(new LinkedTree<ar<Vessel>>()));
    EXPECT_EQ(empty.getNewLabel(0), 0u);
    EXPECT_EQ(ruleFailure(empty, 1), overflow);

    const IdToSegmentRelabelingRule none{ArVesselTree()};
    EXPECT_EQ(none.getNewLabel(0), 0u);
    EXPECT_EQ(ruleFailure(none, 1), overflow);

    // A vessel 0 has an entry; unnumbered vessels do not.
    const IdToSegmentRelabelingRule zero(
        makeTree({inSegment(-1, 7), {{inSegment(0, 5), {}}, {inSegment(-3, 2), {}}}}));
    EXPECT_EQ(zero.getNewLabel(0), 5u);
    EXPECT_EQ(ruleFailure(zero, 1), overflow);
}

TEST(IdToSegmentRelabelingRule, RelabelsAVesselIdVolumeBySegment) {
    IdToSegmentRelabelingRule rule(segmentTree());
    angiolith::test::PicPtr owner = angiolith::test::makePic<unsigned short>(
        lumoTeskTypeUnsigned, 16, {3, 2, 1}, {0, 1, 2, 3, 5, 1});
    lumoTeskDescriptor* pic = owner.get();
    auto* voxels = static_cast<unsigned short*>(pic->data);

    EXPECT_EQ(VesselIDRelabeling::relabel(pic, &rule, false), pic);
    EXPECT_EQ(std::vector<unsigned short>(voxels, voxels + 6),
              (std::vector<unsigned short>{0, 4, 6, 0, 8, 4}));

    // An id beyond the table stops the relabelling with the rule's error.
    voxels[0] = 6;
    testing::internal::CaptureStdout();
    EXPECT_THROW(VesselIDRelabeling::relabel(pic, &rule, false), std::runtime_error);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Range overflow: 6\n");
}

#include "support/Descriptors.h"
#include "support/Errors.h"
#include "support/VesselTrees.h"

#include <angiolith/image/lumoTeskDescriptor.h>
#include <angiolith/relabel/IdToResectionStatusRelabelingRule.h>
#include <angiolith/relabel/IdToSegmentRelabelingRule.h>
#include <angiolith/relabel/IdToTypeRelabelingRule.h>
#include <angiolith/relabel/VesselIDRelabeling.h>

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

using angiolith::test::makeTree;
using angiolith::test::vessel;

namespace {

// What rule.getNewLabel(id) writes to the standard output, followed by the text of the
// std::runtime_error it throws ("no error" when it returns).
std::string ruleFailure(const AbstractRelabelingRule& rule, unsigned int id) {
    testing::internal::CaptureStdout();
    const std::string text = angiolith::test::messageOf([&] { rule.getNewLabel(id); });
    return testing::internal::GetCapturedStdout() + text;
}

// One id-to-attribute rule: how to set its attribute on a vessel, how to make it and its copies,
// and the text of its range error.
struct RuleKind {
    const char* name;
    void (*setAttribute)(VesselProperties& properties, int value);
    std::unique_ptr<AbstractRelabelingRule> (*make)(ArVesselTree tree);
    std::unique_ptr<AbstractRelabelingRule> (*copy)(const AbstractRelabelingRule& rule);
    const char* rangeError;
    unsigned int defaultLabel;
};

template <typename Rule>
std::unique_ptr<AbstractRelabelingRule> makeRule(ArVesselTree tree) {
    return std::make_unique<Rule>(tree);
}

// A copy by the copy constructor and one by assignment, which must agree.
template <typename Rule>
std::unique_ptr<AbstractRelabelingRule> copyRule(const AbstractRelabelingRule& rule) {
    const Rule constructed(static_cast<const Rule&>(rule));
    auto assigned = std::make_unique<Rule>(ArVesselTree(new LinkedTree<ar<Vessel>>()));
    *assigned = constructed;
    return assigned;
}

const RuleKind kRules[] = {
    {"Segment", [](VesselProperties& p, int v) { p.segment = v; },
     makeRule<IdToSegmentRelabelingRule>, copyRule<IdToSegmentRelabelingRule>,
     "IdToSegmentRelabelingRule::getNewLabel(...): Id > size()", 1},
    {"Type", [](VesselProperties& p, int v) { p.type = static_cast<VesselProperties::NType>(v); },
     makeRule<IdToTypeRelabelingRule>, copyRule<IdToTypeRelabelingRule>,
     "IdToTypeRelabelingRule::getNewLabel(...): Id > size()!", 2},
    {"ResectionStatus", [](VesselProperties& p, int v) { p.resectionStatus = v; },
     makeRule<IdToResectionStatusRelabelingRule>, copyRule<IdToResectionStatusRelabelingRule>,
     "IdToResectionStatusRelabelingRule::getNewLabel(...): Id > size()!", 1},
};

class RelabelingRules : public testing::TestWithParam<RuleKind> {
protected:
    ar<Vessel> with(int id, int value) const {
        ar<Vessel> v = vessel(id, {{0, 0, 0}, {1, 0, 0}}, 1.0f);
        GetParam().setAttribute(v->getProperties(), value);
        return v;
    }
    std::string overflow(unsigned int id) const {
        return "Range overflow: " + std::to_string(id) + "\n" + GetParam().rangeError;
    }
};

// Vessels with the ids 1, 2 and 5; a second vessel 2 further down in preorder, one vessel with
// the default attributes and one that was never numbered (-1).
TEST_P(RelabelingRules, TableFromTheTreeWithZerosForMissingIds) {
    const std::size_t counted = arBase::counter.size();
    {
        std::unique_ptr<AbstractRelabelingRule> made =
            GetParam().make(makeTree({with(1, 4),
                                      {{with(2, 3), {{with(2, 6), {}}}},
                                       {with(5, 8), {}},
                                       {with(-1, 9), {}},
                                       {vessel(3, {{0, 0, 0}, {0, 1, 0}}, 1.0f), {}}}}));
        // The tree is gone; the rule keeps only its table.
        EXPECT_EQ(arBase::counter.size(), counted);
        const std::unique_ptr<AbstractRelabelingRule> copied = GetParam().copy(*made);
        for (const AbstractRelabelingRule* rule : {made.get(), copied.get()}) {
            const AbstractRelabelingRule& r = *rule;
            EXPECT_EQ(r.getNewLabel(1), 4u);
            // The later vessel 2 in preorder wins.
            EXPECT_EQ(r.getNewLabel(2), 6u);
            // A vessel whose attribute was never set has its default.
            EXPECT_EQ(r.getNewLabel(3), GetParam().defaultLabel);
            EXPECT_EQ(r.getNewLabel(4), 0u);
            EXPECT_EQ(r.getNewLabel(5), 8u);
            // The unnumbered vessel has no entry: nothing is written for it, not even at 0.
            EXPECT_EQ(r.getNewLabel(0), 0u);
            // Table of 6 entries: 6 is the first id beyond it.
            EXPECT_EQ(ruleFailure(r, 6), overflow(6));
            EXPECT_EQ(ruleFailure(r, 4000000000u), overflow(4000000000u));
        }
    }
    EXPECT_EQ(arBase::counter.size(), counted);
}

TEST_P(RelabelingRules, TreesWithoutPositiveIdsGiveOneEntry) {
    for (ArVesselTree tree : {ArVesselTree(new LinkedTree<ar<Vessel>>()), ArVesselTree()}) {
        std::unique_ptr<AbstractRelabelingRule> rule = GetParam().make(tree);
        EXPECT_EQ(rule->getNewLabel(0), 0u);
        EXPECT_EQ(ruleFailure(*rule, 1), overflow(1));
    }
    // A vessel 0 has an entry; unnumbered vessels do not.
    std::unique_ptr<AbstractRelabelingRule> zero =
        GetParam().make(makeTree({with(-1, 7), {{with(0, 5), {}}, {with(-3, 2), {}}}}));
    EXPECT_EQ(zero->getNewLabel(0), 5u);
    EXPECT_EQ(ruleFailure(*zero, 1), overflow(1));
}

// A volume where every id recurs many times, labels above 16 bits among them: each voxel gets
// its vessel's label (low 16 bits) as the rule answers it for that id alone. An id beyond the
// table further on stops the relabelling there, with the rule's one line and error, the voxels
// before it relabelled and those from it on untouched.
TEST_P(RelabelingRules, VolumesGetEveryVoxelsLabelAndStopAtTheFirstIdBeyondTheTable) {
    const std::unique_ptr<AbstractRelabelingRule> rule = GetParam().make(
        makeTree({with(1, 4), {{with(2, 70000), {{with(7, 9), {}}}}, {with(5, 65535), {}}}}));
    std::vector<unsigned short> ids;
    for (unsigned int i = 0; i < 24 * 10 * 5; ++i) {
        ids.push_back(static_cast<unsigned short>(i % 11 < 8 ? i % 8 : 0));
    }
    std::vector<unsigned short> expected;
    for (unsigned short id : ids) {
        expected.push_back(id == 0 ? 0 : static_cast<unsigned short>(rule->getNewLabel(id)));
    }
    angiolith::test::PicPtr copySource =
        angiolith::test::makePic<unsigned short>(lumoTeskTypeUnsigned, 16, {24, 10, 5}, ids);
    angiolith::test::PicPtr copy(VesselIDRelabeling::relabel(copySource.get(), rule.get(), true));
    const auto* labels = static_cast<const unsigned short*>(copy->data);
    EXPECT_EQ(std::vector<unsigned short>(labels, labels + ids.size()), expected);
    EXPECT_EQ(expected[2], static_cast<unsigned short>(70000u & 0xffff));

    const std::size_t beyond = 700;
    ids[beyond] = 8;
    angiolith::test::PicPtr pic =
        angiolith::test::makePic<unsigned short>(lumoTeskTypeUnsigned, 16, {24, 10, 5}, ids);
    testing::internal::CaptureStdout();
    const std::string error = angiolith::test::messageOf(
        [&] { VesselIDRelabeling::relabel(pic.get(), rule.get(), false); });
    EXPECT_EQ(testing::internal::GetCapturedStdout() + error, overflow(8));
    const auto* voxels = static_cast<const unsigned short*>(pic->data);
    for (std::size_t i = 0; i < ids.size(); ++i) {
        ASSERT_EQ(voxels[i], i < beyond ? expected[i] : ids[i]) << "voxel " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(IdTo, RelabelingRules, testing::ValuesIn(kRules),
                         [](const testing::TestParamInfo<RuleKind>& info) {
                             return std::string(info.param.name);
                         });

TEST(IdToSegmentRelabelingRule, RelabelsAVesselIdVolumeBySegment) {
    auto inSegment = [](int id, int segment) {
        ar<Vessel> v = vessel(id, {{0, 0, 0}, {1, 0, 0}}, 1.0f);
        v->getProperties().segment = segment;
        return v;
    };
    IdToSegmentRelabelingRule rule(makeTree(
        {inSegment(1, 4), {{inSegment(2, 3), {{inSegment(2, 6), {}}}}, {inSegment(5, 8), {}}}}));
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

}  // namespace

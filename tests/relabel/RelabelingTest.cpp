// Relabelling a vessel-id volume: the walk over the voxels with any rule, and the three
// id-to-attribute rules built from a tree, one parameterised suite.
#include "support/Descriptors.h"
#include "support/Errors.h"
#include "support/VesselTrees.h"

#include <angiolith/image/lumoTeskDescriptor.h>
#include <angiolith/relabel/IdToResectionStatusRelabelingRule.h>
#include <angiolith/relabel/IdToSegmentRelabelingRule.h>
#include <angiolith/relabel/IdToTypeRelabelingRule.h>
#include <angiolith/relabel/VesselIDRelabeling.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using angiolith::test::makeTree;
using angiolith::test::vessel;

using Picture = angiolith::test::PicPtr;

// A 3-D volume of the given kind holding the given 16-bit values (x fastest).
Picture makeVolume(const std::vector<unsigned short>& values, unsigned int nx, unsigned int ny,
                   unsigned int nz, lumoTeskType_t type = lumoTeskTypeUnsigned,
                   unsigned int bits = 16) {
    return angiolith::test::makePic(type, bits, {nx, ny, nz}, values);
}

std::vector<unsigned short> voxelsOf(const lumoTeskDescriptor* pic) {
    const auto* data = static_cast<const unsigned short*>(pic->data);
    return {data, data + _lumoTeskElements(pic)};
}

// Label = factor * id (10 unless given); counts its calls and refuses ids above a limit like the
// table rules do.
class TimesTenRule : public AbstractRelabelingRule {
public:
    explicit TimesTenRule(unsigned int limit = 1000, unsigned int factor = 10)
        : limit(limit), factor(factor) {}
    unsigned int getNewLabel(const unsigned int& id) const override {
        ++calls;
        if (id > limit) {
            throw std::runtime_error("too large");
        }
        return factor * id;
    }
    mutable int calls = 0;

private:
    unsigned int limit, factor;
};

std::string thrownText(lumoTeskDescriptor* pic, AbstractRelabelingRule* rule, bool clone) {
    return angiolith::test::messageOf([&] { VesselIDRelabeling::relabel(pic, rule, clone); });
}

// In place the caller's volume is rewritten and returned; a copy is the descriptor library's
// clone (whose header, version and tags are checked with it), relabelled, and the source stays as
// it was. One question per non-zero voxel, none for the background. A rule failing on a copy
// leaves the source untouched and does not leak the copy (the sanitizer build checks); in place,
// the relabelling stops at the failing voxel (the rules' suite below checks).
TEST(VesselIDRelabeling, RelabelsInPlaceOrOnACopy) {
    const std::vector<unsigned short> ids{0, 1, 2, 0, 3, 1}, labels{0, 10, 20, 0, 30, 10};
    for (bool clone : {false, true}) {
        SCOPED_TRACE(clone ? "copy" : "in place");
        Picture pic = makeVolume(ids, 3, 2, 1);
        TimesTenRule rule;
        lumoTeskDescriptor* result = VesselIDRelabeling::relabel(pic.get(), &rule, clone);
        const Picture copy(clone ? result : nullptr);
        EXPECT_EQ(result == pic.get(), !clone);
        EXPECT_EQ(voxelsOf(result), labels);
        EXPECT_EQ(voxelsOf(pic.get()), clone ? ids : labels);
        angiolith::test::expectHeader(result, lumoTeskTypeUnsigned, 16, {3, 2, 1});
        EXPECT_EQ(rule.calls, 4);
    }
    TimesTenRule rule(2);
    Picture source = makeVolume(ids, 3, 2, 1);
    EXPECT_THROW(VesselIDRelabeling::relabel(source.get(), &rule, true), std::runtime_error);
    EXPECT_EQ(voxelsOf(source.get()), ids);
}

TEST(VesselIDRelabeling, StoresTheLowSixteenBitsOfTheLabel) {
    struct Case {
        const char* what;
        std::vector<unsigned short> ids;
        unsigned int factor;
        std::vector<unsigned short> labels;
    };
    const Case cases[] = {
        {"0x12345 keeps 0x2345", {1, 0}, 0x12345u, {0x2345, 0}},
        {"a multiple of 65536 turns a vessel voxel into background", {1}, 0x10000u, {0}},
        // Ids up to 65535 reach the rule unchanged: 655350 = 9 * 65536 + 65526.
        {"the largest id", {65535}, 10, {65526}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Picture pic = makeVolume(c.ids, static_cast<unsigned int>(c.ids.size()), 1, 1);
        TimesTenRule rule(70000, c.factor);
        VesselIDRelabeling::relabel(pic.get(), &rule, false);
        EXPECT_EQ(voxelsOf(pic.get()), c.labels);
    }
}

TEST(VesselIDRelabeling, RejectsMissingArgumentsWrongDimensionAndWrongKind) {
    const std::string nullText = "Error in VesselIDRelabeling::relabel(...): parameter == NULL!";
    const std::string dimText = "Error in VesselIDRelabeling::relabel(...): pic->dim!=3";
    const std::string kindText =
        "Error in VesselIDRelabeling::relabel(...): wrong datatype (!=lumoUInt2_t)";
    TimesTenRule rule;
    Picture pic = makeVolume({1, 2}, 2, 1, 1);
    EXPECT_EQ(thrownText(nullptr, &rule, false), nullText);
    EXPECT_EQ(thrownText(pic.get(), nullptr, true), nullText);

    Picture flat = makeVolume({1, 2, 3, 4}, 2, 2, 1);
    flat->dim = 2;
    EXPECT_EQ(thrownText(flat.get(), &rule, false), dimText);

    Picture bytes = makeVolume({1, 2}, 4, 1, 1, lumoTeskTypeUnsigned, 8);
    EXPECT_EQ(thrownText(bytes.get(), &rule, false), kindText);
    Picture signedShorts = makeVolume({1, 2}, 2, 1, 1, lumoTeskTypeSigned, 16);
    EXPECT_EQ(thrownText(signedShorts.get(), &rule, true), kindText);

    // A 2-D volume of the wrong kind fails on the dimension first.
    Picture flatBytes = makeVolume({1, 2}, 4, 1, 1, lumoTeskTypeUnsigned, 8);
    flatBytes->dim = 2;
    EXPECT_EQ(thrownText(flatBytes.get(), &rule, false), dimText);

    EXPECT_EQ(rule.calls, 0);
    EXPECT_EQ(voxelsOf(pic.get()), (std::vector<unsigned short>{1, 2}));
}

TEST(VesselIDRelabeling, VolumesWithoutVesselVoxelsAreUnchangedAndTheRuleIsNeverAsked) {
    TimesTenRule rule;
    Picture pic = makeVolume(std::vector<unsigned short>(24, 0), 2, 3, 4);
    EXPECT_EQ(VesselIDRelabeling::relabel(pic.get(), &rule, false), pic.get());
    Picture copy(VesselIDRelabeling::relabel(pic.get(), &rule, true));
    EXPECT_EQ(voxelsOf(pic.get()), std::vector<unsigned short>(24, 0));
    EXPECT_EQ(voxelsOf(copy.get()), std::vector<unsigned short>(24, 0));

    // A volume without a buffer.
    std::free(pic->data);
    pic->data = nullptr;
    EXPECT_EQ(VesselIDRelabeling::relabel(pic.get(), &rule, false), pic.get());
    Picture empty(VesselIDRelabeling::relabel(pic.get(), &rule, true));
    ASSERT_NE(empty.get(), nullptr);
    EXPECT_EQ(empty->data, nullptr);
    angiolith::test::expectHeader(empty.get(), lumoTeskTypeUnsigned, 16, {2, 3, 4});
    EXPECT_EQ(rule.calls, 0);
}

TEST(VesselIDRelabeling, CopyThatCannotBeMadeIsReportedAsBadAlloc) {
    // 65536 x 65536 voxels of 2 bytes do not fit the 32-bit buffer size, so no copy is made.
    Picture pic = makeVolume({1, 2}, 65536, 65536, 1);
    TimesTenRule rule;
    EXPECT_THROW(VesselIDRelabeling::relabel(pic.get(), &rule, true), std::bad_alloc);
    EXPECT_EQ(rule.calls, 0);
    EXPECT_EQ((std::vector<unsigned short>{static_cast<unsigned short*>(pic->data)[0],
                                           static_cast<unsigned short*>(pic->data)[1]}),
              (std::vector<unsigned short>{1, 2}));
}

// What rule.getNewLabel(id) writes to the standard output, followed by the text of the
// std::runtime_error it throws ("no error" when it returns).
std::string ruleFailure(const AbstractRelabelingRule& rule, unsigned int id) {
    testing::internal::CaptureStdout();
    const std::string text = angiolith::test::messageOf([&] { rule.getNewLabel(id); });
    return testing::internal::GetCapturedStdout() + text;
}

// One id-to-attribute rule: how to set its attribute on a vessel, how to make it, and the text of
// its range error. (Copies are the compiler's, member by member.)
struct RuleKind {
    const char* name;
    void (*setAttribute)(VesselProperties& properties, int value);
    std::unique_ptr<AbstractRelabelingRule> (*make)(ArVesselTree tree);
    const char* rangeError;
    unsigned int defaultLabel;
};

template <typename Rule>
std::unique_ptr<AbstractRelabelingRule> makeRule(ArVesselTree tree) {
    return std::make_unique<Rule>(tree);
}

const RuleKind kRules[] = {
    {"Segment", [](VesselProperties& p, int v) { p.segment = v; },
     makeRule<IdToSegmentRelabelingRule>,
     "IdToSegmentRelabelingRule::getNewLabel(...): Id > size()", 1},
    {"Type", [](VesselProperties& p, int v) { p.type = static_cast<VesselProperties::NType>(v); },
     makeRule<IdToTypeRelabelingRule>, "IdToTypeRelabelingRule::getNewLabel(...): Id > size()!", 2},
    {"ResectionStatus", [](VesselProperties& p, int v) { p.resectionStatus = v; },
     makeRule<IdToResectionStatusRelabelingRule>,
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
        const AbstractRelabelingRule& r = *made;
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
    const Picture copySource = makeVolume(ids, 24, 10, 5);
    const Picture copy(VesselIDRelabeling::relabel(copySource.get(), rule.get(), true));
    const auto* labels = static_cast<const unsigned short*>(copy->data);
    EXPECT_EQ(std::vector<unsigned short>(labels, labels + ids.size()), expected);
    EXPECT_EQ(expected[2], static_cast<unsigned short>(70000u & 0xffff));

    const std::size_t beyond = 700;
    ids[beyond] = 8;
    const Picture pic = makeVolume(ids, 24, 10, 5);
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

}  // namespace

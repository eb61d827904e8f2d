#include "support/Descriptors.h"
#include "support/Errors.h"

#include <angiolith/image/lumoTeskDescriptor.h>
#include <angiolith/relabel/VesselIDRelabeling.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using angiolith::test::makeTag;
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

// Label = 10 * id; counts its calls and refuses ids above a limit like the table rules do.
class TimesTenRule : public AbstractRelabelingRule {
public:
    explicit TimesTenRule(unsigned int limit = 1000) : limit(limit) {}
    unsigned int getNewLabel(const unsigned int& id) const override {
        ++calls;
        if (id > limit) {
            throw std::runtime_error("too large");
        }
        return 10 * id;
    }
    mutable int calls = 0;

private:
    unsigned int limit;
};

class ConstantRule : public AbstractRelabelingRule {
public:
    explicit ConstantRule(unsigned int label) : label(label) {}
    unsigned int getNewLabel(const unsigned int&) const override { return label; }

private:
    unsigned int label;
};

std::string thrownText(lumoTeskDescriptor* pic, AbstractRelabelingRule* rule, bool clone) {
    return angiolith::test::messageOf([&] { VesselIDRelabeling::relabel(pic, rule, clone); });
}

}  // namespace

TEST(VesselIDRelabeling, InPlaceRewritesTheCallersVolume) {
    Picture pic = makeVolume({0, 1, 2, 0, 3, 1}, 3, 2, 1);
    TimesTenRule rule;
    lumoTeskDescriptor* result = VesselIDRelabeling::relabel(pic.get(), &rule, false);
    EXPECT_EQ(result, pic.get());
    EXPECT_EQ(voxelsOf(pic.get()), (std::vector<unsigned short>{0, 10, 20, 0, 30, 10}));
    // One question per non-zero voxel, none for the background.
    EXPECT_EQ(rule.calls, 4);
}

TEST(VesselIDRelabeling, CloneLeavesTheSourceAndKeepsHeaderVersionAndTags) {
    Picture pic = makeVolume({4, 0, 5, 6}, 1, 2, 2);
    std::memcpy(pic->info->version, "MY VERSION 7                    ", 32);
    pic->info->infoFlag = 3;
    pic->info->tagList = lumoTeskAddTag(nullptr, makeTag("SPACING", {42, 0, 0, 1}));
    TimesTenRule rule;

    Picture result(VesselIDRelabeling::relabel(pic.get(), &rule, true));
    ASSERT_NE(result.get(), nullptr);
    EXPECT_NE(result.get(), pic.get());
    EXPECT_NE(result->data, pic->data);
    EXPECT_EQ(voxelsOf(pic.get()), (std::vector<unsigned short>{4, 0, 5, 6}));
    EXPECT_EQ(voxelsOf(result.get()), (std::vector<unsigned short>{40, 0, 50, 60}));

    angiolith::test::expectHeader(result.get(), lumoTeskTypeUnsigned, 16, {1, 2, 2});
    EXPECT_EQ(std::string(result->info->version, 32), "MY VERSION 7                    ");
    EXPECT_EQ(result->info->infoFlag, 3);
    ASSERT_NE(result->info->tagList, nullptr);
    EXPECT_NE(result->info->tagList, pic->info->tagList);
    const lumoTeskTag_t* tag = result->info->tagList->tagRecord;
    EXPECT_EQ(std::string(tag->tag, 7), "SPACING");
    EXPECT_EQ(std::memcmp(tag->value, "\x2A\0\0\x01", 4), 0);
    EXPECT_EQ(result->info->tagList->next, nullptr);
}

TEST(VesselIDRelabeling, StoresTheLowSixteenBitsOfTheLabel) {
    Picture pic = makeVolume({7, 0}, 2, 1, 1);
    ConstantRule rule(0x12345u);
    VesselIDRelabeling::relabel(pic.get(), &rule, false);
    EXPECT_EQ(voxelsOf(pic.get()), (std::vector<unsigned short>{0x2345, 0}));

    // A label that is a multiple of 65536 turns a vessel voxel into background.
    Picture other = makeVolume({7}, 1, 1, 1);
    ConstantRule wraps(0x10000u);
    VesselIDRelabeling::relabel(other.get(), &wraps, false);
    EXPECT_EQ(voxelsOf(other.get()), (std::vector<unsigned short>{0}));

    // Ids up to 65535 reach the rule unchanged.
    Picture large = makeVolume({65535}, 1, 1, 1);
    TimesTenRule times(70000);
    VesselIDRelabeling::relabel(large.get(), &times, false);
    // 655350 = 9 * 65536 + 65526
    EXPECT_EQ(voxelsOf(large.get()), (std::vector<unsigned short>{65526}));
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

TEST(VesselIDRelabeling, RuleFailureKeepsEarlierVoxelsInPlaceAndFreesTheCopy) {
    // In place: the voxels before the failing one are relabelled, the rest untouched.
    Picture pic = makeVolume({1, 0, 2, 9, 3}, 5, 1, 1);
    TimesTenRule rule(5);
    EXPECT_THROW(VesselIDRelabeling::relabel(pic.get(), &rule, false), std::runtime_error);
    EXPECT_EQ(voxelsOf(pic.get()), (std::vector<unsigned short>{10, 0, 20, 9, 3}));

    // On a copy: the source is untouched and the copy does not leak (checked by the
    // sanitizer build).
    Picture source = makeVolume({1, 9}, 2, 1, 1);
    EXPECT_THROW(VesselIDRelabeling::relabel(source.get(), &rule, true), std::runtime_error);
    EXPECT_EQ(voxelsOf(source.get()), (std::vector<unsigned short>{1, 9}));
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

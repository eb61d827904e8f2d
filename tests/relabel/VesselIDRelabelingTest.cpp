#include "image/PicBuilder.h"
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

}  // namespace

// In place the caller's volume is rewritten and returned; a copy is the descriptor library's
// clone (whose header, version and tags are checked with it), relabelled, and the source stays as
// it was. One question per non-zero voxel, none for the background. A rule failing on a copy
// leaves the source untouched and does not leak the copy (the sanitizer build checks); in place,
// the relabelling stops at the failing voxel (the rule suites check).
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

#include "image/DescriptorInternals.h"
#include "support/Descriptors.h"

#include <angiolith/image/lumoKralConvert.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <type_traits>
#include <vector>

namespace {

using namespace angiolith::test;

struct Kind {
    lumoTeskType_t type;
    unsigned int bits;
    const char* name;
    double lo;  // the kind's range as written down by hand: signed ranges are symmetric
    double hi;
};

enum KindIndex { kS8, kS16, kS32, kU8, kU16, kU32, kF32, kF64 };

const Kind kKinds[8] = {
    {lumoTeskTypeSigned, 8, "s8", -127.0, 127.0},
    {lumoTeskTypeSigned, 16, "s16", -32767.0, 32767.0},
    {lumoTeskTypeSigned, 32, "s32", -2147483647.0, 2147483647.0},
    {lumoTeskTypeUnsigned, 8, "u8", 0.0, 255.0},
    {lumoTeskTypeUnsigned, 16, "u16", 0.0, 65535.0},
    {lumoTeskTypeUnsigned, 32, "u32", 0.0, 4294967295.0},
    {lumoTeskTypeFloat, 32, "f32", -3.4028234663852886e38, 3.4028234663852886e38},
    {lumoTeskTypeFloat, 64, "f64", -3.4028234663852886e38, 3.4028234663852886e38},
};

/// Test values per source kind: the kind's own extremes, values around 0 and, for floating
/// point, fractions and magnitudes beyond every integer range.
const std::vector<double> kWideValues[8] = {
    {-128, -127, -1, 0, 1, 100, 127},
    {-32768, -200, -1, 0, 1, 300, 32767},
    {-2147483648.0, -70000, -1, 0, 1, 70000, 2147483647.0},
    {0, 1, 100, 200, 255},
    {0, 1, 300, 65535},
    {0, 1, 70000, 4294967295.0},
    {-1e30, -70000.5, -2.75, -0.5, 0, 2.75, 300.75, 3e9, 1e30},
    {-1e39, -5e9, -2.9, 0, 2.9, 65535.9, 1e39},
};

/// Calls @p f with a null pointer of the element type of kind @p kind (the library's table
/// lists the kinds in the order of kKinds) and returns its result.
template <typename F>
auto withElementType(int kind, F f) {
    decltype(f(static_cast<double*>(nullptr))) result{};
    angiolith::detail::visitKindAt(kind, [&](auto tag) { result = f(&tag); });
    return result;
}

PicPtr makeKindPic(int kind, const std::vector<double>& values) {
    return withElementType(kind, [&](auto* tag) {
        using T = std::remove_pointer_t<decltype(tag)>;
        const std::vector<T> v(values.begin(), values.end());
        return makePic<T>(kKinds[kind].type, kKinds[kind].bits,
                          {static_cast<unsigned int>(values.size()), 1, 1}, v);
    });
}

double elementAt(int kind, const void* data, std::size_t i) {
    return withElementType(kind, [&](auto* tag) -> double {
        return static_cast<const std::remove_pointer_t<decltype(tag)>*>(data)[i];
    });
}

/// The expected converted value: clamp to the target range when the image's values do not all
/// fit it, then truncate toward zero (integer targets) or round to single precision.
double expectedValue(double v, bool fits, int target) {
    const Kind& t = kKinds[target];
    double e = v;
    if (!fits) e = v >= t.hi ? t.hi : (v <= t.lo ? t.lo : v);
    if (target < 6) return std::trunc(e);
    if (target == 6) return static_cast<float>(e);
    return e;
}

/// The elements of @p pic converted to the kind @p target (none when the conversion fails).
std::vector<double> convertTo(const PicPtr& pic, int target) {
    PicPtr out(lumoKralConvert(pic.get(), kKinds[target].type, kKinds[target].bits));
    std::vector<double> values;
    for (std::size_t i = 0; out && i < _lumoTeskElements(out.get()); ++i) {
        values.push_back(elementAt(target, out->data, i));
    }
    return values;
}

using Values = std::vector<double>;

class ConversionPairs : public testing::TestWithParam<std::tuple<int, int>> {
protected:
    void checkConversion(const std::vector<double>& values) {
        const auto [source, target] = GetParam();
        PicPtr pic = makeKindPic(source, values);
        std::vector<double> stored;
        for (std::size_t i = 0; i < values.size(); ++i) {
            stored.push_back(elementAt(source, pic->data, i));
        }
        const auto [lo, hi] = std::minmax_element(stored.begin(), stored.end());
        const bool fits = kKinds[target].lo <= *lo && *hi <= kKinds[target].hi;

        PicPtr out(lumoKralConvert(pic.get(), kKinds[target].type, kKinds[target].bits));
        ASSERT_NE(out, nullptr);
        expectHeader(out.get(), kKinds[target].type, kKinds[target].bits,
                     {static_cast<unsigned int>(values.size()), 1, 1});
        for (std::size_t i = 0; i < stored.size(); ++i) {
            EXPECT_EQ(elementAt(target, out->data, i), expectedValue(stored[i], fits, target))
                << "element " << i << " source value " << stored[i];
        }
        // The source is untouched.
        for (std::size_t i = 0; i < stored.size(); ++i) {
            EXPECT_EQ(elementAt(source, pic->data, i), stored[i]);
        }
    }
};

TEST_P(ConversionPairs, ClampsValuesBeyondTheTargetRangeAndConvertsFittingOnesPlainly) {
    const int source = std::get<0>(GetParam());
    checkConversion(kWideValues[source]);
    // Values every kind holds; fractions for floating-point sources.
    checkConversion(source >= 6 ? std::vector<double>{0, 1.5, 100.75, 7}
                                : std::vector<double>{0, 1, 100, 7});
}

INSTANTIATE_TEST_SUITE_P(AllKinds, ConversionPairs,
                         testing::Combine(testing::Range(0, 8), testing::Range(0, 8)),
                         [](const testing::TestParamInfo<std::tuple<int, int>>& info) {
                             return std::string(kKinds[std::get<0>(info.param)].name) + "_to_" +
                                    kKinds[std::get<1>(info.param)].name;
                         });

TEST(lumoKralConvert, NotANumberAndInfinityAreConvertedSafely) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();

    // NaN first: the present range is NaN, so the values are not known to fit and are clamped.
    PicPtr first =
        makePic<float>(lumoTeskTypeFloat, 32, {5, 1, 1}, {nan, -1000.f, 5.7f, inf, -inf});
    double min = 0, max = 0;
    ASSERT_EQ(lumoKralExtr(first.get(), &min, &max), 1);
    EXPECT_TRUE(std::isnan(min));
    EXPECT_TRUE(std::isnan(max));
    EXPECT_EQ(convertTo(first, kS8), (Values{0, -127, 5, 127, -127}));
    // NaN first with values that would fit: still every element is defined.
    EXPECT_EQ(convertTo(makePic<float>(lumoTeskTypeFloat, 32, {2, 1, 1}, {nan, 3.5f}), kS16),
              (Values{0, 3}));

    // NaN after the first element is skipped by the range: the plain path turns it into 0.
    PicPtr later = makePic<double>(lumoTeskTypeFloat, 64, {3, 1, 1}, {1.0, std::nan(""), 2.0});
    ASSERT_EQ(lumoKralExtr(later.get(), &min, &max), 1);
    EXPECT_EQ(min, 1.0);
    EXPECT_EQ(max, 2.0);
    EXPECT_EQ(convertTo(later, kU8), (Values{1, 0, 2}));
    EXPECT_EQ(convertTo(later, kU32), (Values{1, 0, 2}));

    // Floating-point targets keep NaN and clamp infinities to the largest float.
    PicPtr d = makePic<double>(lumoTeskTypeFloat, 64, {3, 1, 1},
                               {std::nan(""), std::numeric_limits<double>::infinity(), -1e300});
    const Values g = convertTo(d, kF32);
    ASSERT_EQ(g.size(), 3u);
    EXPECT_TRUE(std::isnan(g[0]));
    EXPECT_EQ(g[1], FLT_MAX);
    EXPECT_EQ(g[2], -FLT_MAX);
}

// The info record is copied by the code lumoTeskClone uses, whose tests check the copy in depth.
TEST(lumoKralConvert, CarriesTheInfoRecordAndTheExtents) {
    PicPtr pic = makePic<std::uint16_t>(lumoTeskTypeUnsigned, 16, {2, 3, 1, 2},
                                        {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11});
    std::memcpy(pic->info->version, "SOURCE VERSION 7                ", 32);
    pic->info->infoFlag = 42;
    pic->info->tagList = lumoTeskAddTag(nullptr, makeTag("outer", {1, 2, 3}));

    PicPtr out(lumoKralConvert(pic.get(), lumoTeskTypeFloat, 64));
    ASSERT_NE(out, nullptr);
    expectHeader(out.get(), lumoTeskTypeFloat, 64, {2, 3, 1, 2});
    EXPECT_EQ(static_cast<const double*>(out->data)[11], 11.0);
    EXPECT_EQ(std::string(out->info->version, 32), "SOURCE VERSION 7                ");
    EXPECT_EQ(out->info->infoFlag, 42);
    ASSERT_NE(out->info->tagList, nullptr);
    EXPECT_NE(out->info->tagList, pic->info->tagList);
    EXPECT_EQ(std::string(out->info->tagList->tagRecord->tag), "outer                           ");
}

TEST(lumoKralConvert, ReportsEachFailureByItsNumber) {
    PicPtr pic = makePic<std::uint8_t>(lumoTeskTypeUnsigned, 8, {2, 2, 1}, {1, 2, 3, 4});
    const auto fails = [](lumoTeskDescriptor* p, lumoTeskType_t type, unsigned int bits) {
        lumoKralErrno = 0;
        EXPECT_EQ(lumoKralConvert(p, type, bits), nullptr);
        return lumoKralErrno;
    };
    EXPECT_EQ(fails(nullptr, lumoTeskTypeUnsigned, 8), 2);
    for (unsigned int dim : {9u, 0u}) {
        pic->dim = dim;
        EXPECT_EQ(fails(pic.get(), lumoTeskTypeUnsigned, 16), 3) << dim;
    }
    pic->dim = 3;
    pic->n[1] = 0;
    EXPECT_EQ(fails(pic.get(), lumoTeskTypeUnsigned, 16), 4);
    pic->n[1] = 2;
    EXPECT_EQ(fails(pic.get(), lumoTeskTypeUnsigned, 24), 11);
    EXPECT_EQ(fails(pic.get(), lumoTeskTypeFloat, 16), 11);
    EXPECT_EQ(fails(pic.get(), lumoTeskTypeNone, 8), 11);
    pic->type = lumoTeskTypeFloat;
    pic->bits = 16;
    EXPECT_EQ(fails(pic.get(), lumoTeskTypeUnsigned, 8), 8);
    pic->type = lumoTeskTypeUnsigned;
    pic->bits = 8;

    // Nothing resets the number after a success.
    EXPECT_NE(PicPtr(lumoKralConvert(pic.get(), lumoTeskTypeUnsigned, 16)), nullptr);
    EXPECT_EQ(lumoKralErrno, 8);
}

TEST(lumoKralConvert, RefusesImagesWhoseSizeWrapsAround32Bits) {
    // 65536 x 65536 x 2 bytes is 2^33: the 32-bit count and size wrap to 0. The buffer is a
    // one-byte stand-in: nothing may be read or written beyond what the 32-bit sizes admit.
    PicPtr pic = makePic<std::uint8_t>(lumoTeskTypeUnsigned, 8, {65536, 65536, 2}, {7});
    EXPECT_EQ(_lumoTeskSize(pic.get()), 0u);
    lumoKralErrno = 0;
    EXPECT_EQ(lumoKralConvert(pic.get(), lumoTeskTypeUnsigned, 16), nullptr);
    EXPECT_EQ(lumoKralErrno, 6);
    double min = 0, max = 0;
    EXPECT_EQ(lumoKralExtr(pic.get(), &min, &max), 0);
    EXPECT_EQ(lumoKralErrno, 6);
}

TEST(lumoKralConvert, SizesTheTargetBufferOnlyWhenItsTrueSizeFits32Bits) {
    // The conversion allocates the target only after this check on the target's header. A
    // source that fits can have a target that does not: 65535 x 65537 bytes is 2^32 - 1, twice
    // that is not. (A real source of that size is too large for a unit test.)
    PicPtr pic = makePic<std::uint8_t>(lumoTeskTypeUnsigned, 8, {65535, 65537, 1}, {0});
    EXPECT_TRUE(angiolith::detail::sizeFitsUnsigned32(pic.get()));
    pic->bits = 16;
    EXPECT_FALSE(angiolith::detail::sizeFitsUnsigned32(pic.get()));
    EXPECT_EQ(_lumoTeskSize(pic.get()), 4294967294u);  // what a 32-bit size would have allocated
    pic->dim = 0;
    EXPECT_TRUE(angiolith::detail::sizeFitsUnsigned32(pic.get()));
}

TEST(lumoKralConvert, ConvertsADescriptorWithoutPixelsToOneWithoutPixels) {
    PicPtr pic = makePic<std::int16_t>(lumoTeskTypeSigned, 16, {4, 4, 4}, {});
    std::free(pic->data);
    pic->data = nullptr;
    PicPtr out(lumoKralConvert(pic.get(), lumoTeskTypeUnsigned, 8));
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(out->data, nullptr);
    expectHeader(out.get(), lumoTeskTypeUnsigned, 8, {4, 4, 4});
    double min = 0, max = 0;
    lumoKralErrno = 0;
    EXPECT_EQ(lumoKralExtr(pic.get(), &min, &max), 0);
    EXPECT_EQ(lumoKralErrno, 2);
}

TEST(_lumoKralPicCheck, ValidatesAndZeroesTheExtentsBeyondDim) {
    PicPtr pic = makePic<double>(lumoTeskTypeFloat, 64, {3, 2}, {1, 2, 3, 4, 5, 6});
    for (unsigned int i = 2; i < 8; ++i) pic->n[i] = 99;
    EXPECT_EQ(_lumoKralPicCheck(pic.get()), 1);
    EXPECT_EQ(pic->n[0], 3u);
    EXPECT_EQ(pic->n[1], 2u);
    for (unsigned int i = 2; i < 8; ++i) EXPECT_EQ(pic->n[i], 0u);

    // Eight dimensions are allowed.
    pic->dim = 8;
    for (unsigned int i = 2; i < 8; ++i) pic->n[i] = 1;
    EXPECT_EQ(_lumoKralPicCheck(pic.get()), 1);

    // The kind is tested last: an unsupported kind with a zero extent reports the extent.
    pic->bits = 12;
    pic->n[4] = 0;
    lumoKralErrno = 0;
    EXPECT_EQ(_lumoKralPicCheck(pic.get()), 0);
    EXPECT_EQ(lumoKralErrno, 4);
    pic->n[4] = 1;
    EXPECT_EQ(_lumoKralPicCheck(pic.get()), 0);
    EXPECT_EQ(lumoKralErrno, 8);
    pic->type = lumoTeskTypeSigned;
    pic->bits = 64;
    EXPECT_EQ(_lumoKralPicCheck(pic.get()), 0);
    EXPECT_EQ(lumoKralErrno, 8);
}

TEST(_lumoKralExtT, GivesTheRangeOfEveryKind) {
    for (const Kind& k : kKinds) {
        double min = 1, max = 1;
        ASSERT_EQ(_lumoKralExtT(k.type, k.bits, &min, &max), 1) << k.name;
        EXPECT_EQ(min, k.lo) << k.name;
        EXPECT_EQ(max, k.hi) << k.name;
    }
    double min = 0, max = 0;
    lumoKralErrno = 0;
    EXPECT_EQ(_lumoKralExtT(lumoTeskTypeUnsigned, 64, &min, &max), 0);
    EXPECT_EQ(lumoKralErrno, 8);
    lumoKralErrno = 0;
    EXPECT_EQ(_lumoKralExtT(lumoTeskTypeTagList, 8, &min, &max), 0);
    EXPECT_EQ(lumoKralErrno, 8);
}

TEST(lumoKralExtr, FindsTheSmallestAndLargestElement) {
    PicPtr pic = makePic<std::int32_t>(lumoTeskTypeSigned, 32, {5}, {4, -9, 17, 0, -9});
    double min = 0, max = 0;
    ASSERT_EQ(lumoKralExtr(pic.get(), &min, &max), 1);
    EXPECT_EQ(min, -9.0);
    EXPECT_EQ(max, 17.0);

    PicPtr one = makePic<std::uint32_t>(lumoTeskTypeUnsigned, 32, {1}, {4294967295u});
    ASSERT_EQ(lumoKralExtr(one.get(), &min, &max), 1);
    EXPECT_EQ(min, 4294967295.0);
    EXPECT_EQ(max, 4294967295.0);

    lumoKralErrno = 0;
    EXPECT_EQ(lumoKralExtr(nullptr, &min, &max), 0);
    EXPECT_EQ(lumoKralErrno, 2);
}

TEST(_lumoKralCopyInfo, ReplacesTheTargetsTagsAndIgnoresNull) {
    PicPtr source = makePic<std::uint8_t>(lumoTeskTypeUnsigned, 8, {1}, {0});
    PicPtr target = makePic<std::uint8_t>(lumoTeskTypeUnsigned, 8, {1}, {0});
    source->info->tagList = lumoTeskAddTag(nullptr, makeTag("a", {1}));
    target->info->tagList = lumoTeskAddTag(nullptr, makeTag("old", {5, 6}));
    source->info->infoFlag = -4;
    _lumoKralCopyInfo(target.get(), source.get());
    ASSERT_NE(target->info->tagList, nullptr);
    EXPECT_EQ(std::string(target->info->tagList->tagRecord->tag, 1), "a");
    EXPECT_EQ(target->info->tagList->next, nullptr);
    EXPECT_EQ(target->info->infoFlag, -4);
    _lumoKralCopyInfo(nullptr, source.get());
    _lumoKralCopyInfo(target.get(), nullptr);
    // Copying onto itself keeps the tags.
    _lumoKralCopyInfo(source.get(), source.get());
    ASSERT_NE(source->info->tagList, nullptr);
    EXPECT_EQ(static_cast<unsigned char*>(source->info->tagList->tagRecord->value)[0], 1);
}

}  // namespace

#include "ToolTestSupport.h"
#include "cli/Volume.h"
#include "support/Descriptors.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstdint>
#include <functional>
#include <nifti2_io.h>
#include <stdexcept>
#include <string>
#include <teem/nrrd.h>
#include <tuple>
#include <type_traits>

namespace angiolith::tool {
namespace {

TEST(Volume, EveryNonZeroValueOfAnyKindIsObject) {
    // The library's conversion to unsigned 8-bit would truncate 0.5 to 0 and clamp -3 to 0;
    // a mask's non-zero voxels all belong to the object, a NaN (no value) does not.
    const auto floats = angiolith::test::makePic<float>(lumoTeskTypeFloat, 32, {5, 1, 1},
                                                        {0.5f, -3.0f, 0.0f, std::nanf(""), 1e30f});
    DescriptorPtr mask = binarize(*floats);
    ASSERT_EQ(kindName(mask->type, mask->bits), "uint8");
    EXPECT_EQ(std::string(static_cast<const char*>(mask->data), 5), std::string("\1\1\0\0\1", 5));
    EXPECT_EQ(countNonZero(*floats), 3u);
    const auto labels =
        angiolith::test::makePic<std::int16_t>(lumoTeskTypeSigned, 16, {3, 1, 1}, {300, -1, 0});
    EXPECT_EQ(std::string(static_cast<const char*>(binarize(*labels)->data), 3),
              std::string("\1\1\0", 3));
    EXPECT_EQ(kindName(lumoTeskTypeUnsigned, 16), "uint16");
    EXPECT_EQ(kindName(lumoTeskTypeFloat, 16), "kind 5/16");
}

// The bytes of the binary mask of @p pic, the same on any number of threads.
std::string binarized(const lumoTeskDescriptor& pic) {
    return test::sameOnAnyNumberOfThreads([&](unsigned threads) {
        const DescriptorPtr mask = binarize(pic, threads);
        return std::string(static_cast<const char*>(mask->data),
                           static_cast<std::size_t>(pic.n[0]) * pic.n[1] * pic.n[2]);
    });
}

// Volumes of a few million voxels, not a whole number of the pieces the passes hand to the
// threads: the results on one thread and on several are the same bytes and counts.
TEST(Volume, PassesOverVoxelsGiveTheSameResultOnAnyNumberOfThreads) {
    const std::array<unsigned int, 3> size{1031, 1024, 3};
    const unsigned long long n = 1031ULL * 1024 * 3;
    struct Case {
        const char* name;
        std::function<std::uint16_t(unsigned long long)> id;
        unsigned long long distinct;
    };
    const Case cases[] = {
        {"every id modulo 977", [](unsigned long long i) { return i % 977; }, 976},
        {"one id in the last voxel", [n](unsigned long long i) { return i + 1 == n ? 65535 : 0; },
         1},
        {"no id", [](unsigned long long) { return 0; }, 0},
        // Value k fills the 2k + 1 voxels from k^2 on: runs that cross the pieces.
        {"runs growing to 3559 voxels",
         [](unsigned long long i) {
             return static_cast<std::uint16_t>(std::sqrt(static_cast<double>(i)));
         },
         1779},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DescriptorPtr ids = makeDescriptor(lumoTeskTypeUnsigned, 16, size);
        auto* v = static_cast<std::uint16_t*>(ids->data);
        for (unsigned long long i = 0; i < n; ++i) v[i] = c.id(i);
        std::vector<unsigned long long> counts(65536, 0);
        std::string mask(n, '\0');
        for (unsigned long long i = 0; i < n; ++i) {
            ++counts[v[i]];
            mask[i] = v[i] != 0 ? 1 : 0;
        }
        const std::vector<unsigned long long> counted = test::sameOnAnyNumberOfThreads(
            [&](unsigned threads) { return valueCounts16(*ids, threads); });
        EXPECT_EQ(counted == counts, true);
        EXPECT_EQ(countDistinctIds(counted), c.distinct);
        EXPECT_EQ(binarized(*ids) == mask, true);
    }

    DescriptorPtr floats = makeDescriptor(lumoTeskTypeFloat, 32, size);
    auto* f = static_cast<float*>(floats->data);
    std::string mask(n, '\0');
    for (unsigned long long i = 0; i < n; ++i) {
        f[i] = i % 7 == 0 ? std::nanf("") : (i % 3) * 0.25f;
        mask[i] = i % 7 != 0 && i % 3 != 0 ? 1 : 0;
    }
    EXPECT_EQ(binarized(*floats) == mask, true);
    EXPECT_THROW(valueCounts16(*floats, 2), std::invalid_argument);
}

// Every row of the element-kind table against the C++ type it names and the file formats'
// own libraries: the NIfTI library's name and size of the datatype code, Teem's size and
// signedness of the NRRD type name.
TEST(ElementKinds, RowsAgreeWithTheirTypeAndTheFileFormats) {
    const auto check = [](const auto& row) {
        using T = typename std::decay_t<decltype(row)>::Element;
        const angiolith::detail::ElementKind& kind = row.kind;
        SCOPED_TRACE(kind.name);
        EXPECT_EQ(sizeof(T) * 8, kind.bits);
        EXPECT_EQ(kind.type, std::is_floating_point_v<T> ? lumoTeskTypeFloat
                             : std::is_signed_v<T>       ? lumoTeskTypeSigned
                                                         : lumoTeskTypeUnsigned);
        std::string upper = kind.name;
        for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        EXPECT_EQ(nifti_datatype_string(kind.niftiDatatype), upper);
        int bytes = 0, swap = 0;
        nifti_datatype_sizes(kind.niftiDatatype, &bytes, &swap);
        EXPECT_EQ(static_cast<unsigned int>(bytes) * 8, kind.bits);
        const int nrrd = airEnumVal(nrrdType, kind.nrrdType);
        ASSERT_NE(nrrd, nrrdTypeUnknown);
        EXPECT_EQ(nrrdTypeSize[nrrd] * 8, kind.bits);
        EXPECT_EQ(nrrdTypeIsUnsigned[nrrd] != 0, kind.type == lumoTeskTypeUnsigned);
        EXPECT_EQ(angiolith::detail::kindIndex(kind.type, kind.bits),
                  angiolith::detail::kindIndexOf<T>());
    };
    std::apply([&](const auto&... row) { (check(row), ...); }, angiolith::detail::kElementKindRows);
}

}  // namespace
}  // namespace angiolith::tool

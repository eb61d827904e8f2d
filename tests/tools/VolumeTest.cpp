#include "angiolith/Volume.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

namespace angiolith::tool {
namespace {

TEST(Volume, EveryNonZeroValueOfAnyKindIsObject) {
    // The library's conversion to unsigned 8-bit would truncate 0.5 to 0 and clamp -3 to 0;
    // a mask's non-zero voxels all belong to the object, a NaN (no value) does not.
    DescriptorPtr floats = makeDescriptor(lumoTeskTypeFloat, 32, {5, 1, 1});
    auto* f = static_cast<float*>(floats->data);
    f[0] = 0.5f;
    f[1] = -3.0f;
    f[2] = 0.0f;
    f[3] = std::nanf("");
    f[4] = 1e30f;
    DescriptorPtr mask = binarize(*floats);
    ASSERT_EQ(mask->type, lumoTeskTypeUnsigned);
    ASSERT_EQ(mask->bits, 8u);
    const auto* m = static_cast<const std::uint8_t*>(mask->data);
    EXPECT_EQ((std::array<int, 5>{m[0], m[1], m[2], m[3], m[4]}),
              (std::array<int, 5>{1, 1, 0, 0, 1}));
    EXPECT_EQ(countNonZero(*floats), 3u);

    DescriptorPtr labels = makeDescriptor(lumoTeskTypeSigned, 16, {3, 1, 1});
    auto* l = static_cast<std::int16_t*>(labels->data);
    l[0] = 300;
    l[1] = -1;
    l[2] = 0;
    const DescriptorPtr binary = binarize(*labels);
    const auto* b = static_cast<const std::uint8_t*>(binary->data);
    EXPECT_EQ(b[0] + 2 * b[1] + 4 * b[2], 3);
    EXPECT_EQ(kindName(lumoTeskTypeUnsigned, 16), "uint16");
    EXPECT_FALSE(isSupportedKind(lumoTeskTypeFloat, 16));
}

}  // namespace
}  // namespace angiolith::tool

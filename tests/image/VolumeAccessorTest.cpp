#include "image/PicBuilder.h"

#include <angiolith/image/VolumeAccessor.h>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using namespace angiolith::test;

constexpr int kX = 3, kY = 4, kZ = 5;

PicPtr codedVolume() {
    return angiolith::test::codedVolume<float>(lumoTeskTypeFloat, 32, kX, kY, kZ);
}

TEST(VolumeAccessor, EmptyAccessorReadsZeroAndIgnoresWrites) {
    VolumeAccessor<float> acc;
    EXPECT_TRUE(acc.isEmpty());
    acc.setVoxel(0, 0, 0, 4.f);
    EXPECT_EQ(acc.getVoxel(0, 0, 0), 0.f);
    float n26[26], n6[6];
    std::fill(n26, n26 + 26, 1.f);
    std::fill(n6, n6 + 6, 1.f);
    acc.get26Neighbourhood(0, 0, 0, n26);
    acc.get6Neighbourhood(0, 0, 0, n6);
    for (float v : n26) EXPECT_EQ(v, 0.f);
    for (float v : n6) EXPECT_EQ(v, 0.f);
}

struct SpacingCase {
    float x, y, z;
    unsigned int order;
    float min;
};

class VolumeAccessorSpacing : public testing::TestWithParam<SpacingCase> {};

TEST_P(VolumeAccessorSpacing, CodesTheOrderOfTheSpacings) {
    const SpacingCase& c = GetParam();
    PicPtr pic = codedVolume();
    VolumeAccessor<float> acc(pic.get(), 0.f, false);
    acc.setVoxelSizeX(c.x);
    acc.setVoxelSizeY(c.y);
    acc.setVoxelSizeZ(c.z);
    EXPECT_EQ(acc.getVoxelSizeOrder(), c.order);
    EXPECT_EQ(acc.getMinVoxelSize(), c.min);
}

INSTANTIATE_TEST_SUITE_P(
    AllOrders, VolumeAccessorSpacing,
    testing::Values(SpacingCase{0.5f, 0.5f, 2.0f, 0, 0.5f}, SpacingCase{2.0f, 1.0f, 1.0f, 3, 1.0f},
                    SpacingCase{1.0f, 1.0f, 0.7f, 4, 0.7f}, SpacingCase{1.0f, 2.0f, 3.0f, 0, 1.0f},
                    SpacingCase{1.0f, 3.0f, 2.0f, 1, 1.0f}, SpacingCase{2.0f, 1.0f, 3.0f, 2, 1.0f},
                    SpacingCase{3.0f, 1.0f, 2.0f, 3, 1.0f}, SpacingCase{2.0f, 3.0f, 1.0f, 4, 1.0f},
                    SpacingCase{3.0f, 2.0f, 1.0f, 5, 1.0f}, SpacingCase{1.0f, 1.0f, 1.0f, 0, 1.0f},
                    SpacingCase{2.0f, 2.0f, 1.0f, 4, 1.0f},
                    SpacingCase{2.0f, 1.0f, 2.0f, 2, 1.0f}));

TEST(VolumeAccessor, KeepsTheSpacingOrderWhenASpacingIsNotANumber) {
    PicPtr pic = codedVolume();
    VolumeAccessor<float> acc(pic.get(), 0.f, false);
    acc.setVoxelSizeX(3.f);
    acc.setVoxelSizeY(2.f);
    acc.setVoxelSizeZ(1.f);
    ASSERT_EQ(acc.getVoxelSizeOrder(), 5u);
    acc.setVoxelSizeY(std::numeric_limits<float>::quiet_NaN());
    EXPECT_TRUE(std::isnan(acc.getVoxelSizeY()));
    EXPECT_EQ(acc.getVoxelSizeOrder(), 5u);
    EXPECT_EQ(acc.getMinVoxelSize(), 1.f);
}

}  // namespace

#include "image/PicBuilder.h"

#include <angiolith/image/VolumeAccessor.h>

#include <gtest/gtest.h>

#include <cmath>
#include <iostream>
#include <limits>
#include <vector>

namespace {

using namespace angiolith::test;

constexpr int kX = 3, kY = 4, kZ = 5;

PicPtr codedVolume() {
    return angiolith::test::codedVolume<float>(lumoTeskTypeFloat, 32, kX, kY, kZ);
}

TEST(VolumeAccessor, ReadsAndWritesEveryVoxelAndNothingOutside) {
    PicPtr pic = codedVolume();
    VolumeAccessor<float> acc(pic.get(), -5.f, false);
    EXPECT_EQ(acc.getSizeX(), 3u);
    EXPECT_EQ(acc.getSizeY(), 4u);
    EXPECT_EQ(acc.getSizeZ(), 5u);
    EXPECT_EQ(acc.getPic(), pic.get());
    EXPECT_FALSE(acc.isOwner());
    EXPECT_FALSE(acc.isEmpty());
    angiolith::test::expectReadsAndWrites<float>(acc, pic.get(), kX, kY, kZ, -5.f);
}

TEST(VolumeAccessor, ReachesTheLargestSixteenBitCoordinateAndNoFurther) {
    PicPtr pic = makePic<unsigned char>(lumoTeskTypeUnsigned, 8, {32768, 1, 2},
                                        std::vector<unsigned char>(65536, 0));
    VolumeAccessor<unsigned char> acc(pic.get(), 9, false);
    acc.setVoxel(32767, 0, 1, 42);
    EXPECT_EQ(static_cast<unsigned char*>(pic->data)[65535], 42);
    EXPECT_EQ(acc.getVoxel(32767, 0, 1), 42);
    EXPECT_EQ(acc.getVoxel(-32768, 0, 0), 9);
    EXPECT_EQ(acc.getVoxel(0, 1, 0), 9);

    // Voxel 32768 exists, but no short coordinate names it: the +x neighbour of 32767 wraps to
    // -32768, which is outside, and must not reach element 32768.
    PicPtr wide = angiolith::test::beyondShortVolume();
    const VolumeAccessor<unsigned char> wideAcc(wide.get(), 9, false);
    unsigned char six[6];
    wideAcc.get6Neighbourhood(32767, 0, 0, six);
    EXPECT_EQ(six[3], 9);
    EXPECT_EQ(six[2], 0);
    unsigned char all[26];
    wideAcc.get26Neighbourhood(32767, 0, 0, all);
    EXPECT_EQ(all[13], 9);
    EXPECT_EQ(all[12], 0);
}

TEST(VolumeAccessor, TreatsAZeroExtentAndAMissingBufferAsAllOutside) {
    PicPtr flat = makePic<float>(lumoTeskTypeFloat, 32, {4, 0, 4}, {});
    VolumeAccessor<float> a(flat.get(), 2.5f, false);
    EXPECT_EQ(a.getVoxel(0, 0, 0), 2.5f);
    a.setVoxel(0, 0, 0, 1.f);

    // A descriptor whose element buffer has not been made yet: reads give the outside value,
    // writes are dropped instead of dereferencing null.
    PicPtr noData = makePic<float>(lumoTeskTypeFloat, 32, {2, 2, 2}, {});
    std::free(noData->data);
    noData->data = nullptr;
    VolumeAccessor<float> b(noData.get(), 3.f, false);
    b.setVoxel(1, 1, 1, 8.f);
    EXPECT_EQ(b.getVoxel(1, 1, 1), 3.f);
    float out[26];
    b.get26Neighbourhood(0, 0, 0, out);
    for (float v : out) EXPECT_EQ(v, 3.f);
}

TEST(VolumeAccessor, ListsNeighboursInTheFixedOrder) {
    PicPtr pic = codedVolume();
    VolumeAccessor<float> acc(pic.get(), 0.f, false);

    float n26[26];
    acc.get26Neighbourhood(1, 1, 2, n26);
    angiolith::test::expectNeighbours26(n26, 1, 1, 2, kX, kY, kZ, 0.f);
    float n6[6];
    acc.get6Neighbourhood(1, 1, 2, n6);
    EXPECT_EQ(n6[0], code(1, 1, 3));
    EXPECT_EQ(n6[1], code(1, 1, 1));
    EXPECT_EQ(n6[2], code(0, 1, 2));
    EXPECT_EQ(n6[3], code(2, 1, 2));
    EXPECT_EQ(n6[4], code(1, 2, 2));
    EXPECT_EQ(n6[5], code(1, 0, 2));

    // At the far corner every neighbour with a +1 offset is outside.
    acc.get6Neighbourhood(kX - 1, kY - 1, kZ - 1, n6);
    EXPECT_EQ(n6[0], 0.f);
    EXPECT_EQ(n6[1], code(2, 3, 3));
    EXPECT_EQ(n6[2], code(1, 3, 4));
    EXPECT_EQ(n6[3], 0.f);
    EXPECT_EQ(n6[4], 0.f);
    EXPECT_EQ(n6[5], code(2, 2, 4));
    acc.get26Neighbourhood(kX - 1, kY - 1, kZ - 1, n26);
    angiolith::test::expectNeighbours26(n26, kX - 1, kY - 1, kZ - 1, kX, kY, kZ, 0.f);
}

TEST(VolumeAccessor, EmptyAccessorReadsZeroAndIgnoresWrites) {
    VolumeAccessor<float> acc;
    EXPECT_TRUE(acc.isEmpty());
    EXPECT_FALSE(acc.isOwner());
    EXPECT_EQ(acc.getPic(), nullptr);
    EXPECT_EQ(acc.getSizeX(), 0u);
    EXPECT_EQ(acc.getVoxelSizeZ(), 1.f);
    EXPECT_EQ(acc.getMinVoxelSize(), 1.f);
    EXPECT_EQ(acc.getVoxelSizeOrder(), 0u);
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

TEST(VolumeAccessor, FreesTheDescriptorOnlyWhenOwner) {
    PicPtr pic = codedVolume();
    { VolumeAccessor<float> borrowed(pic.get(), 0.f, false); }
    ASSERT_NE(pic->data, nullptr);
    EXPECT_EQ(static_cast<float*>(pic->data)[0], code(0, 0, 0));
    // The owning accessor releases it (the leak checker of the sanitizer build would notice).
    VolumeAccessor<float> owning(pic.release(), 0.f, true);
    EXPECT_TRUE(owning.isOwner());
}

TEST(VolumeAccessorDeathTest, EndsTheProcessForANullOrNonThreeDimensionalDescriptor) {
    PicPtr flat = makePic<unsigned char>(lumoTeskTypeUnsigned, 8, {2, 2}, {1, 2, 3, 4});
    for (lumoTeskDescriptor* pic : {static_cast<lumoTeskDescriptor*>(nullptr), flat.get()}) {
        EXPECT_EXIT(
            {
                std::cout.rdbuf(std::cerr.rdbuf());
                VolumeAccessor<unsigned char> acc(pic, 0, false);
            },
            testing::ExitedWithCode(1),
            "^VolumeAccessor::VolumeAccessor\\(\\.\\.\\.\\): thePic == null or pic->dim!=3! \n$");
    }
}

}  // namespace

#include "image/PicBuilder.h"

#include <angiolith/image/ThreeDPicAccessor.h>

#include <gtest/gtest.h>

#include <iostream>
#include <memory>
#include <vector>

namespace {

using angiolith::test::makePic;
using angiolith::test::PicPtr;

constexpr unsigned int kX = 4, kY = 3, kZ = 2;

unsigned short code(int x, int y, int z) {
    return static_cast<unsigned short>(1 + x + 10 * y + 100 * z);
}

/// A kX x kY x kZ unsigned 16-bit volume whose voxel (x, y, z) holds code(x, y, z).
PicPtr codedVolume() {
    std::vector<unsigned short> v;
    for (unsigned int z = 0; z < kZ; ++z)
        for (unsigned int y = 0; y < kY; ++y)
            for (unsigned int x = 0; x < kX; ++x) v.push_back(code(x, y, z));
    return makePic<unsigned short>(lumoTeskTypeUnsigned, 16, {kX, kY, kZ}, v);
}

TEST(ThreeDPicAccessor, ReadsAndWritesEveryVoxelAndNothingOutside) {
    PicPtr pic = codedVolume();
    ThreeDPicAccessor<unsigned short> acc(pic.get(), false, 999);
    const ThreeDPicAccessor<unsigned short>& ro = acc;
    EXPECT_EQ(ro.getSizeX(), kX);
    EXPECT_EQ(ro.getSizeY(), kY);
    EXPECT_EQ(ro.getSizeZ(), kZ);
    EXPECT_EQ(ro.getBackgroundValue(), 999);
    EXPECT_EQ(ro.getPic(), pic.get());
    EXPECT_FALSE(ro.isOwner());
    const std::vector<unsigned short> before(static_cast<unsigned short*>(pic->data),
                                             static_cast<unsigned short*>(pic->data) + 24);
    for (short z = -1; z <= static_cast<short>(kZ); ++z) {
        for (short y = -1; y <= static_cast<short>(kY); ++y) {
            for (short x = -1; x <= static_cast<short>(kX); ++x) {
                const bool in = x >= 0 && y >= 0 && z >= 0 && x < static_cast<short>(kX) &&
                                y < static_cast<short>(kY) && z < static_cast<short>(kZ);
                EXPECT_EQ(ro.getVoxel(x, y, z), in ? code(x, y, z) : 999) << x << y << z;
                if (!in) acc.setVoxel(x, y, z, 5);
            }
        }
    }
    EXPECT_EQ(before, std::vector<unsigned short>(static_cast<unsigned short*>(pic->data),
                                                  static_cast<unsigned short*>(pic->data) + 24));
    for (int c = 0; c < 8; ++c) {
        const short x = (c & 1) ? kX - 1 : 0, y = (c & 2) ? kY - 1 : 0, z = (c & 4) ? kZ - 1 : 0;
        acc.setVoxel(x, y, z, static_cast<unsigned short>(500 + c));
        EXPECT_EQ(static_cast<unsigned short*>(pic->data)[(z * kY + y) * kX + x], 500 + c);
    }
}

TEST(ThreeDPicAccessor, ListsNeighboursInTheFixedOrderWithBackgroundOutside) {
    PicPtr pic = codedVolume();
    const ThreeDPicAccessor<unsigned short> acc(pic.get(), false, 0);

    std::unique_ptr<unsigned short[]> n26(acc.getNeighbours26(1, 1, 0));
    int k = 0;
    for (int dz = 1; dz >= -1; --dz)
        for (int dy = 1; dy >= -1; --dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (dx || dy || dz) {
                    const int z = dz;  // the volume has z = 0 and 1 only
                    EXPECT_EQ(n26[k++], z < 0 ? 0 : code(1 + dx, 1 + dy, z)) << k;
                }
    EXPECT_EQ(n26[4], code(1, 1, 1));
    EXPECT_EQ(n26[21], 0);

    // At the corner (0, 0, 0) every index with a -1 offset in some axis is background.
    std::unique_ptr<unsigned short[]> corner(acc.getNeighbours26(0, 0, 0));
    k = 0;
    for (int dz = 1; dz >= -1; --dz)
        for (int dy = 1; dy >= -1; --dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (dx || dy || dz) {
                    const bool out = dx < 0 || dy < 0 || dz < 0;
                    EXPECT_EQ(corner[k++], out ? 0 : code(dx, dy, dz)) << k;
                }

    std::unique_ptr<unsigned short[]> n6(acc.getNeighbours6(3, 2, 1));
    EXPECT_EQ(n6[0], 0);
    EXPECT_EQ(n6[1], code(3, 2, 0));
    EXPECT_EQ(n6[2], code(2, 2, 1));
    EXPECT_EQ(n6[3], 0);
    EXPECT_EQ(n6[4], 0);
    EXPECT_EQ(n6[5], code(3, 1, 1));
}

TEST(ThreeDPicAccessor, FormsNeighbourCoordinatesInSixteenBits) {
    // The +x neighbour of 32767 wraps to -32768 (outside) instead of reaching element 32768.
    std::vector<unsigned char> v(32769, 0);
    v[32768] = 7;
    PicPtr pic = makePic<unsigned char>(lumoTeskTypeUnsigned, 8, {32769, 1, 1}, v);
    const ThreeDPicAccessor<unsigned char> acc(pic.get(), false, 9);
    const std::unique_ptr<unsigned char[]> six(acc.getNeighbours6(32767, 0, 0));
    EXPECT_EQ(six[3], 9);
    EXPECT_EQ(six[2], 0);
    const std::unique_ptr<unsigned char[]> all(acc.getNeighbours26(32767, 0, 0));
    EXPECT_EQ(all[13], 9);
    EXPECT_EQ(all[12], 0);
}

TEST(ThreeDPicAccessor, KeepsSpacingAndOrigin) {
    PicPtr pic = makePic<float>(lumoTeskTypeFloat, 32, {1, 1, 1}, {2.5f});
    ThreeDPicAccessor<float> acc(pic.get(), false, -1.f);
    EXPECT_EQ(acc.getVoxelSizeX(), 1.f);
    EXPECT_EQ(acc.getOriginZ(), 0.f);
    acc.setVoxelSize(0.5f, 0.75f, 2.f);
    acc.setVoxelSizeY(0.25f);
    acc.setOrigin(-10.f, 20.f, 30.f);
    acc.setOriginX(-11.f);
    const ThreeDPicAccessor<float>& ro = acc;
    EXPECT_EQ(ro.getVoxelSizeX(), 0.5f);
    EXPECT_EQ(ro.getVoxelSizeY(), 0.25f);
    EXPECT_EQ(ro.getVoxelSizeZ(), 2.f);
    EXPECT_EQ(ro.getOriginX(), -11.f);
    EXPECT_EQ(ro.getOriginY(), 20.f);
    EXPECT_EQ(ro.getOriginZ(), 30.f);
    EXPECT_EQ(ro.getVoxel(0, 0, 0), 2.5f);
    EXPECT_EQ(ro.getVoxel(0, 0, 1), -1.f);
}

TEST(ThreeDPicAccessor, OwnershipAndAMissingBuffer) {
    PicPtr pic = makePic<unsigned char>(lumoTeskTypeUnsigned, 8, {2, 2, 2},
                                        std::vector<unsigned char>(8, 1));
    { ThreeDPicAccessor<unsigned char> borrowed(pic.get(), false, 0); }
    EXPECT_EQ(static_cast<unsigned char*>(pic->data)[7], 1);
    std::free(pic->data);
    pic->data = nullptr;
    // Through the base pointer, as the classifier holds the tissue mask; the owning accessor
    // frees the descriptor.
    std::unique_ptr<ThreeDPicAccessor<unsigned char>> owning(
        new ThreeDPicAccessor<unsigned char>(pic.release(), true, 4));
    owning->setVoxel(1, 1, 1, 9);
    EXPECT_EQ(owning->getVoxel(1, 1, 1), 4);
    EXPECT_TRUE(owning->isOwner());
}

TEST(ThreeDPicAccessorDeathTest, EndsTheProcessForANullOrNonThreeDimensionalDescriptor) {
    EXPECT_EXIT(
        {
            std::cout.rdbuf(std::cerr.rdbuf());
            ThreeDPicAccessor<unsigned char> acc(nullptr, false, 0);
        },
        testing::ExitedWithCode(1),
        "^ThreeDPicAccessor::ThreeDPicAccessor\\(\\.\\.\\.\\): thePic == null!\n$");
    PicPtr four = makePic<unsigned char>(lumoTeskTypeUnsigned, 8, {1, 1, 1, 1}, {1});
    EXPECT_EXIT(
        {
            std::cout.rdbuf(std::cerr.rdbuf());
            ThreeDPicAccessor<unsigned char> acc(four.get(), true, 0);
        },
        testing::ExitedWithCode(1),
        "^ThreeDPicAccessor::ThreeDPicAccessor\\(\\.\\.\\.\\): pic->dim!=3! \n$");
}

}  // namespace

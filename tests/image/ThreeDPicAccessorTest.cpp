#include "image/PicBuilder.h"

#include <angiolith/image/ThreeDPicAccessor.h>

#include <gtest/gtest.h>

#include <iostream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace angiolith::test;

constexpr int kX = 4, kY = 3, kZ = 2;

PicPtr coded() { return codedVolume<unsigned short>(lumoTeskTypeUnsigned, 16, kX, kY, kZ); }

TEST(ThreeDPicAccessor, ReadsAndWritesEveryVoxelAndNothingOutside) {
    PicPtr pic = coded();
    ThreeDPicAccessor<unsigned short> acc(pic.get(), false, 999);
    EXPECT_EQ(acc.getSizeX(), 4u);
    EXPECT_EQ(acc.getSizeY(), 3u);
    EXPECT_EQ(acc.getSizeZ(), 2u);
    EXPECT_EQ(acc.getPic(), pic.get());
    EXPECT_FALSE(acc.isOwner());
    angiolith::test::expectReadsAndWrites<unsigned short>(acc, pic.get(), kX, kY, kZ, 999);
}

TEST(ThreeDPicAccessor, ListsNeighboursInTheFixedOrderWithBackgroundOutside) {
    PicPtr pic = coded();
    const ThreeDPicAccessor<unsigned short> acc(pic.get(), false, 0);
    // At (1, 1, 0) the layer below is outside; at the corner every -1 offset is.
    for (short x : {1, 0}) {
        const std::unique_ptr<unsigned short[]> n26(acc.getNeighbours26(x, x, 0));
        angiolith::test::expectNeighbours26<unsigned short>(n26.get(), x, x, 0, kX, kY, kZ, 0);
    }

    std::unique_ptr<unsigned short[]> n6(acc.getNeighbours6(3, 2, 1));
    EXPECT_EQ(n6[0], 0);
    EXPECT_EQ(n6[1], code(3, 2, 0));
    EXPECT_EQ(n6[2], code(2, 2, 1));
    EXPECT_EQ(n6[3], 0);
    EXPECT_EQ(n6[4], 0);
    EXPECT_EQ(n6[5], code(3, 1, 1));

    // The +x neighbour of 32767 wraps to -32768 (outside) instead of reaching element 32768.
    PicPtr wide = angiolith::test::beyondShortVolume();
    const ThreeDPicAccessor<unsigned char> wideAcc(wide.get(), false, 9);
    const std::unique_ptr<unsigned char[]> six(wideAcc.getNeighbours6(32767, 0, 0));
    EXPECT_EQ(six[3], 9);
    EXPECT_EQ(six[2], 0);
    const std::unique_ptr<unsigned char[]> all(wideAcc.getNeighbours26(32767, 0, 0));
    EXPECT_EQ(all[13], 9);
    EXPECT_EQ(all[12], 0);
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
    PicPtr four = makePic<unsigned char>(lumoTeskTypeUnsigned, 8, {1, 1, 1, 1}, {1});
    const char* const head = "^ThreeDPicAccessor::ThreeDPicAccessor\\(\\.\\.\\.\\): ";
    for (const auto& [pic, line] :
         {std::pair<lumoTeskDescriptor*, std::string>{nullptr, "thePic == null!\n$"},
          {four.get(), "pic->dim!=3! \n$"}}) {
        EXPECT_EXIT(
            {
                std::cout.rdbuf(std::cerr.rdbuf());
                ThreeDPicAccessor<unsigned char> acc(pic, pic != nullptr, 0);
            },
            testing::ExitedWithCode(1), head + line);
    }
}

}  // namespace

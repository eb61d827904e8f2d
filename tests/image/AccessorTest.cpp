// The checks both voxel accessors share, run on each through one face: reads and writes inside
// and outside, the neighbour orders, 16-bit coordinates, a missing element buffer and ownership.
#include "image/PicBuilder.h"

#include <angiolith/image/ThreeDPicAccessor.h>
#include <angiolith/image/VolumeAccessor.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <type_traits>
#include <vector>

namespace {

using namespace angiolith::test;

// One accessor template behind the face the tests use: make (outside value, ownership) and the
// neighbours of a voxel, 6 or 26 of them, in a vector.
template <template <typename> class A>
struct Kind {
    static constexpr bool kVolume = std::is_same_v<A<float>, VolumeAccessor<float>>;

    template <typename T>
    static std::unique_ptr<A<T>> make(lumoTeskDescriptor* pic, T outside, bool owner) {
        if constexpr (kVolume) {
            return std::make_unique<A<T>>(pic, outside, owner);
        } else {
            return std::make_unique<A<T>>(pic, owner, outside);
        }
    }
    template <typename T>
    static std::vector<T> neighbours(const A<T>& a, int count, short x, short y, short z) {
        std::vector<T> n(static_cast<std::size_t>(count));
        if constexpr (kVolume) {
            if (count == 26) a.get26Neighbourhood(x, y, z, n.data());
            if (count == 6) a.get6Neighbourhood(x, y, z, n.data());
        } else {
            const std::unique_ptr<T[]> given(count == 26 ? a.getNeighbours26(x, y, z)
                                                         : a.getNeighbours6(x, y, z));
            std::copy(given.get(), given.get() + count, n.begin());
        }
        return n;
    }
};

constexpr int kX = 3, kY = 4, kZ = 5;

PicPtr coded() { return codedVolume<float>(lumoTeskTypeFloat, 32, kX, kY, kZ); }

template <typename Kind>
class AccessorTest : public testing::Test {};

using Kinds = testing::Types<Kind<VolumeAccessor>, Kind<ThreeDPicAccessor>>;
TYPED_TEST_SUITE(AccessorTest, Kinds);

TYPED_TEST(AccessorTest, ReadsAndWritesEveryVoxelAndNothingOutside) {
    PicPtr pic = coded();
    auto acc = TypeParam::make(pic.get(), -5.f, false);
    EXPECT_EQ(acc->getSizeX(), 3u);
    EXPECT_EQ(acc->getSizeY(), 4u);
    EXPECT_EQ(acc->getSizeZ(), 5u);
    EXPECT_EQ(acc->getPic(), pic.get());
    expectReadsAndWrites<float>(*acc, pic.get(), kX, kY, kZ, -5.f);
}

TYPED_TEST(AccessorTest, ListsNeighboursInTheFixedOrderWithTheOutsideValue) {
    constexpr short nx = kX, ny = kY, nz = kZ;
    PicPtr pic = coded();
    auto acc = TypeParam::make(pic.get(), -1.f, false);
    // Inside, at the first corner (every -1 offset outside) and at the far one (every +1).
    for (const auto& [x, y, z] : {std::array<short, 3>{1, 1, 2}, std::array<short, 3>{0, 0, 0},
                                  std::array<short, 3>{nx - 1, ny - 1, nz - 1}}) {
        SCOPED_TRACE(testing::Message() << x << "," << y << "," << z);
        expectNeighbours(TypeParam::neighbours(*acc, 26, x, y, z).data(), neighbourOffsets(), x, y,
                         z, nx, ny, nz, -1.f);
        expectNeighbours(TypeParam::neighbours(*acc, 6, x, y, z).data(), kFaceOffsets, x, y, z, nx,
                         ny, nz, -1.f);
    }
}

TYPED_TEST(AccessorTest, ReachesTheLargestSixteenBitCoordinateAndNoFurther) {
    PicPtr pic = makePic<unsigned char>(lumoTeskTypeUnsigned, 8, {32768, 1, 2},
                                        std::vector<unsigned char>(65536, 0));
    auto far = TypeParam::template make<unsigned char>(pic.get(), 9, false);
    far->setVoxel(32767, 0, 1, 42);
    EXPECT_EQ(static_cast<unsigned char*>(pic->data)[65535], 42);
    EXPECT_EQ(far->getVoxel(32767, 0, 1), 42);
    EXPECT_EQ(far->getVoxel(-32768, 0, 0), 9);
    EXPECT_EQ(far->getVoxel(0, 1, 0), 9);

    // Voxel 32768 exists, but no short coordinate names it: the +x neighbour of 32767 wraps to
    // -32768, which is outside, and must not reach element 32768.
    PicPtr wide = beyondShortVolume();
    auto acc = TypeParam::template make<unsigned char>(wide.get(), 9, false);
    const std::vector<unsigned char> six = TypeParam::neighbours(*acc, 6, 32767, 0, 0);
    EXPECT_EQ(six[3], 9);
    EXPECT_EQ(six[2], 0);
    const std::vector<unsigned char> all = TypeParam::neighbours(*acc, 26, 32767, 0, 0);
    EXPECT_EQ(all[13], 9);
    EXPECT_EQ(all[12], 0);
}

// A zero extent, or a descriptor whose element buffer has not been made yet: reads give the
// outside value, writes are dropped instead of dereferencing null.
TYPED_TEST(AccessorTest, ZeroExtentOrNoElementBufferLeavesEverythingOutside) {
    PicPtr flat = makePic<float>(lumoTeskTypeFloat, 32, {4, 0, 4}, {});
    auto none = TypeParam::make(flat.get(), 2.5f, false);
    none->setVoxel(0, 0, 0, 1.f);
    EXPECT_EQ(none->getVoxel(0, 0, 0), 2.5f);

    PicPtr noData = makePic<float>(lumoTeskTypeFloat, 32, {2, 2, 2}, {});
    std::free(noData->data);
    noData->data = nullptr;
    auto acc = TypeParam::make(noData.get(), 3.f, false);
    acc->setVoxel(1, 1, 1, 8.f);
    EXPECT_EQ(acc->getVoxel(1, 1, 1), 3.f);
    for (float v : TypeParam::neighbours(*acc, 26, 0, 0, 0)) EXPECT_EQ(v, 3.f);
}

TYPED_TEST(AccessorTest, FreesTheDescriptorOnlyWhenOwner) {
    PicPtr pic = coded();
    {
        auto borrowed = TypeParam::make(pic.get(), 0.f, false);
        EXPECT_FALSE(borrowed->isOwner());
    }
    ASSERT_NE(pic->data, nullptr);
    EXPECT_EQ(static_cast<float*>(pic->data)[0], code(0, 0, 0));
    // The owning accessor releases it (the leak checker of the sanitizer build would notice).
    auto owning = TypeParam::make(pic.release(), 0.f, true);
    EXPECT_TRUE(owning->isOwner());
}

}  // namespace

// The checks both voxel accessors share, run on each through one face: reads and writes inside
// and outside, the neighbour orders, 16-bit coordinates, a missing element buffer and ownership;
// then what only the volume accessor has: an empty accessor and the order of the spacings.
#include "support/Descriptors.h"

#include <angiolith/image/ThreeDPicAccessor.h>
#include <angiolith/image/VolumeAccessor.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
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

constexpr short kX = 3, kY = 4, kZ = 5;

/// 1 + x + 10 y + 100 z: tells the voxels of the volume apart.
float code(int x, int y, int z) { return static_cast<float>(1 + x + 10 * y + 100 * z); }

bool inside(int x, int y, int z) {
    return x >= 0 && y >= 0 && z >= 0 && x < kX && y < kY && z < kZ;
}

/// A kX x kY x kZ volume whose voxel (x, y, z) holds code(x, y, z).
PicPtr coded() {
    std::vector<float> v;
    for (int z = 0; z < kZ; ++z)
        for (int y = 0; y < kY; ++y)
            for (int x = 0; x < kX; ++x) v.push_back(code(x, y, z));
    return makePic<float>(lumoTeskTypeFloat, 32, {kX, kY, kZ}, v);
}

/// Checks the neighbours @p n of (x, y, z) in the coded volume at @p offsets (neighbourOffsets()
/// or kFaceOffsets); positions outside the volume hold @p outside.
void expectNeighbours(const std::vector<float>& n, const std::vector<Offset>& offsets, int x, int y,
                      int z, float outside) {
    for (std::size_t k = 0; k < offsets.size(); ++k) {
        const int a = x + offsets[k].dx, b = y + offsets[k].dy, c = z + offsets[k].dz;
        EXPECT_EQ(n[k], inside(a, b, c) ? code(a, b, c) : outside) << k;
    }
}

template <typename Kind>
class AccessorTest : public testing::Test {};

using Kinds = testing::Types<Kind<VolumeAccessor>, Kind<ThreeDPicAccessor>>;
TYPED_TEST_SUITE(AccessorTest, Kinds);

// Every position from one before to one past each face (corners, edges, faces, interior); writes
// outside change nothing; the eight corners written are found in element (z * ny + y) * nx + x.
TYPED_TEST(AccessorTest, ReadsAndWritesEveryVoxelAndNothingOutside) {
    PicPtr pic = coded();
    auto acc = TypeParam::make(pic.get(), -5.f, false);
    EXPECT_EQ(acc->getSizeX(), 3u);
    EXPECT_EQ(acc->getSizeY(), 4u);
    EXPECT_EQ(acc->getSizeZ(), 5u);
    EXPECT_EQ(acc->getPic(), pic.get());
    const float* data = static_cast<const float*>(pic->data);
    const std::vector<float> before(data, data + kX * kY * kZ);
    for (short z = -1; z <= kZ; ++z)
        for (short y = -1; y <= kY; ++y)
            for (short x = -1; x <= kX; ++x) {
                EXPECT_EQ(acc->getVoxel(x, y, z), inside(x, y, z) ? code(x, y, z) : -5.f)
                    << x << y << z;
                if (!inside(x, y, z)) acc->setVoxel(x, y, z, 77.f);
            }
    EXPECT_EQ(before, std::vector<float>(data, data + kX * kY * kZ));
    for (int c = 0; c < 8; ++c) {
        const short x = (c & 1) ? kX - 1 : 0, y = (c & 2) ? kY - 1 : 0, z = (c & 4) ? kZ - 1 : 0;
        acc->setVoxel(x, y, z, static_cast<float>(500 + c));
        EXPECT_EQ(data[(z * kY + y) * kX + x], static_cast<float>(500 + c));
        EXPECT_EQ(acc->getVoxel(x, y, z), static_cast<float>(500 + c));
    }
}

TYPED_TEST(AccessorTest, ListsNeighboursInTheFixedOrderWithTheOutsideValue) {
    PicPtr pic = coded();
    auto acc = TypeParam::make(pic.get(), -1.f, false);
    // Inside, at the first corner (every -1 offset outside) and at the far one (every +1).
    for (const auto& [x, y, z] : {std::array<short, 3>{1, 1, 2}, std::array<short, 3>{0, 0, 0},
                                  std::array<short, 3>{kX - 1, kY - 1, kZ - 1}}) {
        SCOPED_TRACE(testing::Message() << x << "," << y << "," << z);
        expectNeighbours(TypeParam::neighbours(*acc, 26, x, y, z), neighbourOffsets(), x, y, z,
                         -1.f);
        expectNeighbours(TypeParam::neighbours(*acc, 6, x, y, z), kFaceOffsets, x, y, z, -1.f);
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
    std::vector<unsigned char> values(32769, 0);
    values[32768] = 7;
    PicPtr wide = makePic<unsigned char>(lumoTeskTypeUnsigned, 8, {32769, 1, 1}, values);
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

// The default accessor has no volume: it reads 0 everywhere and drops writes.
TEST(VolumeAccessor, EmptyAccessorReadsZeroAndIgnoresWrites) {
    VolumeAccessor<float> acc;
    EXPECT_TRUE(acc.isEmpty());
    acc.setVoxel(0, 0, 0, 4.f);
    EXPECT_EQ(acc.getVoxel(0, 0, 0), 0.f);
    std::vector<float> n26(26, 1.f);
    std::vector<float> n6(6, 1.f);
    acc.get26Neighbourhood(0, 0, 0, n26.data());
    acc.get6Neighbourhood(0, 0, 0, n6.data());
    EXPECT_EQ(n26, std::vector<float>(26, 0.f));
    EXPECT_EQ(n6, std::vector<float>(6, 0.f));
}

struct SpacingCase {
    float x, y, z;
    unsigned int order;
    float min;
};

class VolumeAccessorSpacing : public testing::TestWithParam<SpacingCase> {};

TEST_P(VolumeAccessorSpacing, CodesTheOrderOfTheSpacings) {
    const SpacingCase& c = GetParam();
    PicPtr pic = coded();
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
    PicPtr pic = coded();
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
